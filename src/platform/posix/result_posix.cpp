#include <cerrno>
#include <system_error>

#include "platform/result.h"

namespace tessaly {

SystemError SystemError::FromNumber(int number) {
    return {number, std::generic_category().message(number)};
}

SystemError SystemError::Last() { return FromNumber(errno); }

}  // namespace tessaly
