#include "gui/context_menu.h"

#include <QAction>
#include <QMenu>
#include <span>
#include <string_view>

#include "gui/models.h"

namespace tessaly {

ContextMenu::ContextMenu(QWidget& parent, Run run)
    : menu_(new QMenu(&parent)), run_(std::move(run)) {
    menu_->setObjectName("mnuMain");
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
                break;
            case MenuRowKind::SubmenuEnd:
                current = menu_;
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

void ContextMenu::prepareFor(ListKind list) {
    const std::span<const MenuRow> rows = ContextMenuRows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        QAction* action = actions_[i];
        if (!action) continue;
        switch (rows[i].stateOn(list)) {
            case ItemState::Enabled:
                action->setEnabled(true);
                break;
            case ItemState::Disabled:
                action->setEnabled(false);
                break;
            case ItemState::Untouched:
                break;
        }
        if (const std::string_view caption = rows[i].captionOn(list); !caption.empty()) {
            action->setText(UiText(caption));
        }
    }
}

}  // namespace tessaly
