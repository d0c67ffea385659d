#pragma once

#include <algorithm>
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

}  // namespace tessaly
