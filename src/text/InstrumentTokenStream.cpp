#include "text/InstrumentTokenStream.h"

#include <algorithm>

#include "foundation/EString.h"
#include "foundation/Messages.h"

namespace talven {

namespace {

std::vector<TokenTableEntry> Sorted(std::vector<TokenTableEntry> table) {
    SortTokenTable(table.data(), static_cast<int>(table.size()));
    return table;
}

std::vector<TokenTableEntry> MakePunctuation() {
    return Sorted({
        {".", tok::kPoint},
        {"+", tok::kPlus},
        {"-", tok::kMinus},
        {":", tok::kColon},
        {"=", tok::kEquals},
        {",", tok::kComma},
        {"/", tok::kSlash},
        {"(", tok::kOpenParen},
        {")", tok::kCloseParen},
        {"[", tok::kOpenBracket},
        {"]", tok::kCloseBracket},
    });
}

std::vector<TokenTableEntry> MakeKeywords() {
    return Sorted({
        {"PARAMETER", tok::PARAMETER},
        {"MODE", tok::MODE},
        {"PRECISION", tok::PRECISION},
        {"C", tok::C},
        {"D", tok::D},
        {"K", tok::K},
        {"V", tok::V},
        {"L", tok::L},
        {"TO", tok::TO},
        {"ON", tok::ON},
        {"OFF", tok::OFF},
        {"CONFIG", tok::CONFIG},
        {"RECORDS", tok::RECORDS},
        {"CONST", tok::CONST},
        {"REF", tok::REF},
        {"BENCH", tok::BENCH},
        {"GASNAMEBEGIN", tok::GASNAMEBEGIN},
        {"GASNAMEEND", tok::GASNAMEEND},
        {"GASNAME", tok::GASNAME},
        {"ENABLE", tok::ENABLE},
        {"DISABLE", tok::DISABLE},
        {"GASUNITBEGIN", tok::GASUNITBEGIN},
        {"GASUNITEND", tok::GASUNITEND},
        {"GASUNIT", tok::GASUNIT},
        {"DASBEGIN", tok::DASBEGIN},
        {"DASEND", tok::DASEND},
        {"CHANNELBEGIN", tok::CHANNELBEGIN},
        {"CHANNELEND", tok::CHANNELEND},
        {"PARAMLISTBEGIN", tok::PARAMLISTBEGIN},
        {"PARAMLISTEND", tok::PARAMLISTEND},
        {"NAME", tok::NAME},
        {"STARTDATE", tok::STARTDATE},
        {"SAMPLEPERIOD", tok::SAMPLEPERIOD},
        {"REPORTPERIOD", tok::REPORTPERIOD},
        {"FILE", tok::FILE},
        {"REPORT", tok::REPORT},
        {"COMPACT", tok::COMPACT},
        {"STATUS", tok::STATUS},
        {"HOLDOFF", tok::HOLDOFF},
        {"ENABLED", tok::ENABLED},
        {"DISABLED", tok::DISABLED},
        {"INST", tok::INST},
        {"AVG", tok::AVG},
        {"SDEV", tok::SDEV},
        {"MIN", tok::MIN},
        {"MAX", tok::MAX},
        {"STORESAMPLES", tok::STORESAMPLES},
        {"STORE_SAMPLES", tok::STORE_SAMPLES},
        {"JAN", tok::JAN},
        {"FEB", tok::FEB},
        {"MAR", tok::MAR},
        {"APR", tok::APR},
        {"MAY", tok::MAY},
        {"JUN", tok::JUN},
        {"JUL", tok::JUL},
        {"AUG", tok::AUG},
        {"SEP", tok::SEP},
        {"OCT", tok::OCT},
        {"NOV", tok::NOV},
        {"DEC", tok::DEC},
        {"EVENTBEGIN", tok::EVENTBEGIN},
        {"EVENTEND", tok::EVENTEND},
        {"EVENT", tok::EVENT},
        {"TIMEREVENT", tok::TIMEREVENT},
        {"PARAMETERBEGIN", tok::PARAMETERBEGIN},
        {"PARAMETEREND", tok::PARAMETEREND},
        {"DATAPOINT", tok::DATAPOINT},
        {"LOW", tok::LOW},
        {"MED", tok::MED},
        {"HIGH", tok::HIGH},
        {"NUMCHANNELS", tok::NUMCHANNELS},
        {"SEQLISTBEGIN", tok::SEQLISTBEGIN},
        {"SEQLISTEND", tok::SEQLISTEND},
        {"SEQBEGIN", tok::SEQBEGIN},
        {"SEQEND", tok::SEQEND},
        {"REPEATCOUNT", tok::REPEATCOUNT},
        {"CCINPUT", tok::CCINPUT},
        {"CCOUTPUT", tok::CCOUTPUT},
        {"TIMER", tok::TIMER},
        {"TIMERSTART", tok::TIMERSTART},
        {"TIMERDELTA", tok::TIMERDELTA},
        {"STEPBEGIN", tok::STEPBEGIN},
        {"STEPEND", tok::STEPEND},
        {"GENERATE", tok::GENERATE},
        {"GPT", tok::GPT},
        {"GPTZ", tok::GPTZ},
        {"GPTPS", tok::GPTPS},
        {"MANUAL", tok::MANUAL},
        {"PURGE", tok::PURGE},
        {"STANDBY", tok::STANDBY},
        {"DELAY", tok::DELAY},
        {"DURATION", tok::DURATION},
        {"EXECSEQ", tok::EXECSEQ},
        {"SELDILUENT", tok::SELDILUENT},
        {"SELOUTPUT", tok::SELOUTPUT},
        {"SETCCOUTPUT", tok::SETCCOUTPUT},
        {"LEVEL", tok::LEVEL},
        {"SETSTATUSBLOCK", tok::SETSTATUSBLOCK},
        {"LEVELTABLE", tok::LEVELTABLE},
        {"LEVELTABLEBEGIN", tok::LEVELTABLEBEGIN},
        {"LEVELTABLEEND", tok::LEVELTABLEEND},
    });
}

std::vector<TokenTableEntry> MakePhrases() {
    return Sorted({
        {"SETUP PROPERTIES FOR", 179},
        {"NAME:", 180},
        {"EVENT:", 181},
        {"STARTING DATE:", 182},
        {"SAMPLE PERIOD:", 183},
        {"REPORT PERIOD:", 184},
        {"FILE NAME:", 185},
        {"NUMBER OF RECORDS:", 186},
        {"RS-232 REPORT:", 187},
        {"COMPACT REPORT:", 188},
        {"CHANNEL ENABLED:", 189},
        {"CAL. HOLD OFF:", 190},
        {"PARAMETERS:", 191},
        {"New DAS configuration stored.", 192},
        {"New sequence configuration stored.", 220},
        {"NO LEVELS DEFINED", 224},
        {"New level table stored.", 225},
        {"LOG ON SUCCESSFUL", 226},
        {"LOG ON FAILED", 227},
        {"LOG OFF SUCCESSFUL", 228},
        {"MUST LOG ON", 229},
        {"Part Number", 230},
        {"Serial Number", 231},
        {"Revision", 232},
        {"Software Revision", 232},
        {"Library Revision", 233},
        {"Orvane Protocol Rev.", 234},
    });
}

int Count(const std::vector<TokenTableEntry>& table) {
    return static_cast<int>(table.size());
}

const char* FindText(const std::vector<TokenTableEntry>& table, int code) {
    for (const TokenTableEntry& entry : table) {
        if (entry.id == code)
            return entry.text;
    }
    return nullptr;
}

}  // namespace

const std::vector<TokenTableEntry>& InstrumentPunctuationTable() {
    static const std::vector<TokenTableEntry> table = MakePunctuation();
    return table;
}

const std::vector<TokenTableEntry>& InstrumentKeywordTable() {
    static const std::vector<TokenTableEntry> table = MakeKeywords();
    return table;
}

const std::vector<TokenTableEntry>& InstrumentPhraseTable() {
    static const std::vector<TokenTableEntry> table = MakePhrases();
    return table;
}

void PrepareTokenTables() {
    InstrumentPunctuationTable();
    InstrumentKeywordTable();
    InstrumentPhraseTable();
}

std::string TokenCodeToText(int code) {
    for (const auto* table :
         {&InstrumentKeywordTable(), &InstrumentPhraseTable(), &InstrumentPunctuationTable()}) {
        if (const char* text = FindText(*table, code))
            return text;
    }
    return std::string(MessageText(msg::kUnknown));
}

bool IsWordToken(const TokenStream& stream, int kind) {
    if (kind == kTokenString)
        return true;
    const std::string& text = stream.GetTokenText();
    if (kind < tok::kColon || text.empty())
        return false;
    const char c = text[0];
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

bool ReadReplyHeaderFields(TokenStream& s, ReplyHeader& header) {
    std::int32_t v[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i) {
        if (i > 0 && s.NextToken() != tok::kColon)
            return false;
        if (s.NextToken() != kTokenInteger)
            return false;
        v[i] = s.GetIntegerValue();
    }
    if (s.NextToken() != kTokenInteger)
        return false;
    header.day = (v[0] >= 1 && v[0] <= 366) ? static_cast<std::uint32_t>(v[0]) : 1;
    header.hour = (v[1] >= 0 && v[1] <= 23) ? static_cast<std::uint32_t>(v[1]) : 0;
    header.minute = (v[2] >= 0 && v[2] <= 59) ? static_cast<std::uint32_t>(v[2]) : 0;
    header.id = s.GetIntegerValue();
    return true;
}

InstrumentTokenStream::InstrumentTokenStream()
    : InstrumentTokenStream(InstrumentPunctuationTable().data(), Count(InstrumentPunctuationTable()),
                            InstrumentKeywordTable().data(), Count(InstrumentKeywordTable())) {}

InstrumentTokenStream::InstrumentTokenStream(const TokenTableEntry* operators, int operatorCount,
                                             const TokenTableEntry* keywords, int keywordCount)
    : TokenStream(operators, operatorCount, keywords, keywordCount) {
    PrepareTokenTables();
}

bool InstrumentTokenStream::MatchPhrase() {
    const std::vector<TokenTableEntry>& phrases = InstrumentPhraseTable();
    const std::string_view rest = std::string_view(CurrentLine()).substr(Position());
    int low = 0;
    int high = Count(phrases) - 1;
    while (low <= high) {
        const int mid = low + (high - low) / 2;
        const std::string_view phrase = phrases[static_cast<std::size_t>(mid)].text;
        const int c = CompareNoCase(rest.substr(0, phrase.size()), phrase);
        if (c == 0) {
            SetToken(phrases[static_cast<std::size_t>(mid)].id, phrase, Position() + phrase.size());
            return true;
        }
        if (c < 0) {
            high = mid - 1;
        } else {
            low = mid + 1;
        }
    }
    return false;
}

FileInstrumentTokenStream::FileInstrumentTokenStream(std::istream& file, int blockSize)
    : file_(file), buffer_(static_cast<std::size_t>(std::max(blockSize, 1))) {}

FileInstrumentTokenStream::FileInstrumentTokenStream(const TokenTableEntry* operators, int operatorCount,
                                                     const TokenTableEntry* keywords, int keywordCount,
                                                     std::istream& file, int blockSize)
    : InstrumentTokenStream(operators, operatorCount, keywords, keywordCount),
      file_(file),
      buffer_(static_cast<std::size_t>(std::max(blockSize, 1))) {}

bool FileInstrumentTokenStream::Refill() {
    if (!file_.good())
        return false;
    file_.read(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    unread_ = static_cast<std::size_t>(std::max<std::streamsize>(file_.gcount(), 0));
    readPos_ = 0;
    return unread_ > 0;
}

std::string FileInstrumentTokenStream::ReadLine() {
    std::string line;
    for (;;) {
        if (unread_ == 0 && !Refill())
            return line;
        const char* start = buffer_.data() + readPos_;
        const char* end = start + unread_;
        const char* feed = std::find(start, end, '\n');
        const std::size_t n = static_cast<std::size_t>(feed - start) + (feed != end ? 1 : 0);
        line.append(start, n);
        readPos_ += n;
        unread_ -= n;
        if (feed != end)
            return line;
    }
}

}  // namespace talven
