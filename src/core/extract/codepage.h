#pragma once

#include <string>
#include <string_view>

namespace tessaly {

// Windows-1252 bytes as UTF-8, for display. The five bytes the code page
// leaves unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the control
// characters of the same number; NUL stays NUL.
std::string Cp1252ToUtf8(std::string_view bytes);

}  // namespace tessaly
