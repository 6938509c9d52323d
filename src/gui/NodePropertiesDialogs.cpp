#include "gui/NodePropertiesDialogs.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include "gui/DialogSupport.h"
#include "gui/QtPlatform.h"

namespace talven::gui {

namespace {
QLineEdit* MakeTextField(const char* name, const std::string& text) {
    auto* edit = new QLineEdit(ToQt(text));
    edit->setObjectName(name);
    edit->setMinimumWidth(280);
    return edit;
}
}  // namespace

SitePropertiesDialog::SitePropertiesDialog(QWidget* parent, CSiteNode& site)
    : QDialog(parent), presenter_(site) {
    setWindowTitle("Site Properties");
    setObjectName("sitePropertiesDialog");
    auto* layout = new QVBoxLayout(this);
    QFormLayout* form = MakeForm();
    name_ = MakeTextField("name", presenter_.name);
    AddRow(form, "&Name:", name_);
    layout->addLayout(form);
    layout->addWidget(MakeOkCancel(this));
    name_->selectAll();
}

void SitePropertiesDialog::accept() {
    presenter_.name = FromQt(name_->text());
    changed_ = presenter_.Apply();
    QDialog::accept();
}

MultiplexorPropertiesDialog::MultiplexorPropertiesDialog(QWidget* parent, CMultiplexorNode& multiplexor)
    : QDialog(parent), presenter_(multiplexor) {
    setWindowTitle("Multiplexor Properties");
    setObjectName("multiplexorPropertiesDialog");
    auto* layout = new QVBoxLayout(this);
    QFormLayout* form = MakeForm();
    name_ = MakeTextField("name", presenter_.name);
    address_ = MakeTextField("address", presenter_.address);
    AddRow(form, "&Name:", name_);
    address_->setPlaceholderText("host name or IP address");
    AddRow(form, "&Address:", address_);
    layout->addLayout(form);
    layout->addWidget(MakeOkCancel(this));
    name_->selectAll();
}

void MultiplexorPropertiesDialog::accept() {
    presenter_.name = FromQt(name_->text());
    presenter_.address = FromQt(address_->text());
    changed_ = presenter_.Apply();
    QDialog::accept();
}

}  // namespace talven::gui
