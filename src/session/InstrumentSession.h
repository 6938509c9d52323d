#pragma once
// The session of one connected instrument node: its communication interface (link holds, the
// worker and its queue), the session state that exchanges fill and windows read, the posting
// operations of windows and timers, and the exchange helpers that every request runs on.
//
// Threads: posting operations, ticks and state getters may be called from any thread; the
// functions marked "Worker only" run on the instrument's worker inside a request's Execute. All
// state is guarded by the data lock, taken in short scopes, never across link I/O or a sleep.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/DateTime.h"
#include "foundation/Notifier.h"
#include "network/InstrumentNode.h"
#include "session/Capabilities.h"
#include "session/CommInstrumentTokenStream.h"
#include "session/CommInterface.h"
#include "transport/Connection.h"

namespace talven {

/// The node's operation to open its front panel: when the node cannot be connected, says so
/// ("Unable to connect to %s because the site is invalid.") in the event log and a warning box and
/// returns false; otherwise creates the front panel, posts the connect request and marks the
/// network configuration modified. User-interface thread.
bool OpenFrontPanel(CInstrumentNode& node);

/// The application's timers, forwarded to every instrument of the list whose session is open.
void DisplayTickAll(const CNamedObjectList& instruments);
void IdleCheckAll(const CNamedObjectList& instruments, DateTime now);

/// Model families of the identity.
int ModelFamilyOfName(std::string_view modelName);
/// Byte-wise comparison of revision texts, as the instruments' revisions are compared.
bool RevisionAtLeast(std::string_view revision, std::string_view minimum);
/// The panel kind of the front panel (wParam of 1040 and 1044).
int PanelKindOf(int family, std::string_view capabilities);

/// What a window shows of a session, taken at once under the data lock: the parts agree with
/// each other, which a getter per field cannot promise while a worker writes them.
struct SessionSnapshot {
    bool connected = false;
    bool sessionOpen = false;
    bool inUse = false;
    InstrumentIdentity identity;
    std::string modelName;
    std::array<std::string, 3> displayTexts;
    std::array<std::string, 3> lightNames;
    std::array<std::int32_t, 3> lightStates{};
};

class CInstrumentSession : public ICommInterface, public LinkOwner, public CNodeAttachment {
  public:
    static constexpr int kPanelLines = 3;
    static constexpr int kMaxKey = 9;
    /// Lines examined per command sent before the exchange gives up on the reply.
    static constexpr int kMaxReplyLines = 2000;
    /// Requests a worker may hold; more are refused.
    static constexpr std::size_t kMaxQueuedRequests = 1000;
    static constexpr int kConfirmationTimeoutMs = 10000;

    explicit CInstrumentSession(CInstrumentConnectedNode& node);
    /// Stops the worker (cancelling a connect in progress) and joins every worker thread.
    ~CInstrumentSession() override;
    CInstrumentSession(const CInstrumentSession&) = delete;
    CInstrumentSession& operator=(const CInstrumentSession&) = delete;

    /// The node's session, created on first use.
    static CInstrumentSession& Of(CInstrumentConnectedNode& node);
    /// The node's session, or null when it has none or is not a connected kind.
    static CInstrumentSession* Find(const CInstrumentNode& node);
    /// The communication interface of a node, created on first use; null for a node that cannot
    /// be connected.
    static ICommInterface* GetCommInterface(CInstrumentNode& node);

    CInstrumentConnectedNode& GetNode() const { return node_; }

    // ICommInterface
    CConnection* GetConnection() const override;
    bool SetConnection(std::unique_ptr<CConnection> link) override;
    void PostConnect() override;
    bool OpenLink() override;
    void CloseLink(bool force) override;
    bool IsConnected() const override;
    bool IsInUse() const override;
    void SetInUse(bool inUse) override;
    void FlushInput() override;
    bool SendText(std::string_view text, bool flushFirst) override;
    bool PostRequest(std::unique_ptr<CThreadMessage> message) override;

    // LinkOwner: called by the link on the worker while it opens or reads.
    void ShowLinkProgress(const std::string& text) override;
    bool IsLinkCancelRequested() const override;
    std::string GetLinkOwnerName() const override;
    std::uint32_t GetLinkTimeoutMs() const override;

    // --- Posting operations of windows and timers ------------------------------------------------
    /// Creates the front panel through the installed host when the node has none, posts the
    /// connect request and marks the network configuration modified.
    void OpenFrontPanel();
    bool PostDisconnect();
    /// Not while in use, and at most one queued: the exchange clears the pending mark.
    bool PostDisplayRequest();
    bool PostLightRequest();
    /// Keys 1 to 9, not while in use.
    bool PostKeyPress(int key);
    /// The 100 ms tick of periodic front panel updates.
    void DisplayTick();
    /// The 10 s idle check: destroys the front panel after the automatic disconnect time.
    void IdleCheck(DateTime now);
    /// The front panel was destroyed: forget it and post the disconnect.
    void OnFrontPanelDestroyed();
    /// True when a worker thread is running (its stop not yet set).
    bool HasWorker() const;
    /// Joins worker threads that have ended. The session does it itself at each connect and at
    /// destruction.
    void JoinEndedWorkers();

    // --- Session state -----------------------------------------------------------------------------
    /// Everything a window draws, under one lock. Any thread.
    SessionSnapshot Snapshot() const;
    bool IsSessionOpen() const;
    int GetConnectCount() const;
    int GetInUseCount() const;
    int GetUseCount() const;
    int GetDisplayPollingCount() const;
    void AddDisplayPollingCount(int delta);
    bool IsCancelRequested() const;
    void SetCancelRequested(bool cancel);
    bool IsPanelFree() const;
    void SetPanelFree(bool free);
    bool IsModeChanged() const;
    std::int32_t GetSavedMode() const;
    std::string GetCapabilities() const;
    bool HasCapability(char c) const;
    void AddCapability(char c);
    void RemoveCapability(char c);
    std::string GetModelName() const;
    /// Whether a reply of the last connect said the instrument wants a log-on first ("MUST LOG
    /// ON"). A connect without a password ends there, with the log-on failure status.
    bool IsLogOnRequired() const;
    /// Whether the last connect learned anything of who the instrument is (model, family, part
    /// or serial number, revision): false when nothing that answered was an instrument.
    bool IsIdentified() const;
    /// The line the instrument answered in place of the confirmation of the last send (its
    /// refusal, e.g. "BAD STATUS BLOCKS IN 20"); empty when it confirmed or said nothing.
    std::string GetLastRefusal() const;
    int GetModelFamily() const;
    DateTime GetLastActivity() const;
    void SetLastActivity(DateTime when);
    std::array<std::string, kPanelLines> GetDisplayTexts() const;
    std::array<std::string, kPanelLines> GetLightNames() const;
    std::array<std::int32_t, kPanelLines> GetLightStates() const;
    bool IsDisplayRequestPending() const;
    bool IsLightRequestPending() const;
    void ClearPendingMarks(bool display, bool light);
    int GetPollCountdown() const;
    double GetTargetFlow() const;
    NotifyTarget GetFrontPanel() const;
    void SetFrontPanel(NotifyTarget panel);
    /// The lines of the Instrument Information window.
    std::vector<std::string> GetInformationLines() const;
    /// Counts the link's opens; a transfer that sees it change (or the link no longer open) was
    /// cut off.
    std::uint32_t GetLinkGeneration() const;
    bool IsLinkOpen() const;

    // --- Exchanges (worker only) -------------------------------------------------------------------
    void ConnectExchange();
    void DisconnectExchange();
    /// The display read, trying the other command form when probing and nothing came.
    bool DisplayExchange(bool probing);
    bool LightExchange(bool storeNames);
    /// Key 1 to 9; any other key is an internal error.
    bool KeyExchange(int key);
    bool ReadTargetFlow();
    /// The instrument's date and time to the minute; the zero date when it could not be read.
    DateTime ReadInstrumentDate();
    /// The channel count for a DLOG download's progress; 0 when unknown.
    int ReadChannelCount();
    bool LogOn();
    bool LogOff();
    bool QueryCapabilities();
    bool QueryIdentity();

    // --- Exchange helpers (worker only) ------------------------------------------------------------
    /// The response stream of the open session, or null.
    CommInstrumentTokenStream* GetStream() const { return stream_.get(); }
    /// Sends 0x03, the command word, the instrument ID when it is to be sent, a blank, the argument
    /// and CR LF, flushing pending input first.
    bool SendCommand(std::string_view word, std::string_view argument);
    /// Reads the header of the next line: the letter's code ("D", "K", "V", "L") with the time and
    /// ID stored, 7 for a malformed header, or the code of the line's first token.
    int ReadReplyHeader();
    TimeSpan GetReplyTime() const { return replyTime_; }
    int GetReplyId() const { return replyId_; }
    /// Sends the command and hands each following line to match (called with the stream at a line
    /// start) until match returns true; a reply that ends without it is asked for again, three
    /// sends in all.
    template <class Match>
    bool ThreeTries(std::string_view word, std::string_view argument, Match&& match);
    /// Use bracket with the code-activated switch: the select code before the first use, the
    /// deselect code after the last. Both do nothing while the session is not open.
    void BeginUse();
    void EndUse();
    bool ReadIntegerVariable(std::string_view name, std::int32_t& value);
    bool WriteIntegerVariable(std::string_view name, std::int32_t value);
    bool ReadRealVariable(std::string_view name, double& value);
    /// Shows a status message in place of the display (text 1 is ":" and the message).
    void ShowStatus(const std::string& text);
    /// The name of the instrument variable holding the port's mode.
    std::string GetModeVariableName() const;
    /// Sends a script: pieces cut after each line feed, 1031 with their count and 1032 after each
    /// to window, the transmit delay after each, then one line whose first token must be the
    /// confirmation phrase (token code) within 10 s.
    bool SendScript(std::string_view script, int confirmationPhrase, NotifyTarget window);
    /// One text sent as is (no command framing, no flush).
    bool SendPlainText(std::string_view text);
    /// Reads one line within 10 s; true when its first token is the phrase.
    bool AwaitConfirmation(int confirmationPhrase);
    /// Sleeps the node's transmit delay when above 0.
    void TransmitDelay();
    /// One raw line from the link with its line feed, at most maxBytes long, logged as a response;
    /// empty when nothing came within the time-out.
    std::string ReadRawLine(int timeoutMs, std::size_t maxBytes);
    void PostToWindow(NotifyTarget window, int code, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);
    /// Marks the network configuration modified.
    static void MarkNetworkModified();
    /// Replaces one of the node's lists with fresh under the data lock; what it held is deleted.
    void ReplaceList(InstrumentList which, CNamedObjectList&& fresh);

    /// Bracket of one exchange (begin use, end use).
    class UseBracket {
      public:
        explicit UseBracket(CInstrumentSession& s) : s_(s) { s_.BeginUse(); }
        ~UseBracket() { s_.EndUse(); }
        UseBracket(const UseBracket&) = delete;
        UseBracket& operator=(const UseBracket&) = delete;

      private:
        CInstrumentSession& s_;
    };

    /// Marks the interface in use for its life: key presses and display requests are refused
    /// meanwhile. Scoped, so that a request that throws cannot leave the mark behind.
    class InUseHold {
      public:
        explicit InUseHold(CInstrumentSession& s) : s_(s) { s_.SetInUse(true); }
        ~InUseHold() { s_.SetInUse(false); }
        InUseHold(const InUseHold&) = delete;
        InUseHold& operator=(const InUseHold&) = delete;

      private:
        CInstrumentSession& s_;
    };

    /// Holds periodic display polling off for its life. With adopt, the count was already taken
    /// down by the caller and is only given back.
    class PollingHold {
      public:
        explicit PollingHold(CInstrumentSession& s, bool adopt = false) : s_(s) {
            if (!adopt)
                s_.AddDisplayPollingCount(-1);
        }
        ~PollingHold() { s_.AddDisplayPollingCount(1); }
        PollingHold(const PollingHold&) = delete;
        PollingHold& operator=(const PollingHold&) = delete;

      private:
        CInstrumentSession& s_;
    };

    /// Bracket of a long transfer: marks the interface in use, holds periodic polling off, begins
    /// use and optionally joins lines; undone in reverse order when it ends.
    class TransferBracket {
      public:
        TransferBracket(CInstrumentSession& s, bool joinLines);
        ~TransferBracket();
        TransferBracket(const TransferBracket&) = delete;
        TransferBracket& operator=(const TransferBracket&) = delete;

      private:
        CInstrumentSession& s_;
        InUseHold inUse_;
        PollingHold polling_;
        UseBracket use_;
        bool joinLines_;
    };

  private:
    struct Worker;
    static void RunWorker(CInstrumentSession* session, std::shared_ptr<Worker> worker,
                          std::shared_ptr<Worker> previous);
    void ExecuteGuarded(CThreadMessage& message);
    /// Under the data lock: stops the current worker after its request and forgets it.
    void StopWorkerLocked();
    void SetSessionOpen(bool open);
    void NotifyMainWindow(int code);
    bool ReadDisplayReply();
    bool ReadVariableLine(std::string_view name, bool real, std::int32_t& integer, double& realValue);
    /// The connect exchange once polling is held off: opens the link and runs the steps.
    void ConnectAndIdentify();
    /// The disconnect exchange once polling is held off: restores the port's mode or logs off,
    /// then closes the link.
    void CloseSession();
    bool ConnectSteps(bool tcp);
    bool SetInstrumentMode(bool passwordEnabled);
    void IdentifyFromModelName();
    void ReadConfigListing(bool capabilitiesKnown);
    void ApplyFirstConfigLine(const std::string& text, InstrumentIdentity& identity);
    bool InferCapabilities();
    void AnnouncePanelKind();
    void ResetIdentity();
    void ReleaseStream();
    bool IsWordToken(int kind) const;

    CInstrumentConnectedNode& node_;

    // Guarded by the data lock.
    std::shared_ptr<Worker> worker_;
    std::vector<std::shared_ptr<Worker>> workers_;  // every thread not yet joined
    int connectCount_ = 0;
    int inUseCount_ = 0;
    bool sessionOpen_ = false;
    int useCount_ = 0;
    int displayPollingCount_ = 1;
    bool cancelRequested_ = false;
    bool panelFree_ = true;
    bool modeChanged_ = false;
    std::int32_t savedMode_ = 0;
    std::string modelName_;
    DateTime lastActivity_;
    std::array<std::string, kPanelLines> displayTexts_;
    std::array<std::string, kPanelLines> lightNames_;
    std::array<std::int32_t, kPanelLines> lightStates_{};
    bool displayPending_ = false;
    bool lightPending_ = false;
    int pollCountdown_ = 0;
    double targetFlow_ = -1.0;
    NotifyTarget frontPanel_ = 0;
    std::uint32_t linkGeneration_ = 0;

    // Worker only.
    std::unique_ptr<CommInstrumentTokenStream> stream_;
    TimeSpan replyTime_;
    int replyId_ = 0;
    bool logOnRequired_ = false;
    std::string lastRefusal_;
    bool firmwareKnown_ = false;
    bool libraryKnown_ = false;
    bool protocolKnown_ = false;
};

template <class Match>
bool CInstrumentSession::ThreeTries(std::string_view word, std::string_view argument, Match&& match) {
    if (!stream_)
        return false;
    for (int send = 0; send < 3; ++send) {
        if (!SendCommand(word, argument))
            continue;
        for (int line = 0; line < kMaxReplyLines; ++line) {
            stream_->StartNewLine();
            if (match())
                return true;
            if (stream_->AtEndOfInput())
                break;
        }
    }
    return false;
}

}  // namespace talven
