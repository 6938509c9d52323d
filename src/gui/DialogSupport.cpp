#include "gui/DialogSupport.h"

#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

namespace talven::gui {

PropertySheetDialog::PropertySheetDialog(QWidget* parent) : QDialog(parent) {
    auto* layout = new QVBoxLayout(this);
    tabs_ = new QTabWidget(this);
    layout->addWidget(tabs_);
    buttons_ = MakeOkCancel(this);
    layout->addWidget(buttons_);
    connect(tabs_, &QTabWidget::currentChanged, this, &PropertySheetDialog::OnPageChanged);
}

QWidget* PropertySheetDialog::AddPage(const QString& title, QVBoxLayout*& layout) {
    auto* page = new QWidget(tabs_);
    layout = new QVBoxLayout(page);
    tabs_->addTab(page, title);
    return page;
}

void PropertySheetDialog::OnPageChanged(int index) {
    if (index == current_)
        return;
    if (checkPage && !checkPage(current_)) {
        const QSignalBlocker block(tabs_);
        tabs_->setCurrentIndex(current_);
        if (focusProblem)
            focusProblem();
        return;
    }
    current_ = index;
}

void PropertySheetDialog::accept() {
    int failed = -1;
    if (confirm && !confirm(failed)) {
        if (failed >= 0 && failed < tabs_->count()) {
            const QSignalBlocker block(tabs_);
            tabs_->setCurrentIndex(failed);
            current_ = failed;
        }
        if (focusProblem)
            focusProblem();
        return;
    }
    QDialog::accept();
}

QFormLayout* MakeForm() {
    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    return form;
}

QLabel* AddRow(QFormLayout* form, const QString& label, QWidget* field) {
    auto* text = new QLabel(label);
    text->setBuddy(field);
    form->addRow(text, field);
    return text;
}

QDialogButtonBox* MakeOkCancel(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

QLineEdit* MakeNumberEdit(int chars, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    const QFontMetrics metrics(edit->font());
    edit->setMaximumWidth(metrics.horizontalAdvance(QString(chars + 2, QChar('0'))) + 16);
    return edit;
}

}  // namespace talven::gui
