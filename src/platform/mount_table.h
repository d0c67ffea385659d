#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

// True for the kernel's virtual file systems (proc, sysfs, devpts, cgroup, debugfs, ...)
// and for automounters, which a folder walk never enters.
bool IsVirtualFileSystem(std::string_view type);

// The mount points, decoded, of the virtual file systems in a mount table written in the
// layout of Linux's /proc/self/mountinfo. When several mounts share a mount point the last
// one listed, the one that is seen, decides.
std::vector<std::string> VirtualMountPoints(std::string_view mountinfo);

// The virtual mount points of this process that lie below `folder` (an existing folder,
// named with or without a trailing separator), each relative to it: "proc" and "sys"
// for "/". Empty where the mount table cannot be read.
std::vector<std::string> VirtualMountsBelow(const std::string& folder);

}  // namespace tessaly
