#include "core/extract/contents_rows.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace tessaly {

std::string_view UpToNul(std::string_view bytes) {
    const auto nul = bytes.find('\0');
    return nul == std::string_view::npos ? bytes : bytes.substr(0, nul);
}

void ContentsRows::append(std::string_view bytes, std::uint64_t position) {
    // A row is at most an entry long; longer input is cut so that the
    // length fits its byte and the row fits a chunk.
    const std::size_t n = std::min(bytes.size(), kEntryLength);
    if (kChunkSize - tailUsed_ < n) {
        chunks_.push_back(std::make_unique_for_overwrite<char[]>(kChunkSize));
        tailUsed_ = 0;
    }
    const std::size_t chunk = chunks_.size() - 1;
    if (n != 0) std::memcpy(chunks_.back().get() + tailUsed_, bytes.data(), n);
    starts_.push_back(static_cast<std::uint64_t>(chunk) * kChunkSize + tailUsed_);
    // The three arrays stay the same length whichever push runs out of memory.
    try {
        lengths_.push_back(static_cast<std::uint8_t>(n));
        try {
            positions_.push_back(position);
        } catch (...) {
            lengths_.pop_back();
            throw;
        }
    } catch (...) {
        starts_.pop_back();
        throw;
    }
    tailUsed_ += n;
}

void ContentsRows::appendAll(const ContentsRows& other) {
    starts_.reserve(starts_.size() + other.size());
    lengths_.reserve(lengths_.size() + other.size());
    positions_.reserve(positions_.size() + other.size());
    for (std::size_t i = 0; i < other.size(); ++i) append(other.row(i), other.position(i));
}

void ContentsRows::appendAll(ContentsRows&& other) {
    if (other.empty()) return;
    if (empty()) {
        *this = std::move(other);
        return;
    }
    reserveFor(other);
    // Nothing below allocates.
    const std::uint64_t base = static_cast<std::uint64_t>(chunks_.size()) * kChunkSize;
    for (const std::uint64_t start : other.starts_) starts_.push_back(base + start);
    lengths_.insert(lengths_.end(), other.lengths_.begin(), other.lengths_.end());
    positions_.insert(positions_.end(), other.positions_.begin(), other.positions_.end());
    for (auto& chunk : other.chunks_) chunks_.push_back(std::move(chunk));
    tailUsed_ = other.tailUsed_;
    other = ContentsRows{};
}

namespace {

// Room for `needed` elements, growing geometrically as push_back does, so
// that a list filled by many small batches is not copied once per batch.
template <typename Vector>
void Grow(Vector& v, std::size_t needed) {
    if (needed > v.capacity()) v.reserve(std::max(needed, v.capacity() * 2));
}

}  // namespace

void ContentsRows::reserveFor(const ContentsRows& more) {
    if (empty()) return;  // appendAll then takes `more` whole
    Grow(starts_, starts_.size() + more.starts_.size());
    Grow(lengths_, lengths_.size() + more.lengths_.size());
    Grow(positions_, positions_.size() + more.positions_.size());
    Grow(chunks_, chunks_.size() + more.chunks_.size());
}

void ContentsRows::clear() { *this = ContentsRows{}; }

std::size_t ListRowBudget(std::uint64_t usableMemoryBytes) {
    constexpr std::uint64_t kMostRows = std::numeric_limits<int>::max();
    if (usableMemoryBytes == 0) return static_cast<std::size_t>(kMostRows);
    return static_cast<std::size_t>(
        std::min(kMostRows, usableMemoryBytes / 4 / kListRowBudgetBytes));
}

std::string_view ContentsRows::row(std::size_t i) const {
    const std::uint64_t start = starts_[i];
    return {chunks_[static_cast<std::size_t>(start / kChunkSize)].get() + start % kChunkSize,
            lengths_[i]};
}

std::string_view ContentsRows::shown(std::size_t i) const { return UpToNul(row(i)); }

}  // namespace tessaly
