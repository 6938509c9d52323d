#include "dlog/DlogScript.h"

#include <fstream>

#include "dlog/DASChannel.h"
#include "dlog/DASEvent.h"
#include "dlog/DlogFiles.h"
#include "dlog/DlogInstrument.h"
#include "dlog/DlogMessages.h"
#include "dlog/RecordDecoding.h"
#include "dlog/ScriptTokens.h"
#include "foundation/DataLock.h"
#include "foundation/Log.h"
#include "foundation/Messages.h"
#include "text/InstrumentTokenStream.h"

namespace talven {

namespace {

// Joins lines for the life of a read and puts the previous setting back.
class MultiLineScope {
  public:
    explicit MultiLineScope(TokenStream& s) : stream_(s), previous_(s.GetMultiLine()) {
        s.SetMultiLine(true);
    }
    ~MultiLineScope() { stream_.SetMultiLine(previous_); }
    MultiLineScope(const MultiLineScope&) = delete;
    MultiLineScope& operator=(const MultiLineScope&) = delete;

  private:
    TokenStream& stream_;
    bool previous_;
};

using scripttok::Refuse;

bool IsLevel(int kind) {
    return kind == tok::LOW || kind == tok::MED || kind == tok::HIGH;
}

// level STRING INTEGER after the entry's keyword; the stream then stands on the entry's last token.
bool ReadLevelNameNumber(TokenStream& s, std::int32_t& level, std::string& name, std::uint32_t& number) {
    if (!IsLevel(s.NextToken()))
        return Refuse(s);
    level = s.GetTokenKind();
    if (s.NextToken() != kTokenString)
        return Refuse(s);
    name = s.GetTokenText();
    if (s.NextToken() != kTokenInteger)
        return Refuse(s);
    number = static_cast<std::uint32_t>(s.GetIntegerValue());
    return true;
}

// The closing keyword with beginEnd, else the end of the reply.
bool ReadListEnd(TokenStream& s, bool beginEnd, int endKeyword) {
    const int expected = beginEnd ? endKeyword : kTokenEnd;
    return s.GetTokenKind() == expected || Refuse(s);
}

}  // namespace

std::string GetConfigurationText(IDlogInstrument& instrument, unsigned flags) {
    DataGuard guard;
    std::string text = (flags & dlogform::kScript) ? "dasbegin\r\n" : "";
    for (const auto& item : instrument.DlogChannels()) {
        if (auto* channel = dynamic_cast<CDASChannel*>(item.get()))
            text += channel->GetText(flags);
    }
    if (flags & dlogform::kScript)
        text += "dasend\r\n";
    return text;
}

bool ReadEventsReply(TokenStream& s, bool beginEnd, CNamedObjectList& events) {
    MultiLineScope joined(s);
    s.NextToken();
    if (beginEnd) {
        if (s.GetTokenKind() != tok::EVENTBEGIN)
            return Refuse(s);
        s.NextToken();
    }
    while (s.GetTokenKind() == tok::EVENT || s.GetTokenKind() == tok::TIMEREVENT) {
        const bool timer = s.GetTokenKind() == tok::TIMEREVENT;
        std::int32_t level = 0;
        std::string name;
        std::uint32_t number = 0;
        if (!ReadLevelNameNumber(s, level, name, number))
            return false;
        events.Append(std::make_unique<CDASEvent>(name, number, timer, level));
        s.NextToken();
    }
    return ReadListEnd(s, beginEnd, tok::EVENTEND);
}

bool ReadPointsReply(TokenStream& s, bool beginEnd, CNamedObjectList& points) {
    MultiLineScope joined(s);
    s.NextToken();
    if (beginEnd) {
        if (s.GetTokenKind() != tok::PARAMETERBEGIN)
            return Refuse(s);
        s.NextToken();
    }
    while (s.GetTokenKind() == tok::DATAPOINT) {
        std::int32_t level = 0;
        std::string name;
        std::uint32_t number = 0;
        if (!ReadLevelNameNumber(s, level, name, number))
            return false;
        if (s.NextToken() != kTokenString)
            return Refuse(s);
        points.Append(std::make_unique<CDASPoint>(name, number, s.GetTokenText(), level));
        s.NextToken();
    }
    return ReadListEnd(s, beginEnd, tok::PARAMETEREND);
}

static bool ApplyList(IDlogInstrument& instrument, CNamedObjectList& target, CNamedObjectList& read) {
    DataGuard guard;
    target.swap(read);
    instrument.MarkNetworkModified();
    return true;
}

bool ApplyEventsReply(TokenStream& stream, IDlogInstrument& instrument) {
    CNamedObjectList events;
    if (!ReadEventsReply(stream, HasCapability(instrument, capability::kGetEvents), events))
        return false;
    return ApplyList(instrument, instrument.DlogEvents(), events);
}

bool ApplyPointsReply(TokenStream& stream, IDlogInstrument& instrument) {
    CNamedObjectList points;
    if (!ReadPointsReply(stream, HasCapability(instrument, capability::kGetEvents), points))
        return false;
    return ApplyList(instrument, instrument.DlogPoints(), points);
}

bool ReadConfigurationReply(TokenStream& s, IDlogInstrument& instrument, bool scriptForm,
                            bool requireEndAfter, CNamedObjectList& channels,
                            const std::function<void()>& onChannel) {
    MultiLineScope joined(s);
    s.NextToken();
    const unsigned flags = scriptForm ? dlogform::kScript : 0;
    const int opening = scriptForm ? tok::CHANNELBEGIN : tok::kSetupPropertiesFor;
    if (scriptForm) {
        if (s.GetTokenKind() != tok::DASBEGIN)
            return Refuse(s);
        s.NextToken();
    }
    while (s.GetTokenKind() == opening) {
        auto channel = std::make_unique<CDASChannel>(&instrument);
        if (!channel->ReadScript(s, flags))
            return false;
        channels.Append(std::move(channel));
        if (onChannel)
            onChannel();
    }
    if (!scriptForm)
        return s.GetTokenKind() == kTokenEnd || Refuse(s);
    if (s.GetTokenKind() != tok::DASEND)
        return Refuse(s);
    if (requireEndAfter && s.NextToken() != kTokenEnd)
        return Refuse(s);
    return true;
}

void ApplyTransferredConfiguration(IDlogInstrument& instrument, CNamedObjectList* channels) {
    DataGuard guard;
    if (channels)
        instrument.DlogChannels().swap(*channels);
    RestoreInEffectFlags(instrument);
    instrument.SetDlogModified(false);
    instrument.MarkNetworkModified();
}

int ReadNumChannelsReply(TokenStream& s) {
    if (s.NextToken() != tok::NUMCHANNELS || s.NextToken() != tok::kEquals || s.NextToken() != kTokenInteger)
        return 0;
    return s.GetIntegerValue();
}

int CountRecordCountLines(TokenStream& s) {
    int count = 0;
    std::string name;
    std::int32_t records = 0;
    while (FindRecordCountLine(s, name, records))
        ++count;
    return count;
}

int ConfigurationProgressRange(int channelCount, bool eventsAndPoints) {
    return (channelCount < 1 ? 20 : channelCount) + (eventsAndPoints ? 2 : 0);
}

bool ReadConfigurationStoredReply(TokenStream& s) {
    return s.NextToken() == tok::kDasConfigStored;
}

std::vector<std::string> SplitScriptLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        const std::size_t stop = end == std::string::npos ? text.size() : end + 1;
        lines.push_back(text.substr(start, stop - start));
        start = stop;
    }
    return lines;
}

void AttachDlogChannels(IDlogInstrument& instrument) {
    DataGuard guard;
    for (const auto& item : instrument.DlogChannels()) {
        if (auto* channel = dynamic_cast<CDASChannel*>(item.get()))
            channel->SetInstrument(&instrument);
    }
}

DlogFileResult LoadDlogScriptFile(const std::string& path, IDlogInstrument& instrument) {
    DlogFileResult result;
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        result.message = FormatMessage(msg::kUnableToLoadDlogConfig, path);
        Log(kLogError, result.message);
        return result;
    }
    FileInstrumentTokenStream stream(file, 10000);
    CNamedObjectList channels;
    const bool read = ReadConfigurationReply(stream, instrument, true, true, channels);
    if (!read || stream.GetErrorCount() > 0) {
        // A reader that stopped without marking (it should not happen) still names a token.
        if (stream.GetErrorCount() == 0)
            stream.RecordError();
        result.message =
            FormatMessage(msg::kDlogScriptSyntaxError, stream.GetErrorText(), stream.GetErrorLine(), path);
        Log(kLogError, result.message);
        return result;
    }
    DataGuard guard;
    instrument.DlogChannels().swap(channels);
    instrument.SetDlogModified(false);
    instrument.MarkNetworkModified();
    result.ok = true;
    return result;
}

DlogFileResult SaveDlogScriptFile(const std::string& path, IDlogInstrument& instrument) {
    DlogFileResult result;
    if (!ReplaceFileContents(path, GetConfigurationText(instrument, dlogform::kScript))) {
        result.message = FormatMessage(msg::kUnableToSaveDlogConfig, path);
        Log(kLogError, result.message);
        return result;
    }
    instrument.SetDlogModified(false);
    result.ok = true;
    return result;
}

std::string ProposeScriptFileName(IDlogInstrument& instrument) {
    return CleanFileName(FormatMessage(msg::kDlogConfigFileName, instrument.GetInstrumentName(),
                                       instrument.GetSerialNumber(), ".txt"));
}

}  // namespace talven
