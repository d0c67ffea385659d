// The window's geometry and minimum size, the hover colours of its buttons
// and tabs, the Help menu with F1, and the About box, driven as a user would
// with fake prompts and shell.
#include <QAction>
#include <QDialog>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QTest>
#include <cmath>
#include <string>

#include "core/actions/addresses.h"
#include "core/app/identity.h"
#include "core/ui/layout.h"
#include "core/ui/texts.h"
#include "support/fakes.h"

using namespace tessaly;
using namespace tessaly::test;

namespace {

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

int Px(const QWidget& w, double twips) {
    return static_cast<int>(std::lround(TwipsToPixels(twips, w.logicalDpiX())));
}

QRect PxRect(const QWidget& w, double left, double top, double width, double height) {
    return {Px(w, left), Px(w, top), Px(w, width), Px(w, height)};
}

// Resizes the window to an outer size in twips, as dragging its border would.
void ResizeOuter(QWidget& w, double outerWidth, double outerHeight) {
    const int menu = w.findChild<QMenuBar*>()->sizeHint().height();
    w.resize(Px(w, outerWidth - kNonClientWidth), Px(w, outerHeight - kNonClientHeight) + menu);
    QCoreApplication::processEvents();
}

// A shown window of the design size, loaded as at start-up.
void ShowWindow(Harness& h) {
    h.window().startUp("");
    h.window().show();
    QVERIFY(QTest::qWaitForWindowExposed(&h.window()));
}

// Moves the pointer to a point of `widget`, through the window system, so
// the move reaches whichever control is under it the way a real one does.
void MoveTo(QWidget* widget, QPoint point) {
    QWidget* top = widget->window();
    QTest::mouseMove(top->windowHandle(), widget->mapTo(top, point));
    QCoreApplication::processEvents();
}
void MoveOver(QWidget* widget) { MoveTo(widget, widget->rect().center()); }

QColor Background(QWidget* w) { return w->palette().color(QPalette::Window); }
QColor Text(QWidget* w) { return w->palette().color(QPalette::WindowText); }
bool ShapeGrey(QFrame* shape) { return shape->styleSheet().contains("rgb(224,224,224)"); }

QStringList PromptTexts(const FakeToolkit& toolkit) {
    QStringList texts;
    for (const auto& p : toolkit.prompts) texts << QString::fromStdString(p.text);
    return texts;
}

const QColor kWhite(255, 255, 255);
const QColor kBlack(0, 0, 0);
const QColor kGrey(224, 224, 224);

}  // namespace

class TestLayoutHelpAbout : public QObject {
    Q_OBJECT

  private slots:
    void opensAtTheDesignGeometry();
    void windowIconHasEveryHicolorSize();
    void sizeChangesLayTheControlsOut_data();
    void sizeChangesLayTheControlsOut();
    void minimumSizeIsGivenToTheWindowManager();
    void nothingIsDoneWhileMinimised();
    void buttonsAndTabsShowHandCursorAndRoundedShapes();
    void hoverColours();
    void helpContents_data();
    void helpContents();
    void f1OpensHelpAndIsConsumed_data();
    void f1OpensHelpAndIsConsumed();
    void homepageAndSupportOpenWithoutQuestion();
    void aboutTwiceGivesOneDialog();
    void aboutShowsTheProgramsIdentity();
    void aboutHoverAndClicks();
};

void TestLayoutHelpAbout::opensAtTheDesignGeometry() {
    Harness h;
    ShowWindow(h);
    MainWindow& w = h.window();
    QVERIFY(h.toolkit.prompts.empty());
    auto* files = Child<ReportList>(w, "lvwFiles");
    // The outer size of a design-size window makes the bottom row land where
    // it was drawn: field 7210 wide, buttons at 8380 and 8880, top 4560.
    QCOMPARE(files->geometry(), PxRect(w, 120, 480, 9855, 3960));
    QCOMPARE(Child<ReportList>(w, "lvwContents")->geometry(), PxRect(w, 120, 480, 9855, 3960));
    QCOMPARE(Child<QLabel>(w, "lblSearchIn")->geometry(), PxRect(w, 120, 4610, 975, 255));
    QCOMPARE(Child<QLineEdit>(w, "txtSearchIn")->geometry(), PxRect(w, 1095, 4560, 7210, 285));
    QCOMPARE(Child<QLabel>(w, "lblBrowse")->geometry(), PxRect(w, 8380, 4560, 375, 285));
    QCOMPARE(Child<QLabel>(w, "lblSearch")->geometry(), PxRect(w, 8880, 4560, 1095, 285));
    QCOMPARE(Child<QFrame>(w, "shFiles")->geometry(), PxRect(w, 120, 120, 1815, 495));
    QCOMPARE(Child<QLabel>(w, "lblContent")->geometry(), PxRect(w, 2040, 160, 1575, 375));
    QCOMPARE(files->header()->sectionSize(0), Px(w, 9855 - 1050));
    // The white window and its tabs.
    QCOMPARE(Background(w.centralWidget()), kWhite);
    QCOMPARE(Background(Child<QLabel>(w, "lblFiles")), kWhite);
}

// The icon comes from resources linked into a static library, which a linker
// drops unless they are registered by hand: an empty icon shows the fault.
void TestLayoutHelpAbout::windowIconHasEveryHicolorSize() {
    Harness h;
    const QIcon icon = h.window().windowIcon();
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        QVERIFY2(icon.availableSizes().contains(QSize(size, size)),
                 qPrintable(QString::number(size)));
        QCOMPARE(icon.pixmap(size, size).size(), QSize(size, size));
    }
}

void TestLayoutHelpAbout::sizeChangesLayTheControlsOut_data() {
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("height");
    QTest::addColumn<QStringList>("prompts");
    QTest::addColumn<double>("laidWidth");
    QTest::addColumn<double>("laidHeight");
    const QString narrow = Q(texts::kMinimumWidth);
    const QString low = Q(texts::kMinimumHeight);
    using P = QStringList;
    QTest::newRow("larger") << 14000.0 << 9000.0 << P{} << 14000.0 << 9000.0;
    QTest::newRow("maximised-like") << 28800.0 << 16200.0 << P{} << 28800.0 << 16200.0;
    QTest::newRow("exactly the minimum") << 8190.0 << 4950.0 << P{} << 8190.0 << 4950.0;
    QTest::newRow("right border dragged to 8000")
        << 8000.0 << 6000.0 << P{narrow} << 8190.0 << 6000.0;
    QTest::newRow("too low") << 11000.0 << 3000.0 << P{low} << 11000.0 << 4950.0;
    QTest::newRow("too narrow and too low in one move")
        << 4000.0 << 3000.0 << P{narrow, low} << 8190.0 << 4950.0;
}

void TestLayoutHelpAbout::sizeChangesLayTheControlsOut() {
    QFETCH(double, width);
    QFETCH(double, height);
    QFETCH(QStringList, prompts);
    QFETCH(double, laidWidth);
    QFETCH(double, laidHeight);
    Harness h;
    ShowWindow(h);
    MainWindow& w = h.window();
    auto* files = Child<ReportList>(w, "lvwFiles");
    // A column the user widened goes back to its layout width at the next pass.
    files->header()->resizeSection(0, 40);

    // Sized by other means than the frame (a window manager that ignores the
    // minimum size the window gives it): the layout's own check corrects it.
    w.setMinimumSize(0, 0);
    ResizeOuter(w, width, height);

    QCOMPARE(PromptTexts(h.toolkit), prompts);
    for (const auto& p : h.toolkit.prompts) QVERIFY(p.icon == MsgIcon::Information);
    // The window snapped back to the minimum where it was too small.
    const int menu = w.findChild<QMenuBar*>()->sizeHint().height();
    QCOMPARE(w.width(), Px(w, laidWidth - kNonClientWidth));
    QCOMPARE(w.height(), Px(w, laidHeight - kNonClientHeight) + menu);

    // The window's pixels hold the outer size only to within a pixel: an
    // accepted size is laid out as the window stands, a corrected one at the
    // minimum itself.
    const auto outer = [&](int pixels, double allowance) {
        return std::round(PixelsToTwips(pixels, w.logicalDpiX())) + allowance;
    };
    if (!prompts.contains(Q(texts::kMinimumWidth))) laidWidth = outer(w.width(), kNonClientWidth);
    if (!prompts.contains(Q(texts::kMinimumHeight)))
        laidHeight = outer(w.height() - menu, kNonClientHeight);
    QVERIFY(std::abs(laidWidth - width) < 15 || prompts.contains(Q(texts::kMinimumWidth)));

    const double list = laidWidth - 380;
    const double field = list - 2645;
    QCOMPARE(files->geometry(), PxRect(w, 120, 480, list, laidHeight - 2000));
    QCOMPARE(Child<ReportList>(w, "lvwContents")->geometry(),
             PxRect(w, 120, 480, list, laidHeight - 2000));
    QCOMPARE(Child<QLabel>(w, "lblSearchIn")->geometry().top(), Px(w, laidHeight - 1350));
    QCOMPARE(Child<QLineEdit>(w, "txtSearchIn")->geometry(),
             PxRect(w, 1095, laidHeight - 1400, field, 285));
    QCOMPARE(Child<QLabel>(w, "lblBrowse")->geometry().topLeft(),
             QPoint(Px(w, 120 + field + 1050), Px(w, laidHeight - 1400)));
    QCOMPARE(Child<QLabel>(w, "lblSearch")->geometry().topLeft(),
             QPoint(Px(w, 120 + field + 1550), Px(w, laidHeight - 1400)));
    QCOMPARE(files->header()->sectionSize(0), Px(w, list - 1050));
    QCOMPARE(Child<ReportList>(w, "lvwContents")->header()->sectionSize(0), Px(w, list - 100));
    // The tabs never move.
    QCOMPARE(Child<QLabel>(w, "lblFiles")->geometry(), PxRect(w, 240, 160, 1575, 375));
}

// The window manager knows the minimum size: dragging the frame stops there,
// and no message comes.
void TestLayoutHelpAbout::minimumSizeIsGivenToTheWindowManager() {
    Harness h;
    ShowWindow(h);
    MainWindow& w = h.window();
    const int menu = w.findChild<QMenuBar*>()->sizeHint().height();
    const QSize minimum(Px(w, kMinimumWindowWidth - kNonClientWidth),
                        Px(w, kMinimumWindowHeight - kNonClientHeight) + menu);
    QCOMPARE(w.minimumSize(), minimum);
    ResizeOuter(w, 4000, 3000);
    QCOMPARE(w.size(), minimum);
    QVERIFY(h.toolkit.prompts.empty());
}

void TestLayoutHelpAbout::nothingIsDoneWhileMinimised() {
    Harness h;
    ShowWindow(h);
    MainWindow& w = h.window();
    const QRect list = Child<ReportList>(w, "lvwFiles")->geometry();
    w.showMinimized();
    QCoreApplication::processEvents();
    ResizeOuter(w, 3000, 2000);
    QVERIFY(h.toolkit.prompts.empty());
    QCOMPARE(Child<ReportList>(w, "lvwFiles")->geometry(), list);
}

void TestLayoutHelpAbout::buttonsAndTabsShowHandCursorAndRoundedShapes() {
    Harness h;
    ShowWindow(h);
    for (const char* name : {"lblFiles", "lblContent", "lblBrowse", "lblSearch"}) {
        QCOMPARE(Child<QLabel>(h.window(), name)->cursor().shape(), Qt::PointingHandCursor);
    }
    QCOMPARE(Child<QLabel>(h.window(), "lblSearchIn")->cursor().shape(), Qt::ArrowCursor);
    for (const char* name : {"shFiles", "shContent"}) {
        QVERIFY(Child<QFrame>(h.window(), name)->styleSheet().contains("border-radius"));
    }
}

void TestLayoutHelpAbout::hoverColours() {
    Harness h;
    ShowWindow(h);
    MainWindow& w = h.window();
    auto* search = Child<QLabel>(w, "lblSearch");
    auto* browse = Child<QLabel>(w, "lblBrowse");
    auto* tabFiles = Child<QLabel>(w, "lblFiles");
    auto* tabContent = Child<QLabel>(w, "lblContent");
    auto* shFiles = Child<QFrame>(w, "shFiles");
    auto* shContent = Child<QFrame>(w, "shContent");
    auto* field = Child<QLineEdit>(w, "txtSearchIn");
    auto* list = Child<ReportList>(w, "lvwFiles")->viewport();
    const auto dark = [](QWidget* b) { return Background(b) == kBlack && Text(b) == kWhite; };
    const auto plain = [](QWidget* b) { return Background(b) == kWhite && Text(b) == kBlack; };

    // A button goes dark under the pointer and plain again once it leaves,
    // also for the field, which reports no move of its own.
    MoveOver(search);
    QVERIFY(dark(search));
    QVERIFY(plain(browse));
    MoveOver(field);
    QVERIFY(plain(search));
    MoveOver(browse);
    QVERIFY(dark(browse));

    // A tab turns grey with its shape; the list resets the tabs only.
    MoveOver(tabFiles);
    QCOMPARE(Background(tabFiles), kGrey);
    QVERIFY(ShapeGrey(shFiles));
    QVERIFY(!ShapeGrey(shContent));
    MoveOver(tabContent);
    QCOMPARE(Background(tabContent), kGrey);
    QVERIFY(ShapeGrey(shContent));
    MoveOver(list);
    QCOMPARE(Background(tabFiles), kWhite);
    QCOMPARE(Background(tabContent), kWhite);
    QVERIFY(!ShapeGrey(shFiles));
    QVERIFY(!ShapeGrey(shContent));

    // The window's background, here the part of the Files shape left of its
    // label, resets everything.
    MoveOver(tabFiles);
    MoveTo(shFiles, QPoint(2, shFiles->height() / 2));
    QVERIFY(plain(search));
    QVERIFY(plain(browse));
    QCOMPARE(Background(tabFiles), kWhite);
    QVERIFY(!ShapeGrey(shFiles));

    // So does a bare stretch of the window right of the tabs.
    MoveOver(search);
    MoveTo(w.centralWidget(), QPoint(Px(w, 6000), Px(w, 200)));
    QVERIFY(plain(search));
}

void TestLayoutHelpAbout::helpContents_data() {
    QTest::addColumn<bool>("helpPresent");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<QString>("opened");
    QTest::newRow("help present") << true << -1 << false << "help";
    QTest::newRow("missing, Yes") << false << int(MsgAnswer::Yes) << true
                                  << Q(KnowledgeBaseAddress());
    QTest::newRow("missing, No") << false << int(MsgAnswer::No) << true << QString();
}

void TestLayoutHelpAbout::helpContents() {
    QFETCH(bool, helpPresent);
    QFETCH(int, answer);
    QFETCH(bool, asked);
    QFETCH(QString, opened);
    Harness h;
    if (helpPresent) h.dir.write("help.html", "<html></html>");
    if (answer >= 0) h.toolkit.answers = {static_cast<MsgAnswer>(answer)};
    Child<QAction>(h.window(), "mnuContent")->trigger();

    QCOMPARE(h.toolkit.prompts.size(), std::size_t{asked ? 1u : 0u});
    if (asked) {
        const Prompt& p = h.toolkit.prompts[0];
        QCOMPARE(p.text, std::string(texts::kNoHelpFiles));
        QVERIFY(p.icon == MsgIcon::Exclamation);
        QVERIFY(p.buttons == MsgButtons::YesNo);
    }
    if (opened == "help") opened = QString::fromStdString(h.dir.file("help.html"));
    std::vector<std::string> expected;
    if (!opened.isEmpty()) expected.push_back(opened.toStdString());
    QCOMPARE(h.shell.opened, expected);
}

void TestLayoutHelpAbout::f1OpensHelpAndIsConsumed_data() {
    QTest::addColumn<QString>("target");
    QTest::newRow("in the search field") << "txtSearchIn";
    QTest::newRow("in the files list") << "lvwFiles";
}

void TestLayoutHelpAbout::f1OpensHelpAndIsConsumed() {
    QFETCH(QString, target);
    Harness h;
    h.dir.write("help.html", "<html></html>");
    ShowWindow(h);
    auto* field = Child<QLineEdit>(h.window(), "txtSearchIn");
    field->setText(QStringLiteral("/tmp"));
    QWidget* focus = h.window().findChild<QWidget*>(target);
    h.window().activateWindow();
    focus->setFocus();
    QCoreApplication::processEvents();

    QTest::keyClick(focus, Qt::Key_F1);
    QCOMPARE(h.shell.opened, std::vector<std::string>{h.dir.file("help.html")});
    QCOMPARE(field->text(), QStringLiteral("/tmp"));

    // Any other key passes through.
    QTest::keyClick(field, Qt::Key_X);
    QCOMPARE(field->text(), QStringLiteral("/tmpx"));
    QCOMPARE(h.shell.opened.size(), std::size_t{1});
    QVERIFY(h.toolkit.prompts.empty());
}

void TestLayoutHelpAbout::homepageAndSupportOpenWithoutQuestion() {
    Harness h;
    Child<QAction>(h.window(), "mnuHomepage")->trigger();
    Child<QAction>(h.window(), "mnuSupport")->trigger();
    QCOMPARE(h.shell.opened,
             (std::vector<std::string>{ProductPageAddress(), KnowledgeBaseAddress()}));
    QVERIFY(h.toolkit.prompts.empty());
}

void TestLayoutHelpAbout::aboutTwiceGivesOneDialog() {
    Harness h;
    ShowWindow(h);
    QAction* about = Child<QAction>(h.window(), "mnuAbout");
    about->trigger();
    auto* first = Child<QDialog>(h.window(), "frmAbout");
    QVERIFY(first);
    QVERIFY(QTest::qWaitForWindowExposed(first));
    QVERIFY(!first->isModal());
    QCOMPARE(first->parentWidget(), &h.window());
    // The main window stays usable while the box is open.
    QVERIFY(!QApplication::activeModalWidget());

    h.window().activateWindow();
    about->trigger();
    QCOMPARE(h.window().findChildren<QDialog*>("frmAbout").size(), 1);
    QCOMPARE(Child<QDialog>(h.window(), "frmAbout"), first);
    QVERIFY(first->isVisible());

    // Closed, it is gone; the next About loads a fresh one.
    QVERIFY(first->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!Child<QDialog>(h.window(), "frmAbout"));
    about->trigger();
    QCOMPARE(h.window().findChildren<QDialog*>("frmAbout").size(), 1);
}

void TestLayoutHelpAbout::aboutShowsTheProgramsIdentity() {
    Harness h;
    Child<QAction>(h.window(), "mnuAbout")->trigger();
    auto* d = Child<QDialog>(h.window(), "frmAbout");
    QVERIFY(d);
    const auto text = [&](const char* name) { return Child<QLabel>(*d, name)->text(); };
    QCOMPARE(text("lblVer"), QStringLiteral("%1.%2 Build %3")
                                 .arg(kVersion.major)
                                 .arg(kVersion.minor)
                                 .arg(kVersion.revision));
    QCOMPARE(text("lblTitle"), Q(kTitle));
    QCOMPARE(text("lblAuth"), Q(CompanyName()));
    QCOMPARE(text("lblHome"), Q(HomePageAddress()));
    QVERIFY(text("lblCopyright").contains(Q(CompanyName())));
    QCOMPARE(text("lblClose"), QStringLiteral("&Close"));
    QCOMPARE(Child<QLabel>(*d, "lblClose")->toolTip(), QStringLiteral("Close this dialog"));
    // The home page is shown as text, not as a link.
    QCOMPARE(Child<QLabel>(*d, "lblHome")->textFormat(), Qt::PlainText);
    QVERIFY(!Child<QLabel>(*d, "lblHome")->openExternalLinks());

    const QFont title = Child<QLabel>(*d, "lblTitle")->font();
    QVERIFY(title.bold());
    QCOMPARE(title.pointSizeF(), 12.0);
    QCOMPARE(d->size(), QSize(Px(*d, 6660), Px(*d, 4590)));
    QCOMPARE(Child<QLabel>(*d, "Image1")->pixmap().size(), QSize(68, 67));
    QCOMPARE(Child<QWidget>(*d, "shHeader")->height(), Px(*d, 1215) + 1);
    const struct {
        const char* name;
        double left, top;
    } places[] = {{"lblVersion", 1560, 1560},  {"lblCol1", 2760, 1560}, {"lblVer", 3000, 1560},
                  {"lblAuthor", 1560, 1800},   {"lblCol2", 2760, 1800}, {"lblAuth", 3000, 1800},
                  {"lblHomepage", 1560, 2040}, {"lblCol3", 2760, 2040}, {"lblHome", 3000, 2040},
                  {"lblClose", 5520, 4200}};
    for (const auto& p : places) {
        QCOMPARE(Child<QLabel>(*d, p.name)->pos(), QPoint(Px(*d, p.left), Px(*d, p.top)));
    }
    QCOMPARE(Child<QLabel>(*d, "lblClose")->width(), Px(*d, 900));
    QCOMPARE(Child<QLabel>(*d, "lblCopyright")->x(), Px(*d, 240));
    // The rights line, in whatever font stands in for MS Sans Serif, ends
    // before the Close label begins.
    QVERIFY(Child<QLabel>(*d, "lblCopyright")->geometry().right() <
            Child<QLabel>(*d, "lblClose")->x());
}

void TestLayoutHelpAbout::aboutHoverAndClicks() {
    Harness h;
    ShowWindow(h);
    Child<QAction>(h.window(), "mnuAbout")->trigger();
    auto* d = Child<QDialog>(h.window(), "frmAbout");
    QVERIFY(QTest::qWaitForWindowExposed(d));
    auto* copyright = Child<QLabel>(*d, "lblCopyright");
    auto* close = Child<QLabel>(*d, "lblClose");
    const QPoint background(Px(*d, 300), Px(*d, 3000));
    QCOMPARE(Background(close), kGrey);

    MoveOver(copyright);
    QVERIFY(copyright->font().underline());
    MoveOver(close);
    QCOMPARE(Background(close), kWhite);
    MoveTo(d, background);
    QVERIFY(!copyright->font().underline());
    // The dialog's own colour, not the first light grey.
    QCOMPARE(Background(close), d->palette().color(QPalette::Window));

    QTest::mouseClick(copyright, Qt::LeftButton);
    QCOMPARE(h.shell.opened, std::vector<std::string>{HomePageAddress()});

    QTest::mouseClick(close, Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!Child<QDialog>(h.window(), "frmAbout"));
}

QTEST_MAIN(TestLayoutHelpAbout)
#include "tst_layout_help_about.moc"
