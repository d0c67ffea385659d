#pragma once

#include <string>
#include <string_view>

namespace tessaly {

// Windows-1252 bytes as UTF-8, for display. The five bytes the code page
// leaves unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the control
// characters of the same number; NUL stays NUL.
std::string Cp1252ToUtf8(std::string_view bytes);

// Appends Cp1252ToUtf8(bytes) to `out`.
void AppendCp1252AsUtf8(std::string& out, std::string_view bytes);

// Appends `bytes` to `out` with every byte that is not part of a well-formed
// UTF-8 sequence replaced by U+FFFD: text that must be UTF-8 (JSON, an HTML
// page) made from bytes that usually are, such as a file's path.
void AppendValidUtf8(std::string& out, std::string_view bytes);

}  // namespace tessaly
