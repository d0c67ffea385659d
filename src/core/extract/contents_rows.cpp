#include "core/extract/contents_rows.h"

namespace tessaly {

std::string_view UpToNul(std::string_view bytes) {
    const auto nul = bytes.find('\0');
    return nul == std::string_view::npos ? bytes : bytes.substr(0, nul);
}

void ContentsRows::append(std::string_view bytes) {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    ends_.push_back(bytes_.size());
}

void ContentsRows::appendAll(const ContentsRows& other) {
    const std::uint64_t base = bytes_.size();
    bytes_.insert(bytes_.end(), other.bytes_.begin(), other.bytes_.end());
    ends_.reserve(ends_.size() + other.ends_.size());
    for (auto e : other.ends_) ends_.push_back(base + e);
}

void ContentsRows::clear() {
    bytes_.clear();
    bytes_.shrink_to_fit();
    ends_.clear();
    ends_.shrink_to_fit();
}

std::string_view ContentsRows::row(std::size_t i) const {
    const std::uint64_t begin = i == 0 ? 0 : ends_[i - 1];
    return {bytes_.data() + begin, static_cast<std::size_t>(ends_[i] - begin)};
}

std::string_view ContentsRows::shown(std::size_t i) const { return UpToNul(row(i)); }

}  // namespace tessaly
