#pragma once
// The instrument flavour of the lexer: the vocabulary shared by every instrument reply and script
// (punctuation, keywords and the instrument's fixed English phrases), and the stream that reads
// such text from a file. The live-link stream belongs to the session layer.

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

#include "text/TokenStream.h"

namespace talven {

/// Token codes of the instrument vocabulary.
namespace tok {
constexpr int kPoint = 0;
constexpr int kPlus = 1;
constexpr int kMinus = 2;
constexpr int kColon = 100;
constexpr int kEquals = 101;
constexpr int kComma = 102;
constexpr int kSlash = 103;
constexpr int kOpenParen = 104;
constexpr int kCloseParen = 105;
constexpr int kOpenBracket = 106;
constexpr int kCloseBracket = 107;
// Keywords: the constant is named as the keyword is written.
constexpr int PARAMETER = 108;
constexpr int MODE = 109;
constexpr int PRECISION = 110;
constexpr int C = 111;
constexpr int D = 112;
constexpr int K = 113;
constexpr int V = 114;
constexpr int L = 115;
constexpr int TO = 116;
constexpr int ON = 117;
constexpr int OFF = 118;
constexpr int CONFIG = 119;
constexpr int RECORDS = 120;
constexpr int CONST = 121;
constexpr int REF = 122;
constexpr int BENCH = 123;
constexpr int GASNAMEBEGIN = 124;
constexpr int GASNAMEEND = 125;
constexpr int GASNAME = 126;
constexpr int ENABLE = 127;
constexpr int DISABLE = 128;
constexpr int GASUNITBEGIN = 129;
constexpr int GASUNITEND = 130;
constexpr int GASUNIT = 131;
constexpr int DASBEGIN = 132;
constexpr int DASEND = 133;
constexpr int CHANNELBEGIN = 134;
constexpr int CHANNELEND = 135;
constexpr int PARAMLISTBEGIN = 136;
constexpr int PARAMLISTEND = 137;
constexpr int NAME = 138;
constexpr int STARTDATE = 139;
constexpr int SAMPLEPERIOD = 140;
constexpr int REPORTPERIOD = 141;
constexpr int FILE = 142;
constexpr int REPORT = 143;
constexpr int COMPACT = 144;
constexpr int STATUS = 145;
constexpr int HOLDOFF = 146;
constexpr int ENABLED = 147;
constexpr int DISABLED = 148;
constexpr int INST = 149;
constexpr int AVG = 150;
constexpr int SDEV = 151;
constexpr int MIN = 152;
constexpr int MAX = 153;
constexpr int STORESAMPLES = 154;
constexpr int STORE_SAMPLES = 155;
constexpr int JAN = 156;
constexpr int FEB = 157;
constexpr int MAR = 158;
constexpr int APR = 159;
constexpr int MAY = 160;
constexpr int JUN = 161;
constexpr int JUL = 162;
constexpr int AUG = 163;
constexpr int SEP = 164;
constexpr int OCT = 165;
constexpr int NOV = 166;
constexpr int DEC = 167;
constexpr int EVENTBEGIN = 168;
constexpr int EVENTEND = 169;
constexpr int EVENT = 170;
constexpr int TIMEREVENT = 171;
constexpr int PARAMETERBEGIN = 172;
constexpr int PARAMETEREND = 173;
constexpr int DATAPOINT = 174;
constexpr int LOW = 175;
constexpr int MED = 176;
constexpr int HIGH = 177;
constexpr int NUMCHANNELS = 178;
constexpr int SEQLISTBEGIN = 193;
constexpr int SEQLISTEND = 194;
constexpr int SEQBEGIN = 195;
constexpr int SEQEND = 196;
constexpr int REPEATCOUNT = 197;
constexpr int CCINPUT = 198;
constexpr int CCOUTPUT = 199;
constexpr int TIMER = 200;
constexpr int TIMERSTART = 201;
constexpr int TIMERDELTA = 202;
constexpr int STEPBEGIN = 203;
constexpr int STEPEND = 204;
constexpr int GENERATE = 205;
constexpr int GPT = 206;
constexpr int GPTZ = 207;
constexpr int GPTPS = 208;
constexpr int MANUAL = 209;
constexpr int PURGE = 210;
constexpr int STANDBY = 211;
constexpr int DELAY = 212;
constexpr int DURATION = 213;
constexpr int EXECSEQ = 214;
constexpr int SELDILUENT = 215;
constexpr int SELOUTPUT = 216;
constexpr int SETCCOUTPUT = 217;
constexpr int LEVEL = 218;
constexpr int SETSTATUSBLOCK = 219;
constexpr int LEVELTABLE = 221;
constexpr int LEVELTABLEBEGIN = 222;
constexpr int LEVELTABLEEND = 223;
// Fixed phrases ("Revision" and "Software Revision" share kRevision).
constexpr int kSetupPropertiesFor = 179;
constexpr int kNameLabel = 180;
constexpr int kEventLabel = 181;
constexpr int kStartingDateLabel = 182;
constexpr int kSamplePeriodLabel = 183;
constexpr int kReportPeriodLabel = 184;
constexpr int kFileNameLabel = 185;
constexpr int kNumberOfRecordsLabel = 186;
constexpr int kRs232ReportLabel = 187;
constexpr int kCompactReportLabel = 188;
constexpr int kChannelEnabledLabel = 189;
constexpr int kCalHoldOffLabel = 190;
constexpr int kParametersLabel = 191;
constexpr int kDasConfigStored = 192;
constexpr int kSequenceConfigStored = 220;
constexpr int kNoLevelsDefined = 224;
constexpr int kLevelTableStored = 225;
constexpr int kLogOnSuccessful = 226;
constexpr int kLogOnFailed = 227;
constexpr int kLogOffSuccessful = 228;
constexpr int kMustLogOn = 229;
constexpr int kPartNumber = 230;
constexpr int kSerialNumber = 231;
constexpr int kRevision = 232;
constexpr int kLibraryRevision = 233;
constexpr int kProtocolRevision = 234;
}  // namespace tok

/// Sorts the punctuation, keyword and phrase tables (and the configuration file's tables) once.
/// Streams call it themselves; calling it at start-up before any thread runs is harmless.
void PrepareTokenTables();

/// The tables, sorted. Row counts: 11, 101 and 27.
const std::vector<TokenTableEntry>& InstrumentPunctuationTable();
const std::vector<TokenTableEntry>& InstrumentKeywordTable();
const std::vector<TokenTableEntry>& InstrumentPhraseTable();

/// The text of a token code: keyword, then phrase, then punctuation; "Unknown" when none has it.
std::string TokenCodeToText(int code);

/// The word rule of instrument replies: a quoted string, or a keyword or phrase token that begins
/// with a letter or digit. Instruments write names that may happen to be keywords ("D", "ON").
bool IsWordToken(const TokenStream& stream, int kind);

/// The time and ID of a reply line's header: letter DDD ":" HH ":" MM id.
struct ReplyHeader {
    std::uint32_t day = 1;  // day of the year, 1 to 366
    std::uint32_t hour = 0;
    std::uint32_t minute = 0;
    std::int32_t id = 0;
    /// Seconds into the year.
    std::uint32_t Offset() const { return (day - 1) * 86400 + hour * 3600 + minute * 60; }
};
/// Reads the header's fields after its letter; an element out of range counts as its lowest value
/// (day 1, hour 0, minute 0). False at the first token that does not fit (it stays current).
bool ReadReplyHeaderFields(TokenStream& stream, ReplyHeader& header);

class InstrumentTokenStream : public TokenStream {
  public:
    /// With the instrument vocabulary.
    InstrumentTokenStream();
    /// With other tables (the configuration file's); phrases are still matched.
    InstrumentTokenStream(const TokenTableEntry* operators, int operatorCount,
                          const TokenTableEntry* keywords, int keywordCount);

  protected:
    /// A phrase matches at the position when the input there equals it over the phrase's own
    /// length, whatever follows; the token text is the phrase as the table writes it.
    bool MatchPhrase() override;
};

/// Reads lines from a stream through a buffer of blockSize bytes. The stream is not owned and must
/// outlive this object; it is read from the thread that uses this object.
class FileInstrumentTokenStream : public InstrumentTokenStream {
  public:
    explicit FileInstrumentTokenStream(std::istream& file, int blockSize = 10000);
    FileInstrumentTokenStream(const TokenTableEntry* operators, int operatorCount,
                              const TokenTableEntry* keywords, int keywordCount, std::istream& file,
                              int blockSize = 10000);

  protected:
    /// The next line with its line feed (and any carriage return before it); the last line may
    /// have none. Empty at end of file.
    std::string ReadLine() override;

  private:
    bool Refill();
    std::istream& file_;
    std::vector<char> buffer_;
    std::size_t unread_ = 0;
    std::size_t readPos_ = 0;
};

}  // namespace talven
