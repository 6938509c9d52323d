#pragma once
// "DLOG Configuration": the window through which the user works with one instrument's DLOG. It
// binds the tree, the buttons, the two check boxes, the status text and the progress bar to its
// presenter, runs the presenter's dialogs, and passes the worker's notifications and its timers
// on to it.

#include <QTimer>
#include <QWidget>

#include <map>
#include <memory>

#include "dlog/ui/DlogConfigPresenter.h"
#include "dlog/ui/SessionDlogPort.h"
#include "gui/DlogWindowSupport.h"
#include "gui/QtPlatform.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace talven {
class CInstrumentConnectedNode;
}

namespace talven::gui {

class CDASConfigDialog : public QWidget, public DlogConfigView, public NotificationSink {
    Q_OBJECT
  public:
    /// The buttons, by the presenter's command they run.
    enum Button {
        kGetConfig,
        kSendConfig,
        kLoadConfig,
        kSaveConfig,
        kNewConfig,
        kNewChannel,
        kNewParameter,
        kDuplicate,
        kProperties,
        kDelete,
        kGetData,
        kViewData,
        kGraphData,
        kSaveData,
        kCheckAll,
        kUncheckAll,
        kExpandAll,
        kCollapseAll,
        kClose,
        kButtonCount
    };

    CDASConfigDialog(QWidget* parent, CInstrumentConnectedNode& node, IDlogInstrument& dlog);
    ~CDASConfigDialog() override;

    CInstrumentConnectedNode& Node() const { return node_; }
    DlogConfigPresenter& Presenter() { return *presenter_; }
    QPushButton* ButtonOf(Button b) const { return buttons_[b]; }
    QTreeWidget* Tree() const { return tree_; }
    QCheckBox* AutomaticBox() const { return automatic_; }
    QCheckBox* SamplesBox() const { return samples_; }
    QLabel* Status() const { return status_; }
    QProgressBar* Progress() const { return progress_; }

    // DlogConfigView
    void Refresh() override;
    void RefreshProgress() override;
    void SetAutomaticTimer(bool running) override;
    bool EditChannel(CDASChannel& channel) override;
    bool EditParameter(CDASParameter& parameter) override;
    bool EditSelection(CSelectionSet& selection, bool hasFromTo) override;
    void ShowDataView(const DlogDataSet& data) override;
    void OpenGraph(std::unique_ptr<DlogGraph> graph) override;
    ReplaceChoice AskReplaceOrAppend(const std::string& path) override;

    // NotificationSink
    void OnNotification(int code, std::uintptr_t wParam, std::intptr_t lParam) override;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    QWidget* MakeButtons();
    QPushButton* AddButton(Button b, const char* text, void (DlogConfigPresenter::*command)());
    void RebuildTree();
    void UpdateTreeStates();
    bool TreeMatchesPresenter() const;
    void OnItemChanged(QTreeWidgetItem* item);
    void OnItemExpanded(QTreeWidgetItem* item, bool expanded);
    void OnCurrentItemChanged(QTreeWidgetItem* item);
    void OnContextMenu(const QPoint& position);
    DlogTreeItem ItemOf(const QTreeWidgetItem* item) const;

    CInstrumentConnectedNode& node_;
    IDlogInstrument& dlog_;
    SessionDlogPort port_;
    DlogWindowOptions options_;
    NotificationRegistration registration_;
    std::unique_ptr<DlogConfigPresenter> presenter_;
    WidgetProgress progressView_{nullptr, nullptr};

    QTreeWidget* tree_ = nullptr;
    QPushButton* buttons_[kButtonCount] = {};
    QCheckBox* automatic_ = nullptr;
    QCheckBox* samples_ = nullptr;
    QLabel* status_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QTimer automaticTimer_;
    QTimer watchTimer_;
    bool updating_ = false;
    int notificationDepth_ = 0;
    bool writingFiles_ = false;
};

}  // namespace talven::gui
