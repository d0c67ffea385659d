#pragma once

#include <functional>
#include <span>
#include <string_view>
#include <vector>

#include "core/ui/list_kind.h"
#include "core/ui/menu_state.h"

class QAction;
class QMenu;
class QWidget;

namespace tessaly {

struct LookupService;

// Adds one item per look-up service to `menu`, in order, before `before`
// (at the end when null): each under its menu caption and object name
// (ServiceObjectName), running `run` with its service when chosen. Any
// list's menu that offers the look-ups builds them with this.
using RunLookUp = std::function<void(const LookupService&)>;
std::vector<QAction*> AddLookUpItems(QMenu& menu, QAction* before,
                                     std::span<const LookupService> services, const RunLookUp& run);

// Switches an item that opens an address off while look-ups are switched
// off, saying why in its tooltip; with no reason, the tooltip goes and the
// item keeps the state it has.
void ApplyOffline(QAction& action, std::string_view offlineReason);

// The lists' shared context menu, built from the rows of ContextMenuRows():
// a top-level menu never shown in the menu bar, used only as a popup.
class ContextMenu {
  public:
    // `run` is called with the row of the item the user chose, `runLookUp`
    // with the look-up service chosen.
    using Run = std::function<void(const MenuRow&)>;
    ContextMenu(QWidget& parent, Run run, RunLookUp runLookUp);
    ContextMenu(const ContextMenu&) = delete;
    ContextMenu& operator=(const ContextMenu&) = delete;

    QMenu* menu() const { return menu_; }

    // Puts one item per service where the table's Services row stands,
    // replacing the items there before.
    void setServices(std::span<const LookupService> services);

    // Sets the states and captions a right-click on `list` sets; items the
    // list does not touch keep what they had. With an `offlineReason`, every
    // item that opens an address is disabled with that reason as tooltip.
    // Without `rowSelected`, every item that acts on a row is disabled too,
    // saying so in its tooltip, for this popup only.
    void prepareFor(ListKind list, std::string_view offlineReason = {}, bool rowSelected = true);

  private:
    QMenu* menu_ = nullptr;
    std::vector<QAction*> actions_;  // one per row; null for all but items
    Run run_;
    RunLookUp runLookUp_;
    const MenuRow* servicesRow_ = nullptr;
    QMenu* servicesMenu_ = nullptr;
    QAction* servicesEnd_ = nullptr;  // an invisible item after the services
    std::vector<QAction*> serviceActions_;
    std::vector<QAction*> waitingForRow_;  // disabled by the last popup for want of a row
};

}  // namespace tessaly
