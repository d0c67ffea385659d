#include "core/io/terminal_text.h"

#include <gtest/gtest.h>

#include <string>

namespace tessaly {
namespace {

using namespace std::string_literals;

TEST(EscapeForTerminal, ControlsAreEscapedAndTextPasses) {
    struct Case {
        std::string text;
        std::string utf8;   // shown on a UTF-8 terminal
        std::string ascii;  // shown on any other terminal
    };
    const Case cases[] = {
        {"http://a.example/x?y=1", "http://a.example/x?y=1", "http://a.example/x?y=1"},
        {"\\\\server\\share", "\\\\server\\share", "\\\\server\\share"},
        {"a\x1b]0;title\x07z", "a\\x1b]0;title\\x07z", "a\\x1b]0;title\\x07z"},
        {"\x1b[2J\r\n\t\x7f", "\\x1b[2J\\x0d\\x0a\\x09\\x7f", "\\x1b[2J\\x0d\\x0a\\x09\\x7f"},
        {"nul\0end"s, "nul\\x00end", "nul\\x00end"},
        // The 8-bit CSI raw, and the same control encoded in UTF-8.
        {"\x9b"
         "31m",
         "\\x9b31m", "\\x9b31m"},
        {"\xc2\x9b"
         "31m",
         "\\xc2\\x9b31m", "\\xc2\\x9b31m"},
        // Characters from U+00A0 up pass on a UTF-8 terminal only.
        {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80", "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80",
         "caf\\xc3\\xa9 \\xe2\\x82\\xac \\xf0\\x9f\\x98\\x80"},
        {"\xc2\xa0", "\xc2\xa0", "\\xc2\\xa0"},
        // Bytes that are no UTF-8: Windows-1252 text, a cut sequence, overlong
        // and surrogate forms.
        {"men\xfc", "men\\xfc", "men\\xfc"},
        {"\xe2\x82", "\\xe2\\x82", "\\xe2\\x82"},
        {"\xc0\xaf\xed\xa0\x80", "\\xc0\\xaf\\xed\\xa0\\x80", "\\xc0\\xaf\\xed\\xa0\\x80"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EscapeForTerminal(c.text, true), c.utf8) << c.text;
        EXPECT_EQ(EscapeForTerminal(c.text, false), c.ascii) << c.text;
    }
}

}  // namespace
}  // namespace tessaly
