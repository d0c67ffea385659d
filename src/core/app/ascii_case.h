#pragma once

#include <algorithm>
#include <functional>
#include <string>
#include <string_view>

namespace tessaly {

// Letter case as the scanner, the settings file, the file-name and the
// address tests ignore it: ASCII letters
// only, every other byte compares as itself.
constexpr char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr unsigned char LowerAscii(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

constexpr bool EqualNoCase(char a, char b) { return LowerAscii(a) == LowerAscii(b); }

constexpr bool EqualNoCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return EqualNoCase(x, y); });
}

// Finds a text in others, letter case ignored as above: the records' filter
// box and the contents list's find bar.
class NoCaseFinder {
  public:
    explicit NoCaseFinder(std::string needle)
        : needle_(std::move(needle)), searcher_(needle_.begin(), needle_.end(), Hash{}, Equal{}) {}
    NoCaseFinder(const NoCaseFinder&) = delete;
    NoCaseFinder& operator=(const NoCaseFinder&) = delete;

    // True for an empty needle.
    bool in(std::string_view haystack) const {
        if (haystack.size() < needle_.size()) return false;
        return searcher_(haystack.begin(), haystack.end()).first != haystack.end() ||
               needle_.empty();
    }

  private:
    struct Equal {
        bool operator()(char a, char b) const { return EqualNoCase(a, b); }
    };
    struct Hash {
        std::size_t operator()(char c) const { return static_cast<unsigned char>(LowerAscii(c)); }
    };
    std::string needle_;
    std::boyer_moore_horspool_searcher<std::string::const_iterator, Hash, Equal> searcher_;
};

}  // namespace tessaly
