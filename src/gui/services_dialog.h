#pragma once

#include <QDialog>

#include "core/ui/services_editor.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace tessaly {

class SettingsStore;
class Toolkit;

// Tools > "Look-up services...": the services of the "Check this site with"
// submenu with their addresses, to add, change, remove, reorder and restore
// to the defaults. OK writes the [Services] section of the settings file
// (every other line of the file stays as it was); a failed write is said and
// the dialog stays open. What may change and how is the ServicesEditor's;
// the dialog only shows it. Refusals go through the Toolkit.
class ServicesDialog final : public QDialog {
    Q_OBJECT
  public:
    ServicesDialog(SettingsStore& settings, Toolkit& toolkit, QWidget* parent = nullptr);

    const ServicesEditor& editor() const { return editor_; }

    void accept() override;

  private:
    void fillList(int select);
    void rowChosen();
    void updateButtons();
    int currentRow() const;
    // Shows `problem` as a refusal; true when there was none.
    bool refusalShown(const std::string& problem);

    SettingsStore& settings_;
    Toolkit& toolkit_;
    ServicesEditor editor_;
    QTreeWidget* list_ = nullptr;
    QLineEdit* name_ = nullptr;
    QLineEdit* address_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* change_ = nullptr;
    QPushButton* remove_ = nullptr;
    QPushButton* up_ = nullptr;
    QPushButton* down_ = nullptr;
    QLabel* ignored_ = nullptr;
};

}  // namespace tessaly
