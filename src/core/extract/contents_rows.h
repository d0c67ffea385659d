#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace tessaly {

// The bytes of one entry, as read from the file: at most this many.
inline constexpr std::size_t kEntryLength = 150;

// The rows of the contents list, kept as raw bytes in one arena: a row is a
// slice of at most kEntryLength bytes, NULs and all. Nothing is decoded here;
// the list decodes a row only when it shows it.
class ContentsRows {
public:
    void append(std::string_view bytes);
    // Moves every row of `other` to the end of this one.
    void appendAll(const ContentsRows& other);
    void clear();
    void reserveBytes(std::size_t n) { bytes_.reserve(n); }

    std::size_t size() const { return ends_.size(); }
    bool empty() const { return ends_.empty(); }

    // The whole row, as read.
    std::string_view row(std::size_t i) const;
    // The row up to its first NUL: what the list shows, the clipboard takes
    // and a link is made of.
    std::string_view shown(std::size_t i) const;

private:
    std::vector<char> bytes_;
    std::vector<std::uint64_t> ends_;  // end offset of each row in bytes_
};

// The part of `bytes` before its first NUL (all of it when it has none).
std::string_view UpToNul(std::string_view bytes);

}  // namespace tessaly
