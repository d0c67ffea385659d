#include <cerrno>

#include "platform/result.h"

namespace tessaly {

SystemError SystemError::Last() { return FromNumber(errno); }

}  // namespace tessaly
