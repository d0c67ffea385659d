#pragma once

#include <cstdint>
#include <string>

namespace tessaly {

// One row of the files list: the file's full path (native bytes, never
// re-encoded) and its size text as FormatSizeKB gives it.
struct IndexFileRow {
    std::string location;
    std::string sizeText;
};

}  // namespace tessaly
