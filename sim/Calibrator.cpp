#include "Calibrator.h"

#include "Encoding.h"
#include "ScriptReader.h"

namespace talven::sim {

std::string GasNamesText(const CalibratorData& data) {
    std::string out = "GASNAMEBEGIN\r\n";
    for (const auto& g : data.gases) {
        out += Format("GASNAME \"%s\" %d %.6f %.4f %s\r\n", g.name.c_str(), g.id, g.weight, g.factor,
                      g.enabled ? "ENABLE" : "DISABLE");
    }
    return out + "GASNAMEEND\r\n";
}

std::string UnitNamesText(const CalibratorData& data) {
    std::string out = "GASUNITBEGIN\r\n";
    for (const auto& u : data.units)
        out += Format("GASUNIT \"%s\" %d %d\r\n", u.name.c_str(), u.id, u.decimals);
    return out + "GASUNITEND\r\n";
}

std::string SequenceScriptText(const CalibratorData& data) {
    std::string out = "SEQLISTBEGIN\r\n";
    for (const auto& s : data.sequences) {
        out += "  SEQBEGIN\r\n";
        int indent = 4;
        for (const auto& line : s.lines) {
            const bool closes = StartsWithNoCase(line, "STEPEND");
            if (closes)
                indent = 4;
            out += std::string(static_cast<std::size_t>(indent), ' ') + line + "\r\n";
            if (StartsWithNoCase(line, "STEPBEGIN"))
                indent = 6;
        }
        out += "  SEQEND\r\n";
    }
    return out + "SEQLISTEND\r\n";
}

namespace {

const char* const kStepWords[] = {"GENERATE",   "GPT",       "GPTZ",        "GPTPS",    "MANUAL",
                                  "PURGE",      "STANDBY",   "DELAY",       "DURATION", "EXECSEQ",
                                  "SELDILUENT", "SELOUTPUT", "SETCCOUTPUT", "LEVEL",    "SETSTATUSBLOCK"};

bool IsBits(const std::string& text, std::size_t width) {
    if (text.size() > width)
        return false;
    for (char c : text)
        if (c != '0' && c != '1')
            return false;
    return true;
}

bool ReadBinaryValue(ScriptReader& r, std::size_t width) {
    if (r.acceptWord("DISABLED"))
        return true;
    if (r.current().kind != ScriptToken::kQuoted || !IsBits(r.current().text, width))
        return false;
    r.advance();
    return true;
}

bool CheckStepLine(std::string_view line, bool allowDuration, std::string& error) {
    ScriptReader r(line);
    const std::string word = ToUpper(r.current().kind == ScriptToken::kWord ? r.current().text : "");
    bool known = false;
    for (const char* w : kStepWords)
        known = known || word == w;
    if (!known || (word == "DURATION" && !allowDuration)) {
        error = "UNKNOWN STEP " + std::string(line);
        return false;
    }
    r.advance();
    std::int64_t n = 0;
    if (word == "LEVEL" && (!r.readInt(n) || n < 10 || n > 99)) {
        error = "BAD LEVEL NUMBER IN " + std::string(line);
        return false;
    }
    if (word == "SELDILUENT" && (!r.readInt(n) || n < 1 || n > 2)) {
        error = "BAD DILUENT PORT IN " + std::string(line);
        return false;
    }
    if (word == "SETCCOUTPUT" && !ReadBinaryValue(r, 12)) {
        error = "BAD OUTPUTS IN " + std::string(line);
        return false;
    }
    if (word == "SETSTATUSBLOCK" && (!ReadBinaryValue(r, 8) || !ReadBinaryValue(r, 8))) {
        error = "BAD STATUS BLOCKS IN " + std::string(line);
        return false;
    }
    return true;
}

bool CheckSequenceItem(std::string_view line, std::string& name, std::string& error) {
    ScriptReader r(line);
    std::int64_t a = 0, b = 0, c = 0;
    bool ok = true;
    if (r.acceptWord("NAME")) {
        ok = r.readName(name) && !name.empty();
    } else if (r.acceptWord("REPEATCOUNT")) {
        ok = r.readInt(a) && a >= 0 && a <= 100;
    } else if (r.acceptWord("CCINPUT") || r.acceptWord("CCOUTPUT")) {
        ok = ReadBinaryValue(r, 12);
    } else if (r.acceptWord("TIMER")) {
        ok = r.acceptWord("ENABLED") || r.acceptWord("DISABLED");
    } else if (r.acceptWord("TIMERSTART")) {
        std::int64_t h = 0, m = 0;
        ok = r.readInt(a) && r.acceptSymbol('/') && r.readInt(b) && r.acceptSymbol('/') && r.readInt(c) &&
             r.readInt(h) && r.acceptSymbol(':') && r.readInt(m) && a >= 1 && a <= 12 && b >= 1 && b <= 31 &&
             h >= 0 && h <= 23 && m >= 0 && m <= 59;
    } else if (r.acceptWord("TIMERDELTA")) {
        ok = r.readInt(a) && r.acceptSymbol(':') && r.readInt(b) && r.acceptSymbol(':') && r.readInt(c) &&
             a >= 0 && a <= 366 && b >= 0 && b <= 23 && c >= 0 && c <= 59;
    } else {
        ok = false;
    }
    if (!ok)
        error = "BAD SEQUENCE LINE " + std::string(line);
    return ok;
}

}  // namespace

bool ParseSequenceScript(std::string_view text, bool allowDuration, std::vector<SequenceEntry>& out,
                         std::string& error) {
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = Trim(text.substr(start, end - start));
        if (!line.empty())
            lines.emplace_back(line);
        start = end + 1;
    }
    if (lines.empty() || !EqualsNoCase(lines.front(), "SEQLISTBEGIN") ||
        !EqualsNoCase(lines.back(), "SEQLISTEND")) {
        error = "SEQLISTBEGIN AND SEQLISTEND EXPECTED";
        return false;
    }
    std::vector<SequenceEntry> sequences;
    SequenceEntry* open = nullptr;
    bool inSteps = false;
    std::size_t steps = 0;
    for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (open == nullptr) {
            if (!EqualsNoCase(line, "SEQBEGIN")) {
                error = "SEQBEGIN EXPECTED, NOT " + line;
                return false;
            }
            if (sequences.size() >= kMaxSequences) {
                error = "TOO MANY SEQUENCES";
                return false;
            }
            sequences.emplace_back();
            open = &sequences.back();
            continue;
        }
        if (EqualsNoCase(line, "SEQEND")) {
            if (inSteps || open->name.empty()) {
                error = inSteps ? "STEPEND EXPECTED" : "SEQUENCE WITHOUT NAME";
                return false;
            }
            open = nullptr;
            continue;
        }
        if (EqualsNoCase(line, "STEPBEGIN")) {
            if (inSteps) {
                error = "STEPEND EXPECTED";
                return false;
            }
            // A second step block replaces the first.
            std::vector<std::string> kept;
            bool skipping = false;
            for (auto& l : open->lines) {
                if (EqualsNoCase(l, "STEPBEGIN"))
                    skipping = true;
                if (!skipping)
                    kept.push_back(l);
                if (EqualsNoCase(l, "STEPEND"))
                    skipping = false;
            }
            open->lines = std::move(kept);
            inSteps = true;
            steps = 0;
        } else if (EqualsNoCase(line, "STEPEND")) {
            if (!inSteps) {
                error = "STEPEND WITHOUT STEPBEGIN";
                return false;
            }
            inSteps = false;
        } else if (inSteps) {
            if (++steps > kMaxSteps) {
                error = "TOO MANY STEPS IN " + open->name;
                return false;
            }
            if (!CheckStepLine(line, allowDuration, error))
                return false;
        } else if (!CheckSequenceItem(line, open->name, error)) {
            return false;
        }
        open->lines.push_back(line);
    }
    if (open != nullptr) {
        error = "SEQEND EXPECTED";
        return false;
    }
    for (std::size_t i = 0; i < sequences.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            if (EqualsNoCase(sequences[i].name, sequences[j].name)) {
                error = "DUPLICATE SEQUENCE " + sequences[i].name;
                return false;
            }
        }
    }
    out = std::move(sequences);
    return true;
}

int LevelNumber(std::string_view line) {
    ScriptReader r(line);
    std::int64_t n = 0;
    return r.readInt(n) ? static_cast<int>(n) : 0;
}

bool CheckLevelLine(std::string_view line, LevelForm form, std::string& error) {
    ScriptReader r(line);
    std::int64_t number = 0;
    if (!r.readInt(number) || number < 10 || number > 99) {
        error = "BAD LEVEL NUMBER IN " + std::string(line);
        return false;
    }
    if (form == LevelForm::kActions) {
        static const char* const kActions[] = {"GENERATE", "GPT", "GPTZ", "GPTPS", "MANUAL"};
        bool ok = false;
        for (const char* a : kActions)
            ok = ok || r.isWord(a);
        if (!ok) {
            error = "BAD LEVEL ACTION IN " + std::string(line);
            return false;
        }
    }
    // Whatever the action holds, a level line ends with its two status blocks.
    std::vector<ScriptToken> tail;
    while (!r.atEnd()) {
        tail.push_back(r.current());
        r.advance();
    }
    auto isBlock = [](const ScriptToken& t) {
        return (t.kind == ScriptToken::kWord && EqualsNoCase(t.text, "DISABLED")) ||
               (t.kind == ScriptToken::kQuoted && IsBits(t.text, 8));
    };
    if (tail.size() < 3 || !isBlock(tail[tail.size() - 1]) || !isBlock(tail[tail.size() - 2])) {
        error = "BAD STATUS BLOCKS IN " + std::string(line);
        return false;
    }
    return true;
}

}  // namespace talven::sim
