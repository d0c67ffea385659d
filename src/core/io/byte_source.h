#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace tessaly {

// Where the bytes of a file come from: the file itself or a buffer. The raw
// scan reads through it from start to end, the records reader wherever the
// structure leads. Nothing is ever written through it.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    // Reads up to into.size() bytes from `offset` on and returns how many it
    // read: fewer only at the end of the source, 0 at or past the end; -1
    // with errno set when the read failed.
    virtual std::int64_t readAt(std::uint64_t offset, std::span<unsigned char> into) = 0;
    // The length of the source when it was opened (a file may change after).
    virtual std::uint64_t size() const = 0;
};

// The bytes of a buffer that outlives the source.
class BufferSource final : public ByteSource {
  public:
    explicit BufferSource(std::string_view data) : data_(data) {}
    std::int64_t readAt(std::uint64_t offset, std::span<unsigned char> into) override;
    std::uint64_t size() const override { return data_.size(); }

  private:
    std::string_view data_;
};

// An open file descriptor, closed with the source.
class FileSource final : public ByteSource {
  public:
    // Takes `fd` over; `size` is the file's length (see size()).
    explicit FileSource(int fd, std::uint64_t size = 0) : fd_(fd), size_(size) {}
    ~FileSource() override;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;
    std::int64_t readAt(std::uint64_t offset, std::span<unsigned char> into) override;
    std::uint64_t size() const override { return size_; }
    int fd() const { return fd_; }

  private:
    int fd_;
    std::uint64_t size_;
};

// Why a file could not be opened or read: the system's error number and its
// description ("No such file or directory").
struct SourceError {
    int number = 0;
    std::string description;
};

// The system's description of error `number`.
SourceError SystemSourceError(int number);

// Opens the regular file at `path` for reading only, as OpenForReading opens
// every evidence file (no waiting on a FIFO, no access-time update where the
// system allows, refusing anything but a regular file). On failure returns
// nullptr and fills `error`.
std::unique_ptr<FileSource> OpenFileSource(const std::string& path, SourceError& error);

}  // namespace tessaly
