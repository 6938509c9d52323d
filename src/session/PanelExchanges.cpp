// The front panel exchanges (display, lights, keys) and the short reads other layers use: target
// flow, instrument date, channel count.

#include "foundation/AssertionException.h"
#include "foundation/DataLock.h"
#include "foundation/EString.h"
#include "session/InstrumentSession.h"
#include "session/SessionExchange.h"

namespace talven {

namespace {

constexpr std::size_t kDisplayLineMinimum = 42;
constexpr std::size_t kDisplayLinePrefix = 2;  // the line number and its colon
constexpr int kDisplayLines = 2;

void EraseAll(std::string& text, std::string_view part) {
    for (std::size_t at; (at = text.find(part)) != std::string::npos;)
        text.erase(at, part.size());
}

}  // namespace

bool SessionExchange::ReadDisplayReply() {
    CommInstrumentTokenStream& s = *stream_;
    const bool attributes = HasCapability(capability::kFormatDisplay);
    std::array<std::string, CInstrumentSession::kPanelLines> texts;
    int lines = 0;
    for (int read = 0; read < kMaxReplyLines && lines < kDisplayLines; ++read) {
        const int header = ReadReplyHeader();
        if (s.AtEndOfInput())
            return false;
        if (header != tok::K)
            continue;
        std::string text = s.PeekRestOfLine();
        s.ReadRestOfLine();
        if (text.size() < kDisplayLineMinimum)
            continue;
        text.erase(0, kDisplayLinePrefix);
        if (attributes) {
            // The characters, then one attribute byte per character; an odd length loses the
            // middle byte.
            const std::size_t half = text.size() / 2;
            texts[0] += text.substr(0, half);
            texts[1] += text.substr(text.size() - half);
            texts[2] += text.substr(text.size() - half);
        } else {
            texts[0] += text;
        }
        ++lines;
    }
    if (lines < kDisplayLines)
        return false;
    NotifyTarget panel = 0;
    {
        DataGuard guard;
        s_.displayTexts_ = texts;
        panel = s_.frontPanel_;
    }
    PostToWindow(panel, wm::kDisplayChanged);
    return true;
}

bool SessionExchange::DisplayExchange(bool probing) {
    bool ok = false;
    if (IsSessionOpen() && stream_) {
        UseBracket use(*this);
        if (probing)
            s_.AddCapability(capability::kSlashCommands);
        for (int form = 0; form < 2 && !ok; ++form) {
            const bool slash = HasCapability(capability::kSlashCommands);
            const char* word = slash ? "/" : "k";
            const char* argument = !slash                                      ? "disp"
                                   : HasCapability(capability::kFormatDisplay) ? "k disp exp for"
                                                                               : "k disp";
            for (int send = 0; send < 3 && !ok; ++send)
                ok = SendCommand(word, argument) && ReadDisplayReply();
            if (ok || !probing || !slash)
                break;
            s_.RemoveCapability(capability::kSlashCommands);
        }
    }
    DataGuard guard;
    s_.displayPending_ = false;
    return ok;
}

bool SessionExchange::LightExchange(bool storeNames) {
    bool ok = false;
    if (IsSessionOpen() && stream_ && HasCapability(capability::kFormatDisplay)) {
        UseBracket use(*this);
        CommInstrumentTokenStream& s = *stream_;
        std::array<std::string, CInstrumentSession::kPanelLines> names;
        std::array<std::int32_t, CInstrumentSession::kPanelLines> states{};
        for (int send = 0; send < 3 && !ok; ++send) {
            if (!SendCommand("/", "k led"))
                continue;
            if (ReadReplyHeader() != tok::K)
                continue;
            int groups = 0;
            for (; groups < CInstrumentSession::kPanelLines; ++groups) {
                if (!IsWordToken(s.NextToken()))
                    break;
                std::string name = s.GetTokenText();
                if (s.NextToken() != tok::kEquals || s.NextToken() != kTokenInteger)
                    break;
                EraseAll(name, "_LED");
                names[static_cast<std::size_t>(groups)] = name;
                states[static_cast<std::size_t>(groups)] = s.GetIntegerValue();
            }
            ok = groups > 0;
        }
        if (ok) {
            NotifyTarget panel = 0;
            {
                DataGuard guard;
                if (storeNames) {
                    s_.lightNames_ = names;
                } else {
                    s_.lightStates_ = states;
                }
                panel = s_.frontPanel_;
            }
            PostToWindow(panel, storeNames ? wm::kLightNamesChanged : wm::kLightStatesChanged);
        }
    }
    DataGuard guard;
    s_.lightPending_ = false;
    return ok;
}

bool SessionExchange::KeyExchange(int key) {
    TALVEN_ASSERT(key >= 1 && key <= CInstrumentSession::kMaxKey, "PanelExchanges");
    s_.SetLastActivity(DateTime::Now());
    if (!IsSessionOpen() || !stream_)
        return false;
    const int index = key - 1;
    std::string word = "k";
    std::string argument = "k " + std::to_string(index);
    if (HasCapability(capability::kSlashCommands)) {
        word = "/";
        if (HasCapability(capability::kFormatDisplay))
            argument += "," + std::to_string(-1 - index) + " exp for";
    }
    UseBracket use(*this);
    if (SendCommand(word, argument) && ReadDisplayReply())
        return true;
    return DisplayExchange(false);
}

bool SessionExchange::ReadTargetFlow() {
    double flow = 0.0;
    if (!IsSessionOpen() || !stream_ || !ReadRealVariable("target_flow", flow))
        return false;
    DataGuard guard;
    s_.targetFlow_ = flow;
    return true;
}

DateTime SessionExchange::ReadInstrumentDate() {
    if (!IsSessionOpen() || !stream_)
        return DateTime();
    CommInstrumentTokenStream& s = *stream_;
    std::int32_t year = 0;
    const bool ok = ThreeTries("v", "curr_date", [&] {
        if (ReadReplyHeader() != tok::V || !IsWordToken(s.NextToken()) ||
            !EqualsNoCase(s.GetTokenText(), "CURR_DATE"))
            return false;
        const int expected[] = {tok::kEquals,  kTokenInteger, tok::kSlash,
                                kTokenInteger, tok::kSlash,   kTokenInteger};
        for (int kind : expected) {
            if (s.NextToken() != kind)
                return false;
        }
        year = s.GetIntegerValue();
        return true;
    });
    if (!ok)
        return DateTime();
    const DateTime january1 = DateTime::FromElements(year, 1, 1, 0, 0, 0);
    return january1.valid() ? january1 + GetReplyTime() : DateTime();
}

int SessionExchange::ReadChannelCount() {
    if (!IsSessionOpen() || !stream_)
        return 0;
    CommInstrumentTokenStream& s = *stream_;
    if (HasCapability(capability::kGetEvents)) {
        if (!SendCommand("d", "getnumchannels"))
            return 0;
        s.StartNewLine();
        if (s.NextToken() != tok::NUMCHANNELS || s.NextToken() != tok::kEquals ||
            s.NextToken() != kTokenInteger)
            return 0;
        return s.GetIntegerValue();
    }
    if (!HasCapability(capability::kRecords) || !SendCommand("d", "records"))
        return 0;
    int count = 0;
    for (int line = 0; line < kMaxReplyLines; ++line) {
        const int header = ReadReplyHeader();
        if (s.AtEndOfInput())
            break;
        if (header == tok::D && IsWordToken(s.NextToken()) && s.NextToken() == tok::RECORDS &&
            s.NextToken() == tok::kEquals && s.NextToken() == kTokenInteger) {
            ++count;
        }
    }
    return count;
}

}  // namespace talven
