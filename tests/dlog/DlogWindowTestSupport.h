#pragma once
// Stand-ins for the DLOG configuration window's session and widgets: the presenter's posts are
// recorded, its dialogs answered from the test.

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "DlogTestSupport.h"
#include "dlog/ui/DlogConfigPresenter.h"
#include "foundation/Log.h"

namespace talven::test {

class FakeDlogPort : public DlogSessionPort {
  public:
    struct Post {
        std::string kind;  // "config", "send", "records"
        std::vector<std::string> channels;
    };

    bool IsConnected() const override { return connected; }
    bool HasWorker() const override { return worker; }
    bool PostConfigDownload(IDlogInstrument&, NotifyTarget) override { return Record({"config", {}}); }
    bool PostConfigSend(IDlogInstrument&, NotifyTarget) override { return Record({"send", {}}); }
    bool PostRecordDownload(std::vector<std::string> names, NotifyTarget) override {
        return Record({"records", std::move(names)});
    }
    void SetCancelRequested(bool on) override { cancel = on; }
    bool GetSamplesBox() const override { return samples; }
    void SetSamplesBox(bool on) override { samples = on; }
    std::string GetSiteName() const override { return "Harbour"; }

    bool connected = true;
    bool worker = true;
    bool refusePosts = false;
    bool cancel = false;
    bool samples = false;
    std::vector<Post> posts;

  private:
    bool Record(Post post) {
        if (refusePosts)
            return false;
        posts.push_back(std::move(post));
        return true;
    }
};

class FakeDlogView : public DlogConfigView {
  public:
    void Refresh() override { ++refreshes; }
    void RefreshProgress() override { ++progressRefreshes; }
    void SetAutomaticTimer(bool running) override { timer = running; }
    bool EditChannel(CDASChannel& channel) override { return editChannel ? editChannel(channel) : false; }
    bool EditParameter(CDASParameter& parameter) override {
        return editParameter ? editParameter(parameter) : false;
    }
    bool EditSelection(CSelectionSet& selection, bool) override {
        if (selectionAnswer)
            selectionAnswer(selection);
        return selectionOk;
    }
    void ShowDataView(const DlogDataSet& data) override { shownChannels.push_back(data.channelName); }
    void OpenGraph(std::unique_ptr<DlogGraph> graph) override { graphs.push_back(std::move(graph)); }
    ReplaceChoice AskReplaceOrAppend(const std::string& path) override {
        asked.push_back(path);
        if (choices.empty())
            return ReplaceChoice::kCancel;
        const ReplaceChoice c = choices.front();
        choices.erase(choices.begin());
        return c;
    }

    int refreshes = 0;
    int progressRefreshes = 0;
    bool timer = false;
    std::function<bool(CDASChannel&)> editChannel;
    std::function<bool(CDASParameter&)> editParameter;
    std::function<void(CSelectionSet&)> selectionAnswer;
    bool selectionOk = true;
    std::vector<std::string> shownChannels;
    std::vector<std::unique_ptr<DlogGraph>> graphs;
    std::vector<ReplaceChoice> choices;
    std::vector<std::string> asked;
};

/// Keeps the event log's lines while it lives.
class RecordingLogSink : public LogSink {
  public:
    RecordingLogSink() { SetLogSink(this); }
    ~RecordingLogSink() override { SetLogSink(nullptr); }
    void Log(int category, std::string_view text) override {
        std::lock_guard<std::mutex> lock(mutex_);
        lines_.emplace_back(category, std::string(text));
    }
    bool Has(int category, std::string_view text) const {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& [c, t] : lines_)
            if (c == category && t.find(text) != std::string::npos)
                return true;
        return false;
    }

  private:
    mutable std::mutex mutex_;
    std::vector<std::pair<int, std::string>> lines_;
};

/// Records as a download would leave them: a new set number and count values per selected
/// parameter, stamped a minute apart from start.
inline void GiveRecords(IDlogInstrument& inst, CDASChannel& channel, std::size_t count,
                        std::uint32_t start = 1772366400u) {
    const std::uint32_t set = inst.NextDlogSetNumber();
    for (const auto& item : channel.Parameters()) {
        auto* p = static_cast<CDASParameter*>(item.get());
        if (!p->CountsAsSelected())
            continue;
        p->ClearRecords();
        p->SetSetNumber(set);
        for (std::size_t i = 0; i < count; ++i)
            p->Records().push_back(
                {1.5 * static_cast<double>(i), 3, start + 60u * static_cast<std::uint32_t>(i), true});
    }
}

}  // namespace talven::test
