#pragma once
// The instrument's own reader for the texts a PC sends it (DLOG, sequence and level scripts) and for
// command arguments. Deliberately small: words, quoted names, numbers and single symbols.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace talven::sim {

struct ScriptToken {
    enum Kind { kWord, kQuoted, kNumber, kSymbol, kEnd };
    Kind kind = kEnd;
    std::string text;
    double number = 0.0;
    bool integer = false;
    int line = 0;
};

class ScriptReader {
  public:
    /// Line ends count as blanks; 0x03 bytes are skipped.
    explicit ScriptReader(std::string_view text);

    const ScriptToken& current() const { return tokens_[pos_]; }
    void advance();
    bool atEnd() const { return current().kind == ScriptToken::kEnd; }

    /// True (and advances) when the current token is the word, without regard to letter case.
    bool acceptWord(std::string_view word);
    bool isWord(std::string_view word) const;
    bool acceptSymbol(char symbol);
    /// A name: a bare word or a quoted text.
    bool readName(std::string& out);
    bool readInt(std::int64_t& out);
    bool readNumber(double& out);

    /// Text of the current token for error messages.
    std::string where() const;

  private:
    std::vector<ScriptToken> tokens_;
    std::size_t pos_ = 0;
};

}  // namespace talven::sim
