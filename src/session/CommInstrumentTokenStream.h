#pragma once
// The instrument's replies, read as tokens straight from its link. Used only by the instrument's
// session worker.

#include <string>

#include "text/InstrumentTokenStream.h"

namespace talven {

class CConnection;
class CInstrumentNode;

class CommInstrumentTokenStream : public InstrumentTokenStream {
  public:
    /// link is not owned and must outlive the stream.
    CommInstrumentTokenStream(CConnection& link, int receiveTimeoutMs);

    int GetReceiveTimeout() const { return receiveTimeoutMs_; }
    /// Returns the previous time-out, for exchanges that wait longer and then restore it.
    int SetReceiveTimeout(int milliseconds);
    CInstrumentNode* GetNode() const { return node_; }
    void SetNode(CInstrumentNode* node) { node_ = node; }

    /// Skips what is left of the current line without reading input, so that the next token
    /// comes from the next line.
    void StartNewLine();
    /// The rest of the current line after the current token, leading blanks skipped, up to CR or
    /// LF. Consumes nothing.
    std::string PeekRestOfLine() const;
    /// The current line as received.
    const std::string& LineText() const { return CurrentLine(); }
    /// Whether a line read so far said "MUST LOG ON": an instrument that wants a log-on answers
    /// every command so, whichever reply form the command expects.
    bool SawLogOnRequest() const { return sawLogOnRequest_; }

  protected:
    /// One line of at most 1000 bytes ending with its line feed, logged as a response; empty after
    /// the receive time-out, which is logged as an error (and is an end of input).
    std::string ReadLine() override;

  private:
    CConnection& link_;
    int receiveTimeoutMs_;
    CInstrumentNode* node_ = nullptr;
    bool sawLogOnRequest_ = false;
};

}  // namespace talven
