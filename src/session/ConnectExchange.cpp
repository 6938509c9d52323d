// Log-on, identification, capabilities, and the connect and disconnect exchanges.

#include <typeinfo>

#include "foundation/AssertionException.h"
#include "foundation/DataLock.h"
#include "foundation/EString.h"
#include "foundation/Messages.h"
#include "foundation/StreamConverter.h"
#include "session/InstrumentSession.h"
#include "session/SessionExchange.h"
#include "session/SessionEnvironment.h"
#include "session/SessionMessages.h"
#include "transport/TCPConnection.h"

namespace talven {

namespace detail {
std::vector<SessionObserver*> SessionObserversLocked();
}  // namespace detail

namespace {

constexpr std::int32_t kModeBits = 0x1003;
constexpr std::int32_t kModeWanted = 0x0003;
constexpr std::int32_t kModeClearedBit = 0x1000;

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

unsigned ByteSum(std::string_view text) {
    return talven::ByteSum(text.data(), static_cast<std::int64_t>(text.size()));
}

bool IsAsciiAlnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

void AddCapabilities(InstrumentIdentity& identity, std::string_view chars) {
    for (char c : chars) {
        if (!capability::Has(identity.capabilities, c))
            identity.capabilities += c;
    }
}

}  // namespace

int ModelFamilyOfName(std::string_view name) {
    struct Row {
        const char* name;
        int family;
    };
    static const Row kRows[] = {{"Q512", 1},   {"R512", 1},  {"Q514", 2},     {"Q860", 3},  {"Q860E", 4},
                                {"Q860EU", 4}, {"Q863E", 5}, {"RVX-5000", 6}, {"R514", 8},  {"R860", 9},
                                {"R860U", 9},  {"R860H", 9}, {"R863", 10},    {"R863U", 10}};
    for (const Row& row : kRows) {
        if (name == row.name)
            return row.family;
    }
    return 0;
}

bool RevisionAtLeast(std::string_view revision, std::string_view minimum) {
    return revision.compare(minimum) >= 0;
}

int PanelKindOf(int family, std::string_view capabilities) {
    const auto has = [&](char c) { return capability::Has(capabilities, c); };
    if (family == 6)
        return 3;
    if (family == 1 || family == 7)
        return 0;
    if ((family >= 2 && family <= 5) || (family >= 8 && family <= 10)) {
        int kind = has(capability::kCalScript) ? 2 : 0;
        if (has(capability::kLevelTableActions))
            kind |= 0x100;
        return kind;
    }
    return has(capability::kDlog) ? 1 : 0;
}

// --- Framing ----------------------------------------------------------------------------------------

bool SessionExchange::SendCommand(std::string_view word, std::string_view argument) {
    const InstrumentSettings settings = node_.GetSettings();
    std::string line = "\x03";
    line += word;
    if (settings.idEnabled)
        line += " " + std::to_string(settings.instrumentId);
    line += ' ';
    line += argument;
    line += "\r\n";
    return SendText(line, true);
}

bool SessionExchange::IsWordToken(int kind) const {
    return talven::IsWordToken(*stream_, kind);
}

int SessionExchange::ReadReplyHeader() {
    CommInstrumentTokenStream& s = *stream_;
    s.StartNewLine();
    int kind = s.NextToken();
    // A blank line is no reply line and no end of the reply either.
    for (int blank = 0; kind == kTokenEnd && !s.AtEndOfInput() && blank < kMaxReplyLines; ++blank)
        kind = s.NextToken();
    if (kind != tok::D && kind != tok::K && kind != tok::V && kind != tok::L)
        return kind;
    ReplyHeader header;
    if (!ReadReplyHeaderFields(s, header))
        return kTokenInvalid;
    replyId_ = header.id;
    replyTime_ = TimeSpan::FromSeconds(header.Offset());
    return kind;
}

void SessionExchange::BeginUse() {
    // The use count is touched by the worker only; the codes go out after the lock is released.
    std::string code;
    {
        DataGuard guard;
        if (!s_.sessionOpen_)
            return;
        const InstrumentSettings settings = node_.GetSettings();
        if (s_.useCount_++ == 0 && settings.selectEnabled)
            code = settings.selectCode;
    }
    if (!code.empty())
        SendText(code, true);
}

void SessionExchange::EndUse() {
    std::string code;
    {
        DataGuard guard;
        if (!s_.sessionOpen_)
            return;
        const InstrumentSettings settings = node_.GetSettings();
        if (--s_.useCount_ == 0 && settings.deselectEnabled)
            code = settings.deselectCode;
    }
    if (!code.empty())
        SendText(code, true);
}

// --- Variables, log-on ------------------------------------------------------------------------------

bool SessionExchange::ReadVariableLine(std::string_view name, bool real, std::int32_t& integer,
                                          double& realValue) {
    CommInstrumentTokenStream& s = *stream_;
    if (ReadReplyHeader() != tok::V)
        return false;
    if (!IsWordToken(s.NextToken()) || !EqualsNoCase(s.GetTokenText(), name))
        return false;
    if (s.NextToken() != tok::kEquals)
        return false;
    const int kind = s.NextToken(real ? kModeIntegerAsReal : kModeNormal);
    if (real) {
        if (kind != kTokenReal)
            return false;
        realValue = s.GetRealValue();
        return true;
    }
    if (kind != kTokenInteger)
        return false;
    integer = s.GetIntegerValue();
    return true;
}

bool SessionExchange::ReadIntegerVariable(std::string_view name, std::int32_t& value) {
    double unused = 0.0;
    return ThreeTries("v", name, [&] { return ReadVariableLine(name, false, value, unused); });
}

bool SessionExchange::WriteIntegerVariable(std::string_view name, std::int32_t value) {
    const std::string argument = std::string(name) + "=" + std::to_string(value);
    double unused = 0.0;
    return ThreeTries("v", argument, [&] {
        std::int32_t read = 0;
        return ReadVariableLine(name, false, read, unused) && read == value;
    });
}

bool SessionExchange::ReadRealVariable(std::string_view name, double& value) {
    std::int32_t unused = 0;
    return ThreeTries("v", name, [&] { return ReadVariableLine(name, true, unused, value); });
}

bool SessionExchange::LogOn() {
    const std::string password = std::to_string(node_.GetSettings().password);
    return ThreeTries("logon", password, [&] {
        return ReadReplyHeader() == tok::L && stream_->NextToken() == tok::kLogOnSuccessful;
    });
}

bool SessionExchange::LogOff() {
    return ThreeTries("logoff", "", [&] {
        if (ReadReplyHeader() != tok::L)
            return false;
        const int kind = stream_->NextToken();
        return kind == tok::kLogOffSuccessful || kind == tok::kMustLogOn;
    });
}

std::string SessionExchange::GetModeVariableName() const {
    const InstrumentSettings s = node_.GetSettings();
    if (s.instrumentPort == 0)
        return "RS232_MODE";
    if (s.instrumentPort == 1)
        return "RS232_MODE2";
    return s.modeVariableName;
}

// --- Capabilities and identity ----------------------------------------------------------------------

bool SessionExchange::QueryCapabilities() {
    CommInstrumentTokenStream& s = *stream_;
    std::string found;
    const bool ok = ThreeTries("instcaps", "", [&] {
        if (!IsWordToken(s.NextToken()))
            return false;
        const std::string word = s.GetTokenText();
        if (s.NextToken() != tok::kComma || s.NextToken() != kTokenInteger)
            return false;
        const std::int32_t sum = s.GetIntegerValue();
        if (sum < 0 || sum > 255 || static_cast<unsigned>(sum) != ByteSum(word))
            return false;
        found = word;
        return true;
    });
    if (ok) {
        DataGuard guard;
        InstrumentIdentity identity = node_.GetIdentity();
        identity.capabilities = found;
        node_.SetIdentity(identity);
    }
    return ok;
}

bool SessionExchange::QueryIdentity() {
    CommInstrumentTokenStream& s = *stream_;
    for (int send = 0; send < 3; ++send) {
        if (!SendCommand("instid", ""))
            continue;
        s.StartNewLine();
        if (s.NextToken() != tok::kOpenBracket)
            continue;
        const std::string& first = s.LineText();
        const std::size_t open = first.find('[');
        const std::size_t close = first.rfind(']');
        const int checksum =
            close == std::string::npos || close < open
                ? -1
                : static_cast<int>(ByteSum(std::string_view(first).substr(open, close - open + 1)));
        std::vector<std::string> words;
        int kind = s.NextToken();
        for (int step = 0; step < kMaxReplyLines * 8; ++step) {
            if (s.AtEndOfInput())
                return false;
            if (kind == kTokenEnd) {
                kind = s.NextToken();
                continue;
            }
            if (kind == kTokenInvalid) {
                s.StartNewLine();
                kind = s.NextToken();
                continue;
            }
            if (!IsWordToken(kind)) {
                kind = s.NextToken();
                continue;
            }
            if (words.size() < 5)
                words.push_back(s.GetTokenText());
            if ((kind = s.NextToken()) != tok::kCloseBracket)
                continue;
            if ((kind = s.NextToken()) != tok::kComma)
                continue;
            if ((kind = s.NextToken()) != kTokenInteger)
                continue;
            const std::int32_t sum = s.GetIntegerValue();
            if ((kind = s.NextToken()) == kTokenEnd && !s.AtEndOfInput() && sum >= 0 && sum <= 255 &&
                sum == checksum) {
                DataGuard guard;
                InstrumentIdentity identity = node_.GetIdentity();
                std::string* fields[] = {&s_.modelName_, &identity.partNumber, &identity.serialNumber,
                                         &identity.firmwareRevision, &identity.libraryRevision};
                for (std::size_t i = 0; i < words.size(); ++i)
                    *fields[i] = words[i];
                node_.SetIdentity(identity);
                return true;
            }
        }
        return false;
    }
    return false;
}

void SessionExchange::IdentifyFromModelName() {
    DataGuard guard;
    InstrumentIdentity identity = node_.GetIdentity();
    const int family = ModelFamilyOfName(s_.modelName_);
    identity.modelFamily = static_cast<std::uint32_t>(family);
    if (family == 3 || family == 4 || family == 9)
        AddCapabilities(identity, capability::kStepKinds);
    if (family == 10 || (family == 5 && RevisionAtLeast(identity.firmwareRevision, "A.8")))
        AddCapabilities(identity, "$");
    node_.SetIdentity(identity);
}

// The first line of the listing names the instrument: a model name when it starts like one, and
// the family from the words it holds.
void SessionExchange::ApplyFirstConfigLine(const std::string& text, InstrumentIdentity& identity) {
    if (text.size() >= 2 && (text[0] == 'Q' || text[0] == 'R') && text[1] >= '0' && text[1] <= '9') {
        std::size_t end = 2;
        while (end < text.size() && IsAsciiAlnum(text[end]))
            ++end;
        s_.modelName_ = text.substr(0, end);
    }
    if (Contains(text, "RVX-5000")) {
        identity.modelFamily = 6;
    } else if (!Contains(text, "Calibrator")) {
        return;
    } else if (Contains(text, "863E")) {
        identity.modelFamily = 5;
        if (RevisionAtLeast(identity.firmwareRevision, "A.8"))
            AddCapabilities(identity, "$");
    } else if (Contains(text, "860E")) {
        identity.modelFamily = 4;
        AddCapabilities(identity, capability::kStepKinds);
    } else if (Contains(text, "860")) {
        identity.modelFamily = 3;
        AddCapabilities(identity, capability::kStepKinds);
    } else if (Contains(text, "514")) {
        identity.modelFamily = 2;
    } else if (Contains(text, "O3")) {
        identity.modelFamily = 1;
    }
}

void SessionExchange::ReadConfigListing(bool capabilitiesKnown) {
    CommInstrumentTokenStream& s = *stream_;
    for (int send = 0; send < 3; ++send) {
        if (!SendCommand("v", "config"))
            continue;
        bool used = false;
        for (int lineIndex = 0; lineIndex < kMaxReplyLines; ++lineIndex) {
            const int header = ReadReplyHeader();
            if (s.AtEndOfInput())
                break;
            if (header != tok::V || s.NextToken() != tok::CONFIG || s.NextToken() != tok::kOpenBracket ||
                s.NextToken() != kTokenInteger || s.NextToken() != tok::kCloseBracket ||
                s.NextToken() != tok::kEquals) {
                continue;
            }
            used = true;
            const std::string text = s.PeekRestOfLine();
            const int kind = s.NextToken();
            DataGuard guard;
            InstrumentIdentity identity = node_.GetIdentity();
            if (kind == tok::kPartNumber || kind == tok::kSerialNumber) {
                const std::string rest = s.PeekRestOfLine();
                if (!rest.empty())
                    (kind == tok::kPartNumber ? identity.partNumber : identity.serialNumber) = rest;
            } else if (kind == tok::kRevision || kind == tok::kLibraryRevision ||
                       kind == tok::kProtocolRevision) {
                const std::string rest = s.PeekRestOfLine();
                if (Contains(rest, ".")) {
                    if (kind == tok::kRevision) {
                        identity.firmwareRevision = rest;
                        s_.firmwareKnown_ = true;
                    } else if (kind == tok::kLibraryRevision) {
                        identity.libraryRevision = rest;
                        s_.libraryKnown_ = true;
                    } else {
                        identity.protocolRevision = rest;
                        s_.protocolKnown_ = true;
                    }
                }
            } else if (!capabilitiesKnown && Contains(text, "ZPL")) {
                AddCapabilities(identity, "a");
            } else if (lineIndex == 0) {
                ApplyFirstConfigLine(text, identity);
            }
            node_.SetIdentity(identity);
        }
        if (used)
            return;
    }
}

bool SessionExchange::InferCapabilities() {
    const InstrumentIdentity s = node_.GetIdentity();
    const int family = static_cast<int>(s.modelFamily);
    const auto fw = [&](const char* min) {
        return s_.firmwareKnown_ && RevisionAtLeast(s.firmwareRevision, min);
    };
    const auto lib = [&](const char* min) {
        return s_.libraryKnown_ && RevisionAtLeast(s.libraryRevision, min);
    };
    const bool protocol10 = s_.protocolKnown_ && RevisionAtLeast(s.protocolRevision, "1.0");
    auto add = [&](std::string_view chars) {
        for (char c : chars)
            s_.AddCapability(c);
    };
    if (family == 1) {
        add("c");
    } else if (family == 3) {
        add("c");
        if (fw("E.4"))
            add("s");
        if (fw("E.7"))
            add("u");
        if (protocol10 && fw("E.8")) {
            add("l");
            if (fw("H.4")) {
                add("j");
            } else if (fw("F.3")) {
                add("g");
            } else if (fw("F.0")) {
                add("b");
            }
        }
    } else if (family == 4) {
        add("csu*");
        if (protocol10)
            add("lj");
    } else {
        add("m");
    }
    if (IsCancelRequested())
        return false;
    double holdOff = 0.0;
    if (ReadRealVariable("das_hold_off", holdOff)) {
        add("d");
        if (lib("2.1"))
            add("t");
        if (lib("2.3"))
            add("h");
        if (lib("2.4"))
            add("fre");
        if (lib("3.0"))
            add("w");
        if (lib("3.3"))
            add("n");
        if (lib("5.3"))
            add("v");
    }
    if (lib("2.8"))
        add("x");
    return true;
}

void SessionExchange::AnnouncePanelKind() {
    const NotifyTarget panel = s_.GetFrontPanel();
    if (panel == 0)
        return;
    const int kind = PanelKindOf(s_.GetModelFamily(), s_.GetCapabilities());
    if ((kind & 0xFF) == 2)
        ReadTargetFlow();
    PostToWindow(panel, wm::kPanelKindFirst, static_cast<std::uintptr_t>(kind));
    PostToWindow(panel, wm::kPanelKind, static_cast<std::uintptr_t>(kind));
}

void SessionExchange::ResetIdentity() {
    DataGuard guard;
    const std::string unknown(MessageText(msg::kUnknown));
    InstrumentIdentity identity;
    s_.modelName_ = unknown;
    identity.partNumber = identity.serialNumber = identity.firmwareRevision = unknown;
    identity.libraryRevision = identity.protocolRevision = unknown;
    node_.SetIdentity(identity);
    s_.useCount_ = 0;
    s_.savedMode_ = 0;
    s_.modeChanged_ = false;
    s_.logOnRequired_ = false;
    s_.firmwareKnown_ = s_.libraryKnown_ = s_.protocolKnown_ = false;
    for (SessionObserver* o : detail::SessionObserversLocked())
        o->OnSessionReset(node_);
}

bool CInstrumentSession::IsLogOnRequired() const {
    DataGuard guard;
    return logOnRequired_;
}

bool CInstrumentSession::IsIdentified() const {
    DataGuard guard;
    const std::string unknown(MessageText(msg::kUnknown));
    const InstrumentIdentity s = node_.GetIdentity();
    return modelName_ != unknown || s.modelFamily != 0 || s.partNumber != unknown ||
           s.serialNumber != unknown || s.firmwareRevision != unknown || s.libraryRevision != unknown;
}

// --- Connect and disconnect -------------------------------------------------------------------------

void SessionExchange::ConnectExchange() {
    {
        DataGuard guard;
        if (s_.sessionOpen_)
            return;
        --s_.displayPollingCount_;
    }
    {
        PollingHold polling(*this, true);
        ConnectAndIdentify();
    }
    s_.PostDisplayRequest();
}

void SessionExchange::ConnectAndIdentify() {
    s_.SetSessionOpen(true);
    CConnection* link = s_.GetConnection();
    const bool tcp = link != nullptr && typeid(*link) == typeid(CTCPConnection);
    ShowStatus(FormatMessage(msg::kConnectingTo, node_.GetName()));
    s_.SetCancelRequested(false);
    const bool opened = s_.OpenLink();
    if (!opened || !s_.IsConnected() || IsCancelRequested()) {
        // A cancel that came while the link opened leaves no session for the disconnect request to
        // close, so the hold taken here is given back now.
        if (opened && s_.IsConnected())
            s_.CloseLink(false);
        s_.SetSessionOpen(false);
    } else {
        InUseHold inUse(*this);
        ResetIdentity();
        ConnectSteps(tcp);
        s_.SetLastActivity(DateTime::Now());
    }
}

bool SessionExchange::SetInstrumentMode(bool passwordEnabled) {
    const std::string name = GetModeVariableName();
    std::int32_t mode = 0;
    if (!ReadIntegerVariable(name, mode) || (mode & kModeBits) == kModeWanted)
        return true;
    {
        DataGuard guard;
        s_.savedMode_ = mode;
        s_.modeChanged_ = true;
    }
    WriteIntegerVariable(name, (mode & ~kModeClearedBit) | kModeWanted);
    // Writing a port's mode resets the port, which ends a log-on.
    return !passwordEnabled || LogOn();
}

// Steps after the link is open, up to the panel kind. False when the session had to close.
bool SessionExchange::ConnectSteps(bool tcp) {
    const InstrumentSettings settings = node_.GetSettings();
    stream_ = std::make_unique<CommInstrumentTokenStream>(*s_.GetConnection(),
                                                          static_cast<int>(settings.receiveTimeoutMs));
    stream_->SetNode(&node_);
    UseBracket use(*this);
    SendText(std::string("\x03\x03\r\n\r\n"), true);
    const auto logOnFailed = [this] {
        ShowStatus(FormatMessage(msg::kUnableToLogOn));
        s_.CloseLink(false);
        s_.SetSessionOpen(false);
        return false;
    };
    if (settings.passwordEnabled) {
        // Whatever the instrument says on waking, and the echo, is let pass until it falls silent.
        stream_->SetMultiLine(true);
        const int lastLine = stream_->GetLineNumber() + kMaxReplyLines;
        for (int kind = stream_->NextToken(); kind != kTokenEnd && stream_->GetLineNumber() < lastLine;
             kind = stream_->NextToken()) {
            if (kind == kTokenInvalid)
                stream_->StartNewLine();
        }
        stream_->SetMultiLine(false);
        if (IsCancelRequested())
            return true;
        ShowStatus(FormatMessage(msg::kLoggingOn));
        if (!LogOn())
            return logOnFailed();
    }
    if (IsCancelRequested())
        return true;
    ShowStatus(FormatMessage(msg::kSettingMode));
    // Without a password, an instrument that asks for a log-on answers nothing else: the
    // remaining queries would only wait out their time-outs.
    const auto refusedWithoutLogOn = [&] {
        if (!stream_->SawLogOnRequest())
            return false;
        DataGuard guard;
        s_.logOnRequired_ = true;
        return !settings.passwordEnabled;
    };
    if (!tcp && (!SetInstrumentMode(settings.passwordEnabled) || refusedWithoutLogOn()))
        return logOnFailed();
    if (IsCancelRequested())
        return true;
    ShowStatus(FormatMessage(msg::kRequestingCapabilities));
    const bool capabilitiesKnown = QueryCapabilities();
    if (refusedWithoutLogOn())
        return logOnFailed();
    if (IsCancelRequested())
        return true;
    DisplayExchange(!capabilitiesKnown);
    LightExchange(true);
    if (IsCancelRequested())
        return true;
    if (HasCapability(capability::kInstId) && QueryIdentity()) {
        IdentifyFromModelName();
    } else {
        ReadConfigListing(capabilitiesKnown);
    }
    if (!capabilitiesKnown && !InferCapabilities())
        return true;
    AnnouncePanelKind();
    return true;
}

void SessionExchange::DisconnectExchange() {
    {
        DataGuard guard;
        if (!s_.sessionOpen_)
            return;
        --s_.displayPollingCount_;
        for (SessionObserver* o : detail::SessionObserversLocked())
            o->OnSessionClosing(node_);
    }
    {
        PollingHold polling(*this, true);
        CloseSession();
    }
    TALVEN_ASSERT(s_.GetUseCount() == 0, "InstrumentSession");
}

void SessionExchange::CloseSession() {
    if (stream_) {
        UseBracket use(*this);
        if (s_.IsModeChanged()) {
            const std::string name = GetModeVariableName();
            const std::int32_t saved = s_.GetSavedMode();
            std::int32_t mode = 0;
            if (ReadIntegerVariable(name, mode)) {
                WriteIntegerVariable(name, (mode & ~kModeBits) | (saved & kModeBits));
            } else {
                WriteIntegerVariable(name, saved);
            }
        } else if (node_.GetSettings().passwordEnabled) {
            LogOff();
        }
    }
    stream_.reset();
    s_.CloseLink(false);
    s_.SetSessionOpen(false);
}

}  // namespace talven
