#include "gui/services_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/settings/settings_store.h"
#include "core/ui/texts.h"
#include "gui/models.h"
#include "platform/toolkit.h"

namespace tessaly {

namespace {

QPushButton* Button(const char* name, const QString& caption, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

}  // namespace

ServicesDialog::ServicesDialog(SettingsStore& settings, Toolkit& toolkit, QWidget* parent)
    : QDialog(parent),
      settings_(settings),
      toolkit_(toolkit),
      editor_(ReadLookupServices(settings)) {
    setObjectName("frmServices");
    setWindowTitle(UiText(texts::kServicesTitle));

    list_ = new QTreeWidget(this);
    list_->setObjectName("lstServices");
    list_->setColumnCount(2);
    list_->setHeaderLabels({tr("Name"), tr("Address")});
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->header()->setStretchLastSection(true);
    list_->setColumnWidth(0, 170);

    name_ = new QLineEdit(this);
    name_->setObjectName("txtServiceName");
    address_ = new QLineEdit(this);
    address_->setObjectName("txtServiceAddress");
    address_->setPlaceholderText(QStringLiteral("https://www.example.com/check?site={host}"));
    auto* hint = new QLabel(
        tr("In an address, {host} stands for the entry's host name and {url} for its whole "
           "address; both are percent-encoded. Only http:// and https:// addresses are used."),
        this);
    hint->setWordWrap(true);
    auto* form = new QFormLayout;
    form->addRow(tr("&Name:"), name_);
    form->addRow(tr("A&ddress:"), address_);

    add_ = Button("cmdAdd", tr("&Add"), this);
    change_ = Button("cmdChange", tr("C&hange"), this);
    remove_ = Button("cmdRemove", tr("&Remove"), this);
    up_ = Button("cmdUp", tr("&Up"), this);
    down_ = Button("cmdDown", tr("Do&wn"), this);
    auto* restore = Button("cmdRestore", tr("Restore &defaults"), this);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {add_, change_, remove_, up_, down_}) buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(restore);

    ignored_ = new QLabel(this);
    ignored_->setObjectName("lblIgnored");
    ignored_->setWordWrap(true);

    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    box->setObjectName("cmdOkCancel");

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_, 1);
    layout->addLayout(form);
    layout->addWidget(hint);
    layout->addLayout(buttons);
    layout->addWidget(ignored_);
    layout->addWidget(box);
    resize(640, 420);

    connect(list_, &QTreeWidget::currentItemChanged, this, [this] { rowChosen(); });
    connect(add_, &QPushButton::clicked, this, [this] {
        if (!refusalShown(
                editor_.add(name_->text().toStdString(), address_->text().toStdString()))) {
            fillList(static_cast<int>(editor_.rows().size()) - 1);
        }
    });
    connect(change_, &QPushButton::clicked, this, [this] {
        const int row = currentRow();
        if (row < 0) return;
        if (!refusalShown(editor_.change(static_cast<std::size_t>(row), name_->text().toStdString(),
                                         address_->text().toStdString()))) {
            fillList(row);
        }
    });
    connect(remove_, &QPushButton::clicked, this, [this] {
        const int row = currentRow();
        if (row < 0) return;
        editor_.remove(static_cast<std::size_t>(row));
        fillList(std::min(row, static_cast<int>(editor_.rows().size()) - 1));
    });
    for (const auto& [button, by] : {std::pair{up_, -1}, std::pair{down_, 1}}) {
        connect(button, &QPushButton::clicked, this, [this, by = by] {
            const int row = currentRow();
            if (row < 0 || !editor_.canMove(static_cast<std::size_t>(row), by)) return;
            editor_.move(static_cast<std::size_t>(row), by);
            fillList(row + by);
        });
    }
    connect(restore, &QPushButton::clicked, this, [this] {
        editor_.restoreDefaults();
        fillList(0);
    });
    connect(box, &QDialogButtonBox::accepted, this, &ServicesDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &ServicesDialog::reject);

    fillList(0);
}

int ServicesDialog::currentRow() const {
    const QTreeWidgetItem* item = list_->currentItem();
    return item ? list_->indexOfTopLevelItem(const_cast<QTreeWidgetItem*>(item)) : -1;
}

void ServicesDialog::fillList(int select) {
    const QSignalBlocker blocker(list_);
    list_->clear();
    for (const ServicesEditor::Row& row : editor_.rows()) {
        auto* item = new QTreeWidgetItem(list_, {UiText(row.caption), UiText(row.addressTemplate)});
        if (row.builtIn) item->setToolTip(0, tr("A default service"));
    }
    if (select >= 0 && select < list_->topLevelItemCount()) {
        list_->setCurrentItem(list_->topLevelItem(select));
    }
    QStringList ignored;
    for (const IgnoredService& i : editor_.ignored()) {
        ignored << UiText(i.entry.key) + QStringLiteral(" (") + UiText(i.reason) +
                       QStringLiteral(")");
    }
    ignored_->setText(ignored.isEmpty()
                          ? QString()
                          : tr("Ignored in the settings file, and kept there as written: ") +
                                ignored.join(QStringLiteral("; ")));
    ignored_->setVisible(!ignored.isEmpty());
    rowChosen();
}

void ServicesDialog::rowChosen() {
    const int row = currentRow();
    if (row >= 0) {
        const ServicesEditor::Row& r = editor_.rows()[static_cast<std::size_t>(row)];
        name_->setText(UiText(r.caption));
        address_->setText(UiText(r.addressTemplate));
        name_->setReadOnly(!editor_.captionEditable(static_cast<std::size_t>(row)));
    } else {
        name_->clear();
        address_->clear();
        name_->setReadOnly(false);
    }
    updateButtons();
}

void ServicesDialog::updateButtons() {
    const int row = currentRow();
    const auto r = static_cast<std::size_t>(row);
    change_->setEnabled(row >= 0);
    remove_->setEnabled(row >= 0);
    up_->setEnabled(row >= 0 && editor_.canMove(r, -1));
    down_->setEnabled(row >= 0 && editor_.canMove(r, 1));
}

bool ServicesDialog::refusalShown(const std::string& problem) {
    if (problem.empty()) return false;
    toolkit_.messageBox(problem, MsgIcon::Exclamation, MsgButtons::Ok);
    return true;
}

void ServicesDialog::accept() {
    const std::vector<ini::KeyValue> keys = editor_.sectionKeys();
    if (const SaveResult saved = settings_.writeSection(kServicesSection, keys); !saved.ok) {
        toolkit_.messageBox("Could not save the look-up services in " +
                                settings_.settingsFilePath() + "\r\n\r\n" + saved.reason +
                                "\r\n\r\nThe settings file was not changed.",
                            MsgIcon::Exclamation, MsgButtons::Ok);
        return;
    }
    QDialog::accept();
}

}  // namespace tessaly
