#pragma once

#include <string>
#include <string_view>

namespace tessaly {

// `text` made safe to show on a terminal: a byte that could steer the
// terminal is written as \xHH (lower-case hex) instead: the C0 controls
// (escape, tab and newline included), DEL, and the C1 controls, such as the
// 8-bit CSI 0x9B, whether raw or encoded in UTF-8. With `utf8` (a terminal
// whose locale is UTF-8) well-formed UTF-8 sequences of other characters pass
// as they are and every other byte from 0x80 up is escaped; without it only
// printable ASCII passes. A backslash stays as it is, so that Windows paths
// stay readable.
std::string EscapeForTerminal(std::string_view text, bool utf8);

}  // namespace tessaly
