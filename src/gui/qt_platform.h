#pragma once

#include <QWidget>

#include "gui/main_window.h"
#include "platform/toolkit.h"

namespace tessaly {

// The real prompts, dialogs and clipboard, through Qt.
class QtToolkit final : public Toolkit, public MenuPopper {
  public:
    explicit QtToolkit(QWidget* owner = nullptr) : owner_(owner) {}
    void setOwner(QWidget* owner) { owner_ = owner; }

    MsgAnswer messageBox(const std::string& text, MsgIcon icon, MsgButtons buttons) override;
    std::string saveFileName(const std::string& title, const std::string& filter,
                             const std::string& initialFolder) override;
    std::string documentsFolder() override;
    std::string pickFolder(const std::string& title) override;
    void setClipboardText(const std::string& text) override;
    void popup(QMenu& menu, const QPoint& globalPos) override;

  private:
    QWidget* owner_;
};

// The desktop shell: addresses open in the default browser, files (given by
// absolute path) in their associated program; properties show in a dialog of
// our own.
class QtShell final : public Shell {
  public:
    explicit QtShell(QWidget* owner = nullptr) : owner_(owner) {}
    void setOwner(QWidget* owner) { owner_ = owner; }
    void open(const std::string& addressOrPath) override;
    void showProperties(const std::string& path) override;

  private:
    QWidget* owner_;
};

// Turns "desc|pattern|desc|pattern" into the filter list Qt's dialogs take.
QString QtFilterFrom(const std::string& filter);

}  // namespace tessaly
