#pragma once

#include <QWidget>

namespace tessaly {

class Shell;

// The About box: non-modal, owned by the main window, deleted when closed.
QWidget* CreateAboutDialog(QWidget* owner, Shell& shell);

}  // namespace tessaly
