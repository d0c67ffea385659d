#pragma once

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/extract/contents_rows.h"
#include "core/search/index_file_row.h"

namespace tessaly {

// The files list: location and size text, in discovery order.
class FilesModel final : public QAbstractTableModel {
    Q_OBJECT
  public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // One insert for the whole batch, so a big walk never stalls the list.
    // When memory runs short (std::bad_alloc) the list stays as it was.
    void appendRows(std::vector<IndexFileRow> rows);
    void clear();
    const IndexFileRow& row(int i) const { return rows_[static_cast<std::size_t>(i)]; }
    const std::vector<IndexFileRow>& rows() const { return rows_; }

  private:
    std::vector<IndexFileRow> rows_;
};

// The contents list: raw entries held in one arena; a row is decoded only
// when the view asks for it, and shows up to its first NUL.
class ContentsModel final : public QAbstractTableModel {
    Q_OBJECT
  public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // As FilesModel::appendRows.
    void appendRows(ContentsRows&& batch);
    void clear();
    const ContentsRows& rows() const { return rows_; }

    // The header of the column gives, under this role, the text of its
    // longest row (by bytes shown), so the column can be made wide enough to
    // scroll to the end of it.
    static constexpr int kLongestTextRole = Qt::UserRole + 1;

  private:
    ContentsRows rows_;
    std::size_t longest_ = 0;  // the row with the most bytes shown
    std::size_t longestLength_ = 0;
};

class NoCaseFinder;

// The contents list as the find bar filters it: the rows whose shown text
// holds the text looked for, letter case ignored as in the records' filter.
class ContentsFindProxy final : public QSortFilterProxyModel {
    Q_OBJECT
  public:
    explicit ContentsFindProxy(ContentsModel& contents, QObject* parent = nullptr);
    ~ContentsFindProxy() override;
    // `bytes` as stored (Windows-1252); nullopt matches no row.
    void setText(std::optional<std::string> bytes);

  protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

  private:
    ContentsModel& contents_;
    std::unique_ptr<NoCaseFinder> finder_;  // null: nothing matches
};

// How a native path and an entry's bytes read on screen.
QString PathText(const std::string& nativePath);
QString EntryText(std::string_view entryBytes);
// A text of the program's own (a caption, a message), which is UTF-8.
QString UiText(std::string_view utf8);

}  // namespace tessaly
