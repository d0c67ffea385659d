#pragma once

#include <cstdint>
#include <string>

namespace tessaly {

// One row of the files list: the file's full path (native bytes, never
// re-encoded), its size text as FormatSizeKB gives it (what the saved files
// carry) and its size in bytes (what the list shows, see ShownSizeText).
struct IndexFileRow {
    std::string location;
    std::string sizeText;
    std::uint64_t bytes = 0;
};

}  // namespace tessaly
