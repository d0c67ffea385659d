#include "core/extract/codepage.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace tessaly {
namespace {

// Code points of the bytes 0x80 to 0x9F; the rest of the page is Latin-1.
constexpr std::array<std::uint16_t, 32> kHighControls{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

}  // namespace

std::size_t Utf8SequenceLength(std::string_view s) {
    if (s.empty()) return 0;
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char b = at(0);
    if (b < 0x80) return 1;
    std::size_t n = 0;
    unsigned char low = 0x80;  // bounds of the second byte
    unsigned char high = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
        n = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        n = 3;
        if (b == 0xE0) low = 0xA0;   // no overlong forms
        if (b == 0xED) high = 0x9F;  // no surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        n = 4;
        if (b == 0xF0) low = 0x90;
        if (b == 0xF4) high = 0x8F;  // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (s.size() < n || at(1) < low || at(1) > high) return 0;
    for (std::size_t i = 2; i < n; ++i) {
        if (at(i) < 0x80 || at(i) > 0xBF) return 0;
    }
    return n;
}

std::string NativeToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    AppendValidUtf8(out, bytes);
    return out;
}

std::optional<std::string> Utf8ToCp1252(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    while (!utf8.empty()) {
        const std::size_t n = Utf8SequenceLength(utf8);
        if (n == 0) return std::nullopt;
        std::uint32_t cp = static_cast<unsigned char>(utf8[0]);
        if (n > 1) {
            cp &= 0x7Fu >> n;
            for (std::size_t i = 1; i < n; ++i)
                cp = cp << 6 | (static_cast<unsigned char>(utf8[i]) & 0x3Fu);
        }
        utf8.remove_prefix(n);
        if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
            out += static_cast<char>(cp);
            continue;
        }
        const auto at = std::find(kHighControls.begin(), kHighControls.end(), cp);
        if (at == kHighControls.end()) return std::nullopt;
        out += static_cast<char>(0x80 + (at - kHighControls.begin()));
    }
    return out;
}

std::string Cp1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    AppendCp1252AsUtf8(out, bytes);
    return out;
}

void AppendCp1252AsUtf8(std::string& out, std::string_view bytes) {
    // ASCII, most of any location, is copied as it is.
    const auto ascii = std::find_if(bytes.begin(), bytes.end(),
                                    [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    out.append(bytes.begin(), ascii);
    bytes.remove_prefix(static_cast<std::size_t>(ascii - bytes.begin()));
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        const std::uint32_t cp = b >= 0x80 && b < 0xA0 ? kHighControls[b - 0x80] : b;
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
}

void AppendValidUtf8(std::string& out, std::string_view bytes) {
    while (!bytes.empty()) {
        // Runs of ASCII, most of any path or location, are copied whole.
        const auto ascii = std::find_if(bytes.begin(), bytes.end(), [](char c) {
            return static_cast<unsigned char>(c) >= 0x80;
        });
        out.append(bytes.begin(), ascii);
        bytes.remove_prefix(static_cast<std::size_t>(ascii - bytes.begin()));
        if (bytes.empty()) break;
        const std::size_t n = Utf8SequenceLength(bytes);
        if (n == 0) {
            out += kReplacement;
            bytes.remove_prefix(1);
        } else {
            out += bytes.substr(0, n);
            bytes.remove_prefix(n);
        }
    }
}

}  // namespace tessaly
