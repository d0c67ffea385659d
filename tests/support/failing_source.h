#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "platform/byte_source.h"

namespace tessaly::test {

// The bytes of a buffer that can be read up to `failFrom` and fail from
// there with `error`, like a disk with a bad sector: a read that starts
// before `failFrom` gets the bytes up to it, a read from there on fails.
class FailingSource final : public ByteSource {
  public:
    FailingSource(std::string_view data, std::uint64_t failFrom, int error);
    Result<std::size_t> readAt(std::uint64_t offset, std::span<unsigned char> into) override;
    std::uint64_t size() const override { return data_.size(); }
    // How many reads failed.
    int failures() const { return failures_; }

  private:
    std::string_view data_;
    std::uint64_t failFrom_;
    int error_;
    int failures_ = 0;
};

}  // namespace tessaly::test
