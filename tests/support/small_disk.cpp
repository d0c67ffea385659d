#include "support/small_disk.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

namespace tessaly::test {

SmallDisk::SmallDisk(std::string folder, unsigned sizeKiB) : folder_(std::move(folder)) {
    const std::string options = "size=" + std::to_string(sizeKiB) + "k,mode=0777";
    mounted_ = ::mount("tmpfs", folder_.c_str(), "tmpfs", 0, options.c_str()) == 0;
}

SmallDisk::~SmallDisk() {
    if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
}

bool SmallDisk::fill() const {
    const std::string path = folder_ + "/filler";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return errno == ENOSPC;
    const std::vector<char> chunk(512, 'f');
    bool full = false;
    for (;;) {
        const ssize_t n = ::write(fd, chunk.data(), chunk.size());
        if (n < 0) {
            full = errno == ENOSPC;
            break;
        }
    }
    ::close(fd);
    return full;
}

}  // namespace tessaly::test
