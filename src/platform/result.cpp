#include "platform/result.h"

#include <system_error>

namespace tessaly {

SystemError SystemError::FromNumber(int number) {
    return {number, std::generic_category().message(number)};
}

}  // namespace tessaly
