#pragma once
// The worker side of an instrument session: the exchanges with the instrument and the helpers
// every request runs on. It owns the response stream of the open session. Only the instrument's
// worker uses it (requests receive it in Run); windows never include this header, they post
// requests and read the session's snapshot.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "foundation/DateTime.h"
#include "foundation/Notifier.h"
#include "network/InstrumentNode.h"
#include "session/CommInstrumentTokenStream.h"

namespace talven {

class CInstrumentSession;
class CInstrumentConnectedNode;

class SessionExchange {
  public:
    /// Lines examined per command sent before the exchange gives up on the reply.
    static constexpr int kMaxReplyLines = 2000;
    static constexpr int kConfirmationTimeoutMs = 10000;

    explicit SessionExchange(CInstrumentSession& session);
    ~SessionExchange();
    SessionExchange(const SessionExchange&) = delete;
    SessionExchange& operator=(const SessionExchange&) = delete;

    CInstrumentSession& Session() const { return s_; }
    CInstrumentConnectedNode& GetNode() const { return node_; }
    bool IsSessionOpen() const;
    bool HasCapability(char c) const;

    // --- Exchanges ---------------------------------------------------------------------------------
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

    // --- Helpers -----------------------------------------------------------------------------------
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
    /// Replaces one of the node's lists with fresh under the data lock; what it held is deleted.
    void ReplaceList(InstrumentList which, CNamedObjectList&& fresh);
    bool IsCancelRequested() const;

    /// Bracket of one exchange (begin use, end use).
    class UseBracket {
      public:
        explicit UseBracket(SessionExchange& x) : x_(x) { x_.BeginUse(); }
        ~UseBracket() { x_.EndUse(); }
        UseBracket(const UseBracket&) = delete;
        UseBracket& operator=(const UseBracket&) = delete;

      private:
        SessionExchange& x_;
    };

    /// Marks the interface in use for its life: key presses and display requests are refused
    /// meanwhile. Scoped, so that a request that throws cannot leave the mark behind.
    class InUseHold {
      public:
        explicit InUseHold(SessionExchange& x);
        ~InUseHold();
        InUseHold(const InUseHold&) = delete;
        InUseHold& operator=(const InUseHold&) = delete;

      private:
        SessionExchange& x_;
    };

    /// Holds periodic display polling off for its life. With adopt, the count was already taken
    /// down by the caller and is only given back.
    class PollingHold {
      public:
        explicit PollingHold(SessionExchange& x, bool adopt = false);
        ~PollingHold();
        PollingHold(const PollingHold&) = delete;
        PollingHold& operator=(const PollingHold&) = delete;

      private:
        SessionExchange& x_;
    };

    /// Bracket of a long transfer: marks the interface in use, holds periodic polling off, begins
    /// use and optionally joins lines; undone in reverse order when it ends.
    class TransferBracket {
      public:
        TransferBracket(SessionExchange& x, bool joinLines);
        ~TransferBracket();
        TransferBracket(const TransferBracket&) = delete;
        TransferBracket& operator=(const TransferBracket&) = delete;

      private:
        SessionExchange& x_;
        InUseHold inUse_;
        PollingHold polling_;
        UseBracket use_;
        bool joinLines_;
    };

  private:
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
    bool IsWordToken(int kind) const;
    bool SendText(std::string_view text, bool flushFirst);

    CInstrumentSession& s_;
    CInstrumentConnectedNode& node_;
    std::unique_ptr<CommInstrumentTokenStream> stream_;
    TimeSpan replyTime_;
    int replyId_ = 0;
};

template <class Match>
bool SessionExchange::ThreeTries(std::string_view word, std::string_view argument, Match&& match) {
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
