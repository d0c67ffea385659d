#include "gui/about_dialog.h"

#include <QDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QScreen>
#include <cmath>
#include <functional>
#include <string>

#include "core/actions/addresses.h"
#include "core/app/identity.h"
#include "core/ui/layout.h"
#include "platform/toolkit.h"

namespace tessaly {

namespace {

// Client area and the places of the controls, in twips.
constexpr double kClientWidth = 6660;
constexpr double kClientHeight = 4590;
constexpr double kHeaderHeight = 1215;
constexpr double kNameColumn = 1560;
constexpr double kColonColumn = 2760;
constexpr double kValueColumn = 3000;
constexpr double kRowTops[] = {1560, 1800, 2040};
constexpr double kRowHeight = 240;
constexpr double kBottomRowTop = 4200;
constexpr double kCopyrightLeft = 240;
constexpr double kCloseLeft = 5520;
constexpr double kCloseWidth = 900;
constexpr double kCloseHeight = 255;
constexpr int kLogoWidth = 68;
constexpr int kLogoHeight = 67;

const QColor kCloseGrey(224, 224, 224);
const QColor kHeaderWhite(255, 255, 255);

QString Text(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

void SetBackground(QWidget* w, const QColor& colour) {
    QPalette p = w->palette();
    p.setColor(QPalette::Window, colour);
    w->setPalette(p);
}

// A label that reports mouse moves over it and left clicks on it.
class ActiveLabel final : public QLabel {
  public:
    ActiveLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
        setMouseTracking(true);
    }
    std::function<void()> onMove;
    std::function<void()> onClick;

  protected:
    void mouseMoveEvent(QMouseEvent* event) override {
        if (onMove) onMove();
        event->accept();
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
            onClick)
            onClick();
        event->accept();
    }
    bool event(QEvent* event) override {
        // The label's mnemonic (Alt+C on "&Close") acts as a click.
        if (event->type() == QEvent::Shortcut && onClick) {
            onClick();
            return true;
        }
        return QLabel::event(event);
    }
};

// The dialog itself: a mouse move over its own background clears the hover
// marks of its two active labels.
class AboutDialog final : public QDialog {
  public:
    explicit AboutDialog(QWidget* owner) : QDialog(owner) { setMouseTracking(true); }
    std::function<void()> onMove;

  protected:
    void mouseMoveEvent(QMouseEvent* event) override {
        if (onMove) onMove();
        QDialog::mouseMoveEvent(event);
    }
};

// The product logo: a mosaic of blue tiles under a magnifying glass.
QPixmap Logo() {
    QPixmap pixmap(kLogoWidth, kLogoHeight);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient back(0, 0, kLogoWidth, kLogoHeight);
    back.setColorAt(0, QColor(24, 62, 120));
    back.setColorAt(1, QColor(10, 30, 70));
    p.setPen(Qt::NoPen);
    p.setBrush(back);
    p.drawRoundedRect(QRectF(1, 1, kLogoWidth - 2, kLogoHeight - 2), 10, 10);

    const QColor tiles[] = {QColor(70, 140, 220), QColor(120, 180, 240), QColor(40, 100, 190),
                            QColor(160, 205, 250)};
    constexpr int kTile = 13;
    constexpr int kGap = 2;
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            p.setBrush(tiles[(row * 3 + col) % 4]);
            p.drawRoundedRect(
                QRectF(7 + col * (kTile + kGap), 7 + row * (kTile + kGap), kTile, kTile), 2, 2);
        }
    }

    // The glass: a white ring with a tinted lens and a handle.
    const QPointF centre(38, 36);
    p.setBrush(QColor(255, 255, 255, 70));
    p.setPen(QPen(Qt::white, 4.5));
    p.drawEllipse(centre, 14, 14);
    p.setPen(QPen(QColor(245, 190, 60), 7, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(48.5, 46.5), QPointF(60, 58));
    return pixmap;
}

}  // namespace

QWidget* CreateAboutDialog(QWidget* owner, Shell& shell) {
    auto* dialog = new AboutDialog(owner);
    dialog->setObjectName("frmAbout");
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setModal(false);
    dialog->setWindowTitle(QStringLiteral("About ") + Text(kTitle));

    const double dpi = dialog->logicalDpiX();
    const auto px = [dpi](double twips) {
        return static_cast<int>(std::lround(TwipsToPixels(twips, dpi)));
    };
    dialog->setFixedSize(px(kClientWidth), px(kClientHeight));

    auto* header = new QLabel(dialog);
    header->setObjectName("shHeader");
    header->setAutoFillBackground(true);
    SetBackground(header, kHeaderWhite);
    header->setFrameStyle(QFrame::Box | QFrame::Plain);
    header->setGeometry(-1, -1, px(kClientWidth) + 2, px(kHeaderHeight) + 1);
    header->setAttribute(Qt::WA_TransparentForMouseEvents);

    const int logoTop = (px(kHeaderHeight) - kLogoHeight) / 2;
    auto* image = new QLabel(dialog);
    image->setObjectName("Image1");
    image->setPixmap(Logo());
    image->setGeometry(px(kCopyrightLeft), logoTop, kLogoWidth, kLogoHeight);
    image->setAttribute(Qt::WA_TransparentForMouseEvents);

    auto* title = new QLabel(Text(kTitle), dialog);
    title->setObjectName("lblTitle");
    QFont titleFont("Verdana");
    titleFont.setPointSizeF(12);
    titleFont.setBold(true);
    title->setFont(titleFont);
    title->setGeometry(px(kNameColumn), 0, px(kClientWidth - kNameColumn), px(kHeaderHeight));
    title->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    title->setAttribute(Qt::WA_TransparentForMouseEvents);

    QFont rowFont("Verdana");
    rowFont.setPointSizeF(9.75);
    const auto rowLabel = [&](const char* name, const QString& text, double left, double right,
                              double top) {
        auto* l = new QLabel(text, dialog);
        l->setObjectName(name);
        l->setFont(rowFont);
        l->setGeometry(px(left), px(top), px(right - left), px(kRowHeight));
        return l;
    };
    const std::string version = std::to_string(kVersion.major) + "." +
                                std::to_string(kVersion.minor) + " Build " +
                                std::to_string(kVersion.revision);
    const struct {
        const char* name;
        const char* colon;
        const char* value;
        QString caption;
        QString text;
    } rows[] = {
        {"lblVersion", "lblCol1", "lblVer", QStringLiteral("Version"), Text(version)},
        {"lblAuthor", "lblCol2", "lblAuth", QStringLiteral("Author"), Text(CompanyName())},
        {"lblHomepage", "lblCol3", "lblHome", QStringLiteral("Homepage"), Text(HomePageAddress())},
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        rowLabel(rows[i].name, rows[i].caption, kNameColumn, kColonColumn, kRowTops[i]);
        rowLabel(rows[i].colon, QStringLiteral(":"), kColonColumn, kValueColumn, kRowTops[i]);
        auto* value =
            rowLabel(rows[i].value, rows[i].text, kValueColumn, kClientWidth - 120, kRowTops[i]);
        value->setTextFormat(Qt::PlainText);
    }

    auto* copyright = new ActiveLabel(QStringLiteral("\u00A9 2026 ") + Text(CompanyName()) +
                                          QStringLiteral(". All rights reserved."),
                                      dialog);
    copyright->setObjectName("lblCopyright");
    QFont copyrightFont("MS Sans Serif");
    copyrightFont.setPointSizeF(8.25);
    copyrightFont.setBold(true);
    copyright->setFont(copyrightFont);
    QPalette blue = copyright->palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
    copyright->setPalette(blue);
    copyright->setCursor(Qt::PointingHandCursor);
    copyright->adjustSize();
    copyright->move(px(kCopyrightLeft),
                    px(kBottomRowTop) + (px(kCloseHeight) - copyright->height()) / 2);
    copyright->onClick = [&shell] { shell.open(HomePageAddress()); };

    auto* close = new ActiveLabel(QStringLiteral("&Close"), dialog);
    close->setObjectName("lblClose");
    close->setToolTip(QStringLiteral("Close this dialog"));
    close->setAlignment(Qt::AlignCenter);
    close->setFrameStyle(QFrame::Box | QFrame::Plain);
    close->setAutoFillBackground(true);
    close->setCursor(Qt::PointingHandCursor);
    close->setBuddy(close);  // shows the mnemonic and makes Alt+C reach the label
    SetBackground(close, kCloseGrey);
    close->setGeometry(px(kCloseLeft), px(kBottomRowTop), px(kCloseWidth), px(kCloseHeight));
    close->onClick = [dialog] { dialog->close(); };

    copyright->onMove = [copyright] {
        QFont f = copyright->font();
        f.setUnderline(true);
        copyright->setFont(f);
    };
    close->onMove = [close] { SetBackground(close, QColor(255, 255, 255)); };
    dialog->onMove = [dialog, copyright, close] {
        QFont f = copyright->font();
        f.setUnderline(false);
        copyright->setFont(f);
        SetBackground(close, dialog->palette().color(QPalette::Window));
    };

    if (const QScreen* screen =
            owner && owner->screen() ? owner->screen() : QGuiApplication::primaryScreen()) {
        QRect frame = dialog->frameGeometry();
        frame.moveCenter(screen->geometry().center());
        dialog->move(frame.topLeft());
    }
    return dialog;
}

}  // namespace tessaly
