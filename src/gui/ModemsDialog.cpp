#include "gui/ModemsDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/DialogSupport.h"
#include "gui/QtPlatform.h"

namespace talven::gui {

ModemPropertiesDialog::ModemPropertiesDialog(QWidget* parent, CModemSettings& modem)
    : QDialog(parent), presenter_(modem) {
    setWindowTitle("Modem Properties");
    setObjectName("modemPropertiesDialog");
    auto* layout = new QVBoxLayout(this);
    QFormLayout* form = MakeForm();
    const auto labels = CModemPropertiesDialog::Labels();
    static const char* kNames[] = {"name",           "dialPrefix", "escape",     "hangUp",
                                   "initialization", "reset",      "okResponse", "connectResponse"};
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        auto* edit = new QLineEdit(ToQt(presenter_.texts[i]));
        edit->setObjectName(kNames[i]);
        // A longer text from a file is shown whole, not cut to the limit.
        edit->setMaxLength(
            std::max(CModemPropertiesDialog::kMaxLength, static_cast<int>(presenter_.texts[i].size())));
        edit->setMinimumWidth(240);
        AddRow(form, ToQt(labels[i] + ":"), edit);
        fields_[i] = edit;
    }
    layout->addLayout(form);
    layout->addWidget(MakeOkCancel(this));
}

void ModemPropertiesDialog::accept() {
    for (std::size_t i = 0; i < fields_.size(); ++i)
        presenter_.texts[i] = FromQt(fields_[i]->text());
    if (!presenter_.Apply()) {
        if (presenter_.FailedField() >= 0)
            fields_[static_cast<std::size_t>(presenter_.FailedField())]->setFocus();
        return;
    }
    QDialog::accept();
}

ModemsDialog::ModemsDialog(QWidget* parent, CNetworkConfiguration& configuration, bool confirmDeletes)
    : QDialog(parent), presenter_(configuration, [this](CModemSettings& modem) {
          ModemPropertiesDialog properties(this, modem);
          return properties.exec() == QDialog::Accepted;
      }) {
    presenter_.SetConfirmDeletes(confirmDeletes);
    setWindowTitle("Modems");
    setObjectName("modemsDialog");
    auto* layout = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    list_ = new QListWidget;
    list_->setObjectName("modems");
    list_->setMinimumSize(260, 180);
    auto* label = new QLabel("&Modems:");
    label->setBuddy(list_);
    left->addWidget(label);
    left->addWidget(list_, 1);
    layout->addLayout(left, 1);
    auto* buttons = new QVBoxLayout;
    auto addButton = [&](const char* text, const char* name) {
        auto* b = new QPushButton(text);
        b->setObjectName(name);
        b->setAutoDefault(false);
        buttons->addWidget(b);
        return b;
    };
    QPushButton* add = addButton("&New...", "newModem");
    edit_ = addButton("&Edit...", "editModem");
    delete_ = addButton("&Delete", "deleteModem");
    duplicate_ = addButton("D&uplicate", "duplicateModem");
    buttons->addStretch();
    auto* close = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
    buttons->addWidget(close);
    layout->addLayout(buttons);

    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
        presenter_.Select(row);
        edit_->setEnabled(presenter_.HasSelection());
        delete_->setEnabled(presenter_.CanDelete());
        duplicate_->setEnabled(presenter_.HasSelection());
    });
    connect(list_, &QListWidget::itemActivated, this, [this] {
        if (presenter_.Edit())
            Refresh();
    });
    connect(add, &QPushButton::clicked, this, [this] {
        if (presenter_.New())
            Refresh();
    });
    connect(edit_, &QPushButton::clicked, this, [this] {
        if (presenter_.Edit())
            Refresh();
    });
    connect(delete_, &QPushButton::clicked, this, [this] {
        if (presenter_.Delete())
            Refresh();
    });
    connect(duplicate_, &QPushButton::clicked, this, [this] {
        if (presenter_.Duplicate())
            Refresh();
    });
    Refresh();
}

void ModemsDialog::Refresh() {
    const int selected = presenter_.GetSelected();
    list_->clear();
    for (const std::string& entry : presenter_.Entries())
        list_->addItem(ToQt(entry));
    list_->setCurrentRow(selected);
    presenter_.Select(selected);
    edit_->setEnabled(presenter_.HasSelection());
    delete_->setEnabled(presenter_.CanDelete());
    duplicate_->setEnabled(presenter_.HasSelection());
}

}  // namespace talven::gui
