#include "gui/window_placement.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QMainWindow>
#include <QMenuBar>
#include <QScreen>
#include <QStyle>
#include <QTableView>
#include <algorithm>
#include <cmath>

#include "core/app/startup.h"
#include "core/settings/settings_store.h"
#include "gui/models.h"

namespace tessaly {

WindowPlacement::WindowPlacement(QMainWindow& window, QTableView& filesList,
                                 QTableView& contentsList)
    : window_(window), filesList_(filesList), contentsList_(contentsList) {
    if (const QAbstractItemModel* model = contentsList_.model()) {
        const auto refit = [this] { fitContentsColumn(); };
        QObject::connect(model, &QAbstractItemModel::rowsInserted, &contentsList_, refit);
        QObject::connect(model, &QAbstractItemModel::modelReset, &contentsList_, refit);
    }
}

double WindowPlacement::dpi() const {
    const QScreen* s = window_.screen() ? window_.screen() : QGuiApplication::primaryScreen();
    return s ? s->logicalDotsPerInch() : 96.0;
}

int WindowPlacement::toPixels(double twips) const {
    return static_cast<int>(std::lround(TwipsToPixels(twips, dpi())));
}

double WindowPlacement::toTwips(int pixels) const {
    return std::round(PixelsToTwips(pixels, dpi()));
}

void WindowPlacement::place(QWidget& widget, const TwipRect& r) const {
    widget.setGeometry(toPixels(r.left), toPixels(r.top), toPixels(r.width), toPixels(r.height));
}

double WindowPlacement::outerWidth() const { return toTwips(window_.width()) + kNonClientWidth; }

double WindowPlacement::outerHeight() const {
    return toTwips(window_.height() - window_.menuBar()->sizeHint().height()) + kNonClientHeight;
}

void WindowPlacement::resizeOuter(double outerWidthTwips, double outerHeightTwips) {
    window_.resize(
        toPixels(outerWidthTwips - kNonClientWidth),
        toPixels(outerHeightTwips - kNonClientHeight) + window_.menuBar()->sizeHint().height());
}

void WindowPlacement::setFilesColumn(int column, double twips) {
    columnTwips_[column] = twips;
    filesList_.horizontalHeader()->resizeSection(column, toPixels(twips));
}

double WindowPlacement::filesColumnTwips(int column) const {
    const int pixels = filesList_.horizontalHeader()->sectionSize(column);
    return pixels == toPixels(columnTwips_[column]) ? columnTwips_[column] : toTwips(pixels);
}

void WindowPlacement::setContentsColumn(double twips) {
    contentsLayoutPixels_ = toPixels(twips);
    fitContentsColumn();
}

void WindowPlacement::fitContentsColumn() {
    const QAbstractItemModel* model = contentsList_.model();
    const QString longest =
        model ? model->headerData(0, Qt::Horizontal, ContentsModel::kLongestTextRole).toString()
              : QString();
    // The cell's margins on both sides, and a little room for rows of as many
    // bytes in wider letters.
    const int margin = 2 * (contentsList_.style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1);
    const int text =
        longest.isEmpty()
            ? 0
            : contentsList_.fontMetrics().horizontalAdvance(longest) * 11 / 10 + margin;
    contentsList_.horizontalHeader()->resizeSection(0, std::max(contentsLayoutPixels_, text));
}

void WindowPlacement::setMinimumOuter() {
    window_.setMinimumSize(
        toPixels(kMinimumWindowWidth - kNonClientWidth),
        toPixels(kMinimumWindowHeight - kNonClientHeight) + window_.menuBar()->sizeHint().height());
}

void WindowPlacement::setFirstColumns() {
    const double filesWidth = toTwips(filesList_.width());
    setFilesColumn(0, filesWidth - 1300);
    setFilesColumn(1, 1300);
    setContentsColumn(toTwips(contentsList_.width()) - 400);
}

WindowPlacement::Restored WindowPlacement::restore(const SettingsStore& settings) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect avail = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    const double height = outerHeight();
    const double width = outerWidth();
    const double defTop = toTwips(avail.height()) / 2 - height / 2;
    const double defLeft = toTwips(avail.width()) / 2 - width / 2;
    double top = ParseSetting(settings.read("Position", "T", FormatSingle(defTop)), defTop);
    double left = ParseSetting(settings.read("Position", "L", FormatSingle(defLeft)), defLeft);
    // A position that would put the window off every screen (one stored while
    // minimised, or from a screen since removed) opens the window centred.
    const QRect frame = window_.frameGeometry();
    const QRect wanted(toPixels(left), toPixels(top), frame.width(), frame.height());
    bool onScreen = false;
    for (const QScreen* s : QGuiApplication::screens()) {
        if (s->geometry().intersects(
                wanted.adjusted(0, 0, -wanted.width() / 2, -wanted.height() / 2)))
            onScreen = true;
    }
    if (!onScreen) {
        top = defTop;
        left = defLeft;
    }
    window_.move(toPixels(left), toPixels(top));

    const double defF1 = toTwips(filesList_.width()) - 1150;
    const double f1 = ParseSetting(settings.read("Position", "f1", FormatSingle(defF1)), defF1);
    const double f2 = ParseSetting(settings.read("Position", "f2", "1000"), 1000);
    setFilesColumn(0, f1);
    setFilesColumn(1, f2);
    return {top, left, height, width};
}

void WindowPlacement::save(SettingsStore& settings) const {
    // The position kept is the window's normal one, also when it closes
    // minimised or maximised.
    const QRect frame = (window_.isMinimized() || window_.isMaximized()) ? window_.normalGeometry()
                                                                         : window_.frameGeometry();
    settings.write("Position", "T", FormatSingle(toTwips(frame.top())));
    settings.write("Position", "L", FormatSingle(toTwips(frame.left())));
    settings.write("Position", "f1", FormatSingle(filesColumnTwips(0)));
    settings.write("Position", "f2", FormatSingle(filesColumnTwips(1)));
}

}  // namespace tessaly
