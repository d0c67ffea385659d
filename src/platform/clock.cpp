#include "platform/clock.h"

namespace tessaly {

std::optional<std::tm> LocalTimeOf(std::time_t t) {
    std::tm local{};
#ifdef _WIN32
    if (::localtime_s(&local, &t) != 0) return std::nullopt;
#else
    if (::localtime_r(&t, &local) == nullptr) return std::nullopt;
#endif
    return local;
}

}  // namespace tessaly
