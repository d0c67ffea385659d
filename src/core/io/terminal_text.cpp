#include "core/io/terminal_text.h"

namespace tessaly {

namespace {

bool PrintableAscii(unsigned char c) { return c >= 0x20 && c < 0x7F; }

bool Continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// The length of the well-formed UTF-8 sequence of a character from U+00A0 up
// that begins `text`; 0 when none does.
std::size_t PrintableUtf8Length(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        if (lead == 0xC2) low = 0xA0;  // U+0080..U+009F are the C1 controls
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;   // no overlong forms
        if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (!Continuation(byte(i))) return 0;
    }
    return length;
}

}  // namespace

std::string EscapeForTerminal(std::string_view text, bool utf8) {
    std::string out;
    out.reserve(text.size());
    constexpr std::string_view kHex = "0123456789abcdef";
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (PrintableAscii(c)) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        if (const std::size_t n = utf8 && c >= 0x80 ? PrintableUtf8Length(text.substr(i)) : 0;
            n != 0) {
            out.append(text.substr(i, n));
            i += n;
            continue;
        }
        out += "\\x";
        out += kHex[c >> 4];
        out += kHex[c & 0x0F];
        ++i;
    }
    return out;
}

}  // namespace tessaly
