#include "gui/records_view.h"

#include <QComboBox>
#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QTimeZone>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>

#include "core/extract/codepage.h"
#include "core/ui/texts.h"
#include "gui/models.h"

namespace tessaly {

namespace {

RecordColumn ColumnOf(int section) { return static_cast<RecordColumn>(section); }

bool IsTimeColumn(RecordColumn c) {
    return c == RecordColumn::FirstTime || c == RecordColumn::SecondTime ||
           c == RecordColumn::Expires || c == RecordColumn::LastChecked;
}

}  // namespace

// ------------------------------------------------------------------ model

int RecordsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(list_.shown());
}

int RecordsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(kRecordColumns);
}

QVariant RecordsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !list_.hasTable()) return {};
    const std::size_t record = list_.recordAt(static_cast<std::size_t>(index.row()));
    const RecordTable& table = list_.table();
    const RecordColumn column = ColumnOf(index.column());
    switch (role) {
        case Qt::DisplayRole:
            return EntryText(RecordCellText(table, record, column, showsLocal(column)));
        case Qt::BackgroundRole:
            // The Status column says it in words; the colour only helps the eye.
            switch (table.status(record)) {
                case RecordStatus::Recovered:
                    return QColor(255, 236, 200);
                case RecordStatus::Listed:
                    return QColor(214, 230, 255);
                case RecordStatus::Live:
                case RecordStatus::Fragment:
                    break;
            }
            return {};
        case Qt::TextAlignmentRole:
            if (column == RecordColumn::Hits || column == RecordColumn::Size)
                return QVariant(Qt::AlignRight | Qt::AlignVCenter);
            return {};
        default:
            return {};
    }
}

QVariant RecordsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 ||
        section >= static_cast<int>(kRecordColumns)) {
        return {};
    }
    const RecordColumn column = ColumnOf(section);
    const QString name = UiText(RecordColumnName(column, kind_));
    if (role == Qt::DisplayRole) return name;
    if (role != Qt::ToolTipRole || !IsTimeColumn(column)) return {};
    if (name.endsWith(QStringLiteral("(local)")))
        return QStringLiteral("The writer's local time, as stored (its zone is unknown)");
    return showsLocal(column) ? QStringLiteral("In this computer's local time (View menu)")
                              : QStringLiteral("In UTC");
}

bool RecordsModel::showsLocal(RecordColumn column) const {
    // A column whose name gives its zone keeps to it whatever the switch says.
    return localZone_ && !RecordColumnName(column, kind_).ends_with("(UTC)");
}

bool RecordsModel::columnUsed(int column) const {
    return !RecordColumnName(ColumnOf(column), kind_).empty();
}

void RecordsModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= static_cast<int>(kRecordColumns)) return;
    beginResetModel();
    list_.sort(ColumnOf(column), order == Qt::AscendingOrder);
    endResetModel();
}

void RecordsModel::setTable(std::shared_ptr<const RecordTable> table) {
    beginResetModel();
    kind_ = table ? table->mainKind() : RecordKind::Cache;
    list_.setTable(std::move(table));
    endResetModel();
    emit headerDataChanged(Qt::Horizontal, 0, static_cast<int>(kRecordColumns) - 1);
}

void RecordsModel::setFilter(const RecordFilter& filter) {
    if (filter == list_.filter()) return;
    beginResetModel();
    list_.setFilter(filter);
    endResetModel();
}

void RecordsModel::setLocalZone(bool local) {
    if (local == localZone_) return;
    localZone_ = local;
    emit headerDataChanged(Qt::Horizontal, 0, static_cast<int>(kRecordColumns) - 1);
    if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

// --------------------------------------------------------------- timeline

TimelineBar::TimelineBar(QWidget* parent) : QWidget(parent) {
    setObjectName("timelineRecords");
    setMouseTracking(true);
    setMinimumHeight(48);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize TimelineBar::sizeHint() const { return {400, 56}; }

void TimelineBar::setTimeline(Timeline timeline) {
    timeline_ = std::move(timeline);
    chosen_.reset();
    pressBar_.reset();
    update();
}

std::optional<std::pair<std::int64_t, std::int64_t>> TimelineBar::range() const {
    if (!chosen_) return std::nullopt;
    const auto [first, last] = *chosen_;
    return std::make_pair(timeline_.start + static_cast<std::int64_t>(first) * timeline_.step,
                          timeline_.start + static_cast<std::int64_t>(last + 1) * timeline_.step);
}

void TimelineBar::chooseBars(std::size_t first, std::size_t last) {
    if (timeline_.counts.empty()) return;
    const std::size_t end = timeline_.counts.size() - 1;
    chosen_ = std::make_pair(std::min({first, last, end}), std::min(std::max(first, last), end));
    update();
    emit rangeChanged();
}

void TimelineBar::clearRange() {
    if (!chosen_) return;
    chosen_.reset();
    update();
    emit rangeChanged();
}

std::optional<std::size_t> TimelineBar::barAt(int x) const {
    const std::size_t bars = timeline_.counts.size();
    if (bars == 0 || width() <= 0) return std::nullopt;
    const int clamped = std::clamp(x, 0, width() - 1);
    return static_cast<std::size_t>(static_cast<double>(clamped) * static_cast<double>(bars) /
                                    width());
}

QString TimelineBar::barText(std::size_t bar) const {
    const std::int64_t start = timeline_.start + static_cast<std::int64_t>(bar) * timeline_.step;
    const QDateTime at = QDateTime::fromSecsSinceEpoch(start, QTimeZone::utc());
    const QString when =
        timeline_.step == 3600
            ? at.toString(QStringLiteral("yyyy-MM-dd HH:00")) + QStringLiteral(" UTC")
            : at.toString(QStringLiteral("yyyy-MM-dd")) +
                  (timeline_.step > 86400 ? QStringLiteral(" (%1 days)").arg(timeline_.step / 86400)
                                          : QString());
    return when + QStringLiteral(": %1 records").arg(timeline_.counts[bar]);
}

void TimelineBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    p.setPen(palette().mid().color());
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    const std::size_t bars = timeline_.counts.size();
    if (bars == 0 || timeline_.highest == 0) return;
    const int w = width();
    const int h = height() - 4;
    // One pass over the pixel columns: each shows the highest bar it covers,
    // so a million records or a hundred thousand bars draw as fast as ten.
    for (int x = 0; x < w; ++x) {
        const auto from = static_cast<std::size_t>(static_cast<double>(x) * bars / w);
        auto to = static_cast<std::size_t>(static_cast<double>(x + 1) * bars / w);
        to = std::max(to, from + 1);
        std::uint32_t high = 0;
        for (std::size_t b = from; b < to && b < bars; ++b)
            high = std::max(high, timeline_.counts[b]);
        const bool inRange = chosen_ && from <= chosen_->second && to - 1 >= chosen_->first;
        if (inRange) p.fillRect(x, 1, 1, height() - 2, QColor(255, 244, 190));
        if (high == 0) continue;
        const int barHeight =
            std::max(1, static_cast<int>(static_cast<double>(high) * h / timeline_.highest));
        p.fillRect(x, height() - 2 - barHeight, 1, barHeight,
                   inRange ? QColor(200, 120, 0) : QColor(60, 100, 170));
    }
    // Where the bars begin and end, in small print at the top corners.
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.8);
    p.setFont(small);
    p.setPen(palette().text().color());
    const auto day = [](std::int64_t seconds) {
        return QDateTime::fromSecsSinceEpoch(seconds, QTimeZone::utc())
            .toString(QStringLiteral("yyyy-MM-dd"));
    };
    const std::int64_t end = timeline_.start + static_cast<std::int64_t>(bars) * timeline_.step - 1;
    const QRect text = rect().adjusted(4, 2, -4, -2);
    p.drawText(text, Qt::AlignLeft | Qt::AlignTop, day(timeline_.start));
    p.drawText(text, Qt::AlignRight | Qt::AlignTop,
               day(end) + (timeline_.step == 3600 ? QStringLiteral(" (UTC, per hour)")
                                                  : QStringLiteral(" (UTC, per day)")));
}

void TimelineBar::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    pressBar_ = barAt(static_cast<int>(event->position().x()));
    dragged_ = false;
}

void TimelineBar::mouseMoveEvent(QMouseEvent* event) {
    const auto bar = barAt(static_cast<int>(event->position().x()));
    if (bar) QToolTip::showText(event->globalPosition().toPoint(), barText(*bar), this);
    if (pressBar_ && bar && (event->buttons() & Qt::LeftButton) && *bar != *pressBar_) {
        dragged_ = true;
        chosen_ = std::make_pair(std::min(*bar, *pressBar_), std::max(*bar, *pressBar_));
        update();
    }
}

void TimelineBar::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressBar_) return;
    const auto bar = barAt(static_cast<int>(event->position().x()));
    const std::size_t pressed = *pressBar_;
    pressBar_.reset();
    if (dragged_ && bar) {
        chooseBars(pressed, *bar);
    } else {
        clearRange();
    }
}

// ------------------------------------------------------------------ panel

RecordsPanel::RecordsPanel(QWidget* parent) : QWidget(parent) {
    setObjectName("pnlRecords");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(3);

    auto* row = new QHBoxLayout;
    filter_ = new QLineEdit(this);
    filter_->setObjectName("txtFilterRecords");
    filter_->setPlaceholderText(UiText(texts::kFilterPlaceholder));
    filter_->setClearButtonEnabled(true);
    status_ = new QComboBox(this);
    status_->setObjectName("cboStatus");
    status_->addItem(UiText(texts::kAllStatuses));
    for (RecordStatus s : {RecordStatus::Live, RecordStatus::Listed, RecordStatus::Recovered})
        status_->addItem(UiText(StatusName(s)), static_cast<int>(s));
    type_ = new QComboBox(this);
    type_->setObjectName("cboType");
    type_->addItem(UiText(texts::kAllTypes));
    for (RecordType t : {RecordType::Url, RecordType::Redirect, RecordType::Leak})
        type_->addItem(UiText(TypeName(t)), static_cast<int>(t));
    row->addWidget(filter_, 1);
    row->addWidget(status_);
    row->addWidget(type_);
    layout->addLayout(row);

    timeline_ = new TimelineBar(this);
    layout->addWidget(timeline_);

    model_ = new RecordsModel(this);
    table_ = new ReportList(this);
    table_->setObjectName("lvwRecords");
    table_->setModel(model_);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setSortingEnabled(true);
    // Unsorted (file order) until a header is clicked.
    table_->header()->setSortIndicatorShown(false);
    table_->header()->setSortIndicator(-1, Qt::AscendingOrder);
    connect(table_->header(), &QHeaderView::sortIndicatorChanged, this,
            [this] { table_->header()->setSortIndicatorShown(true); });
    layout->addWidget(table_, 1);

    // A sort or a filter keeps the records selected that still show, and the
    // current one in view.
    connect(model_, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        keptSelection_ = selectedRecords();
        keptCurrent_ = currentRecord();
    });
    connect(model_, &QAbstractItemModel::modelReset, this, &RecordsPanel::restoreSelection);
    connect(filter_, &QLineEdit::textChanged, this, &RecordsPanel::applyFilter);
    connect(status_, &QComboBox::currentIndexChanged, this, &RecordsPanel::applyFilter);
    connect(type_, &QComboBox::currentIndexChanged, this, &RecordsPanel::applyFilter);
    connect(timeline_, &TimelineBar::rangeChanged, this, &RecordsPanel::applyFilter);
}

void RecordsPanel::setTable(std::shared_ptr<const RecordTable> table, Timeline timeline) {
    {
        const QSignalBlocker a(filter_), b(status_), c(type_), d(timeline_);
        filter_->clear();
        status_->setCurrentIndex(0);
        type_->setCurrentIndex(0);
        timeline_->setTimeline(std::move(timeline));
    }
    // Nothing selected is kept into another file's records.
    table_->selectionModel()->clear();
    table_->header()->setSortIndicator(-1, Qt::AscendingOrder);
    table_->header()->setSortIndicatorShown(false);
    model_->setTable(std::move(table));
    showColumns();
    emit shownChanged();
}

void RecordsPanel::showColumns() {
    for (int c = 0; c < model_->columnCount(); ++c)
        table_->setColumnHidden(c, !model_->columnUsed(c));
    // Times fit whole, with their header; the URL gets the most room.
    const QFontMetrics metrics = table_->fontMetrics();
    const int time = metrics.horizontalAdvance(QStringLiteral("0000-00-00 00:00:00")) + 16;
    for (RecordColumn c : {RecordColumn::FirstTime, RecordColumn::SecondTime, RecordColumn::Expires,
                           RecordColumn::LastChecked}) {
        const int column = static_cast<int>(c);
        const int header =
            metrics.horizontalAdvance(
                model_->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString()) +
            24;
        table_->setColumnWidth(column, std::max(time, header));
    }
    table_->setColumnWidth(static_cast<int>(RecordColumn::Type),
                           metrics.horizontalAdvance(QStringLiteral("REDR")) + 24);
    table_->setColumnWidth(static_cast<int>(RecordColumn::Status),
                           metrics.horizontalAdvance(QStringLiteral("recovered")) + 24);
    table_->setColumnWidth(static_cast<int>(RecordColumn::Url), 360);
}

void RecordsPanel::applyFilter() {
    RecordFilter filter;
    // The filter matches stored bytes (Windows-1252).
    const std::optional<std::string> bytes = Utf8ToCp1252(filter_->text().toStdString());
    filter.text = bytes.value_or(std::string());
    filter.textUnmatchable = !bytes;
    if (status_->currentIndex() > 0)
        filter.status = static_cast<RecordStatus>(status_->currentData().toInt());
    if (type_->currentIndex() > 0)
        filter.type = static_cast<RecordType>(type_->currentData().toInt());
    filter.range = timeline_->range();
    model_->setFilter(filter);
    emit shownChanged();
}

void RecordsPanel::restoreSelection() {
    std::vector<std::size_t> kept = std::exchange(keptSelection_, {});
    const std::optional<std::size_t> current = std::exchange(keptCurrent_, std::nullopt);
    if (kept.empty() || !model_->list().hasTable()) return;
    // Each kept record's row, then runs of neighbouring rows as one range.
    const RecordList& list = model_->list();
    std::vector<std::int32_t> rowOf(list.total(), -1);
    for (std::size_t row = 0; row < list.shown(); ++row)
        rowOf[list.recordAt(row)] = static_cast<std::int32_t>(row);
    std::vector<int> rows;
    for (const std::size_t record : kept) {
        if (record < rowOf.size() && rowOf[record] >= 0) rows.push_back(rowOf[record]);
    }
    std::sort(rows.begin(), rows.end());
    QItemSelection selection;
    const int last = model_->columnCount() - 1;
    for (std::size_t i = 0; i < rows.size();) {
        std::size_t j = i;
        while (j + 1 < rows.size() && rows[j + 1] == rows[j] + 1) ++j;
        selection.select(model_->index(rows[i], 0), model_->index(rows[j], last));
        i = j + 1;
    }
    QItemSelectionModel* model = table_->selectionModel();
    model->select(selection, QItemSelectionModel::ClearAndSelect);
    if (current && *current < rowOf.size() && rowOf[*current] >= 0) {
        const QModelIndex index = model_->index(rowOf[*current], 0);
        model->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        table_->scrollTo(index);
    }
}

std::vector<std::size_t> RecordsPanel::selectedRecords() const {
    std::vector<std::size_t> out;
    const QItemSelectionModel* selection = table_->selectionModel();
    if (!selection) return out;
    QModelIndexList rows = selection->selectedRows();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    for (const QModelIndex& index : rows)
        out.push_back(model_->list().recordAt(static_cast<std::size_t>(index.row())));
    return out;
}

std::optional<std::size_t> RecordsPanel::currentRecord() const {
    const QModelIndex current = table_->currentIndex();
    const QItemSelectionModel* selection = table_->selectionModel();
    if (current.isValid() && selection && selection->isRowSelected(current.row())) {
        return model_->list().recordAt(static_cast<std::size_t>(current.row()));
    }
    const auto selected = selectedRecords();
    if (selected.empty()) return std::nullopt;
    return selected.front();
}

QString RecordsPanel::countText() const {
    return QString::number(model_->list().shown()) + UiText(texts::kOfRecords) +
           QString::number(model_->total()) + UiText(texts::kRecordsWord);
}

}  // namespace tessaly
