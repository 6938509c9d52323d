#include "ScriptReader.h"

#include <cctype>
#include <cstdlib>

#include "Encoding.h"

namespace talven::sim {

namespace {

bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

}  // namespace

ScriptReader::ScriptReader(std::string_view text) {
    int line = 1;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\n') {
            ++line;
            ++i;
            continue;
        }
        if (std::isspace(static_cast<unsigned char>(c)) || c == '\x03') {
            ++i;
            continue;
        }
        ScriptToken t;
        t.line = line;
        const bool signedNumber =
            (c == '+' || c == '-') && i + 1 < text.size() && (IsDigit(text[i + 1]) || text[i + 1] == '.');
        if (std::isalpha(static_cast<unsigned char>(c))) {
            const std::size_t start = i;
            while (i < text.size() && (std::isalnum(static_cast<unsigned char>(text[i])) || text[i] == '_'))
                ++i;
            t.kind = ScriptToken::kWord;
            t.text = std::string(text.substr(start, i - start));
        } else if (c == '"') {
            const std::size_t start = ++i;
            while (i < text.size() && text[i] != '"' && text[i] != '\n')
                ++i;
            t.kind = ScriptToken::kQuoted;
            t.text = std::string(text.substr(start, i - start));
            if (i < text.size() && text[i] == '"')
                ++i;
        } else if (IsDigit(c) || signedNumber || (c == '.' && i + 1 < text.size() && IsDigit(text[i + 1]))) {
            const std::size_t start = i;
            if (c == '+' || c == '-')
                ++i;
            bool point = false;
            while (i < text.size() && (IsDigit(text[i]) || (text[i] == '.' && !point))) {
                if (text[i] == '.')
                    point = true;
                ++i;
            }
            t.kind = ScriptToken::kNumber;
            t.text = std::string(text.substr(start, i - start));
            t.number = std::strtod(t.text.c_str(), nullptr);
            t.integer = !point;
        } else {
            t.kind = ScriptToken::kSymbol;
            t.text = std::string(1, c);
            ++i;
        }
        tokens_.push_back(std::move(t));
    }
    ScriptToken end;
    end.line = line;
    end.text = "<end>";
    tokens_.push_back(end);
}

void ScriptReader::advance() {
    if (pos_ + 1 < tokens_.size())
        ++pos_;
}

bool ScriptReader::isWord(std::string_view word) const {
    return current().kind == ScriptToken::kWord && EqualsNoCase(current().text, word);
}

bool ScriptReader::acceptWord(std::string_view word) {
    if (!isWord(word))
        return false;
    advance();
    return true;
}

bool ScriptReader::acceptSymbol(char symbol) {
    if (current().kind != ScriptToken::kSymbol || current().text[0] != symbol)
        return false;
    advance();
    return true;
}

bool ScriptReader::readName(std::string& out) {
    if (current().kind != ScriptToken::kWord && current().kind != ScriptToken::kQuoted)
        return false;
    out = current().text;
    advance();
    return true;
}

bool ScriptReader::readInt(std::int64_t& out) {
    if (current().kind != ScriptToken::kNumber || !current().integer)
        return false;
    out = std::strtoll(current().text.c_str(), nullptr, 10);
    advance();
    return true;
}

bool ScriptReader::readNumber(double& out) {
    if (current().kind != ScriptToken::kNumber)
        return false;
    out = current().number;
    advance();
    return true;
}

std::string ScriptReader::where() const {
    return Format("'%s' on line %d", current().text.c_str(), current().line);
}

}  // namespace talven::sim
