#include "gui/LevelTableWindow.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "foundation/Messages.h"

namespace talven::gui {

namespace {

constexpr int kPollMs = 500;
constexpr int kColumnPadding = 16;

}  // namespace

LevelTableWindow::LevelTableWindow(std::unique_ptr<LevelTablePresenter> presenter, QWidget* parent)
    : QDialog(parent), presenter_(std::move(presenter)) {
    setWindowFlags(Qt::Window);
    setModal(false);
    if (QtNotifier* notifier = GetQtNotifier()) {
        registration_ = std::make_unique<NotificationRegistration>(*notifier, this);
        presenter_->SetNotifyTarget(registration_->target());
    }
    setWindowTitle(ToQt(presenter_->Title()));

    list_ = new QTreeWidget(this);
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    list_->setAllColumnsShowFocus(true);
    QStringList titles;
    for (const std::string& title : LevelTablePresenter::ColumnTitles())
        titles << ToQt(title);
    list_->setHeaderLabels(titles);
    list_->setMinimumSize(560, 320);

    auto* buttons = new QVBoxLayout;
    for (int i = 0; i < kLevelButtonCount; ++i) {
        const auto which = static_cast<LevelButton>(i);
        auto* button = new QPushButton(ToQt(LevelButtonText(which)), this);
        button->setAutoDefault(false);
        buttons_[static_cast<std::size_t>(i)] = button;
        if (which == LevelButton::Close) {
            buttons->addStretch();
            connect(button, &QPushButton::clicked, this, &LevelTableWindow::close);
        } else {
            connect(button, &QPushButton::clicked, this, [this, which] { Press(which); });
        }
        buttons->addWidget(button);
        if (which == LevelButton::Save)
            buttons->addSpacing(10);
    }
    // One width for the column, with room around the widest caption.
    int width = 0;
    for (QPushButton* button : buttons_)
        width = std::max(width, button->sizeHint().width());
    for (QPushButton* button : buttons_)
        button->setMinimumWidth(width + 16);
    status_ = new QLabel(this);
    progress_ = new QProgressBar(this);
    progress_->setTextVisible(false);
    progress_->setFixedHeight(16);

    auto* top = new QHBoxLayout;
    top->addWidget(list_, 1);
    top->addLayout(buttons);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(status_, 1);
    bottom->addWidget(progress_, 1);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(top, 1);
    outer->addLayout(bottom);

    connect(list_, &QTreeWidget::itemSelectionChanged, this, &LevelTableWindow::SelectionChanged);
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { Press(LevelButton::Properties); });
    connect(list_, &QTreeWidget::customContextMenuRequested, this, &LevelTableWindow::ShowContextMenu);
    poll_ = new QTimer(this);
    connect(poll_, &QTimer::timeout, this, &LevelTableWindow::RefreshState);
    poll_->start(kPollMs);
    resize(820, 440);
    Rebuild();
}

LevelTableWindow::~LevelTableWindow() = default;

void LevelTableWindow::Rebuild() {
    rebuilding_ = true;
    list_->clear();
    const auto rows = presenter_->Rows();
    const std::set<std::size_t>& selected = presenter_->Selection();
    QTreeWidgetItem* first = nullptr;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        QStringList texts;
        for (const std::string& text : rows[r])
            texts << ToQt(text);
        auto* item = new QTreeWidgetItem(list_, texts);
        item->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
        if (selected.count(r) != 0) {
            item->setSelected(true);
            if (first == nullptr)
                first = item;
        }
    }
    // The last column takes the rest of the width.
    for (int c = 0; c + 1 < list_->columnCount(); ++c) {
        list_->resizeColumnToContents(c);
        list_->setColumnWidth(c, list_->columnWidth(c) + kColumnPadding);
    }
    if (first != nullptr)
        list_->scrollToItem(first);
    rebuilding_ = false;
    RefreshState();
}

void LevelTableWindow::RefreshState() {
    for (int i = 0; i < kLevelButtonCount; ++i)
        buttons_[static_cast<std::size_t>(i)]->setEnabled(presenter_->IsEnabled(static_cast<LevelButton>(i)));
    list_->setEnabled(!presenter_->IsBusy());
    status_->setText(ToQt(presenter_->StatusText()));
    progress_->setRange(0, std::max(presenter_->ProgressRange(), 1));
    progress_->setValue(presenter_->ProgressPosition());
}

void LevelTableWindow::SelectionChanged() {
    if (rebuilding_)
        return;
    std::set<std::size_t> rows;
    for (QTreeWidgetItem* item : list_->selectedItems())
        rows.insert(static_cast<std::size_t>(list_->indexOfTopLevelItem(item)));
    presenter_->Select(std::move(rows));
    RefreshState();
}

void LevelTableWindow::Press(LevelButton which) {
    if (presenter_->Press(which))
        Rebuild();
    else
        RefreshState();
}

void LevelTableWindow::ShowContextMenu(const QPoint& pos) {
    const std::vector<LevelMenuEntry> entries = presenter_->ContextMenu();
    if (entries.empty())
        return;
    QMenu menu(this);
    for (std::size_t i = 0; i < entries.size(); ++i)
        menu.addAction(ToQt(std::string(MessageText(entries[i].textId))))->setData(static_cast<int>(i));
    QAction* chosen = menu.exec(list_->viewport()->mapToGlobal(pos));
    if (chosen == nullptr)
        return;
    if (presenter_->RunMenuEntry(entries[static_cast<std::size_t>(chosen->data().toInt())].command))
        Rebuild();
    else
        RefreshState();
}

void LevelTableWindow::OnNotification(int code, std::uintptr_t wParam, std::intptr_t) {
    const bool wasBusy = presenter_->IsBusy();
    presenter_->OnNotification(code, wParam);
    if (wasBusy && !presenter_->IsBusy())
        Rebuild();
    else
        RefreshState();
}

void LevelTableWindow::CloseNow() {
    closingNow_ = true;
    close();
}

void LevelTableWindow::reject() {
    close();
}

void LevelTableWindow::closeEvent(QCloseEvent* event) {
    if (closingNow_ || presenter_->RequestClose())
        event->accept();
    else
        event->ignore();
}

}  // namespace talven::gui
