#pragma once

#include <cstdint>

namespace tessaly {

// The memory this process may fill before the system refuses it: physical
// memory, or less where a limit of the process (address space, data size) or
// of its control group (memory.max) says so. 0 when none of them is known.
std::uint64_t UsableMemoryBytes();

}  // namespace tessaly
