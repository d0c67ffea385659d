#pragma once

// An anonymous in-memory file that each run of a fuzz target refills, so
// that a target can read its input through the path of a real file.

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace tessaly::fuzz {

// Makes the file hold exactly `bytes` and returns a path that opens it.
inline std::string MemoryFileWith(std::string_view bytes) {
    static const int fd = ::memfd_create("index.dat", MFD_CLOEXEC);
    if (fd < 0 || ::ftruncate(fd, 0) != 0 ||
        ::pwrite(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size())) {
        std::perror("fuzz: cannot fill the in-memory file");
        std::abort();
    }
    return "/proc/self/fd/" + std::to_string(fd);
}

}  // namespace tessaly::fuzz
