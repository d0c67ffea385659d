#include "gui/context_menu.h"

#include <QAction>
#include <QMenu>
#include <span>
#include <string_view>

#include "core/actions/lookup_services.h"
#include "core/ui/texts.h"
#include "gui/models.h"

namespace tessaly {

namespace {

void SetState(QAction& action, ItemState state) {
    switch (state) {
        case ItemState::Enabled:
            action.setEnabled(true);
            break;
        case ItemState::Disabled:
            action.setEnabled(false);
            break;
        case ItemState::Untouched:
            break;
    }
}

}  // namespace

std::vector<QAction*> AddLookUpItems(QMenu& menu, QAction* before,
                                     std::span<const LookupService> services,
                                     const RunLookUp& run) {
    std::vector<QAction*> actions;
    for (const LookupService& service : services) {
        auto* action = new QAction(UiText(service.menuCaption), &menu);
        action->setObjectName(QString::fromStdString(ServiceObjectName(service)));
        // The item keeps its own copy: the list may be read anew while the
        // menu shows.
        QObject::connect(action, &QAction::triggered, &menu, [run, service] { run(service); });
        menu.insertAction(before, action);
        actions.push_back(action);
    }
    return actions;
}

void ApplyOffline(QAction& action, std::string_view offlineReason) {
    if (offlineReason.empty()) {
        action.setToolTip({});
        return;
    }
    action.setEnabled(false);
    action.setToolTip(UiText(offlineReason));
}

ContextMenu::ContextMenu(QWidget& parent, Run run, RunLookUp runLookUp)
    : menu_(new QMenu(&parent)), run_(std::move(run)), runLookUp_(std::move(runLookUp)) {
    menu_->setObjectName("mnuMain");
    menu_->setToolTipsVisible(true);
    const std::span<const MenuRow> rows = ContextMenuRows();
    actions_.assign(rows.size(), nullptr);
    QMenu* current = menu_;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const MenuRow& row = rows[i];
        switch (row.kind) {
            case MenuRowKind::Separator:
                current->addSeparator()->setObjectName(UiText(row.objectName));
                break;
            case MenuRowKind::SubmenuBegin:
                current = current->addMenu(UiText(CaptionOf(row)));
                current->setObjectName(UiText(row.objectName));
                current->setToolTipsVisible(true);
                break;
            case MenuRowKind::SubmenuEnd:
                current = menu_;
                break;
            case MenuRowKind::Services:
                servicesRow_ = &row;
                servicesMenu_ = current;
                servicesEnd_ = current->addAction(QString());
                servicesEnd_->setObjectName(UiText(row.objectName));
                servicesEnd_->setVisible(false);
                break;
            case MenuRowKind::Item: {
                QAction* action = current->addAction(UiText(CaptionOf(row)));
                action->setObjectName(UiText(row.objectName));
                QObject::connect(action, &QAction::triggered, menu_, [this, &row] { run_(row); });
                actions_[i] = action;
                break;
            }
        }
    }
}

void ContextMenu::setServices(std::span<const LookupService> services) {
    if (!servicesMenu_) return;
    for (QAction* action : serviceActions_) {
        servicesMenu_->removeAction(action);
        std::erase(waitingForRow_, action);
        action->deleteLater();
    }
    serviceActions_ = AddLookUpItems(*servicesMenu_, servicesEnd_, services, runLookUp_);
}

void ContextMenu::prepareFor(ListKind list, std::string_view offlineReason, bool rowSelected) {
    // What the last popup disabled only for want of a row comes back first.
    for (QAction* action : waitingForRow_) {
        action->setEnabled(true);
        action->setToolTip({});
    }
    waitingForRow_.clear();
    const auto needsRow = [&](QAction& action) {
        if (rowSelected || !action.isEnabled()) return;
        action.setEnabled(false);
        action.setToolTip(UiText(texts::kNoRowSelected));
        waitingForRow_.push_back(&action);
    };
    const std::span<const MenuRow> rows = ContextMenuRows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        QAction* action = actions_[i];
        if (!action) continue;
        SetState(*action, rows[i].stateOn(list));
        if (const std::string_view caption = rows[i].captionOn(list); !caption.empty()) {
            action->setText(UiText(caption));
        }
        if (OpensAnAddress(rows[i])) ApplyOffline(*action, offlineReason);
        if (ActsOnARow(rows[i])) needsRow(*action);
    }
    if (!servicesRow_) return;
    for (QAction* action : serviceActions_) {
        SetState(*action, servicesRow_->stateOn(list));
        ApplyOffline(*action, offlineReason);
        needsRow(*action);
    }
}

}  // namespace tessaly
