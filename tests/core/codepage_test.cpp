#include "core/extract/codepage.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

using namespace std::string_literals;

TEST(Cp1252ToUtf8, MapsEveryRangeOfThePage) {
    struct Case {
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"http://a/", "http://a/"},
        {"a\0b"s, "a\0b"s},  // NUL stays
        {"\x7F", "\x7F"},
        {"\x80", "\xE2\x82\xAC"},                                              // euro sign
        {"\x81\x8D\x8F\x90\x9D", "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"},  // unassigned
        {"\x83", "\xC6\x92"},                                                  // f with hook
        {"\x99", "\xE2\x84\xA2"},                                              // trade mark
        {"\x9F", "\xC5\xB8"},                                                  // Y with diaeresis
        {"\xA0\xE9\xFF", "\xC2\xA0\xC3\xA9\xC3\xBF"},                          // Latin-1 half
    };
    for (const auto& c : cases) EXPECT_EQ(Cp1252ToUtf8(c.in), c.out);
}

// Well-formed UTF-8 stays; every byte outside a well-formed sequence becomes
// one U+FFFD, as the window shows such a file name.
TEST(NativeToUtf8, KeepsValidUtf8AndReplacesEveryStrayByte) {
    const std::string r = "\xEF\xBF\xBD";
    struct Case {
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"/srv/plain", "/srv/plain"},
        {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"},
        {"a\0b"s, "a\0b"s},
        {"caf\xE9", "caf" + r},  // Windows-1252, not UTF-8
        {"\xE2\x82"
         "A",
         r + r + "A"},                        // cut short
        {"\xF0\x9F", r + r},                  // cut short at the end
        {"\xC0\xAF", r + r},                  // overlong
        {"\xED\xA0\x80", r + r + r},          // surrogate
        {"\xF4\x90\x80\x80", r + r + r + r},  // beyond U+10FFFF
        {"\x80\xBF\xFE\xFF", r + r + r + r},  // no lead byte
    };
    for (const auto& c : cases) EXPECT_EQ(NativeToUtf8(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace tessaly
