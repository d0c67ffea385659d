#pragma once

#include <ctime>
#include <optional>

namespace tessaly {

// `t` in the local time zone (thread-safe); none when the system cannot say.
std::optional<std::tm> LocalTimeOf(std::time_t t);

}  // namespace tessaly
