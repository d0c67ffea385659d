#include "gui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressBar>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>
#include <array>
#include <climits>
#include <new>
#include <sstream>
#include <variant>

#include "core/actions/addresses.h"
#include "core/actions/result_writer.h"
#include "core/actions/url_rules.h"
#include "core/app/identity.h"
#include "core/app/install_layout.h"
#include "core/app/startup.h"
#include "core/export/record_export.h"
#include "core/extract/codepage.h"
#include "core/search/index_search.h"
#include "core/settings/app_log.h"
#include "core/settings/settings_store.h"
#include "core/ui/menu_state.h"
#include "core/ui/texts.h"
#include "gui/about_dialog.h"
#include "gui/app_icon.h"
#include "gui/context_menu.h"
#include "gui/models.h"
#include "gui/record_properties.h"
#include "gui/records_view.h"
#include "gui/services_dialog.h"
#include "gui/window_placement.h"
#include "platform/dos_path.h"
#include "platform/files.h"

namespace tessaly {

namespace {

std::string Str(std::string_view s) { return std::string(s); }

// Where the records list keeps its time zone switch in the settings file.
constexpr std::string_view kRecordsSection = "Records";
constexpr std::string_view kLocalTimeKey = "LocalTime";

QColor WindowBackground() { return QColor(255, 255, 255); }

void SetColours(QWidget* w, const QColor& background, const QColor& text) {
    QPalette p = w->palette();
    p.setColor(QPalette::Window, background);
    p.setColor(QPalette::WindowText, text);
    w->setPalette(p);
}

MsgIcon IconOf(MessageKind kind) {
    switch (kind) {
        case MessageKind::Information:
            return MsgIcon::Information;
        case MessageKind::Warning:
            return MsgIcon::Exclamation;
        case MessageKind::ErrorReport:
            break;
    }
    return MsgIcon::None;
}

template <class... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};
// Clang before 17 deduces no aggregate's template arguments by itself.
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

// Runs a list's append of delivered rows. A list that finds no memory for
// them stays as it was (the models make room first), and the work stops, to
// end with the report of a full list.
template <typename Append>
void AppendOrStop(BackgroundWork& work, Append&& append) {
    try {
        append();
    } catch (const std::bad_alloc&) {
        work.listOutOfMemory();
    }
}

}  // namespace

MainWindow::MainWindow(const MainWindowServices& services, QWidget* parent)
    : QMainWindow(parent), services_(services), title_(kTitle), rects_(DesignRects()) {
    setObjectName("frmMain");
    setWindowIcon(AppIcon());
    work_ = new BackgroundWork(services_.log, this);
    connect(work_, &BackgroundWork::filesDelivered, this, [this](FilesDelivery& delivery) {
        AppendOrStop(*work_, [&] { filesModel_->appendRows(std::move(delivery.rows)); });
        if (!delivery.folder.empty()) apply(WalkEnteredFolder{std::move(delivery.folder)});
    });
    connect(work_, &BackgroundWork::contentsDelivered, this, [this](ContentsRows& rows) {
        AppendOrStop(*work_, [&] { contentsModel_->appendRows(std::move(rows)); });
    });
    connect(work_, &BackgroundWork::walkFinished, this, &MainWindow::finishSearch);
    connect(work_, &BackgroundWork::recordsRead, this, &MainWindow::takeRecords);
    connect(work_, &BackgroundWork::scanFinished, this, &MainWindow::finishExtraction);
    buildWidgets();
    buildMenus();
    render();
    // The window opens at its design size, sized once the menu bar is filled
    // so that its height is known.
    placement_->resizeOuter(kDesignClientWidth + kNonClientWidth,
                            kDesignClientHeight + kNonClientHeight);
    placement_->setMinimumOuter();
}

MainWindow::~MainWindow() { work_->stopAndWait(); }

void MainWindow::buildWidgets() {
    auto* central = new QWidget(this);
    central->setObjectName("frmMainClient");
    central->setMouseTracking(true);
    central->setAutoFillBackground(true);
    SetColours(central, WindowBackground(), Qt::black);
    central->installEventFilter(this);
    setCentralWidget(central);

    auto makeShape = [&](const char* name) {
        auto* f = new QFrame(central);
        f->setObjectName(name);
        f->setMouseTracking(true);
        f->setAttribute(Qt::WA_TransparentForMouseEvents);
        return f;
    };
    auto makeLabel = [&](const char* name, const char* caption, double points, bool bordered) {
        auto* l = new ClickLabel(QString::fromLatin1(caption), central);
        l->setObjectName(name);
        l->setAlignment(Qt::AlignCenter);
        l->setMouseTracking(true);
        l->setAutoFillBackground(true);
        l->setCursor(Qt::PointingHandCursor);
        QFont f(bordered ? "Verdana" : "MS Sans Serif");
        f.setPointSizeF(points);
        l->setFont(f);
        if (bordered) l->setFrameStyle(QFrame::Box | QFrame::Plain);
        return l;
    };

    shFiles_ = makeShape("shFiles");
    shContent_ = makeShape("shContent");
    lblFiles_ = makeLabel("lblFiles", "Files", 9.75, false);
    lblContent_ = makeLabel("lblContent", "Contents", 9.75, false);
    shRecords_ = makeShape("shRecords");
    lblRecords_ = makeLabel("lblRecords", "Records", 9.75, false);

    filesModel_ = new FilesModel(this);
    contentsModel_ = new ContentsModel(this);
    auto makeList = [&](const char* name, QAbstractItemModel* model) {
        auto* v = new ReportList(central);
        v->setObjectName(name);
        v->setModel(model);
        v->viewport()->setMouseTracking(true);
        v->viewport()->installEventFilter(this);
        v->installEventFilter(this);  // the popup and Enter keys
        return v;
    };
    lvwFiles_ = makeList("lvwFiles", filesModel_);
    lvwContents_ = makeList("lvwContents", contentsModel_);
    txtFindContents_ = new QLineEdit(central);
    txtFindContents_->setObjectName("txtFindContents");
    txtFindContents_->setPlaceholderText(QStringLiteral("Find in the contents (Esc closes)"));
    txtFindContents_->setClearButtonEnabled(true);
    txtFindContents_->hide();
    findProxy_ = new ContentsFindProxy(*contentsModel_, this);
    connect(txtFindContents_, &QLineEdit::textChanged, this, [this](const QString& text) {
        // The rows hold stored bytes (Windows-1252), as the records do.
        findProxy_->setText(Utf8ToCp1252(text.toStdString()));
    });
    auto* find = new QShortcut(QKeySequence::Find, lvwContents_);
    find->setContext(Qt::WidgetShortcut);
    connect(find, &QShortcut::activated, this, &MainWindow::openFindBar);
    auto* closeFind = new QShortcut(QKeySequence(Qt::Key_Escape), txtFindContents_);
    closeFind->setContext(Qt::WidgetShortcut);
    connect(closeFind, &QShortcut::activated, this, &MainWindow::closeFindBar);
    recordsPanel_ = new RecordsPanel(central);
    recordsPanel_->table().viewport()->setMouseTracking(true);
    recordsPanel_->table().viewport()->installEventFilter(this);
    recordsPanel_->table().installEventFilter(this);  // the popup keys
    recordsPanel_->setVisible(false);
    connect(recordsPanel_, &RecordsPanel::shownChanged, this, &MainWindow::showRecordCount);
    // A double-click opens what the menu's first command opens: a file's
    // contents (with the same warning), a record's properties.
    connect(lvwFiles_, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid() && lvwFiles_->isEnabled()) mnuView_Click();
    });
    connect(&recordsPanel_->table(), &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) {
                if (index.isValid()) mnuRecordProperties_Click();
            });

    lblSearchIn_ = new QLabel(QStringLiteral("Search in:"), central);
    lblSearchIn_->setObjectName("lblSearchIn");
    QFont verdana("Verdana");
    verdana.setPointSizeF(8.25);
    lblSearchIn_->setFont(verdana);
    txtSearchIn_ = new PathField(central);
    txtSearchIn_->setObjectName("txtSearchIn");
    txtSearchIn_->setFont(verdana);
    lblBrowse_ = makeLabel("lblBrowse", "...", 9.75, true);
    lblSearch_ = makeLabel("lblSearch", "Search", 12, true);
    lblBrowse_->makeButton(UiText(texts::kBrowseName), UiText(texts::kBrowseDescription));
    lblSearch_->makeButton({}, UiText(texts::kSearchDescription));  // named by its caption

    statusBar()->setObjectName("StatusBar1");
    statusBar()->setSizeGripEnabled(true);
    lblRecordCount_ = new QLabel(statusBar());
    lblRecordCount_->setObjectName("lblRecordCount");
    statusBar()->addPermanentWidget(lblRecordCount_);
    lblRecordCount_->setVisible(false);
    prgRead_ = new QProgressBar(statusBar());
    prgRead_->setObjectName("prgRead");
    prgRead_->setMaximumWidth(260);
    prgRead_->setVisible(false);
    statusBar()->addPermanentWidget(prgRead_);
    progressTimer_ = new QTimer(this);
    progressTimer_->setInterval(100);
    connect(progressTimer_, &QTimer::timeout, this, &MainWindow::showProgress);

    for (auto* l : {lblFiles_, lblContent_, lblRecords_, lblBrowse_, lblSearch_})
        SetColours(l, WindowBackground(), Qt::black);
    const auto roundShape = QStringLiteral(
        "QFrame { background: white; border: 1px solid palette(window-text); border-radius: 8px; "
        "}");
    shFiles_->setStyleSheet(roundShape);
    shContent_->setStyleSheet(roundShape);
    shRecords_->setStyleSheet(roundShape);

    connect(lblSearch_, &ClickLabel::clicked, this, &MainWindow::lblSearch_Click);
    connect(lblFiles_, &ClickLabel::clicked, this, &MainWindow::lblFiles_Click);
    connect(lblContent_, &ClickLabel::clicked, this, &MainWindow::lblContent_Click);
    connect(lblRecords_, &ClickLabel::clicked, this, &MainWindow::lblRecords_Click);
    connect(lblBrowse_, &ClickLabel::clicked, this, &MainWindow::lblBrowse_Click);
    connect(txtSearchIn_, &QLineEdit::returnPressed, this, &MainWindow::lblSearch_Click);
    // A button or tab the pointer leaves loses its hover colours at once.
    for (auto* l : {lblBrowse_, lblSearch_})
        connect(l, &ClickLabel::left, this, [l] { SetColours(l, WindowBackground(), Qt::black); });
    for (auto* l : {lblFiles_, lblContent_, lblRecords_})
        connect(l, &ClickLabel::left, this, &MainWindow::ResetTabHover);
    auto darkButton = [](ClickLabel* l) { SetColours(l, Qt::black, Qt::white); };
    connect(lblSearch_, &ClickLabel::hovered, this, [=, this] { darkButton(lblSearch_); });
    connect(lblBrowse_, &ClickLabel::hovered, this, [=, this] { darkButton(lblBrowse_); });
    auto greyTab = [](QWidget* label, QFrame* shape) {
        SetColours(label, QColor(224, 224, 224), Qt::black);
        shape->setStyleSheet(
            shape->styleSheet().replace("background: white", "background: rgb(224,224,224)"));
    };
    connect(lblFiles_, &ClickLabel::hovered, this, [=, this] { greyTab(lblFiles_, shFiles_); });
    connect(lblContent_, &ClickLabel::hovered, this,
            [=, this] { greyTab(lblContent_, shContent_); });
    connect(lblRecords_, &ClickLabel::hovered, this,
            [=, this] { greyTab(lblRecords_, shRecords_); });

    placement_ = std::make_unique<WindowPlacement>(*this, *lvwFiles_, *lvwContents_);
    for (std::size_t i = 0; i < rects_.size(); ++i) {
        if (QWidget* w = widgetFor(static_cast<Control>(i))) placement_->place(*w, rects_[i]);
    }
}

QWidget* MainWindow::widgetFor(Control c) const {
    switch (c) {
        case Control::ShFiles:
            return shFiles_;
        case Control::LblFiles:
            return lblFiles_;
        case Control::ShContent:
            return shContent_;
        case Control::LblContent:
            return lblContent_;
        case Control::ShRecords:
            return shRecords_;
        case Control::LblRecords:
            return lblRecords_;
        case Control::LvwFiles:
            return lvwFiles_;
        case Control::LvwContents:
            return lvwContents_;
        case Control::LblSearchIn:
            return lblSearchIn_;
        case Control::TxtSearchIn:
            return txtSearchIn_;
        case Control::LblBrowse:
            return lblBrowse_;
        case Control::LblSearch:
            return lblSearch_;
        default:
            return nullptr;  // the status line is the main window's own
    }
}

void MainWindow::buildMenus() {
    auto* file = menuBar()->addMenu(QStringLiteral("&File"));
    auto* exportRecords = file->addAction(UiText(texts::kExportRecordsItem));
    exportRecords->setObjectName("mnuExportRecords");
    connect(exportRecords, &QAction::triggered, this, &MainWindow::mnuExportRecords_Click);
    connect(file, &QMenu::aboutToShow, this, [this, exportRecords] {
        exportRecords->setEnabled(recordsPanel_->model().rowCount() > 0);
    });
    file->addSeparator();
    auto* exit = file->addAction(QStringLiteral("&Exit"));
    exit->setObjectName("mnuExit");
    exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(exit, &QAction::triggered, this, &QWidget::close);

    auto* view = menuBar()->addMenu(QStringLiteral("&View"));
    view->setObjectName("mnuViewMenu");
    mnuLocalTime_ = view->addAction(UiText(texts::kLocalTimeItem));
    mnuLocalTime_->setObjectName("mnuLocalTime");
    mnuLocalTime_->setCheckable(true);
    connect(mnuLocalTime_, &QAction::triggered, this, &MainWindow::mnuLocalTime_Click);

    auto* tools = menuBar()->addMenu(UiText(texts::kToolsMenu));
    tools->setObjectName("mnuTools");
    auto* servicesItem = tools->addAction(UiText(texts::kServicesItem));
    servicesItem->setObjectName("mnuServices");
    connect(servicesItem, &QAction::triggered, this, &MainWindow::mnuServices_Click);
    tools->addSeparator();
    mnuOffline_ = tools->addAction(UiText(texts::kOfflineItem));
    mnuOffline_->setObjectName("mnuOffline");
    mnuOffline_->setCheckable(true);
    connect(mnuOffline_, &QAction::triggered, this, &MainWindow::mnuOffline_Click);
    mnuConfirm_ = tools->addAction(UiText(texts::kConfirmItem));
    mnuConfirm_->setObjectName("mnuConfirm");
    mnuConfirm_->setCheckable(true);
    connect(mnuConfirm_, &QAction::triggered, this, &MainWindow::mnuConfirm_Click);
    // The checks show what the settings file says now, edited by hand or not.
    connect(tools, &QMenu::aboutToShow, this, [this] {
        const LookupSwitches switches = ReadLookupSwitches(services_.settings);
        mnuOffline_->setChecked(switches.offline);
        mnuConfirm_->setChecked(switches.confirm);
    });

    auto* help = menuBar()->addMenu(QStringLiteral("&Help"));
    auto* contents = help->addAction(QStringLiteral("Contents"));
    contents->setObjectName("mnuContent");
    contents->setShortcut(QKeySequence(Qt::Key_F1));
    contents->setShortcutContext(Qt::WindowShortcut);
    connect(contents, &QAction::triggered, this, &MainWindow::mnuContent_Click);
    help->addSeparator();
    auto* home = help->addAction(QStringLiteral("Homepage"));
    home->setObjectName("mnuHomepage");
    connect(home, &QAction::triggered, this, &MainWindow::mnuHomepage_Click);
    auto* support = help->addAction(QStringLiteral("Online Support"));
    support->setObjectName("mnuSupport");
    connect(support, &QAction::triggered, this, &MainWindow::mnuSupport_Click);
    help->addSeparator();
    auto* about = help->addAction(QStringLiteral("About"));
    about->setObjectName("mnuAbout");
    connect(about, &QAction::triggered, this, &MainWindow::mnuAbout_Click);

    // The lists' shared context menu, never shown in the menu bar.
    mnuMain_ = std::make_unique<ContextMenu>(
        *this, [this](const MenuRow& row) { runMenuCommand(row); },
        [this](const LookupService& service) { mnuLookUp_Click(service); });
    buildRecordsMenu();
}

const LookupServices& MainWindow::lookupServices() {
    refreshLookups();
    return *lookups_;
}

void MainWindow::refreshLookups() {
    LookupServices read = ReadLookupServices(services_.settings);
    if (lookups_ == read) return;
    for (const IgnoredService& ignored : read.ignored) {
        const bool loggedBefore =
            lookups_ && std::find(lookups_->ignored.begin(), lookups_->ignored.end(), ignored) !=
                            lookups_->ignored.end();
        if (!loggedBefore) services_.log.write(IgnoredServiceLine(ignored));
    }
    if (!lookups_ || lookups_->services != read.services) mnuMain_->setServices(read.services);
    lookups_ = std::move(read);
}

void MainWindow::runMenuCommand(const MenuRow& row) {
    switch (row.command) {
        case MenuCommand::ViewFileContents:
            mnuView_Click();
            break;
        case MenuCommand::LookUp:
            mnuUrlCommand_Click(row.url);
            break;
        case MenuCommand::SaveResults:
            mnuSaveResults_Click();
            break;
        case MenuCommand::Copy:
            mnuCopy_Click();
            break;
        case MenuCommand::Launch:
            mnuOpen_Click();
            break;
        case MenuCommand::Properties:
            mnuProperties_Click();
            break;
        case MenuCommand::None:
            break;
    }
}

QMenu* MainWindow::contextMenu() const { return mnuMain_->menu(); }

MsgAnswer MainWindow::message(const std::string& text, MsgIcon icon, MsgButtons buttons) {
    return services_.toolkit.messageBox(text, icon, buttons);
}

// ------------------------------------------------------------------- state

void MainWindow::apply(const Event& event) {
    const Effects effects = session_.handle(event);
    render();
    for (const Effect& effect : effects) perform(effect);
}

void MainWindow::perform(const Effect& effect) {
    std::visit(Overloaded{
                   [this](const StartWalk& e) { SearchForIndexFiles(e.root); },
                   [this](const StartScan& e) {
                       // The load steps end before the scan fills the list.
                       ensureLoaded();
                       work_->startScan(e.path);
                       showProgress();
                       progressTimer_->start();
                   },
                   [this](const StopWork& e) {
                       if (e.wait) {
                           work_->stopAndWait();
                       } else {
                           work_->requestStop();
                       }
                   },
                   [this](const ClearList& e) {
                       switch (e.list) {
                           case ListKind::Files:
                               if (filesModel_->rowCount() > 0) filesModel_->clear();
                               break;
                           case ListKind::Contents:
                               closeFindBar();
                               contentsModel_->clear();
                               break;
                           case ListKind::Records:
                               takeRecords({});
                               break;
                       }
                   },
                   [this](const LogLine& e) { services_.log.write(e.text); },
                   [this](const ShowMessage& e) { message(e.text, IconOf(e.kind)); },
               },
               effect);
}

ReportList* MainWindow::listFor(ListKind list) const {
    switch (list) {
        case ListKind::Files:
            return lvwFiles_;
        case ListKind::Contents:
            return lvwContents_;
        case ListKind::Records:
            return &recordsPanel_->table();
    }
    return nullptr;
}

// Shows the session's controls; nothing here decides anything.
void MainWindow::render() {
    const Controls c = session_.controls();
    for (std::size_t i = 0; i < kListKinds; ++i) {
        const ListControls& shown = c.lists[i];
        ReportList* list = listFor(static_cast<ListKind>(i));
        list->setEnabled(shown.enabled);
        list->header()->setVisible(shown.headerVisible);
        if (static_cast<ListKind>(i) == ListKind::Records) {
            recordsPanel_->setEnabled(shown.enabled);
            recordsPanel_->setVisible(shown.visible);
            lblRecordCount_->setVisible(shown.visible);
        } else {
            list->setVisible(shown.visible);
        }
    }
    txtFindContents_->setVisible(findOpen_ && !lvwContents_->isHidden());
    txtSearchIn_->setEnabled(c.searchFieldEnabled);
    lblBrowse_->setEnabled(c.browseEnabled);
    lblSearch_->setEnabled(c.searchEnabled);
    lblSearch_->setText(UiText(c.searchCaption));
    if (c.status.empty()) {
        statusBar()->clearMessage();
    } else if (const QString status = PathText(c.status); statusBar()->currentMessage() != status) {
        statusBar()->showMessage(status);
    }
    setWindowTitle(QString::fromStdString(title_ + Str(c.titleTag)));
    drawSelectedTab(c.selectedTab);
}

// ---------------------------------------------------------------- start-up

void MainWindow::startUp(const std::string& commandLineText) {
    services_.log.write("Initializing " + title_ + " v." + std::to_string(kVersion.major) + "." +
                        std::to_string(kVersion.minor) + "." + std::to_string(kVersion.revision));
    if (!commandLineText.empty()) {
        const std::string path = StartupPath(commandLineText);
        if (FolderExists(path)) {
            // A folder is searched, as if typed into "Search in:".
            ensureLoaded();
            txtSearchIn_->setPath(AddBackslash(path));
            lblSearch_Click();
        } else if (!FileExists(path)) {
            message(CouldNotLocateText(title_, path), MsgIcon::Exclamation);
        } else if (message(Str(texts::kWarnMayTakeAMoment), MsgIcon::Exclamation,
                           MsgButtons::OkCancel) == MsgAnswer::Ok) {
            ExtractContents(path, ExtractFrom::StartUp, /*wait=*/true);
        }
    }
    ensureLoaded();
}

void MainWindow::ensureLoaded() {
    if (loaded_) return;
    loaded_ = true;
    Form_Load();
}

void MainWindow::Form_Load() {
    placement_->setFirstColumns();

    auto& settings = services_.settings;
    const std::string root = settings.read("Search", "Path", DefaultSearchRoot());
    if (!root.empty()) {
        txtSearchIn_->setPath(root);
        services_.log.write("Search path: " + root);
    } else {
        txtSearchIn_->setPath(DefaultSearchRoot());
        services_.log.write("Invalid search path, resetting to default");
    }

    const WindowPlacement::Restored placed = placement_->restore(settings);
    services_.log.write("Position Top: " + FormatSingle(placed.top));
    services_.log.write("Position Left: " + FormatSingle(placed.left));
    services_.log.write("Height: " + FormatSingle(placed.height));
    services_.log.write("Width: " + FormatSingle(placed.width));
    refreshLookups();
    const bool local = settings.read(kRecordsSection, kLocalTimeKey, "0") == "1";
    mnuLocalTime_->setChecked(local);
    recordsPanel_->model().setLocalZone(local);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Closing stops a running walk or scan first and waits for its thread.
    apply(WindowClosing{});

    auto& log = services_.log;
    auto& settings = services_.settings;
    log.write("Preparing to close " + title_);
    log.write("Saving " + title_ + " settings");
    log.write("Saving Search path");
    const std::string root = txtSearchIn_->path();
    settings.write("Search", "Path", root);
    log.write("Search path: " + root + " saved");
    settings.write("Main", "Ver", VersionText());
    placement_->save(settings);
    log.write("Settings saved, preparing to close");
    if (about_) about_->close();
    event->accept();
}

// ------------------------------------------------------------------ search

void MainWindow::lblSearch_Click() {
    switch (session_.searchAction()) {
        case SearchAction::Search: {
            // A field too short to name a folder takes the stored root; the
            // platform's root folder is short but whole.
            const QString text = txtSearchIn_->text();
            if (text.size() < 3 && text != PathText(DefaultSearchRoot())) {
                txtSearchIn_->setPath(
                    services_.settings.read("Search", "Path", DefaultSearchRoot()));
            }
            apply(SearchClicked{txtSearchIn_->path()});
            break;
        }
        case SearchAction::Back:
            apply(BackClicked{});
            break;
        case SearchAction::Stop:
            apply(StopClicked{});
            break;
    }
}

void MainWindow::SearchForIndexFiles(const std::string& root) { work_->startWalk(root); }

void MainWindow::finishSearch(const std::string& seconds, bool listFull, int rootError) {
    apply(WalkFinished{static_cast<std::size_t>(filesModel_->rowCount()), seconds, listFull,
                       rootError});
    if (!session_.closing()) emit workFinished();
}

// -------------------------------------------------------------- extraction

void MainWindow::ExtractContents(const std::string& path, ExtractFrom from, bool wait) {
    apply(ExtractRequested{path, from});
    if (wait && busy()) {
        QEventLoop loop;
        connect(this, &MainWindow::workFinished, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

void MainWindow::showProgress() {
    const BackgroundWork::Progress p = work_->progress();
    if (!work_->busy() || p.total == 0) {
        prgRead_->setVisible(false);
        return;
    }
    // KiB, so that a file of any size fits the bar's int.
    prgRead_->setRange(0, static_cast<int>(std::min<std::uint64_t>(p.total / 1024 + 1, INT_MAX)));
    prgRead_->setValue(static_cast<int>(std::min<std::uint64_t>(p.done / 1024, INT_MAX)));
    prgRead_->setFormat((p.records ? QStringLiteral("Records: ") : QStringLiteral("Contents: ")) +
                        QStringLiteral("%L1 of %L2 KB").arg(p.done / 1024).arg(p.total / 1024));
    prgRead_->setVisible(true);
}

void MainWindow::finishExtraction(const ScanOutcome& outcome, const std::string& seconds,
                                  bool listFull) {
    progressTimer_->stop();
    prgRead_->setVisible(false);
    apply(ScanFinished{static_cast<std::size_t>(contentsModel_->rowCount()), outcome.ok,
                       outcome.ok ? std::string() : outcome.error.ReportText(), seconds, listFull});
    if (!session_.closing()) emit workFinished();
}

// ------------------------------------------------------------ lists, menu

void MainWindow::popupAt(const QPoint& globalPos) {
    services_.popper.popup(*mnuMain_->menu(), globalPos);
}

void MainWindow::popupOnList(ListKind list, const QPoint& globalPos) {
    ReportList* view = listFor(list);
    if (!OpensPopup(true, static_cast<std::size_t>(view->model()->rowCount()))) return;
    refreshLookups();
    const bool offline = ReadLookupSwitches(services_.settings).offline;
    mnuMain_->prepareFor(list, offline ? texts::kLookupsOff : std::string_view(),
                         SelectedSourceRow(*view) >= 0);
    popupAt(globalPos);
}

// The records list's own menu, at a right-click or the menu key.
void MainWindow::popupOnRecords(const QPoint& globalPos) {
    const ReportList& view = recordsPanel_->table();
    if (!view.isEnabled() || !OpensPopup(true, static_cast<std::size_t>(view.model()->rowCount())))
        return;
    refreshLookups();
    const bool offline = ReadLookupSwitches(services_.settings).offline;
    mnuRecordsServices_->clear();
    recordServiceActions_ = AddLookUpItems(
        *mnuRecordsServices_, nullptr, lookups_->services, [this](const LookupService& service) {
            lookUpRecord([&](std::string_view entry) { return LookUpAddress(service, entry); });
        });
    const std::string_view offlineReason = offline ? texts::kLookupsOff : std::string_view();
    for (const auto* actions : {&recordServiceActions_, &recordAddressActions_}) {
        for (QAction* action : *actions) {
            action->setEnabled(true);
            ApplyOffline(*action, offlineReason);
        }
    }
    services_.popper.popup(*mnuRecords_, globalPos);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (!lvwFiles_ || !lvwContents_) return QMainWindow::eventFilter(watched, event);
    if (recordsPanel_ && watched == recordsPanel_->table().viewport()) {
        if (event->type() == QEvent::MouseMove) {
            ResetTabHover();
            return false;
        }
        if (event->type() != QEvent::MouseButtonPress) return false;
        auto* me = static_cast<QMouseEvent*>(event);
        ReportList& view = recordsPanel_->table();
        if (!view.isEnabled()) return true;
        const bool rightOnly = me->button() == Qt::RightButton && me->buttons() == Qt::RightButton;
        if (!rightOnly) return false;
        // A right-click on a row outside the selection selects that row alone;
        // on a selected row it keeps the selection (Copy rows takes them all).
        const QModelIndex index = view.indexAt(me->position().toPoint());
        if (index.isValid() && !view.selectionModel()->isRowSelected(index.row())) {
            view.selectionModel()->setCurrentIndex(
                index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        } else if (index.isValid()) {
            view.selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        }
        popupOnRecords(me->globalPosition().toPoint());
        return true;
    }
    if (recordsPanel_ && watched == &recordsPanel_->table() && event->type() == QEvent::KeyPress) {
        if (ListKeyOf(*static_cast<QKeyEvent*>(event), false) != ListKey::Popup) return false;
        ReportList& view = recordsPanel_->table();
        const QRect row = view.visualRect(view.currentIndex());
        const QPoint at = row.isValid() ? row.bottomLeft() + QPoint(8, 0) : QPoint(8, 8);
        popupOnRecords(view.viewport()->mapToGlobal(at));
        return true;
    }
    const bool files = watched == lvwFiles_->viewport();
    const bool contents = watched == lvwContents_->viewport();
    if ((files || contents) && event->type() == QEvent::MouseButtonPress) {
        auto* me = static_cast<QMouseEvent*>(event);
        ReportList* view = files ? lvwFiles_ : lvwContents_;
        // A disabled list takes no clicks and opens no menu.
        if (!view->isEnabled()) return true;
        const bool rightOnly = me->button() == Qt::RightButton && me->buttons() == Qt::RightButton;
        if (!rightOnly) return false;
        // A right-click selects the row under the pointer, as list controls do.
        const QModelIndex index = view->indexAt(me->position().toPoint());
        if (index.isValid()) view->setCurrentIndex(index);
        popupOnList(files ? ListKind::Files : ListKind::Contents, me->globalPosition().toPoint());
        return true;
    }
    if ((watched == lvwFiles_ || watched == lvwContents_) && event->type() == QEvent::KeyPress) {
        const auto list = watched == lvwFiles_ ? ListKind::Files : ListKind::Contents;
        switch (ListKeyOf(*static_cast<QKeyEvent*>(event), list == ListKind::Files)) {
            case ListKey::Popup: {
                // The menu key and Shift+F10 open the popup at the current row.
                ReportList* view = listFor(list);
                const QRect row = view->visualRect(view->currentIndex());
                const QPoint at = row.isValid() ? row.bottomLeft() + QPoint(8, 0) : QPoint(8, 8);
                popupOnList(list, view->viewport()->mapToGlobal(at));
                return true;
            }
            case ListKey::View:
                if (SelectedSourceRow(*lvwFiles_) >= 0) mnuView_Click();
                return true;
            case ListKey::Other:
                break;
        }
        return false;
    }
    if ((files || contents) && event->type() == QEvent::MouseMove) {
        ResetTabHover();
        return false;
    }
    if (watched == centralWidget() && event->type() == QEvent::MouseMove) {
        Form_MouseMove();
        return false;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::ResetTabHover() {
    SetColours(lblFiles_, WindowBackground(), Qt::black);
    SetColours(lblContent_, WindowBackground(), Qt::black);
    SetColours(lblRecords_, WindowBackground(), Qt::black);
    for (QFrame* shape : {shFiles_, shContent_, shRecords_}) {
        shape->setStyleSheet(
            shape->styleSheet().replace("background: rgb(224,224,224)", "background: white"));
    }
}

// The tab of the list in front is drawn selected: its caption bold, its
// shape's border doubled.
void MainWindow::drawSelectedTab(ListKind selected) {
    const std::array<std::pair<ClickLabel*, QFrame*>, kListKinds> tabs = {
        {{lblFiles_, shFiles_}, {lblContent_, shContent_}, {lblRecords_, shRecords_}}};
    for (std::size_t i = 0; i < kListKinds; ++i) {
        const bool on = static_cast<ListKind>(i) == selected;
        auto [label, shape] = tabs[i];
        QFont font = label->font();
        font.setBold(on);
        label->setFont(font);
        QString sheet = shape->styleSheet();
        sheet.replace(on ? "border: 1px" : "border: 2px", on ? "border: 2px" : "border: 1px");
        if (sheet != shape->styleSheet()) shape->setStyleSheet(sheet);
        label->setAccessibleDescription(on ? UiText(texts::kSelectedTab) : QString());
    }
}

void MainWindow::Form_MouseMove() {
    SetColours(lblSearch_, WindowBackground(), Qt::black);
    SetColours(lblBrowse_, WindowBackground(), Qt::black);
    ResetTabHover();
}

void MainWindow::mouseMoveEvent(QMouseEvent* event) {
    Form_MouseMove();
    QMainWindow::mouseMoveEvent(event);
}

// F1 opens help from anywhere in the window, with any modifier held; the
// search field and the lists pass it up here untyped. The key goes no further. Every other key
// passes through.
void MainWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {  // whatever modifier is held
        event->accept();
        mnuContent_Click();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void MainWindow::lblFiles_Click() {
    apply(TabClicked{ListKind::Files, static_cast<std::size_t>(filesModel_->rowCount())});
}

void MainWindow::lblContent_Click() {
    apply(TabClicked{ListKind::Contents, static_cast<std::size_t>(contentsModel_->rowCount())});
}

void MainWindow::placeContents() {
    TwipRect list = rects_[static_cast<std::size_t>(Control::LvwContents)];
    if (findOpen_) {
        constexpr double kBarHeight = 315;
        constexpr double kGap = 45;
        list.height -= kBarHeight + kGap;
        placement_->place(*txtFindContents_,
                          {list.left, list.top + list.height + kGap, list.width, kBarHeight});
    }
    placement_->place(*lvwContents_, list);
}

void MainWindow::openFindBar() {
    if (!findOpen_) {
        findOpen_ = true;
        lvwContents_->setModel(findProxy_);
        Form_Resize();  // the list's column too, which a new model resets
        render();
    }
    txtFindContents_->setFocus();
    txtFindContents_->selectAll();
}

void MainWindow::closeFindBar() {
    if (!findOpen_) return;
    // The row selected through the filter stays selected without it.
    const int selected = SelectedSourceRow(*lvwContents_);
    findOpen_ = false;
    {
        const QSignalBlocker quiet(txtFindContents_);
        txtFindContents_->clear();
    }
    findProxy_->setText(std::string());
    lvwContents_->setModel(contentsModel_);
    Form_Resize();
    render();
    if (selected >= 0) {
        const QModelIndex index = contentsModel_->index(selected, 0);
        lvwContents_->selectionModel()->setCurrentIndex(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        lvwContents_->scrollTo(index);
    }
    lvwContents_->setFocus();
}

void MainWindow::lblRecords_Click() {
    apply(TabClicked{ListKind::Records, recordsPanel_->model().total()});
}

void MainWindow::lblBrowse_Click() {
    std::string folder = services_.toolkit.pickFolder(Str(texts::kSelectFolder));
    // A cancelled picker gives nothing; any folder picked, the root included,
    // goes into the field with its trailing separator.
    if (folder.empty()) return;
    txtSearchIn_->setPath(AddBackslash(folder));
}

void MainWindow::mnuView_Click() {
    if (message(Str(texts::kWarnMayTakeAMoment), MsgIcon::Exclamation, MsgButtons::OkCancel) !=
        MsgAnswer::Ok) {
        return;
    }
    const int row = SelectedSourceRow(*lvwFiles_);
    if (row < 0) return;
    // The search row stays disabled until the scan ends.
    ExtractContents(filesModel_->row(row).location, ExtractFrom::FilesList);
}

void MainWindow::mnuSaveResults_Click() {
    const int view = currentView();
    if (view != 1 && view != 2) {
        message(Str(texts::kSaveInvalidView), MsgIcon::Exclamation);
        services_.log.write(Str(texts::kSaveInvalidView));
        return;
    }
    const bool files = view == 1;
    // The dialog opens where the user saved last, else in the documents
    // folder: never inside the evidence being searched.
    const std::string last = services_.settings.read(kSaveFolderSection, kSaveFolderKey, "");
    const std::string name = services_.toolkit.saveFileName(
        Str(files ? texts::kSaveResultsTitle : texts::kSaveContentsTitle), Str(texts::kSaveFilter),
        !last.empty() && FolderExists(last) ? last : services_.toolkit.documentsFolder());
    if (name.empty()) return;
    const SaveLayout layout = LayoutForFileName(name);
    const auto& fileRows = filesModel_->rows();
    const auto& entries = contentsModel_->rows();
    const SaveResult result = SaveAtomically(
        name,
        [&](std::ostream& out) {
            if (layout == SaveLayout::Html) {
                if (files) {
                    WriteHtml(
                        out, contentsFile(), fileRows.size(),
                        [&](std::size_t i) { return std::string_view(fileRows[i].location); },
                        HtmlItems::Paths);
                } else {
                    WriteHtml(out, contentsFile(), entries.size(),
                              [&](std::size_t i) { return entries.shown(i); });
                }
            } else if (files) {
                WritePlainFiles(out, fileRows, [](const std::string& p) { return GetDosPath(p); });
            } else {
                WritePlainContents(out, entries);
            }
        },
        {.readFrom = {contentsFile()}});  // never over the file the contents were read from
    if (!result.ok) {
        message(
            "Could not save " + name + "\r\n\r\n" + result.reason + "\r\n\r\nNothing was changed.",
            MsgIcon::Exclamation);
        return;
    }
    if (!services_.settings.write(kSaveFolderSection, kSaveFolderKey, FolderOf(name))) {
        services_.log.write("Could not remember the save folder in " +
                            services_.settings.settingsFilePath());
    }
    message(Str(texts::kFileSavedAs) + name, MsgIcon::Information);
}

void MainWindow::mnuCopy_Click() {
    if (currentView() == 1) {
        const int row = SelectedSourceRow(*lvwFiles_);
        if (row < 0) return;
        services_.toolkit.setClipboardText(
            PathText(FilesRowClipboardText(filesModel_->row(row))).toStdString());
    } else if (currentView() == 2) {
        const int row = SelectedSourceRow(*lvwContents_);
        if (row < 0) return;
        services_.toolkit.setClipboardText(
            EntryText(contentsModel_->rows().row(static_cast<std::size_t>(row))).toStdString());
    }
}

// The question names the address that will be opened, so it is asked once
// that address is known; an entry that is no address is not asked about.
void MainWindow::mnuOpen_Click() {
    if (currentView() == 1) return;
    const int row = SelectedSourceRow(*lvwContents_);
    if (row < 0) return;
    launchEntry(contentsModel_->rows().row(static_cast<std::size_t>(row)));
}

void MainWindow::launchEntry(std::string_view entry) {
    if (ReadLookupSwitches(services_.settings).offline) {
        openAddress(SwitchedOff());
        return;
    }
    const AddressResult result = AddressFor(UrlCommand::Launch, entry, {});
    if (result.kind == AddressResult::Kind::Open &&
        message(Str(texts::kLaunchQuestion) + "\r\n" + result.address, MsgIcon::Question,
                MsgButtons::YesNo) != MsgAnswer::Yes) {
        return;
    }
    openAddress(result);
}

void MainWindow::mnuUrlCommand_Click(UrlCommand command) {
    if (command == UrlCommand::Launch) {
        mnuOpen_Click();
        return;
    }
    if (command == UrlCommand::Wendel) {
        lookUpSelected([this](std::string_view entry) {
            return AddressFor(UrlCommand::Wendel, entry,
                              services_.settings.viewerPrefix(DefaultWendelPrefix()));
        });
        return;
    }
    for (const LookupService& service : lookupServices().services) {
        if (service.builtIn == command) {
            mnuLookUp_Click(service);
            return;
        }
    }
}

void MainWindow::mnuLookUp_Click(const LookupService& service) {
    lookUpSelected([&](std::string_view entry) { return LookUpAddress(service, entry); });
}

void MainWindow::lookUpSelected(
    const std::function<AddressResult(std::string_view entry)>& addressFor) {
    const int row = SelectedSourceRow(*lvwContents_);
    if (row < 0) return;
    lookUpEntry(contentsModel_->rows().row(static_cast<std::size_t>(row)), addressFor);
}

void MainWindow::lookUpEntry(
    std::string_view entry,
    const std::function<AddressResult(std::string_view entry)>& addressFor) {
    // Read now, so that a switch set by hand a moment ago counts.
    const LookupSwitches switches = ReadLookupSwitches(services_.settings);
    if (switches.offline) {
        openAddress(SwitchedOff());
        return;
    }
    const AddressResult result = addressFor(entry);
    if (result.kind == AddressResult::Kind::Open && switches.confirm &&
        message(LookUpQuestion(result.address), MsgIcon::Question, MsgButtons::YesNo) !=
            MsgAnswer::Yes) {
        return;
    }
    openAddress(result);
}

void MainWindow::mnuServices_Click() {
    if (servicesDialog_) {
        servicesDialog_->raise();
        servicesDialog_->activateWindow();
        return;
    }
    auto* dialog = new ServicesDialog(services_.settings, services_.toolkit, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this] {
        services_.log.write("Look-up services saved in the settings file");
        refreshLookups();
    });
    servicesDialog_ = dialog;
    dialog->open();
}

void MainWindow::mnuOffline_Click() {
    toggleSwitch(kOfflineKey, "Look-ups and launches switched off",
                 "Look-ups and launches switched on");
}

void MainWindow::mnuConfirm_Click() {
    toggleSwitch(kConfirmKey, "Look-ups now ask before opening",
                 "Look-ups no longer ask before opening");
}

// Flips a [Lookups] switch from what the file says now; a switch that
// cannot be written is said, and the menu shows what still holds.
void MainWindow::toggleSwitch(std::string_view key, std::string_view onLine,
                              std::string_view offLine) {
    const LookupSwitches now = ReadLookupSwitches(services_.settings);
    const bool on = !(key == kOfflineKey ? now.offline : now.confirm);
    if (!services_.settings.write(kLookupsSection, key, on ? "1" : "0")) {
        message("Could not write " + std::string(key) + "=" + (on ? "1" : "0") + " to " +
                    services_.settings.settingsFilePath() + "\r\n\r\nThe setting stays as it was.",
                MsgIcon::Exclamation);
    } else {
        services_.log.write(Str(on ? onLine : offLine));
    }
    const LookupSwitches after = ReadLookupSwitches(services_.settings);
    mnuOffline_->setChecked(after.offline);
    mnuConfirm_->setChecked(after.confirm);
}

void MainWindow::openAddress(const AddressResult& result) {
    switch (result.kind) {
        case AddressResult::Kind::Open:
            services_.shell.open(result.address);
            break;
        case AddressResult::Kind::InvalidUrl:
            message(Str(texts::kInvalidUrl), MsgIcon::Exclamation);
            break;
        case AddressResult::Kind::NotAnAddress:
            message(result.reason, MsgIcon::Exclamation);
            break;
        case AddressResult::Kind::Nothing:
            break;
    }
}

void MainWindow::mnuProperties_Click() {
    if (currentView() == 2 || filesModel_->rowCount() == 0) return;
    const int row = SelectedSourceRow(*lvwFiles_);
    if (row < 0) return;
    services_.shell.showProperties(filesModel_->row(row).location);
}

// ----------------------------------------------------------------- records

void MainWindow::buildRecordsMenu() {
    mnuRecords_ = new QMenu(this);
    mnuRecords_->setObjectName("mnuRecords");
    mnuRecords_->setToolTipsVisible(true);
    auto add = [this](QMenu& menu, const char* name, const QString& caption, auto slot) {
        auto* action = menu.addAction(caption);
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    // The same look-ups, copy and launch as the contents list, on the
    // record's URL, through the same path.
    recordAddressActions_.push_back(
        add(*mnuRecords_, "mnuRecordWendel", UiText(Caption(UrlCommand::Wendel)), [this] {
            lookUpRecord([this](std::string_view entry) {
                return AddressFor(UrlCommand::Wendel, entry,
                                  services_.settings.viewerPrefix(DefaultWendelPrefix()));
            });
        }));
    mnuRecordsServices_ = mnuRecords_->addMenu(QStringLiteral("Check this site with"));
    mnuRecordsServices_->setObjectName("mnuRecordURLCheckSite");
    mnuRecordsServices_->setToolTipsVisible(true);
    mnuRecords_->addSeparator();
    add(*mnuRecords_, "mnuRecordCopy", QStringLiteral("&Copy selected URL"),
        &MainWindow::mnuRecordCopy_Click);
    add(*mnuRecords_, "mnuCopyRows", UiText(texts::kCopyRowsItem), &MainWindow::mnuCopyRows_Click);
    recordAddressActions_.push_back(add(*mnuRecords_, "mnuRecordOpen",
                                        UiText(Caption(UrlCommand::Launch)),
                                        &MainWindow::mnuRecordLaunch_Click));
    mnuRecords_->addSeparator();
    add(*mnuRecords_, "mnuShowRawEntry", UiText(texts::kShowRawEntryItem),
        &MainWindow::mnuShowRawEntry_Click);
    add(*mnuRecords_, "mnuRecordExport", UiText(texts::kExportRecordsItem),
        &MainWindow::mnuExportRecords_Click);
    mnuRecords_->addSeparator();
    add(*mnuRecords_, "mnuRecordProperties", UiText(texts::kRecordPropertiesItem),
        &MainWindow::mnuRecordProperties_Click);
}

void MainWindow::takeRecords(const RecordsRead& records) {
    recordsPanel_->setTable(records.table, records.timeline);
    const std::size_t count = records.table ? records.table->size() : 0;
    lblRecords_->setText(count > 0
                             ? UiText(texts::kRecordsTab) + QStringLiteral(" (%L1)").arg(count)
                             : UiText(texts::kRecordsTab));
    if (!records.table) return;
    if (!records.outcome.ok()) {
        services_.log.write("Records not read: " + records.outcome.failureText());
    } else if (records.full) {
        services_.log.write(ListFullReport(count));
    }
    services_.log.write("Records found: " + std::to_string(count));
}

void MainWindow::showRecordCount() { lblRecordCount_->setText(recordsPanel_->countText()); }

void MainWindow::mnuLocalTime_Click() {
    const bool local = !recordsPanel_->model().localZone();
    if (!services_.settings.write(kRecordsSection, kLocalTimeKey, local ? "1" : "0")) {
        message("Could not write " + Str(kLocalTimeKey) + "=" + (local ? "1" : "0") + " to " +
                    services_.settings.settingsFilePath() +
                    "\r\n\r\nTimes are shown in the new zone until Tessaly closes.",
                MsgIcon::Exclamation);
    }
    recordsPanel_->model().setLocalZone(local);
    mnuLocalTime_->setChecked(local);
}

namespace {

// The address a record hands to a look-up or a launch: its URL, or its
// location when it has none.
std::string_view RecordEntry(const Record& record) {
    if (record.url && !record.url->empty()) return *record.url;
    return record.location.value_or(std::string_view());
}

}  // namespace

void MainWindow::lookUpRecord(
    const std::function<AddressResult(std::string_view entry)>& addressFor) {
    const auto record = recordsPanel_->currentRecord();
    if (!record) return;
    lookUpEntry(RecordEntry(recordsPanel_->model().list().table().at(*record)), addressFor);
}

void MainWindow::mnuRecordCopy_Click() {
    const auto record = recordsPanel_->currentRecord();
    if (!record) return;
    services_.toolkit.setClipboardText(
        EntryText(RecordEntry(recordsPanel_->model().list().table().at(*record))).toStdString());
}

void MainWindow::mnuRecordLaunch_Click() {
    const auto record = recordsPanel_->currentRecord();
    if (!record) return;
    launchEntry(RecordEntry(recordsPanel_->model().list().table().at(*record)));
}

void MainWindow::mnuCopyRows_Click() {
    const std::vector<std::size_t> records = recordsPanel_->selectedRecords();
    if (records.empty()) return;
    const RecordTable& table = recordsPanel_->model().list().table();
    std::ostringstream out;
    {
        const std::unique_ptr<RecordWriter> writer =
            FindRecordExportFormat("tsv")->make(out, table.file());
        writer->begin();
        for (const std::size_t i : records) writer->write(table.at(i));
        writer->end();
    }
    services_.toolkit.setClipboardText(out.str());
}

void MainWindow::mnuShowRawEntry_Click() {
    const auto record = recordsPanel_->currentRecord();
    if (!record) return;
    const Record r = recordsPanel_->model().list().table().at(*record);
    const ContentsRows& rows = contentsModel_->rows();
    // The raw rows lie in file order: those inside the record's blocks follow
    // one another. The one whose text the location holds is the location's.
    constexpr std::uint64_t kBlock = 0x80;
    const std::uint64_t end = r.offset + std::max<std::uint64_t>(r.blocks, 1) * kBlock;
    std::size_t lo = 0, hi = rows.size();
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (rows.position(mid) < r.offset) {
            lo = mid + 1;
        } else {
            hi = mid;
        }
    }
    std::optional<std::size_t> found;
    const std::string_view location = r.location.value_or(std::string_view());
    for (std::size_t i = lo; i < rows.size() && rows.position(i) < end; ++i) {
        const std::string_view shown = rows.shown(i);
        if (!found) found = i;
        if (!shown.empty() && location.find(shown) != std::string_view::npos) {
            found = i;
            break;
        }
    }
    if (!found) {
        message("No raw entry of the contents list lies in this record (offset " +
                    RecordCellText(recordsPanel_->model().list().table(), *record,
                                   RecordColumn::Offset, false) +
                    ").",
                MsgIcon::Information);
        return;
    }
    closeFindBar();
    apply(TabClicked{ListKind::Contents, rows.size()});
    const QModelIndex index = contentsModel_->index(static_cast<int>(*found), 0);
    lvwContents_->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    lvwContents_->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void MainWindow::mnuRecordProperties_Click() {
    const auto record = recordsPanel_->currentRecord();
    if (!record) return;
    ShowRecordProperties(this, recordsPanel_->model().list().table().at(*record));
}

void MainWindow::mnuExportRecords_Click() {
    RecordsModel& model = recordsPanel_->model();
    if (model.rowCount() == 0) return;
    // The formats of the export table a report is made of; TSV is Copy rows.
    std::vector<const RecordExportFormat*> formats;
    std::string filter;
    for (const RecordExportFormat& format : RecordExportFormats()) {
        if (format.name == "tsv") continue;
        formats.push_back(&format);
        if (!filter.empty()) filter += '|';
        filter +=
            Str(format.label) + " (*." + Str(format.extension) + ")|*." + Str(format.extension);
    }
    const std::string name = services_.toolkit.saveFileName(Str(texts::kExportRecordsTitle), filter,
                                                            txtSearchIn_->path());
    if (name.empty()) return;
    // The format follows the name's ending; a name without a known one is CSV.
    const RecordExportFormat* chosen = FindRecordExportFormat("csv");
    for (const RecordExportFormat* format : formats) {
        std::string ending(1, '.');
        ending += format->extension;
        if (name.size() > ending.size() &&
            QString::fromStdString(name).endsWith(QString::fromStdString(ending),
                                                  Qt::CaseInsensitive)) {
            chosen = format;
        }
    }
    const RecordList& list = model.list();
    const SaveResult result = SaveAtomically(
        name,
        [&](std::ostream& out) {
            const std::unique_ptr<RecordWriter> writer = chosen->make(out, list.table().file());
            writer->begin();
            for (std::size_t row = 0; row < list.shown(); ++row)
                writer->write(list.table().at(list.recordAt(row)));
            writer->end();
        },
        {.readFrom = {list.table().file()}});  // never over the file the records were read from
    if (!result.ok) {
        message(
            "Could not save " + name + "\r\n\r\n" + result.reason + "\r\n\r\nNothing was changed.",
            MsgIcon::Exclamation);
        return;
    }
    services_.log.write("Records exported (" + std::to_string(list.shown()) + ", " +
                        Str(chosen->name) + ") to " + name);
    message(Str(texts::kFileSavedAs) + name, MsgIcon::Information);
}

// ------------------------------------------------------------------- help

void MainWindow::mnuContent_Click() {
    const std::string help = FindHelpPage(services_.applicationFolder);
    if (!help.empty()) {
        services_.shell.open(help);
    } else if (message(Str(texts::kNoHelpFiles), MsgIcon::Exclamation, MsgButtons::YesNo) ==
               MsgAnswer::Yes) {
        services_.shell.open(KnowledgeBaseAddress());
    }
}

void MainWindow::mnuHomepage_Click() { services_.shell.open(ProductPageAddress()); }
void MainWindow::mnuSupport_Click() { services_.shell.open(KnowledgeBaseAddress()); }

void MainWindow::mnuAbout_Click() {
    if (!about_) about_ = CreateAboutDialog(this, services_.shell);
    about_->show();
    about_->raise();
    about_->activateWindow();
}

// ----------------------------------------------------------------- layout

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    Form_Resize();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void MainWindow::Form_Resize() {
    if (isMinimized() || inLayout_) return;
    inLayout_ = true;
    const MinimumCheck check = CheckMinimum(placement_->outerWidth(), placement_->outerHeight());
    // One message and one correction per dimension, width first.
    if (check.widthTooSmall) {
        message(Str(texts::kMinimumWidth), MsgIcon::Information);
        placement_->resizeOuter(check.width, placement_->outerHeight());
    }
    if (check.heightTooSmall) {
        message(Str(texts::kMinimumHeight), MsgIcon::Information);
        placement_->resizeOuter(check.width, check.height);
    }
    const LayoutResult layout = LayoutFor(check.width, check.height, rects_);
    rects_ = layout.rects;
    for (Control c : {Control::LvwFiles, Control::LvwContents, Control::LblSearchIn,
                      Control::TxtSearchIn, Control::LblBrowse, Control::LblSearch}) {
        placement_->place(*widgetFor(c), rects_[static_cast<std::size_t>(c)]);
    }
    placement_->setFilesColumn(0, layout.columns.location);
    placement_->setContentsColumn(layout.columns.fileContents);
    placeContents();
    placement_->place(*recordsPanel_, rects_[static_cast<std::size_t>(Control::LvwContents)]);
    inLayout_ = false;
}

}  // namespace tessaly
