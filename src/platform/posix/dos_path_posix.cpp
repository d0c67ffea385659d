#include "platform/dos_path.h"

namespace tessaly {

std::string GetDosPath(const std::string& longPath) { return longPath; }

}  // namespace tessaly
