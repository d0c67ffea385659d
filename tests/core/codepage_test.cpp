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

}  // namespace
}  // namespace tessaly
