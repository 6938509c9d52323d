#include "gui/DlogConfigWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "dlog/DASChannel.h"
#include "gui/DlogDataView.h"
#include "gui/DlogDialogs.h"
#include "gui/DlogGraph.h"
#include "session/InstrumentSession.h"

namespace talven::gui {

namespace {

constexpr int kChannelRole = Qt::UserRole;
constexpr int kParameterRole = Qt::UserRole + 1;
constexpr int kAutomaticTickMs = 60000;
constexpr int kWatchMs = 1000;
/// The pause before a finished transfer is shown, so that its last progress step is seen.
constexpr int kCompletionPauseMs = 100;

QTreeWidgetItem* MakeItem(const std::string& label, bool checked, int channel, int parameter) {
    auto* item = new QTreeWidgetItem;
    item->setText(0, ToQt(label));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
    item->setData(0, kChannelRole, channel);
    item->setData(0, kParameterRole, parameter);
    return item;
}

}  // namespace

CDASConfigDialog::CDASConfigDialog(QWidget* parent, CInstrumentConnectedNode& node, IDlogInstrument& dlog)
    : QWidget(parent, Qt::Window),
      node_(node),
      dlog_(dlog),
      port_(node),
      options_(CurrentDlogOptions()),
      registration_(*GetQtNotifier(), this) {
    presenter_ = std::make_unique<DlogConfigPresenter>(dlog_, port_, *this, options_, registration_.target());
    setWindowTitle(ToQt(presenter_->Title()));

    auto* treeLabel = new QLabel(tr("DLOG Con&figuration and Downloaded Data"), this);
    tree_ = new QTreeWidget(this);
    tree_->setHeaderHidden(true);
    tree_->setColumnCount(1);
    tree_->setContextMenuPolicy(Qt::CustomContextMenu);
    tree_->setMinimumWidth(360);
    treeLabel->setBuddy(tree_);
    auto* left = new QVBoxLayout;
    left->addWidget(treeLabel);
    left->addWidget(tree_, 1);

    auto* top = new QHBoxLayout;
    top->addLayout(left, 1);
    top->addWidget(MakeButtons());

    status_ = new QLabel(this);
    status_->setMinimumWidth(240);
    progress_ = new QProgressBar(this);
    progress_->setTextVisible(false);
    progress_->setFixedWidth(220);
    progressView_ = WidgetProgress(status_, progress_);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(status_, 1);
    bottom->addWidget(progress_);
    bottom->addSpacing(12);
    buttons_[kClose] = new QPushButton(tr("Close"), this);
    buttons_[kClose]->setDefault(true);
    bottom->addWidget(buttons_[kClose]);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(bottom);

    connect(buttons_[kClose], &QPushButton::clicked, this, &QWidget::close);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] {
        if (buttons_[kClose]->isEnabled())
            close();
    });
    connect(tree_, &QTreeWidget::itemChanged, this,
            [this](QTreeWidgetItem* item, int) { OnItemChanged(item); });
    connect(tree_, &QTreeWidget::itemExpanded, this,
            [this](QTreeWidgetItem* item) { OnItemExpanded(item, true); });
    connect(tree_, &QTreeWidget::itemCollapsed, this,
            [this](QTreeWidgetItem* item) { OnItemExpanded(item, false); });
    connect(tree_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { OnCurrentItemChanged(item); });
    connect(tree_, &QTreeWidget::customContextMenuRequested, this, &CDASConfigDialog::OnContextMenu);

    automaticTimer_.setInterval(kAutomaticTickMs);
    connect(&automaticTimer_, &QTimer::timeout, this, [this] { presenter_->AutomaticTick(DateTime::Now()); });
    watchTimer_.setInterval(kWatchMs);
    connect(&watchTimer_, &QTimer::timeout, this, [this] { presenter_->Watch(); });
    watchTimer_.start();

    resize(860, 560);
    RestorePlacement(*this, kPlaceDlogConfig);
    // As around a configuration window the front panel runs: the panel is not free meanwhile.
    if (CInstrumentSession* session = CInstrumentSession::Find(node_))
        session->SetPanelFree(false);
    presenter_->Open();
    tree_->setFocus();
}

CDASConfigDialog::~CDASConfigDialog() {
    automaticTimer_.stop();
    watchTimer_.stop();
    port_.SetSamplesBox(presenter_->IsSamplesChecked());
    if (CInstrumentSession* session = CInstrumentSession::Find(node_)) {
        session->SetPanelFree(true);
        session->SetLastActivity(DateTime::Now());
    }
}

QPushButton* CDASConfigDialog::AddButton(Button b, const char* text, void (DlogConfigPresenter::*command)()) {
    buttons_[b] = new QPushButton(tr(text), this);
    connect(buttons_[b], &QPushButton::clicked, this, [this, command] { (presenter_.get()->*command)(); });
    return buttons_[b];
}

QWidget* CDASConfigDialog::MakeButtons() {
    auto* column = new QWidget(this);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    const auto group = [&](const char* title) {
        auto* box = new QGroupBox(tr(title), column);
        auto* grid = new QGridLayout(box);
        layout->addWidget(box);
        return grid;
    };
    QGridLayout* config = group("Configuration");
    config->addWidget(AddButton(kGetConfig, "&Get Config.", &DlogConfigPresenter::GetConfig), 0, 0);
    config->addWidget(AddButton(kSendConfig, "Send &To Inst.", &DlogConfigPresenter::SendConfig), 0, 1);
    config->addWidget(AddButton(kLoadConfig, "&Load Config.", &DlogConfigPresenter::LoadConfig), 1, 0);
    config->addWidget(AddButton(kSaveConfig, "&Save Config.", &DlogConfigPresenter::SaveConfig), 1, 1);
    config->addWidget(AddButton(kNewConfig, "&New Config.", &DlogConfigPresenter::NewConfig), 2, 0);

    QGridLayout* edit = group("Channels and Parameters");
    edit->addWidget(AddButton(kNewChannel, "New &Channel", &DlogConfigPresenter::NewChannel), 0, 0);
    edit->addWidget(AddButton(kNewParameter, "New &Parameter", &DlogConfigPresenter::NewParameter), 0, 1);
    edit->addWidget(AddButton(kDuplicate, "D&uplicate", &DlogConfigPresenter::Duplicate), 1, 0);
    edit->addWidget(AddButton(kProperties, "Prop&erties", &DlogConfigPresenter::Properties), 1, 1);
    edit->addWidget(AddButton(kDelete, "&Delete", &DlogConfigPresenter::Delete), 2, 0);

    QGridLayout* dataGroup = group("Data");
    dataGroup->addWidget(AddButton(kGetData, "Get D&ata", &DlogConfigPresenter::GetData), 0, 0);
    dataGroup->addWidget(AddButton(kViewData, "Vie&w Data", &DlogConfigPresenter::ViewData), 0, 1);
    dataGroup->addWidget(AddButton(kGraphData, "G&raph Data", &DlogConfigPresenter::GraphData), 1, 0);
    dataGroup->addWidget(AddButton(kSaveData, "Sa&ve Data", &DlogConfigPresenter::SaveData), 1, 1);
    automatic_ = new QCheckBox(tr("Auto On&/Off"), column);
    samples_ = new QCheckBox(tr("Sa&mples"), column);
    dataGroup->addWidget(automatic_, 2, 0);
    dataGroup->addWidget(samples_, 2, 1);
    connect(automatic_, &QCheckBox::clicked, this, [this](bool on) {
        presenter_->SetAutomatic(on);
        Refresh();
    });
    connect(samples_, &QCheckBox::clicked, this, [this](bool on) {
        presenter_->SetSamples(on);
        Refresh();
    });

    QGridLayout* tree = group("Tree");
    tree->addWidget(buttons_[kCheckAll] = new QPushButton(tr("C&heck All"), column), 0, 0);
    tree->addWidget(buttons_[kUncheckAll] = new QPushButton(tr("Unchec&k All"), column), 0, 1);
    tree->addWidget(buttons_[kExpandAll] = new QPushButton(tr("E&xpand All"), column), 1, 0);
    tree->addWidget(buttons_[kCollapseAll] = new QPushButton(tr("C&ollapse All"), column), 1, 1);
    connect(buttons_[kCheckAll], &QPushButton::clicked, this, [this] { presenter_->CheckAll(true); });
    connect(buttons_[kUncheckAll], &QPushButton::clicked, this, [this] { presenter_->CheckAll(false); });
    connect(buttons_[kExpandAll], &QPushButton::clicked, this, [this] { presenter_->ExpandAll(true); });
    connect(buttons_[kCollapseAll], &QPushButton::clicked, this, [this] { presenter_->ExpandAll(false); });
    layout->addStretch(1);
    return column;
}

// --- Drawing the presenter's state ------------------------------------------------------------------

bool CDASConfigDialog::TreeMatchesPresenter() const {
    const std::vector<DlogTreeChannel>& model = presenter_->Tree();
    if (tree_->topLevelItemCount() != static_cast<int>(model.size()))
        return false;
    for (int i = 0; i < tree_->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = tree_->topLevelItem(i);
        const DlogTreeChannel& channel = model[static_cast<std::size_t>(i)];
        if (item->text(0) != ToQt(channel.label) ||
            item->childCount() != static_cast<int>(channel.parameters.size()))
            return false;
        for (int j = 0; j < item->childCount(); ++j) {
            if (item->child(j)->text(0) != ToQt(channel.parameters[static_cast<std::size_t>(j)].label))
                return false;
        }
    }
    return true;
}

void CDASConfigDialog::RebuildTree() {
    tree_->clear();
    const std::vector<DlogTreeChannel>& model = presenter_->Tree();
    for (std::size_t i = 0; i < model.size(); ++i) {
        QTreeWidgetItem* channel = MakeItem(model[i].label, model[i].checked, static_cast<int>(i), -1);
        for (std::size_t j = 0; j < model[i].parameters.size(); ++j)
            channel->addChild(MakeItem(model[i].parameters[j].label, model[i].parameters[j].checked,
                                       static_cast<int>(i), static_cast<int>(j)));
        tree_->addTopLevelItem(channel);
        channel->setExpanded(model[i].expanded);
    }
}

void CDASConfigDialog::UpdateTreeStates() {
    const std::vector<DlogTreeChannel>& model = presenter_->Tree();
    for (int i = 0; i < tree_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = tree_->topLevelItem(i);
        const DlogTreeChannel& channel = model[static_cast<std::size_t>(i)];
        item->setCheckState(0, channel.checked ? Qt::Checked : Qt::Unchecked);
        item->setExpanded(channel.expanded);
        for (int j = 0; j < item->childCount(); ++j)
            item->child(j)->setCheckState(
                0, channel.parameters[static_cast<std::size_t>(j)].checked ? Qt::Checked : Qt::Unchecked);
    }
}

void CDASConfigDialog::Refresh() {
    updating_ = true;
    if (TreeMatchesPresenter())
        UpdateTreeStates();
    else
        RebuildTree();
    const DlogTreeItem selected = presenter_->Selection();
    QTreeWidgetItem* current = nullptr;
    if (selected.channel >= 0 && selected.channel < tree_->topLevelItemCount()) {
        current = tree_->topLevelItem(selected.channel);
        if (selected.IsParameter() && selected.parameter < current->childCount())
            current = current->child(selected.parameter);
    }
    tree_->setCurrentItem(current);

    const DlogControls& c = presenter_->Controls();
    const bool enabled[kButtonCount] = {
        c.getConfig, c.sendConfig, c.loadConfig, c.saveConfig,  c.newConfig, c.newChannel, c.newParameter,
        c.duplicate, c.properties, c.remove,     c.getData,     c.viewData,  c.graphData,  c.saveData,
        c.checkAll,  c.uncheckAll, c.expandAll,  c.collapseAll, c.close};
    for (int b = 0; b < kButtonCount; ++b)
        buttons_[b]->setEnabled(enabled[b]);
    tree_->setEnabled(c.tree);
    buttons_[kClose]->setText(ToQt(presenter_->CloseText()));
    automatic_->setChecked(presenter_->IsAutomatic());
    automatic_->setEnabled(c.automatic);
    samples_->setChecked(presenter_->IsSamplesChecked());
    samples_->setEnabled(c.samples);
    progressView_.Show(presenter_->StatusText(), presenter_->ProgressRange(), presenter_->ProgressPosition());
    updating_ = false;
}

void CDASConfigDialog::RefreshProgress() {
    progressView_.Show(presenter_->StatusText(), presenter_->ProgressRange(), presenter_->ProgressPosition());
    // Files written on this thread (a save, or an automatic download's) keep the window painted;
    // a worker's progress needs nothing of the kind.
    if (notificationDepth_ == 0 || writingFiles_)
        WidgetProgress::KeepPainted(false);
}

// --- The user's actions -------------------------------------------------------------------------------

DlogTreeItem CDASConfigDialog::ItemOf(const QTreeWidgetItem* item) const {
    if (item == nullptr)
        return {};
    return {item->data(0, kChannelRole).toInt(), item->data(0, kParameterRole).toInt()};
}

void CDASConfigDialog::OnItemChanged(QTreeWidgetItem* item) {
    if (updating_ || item == nullptr)
        return;
    const DlogTreeItem which = ItemOf(item);
    const std::vector<DlogTreeChannel>& model = presenter_->Tree();
    if (which.channel < 0 || static_cast<std::size_t>(which.channel) >= model.size())
        return;
    const DlogTreeChannel& channel = model[static_cast<std::size_t>(which.channel)];
    const bool was = which.IsParameter()
                         ? channel.parameters.at(static_cast<std::size_t>(which.parameter)).checked
                         : channel.checked;
    const bool now = item->checkState(0) == Qt::Checked;
    if (now != was)
        presenter_->SetItemChecked(which, now);
}

void CDASConfigDialog::OnItemExpanded(QTreeWidgetItem* item, bool expanded) {
    if (updating_ || item == nullptr || item->parent() != nullptr)
        return;
    presenter_->SetChannelExpanded(ItemOf(item).channel, expanded);
}

void CDASConfigDialog::OnCurrentItemChanged(QTreeWidgetItem* item) {
    if (!updating_)
        presenter_->SelectItem(ItemOf(item));
}

void CDASConfigDialog::OnContextMenu(const QPoint& position) {
    QTreeWidgetItem* item = tree_->itemAt(position);
    if (item == nullptr || !tree_->isEnabled())
        return;
    tree_->setCurrentItem(item);
    QMenu menu(this);
    for (const DlogMenuItem& entry : presenter_->ContextMenu(ItemOf(item))) {
        QAction* action = menu.addAction(ToQt(entry.text));
        action->setEnabled(entry.enabled);
        const DlogCommand command = entry.command;
        connect(action, &QAction::triggered, this, [this, command] { presenter_->Run(command); });
    }
    menu.exec(tree_->viewport()->mapToGlobal(position));
}

void CDASConfigDialog::closeEvent(QCloseEvent* event) {
    if (!presenter_->RequestClose()) {
        event->ignore();
        Refresh();
        return;
    }
    automaticTimer_.stop();
    RememberPlacement(*this, kPlaceDlogConfig);
    event->accept();
}

void CDASConfigDialog::changeEvent(QEvent* event) {
    // The options may have changed in their dialog since the window opened.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        options_ = CurrentDlogOptions();
    QWidget::changeEvent(event);
}

// --- The presenter's requests and the worker's notifications ---------------------------------------

void CDASConfigDialog::SetAutomaticTimer(bool running) {
    if (running)
        automaticTimer_.start();
    else
        automaticTimer_.stop();
}

bool CDASConfigDialog::EditChannel(CDASChannel& channel) {
    CDASChannelSheet sheet(this, dlog_, channel, options_.formats);
    return sheet.exec() == QDialog::Accepted;
}

bool CDASConfigDialog::EditParameter(CDASParameter& parameter) {
    CDASParameterDialog dialog(this, dlog_, parameter);
    return dialog.exec() == QDialog::Accepted;
}

bool CDASConfigDialog::EditSelection(CSelectionSet& selection, bool hasFromTo) {
    CSelectRecordsDialog dialog(this, selection, hasFromTo);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    selection = dialog.Selection();
    return true;
}

void CDASConfigDialog::ShowDataView(const DlogDataSet& shown) {
    CDASDataViewDialog view(this, dlog_, shown, presenter_->IsSamplesChecked(), options_,
                            port_.GetSiteName());
    view.exec();
}

void CDASConfigDialog::OpenGraph(std::unique_ptr<DlogGraph> graph) {
    OpenGraphWindow(std::move(graph));
}

ReplaceChoice CDASConfigDialog::AskReplaceOrAppend(const std::string& path) {
    return DialogReplaceQuestion(this).AskReplaceOrAppend(path);
}

void CDASConfigDialog::OnNotification(int code, std::uintptr_t wParam, std::intptr_t lParam) {
    const auto deliver = [this, code, wParam, lParam] {
        ++notificationDepth_;
        // The end of an automatic download writes its files here.
        writingFiles_ = code == wm::kRecordsDone;
        presenter_->OnNotification(code, wParam, lParam);
        writingFiles_ = false;
        --notificationDepth_;
    };
    if (code == wm::kDownloadDone || code == wm::kSendDone || code == wm::kSendFailed ||
        code == wm::kRecordsDone)
        QTimer::singleShot(kCompletionPauseMs, this, deliver);
    else
        deliver();
}

}  // namespace talven::gui
