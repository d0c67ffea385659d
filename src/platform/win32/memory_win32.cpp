#include <windows.h>

#include "platform/memory.h"

namespace tessaly {

std::uint64_t UsableMemoryBytes() {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (!::GlobalMemoryStatusEx(&status)) return 0;
    const std::uint64_t physical = status.ullTotalPhys;
    const std::uint64_t virtualSpace = status.ullTotalVirtual;
    if (physical == 0) return virtualSpace;
    return virtualSpace != 0 && virtualSpace < physical ? virtualSpace : physical;
}

}  // namespace tessaly
