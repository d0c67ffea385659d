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

}  // namespace

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
    constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned char b = p[i];
        std::size_t length = 0;
        std::uint32_t min = 0;
        if (b < 0x80) {
            out += static_cast<char>(b);
            ++i;
            continue;
        }
        if (b >= 0xC2 && b <= 0xDF) {
            length = 2;
            min = 0x80;
        } else if (b >= 0xE0 && b <= 0xEF) {
            length = 3;
            min = 0x800;
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4;
            min = 0x10000;
        }
        bool ok = length != 0 && i + length <= n;
        std::uint32_t cp = length == 2 ? b & 0x1Fu : length == 3 ? b & 0x0Fu : b & 0x07u;
        for (std::size_t k = 1; ok && k < length; ++k) {
            ok = (p[i + k] & 0xC0) == 0x80;
            cp = cp << 6 | (p[i + k] & 0x3Fu);
        }
        // Overlong forms, UTF-16 surrogates and values past U+10FFFF are not UTF-8.
        ok = ok && cp >= min && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
        if (ok) {
            out.append(bytes.substr(i, length));
            i += length;
        } else {
            out += kReplacement;
            ++i;
        }
    }
}

}  // namespace tessaly
