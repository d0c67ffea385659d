#pragma once

#include <QAbstractTableModel>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "core/records/record_list.h"
#include "gui/widgets.h"

class QComboBox;
class QLineEdit;

namespace tessaly {

// The records list over a RecordList: sorting and filtering happen there, so
// a row of this model is a shown row and recordAt() gives its record. No
// proxy stands between the view and this model.
class RecordsModel final : public QAbstractTableModel {
    Q_OBJECT
  public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int column, Qt::SortOrder order) override;

    void setTable(std::shared_ptr<const RecordTable> table);
    void clear() { setTable(nullptr); }
    void setFilter(const RecordFilter& filter);
    void setLocalZone(bool local);
    bool localZone() const { return localZone_; }

    const RecordList& list() const { return list_; }
    std::size_t total() const { return list_.total(); }
    // The column a header stands for is hidden when this file's kind has no
    // such time.
    bool columnUsed(int column) const;

  private:
    // Whether a time column shows this computer's zone rather than UTC.
    bool showsLocal(RecordColumn column) const;

    RecordList list_;
    RecordKind kind_ = RecordKind::Cache;
    bool localZone_ = false;
};

// Records per hour or day as bars. Hovering a bar shows its time and count;
// dragging across bars chooses a time range; a click that does not drag
// clears it.
class TimelineBar final : public QWidget {
    Q_OBJECT
  public:
    explicit TimelineBar(QWidget* parent = nullptr);
    void setTimeline(Timeline timeline);
    const Timeline& timeline() const { return timeline_; }
    // The chosen range (UTC seconds, end excluded), if any.
    std::optional<std::pair<std::int64_t, std::int64_t>> range() const;
    // Chooses the bars from `first` to `last` as a drag would; clearRange() as
    // a click would.
    void chooseBars(std::size_t first, std::size_t last);
    void clearRange();
    QSize sizeHint() const override;

  signals:
    void rangeChanged();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    std::optional<std::size_t> barAt(int x) const;
    QString barText(std::size_t bar) const;

    Timeline timeline_;
    std::optional<std::size_t> pressBar_;
    bool dragged_ = false;
    std::optional<std::pair<std::size_t, std::size_t>> chosen_;
};

// The Records tab: the filter row (text, status, type), the timeline and the
// list. Every change of the filter shows at once.
class RecordsPanel final : public QWidget {
    Q_OBJECT
  public:
    explicit RecordsPanel(QWidget* parent = nullptr);

    RecordsModel& model() { return *model_; }
    ReportList& table() { return *table_; }
    TimelineBar& timeline() { return *timeline_; }
    QLineEdit& filterField() { return *filter_; }
    QComboBox& statusChoice() { return *status_; }
    QComboBox& typeChoice() { return *type_; }

    // `timeline` is MakeTimeline(*table), made where the table was read.
    void setTable(std::shared_ptr<const RecordTable> table, Timeline timeline);
    // The records of the selected rows in their shown order, and of the
    // current row.
    std::vector<std::size_t> selectedRecords() const;
    std::optional<std::size_t> currentRecord() const;
    // "N of M records".
    QString countText() const;

  signals:
    void shownChanged();

  private:
    void applyFilter();
    void showColumns();
    void restoreSelection();

    RecordsModel* model_ = nullptr;
    ReportList* table_ = nullptr;
    TimelineBar* timeline_ = nullptr;
    QLineEdit* filter_ = nullptr;
    QComboBox* status_ = nullptr;
    QComboBox* type_ = nullptr;
    std::vector<std::size_t> keptSelection_;  // across a sort or a filter
    std::optional<std::size_t> keptCurrent_;
};

}  // namespace tessaly
