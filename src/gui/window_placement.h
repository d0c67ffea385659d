#pragma once

#include <QRect>

#include "core/ui/layout.h"

class QMainWindow;
class QTableView;
class QWidget;

namespace tessaly {

class SettingsStore;

// Where the main window stands and how wide the lists' columns are: lengths
// are twips, turned into pixels with the screen's resolution; the position
// and the files columns are restored from the settings at load and saved at
// close.
class WindowPlacement {
  public:
    WindowPlacement(QMainWindow& window, QTableView& filesList, QTableView& contentsList);

    int toPixels(double twips) const;
    double toTwips(int pixels) const;
    void place(QWidget& widget, const TwipRect& rect) const;

    // The window's outer size: client area (menu bar excluded) plus the
    // frame of a classic window, as the layout counts it.
    double outerWidth() const;
    double outerHeight() const;
    void resizeOuter(double outerWidthTwips, double outerHeightTwips);

    // The files columns' widths in twips. A width the user did not change
    // goes back to the settings exactly as it came.
    void setFilesColumn(int column, double twips);
    double filesColumnTwips(int column) const;
    // The layout's width for the contents column; the column is wider when
    // its longest row needs it, so the list scrolls to that row's end.
    void setContentsColumn(double twips);

    // The window manager's minimum size for the window: the layout's
    // minimum outer size (dragging the frame stops there).
    void setMinimumOuter();

    // The first columns the lists get when the window loads.
    void setFirstColumns();

    // The stored position (centred on the screen when none is stored or it
    // would lie off every screen) and the stored files columns.
    struct Restored {
        double top;
        double left;
        double height;
        double width;
    };
    Restored restore(const SettingsStore& settings);

    // The window's normal position and the files columns.
    void save(SettingsStore& settings) const;

  private:
    double dpi() const;
    // Sizes the contents column: the layout's width, or the longest row's.
    void fitContentsColumn();

    QMainWindow& window_;
    QTableView& filesList_;
    QTableView& contentsList_;
    double columnTwips_[2] = {0, 0};
    int contentsLayoutPixels_ = 0;
};

}  // namespace tessaly
