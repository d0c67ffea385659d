#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <string>

class QAbstractItemView;
class QKeyEvent;

namespace tessaly {

// A report-style list: rows of uniform height with column headers. Built on
// a table view, which keeps no per-row layout, so a million rows cost no more
// to append than a hundred.
class ReportList final : public QTableView {
    Q_OBJECT
  public:
    explicit ReportList(QWidget* parent = nullptr);
    QHeaderView* header() const { return horizontalHeader(); }

    // What the pointer over a cell shows: the model's tooltip when it gives
    // one, else the cell's whole text where the list cuts it; "" when the
    // text is whole on screen.
    QString toolTipFor(const QModelIndex& index) const;

  protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    bool viewportEvent(QEvent* event) override;
};

// A label that acts as a button or a tab: it reports a left click, the
// pointer over it and the pointer leaving it.
class ClickLabel final : public QLabel {
    Q_OBJECT
  public:
    using QLabel::QLabel;

    // Makes the label a button for the keyboard and assistive tools: Tab
    // reaches it, it draws a focus frame, Space and Enter click it, and it is
    // a button named `name` (its caption when empty) with `description`.
    void makeButton(const QString& name, const QString& description);
    bool isButton() const { return button_; }
    void click() { emit clicked(); }

  signals:
    void clicked();
    void hovered();
    void left();

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    bool button_ = false;
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

// What a key pressed on a list asks for: its popup (the menu key, or
// Shift+F10), the files row's contents (Enter, on the files list only), or
// nothing of the window's (the list's own keys: arrows, Home, End, pages,
// type-ahead).
enum class ListKey { Popup, View, Other };
ListKey ListKeyOf(const QKeyEvent& event, bool filesList);

// The row of the list's own model that the view's selected row shows, found
// through every proxy (sort, filter) between the view and that model; -1
// when no row is selected. Commands take their row from here, never from the
// view's row number.
int SelectedSourceRow(const QAbstractItemView& view);

}  // namespace tessaly
