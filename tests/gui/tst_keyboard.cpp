// The window from the keyboard and for assistive tools, and what it tells
// the user: the search from "Search in", the buttons Tab reaches, the lists'
// popup, view and navigation keys, F1 with any modifier, the tooltips of
// rows the list cuts, and the messages of a search root that is no folder.
#include <QAccessible>
#include <QApplication>
#include <QFont>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <string>

#include "core/ui/texts.h"
#include "gui/models.h"
#include "support/fakes.h"

using namespace tessaly;
using namespace tessaly::test;

namespace {

// A file of three entries, the last longer than any list is wide.
std::string SampleBytes() {
    return EntriesFile({"http://a.example/one", "zz@:Host: c.example",
                        "http://long.example/" + std::string(120, 'w')});
}

QLineEdit* Field(Harness& h) { return Child<QLineEdit>(h.window(), "txtSearchIn"); }
ReportList* Files(Harness& h) { return Child<ReportList>(h.window(), "lvwFiles"); }
ReportList* Contents(Harness& h) { return Child<ReportList>(h.window(), "lvwContents"); }

// A shown window, active, with "Search in" holding the test's folder `sub`.
void ShowWithRoot(Harness& h, const std::string& sub) {
    h.window().startUp("");
    h.window().show();
    QApplication::setActiveWindow(&h.window());
    QVERIFY(QTest::qWaitForWindowActive(&h.window()));
    Field(h)->setText(QString::fromStdString(h.dir.file(sub)));
}

// Three files found under "tree".
void SearchThreeFiles(Harness& h) {
    for (const char* f : {"tree/a/index.dat", "tree/b/index.dat", "tree/c/index.dat"})
        h.dir.write(f, "x");
    ShowWithRoot(h, "tree");
    Field(h)->setFocus();
    QTest::keyClick(Field(h), Qt::Key_Return);
    QVERIFY(h.waitIdle());
}

}  // namespace

class TestKeyboard : public QObject {
    Q_OBJECT

  private slots:
    void enterInSearchInSearchesAndGoesBack();
    void tabReachesTheButtonsWhichSpaceAndEnterPress_data();
    void tabReachesTheButtonsWhichSpaceAndEnterPress();
    void buttonsAreNamedButtonsForAssistiveTools();
    void popupKeysOpenTheListsPopup_data();
    void popupKeysOpenTheListsPopup();
    void popupWithoutASelectedRowDisablesRowCommands();
    void enterOnAFilesRowViewsItAfterTheQuestion();
    void listsMoveWithTheNavigationKeysAndTypeAhead();
    void f1OpensHelpWhateverModifierIsHeld_data();
    void f1OpensHelpWhateverModifierIsHeld();
    void rowsTheListCutsShowTheirWholeText();
    void sizesAreRightAlignedAndExactInTheTooltip();
    void searchRootThatIsNoFolderIsSaid_data();
    void searchRootThatIsNoFolderIsSaid();
    void tabOfTheListShownIsDrawnSelected();
};

void TestKeyboard::enterInSearchInSearchesAndGoesBack() {
    Harness h;
    h.dir.write("tree/a/index.dat", SampleBytes());
    ShowWithRoot(h, "tree");
    QTest::keyClick(Field(h), Qt::Key_Return);
    QVERIFY(h.waitIdle());
    QCOMPARE(h.window().filesModel().rowCount(), 1);
    QCOMPARE(h.window().statusBar()->currentMessage(), QStringLiteral("1 file found"));

    // In the contents view the same key goes back, as the button does.
    h.toolkit.answers = {MsgAnswer::Ok};
    h.window().ExtractContents(h.dir.file("tree/a/index.dat"), ExtractFrom::StartUp, true);
    QCOMPARE(h.window().currentView(), 2);
    QTest::keyClick(Field(h), Qt::Key_Enter);  // the keypad's Enter
    QCOMPARE(h.window().currentView(), 2);     // the field is off in that view
    h.window().lblSearch_Click();
    QCOMPARE(h.window().currentView(), 1);
}

void TestKeyboard::tabReachesTheButtonsWhichSpaceAndEnterPress_data() {
    QTest::addColumn<int>("key");
    QTest::newRow("Space") << int(Qt::Key_Space);
    QTest::newRow("Enter") << int(Qt::Key_Return);
}

void TestKeyboard::tabReachesTheButtonsWhichSpaceAndEnterPress() {
    QFETCH(int, key);
    Harness h;
    h.dir.write("tree/a/index.dat", "x");
    ShowWithRoot(h, "tree");
    auto* browse = Child<ClickLabel>(h.window(), "lblBrowse");
    auto* search = Child<ClickLabel>(h.window(), "lblSearch");
    Field(h)->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), browse);
    h.toolkit.folders = {""};  // the picker is cancelled
    QTest::keyClick(browse, static_cast<Qt::Key>(key));
    QCOMPARE(h.toolkit.folderTitles.size(), std::size_t{1});
    // A held key does not press again.
    QKeyEvent held(QEvent::KeyPress, key, Qt::NoModifier, QString(), /*autorep=*/true);
    QApplication::sendEvent(browse, &held);
    QCOMPARE(h.toolkit.folderTitles.size(), std::size_t{1});

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), search);
    QTest::keyClick(search, static_cast<Qt::Key>(key));
    QVERIFY(h.waitIdle());
    QCOMPARE(h.window().filesModel().rowCount(), 1);
}

void TestKeyboard::buttonsAreNamedButtonsForAssistiveTools() {
    Harness h;
    h.dir.write("index.dat", SampleBytes());
    h.toolkit.answers = {MsgAnswer::Ok};
    h.window().startUp(h.dir.file("index.dat"));
    const auto check = [&](const char* name, const QString& accessibleName) {
        QAccessibleInterface* a =
            QAccessible::queryAccessibleInterface(Child<ClickLabel>(h.window(), name));
        QVERIFY(a);
        QCOMPARE(a->role(), QAccessible::Button);
        QCOMPARE(a->text(QAccessible::Name), accessibleName);
        QVERIFY(!a->text(QAccessible::Description).isEmpty());
        QVERIFY(a->actionInterface());
        QVERIFY(a->actionInterface()->actionNames().contains(
            QAccessibleActionInterface::pressAction()));
    };
    check("lblBrowse", QStringLiteral("Browse"));
    // The search button is named by its caption: "<< Back" reads "Back".
    check("lblSearch", QStringLiteral("Back"));
    QAccessibleInterface* search =
        QAccessible::queryAccessibleInterface(Child<ClickLabel>(h.window(), "lblSearch"));
    search->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(h.window().currentView(), 1);
    QCOMPARE(search->text(QAccessible::Name), QStringLiteral("Search"));
}

void TestKeyboard::popupKeysOpenTheListsPopup_data() {
    QTest::addColumn<bool>("files");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::newRow("files, menu key") << true << int(Qt::Key_Menu) << int(Qt::NoModifier);
    QTest::newRow("files, Shift+F10") << true << int(Qt::Key_F10) << int(Qt::ShiftModifier);
    QTest::newRow("contents, menu key") << false << int(Qt::Key_Menu) << int(Qt::NoModifier);
    QTest::newRow("contents, Shift+F10") << false << int(Qt::Key_F10) << int(Qt::ShiftModifier);
}

void TestKeyboard::popupKeysOpenTheListsPopup() {
    QFETCH(bool, files);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    Harness h;
    ReportList* list = nullptr;
    if (files) {
        SearchThreeFiles(h);
        list = Files(h);
    } else {
        h.dir.write("index.dat", SampleBytes());
        h.toolkit.answers = {MsgAnswer::Ok};
        h.window().startUp(h.dir.file("index.dat"));
        h.window().show();
        list = Contents(h);
    }
    list->setFocus();
    list->setCurrentIndex(list->model()->index(1, 0));
    h.toolkit.choose = "mnuCopy";
    QTest::keyClick(list, static_cast<Qt::Key>(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(h.toolkit.popups.size(), std::size_t{1});
    const MenuSnapshot& m = h.toolkit.popups[0];
    QCOMPARE(m.at("mnuView").enabled, files);
    QCOMPARE(m.at("mnuOpen").enabled, !files);
    // The command acts on the current row.
    QCOMPARE(h.toolkit.clipboard.size(), std::size_t{1});
    const QString row = list->model()->index(1, 0).data().toString();
    QVERIFY(QString::fromStdString(h.toolkit.clipboard[0]).startsWith(row));
    // F10 alone is the menu bar's, not the popup's.
    QTest::keyClick(list, Qt::Key_F10);
    QCOMPARE(h.toolkit.popups.size(), std::size_t{1});
}

void TestKeyboard::popupWithoutASelectedRowDisablesRowCommands() {
    Harness h;
    SearchThreeFiles(h);
    // A right-click below the rows selects none.
    Files(h)->clearSelection();
    QTest::mouseClick(Files(h)->viewport(), Qt::RightButton, {},
                      QPoint(5, Files(h)->viewport()->height() - 3));
    QVERIFY(!h.toolkit.popups.empty());
    const MenuSnapshot& none = h.toolkit.popups.back();
    for (const char* off : {"mnuView", "mnuCopy", "mnuProperties"}) {
        QVERIFY2(!none.at(off).enabled, off);
        QCOMPARE(none.at(off).toolTip, QStringLiteral("Select a row first"));
    }
    QVERIFY(none.at("mnuSaveResults").enabled);

    // With a row selected they come back.
    PressOnList(Files(h), Qt::RightButton, Qt::RightButton, 0);
    const MenuSnapshot& one = h.toolkit.popups.back();
    for (const char* on : {"mnuView", "mnuCopy", "mnuProperties", "mnuSaveResults"})
        QVERIFY2(one.at(on).enabled, on);
    QVERIFY(one.at("mnuCopy").toolTip != QStringLiteral("Select a row first"));
}

void TestKeyboard::enterOnAFilesRowViewsItAfterTheQuestion() {
    Harness h;
    h.dir.write("tree/a/index.dat", SampleBytes());
    ShowWithRoot(h, "tree");
    QTest::keyClick(Field(h), Qt::Key_Return);
    QVERIFY(h.waitIdle());
    Files(h)->setFocus();
    Files(h)->selectRow(0);

    h.toolkit.answers = {MsgAnswer::Cancel};
    QTest::keyClick(Files(h), Qt::Key_Return);
    QCOMPARE(h.toolkit.prompts.back().text, std::string(texts::kWarnMayTakeAMoment));
    QCOMPARE(h.window().contentsModel().rowCount(), 0);

    h.toolkit.answers = {MsgAnswer::Ok};
    QTest::keyClick(Files(h), Qt::Key_Return);
    QVERIFY(h.waitIdle());
    QCOMPARE(h.window().contentsModel().rowCount(), 3);
    QCOMPARE(h.window().contentsFile(), h.dir.file("tree/a/index.dat"));
}

void TestKeyboard::listsMoveWithTheNavigationKeysAndTypeAhead() {
    Harness h;
    h.dir.write("index.dat", SampleBytes());
    h.toolkit.answers = {MsgAnswer::Ok};
    h.window().startUp(h.dir.file("index.dat"));
    h.window().show();
    ReportList* list = Contents(h);
    list->setFocus();
    list->setCurrentIndex(list->model()->index(0, 0));
    QTest::keyClick(list, Qt::Key_End);
    QCOMPARE(list->currentIndex().row(), 2);
    QTest::keyClick(list, Qt::Key_Home);
    QCOMPARE(list->currentIndex().row(), 0);
    QTest::keyClick(list, Qt::Key_PageDown);
    QCOMPARE(list->currentIndex().row(), 2);
    QTest::keyClick(list, Qt::Key_PageUp);
    QCOMPARE(list->currentIndex().row(), 0);
    // Typing the start of a row's text goes to it.
    QTest::keyClicks(list, "@:h");
    QCOMPARE(list->currentIndex().row(), 1);
}

void TestKeyboard::f1OpensHelpWhateverModifierIsHeld_data() {
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("inList");
    for (const auto& [name, mods] :
         {std::pair{"none", int(Qt::NoModifier)}, std::pair{"Shift", int(Qt::ShiftModifier)},
          std::pair{"Ctrl", int(Qt::ControlModifier)}, std::pair{"Alt", int(Qt::AltModifier)},
          std::pair{"Ctrl+Shift", int(Qt::ControlModifier | Qt::ShiftModifier)}}) {
        QTest::newRow((std::string(name) + ", in the field").c_str()) << mods << false;
        QTest::newRow((std::string(name) + ", in the list").c_str()) << mods << true;
    }
}

void TestKeyboard::f1OpensHelpWhateverModifierIsHeld() {
    QFETCH(int, modifiers);
    QFETCH(bool, inList);
    Harness h;
    h.dir.write("help.html", "<html></html>");
    ShowWithRoot(h, "tree");
    const QString before = Field(h)->text();
    QWidget* target = inList ? static_cast<QWidget*>(Files(h)) : Field(h);
    target->setFocus();
    QTest::keyClick(target, Qt::Key_F1, Qt::KeyboardModifiers(modifiers));
    QCOMPARE(h.shell.opened.size(), std::size_t{1});
    QVERIFY(h.toolkit.prompts.empty());
    QCOMPARE(Field(h)->text(), before);  // nothing typed
}

void TestKeyboard::rowsTheListCutsShowTheirWholeText() {
    Harness h;
    h.dir.write("index.dat", SampleBytes());
    h.toolkit.answers = {MsgAnswer::Ok};
    h.window().startUp(h.dir.file("index.dat"));
    h.window().show();
    QVERIFY(QTest::qWaitForWindowExposed(&h.window()));
    ReportList* list = Contents(h);
    const QModelIndex shortRow = list->model()->index(0, 0);
    const QModelIndex longRow = list->model()->index(2, 0);
    QCOMPARE(list->toolTipFor(shortRow), QString());
    // The column is as wide as the longest row, so the list scrolls to its
    // end; while it stands cut by the list's edge, its tooltip is its text.
    QVERIFY(list->header()->sectionSize(0) >= list->sizeHintForIndex(longRow).width());
    QVERIFY(list->horizontalScrollBar()->maximum() > 0);
    QCOMPARE(list->toolTipFor(longRow), longRow.data().toString());
    list->horizontalScrollBar()->setValue(list->horizontalScrollBar()->maximum());
    QCOMPARE(list->toolTipFor(longRow), longRow.data().toString());  // its start is cut now

    // Back at the files list, the emptied contents column returns to its
    // layout width.
    const int wide = list->header()->sectionSize(0);
    h.window().lblSearch_Click();
    QCOMPARE(list->model()->rowCount(), 0);
    QVERIFY(list->header()->sectionSize(0) < wide);
}

void TestKeyboard::sizesAreRightAlignedAndExactInTheTooltip() {
    Harness h;
    h.dir.write("tree/a/index.dat", std::string(1536, 'x'));
    ShowWithRoot(h, "tree");
    QTest::keyClick(Field(h), Qt::Key_Return);
    QVERIFY(h.waitIdle());
    const QModelIndex size = Files(h)->model()->index(0, 1);
    QCOMPARE(size.data().toString(), QStringLiteral("1.50"));
    QVERIFY(Qt::Alignment(size.data(Qt::TextAlignmentRole).toInt()) & Qt::AlignRight);
    QCOMPARE(Files(h)->toolTipFor(size), QStringLiteral("1.50 KB (1,536 bytes)"));
}

void TestKeyboard::searchRootThatIsNoFolderIsSaid_data() {
    QTest::addColumn<QString>("root");
    QTest::addColumn<QString>("said");
    QTest::newRow("missing") << "missing"
                             << " does not exist.";
    QTest::newRow("a file") << "file.txt"
                            << " is not a folder.";
}

void TestKeyboard::searchRootThatIsNoFolderIsSaid() {
    QFETCH(QString, root);
    QFETCH(QString, said);
    Harness h;
    h.dir.write("file.txt", "x");
    ShowWithRoot(h, root.toStdString());
    QTest::keyClick(Field(h), Qt::Key_Return);
    QVERIFY(h.waitIdle());
    QCOMPARE(h.toolkit.prompts.size(), std::size_t{1});
    QCOMPARE(QString::fromStdString(h.toolkit.prompts[0].text),
             "The folder " + QString::fromStdString(h.dir.file(root.toStdString())) + said +
                 "\r\n\r\nNothing was searched.");
    QVERIFY(h.toolkit.prompts[0].icon == MsgIcon::Exclamation);
    QCOMPARE(h.window().statusBar()->currentMessage(), QStringLiteral("No files found"));
}

void TestKeyboard::tabOfTheListShownIsDrawnSelected() {
    Harness h;
    h.dir.write("index.dat", SampleBytes());
    h.window().startUp("");
    auto* files = Child<ClickLabel>(h.window(), "lblFiles");
    auto* contents = Child<ClickLabel>(h.window(), "lblContent");
    QVERIFY(files->font().bold());
    QVERIFY(!contents->font().bold());
    h.toolkit.answers = {MsgAnswer::Ok};
    h.window().ExtractContents(h.dir.file("index.dat"), ExtractFrom::StartUp, true);
    QVERIFY(!files->font().bold());
    QVERIFY(contents->font().bold());
    QVERIFY(Child<QFrame>(h.window(), "shContent")->styleSheet().contains("border: 2px"));
    QVERIFY(Child<QFrame>(h.window(), "shFiles")->styleSheet().contains("border: 1px"));
    h.window().lblFiles_Click();
    QVERIFY(files->font().bold());
    QVERIFY(!contents->font().bold());
}

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
