#include "platform/mount_table.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <utility>

namespace tessaly {

namespace {

// Splits off the next space-separated field of `line`.
std::string_view NextField(std::string_view& line) {
    const std::size_t start = std::min(line.find_first_not_of(' '), line.size());
    const std::size_t end = std::min(line.find(' ', start), line.size());
    const std::string_view field = line.substr(start, end - start);
    line.remove_prefix(end);
    return field;
}

// Mount points escape space, tab, newline and backslash as \ooo (octal).
std::string DecodeOctalEscapes(std::string_view text) {
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto isOctal = [&](std::size_t at) { return text[at] >= '0' && text[at] <= '7'; };
        const bool escape = text[i] == '\\' && i + 3 < text.size() && isOctal(i + 1) &&
                            isOctal(i + 2) && isOctal(i + 3);
        if (escape) {
            decoded += static_cast<char>((text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 +
                                         (text[i + 3] - '0'));
            i += 3;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

}  // namespace

bool IsVirtualFileSystem(std::string_view type) {
    static constexpr std::array<std::string_view, 22> kTypes{
        "proc",      "sysfs",      "devpts",    "devtmpfs",    "mqueue", "cgroup",
        "cgroup2",   "debugfs",    "tracefs",   "securityfs",  "pstore", "bpf",
        "configfs",  "fusectl",    "hugetlbfs", "binfmt_misc", "autofs", "efivarfs",
        "selinuxfs", "rpc_pipefs", "nsfs",      "nfsd"};
    return std::find(kTypes.begin(), kTypes.end(), type) != kTypes.end();
}

std::vector<std::string> VirtualMountPoints(std::string_view mountinfo) {
    // Each line: id parent major:minor root mount-point options [optional...] - type source ...
    std::vector<std::pair<std::string, bool>> mounts;
    while (!mountinfo.empty()) {
        const std::size_t end = std::min(mountinfo.find('\n'), mountinfo.size());
        std::string_view line = mountinfo.substr(0, end);
        mountinfo.remove_prefix(std::min(end + 1, mountinfo.size()));

        for (int skipped = 0; skipped < 4; ++skipped) NextField(line);
        std::string point = DecodeOctalEscapes(NextField(line));
        std::string_view field;
        do {
            field = NextField(line);
        } while (!field.empty() && field != "-");
        const std::string_view type = NextField(line);
        if (point.empty() || type.empty()) continue;

        const bool isVirtual = IsVirtualFileSystem(type);
        auto known = std::find_if(mounts.begin(), mounts.end(),
                                  [&](const auto& mount) { return mount.first == point; });
        if (known != mounts.end()) {
            known->second = isVirtual;
        } else {
            mounts.emplace_back(std::move(point), isVirtual);
        }
    }
    std::vector<std::string> points;
    for (auto& [point, isVirtual] : mounts) {
        if (isVirtual) points.push_back(std::move(point));
    }
    return points;
}

std::vector<std::string> VirtualMountsBelow(const std::string& folder) {
    std::vector<std::string> below;
#ifdef __linux__
    std::ifstream table("/proc/self/mountinfo", std::ios::binary);
    if (!table) return below;
    const std::string text{std::istreambuf_iterator<char>(table), std::istreambuf_iterator<char>()};
    const std::unique_ptr<char, decltype(&std::free)> canonical(realpath(folder.c_str(), nullptr),
                                                                &std::free);
    if (!canonical) return below;
    std::string base = canonical.get();
    if (base.back() != '/') base += '/';
    for (const std::string& point : VirtualMountPoints(text)) {
        if (point.size() > base.size() && point.starts_with(base)) {
            below.push_back(point.substr(base.size()));
        }
    }
#else
    (void)folder;
#endif
    return below;
}

}  // namespace tessaly
