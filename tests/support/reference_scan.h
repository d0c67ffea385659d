#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly::test {

struct ReferenceRow {
    std::uint64_t position;
    std::string bytes;
    bool operator==(const ReferenceRow&) const = default;
};

// The contents scan done the slow, obvious way: at every position each
// prefix is read and compared in turn, and the scan stops after the first
// position whose last read ran past the end of the file. Tests compare the
// real scanner with it.
std::vector<ReferenceRow> ReferenceScan(std::string_view file);

}  // namespace tessaly::test
