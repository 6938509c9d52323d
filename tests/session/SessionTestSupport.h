#pragma once
// Test doubles for the session: a scripted link, a log that keeps its lines, and waiting for a
// condition that another thread brings about.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "foundation/DataLock.h"
#include "foundation/Log.h"
#include "session/CommInterface.h"
#include "session/InstrumentSession.h"
#include "session/SessionExchange.h"
#include "transport/Connection.h"

namespace talven::test {

/// Waits (polling briefly) until done() holds or the limit passes; true when it held.
inline bool WaitFor(const std::function<bool()>& done, int limitMs = 10000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

/// A request that does nothing. It is deleted, whether it ran or not, once everything posted
/// before it has finished; its flag outlives a test that stopped waiting.
class Sentinel : public CThreadMessage {
  public:
    Sentinel() : done_(std::make_shared<std::atomic<bool>>(false)) {}
    ~Sentinel() override { *done_ = true; }
    const char* GetRuntimeClass() const override { return "Sentinel"; }
    void Execute() override {}
    std::shared_ptr<std::atomic<bool>> Done() const { return done_; }

  private:
    std::shared_ptr<std::atomic<bool>> done_;
};

/// Waits until every request posted to the session so far has finished, or the session took no
/// more. A connect counts as finished once its link is open and its exchange is over.
/// Takes a capability from what the node learned, as an instrument without it would have said.
inline void DropCapability(CInstrumentConnectedNode& node, char c) {
    DataGuard guard;
    InstrumentIdentity identity = node.GetIdentity();
    std::erase(identity.capabilities, c);
    node.SetIdentity(identity);
}

inline bool Settle(CInstrumentSession& session, int limitMs = 30000) {
    auto sentinel = std::make_unique<Sentinel>();
    const auto done = sentinel->Done();
    session.PostRequest(std::move(sentinel));
    return WaitFor([&] { return done->load(); }, limitMs);
}

/// Keeps every log line with its category. Thread safe.
class RecordingLog : public LogSink {
  public:
    RecordingLog() { SetLogSink(this); }
    ~RecordingLog() override { SetLogSink(nullptr); }
    void Log(int category, std::string_view text) override {
        std::lock_guard<std::mutex> lock(mutex_);
        lines_.emplace_back(category, std::string(text));
    }
    std::vector<std::string> Lines(int category) const {
        std::lock_guard<std::mutex> lock(mutex_);
        std::vector<std::string> out;
        for (const auto& [c, t] : lines_)
            if (c == category)
                out.push_back(t);
        return out;
    }
    bool Contains(int category, std::string_view text) const {
        for (const std::string& line : Lines(category))
            if (line.find(text) != std::string::npos)
                return true;
        return false;
    }

  private:
    mutable std::mutex mutex_;
    std::vector<std::pair<int, std::string>> lines_;
};

/// A link that answers with queued input and records what was written. Open can be held at a
/// gate until the test releases it, and can be made to fail.
class ScriptedLink : public CConnection {
  public:
    const char* GetRuntimeClass() const override { return "ScriptedLink"; }
    void Serialize(ObjectArchive&) override {}
    bool ReadConfig(TokenStream&, const CNamedObjectList&) override { return false; }
    void WriteConfig(std::string&, const CNamedObjectList&) const override {}
    std::string GetUnwritableConfigField() const override { return {}; }
    int GetTypeKeyword() const override { return linkkw::kDirectCable; }
    bool IsHandleOpen() const override {
        std::lock_guard<std::mutex> lock(mutex_);
        return handleOpen_;
    }
    bool Open(LinkOwner* owner) override {
        std::unique_lock<std::mutex> lock(mutex_);
        ++opens_;
        opening_ = true;
        gateChanged_.notify_all();
        gateChanged_.wait(lock, [this] { return !gated_; });
        opening_ = false;
        if (failOpen_)
            return false;
        handleOpen_ = true;
        lock.unlock();
        return CConnection::Open(owner);
    }
    bool Close() override {
        CConnection::Close();
        std::lock_guard<std::mutex> lock(mutex_);
        ++closes_;
        const bool was = handleOpen_;
        handleOpen_ = false;
        return was;
    }
    bool Purge() override {
        std::lock_guard<std::mutex> lock(mutex_);
        input_.clear();
        return true;
    }
    int Read(char* buffer, int maxLength, int timeoutMs, int terminator, bool countFailures) override {
        std::unique_lock<std::mutex> lock(mutex_);
        gateChanged_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return !input_.empty(); });
        int n = 0;
        while (n < maxLength && !input_.empty()) {
            const char c = input_.front();
            input_.pop_front();
            buffer[n++] = c;
            if (terminator >= 0 && c == static_cast<char>(terminator))
                break;
        }
        lock.unlock();
        if (countFailures)
            NoteReadResult(n < 1);
        return n;
    }
    bool Write(std::string_view text) override {
        std::function<std::string(const std::string&)> responder;
        bool open = false;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            written_.emplace_back(text);
            responder = responder_;
            open = handleOpen_;
        }
        if (open && responder)
            Feed(responder(std::string(text)));
        return open;
    }
    /// Answers each text written with the bytes responder gives back.
    void SetResponder(std::function<std::string(const std::string&)> responder) {
        std::lock_guard<std::mutex> lock(mutex_);
        responder_ = std::move(responder);
    }
    bool EditProperties() override { return false; }
    std::unique_ptr<CConnection> Clone() const override { return std::make_unique<ScriptedLink>(); }

    void Feed(std::string_view bytes) {
        std::lock_guard<std::mutex> lock(mutex_);
        input_.insert(input_.end(), bytes.begin(), bytes.end());
        gateChanged_.notify_all();
    }
    void HoldOpen() {
        std::lock_guard<std::mutex> lock(mutex_);
        gated_ = true;
    }
    void ReleaseOpen(bool fail) {
        std::lock_guard<std::mutex> lock(mutex_);
        failOpen_ = fail;
        gated_ = false;
        gateChanged_.notify_all();
    }
    void SetFailOpen(bool fail) {
        std::lock_guard<std::mutex> lock(mutex_);
        failOpen_ = fail;
    }
    bool IsOpening() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return opening_;
    }
    int Opens() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return opens_;
    }
    int Closes() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return closes_;
    }
    std::vector<std::string> Written() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return written_;
    }

  private:
    mutable std::mutex mutex_;
    std::condition_variable gateChanged_;
    std::deque<char> input_;
    std::function<std::string(const std::string&)> responder_;
    std::vector<std::string> written_;
    bool handleOpen_ = false;
    bool gated_ = false;
    bool failOpen_ = false;
    bool opening_ = false;
    int opens_ = 0;
    int closes_ = 0;
};

}  // namespace talven::test
