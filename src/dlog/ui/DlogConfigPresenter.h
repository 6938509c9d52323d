#pragma once
// The rules of the "DLOG Configuration" window: its tree of channels and parameters with their
// check boxes and expansion, which controls are enabled, the configuration and data commands, the
// busy state while the instrument's worker runs one of its requests, automatic downloads every
// 60 seconds, and when the window may close. The window binds widgets to it and draws; everything
// here runs on the window thread and talks to the user through the user prompt and the view.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dlog/AutomaticDownload.h"
#include "dlog/CsvExport.h"
#include "dlog/DASChannel.h"
#include "dlog/ui/DlogDataAccess.h"
#include "foundation/DateTime.h"
#include "foundation/Notifier.h"

namespace talven {

class CDASParameter;
class IDlogInstrument;

/// What the window needs of the instrument's session. SessionDlogPort implements it over the
/// instrument's session; tests script it.
class DlogSessionPort {
  public:
    virtual ~DlogSessionPort() = default;
    virtual bool IsConnected() const = 0;
    /// A worker runs that will execute what is posted now.
    virtual bool HasWorker() const = 0;
    /// Each posts its request to the worker, reporting to window; false when it could not be posted.
    virtual bool PostConfigDownload(IDlogInstrument& dlog, NotifyTarget window) = 0;
    virtual bool PostConfigSend(IDlogInstrument& dlog, NotifyTarget window) = 0;
    virtual bool PostRecordDownload(std::vector<std::string> channelNames, NotifyTarget window) = 0;
    virtual void SetCancelRequested(bool cancel) = 0;
    /// The "Samples" box as the instrument keeps it.
    virtual bool GetSamplesBox() const = 0;
    virtual void SetSamplesBox(bool on) = 0;
    /// The name of the site (or multiplexor) that holds the instrument.
    virtual std::string GetSiteName() const = 0;
};

/// What the presenter asks of its window: to show its state again, to run the dialogs it opens,
/// and to run or stop the automatic download timer.
class DlogConfigView : public ReplaceOrAppendQuestion {
  public:
    /// Redraw the tree (from Tree() and Selection()), the controls, status and progress.
    virtual void Refresh() = 0;
    /// Status text and progress only (during a long save).
    virtual void RefreshProgress() = 0;
    virtual void SetAutomaticTimer(bool running) = 0;
    /// The channel property sheet; true when closed with OK (the sheet has written the channel).
    virtual bool EditChannel(CDASChannel& channel) = 0;
    /// The parameter dialog; true on OK.
    virtual bool EditParameter(CDASParameter& parameter) = 0;
    /// "Select Records" on selection; true on OK (selection then holds the choice).
    virtual bool EditSelection(CSelectionSet& selection, bool hasFromTo) = 0;
    /// "DLOG Data View" on the set, modal.
    virtual void ShowDataView(const DlogDataSet& data) = 0;
    /// Opens a graph window with the graph (independent of this window).
    virtual void OpenGraph(std::unique_ptr<DlogGraph> graph) = 0;
};

/// The items of the tree, as the model had them when last synchronised.
struct DlogTreeParameter {
    std::string label;
    bool checked = false;
};
struct DlogTreeChannel {
    std::string label;
    bool checked = false;
    bool expanded = false;
    std::vector<DlogTreeParameter> parameters;
};

/// The tree item selected: a channel (parameter < 0), a parameter of it, or none (channel < 0).
struct DlogTreeItem {
    int channel = -1;
    int parameter = -1;
    bool IsChannel() const { return channel >= 0 && parameter < 0; }
    bool IsParameter() const { return channel >= 0 && parameter >= 0; }
    bool operator==(const DlogTreeItem&) const = default;
};

/// What the enabling depends on.
struct DlogEnableInputs {
    bool enabled = true;              // en: the controls are enabled (not busy, not automatic)
    bool connected = false;           // C
    bool hasEventsAndPoints = false;  // D
    bool eventParameter = false;      // E: the EVENT/PARAMETER capability
    bool newDlog = false;             // W
    bool channelRoom = false;         // R: fewer than 20 channels
    bool parameterRoom = false;       // P: the selected item's channel has fewer than 50 parameters
    bool channelSelected = false;     // K
    bool parameterSelected = false;   // Q
    bool anyChecked = false;          // X
    bool automatic = false;
    bool busy = false;
};

/// Enabled state of every control of the window.
struct DlogControls {
    bool tree = false;
    bool getConfig = false;
    bool sendConfig = false;
    bool loadConfig = false;
    bool saveConfig = false;
    bool newConfig = false;
    bool newChannel = false;
    bool newParameter = false;
    bool duplicate = false;
    bool properties = false;
    bool remove = false;
    bool getData = false;
    bool graphData = false;
    bool saveData = false;
    bool viewData = false;
    bool checkAll = false;
    bool uncheckAll = false;
    bool expandAll = false;
    bool collapseAll = false;
    bool samples = false;
    bool automatic = false;
    bool close = false;

    bool operator==(const DlogControls&) const = default;
};

/// The enabling table of the window.
DlogControls ComputeDlogControls(const DlogEnableInputs& in);

/// The commands of the items' context menus.
enum class DlogCommand {
    kNewChannel,
    kDuplicate,
    kProperties,
    kDelete,
    kSelectChannel,
    kNewParameter,
    kSelectParameter,
};

struct DlogMenuItem {
    std::string text;  // with its '&'
    DlogCommand command;
    bool enabled = false;
};

class DlogConfigPresenter : private TransferProgress {
  public:
    /// dlog must outlive the presenter and every request it posts (the window keeps one per
    /// instrument for the program's life); window is where the worker's notifications go.
    DlogConfigPresenter(IDlogInstrument& dlog, DlogSessionPort& port, DlogConfigView& view,
                        const DlogWindowOptions& options, NotifyTarget window);

    /// "%s at %s": the instrument and its site.
    std::string Title() const;

    /// Opening: "Samples" from the instrument, the tree built, the controls enabled.
    void Open();

    // --- What the window shows ------------------------------------------------------------------
    const std::vector<DlogTreeChannel>& Tree() const { return tree_; }
    DlogTreeItem Selection() const { return selection_; }
    const DlogControls& Controls() const { return controls_; }
    /// "Close", or "Cancel" while a record download can be cancelled.
    std::string CloseText() const;
    bool IsBusy() const { return busy_ != Busy::kNone; }
    bool IsAutomatic() const { return automatic_; }
    bool IsSamplesChecked() const { return samples_; }
    const std::string& StatusText() const { return status_; }
    std::size_t ProgressRange() const { return progressRange_; }
    std::size_t ProgressPosition() const { return progressPosition_; }
    /// The menu of a tree item; empty for none.
    std::vector<DlogMenuItem> ContextMenu(const DlogTreeItem& item) const;

    // --- What the user does -----------------------------------------------------------------------
    void SelectItem(const DlogTreeItem& item);
    /// A check box clicked or an item expanded or collapsed: written into the model.
    void SetItemChecked(const DlogTreeItem& item, bool checked);
    void SetChannelExpanded(int channel, bool expanded);

    void GetConfig();
    void SendConfig();
    void LoadConfig();
    void SaveConfig();
    void NewConfig();
    void NewChannel();
    void NewParameter();
    void Duplicate();
    void Properties();
    void Delete();
    void Run(DlogCommand command);
    void CheckAll(bool checked);
    void ExpandAll(bool expanded);

    void GetData();
    void ViewData();
    void GraphData();
    void SaveData();
    void SetSamples(bool on);
    void SetAutomatic(bool on);

    /// The 60-second tick of automatic mode.
    void AutomaticTick(DateTime now);
    /// The window's watch (once a second): notices a connection made or lost, and ends a busy
    /// state whose request can no longer run (its worker ended before executing it).
    void Watch();

    /// "Close" or the close box: true when the window may close now (the "Samples" box has then
    /// been stored with the instrument).
    bool RequestClose();

    /// A worker's notification (1031 .. 1043). The window delays 1033, 1035, 1036 and 1042 by 100 ms.
    void OnNotification(int code, std::uintptr_t wParam, std::intptr_t lParam);

    /// The channels of the download that runs (or ran last).
    const std::vector<std::string>& DownloadList() const { return downloadNames_; }
    /// The selection "Get Data" uses, shared by every instrument's window.
    static CSelectionSet& SharedSelection();

  private:
    enum class Busy { kNone, kConfigDownload, kConfigSend, kRecords, kAutomatic, kLocal };

    // TransferProgress, for the files written here.
    void Begin(const std::string& status, std::size_t steps) override;
    void Step() override;
    void End() override;

    bool AskYesNo(int message, int caption) const;
    /// Asks 61303 when the configuration is modified; true to go on.
    bool MayDiscard() const;
    void StartBusy(Busy kind, const std::string& status);
    void EndBusy();
    void Refresh(bool rebuildTree);
    void RebuildTree();
    void SyncTreeFromModel();
    DlogEnableInputs Inputs() const;
    /// The channel of the selected item (or of the selected parameter); null when none.
    CDASChannel* SelectedChannel() const;
    CDASParameter* SelectedParameter() const;
    void AfterEdit();
    void WriteAutomaticDownloads();
    void GiveBackMarks();
    bool Has(char capability) const;

    IDlogInstrument& dlog_;
    DlogSessionPort& port_;
    DlogConfigView& view_;
    const DlogWindowOptions& options_;
    NotifyTarget window_;

    std::vector<DlogTreeChannel> tree_;
    DlogTreeItem selection_;
    DlogControls controls_;
    Busy busy_ = Busy::kNone;
    bool automatic_ = false;
    bool samples_ = false;
    bool anyChecked_ = false;
    bool lastConnected_ = false;
    int staleWatches_ = 0;
    std::string status_;
    std::size_t progressRange_ = 0;
    std::size_t progressPosition_ = 0;
    std::vector<std::string> downloadNames_;
    std::vector<DownloadMark> marksBefore_;
};

}  // namespace talven
