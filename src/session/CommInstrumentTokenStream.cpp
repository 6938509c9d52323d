#include "session/CommInstrumentTokenStream.h"

#include "foundation/Log.h"
#include "foundation/Messages.h"
#include "session/SessionMessages.h"
#include "transport/Connection.h"

namespace talven {

CommInstrumentTokenStream::CommInstrumentTokenStream(CConnection& link, int receiveTimeoutMs)
    : link_(link), receiveTimeoutMs_(receiveTimeoutMs) {
    PrepareTokenTables();
}

int CommInstrumentTokenStream::SetReceiveTimeout(int milliseconds) {
    const int previous = receiveTimeoutMs_;
    receiveTimeoutMs_ = milliseconds;
    return previous;
}

void CommInstrumentTokenStream::StartNewLine() {
    if (GetTokenKind() == kTokenEnd)
        return;  // the next token already starts a new line
    // The lexer moves to the next line once a token ends the current one; with lines joined it
    // would read on, so joining is held off for that one step.
    const bool joined = GetMultiLine();
    SetMultiLine(false);
    ReadRestOfLine();
    NextToken();
    SetMultiLine(joined);
}

std::string CommInstrumentTokenStream::PeekRestOfLine() const {
    const std::string& line = CurrentLine();
    std::size_t start = Position();
    while (start < line.size() && (line[start] == ' ' || line[start] == '\t'))
        ++start;
    std::size_t end = line.find_first_of("\r\n", start);
    if (end == std::string::npos)
        end = line.size();
    return start < end ? line.substr(start, end - start) : std::string();
}

std::string CommInstrumentTokenStream::ReadLine() {
    std::string line;
    link_.ReadLine(line, receiveTimeoutMs_, '\n');
    if (line.empty()) {
        Log(kLogError, FormatMessage(msg::kResponseTimeout));
    } else {
        Log(kLogResponse, line);
        sawLogOnRequest_ = sawLogOnRequest_ || line.find("MUST LOG ON") != std::string::npos;
    }
    return line;
}

}  // namespace talven
