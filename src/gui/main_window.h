#pragma once

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/actions/lookup_services.h"
#include "core/app/session.h"
#include "core/ui/layout.h"
#include "gui/background_work.h"
#include "gui/widgets.h"
#include "platform/toolkit.h"

class QFrame;
class QProgressBar;
class QTimer;
class QLineEdit;
class QMenu;

namespace tessaly {

class AppLog;
class ContentsFindProxy;
class ContentsModel;
class ContextMenu;
class FilesModel;
class RecordsPanel;
struct RecordsRead;
class SettingsStore;
class WindowPlacement;
struct MenuRow;

// Shows a popup menu at a screen position and runs the chosen command.
// Tests give the window a fake that records the menu's state instead.
class MenuPopper {
  public:
    virtual ~MenuPopper() = default;
    virtual void popup(QMenu& menu, const QPoint& globalPos) = 0;
};

struct MainWindowServices {
    SettingsStore& settings;
    AppLog& log;
    Toolkit& toolkit;
    Shell& shell;
    MenuPopper& popper;
    std::string applicationFolder;
};

// The main window: widgets, and the handlers that carry the names of the
// events they answer. The window's state lives in a Session (core), which
// takes each event and says what to do; the window does it and shows the
// session's controls in render(). The walk and the scan run on a
// BackgroundWork whose rows reach the lists in batches.
class MainWindow final : public QMainWindow {
    Q_OBJECT
  public:
    explicit MainWindow(const MainWindowServices& services, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Start-up: logs the start and, for a path on the command line, checks it
    // and (after the user confirms) extracts it before the window is shown.
    void startUp(const std::string& commandLineText);

    // Scans one file into the contents list. `wait` runs the scan to its end
    // before returning (start-up); otherwise it returns at once.
    void ExtractContents(const std::string& path, ExtractFrom from = ExtractFrom::StartUp,
                         bool wait = false);

    // The most rows a list takes before the walk or the scan stops with a
    // report, as memory would run short; set from the usable memory, and
    // smaller by tests.
    void setRowBudget(std::size_t rows) { work_->setRowBudget(rows); }

    // Program-wide state the commands read.
    int currentView() const { return static_cast<int>(session_.view()); }
    const std::string& contentsFile() const { return session_.contentsFile(); }
    bool busy() const { return work_->busy(); }

    FilesModel& filesModel() { return *filesModel_; }
    RecordsPanel& recordsPanel() { return *recordsPanel_; }
    QMenu* recordsMenu() const { return mnuRecords_; }
    ContentsModel& contentsModel() { return *contentsModel_; }
    QMenu* contextMenu() const;

    // Event handlers, public so that tests can drive them as a user would.
    void lblSearch_Click();
    void lblFiles_Click();
    void lblContent_Click();
    void lblRecords_Click();
    // Ctrl+F on the contents list: the find bar under it, which filters its
    // rows; Escape in the bar closes it and shows every row again.
    void openFindBar();
    void closeFindBar();
    // The records commands act on the records of the selected rows, found
    // through RecordsPanel::selectedRecords().
    void mnuLocalTime_Click();
    void mnuExportRecords_Click();
    void mnuCopyRows_Click();
    void mnuShowRawEntry_Click();
    void mnuRecordProperties_Click();
    void mnuRecordCopy_Click();
    void mnuRecordLaunch_Click();
    void lblBrowse_Click();
    void mnuView_Click();
    void mnuSaveResults_Click();
    void mnuCopy_Click();
    void mnuOpen_Click();
    void mnuProperties_Click();
    // Wendel, or a default look-up service as the settings now give it
    // (nothing when they hide it).
    void mnuUrlCommand_Click(UrlCommand command);
    void mnuLookUp_Click(const LookupService& service);
    void mnuServices_Click();

    // The one way an entry of any list goes to a look-up or the viewer:
    // refused with the reason while look-ups are switched off, asked about
    // with the exact address while Confirm is on, then opened (or refused as
    // `addressFor` says). For a list whose menu offers the look-ups too.
    void lookUpEntry(std::string_view entry,
                     const std::function<AddressResult(std::string_view entry)>& addressFor);
    // The look-up services as the settings give them now (read anew).
    const LookupServices& lookupServices();
    void mnuOffline_Click();
    void mnuConfirm_Click();
    void mnuContent_Click();
    void mnuHomepage_Click();
    void mnuSupport_Click();
    void mnuAbout_Click();
    void Form_MouseMove();
    void ResetTabHover();

  signals:
    // A walk or a scan has finished and the window is idle again.
    void workFinished();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildWidgets();
    void buildMenus();
    void ensureLoaded();
    void Form_Load();
    void Form_Resize();
    void SearchForIndexFiles(const std::string& root);
    void finishSearch(const std::string& seconds, bool listFull, int rootError);
    void takeRecords(const RecordsRead& records);
    // The contents list, with the find bar under it while that is open.
    void placeContents();
    // The progress bar of a running scan: bytes read of the file's size.
    void showProgress();
    // Asks, then opens the entry itself: Launch on any list.
    void launchEntry(std::string_view entry);
    void showRecordCount();
    void buildRecordsMenu();
    void popupOnRecords(const QPoint& globalPos);
    // The look-up path for the current record's URL.
    void lookUpRecord(const std::function<AddressResult(std::string_view entry)>& addressFor);
    void finishExtraction(const ScanOutcome& outcome, const std::string& seconds, bool listFull);
    void openAddress(const AddressResult& result);
    // Reads the look-up services anew; when they changed, the menu follows
    // and each key they ignore is logged once.
    void refreshLookups();
    // lookUpEntry on the selected contents row, if any.
    void lookUpSelected(const std::function<AddressResult(std::string_view entry)>& addressFor);
    void toggleSwitch(std::string_view key, std::string_view onLine, std::string_view offLine);

    // Hands an event to the session, shows its controls, then carries out
    // its effects in order.
    void apply(const Event& event);
    void perform(const Effect& effect);
    void render();

    void runMenuCommand(const MenuRow& row);
    void popupAt(const QPoint& globalPos);
    // Opens the lists' popup for `list` (with rows) at a screen position, its
    // items set for that list and its selection.
    void popupOnList(ListKind list, const QPoint& globalPos);
    void drawSelectedTab(ListKind selected);
    ReportList* listFor(ListKind list) const;
    MsgAnswer message(const std::string& text, MsgIcon icon, MsgButtons buttons = MsgButtons::Ok);
    QWidget* widgetFor(Control c) const;

    MainWindowServices services_;
    std::string title_;
    Session session_;
    BackgroundWork* work_ = nullptr;

    bool loaded_ = false;
    bool inLayout_ = false;

    QFrame* shFiles_ = nullptr;
    QFrame* shContent_ = nullptr;
    ClickLabel* lblFiles_ = nullptr;
    ClickLabel* lblContent_ = nullptr;
    QFrame* shRecords_ = nullptr;
    ClickLabel* lblRecords_ = nullptr;
    RecordsPanel* recordsPanel_ = nullptr;
    QLabel* lblRecordCount_ = nullptr;
    QProgressBar* prgRead_ = nullptr;
    QTimer* progressTimer_ = nullptr;
    QLineEdit* txtFindContents_ = nullptr;
    ContentsFindProxy* findProxy_ = nullptr;
    bool findOpen_ = false;
    QMenu* mnuRecords_ = nullptr;
    QMenu* mnuRecordsServices_ = nullptr;
    std::vector<QAction*> recordServiceActions_;
    std::vector<QAction*> recordAddressActions_;
    QAction* mnuLocalTime_ = nullptr;
    ReportList* lvwFiles_ = nullptr;
    ReportList* lvwContents_ = nullptr;
    QLabel* lblSearchIn_ = nullptr;
    PathField* txtSearchIn_ = nullptr;
    ClickLabel* lblBrowse_ = nullptr;
    ClickLabel* lblSearch_ = nullptr;
    FilesModel* filesModel_ = nullptr;
    ContentsModel* contentsModel_ = nullptr;
    std::unique_ptr<ContextMenu> mnuMain_;
    QAction* mnuOffline_ = nullptr;
    QAction* mnuConfirm_ = nullptr;
    std::optional<LookupServices> lookups_;  // as last read
    QPointer<QWidget> servicesDialog_;
    std::unique_ptr<WindowPlacement> placement_;
    ControlRects rects_;
    QPointer<QWidget> about_;
};

}  // namespace tessaly
