#pragma once
// The one lexer behind every text the program parses. A subclass supplies lines (ReadLine) and two
// sorted lookup tables (operators and keywords); NextToken turns the current line into tokens one
// call at a time. The lexer never fails: input it cannot scan yields kind 7, and readers record
// their own errors with RecordError.

#include <cstdint>
#include <string>
#include <string_view>

namespace talven {

/// One row of an operator, keyword or phrase table. Tables are sorted by CompareNoCase of text.
struct TokenTableEntry {
    const char* text;
    int id;
};

/// Token kinds. Table ids never take these values.
enum TokenKind : int {
    kTokenInteger = 3,
    kTokenReal = 4,
    kTokenString = 5,  // a quoted string (without quotes) or a word that is not a keyword
    kTokenEnd = 6,     // end of line (multiLine off) or end of input
    kTokenInvalid = 7,
};

/// Scanning modes of NextToken.
enum TokenMode : int {
    kModeNoLeadingPoint = 0,  // a leading "." never starts a number
    kModeNoSign1 = 1,         // a leading "+" or "-" is never a sign
    kModeNoSign = 2,          // same as mode 1
    kModeIntegerAsReal = 4,   // integers come back as reals (kind 4)
    kModeNormal = 6,
};

/// Case-insensitive binary search of a sorted table for the whole text; the id, or -1.
int LookupToken(const TokenTableEntry* table, int count, std::string_view text);
/// Sorts a table in place by CompareNoCase of its texts.
void SortTokenTable(TokenTableEntry* table, int count);

class TokenStream {
  public:
    TokenStream(const TokenTableEntry* operators, int operatorCount, const TokenTableEntry* keywords,
                int keywordCount);
    virtual ~TokenStream() = default;
    TokenStream(const TokenStream&) = delete;
    TokenStream& operator=(const TokenStream&) = delete;

    /// Scans the next token and returns its kind (or table id).
    int NextToken(int mode = kModeNormal);
    /// Counts an error at the current token: its line and text are kept for the message.
    void RecordError();
    /// Makes the rest of the current line, up to its line end, the token (kind 5).
    void ReadRestOfLine();

    int GetTokenKind() const { return kind_; }
    const std::string& GetTokenText() const { return token_; }
    std::int32_t GetIntegerValue() const { return integer_; }
    double GetRealValue() const { return real_; }
    bool IsHex() const { return hex_; }
    int GetLineNumber() const { return lineNumber_; }
    int GetErrorCount() const { return errorCount_; }
    int GetErrorLine() const { return errorLine_; }
    const std::string& GetErrorText() const { return errorText_; }
    bool GetMultiLine() const { return multiLine_; }
    void SetMultiLine(bool on) { multiLine_ = on; }
    /// The current token is an end because no further line came (end of the input, or a reply
    /// that fell silent), not the end of a line such as a blank one.
    bool AtEndOfInput() const { return kind_ == kTokenEnd && endOfInput_; }

  protected:
    /// The next line of input including its line feed when it has one; empty at end of input.
    virtual std::string ReadLine() = 0;
    /// Called with the position on a token's first character; may take a token itself (then it
    /// sets the token with SetToken, advances the position and returns true).
    virtual bool MatchPhrase() { return false; }

    const std::string& CurrentLine() const { return line_; }
    std::size_t Position() const { return pos_; }
    void SetToken(int kind, std::string_view text, std::size_t newPosition);

  private:
    bool FindTokenStart();
    bool ScanHex();
    bool ScanInteger();
    bool ScanReal();
    bool ScanOperator();
    void ScanWordOrString();
    bool AtLineEnd(std::size_t i) const { return i >= line_.size(); }
    bool IsLetterAt(std::size_t i) const;
    bool IsDigitAt(std::size_t i) const;

    const TokenTableEntry* operators_;
    int operatorCount_;
    const TokenTableEntry* keywords_;
    int keywordCount_;
    int lineNumber_ = 0;
    int errorCount_ = 0;
    int errorLine_ = 0;
    std::string errorText_;
    std::string line_;
    std::size_t pos_ = 0;
    std::string token_;
    int kind_ = kTokenEnd;
    std::int32_t integer_ = 0;
    double real_ = 0.0;
    bool hex_ = false;
    bool multiLine_ = false;
    bool needLine_ = true;
    bool endOfInput_ = false;
};

}  // namespace talven
