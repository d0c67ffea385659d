#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <string>

class QAbstractItemView;

namespace tessaly {

// A report-style list: rows of uniform height with column headers. Built on
// a table view, which keeps no per-row layout, so a million rows cost no more
// to append than a hundred.
class ReportList final : public QTableView {
    Q_OBJECT
  public:
    explicit ReportList(QWidget* parent = nullptr);
    QHeaderView* header() const { return horizontalHeader(); }
};

// A label that acts as a button or a tab: it reports a left click.
class ClickLabel final : public QLabel {
    Q_OBJECT
  public:
    using QLabel::QLabel;
  signals:
    void clicked();
    void hovered();

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
};

// A field holding a native path (bytes on POSIX). It shows the path as text;
// for as long as it shows it unchanged, path() gives back the very bytes set,
// so a path that is not valid text is walked and stored again byte for byte.
// An edited field is taken as typed.
class PathField final : public QLineEdit {
    Q_OBJECT
  public:
    using QLineEdit::QLineEdit;
    void setPath(const std::string& nativePath);
    std::string path() const;

  private:
    std::string path_;
    QString shown_;
};

// The row of the list's own model that the view's selected row shows, found
// through every proxy (sort, filter) between the view and that model; -1
// when no row is selected. Commands take their row from here, never from the
// view's row number.
int SelectedSourceRow(const QAbstractItemView& view);

}  // namespace tessaly
