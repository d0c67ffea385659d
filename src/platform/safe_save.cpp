#include "platform/safe_save.h"

namespace tessaly {

std::string ReadFileConflict(const FileIdentity& output, std::span<const std::string> readFrom) {
    for (const std::string& path : readFrom) {
        if (IdentityOfPath(path) == output) return "It is the file being read (" + path + ")";
    }
    return {};
}

}  // namespace tessaly
