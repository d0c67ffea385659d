// The look-ups the user controls, in the window: the services of the
// settings file in the context menu, Offline and Confirm, the Tools menu and
// the "Look-up services" dialog writing [Services] back.
#include <sys/stat.h>

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <algorithm>
#include <filesystem>

#include "core/actions/lookup_services.h"
#include "core/actions/url_command.h"
#include "core/ui/texts.h"
#include "gui/services_dialog.h"
#include "support/fakes.h"

using namespace tessaly;
using namespace tessaly::test;

namespace {

const std::string kVirusTotal = "https://www.virustotal.com/gui/domain/{host}";
const std::string kUrlscan = "https://urlscan.io/search/#{host}";

std::string Entry(std::string text) {
    text.resize(150, '\0');
    return text;
}

// A file whose one entry is a host record for c.example.
void OpenContents(Harness& h, const std::string& settings = {}) {
    if (!settings.empty()) h.dir.write("Tessaly.ini", settings);
    h.dir.write("index.dat", std::string(64, '\x01') + Entry("@:Host: www.c.example"));
    h.toolkit.answers = {MsgAnswer::Ok};
    h.window().startUp(h.dir.file("index.dat"));
    h.window().show();
    h.toolkit.prompts.clear();  // the warning and the number of entries found
}

void RightClickEntry(Harness& h) {
    PressOnList(Child<ReportList>(h.window(), "lvwContents"), Qt::RightButton, Qt::RightButton, 0);
}

// The object names of the submenu's items, in order.
QStringList SubmenuItems(Harness& h) {
    QStringList names;
    const auto* sub = h.window().contextMenu()->findChild<QMenu*>("mnuURLCheckSite");
    for (const QAction* a : sub->actions()) {
        if (a->isVisible()) names << a->objectName();
    }
    return names;
}

const QStringList kDefaultItems{"mnuURLCheckBrowserDefender",
                                "mnuBlackthorn",
                                "mnuURLCheckMDL",
                                "mnuURLCheckSafeWeb",
                                "mnuSAR",
                                "mnuURLCheckTrusSrc",
                                "mnuURLCheckWOT",
                                "mnuURLCheckWebSniffer",
                                "mnuURLCheckLinkScanner"};

// The submenu with Norton SafeWeb hidden and `added` after the defaults.
QStringList WithoutSafeWeb(const QStringList& added) {
    QStringList items = kDefaultItems;
    items.removeAll("mnuURLCheckSafeWeb");
    return items + added;
}

int Count(const std::vector<std::string>& lines, const std::string& line) {
    return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

ServicesDialog* OpenDialog(Harness& h) {
    h.window().mnuServices_Click();
    return h.window().findChild<ServicesDialog*>("frmServices");
}

void Click(QWidget& dialog, const char* button) { Child<QPushButton>(dialog, button)->click(); }

void SelectRow(QWidget& dialog, int row) {
    auto* list = Child<QTreeWidget>(dialog, "lstServices");
    list->setCurrentItem(list->topLevelItem(row));
}

void Type(QWidget& dialog, const QString& name, const QString& address) {
    Child<QLineEdit>(dialog, "txtServiceName")->setText(name);
    Child<QLineEdit>(dialog, "txtServiceAddress")->setText(address);
}

}  // namespace

class TestLookups : public QObject {
    Q_OBJECT

  private slots:
    void withoutServicesTheMenuHoldsTheNineDefaults();
    void servicesHiddenAndAddedInTheMenu();
    void offlineSwitchesEveryLookUpAndLaunchOff();
    void toolsMenuTogglesTheSwitches();
    void switchThatCannotBeWrittenIsSaid();
    void confirmAsksWithTheAddress();
    void dialogRoundTripKeepsTheRestOfTheFile();
    void dialogRefusalsChangeNothing();
    void dialogSaveFailureKeepsTheDialogOpen();
};

void TestLookups::withoutServicesTheMenuHoldsTheNineDefaults() {
    Harness h;
    OpenContents(h);
    RightClickEntry(h);
    QCOMPARE(SubmenuItems(h), kDefaultItems);
    const MenuSnapshot& m = h.toolkit.popups.at(0);
    QCOMPARE(m.at("mnuBlackthorn").text, QStringLiteral("&Blackthorn Online"));
    QCOMPARE(m.at("mnuURLCheckLinkScanner").text, QStringLiteral("XPL Link Scanner"));
    h.toolkit.choose = "mnuURLCheckSafeWeb";
    RightClickEntry(h);
    QCOMPARE(h.shell.opened,
             std::vector<std::string>{"https://safeweb.norton.com/report/show?name=c.example"});
}

void TestLookups::servicesHiddenAndAddedInTheMenu() {
    Harness h;
    OpenContents(h, "[Services]\r\nNorton SafeWeb=\r\nVirusTotal=" + kVirusTotal +
                        "\r\nBad=ftp://bad.example/{host}\r\nurlscan.io=" + kUrlscan + "\r\n");
    RightClickEntry(h);
    QCOMPARE(SubmenuItems(h), WithoutSafeWeb({"mnuLookUp_virustotal", "mnuLookUp_urlscan.io"}));
    const MenuSnapshot& m = h.toolkit.popups.at(0);
    QCOMPARE(m.at("mnuLookUp_virustotal").text, QStringLiteral("VirusTotal"));
    QVERIFY(m.at("mnuLookUp_virustotal").enabled);

    h.toolkit.choose = "mnuLookUp_virustotal";
    RightClickEntry(h);
    QCOMPARE(h.shell.opened,
             std::vector<std::string>{"https://www.virustotal.com/gui/domain/c.example"});
    // A hidden default opens nothing, also when asked for by its command.
    h.window().mnuUrlCommand_Click(UrlCommand::SafeWeb);
    QCOMPARE(h.shell.opened.size(), std::size_t{1});

    // The ignored key is logged once, however often the menu opens.
    const std::string ignored =
        "Look-up service \"Bad\" in [Services] ignored: the address must begin with http:// or "
        "https://";
    QCOMPARE(Count(h.logLines(), ignored), 1);

    // An edit by hand counts from the next right-click on.
    h.dir.write("Tessaly.ini", "[Services]\r\nurlscan.io=" + kUrlscan + "\r\n");
    RightClickEntry(h);
    QCOMPARE(SubmenuItems(h), kDefaultItems + QStringList(QStringLiteral("mnuLookUp_urlscan.io")));
    QCOMPARE(Count(h.logLines(), ignored), 1);
}

void TestLookups::offlineSwitchesEveryLookUpAndLaunchOff() {
    Harness h;
    OpenContents(h, "[Lookups]\r\nOffline=1\r\n[Services]\r\nVirusTotal=" + kVirusTotal + "\r\n");
    RightClickEntry(h);
    const MenuSnapshot& m = h.toolkit.popups.at(0);
    const QString reason = QString::fromUtf8(texts::kLookupsOff.data());
    for (const QString& item :
         kDefaultItems + QStringList{"mnuLookUp_virustotal", "mnuWendel", "mnuOpen"}) {
        QVERIFY2(!m.at(item).enabled, qPrintable(item));
        QCOMPARE(m.at(item).toolTip, reason);
    }
    QVERIFY(m.at("mnuCopy").enabled);
    QVERIFY(m.at("mnuSaveResults").enabled);

    // Every way in says why and opens nothing; the viewer prefix is not
    // even stored.
    const std::string before = h.settingsText();
    h.window().mnuUrlCommand_Click(UrlCommand::SafeWeb);
    h.window().mnuUrlCommand_Click(UrlCommand::Wendel);
    h.window().mnuOpen_Click();
    QVERIFY(h.shell.opened.empty());
    QCOMPARE(h.toolkit.prompts.size(), std::size_t{3});
    for (std::size_t i = 0; i < 3; ++i) {
        QCOMPARE(h.toolkit.prompts[i].text, std::string(texts::kLookupsOff));
        QVERIFY(h.toolkit.prompts[i].icon == MsgIcon::Exclamation);
    }
    QCOMPARE(h.settingsText(), before);

    // Back online, the items work again and lose the reason.
    h.window().mnuOffline_Click();
    RightClickEntry(h);
    QVERIFY(h.toolkit.popups.at(1).at("mnuURLCheckSafeWeb").enabled);
    QVERIFY(h.toolkit.popups.at(1).at("mnuURLCheckSafeWeb").toolTip != reason);
}

void TestLookups::toolsMenuTogglesTheSwitches() {
    Harness h;
    h.window().startUp("");
    const std::string mine = "; my notes\r\n[Search]\r\nPath=/srv/case/\r\n";
    h.dir.write("Tessaly.ini", mine);
    auto* offline = Child<QMenu>(h.window(), "mnuTools")->findChild<QAction*>("mnuOffline");
    QVERIFY(offline && offline->isCheckable());
    h.window().mnuOffline_Click();
    QCOMPARE(h.settingsText(), mine + "[Lookups]\r\nOffline=1\r\n");
    QVERIFY(offline->isChecked());
    h.window().mnuConfirm_Click();
    h.window().mnuOffline_Click();
    QCOMPARE(h.settingsText(), mine + "[Lookups]\r\nOffline=0\r\nConfirm=1\r\n");
    QVERIFY(!offline->isChecked());
    const auto lines = h.logLines();
    QCOMPARE(Count(lines, "Look-ups and launches switched off"), 1);
    QCOMPARE(Count(lines, "Look-ups and launches switched on"), 1);
    QCOMPARE(Count(lines, "Look-ups now ask before opening"), 1);
    // The menu shows what the file says when it opens, edits by hand included.
    h.dir.write("Tessaly.ini", "[Lookups]\r\nOffline=yes\r\n");
    emit Child<QMenu>(h.window(), "mnuTools")->aboutToShow();
    QVERIFY(offline->isChecked());
}

// A switch the settings file cannot take is said, and the menu shows what
// still holds: switching off must never seem to work when it did not.
void TestLookups::switchThatCannotBeWrittenIsSaid() {
    Harness h;
    h.window().startUp("");
    QVERIFY(std::filesystem::create_directory(h.dir.file("Tessaly.ini")));
    h.window().mnuOffline_Click();
    QCOMPARE(h.toolkit.prompts.size(), std::size_t{1});
    QVERIFY(h.toolkit.prompts[0].text.starts_with("Could not write Offline=1 to "));
    QVERIFY(h.toolkit.prompts[0].icon == MsgIcon::Exclamation);
    auto* offline = Child<QMenu>(h.window(), "mnuTools")->findChild<QAction*>("mnuOffline");
    QVERIFY(!offline->isChecked());
    QVERIFY(std::filesystem::is_directory(h.dir.file("Tessaly.ini")));
}

void TestLookups::confirmAsksWithTheAddress() {
    Harness h;
    OpenContents(h, "[Lookups]\r\nConfirm=1\r\n");
    RightClickEntry(h);  // selects the entry
    const std::string address = "https://safeweb.norton.com/report/show?name=c.example";
    h.toolkit.answers = {MsgAnswer::No};
    h.window().mnuUrlCommand_Click(UrlCommand::SafeWeb);
    QVERIFY(h.shell.opened.empty());
    QCOMPARE(h.toolkit.prompts.back().text,
             "Are you sure you want to open this look-up?\r\n" + address);
    QVERIFY(h.toolkit.prompts.back().icon == MsgIcon::Question);
    QVERIFY(h.toolkit.prompts.back().buttons == MsgButtons::YesNo);
    h.toolkit.answers = {MsgAnswer::Yes};
    h.window().mnuUrlCommand_Click(UrlCommand::SafeWeb);
    QCOMPARE(h.shell.opened, std::vector<std::string>{address});

    // Launch asks its own question, which already names the address: once.
    const std::size_t asked = h.toolkit.prompts.size();
    h.toolkit.answers = {MsgAnswer::Yes};
    h.window().mnuOpen_Click();
    QCOMPARE(h.toolkit.prompts.size(), asked + 1);
    QCOMPARE(h.shell.opened.back(), std::string("http://www.c.example"));
}

void TestLookups::dialogRoundTripKeepsTheRestOfTheFile() {
    Harness h;
    OpenContents(h);
    const std::string head =
        "; Tessaly settings, kept by hand\r\n[Search]\r\nPath=/srv/case/\r\n\r\n[Services]\r\n"
        "; my own services\r\n";
    const std::string tail = "\r\n[Position]\r\nT=1000\r\n; end\r\n";
    h.dir.write("Tessaly.ini", head + "VirusTotal = " + kVirusTotal +
                                   "\r\nTypo=htp://t.example/{host}\r\n" + tail);

    ServicesDialog* dialog = OpenDialog(h);
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QVERIFY(!Child<QLabel>(*dialog, "lblIgnored")->isHidden());
    auto* list = Child<QTreeWidget>(*dialog, "lstServices");
    QCOMPARE(list->topLevelItemCount(), 10);
    QCOMPARE(list->topLevelItem(9)->text(1), QString::fromStdString(kVirusTotal));

    // Remove Norton SafeWeb, add urlscan.io and move it above VirusTotal.
    SelectRow(*dialog, 3);
    QVERIFY(Child<QLineEdit>(*dialog, "txtServiceName")->isReadOnly());
    QVERIFY(!Child<QPushButton>(*dialog, "cmdUp")->isEnabled());
    Click(*dialog, "cmdRemove");
    Type(*dialog, "urlscan.io", QString::fromStdString(kUrlscan));
    Click(*dialog, "cmdAdd");
    QVERIFY(Child<QPushButton>(*dialog, "cmdUp")->isEnabled());
    Click(*dialog, "cmdUp");
    dialog->accept();
    QVERIFY(h.toolkit.prompts.empty());

    // The key lines of [Services] are new; every other byte is as it was,
    // the ignored key included.
    QCOMPARE(h.settingsText(), head + "Norton SafeWeb=\r\nurlscan.io=" + kUrlscan +
                                   "\r\nVirusTotal = " + kVirusTotal +
                                   "\r\nTypo=htp://t.example/{host}\r\n" + tail);
    QVERIFY(Count(h.logLines(), "Look-up services saved in the settings file") == 1);
    RightClickEntry(h);
    QCOMPARE(SubmenuItems(h), WithoutSafeWeb({"mnuLookUp_urlscan.io", "mnuLookUp_virustotal"}));

    // Restoring the defaults leaves the section's comment and header.
    dialog = OpenDialog(h);
    Click(*dialog, "cmdRestore");
    dialog->accept();
    QCOMPARE(h.settingsText(), head + tail);
}

void TestLookups::dialogRefusalsChangeNothing() {
    Harness h;
    OpenContents(h);
    ServicesDialog* dialog = OpenDialog(h);
    const auto rows = dialog->editor().rows();
    Type(*dialog, "Mine", "ftp://mine.example/{host}");
    Click(*dialog, "cmdAdd");
    Type(*dialog, "Web of Trust", "https://wot.example/{host}");
    Click(*dialog, "cmdAdd");
    QCOMPARE(h.toolkit.prompts.size(), std::size_t{2});
    QCOMPARE(h.toolkit.prompts[0].text,
             std::string("The address cannot be used: the address must begin with http:// or "
                         "https://."));
    QVERIFY(h.toolkit.prompts[1].icon == MsgIcon::Exclamation);
    QCOMPARE(dialog->editor().rows(), rows);
    dialog->reject();
    QVERIFY(!QFile::exists(QString::fromStdString(h.settings.settingsFilePath())) ||
            h.settingsText().find("[Services]") == std::string::npos);
}

void TestLookups::dialogSaveFailureKeepsTheDialogOpen() {
    Harness h;
    OpenContents(h);
    ServicesDialog* dialog = OpenDialog(h);
    Type(*dialog, "Mine", "https://mine.example/{host}");
    Click(*dialog, "cmdAdd");
    // A FIFO where the settings file belongs is never written or replaced.
    std::filesystem::remove(h.settings.settingsFilePath());
    QCOMPARE(::mkfifo(h.settings.settingsFilePath().c_str(), 0644), 0);
    h.toolkit.prompts.clear();
    dialog->accept();
    QCOMPARE(h.toolkit.prompts.size(), std::size_t{1});
    QVERIFY(h.toolkit.prompts[0].text.find("it is not a regular file") != std::string::npos);
    QVERIFY(dialog->isVisible());
    struct stat st {};
    QCOMPARE(::lstat(h.settings.settingsFilePath().c_str(), &st), 0);
    QVERIFY(S_ISFIFO(st.st_mode));
    dialog->reject();
    std::filesystem::remove(h.settings.settingsFilePath());
}

QTEST_MAIN(TestLookups)
#include "tst_lookups.moc"
