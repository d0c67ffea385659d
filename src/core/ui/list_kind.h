#pragma once

#include <cstddef>

namespace tessaly {

// The lists that stand in the same place of the main window, one at a time,
// each with its tab.
enum class ListKind : std::size_t { Files, Contents, Records };
inline constexpr std::size_t kListKinds = 3;

}  // namespace tessaly
