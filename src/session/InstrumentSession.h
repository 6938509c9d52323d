#pragma once
// The session of one connected instrument node: what windows, timers and the command line use.
// The worker and its queue are in SessionWorker.h; the exchanges that run on the worker, in
// SessionExchange.h.

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
#include "session/CommInterface.h"
#include "session/SessionWorker.h"
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

class SessionExchange;

/// The session of one connected instrument node as windows, timers and the command line see it:
/// the communication interface (link holds), the posting operations, and the state that the
/// worker's exchanges fill. The exchanges themselves run on the node's worker, in a
/// `SessionExchange` that requests receive; nothing here talks to the link except the interface
/// operations the worker calls.
///
/// Threads: every public member may be called from any thread. State is guarded by the data lock,
/// taken in short scopes, never across link I/O or a sleep.
class CInstrumentSession : public ICommInterface, public LinkOwner, public CNodeAttachment {
  public:
    static constexpr int kPanelLines = 3;
    static constexpr int kMaxKey = 9;
    static constexpr std::size_t kMaxQueuedRequests = SessionWorker::kMaxQueuedRequests;

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

    // ICommInterface. The link operations (open, close, flush, send) belong to the worker.
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
    /// Asks a connect or transfer in progress to stop at its next step (a window's Cancel).
    void SetCancelRequested(bool cancel);
    /// The front panel's bracket around its own dialogs: the idle check leaves a panel that is
    /// not free alone.
    void SetPanelFree(bool free);
    void SetFrontPanel(NotifyTarget panel);
    void SetLastActivity(DateTime when);
    /// Forgets the pending mark of a display or light request that will never run.
    void ClearPendingMarks(bool display, bool light);

    // --- Session state -----------------------------------------------------------------------------
    /// Everything a window draws, under one lock.
    SessionSnapshot Snapshot() const;
    bool IsSessionOpen() const;
    int GetConnectCount() const;
    int GetInUseCount() const;
    int GetUseCount() const;
    int GetDisplayPollingCount() const;
    bool IsCancelRequested() const;
    bool IsPanelFree() const;
    bool IsModeChanged() const;
    std::int32_t GetSavedMode() const;
    std::string GetCapabilities() const;
    bool HasCapability(char c) const;
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
    std::array<std::string, kPanelLines> GetDisplayTexts() const;
    std::array<std::string, kPanelLines> GetLightNames() const;
    std::array<std::int32_t, kPanelLines> GetLightStates() const;
    bool IsDisplayRequestPending() const;
    bool IsLightRequestPending() const;
    int GetPollCountdown() const;
    double GetTargetFlow() const;
    NotifyTarget GetFrontPanel() const;
    /// The lines of the Instrument Information window.
    std::vector<std::string> GetInformationLines() const;
    /// Counts the link's opens; a transfer that sees it change (or the link no longer open) was
    /// cut off.
    std::uint32_t GetLinkGeneration() const;
    bool IsLinkOpen() const;
    /// Marks the network configuration modified.
    static void MarkNetworkModified();

  private:
    friend class SessionExchange;
    friend class CSessionRequest;

    /// The exchange context the worker's requests run in.
    SessionExchange& Exchange() { return *exchange_; }
    void SetSessionOpen(bool open);
    void NotifyMainWindow(int code);
    void ShowStatus(const std::string& text);
    void AddDisplayPollingCount(int delta);
    void AddCapability(char c);
    void RemoveCapability(char c);

    CInstrumentConnectedNode& node_;
    SessionWorker worker_;
    std::unique_ptr<SessionExchange> exchange_;

    // Guarded by the data lock.
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
    bool logOnRequired_ = false;
    std::string lastRefusal_;
    bool firmwareKnown_ = false;
    bool libraryKnown_ = false;
    bool protocolKnown_ = false;
};

}  // namespace talven
