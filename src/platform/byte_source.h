#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "platform/result.h"

namespace tessaly {

// Where the bytes of a file come from: the file itself or a buffer. The raw
// scan reads through it from start to end, the records reader wherever the
// structure leads. Nothing is ever written through it.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    // Reads up to into.size() bytes from `offset` on and returns how many it
    // read: fewer only at the end of the source, 0 at or past the end; the
    // system's error when the read failed.
    virtual Result<std::size_t> readAt(std::uint64_t offset, std::span<unsigned char> into) = 0;
    // The length of the source when it was opened (a file may change after).
    virtual std::uint64_t size() const = 0;
};

// The bytes of a buffer that outlives the source.
class BufferSource final : public ByteSource {
  public:
    explicit BufferSource(std::string_view data) : data_(data) {}
    Result<std::size_t> readAt(std::uint64_t offset, std::span<unsigned char> into) override;
    std::uint64_t size() const override { return data_.size(); }

  private:
    std::string_view data_;
};

// The system's handle of an open file: a descriptor on POSIX, a HANDLE on
// Windows.
#ifdef _WIN32
using NativeFile = void*;
#else
using NativeFile = int;
#endif

// An open file, closed with the source.
class FileSource final : public ByteSource {
  public:
    // Takes `file` over; `size` is the file's length (see size()).
    explicit FileSource(NativeFile file, std::uint64_t size = 0) : file_(file), size_(size) {}
    ~FileSource() override;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;
    Result<std::size_t> readAt(std::uint64_t offset, std::span<unsigned char> into) override;
    std::uint64_t size() const override { return size_; }

  private:
    NativeFile file_;
    std::uint64_t size_;
};

// Why a file could not be opened or read.
using SourceError = SystemError;

// Opens the regular file at `path` for reading only, as OpenForReading opens
// every evidence file (no waiting on a FIFO, no access-time update where the
// system allows, refusing anything but a regular file: a folder fails with
// EISDIR, anything else with EINVAL and "Not a regular file").
Result<std::unique_ptr<FileSource>> OpenFileSource(const std::string& path);

}  // namespace tessaly
