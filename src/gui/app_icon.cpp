#include "gui/app_icon.h"

#include <QString>
#include <array>

// The resource's registration sits in a static library: without this call
// the linker drops it and the icon comes out empty.
static void InitIconResource() { Q_INIT_RESOURCE(icons); }

namespace tessaly {

QIcon AppIcon() {
    static const bool registered = (InitIconResource(), true);
    (void)registered;
    constexpr std::array kSizes{16, 32, 48, 64, 128, 256};
    QIcon icon;
    for (const int size : kSizes) {
        icon.addFile(QStringLiteral(":/icons/%1x%1/tessaly.png").arg(size), QSize(size, size));
    }
    return icon;
}

}  // namespace tessaly
