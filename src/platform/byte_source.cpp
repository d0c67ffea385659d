#include "platform/byte_source.h"

#include <algorithm>
#include <cstring>

namespace tessaly {

Result<std::size_t> BufferSource::readAt(std::uint64_t offset, std::span<unsigned char> into) {
    if (offset >= data_.size()) return std::size_t{0};
    const std::size_t n = std::min<std::size_t>(into.size(), data_.size() - offset);
    if (n != 0) std::memcpy(into.data(), data_.data() + offset, n);
    return n;
}

}  // namespace tessaly
