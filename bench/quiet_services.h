#pragma once

// The window's services for the window benchmarks: every prompt answered OK,
// every dialog cancelled, nothing opened.
#include <string>

#include "core/settings/app_log.h"
#include "core/settings/settings_store.h"
#include "gui/main_window.h"
#include "platform/toolkit.h"

namespace tessaly::bench {

class QuietToolkit final : public Toolkit, public MenuPopper {
  public:
    MsgAnswer messageBox(const std::string&, MsgIcon, MsgButtons) override { return MsgAnswer::Ok; }
    std::string saveFileName(const std::string&, const std::string&, const std::string&) override {
        return {};
    }
    std::string documentsFolder() override { return {}; }
    std::string pickFolder(const std::string&) override { return {}; }
    void setClipboardText(const std::string&) override {}
    void popup(QMenu&, const QPoint&) override {}
};

class NoShell final : public Shell {
  public:
    void open(const std::string&) override {}
    void showProperties(const std::string&) override {}
};

// The real window on quiet services, its settings and log in `folder`,
// started with no path and shown.
struct QuietWindow {
    explicit QuietWindow(const std::string& folder)
        : settings(folder),
          log(settings),
          window({settings, log, toolkit, shell, toolkit, folder}) {
        window.startUp("");
        window.show();
    }
    SettingsStore settings;
    AppLog log;
    QuietToolkit toolkit;
    NoShell shell;
    MainWindow window;
};

}  // namespace tessaly::bench
