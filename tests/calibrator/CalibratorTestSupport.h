#pragma once
// Shared pieces of the calibrator tests: a token stream over a text, an instrument holding
// calibrator data, a private temporary directory and file helpers.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>

#include "calibrator/CalibratorInstrument.h"
#include "calibrator/Sequence.h"
#include "text/InstrumentTokenStream.h"

namespace talven::testing {

/// A file stream over a text; lines joined as the script readers and the session read them.
class TextTokens {
  public:
    explicit TextTokens(const std::string& text, bool joinLines = true) : in_(text), ts_(in_) {
        ts_.SetMultiLine(joinLines);
    }
    TokenStream& ts() { return ts_; }
    /// Makes the first token current, as the step and sequence readers expect.
    TokenStream& AtFirstToken() {
        ts_.NextToken();
        return ts_;
    }

  private:
    std::istringstream in_;
    FileInstrumentTokenStream ts_;
};

class TempDir {
  public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "talven-cal-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
    }
    ~TempDir() {
        if (!path_.empty())
            std::filesystem::remove_all(path_);
    }
    std::string PathOf(const std::string& name) const { return path_ + "/" + name; }
    bool ok() const { return !path_.empty(); }

  private:
    std::string path_;
};

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

inline CSequence& AddSequence(ICalibratorInstrument& instrument, const std::string& name) {
    auto sequence = std::make_unique<CSequence>(&instrument);
    sequence->SetName(name);
    CSequence& ref = *sequence;
    instrument.SequenceList().Append(std::move(sequence));
    return ref;
}

inline CSequence& SequenceAt(ICalibratorInstrument& instrument, std::size_t i) {
    return static_cast<CSequence&>(*instrument.SequenceList().at(i));
}

}  // namespace talven::testing
