#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace tessaly {

// The bytes of one entry, as read from the file: at most this many.
inline constexpr std::size_t kEntryLength = 150;

// The rows of the contents list, kept as raw bytes in an arena of fixed-size
// chunks: a row is a slice of at most kEntryLength bytes, NULs and all, that
// never straddles two chunks. Appending never moves the rows already held, so
// adding to a list of millions costs what the new rows cost. Nothing is
// decoded here; the list decodes a row only when it shows it. Each row keeps
// the file position it was read at, so that it can be matched with the
// records of the same file.
class ContentsRows {
  public:
    ContentsRows() = default;
    ContentsRows(ContentsRows&&) noexcept = default;
    ContentsRows& operator=(ContentsRows&&) noexcept = default;

    // Every change below either completes or, when memory runs out
    // (std::bad_alloc), leaves the rows as they were.
    void append(std::string_view bytes, std::uint64_t position = 0);
    // Copies every row of `other` to the end of this one.
    void appendAll(const ContentsRows& other);
    // Takes every row of `other` to the end of this one without copying its
    // bytes: its chunks join this arena (the unused end of this arena's last
    // chunk stays unused).
    void appendAll(ContentsRows&& other);
    // Makes room so that appendAll(std::move(more)) then cannot fail; this
    // call may (std::bad_alloc), leaving the rows as they were.
    void reserveFor(const ContentsRows& more);
    void clear();

    std::size_t size() const { return lengths_.size(); }
    bool empty() const { return lengths_.empty(); }

    // The whole row, as read.
    std::string_view row(std::size_t i) const;
    // The file position of the row's first byte.
    std::uint64_t position(std::size_t i) const { return positions_[i]; }
    // The row up to its first NUL: what the list shows, the clipboard takes
    // and a link is made of.
    std::string_view shown(std::size_t i) const;

  private:
    static constexpr std::size_t kChunkSize = std::size_t{64} << 10;

    std::vector<std::unique_ptr<char[]>> chunks_;
    std::size_t tailUsed_ = kChunkSize;  // bytes used in the last chunk
    std::vector<std::uint64_t> starts_;  // chunk index * kChunkSize + offset
    std::vector<std::uint8_t> lengths_;
    std::vector<std::uint64_t> positions_;
};

// The most rows a list keeps on a computer where the program may use
// `usableMemoryBytes`: a quarter of that memory at kListRowBudgetBytes a row
// (a row's bytes, its bookkeeping and the slack of growing arrays), so the
// list stops well before memory runs out, and never more than a list view can
// number (INT_MAX). Unknown memory (0) leaves only that last bound.
inline constexpr std::size_t kListRowBudgetBytes = 256;
std::size_t ListRowBudget(std::uint64_t usableMemoryBytes);

// The part of `bytes` before its first NUL (all of it when it has none).
std::string_view UpToNul(std::string_view bytes);

}  // namespace tessaly
