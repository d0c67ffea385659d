#include "core/io/terminal_text.h"

#include "core/extract/codepage.h"

namespace tessaly {

namespace {

bool PrintableAscii(unsigned char c) { return c >= 0x20 && c < 0x7F; }

// The length of the well-formed UTF-8 sequence of a character from U+00A0 up
// that begins `text`; 0 when none does (U+0080..U+009F are the C1 controls).
std::size_t PrintableUtf8Length(std::string_view text) {
    const std::size_t length = Utf8SequenceLength(text);
    if (length < 2) return 0;
    const auto lead = static_cast<unsigned char>(text[0]);
    const auto second = static_cast<unsigned char>(text[1]);
    return lead == 0xC2 && second < 0xA0 ? 0 : length;
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
