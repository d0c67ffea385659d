#pragma once

#include <functional>
#include <vector>

#include "core/ui/list_kind.h"
#include "core/ui/menu_state.h"

class QAction;
class QMenu;
class QWidget;

namespace tessaly {

// The lists' shared context menu, built from the rows of ContextMenuRows():
// a top-level menu never shown in the menu bar, used only as a popup.
class ContextMenu {
  public:
    // `run` is called with the row of the item the user chose.
    using Run = std::function<void(const MenuRow&)>;
    ContextMenu(QWidget& parent, Run run);
    ContextMenu(const ContextMenu&) = delete;
    ContextMenu& operator=(const ContextMenu&) = delete;

    QMenu* menu() const { return menu_; }

    // Sets the states and captions a right-click on `list` sets; items the
    // list does not touch keep what they had.
    void prepareFor(ListKind list);

  private:
    QMenu* menu_ = nullptr;
    std::vector<QAction*> actions_;  // one per row; null for all but items
    Run run_;
};

}  // namespace tessaly
