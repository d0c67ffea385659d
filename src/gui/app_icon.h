#pragma once

#include <QIcon>

namespace tessaly {

// Tessaly's mark at every hicolor size the program carries (16 to 256
// pixels), from the resources linked into the program.
QIcon AppIcon();

}  // namespace tessaly
