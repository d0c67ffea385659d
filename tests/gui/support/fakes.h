#pragma once

#include <QMenu>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/settings/app_log.h"
#include "core/settings/settings_store.h"
#include "gui/main_window.h"
#include "platform/toolkit.h"
#include "support/temp_dir.h"

namespace tessaly::test {

struct Prompt {
    std::string text;
    MsgIcon icon;
    MsgButtons buttons;
};

struct SaveDialogCall {
    std::string title;
    std::string filter;
    std::string initialFolder;
};

// The state of every item of a popup menu when it was shown.
struct MenuItemSnapshot {
    bool enabled;
    QString text;
    QString toolTip;  // as QAction gives it: its text when no tooltip was set
};
using MenuSnapshot = std::map<QString, MenuItemSnapshot>;

// Answers prompts and dialogs from a script and records every call. A prompt
// that asks a question the script has no answer for is recorded in
// `unexpected` (and answered Cancel / No).
class FakeToolkit final : public Toolkit, public MenuPopper {
  public:
    MsgAnswer messageBox(const std::string& text, MsgIcon icon, MsgButtons buttons) override;
    std::string saveFileName(const std::string& title, const std::string& filter,
                             const std::string& initialFolder) override;
    std::string documentsFolder() override { return documents; }
    std::string pickFolder(const std::string& title) override;
    void setClipboardText(const std::string& text) override;
    void popup(QMenu& menu, const QPoint& globalPos) override;

    std::string documents = "/home/examiner/Documents";
    std::deque<MsgAnswer> answers;
    std::vector<Prompt> prompts;
    std::deque<std::string> saveNames;
    std::vector<SaveDialogCall> saveCalls;
    std::deque<std::string> folders;
    std::vector<std::string> folderTitles;
    std::vector<std::string> clipboard;
    std::vector<MenuSnapshot> popups;
    // The object name of the menu item to choose when the next popup shows.
    QString choose;
    std::vector<std::string> unexpected;
};

class FakeShell final : public Shell {
  public:
    void open(const std::string& addressOrPath) override { opened.push_back(addressOrPath); }
    void showProperties(const std::string& path) override { properties.push_back(path); }
    std::vector<std::string> opened;
    std::vector<std::string> properties;
};

// A window wired to fakes, with its settings and log in a fresh folder. The
// test fails when, by the harness's end, a prompt came that the test had no
// answer for (FakeToolkit::unexpected).
struct Harness {
    Harness();
    ~Harness();
    MainWindow& window() { return *window_; }
    // The log's lines without their time stamps.
    std::vector<std::string> logLines() const;
    std::string settingsText() const;
    // Waits until the running walk or scan has finished.
    bool waitIdle(int timeoutMs = 20000);

    TempDir dir;
    SettingsStore settings;
    AppLog log;
    FakeToolkit toolkit;
    FakeShell shell;
    std::unique_ptr<MainWindow> window_;
};

// The bytes of a small file the scan reads these entries from, in order: a
// 64-byte head, each entry padded with NULs to 150 bytes, and 200 NULs.
std::string EntriesFile(const std::vector<std::string>& entries);

// Presses a mouse button on a list's viewport at the given row.
void PressOnList(QWidget* list, Qt::MouseButton button, Qt::MouseButtons buttons, int row);

template <typename T>
T* Child(QWidget& window, const char* name) {
    return window.findChild<T*>(QString::fromLatin1(name));
}

}  // namespace tessaly::test
