#include "gui/widgets.h"

#include <QAbstractProxyModel>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QFile>
#include <QHeaderView>
#include <QHelpEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include "gui/models.h"

namespace tessaly {

ReportList::ReportList(QWidget* parent) : QTableView(parent) {
    setShowGrid(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 2);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
}

QString ReportList::toolTipFor(const QModelIndex& index) const {
    if (!index.isValid()) return {};
    const QString tip = index.data(Qt::ToolTipRole).toString();
    if (!tip.isEmpty()) return tip;
    // Cut where the text runs past the part of its cell on screen, or its
    // start lies scrolled off to the left.
    const QRect cell = visualRect(index) & viewport()->rect();
    const bool cut = visualRect(index).left() < 0 || sizeHintForIndex(index).width() > cell.width();
    return cut ? index.data(Qt::DisplayRole).toString() : QString();
}

QModelIndex ReportList::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    // Home and End go to the first and last row, as in any list.
    if (action == MoveHome || action == MoveEnd) modifiers |= Qt::ControlModifier;
    return QTableView::moveCursor(action, modifiers);
}

bool ReportList::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QTableView::viewportEvent(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex index = indexAt(help->pos());
    const QString tip = toolTipFor(index);
    if (tip.isEmpty()) {
        QToolTip::hideText();
    } else {
        QToolTip::showText(help->globalPos(), tip, viewport(), visualRect(index));
    }
    return true;
}

namespace {

// A ClickLabel made a button, as assistive tools see it: a button that can
// be pressed, named by its accessible name or else by its caption read
// without the arrows of "<< Back".
class LabelButtonAccessible final : public QAccessibleWidget {
  public:
    explicit LabelButtonAccessible(ClickLabel* label)
        : QAccessibleWidget(label, QAccessible::Button), label_(label) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && label_->accessibleName().isEmpty()) {
            return label_->text().remove(QStringLiteral("<<")).trimmed();
        }
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (name == pressAction() && label_->isEnabled()) label_->click();
    }

  private:
    ClickLabel* label_;
};

QAccessibleInterface* LabelButtonFactory(const QString& /*className*/, QObject* object) {
    auto* label = qobject_cast<ClickLabel*>(object);
    return label && label->isButton() ? new LabelButtonAccessible(label) : nullptr;
}

}  // namespace

void ClickLabel::makeButton(const QString& name, const QString& description) {
    static const bool installed = [] {
        QAccessible::installFactory(LabelButtonFactory);
        return true;
    }();
    (void)installed;
    button_ = true;
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(name);
    setAccessibleDescription(description);
}

void ClickLabel::keyPressEvent(QKeyEvent* event) {
    const bool press = event->key() == Qt::Key_Space || event->key() == Qt::Key_Return ||
                       event->key() == Qt::Key_Enter;
    // A held key does not press again: Enter held in "Search in" must not
    // stop the search it started once the focus has moved to Stop.
    if (button_ && press && event->modifiers() == Qt::NoModifier && !event->isAutoRepeat()) {
        event->accept();
        emit clicked();
        return;
    }
    QLabel::keyPressEvent(event);
}

void ClickLabel::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (!button_ || !hasFocus()) return;
    // A dotted frame inside the border, in the caption's colour, so it shows
    // on the light and on the dark (pointer over it) button alike.
    QPainter painter(this);
    QPen pen(palette().color(QPalette::WindowText));
    pen.setStyle(Qt::DotLine);
    painter.setPen(pen);
    painter.drawRect(rect().adjusted(3, 3, -4, -4));
}

void ClickLabel::leaveEvent(QEvent* event) {
    emit left();
    QLabel::leaveEvent(event);
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
    }
    event->accept();
}

void ClickLabel::mouseMoveEvent(QMouseEvent* event) {
    emit hovered();
    event->accept();
}

void PathField::setPath(const std::string& nativePath) {
    path_ = nativePath;
    shown_ = PathText(nativePath);
    setText(shown_);
}

std::string PathField::path() const {
    const QString shown = text();
    return shown == shown_ ? path_ : QFile::encodeName(shown).toStdString();
}

ListKey ListKeyOf(const QKeyEvent& event, bool filesList) {
    const Qt::KeyboardModifiers mods = event.modifiers() & ~Qt::KeypadModifier;
    if ((event.key() == Qt::Key_Menu && mods == Qt::NoModifier) ||
        (event.key() == Qt::Key_F10 && mods == Qt::ShiftModifier)) {
        return ListKey::Popup;
    }
    if (filesList && (event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter) &&
        mods == Qt::NoModifier) {
        return ListKey::View;
    }
    return ListKey::Other;
}

int SelectedSourceRow(const QAbstractItemView& view) {
    const QItemSelectionModel* selection = view.selectionModel();
    if (!selection) return -1;
    QModelIndex index;
    const auto rows = selection->selectedRows();
    if (!rows.isEmpty()) {
        index = rows.first();
    } else if (view.currentIndex().isValid() && selection->isSelected(view.currentIndex())) {
        index = view.currentIndex();
    }
    while (index.isValid()) {
        const auto* proxy = qobject_cast<const QAbstractProxyModel*>(index.model());
        if (!proxy) break;
        index = proxy->mapToSource(index);
    }
    return index.isValid() ? index.row() : -1;
}

}  // namespace tessaly
