#include "gui/SequenceConfigWindow.h"

#include <QCloseEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "foundation/Messages.h"

namespace talven::gui {

namespace {

constexpr int kSequenceRole = Qt::UserRole;
constexpr int kStepRole = Qt::UserRole + 1;
/// How often the window looks at the connection, which can change under it.
constexpr int kPollMs = 500;
/// The pause before a send's result is shown.
constexpr int kSendResultPauseMs = 100;

}  // namespace

// ---- The tree

SequenceTree::SequenceTree(SequenceConfigPresenter& presenter, QWidget* parent)
    : QTreeWidget(parent), presenter_(presenter) {
    setHeaderHidden(true);
    setColumnCount(1);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::InternalMove);
    setContextMenuPolicy(Qt::CustomContextMenu);
}

SequenceItem SequenceTree::ItemOf(const QTreeWidgetItem* item) {
    if (item == nullptr)
        return {};
    return {item->data(0, kSequenceRole).toInt(), item->data(0, kStepRole).toInt()};
}

std::pair<int, int> SequenceTree::DropTarget(const QPoint& pos) const {
    const QTreeWidgetItem* item = itemAt(pos);
    if (item == nullptr)
        return {-1, -1};
    const SequenceItem at = ItemOf(item);
    if (at.IsSequence())
        return {at.sequence, item->childCount()};  // onto a sequence: at its end
    const QRect rect = visualItemRect(item);
    return {at.sequence, pos.y() < rect.center().y() ? at.step : at.step + 1};
}

bool SequenceTree::DropAt(SequenceItem step, const QPoint& pos) {
    const auto [sequence, index] = DropTarget(pos);
    if (!presenter_.DropStep(step, sequence, index))
        return false;
    emit stepDropped();
    return true;
}

void SequenceTree::startDrag(Qt::DropActions supported) {
    dragged_ = ItemOf(currentItem());
    if (dragged_.IsStep())
        QTreeWidget::startDrag(supported);
    dragged_ = {};
}

void SequenceTree::dragMoveEvent(QDragMoveEvent* event) {
    QTreeWidget::dragMoveEvent(event);
    const auto [sequence, index] = DropTarget(event->position().toPoint());
    if (event->source() == this && presenter_.CanDropStep(dragged_, sequence, index))
        event->acceptProposedAction();
    else
        event->ignore();
}

void SequenceTree::dropEvent(QDropEvent* event) {
    // The list itself is changed and the tree drawn again from it; the drag must not also move
    // or remove items of its own, hence a copy as far as the view is concerned.
    if (event->source() == this && DropAt(dragged_, event->position().toPoint())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

// ---- The window

SequenceConfigWindow::SequenceConfigWindow(std::unique_ptr<SequenceConfigPresenter> presenter,
                                           QWidget* parent)
    : QDialog(parent), presenter_(std::move(presenter)) {
    setWindowFlags(Qt::Window);
    setModal(false);
    if (QtNotifier* notifier = GetQtNotifier()) {
        registration_ = std::make_unique<NotificationRegistration>(*notifier, this);
        presenter_->SetNotifyTarget(registration_->target());
    }
    setWindowTitle(ToQt(presenter_->Title()));

    tree_ = new SequenceTree(*presenter_, this);
    tree_->setMinimumSize(420, 360);
    auto* buttons = new QVBoxLayout;
    for (int i = 0; i < kSequenceButtonCount; ++i) {
        const auto which = static_cast<SequenceButton>(i);
        auto* button = new QPushButton(ToQt(SequenceButtonText(which)), this);
        button->setAutoDefault(false);
        buttons_[static_cast<std::size_t>(i)] = button;
        if (which == SequenceButton::Close) {
            buttons->addStretch();
            connect(button, &QPushButton::clicked, this, &SequenceConfigWindow::close);
        } else {
            connect(button, &QPushButton::clicked, this, [this, which] { Press(which); });
        }
        buttons->addWidget(button);
        // Transfers, files, then editing, then the tree's view: a little space between the groups.
        if (which == SequenceButton::NewConfig || which == SequenceButton::MoveDown)
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
    top->addWidget(tree_, 1);
    top->addLayout(buttons);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(status_, 1);
    bottom->addWidget(progress_, 1);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(top, 1);
    outer->addLayout(bottom);

    connect(tree_, &QTreeWidget::currentItemChanged, this, [this] { SelectionChanged(); });
    connect(tree_, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
        if (!rebuilding_)
            presenter_->SetExpanded(SequenceTree::ItemOf(item).sequence, true);
    });
    connect(tree_, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) {
        if (!rebuilding_)
            presenter_->SetExpanded(SequenceTree::ItemOf(item).sequence, false);
    });
    connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (presenter_->IsEnabled(SequenceButton::Properties))
            Press(SequenceButton::Properties);
    });
    connect(tree_, &QTreeWidget::customContextMenuRequested, this, &SequenceConfigWindow::ShowContextMenu);
    // After the drag has ended: the drop changed the list, the tree is drawn again.
    connect(tree_, &SequenceTree::stepDropped, this, &SequenceConfigWindow::Rebuild, Qt::QueuedConnection);

    poll_ = new QTimer(this);
    connect(poll_, &QTimer::timeout, this, &SequenceConfigWindow::RefreshState);
    poll_->start(kPollMs);
    resize(760, 560);
    Rebuild();
}

SequenceConfigWindow::~SequenceConfigWindow() = default;

void SequenceConfigWindow::Rebuild() {
    rebuilding_ = true;
    tree_->clear();
    const std::vector<SequenceRow> rows = presenter_->Rows();
    const SequenceItem selected = presenter_->Selection();
    QTreeWidgetItem* current = nullptr;
    for (std::size_t s = 0; s < rows.size(); ++s) {
        auto* item = new QTreeWidgetItem(tree_, QStringList(ToQt(rows[s].text)));
        item->setData(0, kSequenceRole, static_cast<int>(s));
        item->setData(0, kStepRole, -1);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDropEnabled);
        if (selected == SequenceItem{static_cast<int>(s), -1})
            current = item;
        for (std::size_t t = 0; t < rows[s].steps.size(); ++t) {
            auto* child = new QTreeWidgetItem(item, QStringList(ToQt(rows[s].steps[t])));
            child->setData(0, kSequenceRole, static_cast<int>(s));
            child->setData(0, kStepRole, static_cast<int>(t));
            child->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled |
                            Qt::ItemIsDropEnabled | Qt::ItemNeverHasChildren);
            if (selected == SequenceItem{static_cast<int>(s), static_cast<int>(t)})
                current = child;
        }
        item->setExpanded(rows[s].expanded);
    }
    if (current != nullptr) {
        tree_->setCurrentItem(current);
        tree_->scrollToItem(current);
    }
    rebuilding_ = false;
    RefreshState();
}

void SequenceConfigWindow::RefreshState() {
    const bool busy = presenter_->IsBusy();
    for (int i = 0; i < kSequenceButtonCount; ++i)
        buttons_[static_cast<std::size_t>(i)]->setEnabled(
            presenter_->IsEnabled(static_cast<SequenceButton>(i)));
    tree_->setEnabled(!busy);
    status_->setText(ToQt(presenter_->StatusText()));
    progress_->setRange(0, std::max(presenter_->ProgressRange(), 1));
    progress_->setValue(presenter_->ProgressPosition());
}

void SequenceConfigWindow::SelectionChanged() {
    if (rebuilding_)
        return;
    presenter_->Select(SequenceTree::ItemOf(tree_->currentItem()));
    RefreshState();
}

void SequenceConfigWindow::Press(SequenceButton which) {
    if (presenter_->Press(which))
        Rebuild();
    else
        RefreshState();
}

void SequenceConfigWindow::ShowContextMenu(const QPoint& pos) {
    QTreeWidgetItem* item = tree_->itemAt(pos);
    if (item == nullptr)
        return;
    tree_->setCurrentItem(item);
    const SequenceItem at = SequenceTree::ItemOf(item);
    const std::vector<MenuEntry> entries = presenter_->ContextMenu(at);
    if (entries.empty())
        return;
    QMenu menu(this);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        // The whole-tree entries stand apart from those on the item itself.
        if (entries[i].command == SequenceCommand::ExpandAll)
            menu.addSeparator();
        menu.addAction(ToQt(std::string(MessageText(entries[i].textId))))->setData(static_cast<int>(i));
    }
    QAction* chosen = menu.exec(tree_->viewport()->mapToGlobal(pos));
    if (chosen == nullptr)
        return;
    if (presenter_->RunMenuEntry(at, entries[static_cast<std::size_t>(chosen->data().toInt())]))
        Rebuild();
    else
        RefreshState();
}

void SequenceConfigWindow::OnNotification(int code, std::uintptr_t wParam, std::intptr_t) {
    const bool wasBusy = presenter_->IsBusy();
    presenter_->OnNotification(code, wParam);
    if (wasBusy && !presenter_->IsBusy())
        Rebuild();
    else
        RefreshState();
    if (presenter_->HasSendResult()) {
        QTimer::singleShot(kSendResultPauseMs, this, [this] {
            presenter_->ShowSendResult();
            RefreshState();
        });
    }
}

void SequenceConfigWindow::CloseNow() {
    closingNow_ = true;
    close();
}

void SequenceConfigWindow::reject() {
    close();
}

void SequenceConfigWindow::closeEvent(QCloseEvent* event) {
    if (closingNow_ || presenter_->RequestClose())
        event->accept();
    else
        event->ignore();
}

}  // namespace talven::gui
