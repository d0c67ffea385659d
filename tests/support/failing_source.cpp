#include "support/failing_source.h"

#include <algorithm>

namespace tessaly::test {

FailingSource::FailingSource(std::string_view data, std::uint64_t failFrom, int error)
    : data_(data), failFrom_(failFrom), error_(error) {}

Result<std::size_t> FailingSource::readAt(std::uint64_t offset, std::span<unsigned char> into) {
    if (offset >= failFrom_) {
        ++failures_;
        return SystemError::FromNumber(error_);
    }
    const auto n =
        static_cast<std::size_t>(std::min<std::uint64_t>(into.size(), failFrom_ - offset));
    return BufferSource(data_).readAt(offset, into.first(n));
}

}  // namespace tessaly::test
