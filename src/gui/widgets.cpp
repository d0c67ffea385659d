#include "gui/widgets.h"

#include <QAbstractProxyModel>
#include <QFile>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMouseEvent>

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
