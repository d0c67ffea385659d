#pragma once

#include <string>

namespace tessaly {

// The short (8.3) form of the path of an existing file: each component replaced by its
// alias where the volume keeps one.
//
// On Windows this asks GetShortPathNameW with a buffer one longer than the path, and when
// the call reports a larger size (an alias can be longer than its name, as for "a b") asks
// again with the size reported; it gives "" when the file does not exist or the call fails.
// Other systems have no short names: the long path comes back unchanged.
std::string GetDosPath(const std::string& longPath);

}  // namespace tessaly
