#include "transport/ModemSettings.h"

#include <cstring>

#include "foundation/DataLock.h"
#include "text/ConfigFileTokenStream.h"
#include "transport/ConfigLines.h"

namespace talven {

namespace {

// Offsets of the zero-terminated texts in the command record of the oldest modem schemas.
constexpr std::size_t kRecName = 0;
constexpr std::size_t kRecCommandPrefix = 40;
constexpr std::size_t kRecInitialization = 48;
constexpr std::size_t kRecDialSuffix = 298;
constexpr std::size_t kRecHangUp = 338;
constexpr std::size_t kRecResetSuffix = 358;

/// The text at begin, ending at its zero byte or at end (the next field) when it has none.
std::string RecordText(const unsigned char* record, std::size_t begin, std::size_t end) {
    const auto* first = reinterpret_cast<const char*>(record + begin);
    std::size_t n = 0;
    while (begin + n < end && first[n] != '\0')
        ++n;
    return std::string(first, n);
}

}  // namespace

CModemSettings::CModemSettings() : CNamedObject("Standard", NewNodeId()) {}

CModemSettings::CModemSettings(const CModemSettings& other) : CNamedObject(other) {
    DataGuard guard;
    dialPrefix_ = other.dialPrefix_;
    escape_ = other.escape_;
    hangUp_ = other.hangUp_;
    initialization_ = other.initialization_;
    reset_ = other.reset_;
    okResponse_ = other.okResponse_;
    connectResponse_ = other.connectResponse_;
}

std::unique_ptr<CNamedObject> CModemSettings::Clone() const {
    return std::unique_ptr<CNamedObject>(new CModemSettings(*this));
}

void CModemSettings::Serialize(ObjectArchive& ar) {
    if (ar.IsStoring()) {
        CNamedObject::Serialize(ar);
        DataGuard guard;
        ArchiveWriter& w = ar.Writer();
        for (const std::string* text :
             {&dialPrefix_, &escape_, &hangUp_, &initialization_, &reset_, &okResponse_, &connectResponse_}) {
            w.WriteString(*text);
        }
        return;
    }
    ArchiveReader& r = ar.Reader();
    switch (ar.LoadingSchema()) {
        case 7:
        case 6: {
            CNamedObject::Serialize(ar);
            if (ar.LoadingSchema() == 6)
                r.ReadString();
            std::string texts[7];
            for (auto& text : texts)
                text = r.ReadString();
            if (r.failed())
                return;
            DataGuard guard;
            dialPrefix_ = texts[0];
            escape_ = texts[1];
            hangUp_ = texts[2];
            initialization_ = texts[3];
            reset_ = texts[4];
            okResponse_ = texts[5];
            connectResponse_ = texts[6];
            return;
        }
        case 4:
            CNamedObject::Serialize(ar);
            r.ReadU32();
            ReadOldRecord(ar, false);
            return;
        case 3:
            SetId(r.ReadU32());
            r.ReadU32();
            ReadOldRecord(ar, true);
            return;
        case 2:
            SetId(r.ReadU32());
            ReadOldRecord(ar, true);
            return;
        default:
            ar.Fail();
            return;
    }
}

void CModemSettings::ReadOldRecord(ObjectArchive& ar, bool takeName) {
    unsigned char record[kOldRecordSize];
    if (!ar.Reader().ReadBytes(record, sizeof record))
        return;
    const std::string prefix = RecordText(record, kRecCommandPrefix, kRecInitialization);
    if (takeName)
        SetName(RecordText(record, kRecName, kRecCommandPrefix));
    DataGuard guard;
    initialization_ = RecordText(record, kRecInitialization, kRecDialSuffix);
    dialPrefix_ = prefix + RecordText(record, kRecDialSuffix, kRecHangUp);
    hangUp_ = RecordText(record, kRecHangUp, kRecResetSuffix);
    reset_ = prefix + RecordText(record, kRecResetSuffix, kOldRecordSize);
}

bool CModemSettings::ReadConfig(TokenStream& stream) {
    if (stream.GetTokenKind() != MODEM_NAME) {
        stream.RecordError();
        return false;
    }
    if (configlines::ReadValue(stream, true, false) < 0)
        return false;
    SetName(stream.GetTokenText());
    for (;;) {
        const int keyword = stream.NextToken(kModeNormal);
        if (keyword == kTokenEnd || keyword == MODEM_NAME || keyword == SITE_NAME || keyword == INST_NAME) {
            return true;
        }
        if (keyword == MODEM_TIMEOUT) {
            if (configlines::ReadValue(stream, false, true) < 0)
                return false;
            continue;
        }
        if (keyword < MODEM_COMMAND_PREFIX || keyword > MODEM_VERBAL_RESPONSES) {
            stream.RecordError();
            return false;
        }
        if (configlines::ReadValue(stream, true, false) < 0)
            return false;
        const std::string& text = stream.GetTokenText();
        switch (keyword) {
            case MODEM_TONE_DIAL:
                SetDialPrefix(text);
                break;
            case MODEM_ESCAPE:
                SetEscape(text);
                break;
            case MODEM_HANGUP:
                SetHangUp(text);
                break;
            case MODEM_INITIALIZATION_STRING:
                SetInitialization(text);
                break;
            case MODEM_RESET:
                SetReset(text);
                break;
            case MODEM_OK:
                SetOkResponse(text);
                break;
            case MODEM_CONNECT:
                SetConnectResponse(text);
                break;
            default:
                break;  // accepted keywords without a field of their own
        }
    }
}

void CModemSettings::WriteConfig(std::string& out) const {
    const std::string name = GetName();
    DataGuard guard;
    out += "\r\n";
    out += ConfigKeywordText(MODEM_NAME);
    out += " = \"" + name + "\"\r\n";
    configlines::AppendText(out, MODEM_TONE_DIAL, dialPrefix_);
    configlines::AppendText(out, MODEM_ESCAPE, escape_);
    configlines::AppendText(out, MODEM_HANGUP, hangUp_);
    configlines::AppendText(out, MODEM_INITIALIZATION_STRING, initialization_);
    configlines::AppendText(out, MODEM_RESET, reset_);
    configlines::AppendText(out, MODEM_OK, okResponse_);
    configlines::AppendText(out, MODEM_CONNECT, connectResponse_);
}

std::string CModemSettings::GetUnwritableConfigField() const {
    if (configlines::Unwritable(GetName()))
        return ConfigKeywordText(MODEM_NAME);
    DataGuard guard;
    const std::pair<int, const std::string*> fields[] = {{MODEM_TONE_DIAL, &dialPrefix_},
                                                         {MODEM_ESCAPE, &escape_},
                                                         {MODEM_HANGUP, &hangUp_},
                                                         {MODEM_INITIALIZATION_STRING, &initialization_},
                                                         {MODEM_RESET, &reset_},
                                                         {MODEM_OK, &okResponse_},
                                                         {MODEM_CONNECT, &connectResponse_}};
    for (const auto& [keyword, text] : fields) {
        if (configlines::Unwritable(*text))
            return ConfigKeywordText(keyword);
    }
    return {};
}

bool CModemSettings::HasAllStrings() const {
    if (GetName().empty())
        return false;
    DataGuard guard;
    return !dialPrefix_.empty() && !escape_.empty() && !hangUp_.empty() && !initialization_.empty() &&
           !reset_.empty() && !okResponse_.empty() && !connectResponse_.empty();
}

#define TALVEN_MODEM_TEXT(Get, Set, field)       \
    std::string CModemSettings::Get() const {    \
        DataGuard guard;                         \
        return field;                            \
    }                                            \
    void CModemSettings::Set(std::string text) { \
        DataGuard guard;                         \
        field = std::move(text);                 \
    }
TALVEN_MODEM_TEXT(GetDialPrefix, SetDialPrefix, dialPrefix_)
TALVEN_MODEM_TEXT(GetEscape, SetEscape, escape_)
TALVEN_MODEM_TEXT(GetHangUp, SetHangUp, hangUp_)
TALVEN_MODEM_TEXT(GetInitialization, SetInitialization, initialization_)
TALVEN_MODEM_TEXT(GetReset, SetReset, reset_)
TALVEN_MODEM_TEXT(GetOkResponse, SetOkResponse, okResponse_)
TALVEN_MODEM_TEXT(GetConnectResponse, SetConnectResponse, connectResponse_)
#undef TALVEN_MODEM_TEXT

int CModemSettings::GetInUseCount() const {
    DataGuard guard;
    return inUseCount_;
}
void CModemSettings::AddInUse() {
    DataGuard guard;
    ++inUseCount_;
}
void CModemSettings::ReleaseInUse() {
    DataGuard guard;
    if (inUseCount_ > 0)
        --inUseCount_;
}

}  // namespace talven
