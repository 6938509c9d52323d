// Log-on, identification, capabilities, and the connect and disconnect exchanges.

#include <typeinfo>

#include "foundation/AssertionException.h"
#include "foundation/DataLock.h"
#include "foundation/EString.h"
#include "foundation/Messages.h"
#include "session/InstrumentSession.h"
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
    unsigned sum = 0;
    for (char c : text)
        sum += static_cast<unsigned char>(c);
    return sum & 0xFF;
}

bool IsAsciiAlnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

void AddCapabilities(InstrumentSettings& settings, std::string_view chars) {
    for (char c : chars) {
        if (settings.capabilities.find(c) == std::string::npos)
            settings.capabilities += c;
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
    const auto has = [&](char c) { return capabilities.find(c) != std::string_view::npos; };
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

bool CInstrumentSession::SendCommand(std::string_view word, std::string_view argument) {
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

bool CInstrumentSession::IsWordToken(int kind) const {
    // Instruments write names that may happen to be keywords ("D", "ON"); any token made of a word
    // counts as a word.
    if (kind == kTokenString)
        return true;
    const std::string& text = stream_->GetTokenText();
    return kind >= 100 && !text.empty() && IsAsciiAlnum(text[0]);
}

int CInstrumentSession::ReadReplyHeader() {
    CommInstrumentTokenStream& s = *stream_;
    s.StartNewLine();
    int kind = s.NextToken();
    // A blank line is no reply line and no end of the reply either.
    for (int blank = 0; kind == kTokenEnd && !s.AtEndOfInput() && blank < kMaxReplyLines; ++blank)
        kind = s.NextToken();
    if (kind != tok::D && kind != tok::K && kind != tok::V && kind != tok::L)
        return kind;
    const int letter = kind;
    std::int32_t day = 0, hour = 0, minute = 0;
    const int expected[] = {kTokenInteger, tok::kColon,   kTokenInteger,
                            tok::kColon,   kTokenInteger, kTokenInteger};
    for (int i = 0; i < 6; ++i) {
        if (s.NextToken() != expected[i])
            return kTokenInvalid;
        if (i == 0)
            day = s.GetIntegerValue();
        if (i == 2)
            hour = s.GetIntegerValue();
        if (i == 4)
            minute = s.GetIntegerValue();
        if (i == 5)
            replyId_ = s.GetIntegerValue();
    }
    if (day < 1 || day > 366)
        day = 1;
    if (hour < 0 || hour > 23)
        hour = 0;
    if (minute < 0 || minute > 59)
        minute = 0;
    replyTime_ = TimeSpan::FromElements(static_cast<std::uint32_t>(day - 1), static_cast<std::uint32_t>(hour),
                                        static_cast<std::uint32_t>(minute), 0);
    return letter;
}

void CInstrumentSession::BeginUse() {
    // The use count is touched by the worker only; the codes go out after the lock is released.
    std::string code;
    {
        DataGuard guard;
        if (!sessionOpen_)
            return;
        const InstrumentSettings settings = node_.GetSettings();
        if (useCount_++ == 0 && settings.selectEnabled)
            code = settings.selectCode;
    }
    if (!code.empty())
        SendText(code, true);
}

void CInstrumentSession::EndUse() {
    std::string code;
    {
        DataGuard guard;
        if (!sessionOpen_)
            return;
        const InstrumentSettings settings = node_.GetSettings();
        if (--useCount_ == 0 && settings.deselectEnabled)
            code = settings.deselectCode;
    }
    if (!code.empty())
        SendText(code, true);
}

// --- Variables, log-on ------------------------------------------------------------------------------

bool CInstrumentSession::ReadVariableLine(std::string_view name, bool real, std::int32_t& integer,
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

bool CInstrumentSession::ReadIntegerVariable(std::string_view name, std::int32_t& value) {
    double unused = 0.0;
    return ThreeTries("v", name, [&] { return ReadVariableLine(name, false, value, unused); });
}

bool CInstrumentSession::WriteIntegerVariable(std::string_view name, std::int32_t value) {
    const std::string argument = std::string(name) + "=" + std::to_string(value);
    double unused = 0.0;
    return ThreeTries("v", argument, [&] {
        std::int32_t read = 0;
        return ReadVariableLine(name, false, read, unused) && read == value;
    });
}

bool CInstrumentSession::ReadRealVariable(std::string_view name, double& value) {
    std::int32_t unused = 0;
    return ThreeTries("v", name, [&] { return ReadVariableLine(name, true, unused, value); });
}

bool CInstrumentSession::LogOn() {
    const std::string password = std::to_string(node_.GetSettings().password);
    return ThreeTries("logon", password, [&] {
        return ReadReplyHeader() == tok::L && stream_->NextToken() == tok::kLogOnSuccessful;
    });
}

bool CInstrumentSession::LogOff() {
    return ThreeTries("logoff", "", [&] {
        if (ReadReplyHeader() != tok::L)
            return false;
        const int kind = stream_->NextToken();
        return kind == tok::kLogOffSuccessful || kind == tok::kMustLogOn;
    });
}

std::string CInstrumentSession::GetModeVariableName() const {
    const InstrumentSettings s = node_.GetSettings();
    if (s.instrumentPort == 0)
        return "RS232_MODE";
    if (s.instrumentPort == 1)
        return "RS232_MODE2";
    return s.modeVariableName;
}

// --- Capabilities and identity ----------------------------------------------------------------------

bool CInstrumentSession::QueryCapabilities() {
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
        InstrumentSettings settings = node_.GetSettings();
        settings.capabilities = found;
        node_.SetSettings(settings);
    }
    return ok;
}

bool CInstrumentSession::QueryIdentity() {
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
                InstrumentSettings settings = node_.GetSettings();
                std::string* fields[] = {&modelName_, &settings.partNumber, &settings.serialNumber,
                                         &settings.firmwareRevision, &settings.libraryRevision};
                for (std::size_t i = 0; i < words.size(); ++i)
                    *fields[i] = words[i];
                node_.SetSettings(settings);
                return true;
            }
        }
        return false;
    }
    return false;
}

void CInstrumentSession::IdentifyFromModelName() {
    DataGuard guard;
    InstrumentSettings settings = node_.GetSettings();
    const int family = ModelFamilyOfName(modelName_);
    settings.modelFamily = static_cast<std::uint32_t>(family);
    if (family == 3 || family == 4 || family == 9)
        AddCapabilities(settings, capability::kStepKinds);
    if (family == 10 || (family == 5 && RevisionAtLeast(settings.firmwareRevision, "A.8")))
        AddCapabilities(settings, "$");
    node_.SetSettings(settings);
}

// The first line of the listing names the instrument: a model name when it starts like one, and
// the family from the words it holds.
void CInstrumentSession::ApplyFirstConfigLine(const std::string& text, InstrumentSettings& settings) {
    if (text.size() >= 2 && (text[0] == 'Q' || text[0] == 'R') && text[1] >= '0' && text[1] <= '9') {
        std::size_t end = 2;
        while (end < text.size() && IsAsciiAlnum(text[end]))
            ++end;
        modelName_ = text.substr(0, end);
    }
    if (Contains(text, "RVX-5000")) {
        settings.modelFamily = 6;
    } else if (!Contains(text, "Calibrator")) {
        return;
    } else if (Contains(text, "863E")) {
        settings.modelFamily = 5;
        if (RevisionAtLeast(settings.firmwareRevision, "A.8"))
            AddCapabilities(settings, "$");
    } else if (Contains(text, "860E")) {
        settings.modelFamily = 4;
        AddCapabilities(settings, capability::kStepKinds);
    } else if (Contains(text, "860")) {
        settings.modelFamily = 3;
        AddCapabilities(settings, capability::kStepKinds);
    } else if (Contains(text, "514")) {
        settings.modelFamily = 2;
    } else if (Contains(text, "O3")) {
        settings.modelFamily = 1;
    }
}

void CInstrumentSession::ReadConfigListing(bool capabilitiesKnown) {
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
            InstrumentSettings settings = node_.GetSettings();
            if (kind == tok::kPartNumber || kind == tok::kSerialNumber) {
                const std::string rest = s.PeekRestOfLine();
                if (!rest.empty())
                    (kind == tok::kPartNumber ? settings.partNumber : settings.serialNumber) = rest;
            } else if (kind == tok::kRevision || kind == tok::kLibraryRevision ||
                       kind == tok::kProtocolRevision) {
                const std::string rest = s.PeekRestOfLine();
                if (Contains(rest, ".")) {
                    if (kind == tok::kRevision) {
                        settings.firmwareRevision = rest;
                        firmwareKnown_ = true;
                    } else if (kind == tok::kLibraryRevision) {
                        settings.libraryRevision = rest;
                        libraryKnown_ = true;
                    } else {
                        settings.protocolRevision = rest;
                        protocolKnown_ = true;
                    }
                }
            } else if (!capabilitiesKnown && Contains(text, "ZPL")) {
                AddCapabilities(settings, "a");
            } else if (lineIndex == 0) {
                ApplyFirstConfigLine(text, settings);
            }
            node_.SetSettings(settings);
        }
        if (used)
            return;
    }
}

bool CInstrumentSession::InferCapabilities() {
    const InstrumentSettings s = node_.GetSettings();
    const int family = static_cast<int>(s.modelFamily);
    const auto fw = [&](const char* min) {
        return firmwareKnown_ && RevisionAtLeast(s.firmwareRevision, min);
    };
    const auto lib = [&](const char* min) {
        return libraryKnown_ && RevisionAtLeast(s.libraryRevision, min);
    };
    const bool protocol10 = protocolKnown_ && RevisionAtLeast(s.protocolRevision, "1.0");
    auto add = [&](std::string_view chars) {
        for (char c : chars)
            AddCapability(c);
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

void CInstrumentSession::AnnouncePanelKind() {
    const NotifyTarget panel = GetFrontPanel();
    if (panel == 0)
        return;
    const int kind = PanelKindOf(GetModelFamily(), GetCapabilities());
    if ((kind & 0xFF) == 2)
        ReadTargetFlow();
    PostToWindow(panel, wm::kPanelKindFirst, static_cast<std::uintptr_t>(kind));
    PostToWindow(panel, wm::kPanelKind, static_cast<std::uintptr_t>(kind));
}

void CInstrumentSession::ResetIdentity() {
    DataGuard guard;
    const std::string unknown(MessageText(msg::kUnknown));
    InstrumentSettings settings = node_.GetSettings();
    modelName_ = unknown;
    settings.partNumber = settings.serialNumber = settings.firmwareRevision = unknown;
    settings.libraryRevision = settings.protocolRevision = unknown;
    settings.capabilities.clear();
    settings.modelFamily = 0;
    node_.SetSettings(settings);
    useCount_ = 0;
    savedMode_ = 0;
    modeChanged_ = false;
    logOnRequired_ = false;
    firmwareKnown_ = libraryKnown_ = protocolKnown_ = false;
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
    const InstrumentSettings s = node_.GetSettings();
    return modelName_ != unknown || s.modelFamily != 0 || s.partNumber != unknown ||
           s.serialNumber != unknown || s.firmwareRevision != unknown || s.libraryRevision != unknown;
}

void CInstrumentSession::ReleaseStream() {
    stream_.reset();
}

// --- Connect and disconnect -------------------------------------------------------------------------

void CInstrumentSession::ConnectExchange() {
    {
        DataGuard guard;
        if (sessionOpen_)
            return;
        --displayPollingCount_;
    }
    SetSessionOpen(true);
    CConnection* link = GetConnection();
    const bool tcp = link != nullptr && typeid(*link) == typeid(CTCPConnection);
    ShowStatus(FormatMessage(msg::kConnectingTo, node_.GetName()));
    SetCancelRequested(false);
    const bool opened = OpenLink();
    if (!opened || !IsConnected() || IsCancelRequested()) {
        // A cancel that came while the link opened leaves no session for the disconnect request to
        // close, so the hold taken here is given back now.
        if (opened && IsConnected())
            CloseLink(false);
        SetSessionOpen(false);
    } else {
        SetInUse(true);
        ResetIdentity();
        ConnectSteps(tcp);
        EndUse();
        SetInUse(false);
        SetLastActivity(DateTime::Now());
    }
    AddDisplayPollingCount(1);
    PostDisplayRequest();
}

bool CInstrumentSession::SetInstrumentMode(bool passwordEnabled) {
    const std::string name = GetModeVariableName();
    std::int32_t mode = 0;
    if (!ReadIntegerVariable(name, mode) || (mode & kModeBits) == kModeWanted)
        return true;
    {
        DataGuard guard;
        savedMode_ = mode;
        modeChanged_ = true;
    }
    WriteIntegerVariable(name, (mode & ~kModeClearedBit) | kModeWanted);
    // Writing a port's mode resets the port, which ends a log-on.
    return !passwordEnabled || LogOn();
}

// Steps after the link is open, up to the panel kind. False when the session had to close.
bool CInstrumentSession::ConnectSteps(bool tcp) {
    const InstrumentSettings settings = node_.GetSettings();
    stream_ = std::make_unique<CommInstrumentTokenStream>(*GetConnection(),
                                                          static_cast<int>(settings.receiveTimeoutMs));
    stream_->SetNode(&node_);
    BeginUse();
    SendText(std::string("\x03\x03\r\n\r\n"), true);
    const auto logOnFailed = [this] {
        ShowStatus(FormatMessage(msg::kUnableToLogOn));
        CloseLink(false);
        SetSessionOpen(false);
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
        logOnRequired_ = true;
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

void CInstrumentSession::DisconnectExchange() {
    {
        DataGuard guard;
        if (!sessionOpen_)
            return;
        --displayPollingCount_;
        for (SessionObserver* o : detail::SessionObserversLocked())
            o->OnSessionClosing(node_);
    }
    if (stream_) {
        UseBracket use(*this);
        if (IsModeChanged()) {
            const std::string name = GetModeVariableName();
            const std::int32_t saved = GetSavedMode();
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
    ReleaseStream();
    CloseLink(false);
    SetSessionOpen(false);
    AddDisplayPollingCount(1);
    TALVEN_ASSERT(GetUseCount() == 0, "InstrumentSession");
}

}  // namespace talven
