#include "Instrument.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

#include "Encoding.h"
#include "ScriptReader.h"
#include "foundation/DateTime.h"

namespace talven::sim {

namespace {

constexpr std::size_t kDisplayWidth = 40;

std::string Fit(std::string_view text, std::size_t width) {
    std::string out(text.substr(0, std::min(text.size(), width)));
    out.resize(width, ' ');
    return out;
}

bool AllDigits(std::string_view s) {
    if (s.empty())
        return false;
    for (char c : s)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    return true;
}

bool IsIntegerText(std::string_view s) {
    s = Trim(s);
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        for (char c : s.substr(2))
            if (!std::isxdigit(static_cast<unsigned char>(c)))
                return false;
        return true;
    }
    if (!s.empty() && (s[0] == '-' || s[0] == '+'))
        s.remove_prefix(1);
    return AllDigits(s);
}

bool IsNumberText(std::string_view s) {
    const std::string t(Trim(s));
    if (t.empty())
        return false;
    char* end = nullptr;
    std::strtod(t.c_str(), &end);
    return end != nullptr && *end == '\0';
}

std::string Line(std::string text) {
    return text + "\r\n";
}

// Tests shown on the analyzer's message field, cycled with the <TST and TST> keys.
const char* const kAnalyzerTests[] = {"RANGE", "STABIL", "SMPFLW", "OZFLOW", "SMPPRS",
                                      "RCPRS", "BOXTMP", "RCTEMP", "PMTTMP", "HVPS"};
const char* const kReadingGases[] = {"NOX", "NO", "NO2"};

}  // namespace

Instrument::Instrument(Profile profile, int id, std::shared_ptr<SimClock> clock)
    : profile_(std::move(profile)), id_(id), clock_(std::move(clock)), variables_(profile_.variables) {}

DasData Instrument::dasData() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return profile_.das;
}

CalibratorData Instrument::calibratorData() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return profile_.cal;
}

std::string Instrument::variable(std::string_view name) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return readVariable(ToUpper(name));
}

std::string Instrument::header(char letter) const {
    return ReplyHeader(letter, clock_->now(), id_);
}

Reply Instrument::handleLine(InstrumentSession& session, std::string_view line) {
    std::lock_guard<std::mutex> lock(mutex_);
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.remove_suffix(1);
    const std::size_t etx = line.rfind('\x03');
    if (etx == std::string_view::npos)
        return plainLine(session, line);
    // A command in the middle of an unfinished script ends that script unheard.
    session.receive = InstrumentSession::Receive::kNone;
    session.text.clear();
    session.levels.clear();
    Reply reply = command(session, Trim(line.substr(etx + 1)));
    reply.command = std::string(Trim(line.substr(etx + 1)));
    return reply;
}

Reply Instrument::command(InstrumentSession& session, std::string_view text) {
    Reply reply;
    if (text.empty())
        return reply;  // the wake-up text
    std::string word;
    std::string_view rest;
    if (text[0] == '/') {
        word = "/";
        rest = Trim(text.substr(1));
    } else {
        const std::size_t blank = text.find_first_of(" \t");
        word = ToUpper(text.substr(0, blank));
        rest = blank == std::string_view::npos ? std::string_view() : Trim(text.substr(blank));
    }
    // An instrument ID may follow the command word. Log-on's argument is a number too, so there
    // the first of two numbers is the ID.
    const std::vector<std::string> words = SplitBlanks(rest);
    if (!words.empty() && AllDigits(words[0]) && (word != "LOGON" || words.size() >= 2)) {
        if (std::strtol(words[0].c_str(), nullptr, 10) != id_)
            return reply;  // addressed to another
        rest = Trim(rest.substr(rest.find(words[0]) + words[0].size()));
    }
    if (word == "LOGON") {
        const std::string password(rest);
        session.loggedOn =
            profile_.password == 0 ||
            (AllDigits(password) && std::strtol(password.c_str(), nullptr, 10) == profile_.password);
        reply.lines.push_back(Line(header('L') + (session.loggedOn ? "LOG ON SUCCESSFUL" : "LOG ON FAILED")));
        return reply;
    }
    if (word == "LOGOFF") {
        const bool was = session.loggedOn || profile_.password == 0;
        session.loggedOn = false;
        reply.lines.push_back(Line(header('L') + (was ? "LOG OFF SUCCESSFUL" : "MUST LOG ON")));
        return reply;
    }
    if (profile_.password != 0 && !session.loggedOn) {
        reply.lines.push_back(Line(header('L') + "MUST LOG ON"));
        return reply;
    }
    if (word == "INSTCAPS" && profile_.answersInstcaps) {
        // A set with punctuation letters, or one that spells a reserved word ("d"), would not
        // read as one word, so it is quoted.
        const std::string caps = QuoteIfNeeded(profile_.features);
        reply.lines.push_back(Line(Format("%s,%u", caps.c_str(), TextSum(profile_.features))));
        return reply;
    }
    if (word == "INSTID" && profile_.answersInstid) {
        std::string body = "[";
        for (std::size_t i = 0; i < profile_.identity.size(); ++i) {
            body += (i ? ",\"" : "\"") + profile_.identity[i] + "\"";
        }
        body += "]";
        reply.lines.push_back(Line(Format("%s,%u", body.c_str(), TextSum(body))));
        return reply;
    }
    if (word == "V") {
        Reply r = variables(rest);
        // Writing a port mode resets the port, which ends a log-on.
        const std::string name = ToUpper(Trim(rest.substr(0, rest.find('='))));
        if (profile_.password != 0 && rest.find('=') != std::string_view::npos && name.size() > 5 &&
            name.compare(name.size() - 5, 5, "_MODE") == 0) {
            session.loggedOn = false;
        }
        return r;
    }
    if (word == "D" && profile_.has('d'))
        return dlog(rest);
    if (word == "C" && profile_.calibrator)
        return calibrator(session, rest);
    if (word == "K")
        return keys(rest, false);
    if (word == "/" && profile_.has('k'))
        return keys(rest, true);
    if (word == "GETGASNAMES" && profile_.has('p')) {
        reply.lines.push_back(GasNamesText(profile_.cal));
        return reply;
    }
    if (word == "GETUNITNAMES" && profile_.has('p')) {
        reply.lines.push_back(UnitNamesText(profile_.cal));
        return reply;
    }
    reply.lines.push_back(Line("UNKNOWN COMMAND: " + std::string(text.substr(0, 60))));
    return reply;
}

// --- variables ---------------------------------------------------------------------------------

std::string Instrument::readVariable(const std::string& name) const {
    const DateTime now = DateTime::FromSeconds(clock_->now());
    if (name == "CURR_DATE")
        return Format("%02d/%02d/%04d", now.month(), now.day(), now.year());
    if (name == "CURR_TIME")
        return Format("%02d:%02d:%02d", now.hour(), now.minute(), now.second());
    for (const auto& [n, v] : variables_)
        if (n == name)
            return v;
    return {};
}

bool Instrument::writeVariable(const std::string& name, std::string_view value, std::string& error) {
    value = Trim(value);
    const DateTime now = DateTime::FromSeconds(clock_->now());
    if (name == "CURR_DATE" || name == "CURR_TIME") {
        int a = 0, b = 0, c = 0;
        const std::string v(value);
        DateTime wanted;
        if (name == "CURR_DATE" && std::sscanf(v.c_str(), "%d/%d/%d", &a, &b, &c) == 3) {
            wanted = DateTime::FromElements(c, a, b, now.hour(), now.minute(), now.second());
        } else if (name == "CURR_TIME" && std::sscanf(v.c_str(), "%d:%d:%d", &a, &b, &c) >= 2) {
            wanted = DateTime::FromElements(now.year(), now.month(), now.day(), a, b, c);
        } else {
            wanted = DateTime::FromElements(0, 13, 1, 0, 0, 0);
        }
        if (!wanted.valid()) {
            error = "INVALID VALUE";
            return false;
        }
        clock_->advance(wanted - now);
        return true;
    }
    for (auto& [n, v] : variables_) {
        if (n != name)
            continue;
        if (IsIntegerText(v)) {
            if (!IsIntegerText(value)) {
                error = "INVALID VALUE";
                return false;
            }
            // "0x" marks hexadecimal; a leading zero is not octal.
            const std::string text(value);
            const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
            v = std::to_string(std::strtol(text.c_str(), nullptr, hex ? 16 : 10));
        } else {
            if (!IsNumberText(value)) {
                error = "INVALID VALUE";
                return false;
            }
            v = Format("%.3f", std::strtod(std::string(value).c_str(), nullptr));
        }
        return true;
    }
    error = "UNKNOWN VARIABLE";
    return false;
}

Reply Instrument::variables(std::string_view args) {
    Reply reply;
    if (EqualsNoCase(args, "config")) {
        for (std::size_t i = 0; i < profile_.config.size(); ++i) {
            reply.lines.push_back(Line(header('V') + Format("CONFIG[%zu]=", i) + profile_.config[i]));
        }
        return reply;
    }
    const std::size_t eq = args.find('=');
    const std::string name = ToUpper(Trim(args.substr(0, eq)));
    const bool known =
        name == "CURR_DATE" || name == "CURR_TIME" ||
        std::any_of(variables_.begin(), variables_.end(), [&](const auto& v) { return v.first == name; });
    if (name.empty() || !known) {
        reply.lines.push_back(
            Line(header('V') + "ERROR: UNKNOWN VARIABLE " + std::string(Trim(args.substr(0, eq)))));
        return reply;
    }
    if (eq != std::string_view::npos) {
        std::string error;
        if (!writeVariable(name, args.substr(eq + 1), error)) {
            reply.lines.push_back(Line(header('V') + "ERROR: " + error + " FOR " + name));
            return reply;
        }
    }
    reply.lines.push_back(Line(header('V') + name + "=" + readVariable(name)));
    return reply;
}

// --- DLOG --------------------------------------------------------------------------------------

Reply Instrument::dlog(std::string_view args) {
    Reply reply;
    const std::vector<std::string> words = SplitBlanks(args);
    const std::string verb = words.empty() ? "" : ToUpper(words[0]);
    const std::string_view rest =
        words.empty() ? std::string_view() : Trim(args.substr(args.find(words[0]) + words[0].size()));
    const DasData& das = profile_.das;
    const std::uint32_t now = clock_->now();
    if (verb == "GETNUMCHANNELS" && profile_.has('o')) {
        reply.lines.push_back(Line(Format("NUMCHANNELS=%zu", das.channels.size())));
    } else if (verb == "RECORDS" && profile_.has('r')) {
        std::string name;
        ScriptReader r(rest);
        const bool one = r.readName(name);
        for (const auto& ch : das.channels) {
            if (one && !EqualsNoCase(ch.name, name))
                continue;
            reply.lines.push_back(
                Line(header('D') + QuoteIfNeeded(ch.name) +
                     Format(" RECORDS=%lld", static_cast<long long>(StoredRecords(das, ch, now).count))));
        }
        if (one && reply.lines.empty())
            reply.lines.push_back(Line(header('D') + "ERROR: UNKNOWN CHANNEL " + name));
    } else if ((verb == "GETEVENTS" && profile_.has('o')) || (verb == "EVENT" && profile_.has('e'))) {
        reply.lines.push_back(EventsText(das, verb == "GETEVENTS"));
    } else if ((verb == "GETPARAMETERS" && profile_.has('o')) || (verb == "PARAMETER" && profile_.has('e'))) {
        reply.lines.push_back(PointsText(das, verb == "GETPARAMETERS"));
    } else if (verb == "PRINT") {
        return print(args);
    } else if (verb == "REPORT") {
        return report(rest);
    } else if (verb == "CANCEL" && profile_.has('n')) {
        reply.cancel = true;
    } else {
        reply.lines.push_back(Line("UNKNOWN COMMAND: d " + std::string(args.substr(0, 60))));
    }
    return reply;
}

Reply Instrument::print(std::string_view args) {
    Reply reply;
    const DasData& das = profile_.das;
    const std::vector<std::string> words = SplitBlanks(args);
    // "print script &" lists every channel as a script; "print" alone gives the printed report.
    // A quoted name instead of "&" limits either to one channel.
    const bool script = words.size() > 1 && EqualsNoCase(words[1], "SCRIPT");
    if (script && !profile_.has('t')) {
        reply.lines.push_back(Line("UNKNOWN COMMAND: print script"));
        return reply;
    }
    std::string only;
    const std::size_t quote = args.find('"');
    if (quote != std::string_view::npos) {
        ScriptReader r(args.substr(quote));
        r.readName(only);
    }
    std::string text = script ? "DASBEGIN\r\n" : "";
    for (const auto& ch : das.channels) {
        if (!only.empty() && !EqualsNoCase(ch.name, only))
            continue;
        text += script ? ChannelScriptText(das, ch, profile_.has('w')) : ChannelReportText(das, ch);
    }
    if (script)
        text += "DASEND\r\n";
    reply.lines.push_back(text);
    return reply;
}

Reply Instrument::report(std::string_view rest) {
    Reply reply;
    const DasData& das = profile_.das;
    ReportRequest request;
    std::string error;
    const DasChannel* ch = nullptr;
    if (ParseReportRequest(rest, request, error)) {
        ch = das.findChannel(request.channel);
        if (ch == nullptr)
            error = "UNKNOWN CHANNEL " + request.channel;
    }
    if (ch != nullptr && request.form == ReportForm::kBase64 && !profile_.has('i'))
        error = "BASE64 NOT SUPPORTED";
    if (ch != nullptr && request.form == ReportForm::kHex) {
        if (!profile_.has('h'))
            error = "HEX NOT SUPPORTED";
        if (!profile_.has('w'))
            request.form = ReportForm::kOldHex;
    }
    if ((request.hasFrom || request.hasTo) && !profile_.has('f'))
        error = "FROM/TO NOT SUPPORTED";
    if (request.lastN >= 0 && !profile_.has('r'))
        error = "RECORDS= NOT SUPPORTED";
    if (!error.empty()) {
        reply.lines.push_back(Line(header('D') + "ERROR: " + error));
        return reply;
    }
    reply.more = MakeReport(das, *ch, request, clock_->now(), id_);
    reply.recordLines = request.form != ReportForm::kCompact;
    return reply;
}

// --- calibrator --------------------------------------------------------------------------------

Reply Instrument::calibrator(InstrumentSession& session, std::string_view args) {
    Reply reply;
    const std::vector<std::string> words = SplitBlanks(args);
    const std::string joined = [&] {
        std::string s;
        for (const auto& w : words)
            s += (s.empty() ? "" : " ") + ToUpper(w);
        return s;
    }();
    const CalibratorData& cal = profile_.cal;
    const bool tables = profile_.has('b') || profile_.has('g') || profile_.has('j');
    if (joined == "PRINT SCRIPT" && profile_.has('s')) {
        reply.lines.push_back(SequenceScriptText(cal));
    } else if ((joined == "LEVELTABLE PRINT" || joined == "LEVELTABLE PRINT SCRIPT") && tables) {
        std::string text;
        if (profile_.levelForm == LevelForm::kActions) {
            text = Format("C %04d LEVELTABLEBEGIN\r\n", id_);
            for (const auto& l : cal.levels)
                text += l + "\r\n";
            text += "LEVELTABLEEND\r\n";
        } else if (cal.levels.empty()) {
            text = "NO LEVELS DEFINED\r\n";
        } else {
            text = Format("C %04d LEVELTABLE %zu\r\n", id_, cal.levels.size());
            for (const auto& l : cal.levels)
                text += l + "\r\n";
        }
        reply.lines.push_back(text);
    } else if (joined == "LEVELTABLEBEGIN" && profile_.levelForm == LevelForm::kActions) {
        session.receive = InstrumentSession::Receive::kLevels;
        session.levelsExpected = -1;
        session.levelError.clear();
    } else if (words.size() == 2 && joined.rfind("LEVELTABLE ", 0) == 0 && tables &&
               profile_.levelForm != LevelForm::kActions) {
        const long n = AllDigits(words[1]) ? std::strtol(words[1].c_str(), nullptr, 10) : -1;
        if (n < 0 || n > static_cast<long>(kMaxLevels)) {
            reply.lines.push_back(Line("ERROR: BAD LEVEL COUNT"));
            return reply;
        }
        session.receive = InstrumentSession::Receive::kLevels;
        session.levelsExpected = n;
        session.levelError.clear();
        if (n == 0)
            return finishLevels(session);
    } else {
        reply.lines.push_back(Line("UNKNOWN COMMAND: c " + std::string(args.substr(0, 60))));
    }
    return reply;
}

// --- scripts sent to the instrument ------------------------------------------------------------

Reply Instrument::plainLine(InstrumentSession& session, std::string_view line) {
    Reply reply;
    using Receive = InstrumentSession::Receive;
    const std::string_view word = Trim(line);
    if (session.receive == Receive::kNone) {
        if (profile_.password != 0 && !session.loggedOn)
            return reply;
        if (EqualsNoCase(word, "DASBEGIN") && profile_.has('d')) {
            session.receive = Receive::kDas;
            session.text = "DASBEGIN\n";
        } else if (EqualsNoCase(word, "SEQLISTBEGIN") && profile_.has('s')) {
            session.receive = Receive::kSequences;
            session.text = "SEQLISTBEGIN\n";
        }
        return reply;  // anything else is noise on the line
    }
    if (session.receive == Receive::kLevels) {
        if (session.levelsExpected < 0 && EqualsNoCase(word, "LEVELTABLEEND"))
            return finishLevels(session);
        if (word.empty())
            return reply;
        std::string error;
        if (session.levelError.empty() && !CheckLevelLine(word, profile_.levelForm, error))
            session.levelError = error;
        if (session.levels.size() <= kMaxLevels)
            session.levels.emplace_back(word);
        if (session.levelsExpected >= 0 && static_cast<long>(session.levels.size()) >= session.levelsExpected)
            return finishLevels(session);
        return reply;
    }
    if (session.text.size() + line.size() > kMaxScriptBytes) {
        session.receive = Receive::kNone;
        session.text.clear();
        reply.lines.push_back(Line("ERROR: SCRIPT TOO LONG"));
        return reply;
    }
    session.text.append(line);
    session.text += '\n';
    if (session.receive == Receive::kDas && EqualsNoCase(word, "DASEND"))
        return finishDas(session);
    if (session.receive == Receive::kSequences && EqualsNoCase(word, "SEQLISTEND"))
        return finishSequences(session);
    return reply;
}

Reply Instrument::finishDas(InstrumentSession& session) {
    Reply reply;
    std::vector<DasChannel> channels;
    std::string error;
    if (ParseDasScript(session.text, profile_.das, clock_->now(), channels, error)) {
        profile_.das.channels = std::move(channels);
        reply.lines.push_back(Line("New DAS configuration stored."));
    } else {
        reply.lines.push_back(Line("ERROR: " + error));
    }
    session.receive = InstrumentSession::Receive::kNone;
    session.text.clear();
    return reply;
}

Reply Instrument::finishSequences(InstrumentSession& session) {
    Reply reply;
    std::vector<SequenceEntry> sequences;
    std::string error;
    if (ParseSequenceScript(session.text, profile_.has('u'), sequences, error)) {
        profile_.cal.sequences = std::move(sequences);
        reply.lines.push_back(Line("New sequence configuration stored."));
    } else {
        reply.lines.push_back(Line("ERROR: " + error));
    }
    session.receive = InstrumentSession::Receive::kNone;
    session.text.clear();
    return reply;
}

Reply Instrument::finishLevels(InstrumentSession& session) {
    Reply reply;
    std::string error = session.levelError;
    if (error.empty() && session.levels.size() > kMaxLevels)
        error = "TOO MANY LEVELS";
    for (std::size_t i = 0; error.empty() && i < session.levels.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            if (LevelNumber(session.levels[i]) == LevelNumber(session.levels[j])) {
                error = Format("DUPLICATE LEVEL %d", LevelNumber(session.levels[i]));
                break;
            }
        }
    }
    if (error.empty()) {
        profile_.cal.levels = session.levels;
        reply.lines.push_back(Line("New level table stored."));
    } else {
        reply.lines.push_back(Line("ERROR: " + error));
    }
    session.receive = InstrumentSession::Receive::kNone;
    session.levels.clear();
    session.levelError.clear();
    return reply;
}

// --- front panel -------------------------------------------------------------------------------

bool Instrument::warningActive() const {
    // A box temperature warning comes up for five minutes of every hour.
    const std::uint32_t minute = (clock_->now() / 60) % 60;
    return !profile_.calibrator && minute >= 50 && minute < 55;
}

std::vector<std::string> Instrument::displayLines(bool attributes) const {
    const std::uint32_t now = clock_->now();
    std::string mode, message, reading, keysText;
    char messageAttr = '0';
    char readingAttr = '2';
    if (!profile_.calibrator) {
        static const char* const kModes[] = {"SAMPLE", "ZERO CAL M", "SETUP X.X"};
        mode = kModes[panelMode_];
        const char* test = kAnalyzerTests[static_cast<std::size_t>(testIndex_) % std::size(kAnalyzerTests)];
        DasParam param;
        param.name = test;
        DasChannel none;
        const DasPoint* point = profile_.das.findPoint(test);
        const SampleValue v = ValueAt(profile_.das, none, param, now);
        message = Format("%s=%.1f %s", test, static_cast<double>(v.value), point ? point->units.c_str() : "");
        if (panelMode_ == 2)
            message = "PRIMARY SETUP MENU";
        if (warningActive() && panelMode_ == 0) {
            message = "BOX TEMP WARNING";
            messageAttr = '1';
        }
        param.name = kReadingGases[(now / 10) % 3];
        const SampleValue g = ValueAt(profile_.das, none, param, now);
        reading = param.name + "=" + (g.valid ? Format("%.1f", static_cast<double>(g.value)) : "XXXX");
        if (panelMode_ == 1)
            readingAttr = 'r';  // emphasised while calibrating
        static const char* const kKeys[][8] = {{"<TST", "TST>", "CAL", "", "", "", "", "SETUP"},
                                               {"<TST", "TST>", "ZERO", "SPAN", "CONC", "", "", "EXIT"},
                                               {"CFG", "DAS", "RNGE", "PASS", "CLK", "MORE", "", "EXIT"}};
        for (const char* k : kKeys[panelMode_])
            keysText += Fit(k, 5);
    } else {
        static const char* const kModes[] = {"STANDBY", "GENERATE", "SEQUENCE"};
        mode = kModes[panelMode_];
        const std::string target = readVariable("TARGET_FLOW");
        message = "TARGET FLOW=" + (target.empty() ? std::string("5.000") : target);
        if (panelMode_ == 2) {
            message =
                profile_.cal.sequences.empty() ? "NO SEQUENCES" : "RUN " + profile_.cal.sequences[0].name;
        }
        if (panelMode_ == 0)
            reading = "ACT=OFF";
        if (panelMode_ == 1)
            reading = Format("NO=%.0fPPB", 400.0 + static_cast<double>(now % 7));
        if (panelMode_ == 2)
            reading = "ACT=ZERO";
        static const char* const kKeys[8] = {"GEN", "STBY", "SEQ", "", "", "", "MSG", "SETUP"};
        for (const char* k : kKeys)
            keysText += Fit(k, 5);
    }
    const std::string line1 = Fit(mode, 12) + Fit(message, 19) + Fit(reading, 9);
    std::string attrs1 = std::string(12, '0') + std::string(19, messageAttr) + std::string(9, readingAttr);
    const std::string line2 = Fit(keysText, kDisplayWidth);
    std::string attrs2(kDisplayWidth, '7');
    std::vector<std::string> out;
    out.push_back(Line(header('K') + "1:" + line1 + (attributes ? attrs1 : "")));
    out.push_back(Line(header('K') + "2:" + line2 + (attributes ? attrs2 : "")));
    return out;
}

std::string Instrument::ledLine() const {
    if (profile_.calibrator) {
        bool timer = false;
        for (const auto& s : profile_.cal.sequences)
            for (const auto& l : s.lines)
                timer = timer || EqualsNoCase(l, "TIMER ENABLED");
        return Line(header('K') + Format("ACTIVE_LED=%d AUTO_TIMER_LED=%d FAULT_LED=0",
                                         panelMode_ != 0 ? 1 : 0, timer ? 1 : 0));
    }
    return Line(header('K') + Format("SAMPLE_LED=%d CAL_LED=%d FAULT_LED=%d", panelMode_ == 0 ? 1 : 2,
                                     panelMode_ == 1 ? 1 : 0, warningActive() ? 2 : 0));
}

void Instrument::pressKey(int index) {
    if (profile_.calibrator) {
        if (index == 0)
            panelMode_ = 1;
        if (index == 1)
            panelMode_ = 0;
        if (index == 2)
            panelMode_ = 2;
        return;
    }
    const int tests = static_cast<int>(std::size(kAnalyzerTests));
    if (panelMode_ == 0) {
        if (index == 0)
            testIndex_ = (testIndex_ + tests - 1) % tests;
        if (index == 1)
            testIndex_ = (testIndex_ + 1) % tests;
        if (index == 2)
            panelMode_ = 1;
        if (index == 7)
            panelMode_ = 2;
    } else if (panelMode_ == 1) {
        if (index == 0)
            testIndex_ = (testIndex_ + tests - 1) % tests;
        if (index == 1)
            testIndex_ = (testIndex_ + 1) % tests;
        if (index == 7)
            panelMode_ = 0;
    } else if (index == 7) {
        panelMode_ = 0;
    }
}

Reply Instrument::keys(std::string_view args, bool slashForm) {
    Reply reply;
    // "k disp", "k 3", "k 3,-4 exp for", "k led"; the older form says "disp" without the "k".
    std::vector<std::string> words = SplitBlanks(args);
    if (!words.empty() && !EqualsNoCase(words[0], "K"))
        words.insert(words.begin(), "K");
    const bool expFor = words.size() >= 4 && EqualsNoCase(words[words.size() - 2], "EXP") &&
                        EqualsNoCase(words.back(), "FOR");
    const bool attributes = slashForm && expFor && profile_.has('C');
    if (words.size() < 2 || !EqualsNoCase(words[0], "K")) {
        reply.lines.push_back(Line("UNKNOWN COMMAND: " + std::string(slashForm ? "/ " : "k ") +
                                   std::string(args.substr(0, 60))));
        return reply;
    }
    if (EqualsNoCase(words[1], "LED") && slashForm) {
        reply.lines.push_back(ledLine());
        return reply;
    }
    if (!EqualsNoCase(words[1], "DISP")) {
        const std::string key = words[1].substr(0, words[1].find(','));
        const long index = AllDigits(key) ? std::strtol(key.c_str(), nullptr, 10) : -1;
        if (index < 0 || index > 8) {
            reply.lines.push_back(Line(header('K') + "ERROR: INVALID KEY " + words[1]));
            return reply;
        }
        pressKey(static_cast<int>(index));
    }
    reply.lines = displayLines(attributes);
    return reply;
}

}  // namespace talven::sim
