#pragma once
// The byte link to one instrument: the interface every transport implements (serial port, Hayes
// modem, telephony modem, TCP), the shared failure accounting that turns a run of empty reads into
// a lost-link notice, and the narrow interface through which a link talks back to its owner.
//
// Threads: one session worker uses a connection at a time; only that worker calls Open, Close,
// Purge, Read, ReadLine and Write. The stored settings may be read and written from any thread:
// every accessor takes the data lock for its own read or write. No operation holds the lock
// across link input or output or a sleep.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "foundation/Notifier.h"
#include "foundation/SerialObject.h"

namespace talven {

class TokenStream;
class CNamedObjectList;

/// What a link needs from the instrument node that opens it. Implemented by the node (above this
/// layer). Called on the session worker while the link opens, reads or reconnects.
class LinkOwner {
  public:
    virtual ~LinkOwner() = default;
    /// A progress text for the user ("Dialing 555...", "Attempting to reconnect").
    virtual void ShowLinkProgress(const std::string& text) = 0;
    /// True once the user asked to stop connecting; dialling and connecting give up when set.
    virtual bool IsLinkCancelRequested() const = 0;
    /// The node's name, for log lines.
    virtual std::string GetLinkOwnerName() const = 0;
    /// The instrument's receive time-out in ms; bounds how long a TCP connect may take.
    virtual std::uint32_t GetLinkTimeoutMs() const = 0;
};

/// Each class's GetTypeKeyword(): the ids of the configuration text's connection-type keywords.
namespace linkkw {
constexpr int kDirectCable = 140;
constexpr int kBuiltinModem = 141;
constexpr int kWindowsModem = 142;
constexpr int kTcpip = 143;
}  // namespace linkkw

/// The application's option "detect and report failed connections" (default on). Any thread.
void SetDetectFailedConnections(bool on);
bool GetDetectFailedConnections();
/// The window that receives the connection-lost notice (1028). Set once by the application.
void SetConnectionLostTarget(NotifyTarget target);
NotifyTarget GetConnectionLostTarget();

class CConnection : public SerialObject {
  public:
    static constexpr int kReadBufferSize = 10000;
    static constexpr int kMaxLineLength = 1000;
    static constexpr int kDefaultMaxFailures = 20;
    static constexpr int kDefaultMaxReconnects = 5;

    /// Each concrete class closes its link in its own destructor.
    ~CConnection() override = default;

    /// Reads keyword "=" value groups of this transport's keywords from the configuration text for
    /// as long as the current token is one of them; true when at least one group was taken. A
    /// missing "=" or a value of the wrong kind is recorded in the stream as a syntax error.
    /// modems: the modems read so far (CModemSettings), for a Hayes modem's SITE_MODEM name.
    virtual bool ReadConfig(TokenStream& stream, const CNamedObjectList& modems) = 0;
    /// Appends this connection's configuration lines ("  KEYWORD = value\r\n" each).
    /// modems: the configuration's modems, for the name of a Hayes modem connection's modem.
    virtual void WriteConfig(std::string& out, const CNamedObjectList& modems) const = 0;
    /// The configuration keyword of the first stored text that the configuration text cannot hold
    /// (it contains a double quote, a carriage return or a line feed), or empty when all can.
    virtual std::string GetUnwritableConfigField() const = 0;
    /// 140 serial, 141 Hayes modem, 142 telephony modem, 143 TCP.
    virtual int GetTypeKeyword() const = 0;
    /// True while the device handle or socket is valid.
    virtual bool IsHandleOpen() const = 0;
    /// Opens the link; owner (may be null) receives progress texts and is asked about cancel.
    virtual bool Open(LinkOwner* owner);
    /// True when there was an open handle to close.
    virtual bool Close();
    /// Discards buffered and pending input.
    virtual bool Purge() = 0;
    /// A line of at most 1000 bytes, up to and including the terminator; empty when nothing
    /// arrived within timeoutMs or the link is not open. Counts failures.
    virtual void ReadLine(std::string& text, int timeoutMs, int terminator);
    /// Reads up to maxLength bytes, stopping after terminator (a byte value, or -1 for none) or
    /// when timeoutMs has passed; returns the count. Bytes after a terminator stay buffered.
    virtual int Read(char* buffer, int maxLength, int timeoutMs, int terminator, bool countFailures) = 0;
    /// Sends all of text; true on success.
    virtual bool Write(std::string_view text) = 0;
    /// Opens the transport's properties dialog through the installed ConnectionEditor; true on OK.
    virtual bool EditProperties() = 0;
    /// A new connection of the same class with the same stored settings, closed.
    virtual std::unique_ptr<CConnection> Clone() const = 0;

    int GetMaxFailures() const;
    void SetMaxFailures(int n);
    int GetFailureCount() const;
    int GetMaxReconnects() const;
    /// How many times the link has been opened, reconnections included: a reader that sees it
    /// change knows the stream it was reading was cut.
    std::uint32_t GetOpenCount() const;
    void SetMaxReconnects(int n);
    /// The link is open for use (cleared by Close and by DeclareLost).
    bool IsOpen() const;
    /// Why the last Open failed, as a text for the user (empty when it did not fail or gave no
    /// reason, e.g. "Permission denied to open serial port ..."). Worker thread.
    std::string GetLastErrorText() const;
    /// The reason of that failure in a few words, as the system or the link gave it ("Connection
    /// refused", "not a serial port"), to be added to a message; empty when unknown. Worker thread.
    std::string GetLastErrorCause() const;
    /// The owner's node id, passed with the connection-lost notice. Set by the owner only.
    std::int32_t GetOwnerId() const;
    void SetOwnerId(std::int32_t id);

    /// Failure accounting after a read: failed when it returned no byte.
    void NoteReadResult(bool failed);
    /// When the detect option is on: the link is no longer open and 1028 is posted with ownerId.
    void DeclareLost();

  protected:
    CConnection() = default;
    /// Copies nothing of the link state: a copy starts closed with the default counters.
    CConnection(const CConnection&) : SerialObject() {}
    CConnection& operator=(const CConnection&) = delete;
    void SetLastErrorText(std::string text, std::string cause = {});
    /// The fixed waits of the link protocols (guard times, reconnect pauses, the pause after
    /// dialling). Tests override it to run the dialogues without waiting.
    virtual void Pause(int ms);
    /// Shows a progress text through owner when there is one.
    static void ShowProgress(LinkOwner* owner, const std::string& text);
    static bool CancelRequested(const LinkOwner* owner);

  private:
    int maxFailures_ = kDefaultMaxFailures;
    int failureCount_ = 0;
    std::uint32_t openCount_ = 0;
    int maxReconnects_ = kDefaultMaxReconnects;
    bool open_ = false;
    std::int32_t ownerId_ = -1;
    std::string lastError_;
    std::string lastCause_;
};

class CCommPortConnection;
class CModemConnection;
class CTAPIModemConnection;
class CTCPConnection;

/// The properties dialogs of the transports, supplied by the user interface. Each edits the
/// connection's stored settings in place and returns true on OK. The default editor answers false.
class ConnectionEditor {
  public:
    virtual ~ConnectionEditor() = default;
    virtual bool EditCommPort(CCommPortConnection& connection) = 0;
    virtual bool EditModem(CModemConnection& connection) = 0;
    virtual bool EditTAPIModem(CTAPIModemConnection& connection) = 0;
    virtual bool EditTCP(CTCPConnection& connection) = 0;
};
ConnectionEditor& GetConnectionEditor();
/// Installs the program's editor; null restores the default. Call at start-up.
void SetConnectionEditor(ConnectionEditor* editor);

}  // namespace talven
