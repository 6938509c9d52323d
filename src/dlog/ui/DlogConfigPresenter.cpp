#include "dlog/ui/DlogConfigPresenter.h"

#include "dlog/DASEvent.h"
#include "dlog/DASParameter.h"
#include "dlog/DlogInstrument.h"
#include "dlog/DlogScript.h"
#include "dlog/DlogValidation.h"
#include "dlog/RecordDownload.h"
#include "foundation/DataLock.h"
#include "foundation/Log.h"
#include "foundation/Messages.h"
#include "foundation/UserPrompt.h"
#include "session/Capabilities.h"

namespace talven {

namespace {

// A busy state whose worker has gone is ended only after this many watches in a row saw it so:
// the request's own completion may still be on its way to the window.
constexpr int kStaleWatches = 3;

CDASChannel* ChannelAt(IDlogInstrument& dlog, int index) {
    CNamedObjectList& list = dlog.DlogChannels();
    if (index < 0 || static_cast<std::size_t>(index) >= list.size())
        return nullptr;
    return dynamic_cast<CDASChannel*>(list.at(static_cast<std::size_t>(index)));
}

CDASParameter* ParameterOf(CDASChannel* channel, int index) {
    if (channel == nullptr || index < 0 || static_cast<std::size_t>(index) >= channel->Parameters().size())
        return nullptr;
    return dynamic_cast<CDASParameter*>(channel->Parameters().at(static_cast<std::size_t>(index)));
}

/// The channel's own selected flag, leaving its parameters' flags as they are.
void SetChannelFlagOnly(CDASChannel& channel, bool selected) {
    DlogChannelSettings settings = channel.GetSettings();
    settings.selected = selected;
    channel.SetSettings(settings);
}

void ShowError(const std::string& text) {
    GetUserPrompt().MessageBox(text, FormatMessage(msg::kCaptionError), mb::kIconWarning);
}

}  // namespace

DlogControls ComputeDlogControls(const DlogEnableInputs& in) {
    const bool en = in.enabled;
    DlogControls c;
    c.tree = c.loadConfig = c.saveConfig = c.newConfig = en;
    c.checkAll = c.uncheckAll = c.expandAll = c.collapseAll = en;
    c.getConfig = en && in.connected;
    c.sendConfig = en && in.connected && in.hasEventsAndPoints && in.eventParameter;
    c.newChannel = en && in.hasEventsAndPoints && in.channelRoom;
    c.newParameter = en && in.hasEventsAndPoints && in.parameterRoom;
    c.duplicate = en && in.hasEventsAndPoints &&
                  ((in.channelSelected && in.channelRoom) || (in.parameterSelected && in.parameterRoom));
    c.properties = c.remove = en && in.hasEventsAndPoints && (in.channelSelected || in.parameterSelected);
    c.getData = c.graphData = c.saveData = c.viewData = en && in.connected && in.anyChecked;
    c.samples = en && in.connected && in.newDlog;
    c.automatic = (en || in.automatic) && !in.busy && in.connected;
    c.close = en;
    return c;
}

DlogConfigPresenter::DlogConfigPresenter(IDlogInstrument& dlog, DlogSessionPort& port, DlogConfigView& view,
                                         const DlogWindowOptions& options, NotifyTarget window)
    : dlog_(dlog), port_(port), view_(view), options_(options), window_(window) {}

CSelectionSet& DlogConfigPresenter::SharedSelection() {
    static CSelectionSet selection;
    return selection;
}

std::string DlogConfigPresenter::Title() const {
    return FormatMessage(msg::kInstrumentAtSite, dlog_.GetInstrumentName(), port_.GetSiteName());
}

void DlogConfigPresenter::Open() {
    samples_ = port_.GetSamplesBox();
    lastConnected_ = port_.IsConnected();
    Refresh(true);
}

std::string DlogConfigPresenter::CloseText() const {
    const bool cancellable = (busy_ == Busy::kRecords || busy_ == Busy::kAutomatic) && port_.IsConnected() &&
                             Has(capability::kCancel);
    return cancellable ? FormatMessage(msg::kCancel) : std::string("Close");
}

bool DlogConfigPresenter::Has(char c) const {
    return capability::Has(dlog_.GetCapabilities(), c);
}

// --- Tree and enabling ----------------------------------------------------------------------------

void DlogConfigPresenter::RebuildTree() {
    DataGuard guard;
    tree_.clear();
    anyChecked_ = false;
    for (const auto& item : dlog_.DlogChannels()) {
        auto* channel = dynamic_cast<CDASChannel*>(item.get());
        if (channel == nullptr)
            continue;
        DlogTreeChannel c;
        c.label = channel->GetText(0);
        c.checked = channel->IsSelected();
        c.expanded = channel->IsExpanded();
        anyChecked_ = anyChecked_ || c.checked;
        for (const auto& p : channel->Parameters()) {
            auto* parameter = static_cast<CDASParameter*>(p.get());
            c.parameters.push_back({parameter->GetText(0), parameter->IsSelected()});
            anyChecked_ = anyChecked_ || parameter->IsSelected();
        }
        tree_.push_back(std::move(c));
    }
    if (selection_.channel >= static_cast<int>(tree_.size()) ||
        (selection_.IsParameter() &&
         selection_.parameter >=
             static_cast<int>(tree_[static_cast<std::size_t>(selection_.channel)].parameters.size())))
        selection_ = {};
}

void DlogConfigPresenter::SyncTreeFromModel() {
    DataGuard guard;
    const CNamedObjectList& channels = dlog_.DlogChannels();
    if (channels.size() != tree_.size()) {
        RebuildTree();
        return;
    }
    anyChecked_ = false;
    for (std::size_t i = 0; i < tree_.size(); ++i) {
        auto* channel = dynamic_cast<CDASChannel*>(channels.at(i));
        if (channel == nullptr || channel->Parameters().size() != tree_[i].parameters.size()) {
            RebuildTree();
            return;
        }
        tree_[i].checked = channel->IsSelected();
        tree_[i].expanded = channel->IsExpanded();
        anyChecked_ = anyChecked_ || tree_[i].checked;
        for (std::size_t j = 0; j < tree_[i].parameters.size(); ++j) {
            const bool on = static_cast<CDASParameter*>(channel->Parameters().at(j))->IsSelected();
            tree_[i].parameters[j].checked = on;
            anyChecked_ = anyChecked_ || on;
        }
    }
}

DlogEnableInputs DlogConfigPresenter::Inputs() const {
    DlogEnableInputs in;
    in.busy = busy_ != Busy::kNone;
    in.automatic = automatic_;
    in.enabled = !in.busy && !automatic_;
    in.connected = port_.IsConnected();
    in.eventParameter = Has(capability::kEventParameter);
    in.newDlog = Has(capability::kNewDlog);
    in.anyChecked = anyChecked_;
    DataGuard guard;
    in.hasEventsAndPoints = !dlog_.DlogEvents().empty() && !dlog_.DlogPoints().empty();
    in.channelRoom = HasChannelRoom(dlog_);
    const CDASChannel* channel = SelectedChannel();
    in.parameterRoom = channel != nullptr && channel->HasParameterRoom();
    in.channelSelected = channel != nullptr && selection_.IsChannel();
    in.parameterSelected = SelectedParameter() != nullptr;
    return in;
}

void DlogConfigPresenter::Refresh(bool rebuildTree) {
    if (rebuildTree)
        RebuildTree();
    else if (busy_ == Busy::kNone || automatic_)
        SyncTreeFromModel();
    controls_ = ComputeDlogControls(Inputs());
    // A record download that the instrument can cancel keeps "Close" (then "Cancel") available.
    if (CloseText() != "Close")
        controls_.close = true;
    view_.Refresh();
}

CDASChannel* DlogConfigPresenter::SelectedChannel() const {
    DataGuard guard;
    return ChannelAt(dlog_, selection_.channel);
}

CDASParameter* DlogConfigPresenter::SelectedParameter() const {
    if (!selection_.IsParameter())
        return nullptr;
    DataGuard guard;
    return ParameterOf(ChannelAt(dlog_, selection_.channel), selection_.parameter);
}

std::vector<DlogMenuItem> DlogConfigPresenter::ContextMenu(const DlogTreeItem& item) const {
    const bool en = busy_ == Busy::kNone && !automatic_;
    if (item.IsChannel())
        return {{FormatMessage(msg::kMenuNewChannel), DlogCommand::kNewChannel, controls_.newChannel},
                {FormatMessage(msg::kMenuDuplicateChannel), DlogCommand::kDuplicate, controls_.duplicate},
                {FormatMessage(msg::kMenuChannelProperties), DlogCommand::kProperties, controls_.properties},
                {FormatMessage(msg::kMenuDeleteChannel), DlogCommand::kDelete, controls_.remove},
                {FormatMessage(msg::kMenuSelectChannel), DlogCommand::kSelectChannel, en}};
    if (item.IsParameter())
        return {
            {FormatMessage(msg::kMenuNewParameter), DlogCommand::kNewParameter, controls_.newParameter},
            {FormatMessage(msg::kMenuDuplicateParameter), DlogCommand::kDuplicate, controls_.duplicate},
            {FormatMessage(msg::kMenuParameterProperties), DlogCommand::kProperties, controls_.properties},
            {FormatMessage(msg::kMenuDeleteParameter), DlogCommand::kDelete, controls_.remove},
            {FormatMessage(msg::kMenuSelectParameter), DlogCommand::kSelectParameter, en}};
    return {};
}

void DlogConfigPresenter::SelectItem(const DlogTreeItem& item) {
    selection_ = item;
    if (SelectedChannel() == nullptr || (item.IsParameter() && SelectedParameter() == nullptr))
        selection_ = {};
    Refresh(false);
}

void DlogConfigPresenter::SetItemChecked(const DlogTreeItem& item, bool checked) {
    if (!controls_.tree)
        return;
    {
        DataGuard guard;
        CDASChannel* channel = ChannelAt(dlog_, item.channel);
        if (channel == nullptr)
            return;
        if (item.IsChannel()) {
            SetChannelFlagOnly(*channel, checked);
        } else if (CDASParameter* parameter = ParameterOf(channel, item.parameter)) {
            parameter->SetSelected(checked);
        }
        dlog_.MarkNetworkModified();
    }
    Refresh(false);
}

void DlogConfigPresenter::SetChannelExpanded(int index, bool expanded) {
    {
        DataGuard guard;
        CDASChannel* channel = ChannelAt(dlog_, index);
        if (channel == nullptr || channel->IsExpanded() == expanded)
            return;
        channel->SetExpanded(expanded);
    }
    Refresh(false);
}

// --- Busy state -------------------------------------------------------------------------------------

void DlogConfigPresenter::StartBusy(Busy kind, const std::string& status) {
    busy_ = kind;
    status_ = status;
    progressRange_ = progressPosition_ = 0;
    staleWatches_ = 0;
    Refresh(false);
}

void DlogConfigPresenter::EndBusy() {
    const bool cancellable = CloseText() != "Close";
    busy_ = Busy::kNone;
    status_.clear();
    progressRange_ = progressPosition_ = 0;
    // A cancel asked for this download must not stop the next connect or download.
    if (cancellable)
        port_.SetCancelRequested(false);
    Refresh(false);
}

void DlogConfigPresenter::Begin(const std::string& status, std::size_t steps) {
    status_ = status;
    progressRange_ = steps;
    progressPosition_ = 0;
    view_.RefreshProgress();
}

void DlogConfigPresenter::Step() {
    if (progressPosition_ < progressRange_)
        ++progressPosition_;
    view_.RefreshProgress();
}

void DlogConfigPresenter::End() {
    status_.clear();
    progressRange_ = progressPosition_ = 0;
    view_.RefreshProgress();
}

void DlogConfigPresenter::Watch() {
    const bool connected = port_.IsConnected();
    const bool posted = busy_ != Busy::kNone && busy_ != Busy::kLocal;
    staleWatches_ = posted && !port_.HasWorker() ? staleWatches_ + 1 : 0;
    if (staleWatches_ >= kStaleWatches) {
        staleWatches_ = 0;
        lastConnected_ = connected;
        RebuildTree();
        EndBusy();
        return;
    }
    if (connected != lastConnected_) {
        lastConnected_ = connected;
        Refresh(false);
    }
}

// --- Configuration commands ------------------------------------------------------------------------

bool DlogConfigPresenter::AskYesNo(int message, int caption) const {
    return GetUserPrompt().MessageBox(FormatMessage(message), FormatMessage(caption),
                                      mb::kYesNo | mb::kIconQuestion | mb::kDefaultButton2) == mb::kIdYes;
}

bool DlogConfigPresenter::MayDiscard() const {
    return !dlog_.IsDlogModified() || AskYesNo(msg::kDiscardDlogConfig, msg::kCaptionConfirm);
}

void DlogConfigPresenter::GetConfig() {
    if (!controls_.getConfig || !MayDiscard())
        return;
    StartBusy(Busy::kConfigDownload, FormatMessage(msg::kDownloadingDlogConfig));
    tree_.clear();
    selection_ = {};
    view_.Refresh();
    if (!port_.PostConfigDownload(dlog_, window_)) {
        RebuildTree();
        EndBusy();
    }
}

void DlogConfigPresenter::SendConfig() {
    if (!controls_.sendConfig || !AskYesNo(msg::kSendDlogQuestion, msg::kCaptionConfirm))
        return;
    StartBusy(Busy::kConfigSend, FormatMessage(msg::kSendingDlogConfig));
    if (!port_.PostConfigSend(dlog_, window_))
        EndBusy();
}

void DlogConfigPresenter::LoadConfig() {
    if (!controls_.loadConfig || !AskYesNo(msg::kDiscardDlogConfig, msg::kCaptionConfirm))
        return;
    FileDialogRequest request;
    request.filter = FormatMessage(msg::kDlogScriptFilter);
    request.defaultExtension = ".txt";
    request.mustExist = true;
    const std::optional<std::string> path = GetUserPrompt().OpenFile(request);
    if (!path)
        return;
    const DlogFileResult loaded = LoadDlogScriptFile(*path, dlog_);
    selection_ = {};
    Refresh(true);
    if (!loaded.ok)
        ShowError(loaded.message);
}

void DlogConfigPresenter::SaveConfig() {
    if (!controls_.saveConfig)
        return;
    FileDialogRequest request;
    request.filter = FormatMessage(msg::kDlogScriptFilter);
    request.defaultExtension = ".txt";
    request.initialName = ProposeScriptFileName(dlog_);
    request.promptOverwrite = true;
    const std::optional<std::string> path = GetUserPrompt().SaveFile(request);
    if (!path)
        return;
    const DlogFileResult saved = SaveDlogScriptFile(*path, dlog_);
    if (!saved.ok)
        ShowError(saved.message);
    Refresh(false);
}

void DlogConfigPresenter::NewConfig() {
    if (!controls_.newConfig || !MayDiscard())
        return;
    {
        DataGuard guard;
        dlog_.DlogChannels().DeleteAll();
        dlog_.SetDlogModified(false);
        dlog_.MarkNetworkModified();
    }
    selection_ = {};
    Refresh(true);
}

// --- Editing ---------------------------------------------------------------------------------------------

void DlogConfigPresenter::AfterEdit() {
    MarkDlogEdited(dlog_);
    Refresh(true);
}

void DlogConfigPresenter::NewChannel() {
    if (!controls_.newChannel)
        return;
    auto channel = std::make_unique<CDASChannel>(&dlog_);
    if (!view_.EditChannel(*channel))
        return;
    {
        DataGuard guard;
        if (!HasChannelRoom(dlog_))
            return;
        dlog_.DlogChannels().Append(std::move(channel));
        selection_ = {static_cast<int>(dlog_.DlogChannels().size()) - 1, -1};
    }
    AfterEdit();
}

void DlogConfigPresenter::NewParameter() {
    CDASChannel* channel = SelectedChannel();
    if (!controls_.newParameter || channel == nullptr)
        return;
    auto parameter = std::make_unique<CDASParameter>(channel);
    if (!view_.EditParameter(*parameter))
        return;
    {
        DataGuard guard;
        if (!channel->HasParameterRoom())
            return;
        channel->AppendParameter(std::move(parameter));
        channel->SetExpanded(true);
        selection_.parameter = static_cast<int>(channel->Parameters().size()) - 1;
    }
    AfterEdit();
}

void DlogConfigPresenter::Duplicate() {
    CDASChannel* channel = SelectedChannel();
    if (!controls_.duplicate || channel == nullptr)
        return;
    if (selection_.IsChannel()) {
        if (DuplicateChannel(dlog_, *channel) == nullptr)
            return;
    } else if (CDASParameter* parameter = SelectedParameter()) {
        if (DuplicateParameter(dlog_, *channel, *parameter) == nullptr)
            return;
    }
    Refresh(true);
}

void DlogConfigPresenter::Properties() {
    CDASChannel* channel = SelectedChannel();
    if (!controls_.properties || channel == nullptr)
        return;
    CDASParameter* parameter = SelectedParameter();
    const bool ok = parameter ? view_.EditParameter(*parameter) : view_.EditChannel(*channel);
    if (ok)
        AfterEdit();
}

void DlogConfigPresenter::Delete() {
    CDASChannel* channel = SelectedChannel();
    if (!controls_.remove || channel == nullptr)
        return;
    CDASParameter* parameter = SelectedParameter();
    const DlogTreeChannel& item = tree_.at(static_cast<std::size_t>(selection_.channel));
    const std::string& label =
        parameter ? item.parameters.at(static_cast<std::size_t>(selection_.parameter)).label : item.label;
    if (options_.confirmDeletes &&
        GetUserPrompt().MessageBox(FormatMessage(msg::kDeleteQuestion, label),
                                   FormatMessage(msg::kCaptionConfirm),
                                   mb::kYesNo | mb::kIconQuestion | mb::kDefaultButton2) != mb::kIdYes)
        return;
    {
        DataGuard guard;
        if (parameter)
            channel->Parameters().Remove(parameter);
        else
            dlog_.DlogChannels().Remove(channel);
    }
    selection_ = {};
    AfterEdit();
}

void DlogConfigPresenter::Run(DlogCommand command) {
    switch (command) {
        case DlogCommand::kNewChannel:
            NewChannel();
            return;
        case DlogCommand::kNewParameter:
            NewParameter();
            return;
        case DlogCommand::kDuplicate:
            Duplicate();
            return;
        case DlogCommand::kProperties:
            Properties();
            return;
        case DlogCommand::kDelete:
            Delete();
            return;
        case DlogCommand::kSelectChannel:
        case DlogCommand::kSelectParameter:
            break;
    }
    if (busy_ != Busy::kNone || automatic_)
        return;
    {
        DataGuard guard;
        CDASChannel* channel = SelectedChannel();
        if (channel == nullptr)
            return;
        CDASParameter* parameter = SelectedParameter();
        if (command == DlogCommand::kSelectChannel && selection_.IsChannel()) {
            channel->SetSelected(!channel->IsSelected());
        } else if (command == DlogCommand::kSelectParameter && parameter != nullptr) {
            parameter->SetSelected(!parameter->IsSelected());
            SetChannelFlagOnly(*channel, false);
        } else {
            return;
        }
        dlog_.MarkNetworkModified();
    }
    Refresh(false);
}

void DlogConfigPresenter::CheckAll(bool checked) {
    if (!controls_.checkAll)
        return;
    SetAllChannelsSelected(dlog_, checked);
    dlog_.MarkNetworkModified();
    Refresh(false);
}

void DlogConfigPresenter::ExpandAll(bool expanded) {
    if (!controls_.expandAll)
        return;
    SetAllChannelsExpanded(dlog_, expanded);
    Refresh(false);
}

// --- Data commands ---------------------------------------------------------------------------------

void DlogConfigPresenter::GetData() {
    if (!controls_.getData)
        return;
    CSelectionSet selection = SharedSelection();
    if (!view_.EditSelection(selection, Has(capability::kFromTo)))
        return;
    SharedSelection() = selection;
    const std::vector<CDASChannel*> channels = ManualDownloadList(dlog_, &SharedSelection());
    if (channels.empty())
        return;
    downloadNames_ = ChannelNames(channels);
    marksBefore_.clear();
    StartBusy(Busy::kRecords, {});
    if (!port_.PostRecordDownload(downloadNames_, window_))
        EndBusy();
}

void DlogConfigPresenter::ViewData() {
    if (!controls_.viewData)
        return;
    StartBusy(Busy::kLocal, {});
    DlogDataSet data;
    if (FirstChannelWithData(dlog_, data))
        view_.ShowDataView(data);
    EndBusy();
}

void DlogConfigPresenter::GraphData() {
    if (!controls_.graphData)
        return;
    DlogDataSet data;
    if (!FirstChannelWithData(dlog_, data))
        return;
    std::unique_ptr<DlogGraph> graph =
        MakeDlogGraph(data, dlog_.GetInstrumentName(), port_.GetSiteName(), options_.formats);
    if (graph)
        view_.OpenGraph(std::move(graph));
}

void DlogConfigPresenter::SaveData() {
    if (!controls_.saveData)
        return;
    StartBusy(Busy::kLocal, {});
    std::vector<std::string> names;
    {
        DataGuard guard;
        for (const auto& item : dlog_.DlogChannels())
            names.push_back(item->GetName());
    }
    for (const std::string& name : names) {
        DlogDataSet data;
        data.channelName = name;
        {
            DataGuard guard;
            auto* channel = dynamic_cast<CDASChannel*>(dlog_.DlogChannels().FindByName(name));
            if (channel == nullptr)
                continue;
            GatherChannel(*channel, data.set);
        }
        if (data.set.GetColumnCount() == 0 || data.set.GetRowCount() == 0)
            continue;
        if (SaveDataSet(dlog_, data, samples_, options_.formats, view_, this, DateTime::Now()) !=
            SaveOutcome::kSaved)
            break;
    }
    EndBusy();
}

void DlogConfigPresenter::SetSamples(bool on) {
    if (!controls_.samples)
        return;
    samples_ = on;
    Refresh(false);
}

void DlogConfigPresenter::SetAutomatic(bool on) {
    if (!controls_.automatic || on == automatic_)
        return;
    automatic_ = on;
    view_.SetAutomaticTimer(on);
    Refresh(false);
}

void DlogConfigPresenter::AutomaticTick(DateTime now) {
    if (!automatic_ || busy_ != Busy::kNone || !port_.IsConnected())
        return;
    const std::vector<CDASChannel*> channels = AutomaticDownloadList(dlog_, now);
    if (channels.empty())
        return;
    downloadNames_ = ChannelNames(channels);
    marksBefore_.clear();
    for (CDASChannel* channel : channels)
        marksBefore_.push_back(MarkOf(*channel));
    StartBusy(Busy::kAutomatic, {});
    if (!port_.PostRecordDownload(downloadNames_, window_))
        EndBusy();
}

void DlogConfigPresenter::WriteAutomaticDownloads() {
    for (std::size_t i = 0; i < downloadNames_.size() && i < marksBefore_.size(); ++i) {
        CDASChannel* channel = nullptr;
        std::string file;
        bool append = true;
        {
            DataGuard guard;
            channel = dynamic_cast<CDASChannel*>(dlog_.DlogChannels().FindByName(downloadNames_[i]));
            if (channel == nullptr)
                continue;
            file = channel->GetDownloadFile();
            append = channel->GetAppend();
        }
        if (file.empty())
            continue;
        WriteAutomaticDownload(*channel, marksBefore_[i], [&](const CDataRecordSet& set) {
            CsvOptions csv;
            csv.append = append;
            csv.samplesBox = samples_;
            // Unattended: the failure is logged, and the channel's mark goes back for the next pass.
            std::string failure;
            return WriteRecordSetCsv(set, file, csv, options_.formats, this, &failure);
        });
    }
}

void DlogConfigPresenter::GiveBackMarks() {
    DataGuard guard;
    for (std::size_t i = 0; i < downloadNames_.size() && i < marksBefore_.size(); ++i) {
        auto* channel = dynamic_cast<CDASChannel*>(dlog_.DlogChannels().FindByName(downloadNames_[i]));
        if (channel == nullptr)
            continue;
        channel->SetLastDownload(marksBefore_[i].lastDownload);
        channel->SetDownloadedBefore(marksBefore_[i].downloadedBefore);
    }
}

// --- Closing and notifications ---------------------------------------------------------------------

bool DlogConfigPresenter::RequestClose() {
    const bool connected = port_.IsConnected();
    if ((busy_ == Busy::kRecords || busy_ == Busy::kAutomatic) && connected && Has(capability::kCancel)) {
        port_.SetCancelRequested(true);
        return false;
    }
    if (connected) {
        if (automatic_ || busy_ != Busy::kNone)
            return false;
        if (dlog_.IsDlogModified() && !AskYesNo(msg::kDlogModifiedExit, msg::kCaptionConfirm))
            return false;
    }
    port_.SetSamplesBox(samples_);
    return true;
}

void DlogConfigPresenter::OnNotification(int code, std::uintptr_t wParam, std::intptr_t lParam) {
    const bool records = busy_ == Busy::kRecords || busy_ == Busy::kAutomatic;
    switch (code) {
        case wm::kTransferStart:
            if (busy_ == Busy::kConfigDownload || busy_ == Busy::kConfigSend)
                Begin(status_, wParam);
            return;
        case wm::kTransferStep:
            if (busy_ != Busy::kNone)
                Step();
            return;
        case wm::kRecordsStart:
            if (records) {
                const bool known = lParam >= 0 && static_cast<std::size_t>(lParam) < downloadNames_.size();
                Begin(FormatMessage(msg::kDownloadingDataFor,
                                    known ? downloadNames_[static_cast<std::size_t>(lParam)] : std::string()),
                      wParam);
            }
            return;
        case wm::kDownloadDone:
        case wm::kDownloadFailed:
            if (busy_ == Busy::kConfigDownload) {
                RebuildTree();
                EndBusy();
            }
            return;
        case wm::kSendDone:
        case wm::kSendFailed:
            if (busy_ != Busy::kConfigSend)
                return;
            EndBusy();
            if (code == wm::kSendDone) {
                GetUserPrompt().MessageBox(FormatMessage(msg::kDlogSent), FormatMessage(msg::kCaptionSuccess),
                                           mb::kIconInformation);
            } else {
                Log(kLogError, FormatMessage(msg::kDlogSendFailed));
                ShowError(FormatMessage(msg::kDlogSendFailed));
            }
            return;
        case wm::kRecordsDone:
        case wm::kRecordsFailed:
            if (!records)
                return;
            // A failed automatic download may have moved the marks of the channels before the one that
            // failed: none was written, so each goes back to fetch its records again.
            if (busy_ == Busy::kAutomatic) {
                if (code == wm::kRecordsDone)
                    WriteAutomaticDownloads();
                else
                    GiveBackMarks();
            }
            RebuildTree();
            EndBusy();
            return;
        default:
            return;
    }
}

}  // namespace talven
