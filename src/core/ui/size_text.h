#pragma once

#include <cstdint>
#include <string>

namespace tessaly {

// The size a files-list row shows under "Size (KB)": the KB text the saved
// files carry (FormatSizeKB) while it is at most 99999.99; past that the
// larger unit that keeps it as short, with two decimals and the unit
// ("281.25 MB", "1.50 GB"), so the column's design width always holds it.
std::string ShownSizeText(std::uint64_t bytes);

// The exact size for the row's tooltip: the KB text and the byte count with
// grouped thousands ("288000.00 KB (294,912,000 bytes)").
std::string ExactSizeText(std::uint64_t bytes);

}  // namespace tessaly
