#include "gui/InstrumentInformationWindow.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "gui/QtPlatform.h"

namespace talven::gui {

InstrumentInformationWindow::InstrumentInformationWindow(QWidget* parent, const CInstrumentNode& node)
    : QDialog(parent), information_(node) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName("instrumentInformation");
    setProperty("nodeId", static_cast<qulonglong>(information_.NodeId()));
    auto* layout = new QVBoxLayout(this);
    lines_ = new QListWidget;
    lines_->setObjectName("lines");
    lines_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lines_->setMinimumSize(360, 320);
    layout->addWidget(lines_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    QPushButton* refresh = buttons->addButton("&Refresh", QDialogButtonBox::ActionRole);
    refresh->setAutoDefault(false);
    connect(refresh, &QPushButton::clicked, this, &InstrumentInformationWindow::Refresh);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    layout->addWidget(buttons);
    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, &InstrumentInformationWindow::Refresh);
    timer_->start(kRefreshMs);
    Refresh();
}

void InstrumentInformationWindow::Refresh() {
    if (!information_.Refresh()) {
        timer_->stop();
        close();
        return;
    }
    setWindowTitle(ToQt(information_.Title()));
    QStringList lines;
    for (const std::string& line : information_.Lines())
        lines << ToQt(line);
    QStringList shown;
    for (int i = 0; i < lines_->count(); ++i)
        shown << lines_->item(i)->text();
    if (shown != lines) {
        lines_->clear();
        lines_->addItems(lines);
    }
}

InstrumentInformationWindow* InstrumentInformationWindow::Find(std::uint32_t nodeId) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* window = qobject_cast<InstrumentInformationWindow*>(widget);
        if (window != nullptr && window->information_.NodeId() == nodeId && window->isVisible())
            return window;
    }
    return nullptr;
}

}  // namespace talven::gui
