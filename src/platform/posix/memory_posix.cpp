#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <fstream>
#include <string>

#include "platform/memory.h"

namespace tessaly {
namespace {

// Lowers `least` to `value` when `value` is known (not 0) and smaller.
void Lower(std::uint64_t& least, std::uint64_t value) {
    if (value != 0 && (least == 0 || value < least)) least = value;
}

std::uint64_t PhysicalBytes() {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return 0;
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
}

std::uint64_t SoftLimit(int resource) {
    rlimit limit{};
    if (::getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return 0;
    return static_cast<std::uint64_t>(limit.rlim_cur);
}

// memory.max of this process's control group (cgroup v2); 0 for "max" or
// when there is none.
std::uint64_t ControlGroupLimit() {
    std::ifstream groups("/proc/self/cgroup");
    std::string line;
    while (std::getline(groups, line)) {
        if (!line.starts_with("0::")) continue;
        std::ifstream max("/sys/fs/cgroup" + line.substr(3) + "/memory.max");
        std::string text;
        if (!(max >> text)) return 0;
        std::uint64_t value = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
        return ec == std::errc() && end == text.data() + text.size() ? value : 0;
    }
    return 0;
}

}  // namespace

std::uint64_t UsableMemoryBytes() {
    std::uint64_t least = 0;
    Lower(least, PhysicalBytes());
    Lower(least, SoftLimit(RLIMIT_AS));
    Lower(least, SoftLimit(RLIMIT_DATA));
    Lower(least, ControlGroupLimit());
    return least;
}

}  // namespace tessaly
