#include "text/TokenStream.h"

#include <algorithm>
#include <charconv>

#include "foundation/EString.h"
#include "foundation/Messages.h"
#include "foundation/StreamConverter.h"

namespace talven {

namespace {

constexpr std::string_view kOperatorCharacters = "[]()=?:+-*/|&^!@#$%~<>{}\\;,.";
constexpr std::string_view kWhiteSpace = " \t\n\v\f\r";

bool IsOperatorCharacter(char c) {
    return kOperatorCharacters.find(c) != std::string_view::npos;
}
bool IsAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

int LookupToken(const TokenTableEntry* table, int count, std::string_view text) {
    int low = 0;
    int high = count - 1;
    while (low <= high) {
        const int mid = low + (high - low) / 2;
        const int c = CompareNoCase(text, table[mid].text);
        if (c == 0)
            return table[mid].id;
        if (c < 0) {
            high = mid - 1;
        } else {
            low = mid + 1;
        }
    }
    return -1;
}

void SortTokenTable(TokenTableEntry* table, int count) {
    std::sort(table, table + count, [](const TokenTableEntry& a, const TokenTableEntry& b) {
        return CompareNoCase(a.text, b.text) < 0;
    });
}

TokenStream::TokenStream(const TokenTableEntry* operators, int operatorCount, const TokenTableEntry* keywords,
                         int keywordCount)
    : operators_(operators),
      operatorCount_(operatorCount),
      keywords_(keywords),
      keywordCount_(keywordCount) {}

void TokenStream::RecordError() {
    ++errorCount_;
    errorLine_ = lineNumber_;
    errorText_ = token_;
}

void TokenStream::ReadRestOfLine() {
    token_.clear();
    kind_ = kTokenString;
    const std::size_t end = std::min(line_.find_first_of("\r\n", pos_), line_.size());
    if (pos_ < end)
        token_.assign(line_, pos_, end - pos_);
    pos_ = std::max(pos_, end);
}

void TokenStream::SetToken(int kind, std::string_view text, std::size_t newPosition) {
    kind_ = kind;
    token_.assign(text);
    pos_ = std::min(newPosition, line_.size());
}

bool TokenStream::IsLetterAt(std::size_t i) const {
    return i < line_.size() && IsAsciiLetter(line_[i]);
}
bool TokenStream::IsDigitAt(std::size_t i) const {
    return i < line_.size() && IsAsciiDigit(line_[i]);
}

// Moves to the first character of the next token, fetching lines as needed. False means the
// token is an end (of line, or of input), already set.
bool TokenStream::FindTokenStart() {
    for (;;) {
        if (needLine_) {
            line_ = ReadLine();
            pos_ = 0;
            endOfInput_ = line_.empty();
            if (endOfInput_) {
                token_ = std::string(MessageText(msg::kEndOfFile));
                return false;
            }
            ++lineNumber_;
            needLine_ = false;
        }
        const std::size_t start = line_.find_first_not_of(kWhiteSpace, pos_);
        if (start != std::string::npos) {
            pos_ = start;
            return true;
        }
        pos_ = line_.size();
        needLine_ = true;
        if (!multiLine_)
            return false;
    }
}

bool TokenStream::ScanHex() {
    if (line_[pos_] != '0' || pos_ + 1 >= line_.size() ||
        (line_[pos_ + 1] != 'x' && line_[pos_ + 1] != 'X')) {
        return false;
    }
    std::uint32_t value = 0;
    std::size_t i = pos_ + 2;
    while (i < line_.size() && HexDigit(line_[i]) >= 0) {
        value = value * 16 + static_cast<std::uint32_t>(HexDigit(line_[i]));
        ++i;
    }
    if (i == pos_ + 2 || IsLetterAt(i))
        return false;
    integer_ = static_cast<std::int32_t>(value);
    hex_ = true;
    SetToken(kTokenInteger, std::string_view(line_).substr(pos_, i - pos_), i);
    return true;
}

bool TokenStream::ScanInteger() {
    const char c = line_[pos_];
    if (!IsAsciiDigit(c) && c != '+' && c != '-')
        return false;
    std::size_t i = pos_;
    const bool negative = c == '-';
    if (c == '+' || c == '-')
        ++i;
    const std::size_t digitsStart = i;
    std::uint32_t value = 0;  // unsigned so that overflow wraps like 32-bit arithmetic
    while (IsDigitAt(i)) {
        value = value * 10 + static_cast<std::uint32_t>(line_[i] - '0');
        ++i;
    }
    if (i == digitsStart)
        return false;
    if (!AtLineEnd(i) && (line_[i] == '.' || IsAsciiLetter(line_[i])))
        return false;
    integer_ = static_cast<std::int32_t>(negative ? 0u - value : value);
    hex_ = false;
    SetToken(kTokenInteger, std::string_view(line_).substr(pos_, i - pos_), i);
    return true;
}

bool TokenStream::ScanReal() {
    const char c = line_[pos_];
    if (!IsAsciiDigit(c) && c != '+' && c != '-' && c != '.')
        return false;
    std::size_t i = pos_;
    const bool negative = c == '-';
    if (c == '+' || c == '-')
        ++i;
    const std::size_t numberStart = i;
    int digits = 0;
    while (IsDigitAt(i)) {
        ++i;
        ++digits;
    }
    if (i < line_.size() && line_[i] == '.') {
        ++i;
        while (IsDigitAt(i)) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0 || IsLetterAt(i))
        return false;
    // from_chars wants at least one digit before or after the point and no sign; "5." is fine.
    double value = 0.0;
    std::from_chars(line_.data() + numberStart, line_.data() + i, value);
    real_ = negative ? -value : value;
    SetToken(kTokenReal, std::string_view(line_).substr(pos_, i - pos_), i);
    return true;
}

bool TokenStream::ScanOperator() {
    if (!IsOperatorCharacter(line_[pos_]))
        return false;
    std::size_t end = pos_;
    while (end < line_.size() && IsOperatorCharacter(line_[end]))
        ++end;
    for (; end > pos_; --end) {
        const std::string_view candidate = std::string_view(line_).substr(pos_, end - pos_);
        const int id = LookupToken(operators_, operatorCount_, candidate);
        if (id >= 0) {
            SetToken(id, candidate, end);
            return true;
        }
    }
    return false;
}

void TokenStream::ScanWordOrString() {
    const char c = line_[pos_];
    if (IsAsciiLetter(c)) {
        std::size_t i = pos_ + 1;
        while (i < line_.size() && (IsAsciiLetter(line_[i]) || IsAsciiDigit(line_[i]) || line_[i] == '_'))
            ++i;
        const std::string_view word = std::string_view(line_).substr(pos_, i - pos_);
        const int id = LookupToken(keywords_, keywordCount_, word);
        SetToken(id >= 0 ? id : kTokenString, word, i);
        return;
    }
    if (c == '"') {
        const std::size_t close = line_.find_first_of("\"\r\n", pos_ + 1);
        if (close == std::string::npos || line_[close] != '"') {
            // Unterminated: the position moves on to the line end so that a reader that keeps
            // asking for tokens cannot spin on the same quote.
            const std::size_t stop = close == std::string::npos ? line_.size() : close;
            SetToken(kTokenInvalid, std::string_view(line_).substr(pos_ + 1, stop - pos_ - 1), stop);
            return;
        }
        SetToken(kTokenString, std::string_view(line_).substr(pos_ + 1, close - pos_ - 1), close + 1);
        return;
    }
    kind_ = kTokenInvalid;
    token_.clear();
}

int TokenStream::NextToken(int mode) {
    token_.clear();
    integer_ = 0;
    real_ = 0.0;
    kind_ = kTokenEnd;
    if (!FindTokenStart())
        return kind_;
    if (MatchPhrase())
        return kind_;

    const char c = line_[pos_];
    const bool skipNumbers = (c == '.' && mode == kModeNoLeadingPoint) ||
                             ((c == '+' || c == '-') && (mode == kModeNoSign1 || mode == kModeNoSign));
    const bool scanned = (!skipNumbers && (ScanHex() || ScanInteger() || ScanReal())) || ScanOperator();
    if (!scanned)
        ScanWordOrString();

    if (mode == kModeIntegerAsReal && kind_ == kTokenInteger) {
        kind_ = kTokenReal;
        real_ = integer_;
    }
    return kind_;
}

}  // namespace talven
