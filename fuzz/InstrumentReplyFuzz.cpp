// Any bytes as what an instrument answers while it is connected: the reply header and word rule on
// every line, and a whole connect (log-on, mode, capabilities, display, lights, identity or
// configuration listing, capability inference) and disconnect on a link that answers from the
// input. The first byte holds the node's settings; the rest is cut at NUL bytes into the answers
// to "instcaps", "instid", "v config" and every other command, in that order.
//
// The link answers at once and reads nothing once an answer is used up, so a connect costs no
// waiting and no thread: the session runs on the calling thread, as the worker would run it.
//
// Checks: header fields lie in their ranges and read back from their own text; a word written as
// a quoted string reads back as the same word; no query is sent more than three times; what the
// session learned holds no line end; a disconnect closes the link with the use count back at 0.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzSupport.h"
#include "network/InstrumentNode.h"
#include "session/InstrumentSession.h"
#include "session/SessionExchange.h"
#include "transport/Connection.h"

namespace talven {
namespace {

using fuzz::TextTokens;

enum Answer : std::size_t { kInstcaps, kInstid, kConfig, kOther, kAnswerCount };

/// A direct link whose instrument answers each command with a fixed text.
class AnsweringLink : public CConnection {
  public:
    explicit AnsweringLink(std::vector<std::string> answers) : answers_(std::move(answers)) {}

    const char* GetRuntimeClass() const override { return "AnsweringLink"; }
    void Serialize(ObjectArchive&) override {}
    bool ReadConfig(TokenStream&, const CNamedObjectList&) override { return false; }
    void WriteConfig(std::string&, const CNamedObjectList&) const override {}
    std::string GetUnwritableConfigField() const override { return {}; }
    int GetTypeKeyword() const override { return linkkw::kDirectCable; }
    bool IsHandleOpen() const override { return handleOpen_; }
    bool Open(LinkOwner* owner) override {
        handleOpen_ = true;
        return CConnection::Open(owner);
    }
    bool Close() override {
        CConnection::Close();
        const bool was = handleOpen_;
        handleOpen_ = false;
        return was;
    }
    bool Purge() override {
        input_.clear();
        readPos_ = 0;
        return true;
    }
    int Read(char* buffer, int maxLength, int, int terminator, bool countFailures) override {
        int n = 0;
        while (n < maxLength && readPos_ < input_.size()) {
            const char c = input_[readPos_++];
            buffer[n++] = c;
            if (terminator >= 0 && c == static_cast<char>(terminator))
                break;
        }
        if (countFailures)
            NoteReadResult(n < 1);
        return n;
    }
    bool Write(std::string_view text) override {
        if (!handleOpen_)
            return false;
        const std::size_t etx = text.rfind('\x03');
        if (etx == std::string_view::npos)
            return true;
        const std::string command = CommandOf(text.substr(etx + 1));
        if (command.empty())
            return true;
        const Answer answer = command == "instcaps"   ? kInstcaps
                              : command == "instid"   ? kInstid
                              : command == "v config" ? kConfig
                                                      : kOther;
        ++sent_[answer];
        input_ += answers_[answer];
        return true;
    }
    bool EditProperties() override { return false; }
    std::unique_ptr<CConnection> Clone() const override { return std::make_unique<AnsweringLink>(answers_); }

    int Sent(Answer answer) const { return sent_[answer]; }

  private:
    // The command word and its argument, without the instrument ID that may stand between them.
    static std::string CommandOf(std::string_view line) {
        std::vector<std::string_view> words;
        while (!line.empty()) {
            const std::size_t start = line.find_first_not_of(" \r\n");
            if (start == std::string_view::npos)
                break;
            line.remove_prefix(start);
            const std::size_t end = std::min(line.find_first_of(" \r\n"), line.size());
            words.push_back(line.substr(0, end));
            line.remove_prefix(end);
        }
        if (words.size() > 1 && words[1].find_first_not_of("0123456789") == std::string_view::npos)
            words.erase(words.begin() + 1);
        std::string command;
        for (std::string_view word : words)
            command += (command.empty() ? "" : " ") + std::string(word);
        return command;
    }

    std::vector<std::string> answers_;
    std::string input_;
    std::size_t readPos_ = 0;
    int sent_[kAnswerCount] = {};
    bool handleOpen_ = false;
};

bool HasLineEnd(const std::string& text) {
    return text.find_first_of("\r\n") != std::string::npos;
}

// A header read from a line must read back the same from the text it stands for.
void CheckHeader(const ReplyHeader& header) {
    TALVEN_FUZZ_CHECK(header.day >= 1 && header.day <= 366);
    TALVEN_FUZZ_CHECK(header.hour <= 23 && header.minute <= 59);
    TALVEN_FUZZ_CHECK(header.Offset() < 366u * 86400u);
    if (header.id < 0)
        return;
    char text[64];
    std::snprintf(text, sizeof text, "D %03u:%02u:%02u %04d\r\n", header.day, header.hour, header.minute,
                  static_cast<int>(header.id));
    TextTokens again(text);
    ReplyHeader reread;
    TALVEN_FUZZ_CHECK(again.ts().NextToken() == tok::D);
    TALVEN_FUZZ_CHECK(ReadReplyHeaderFields(again.ts(), reread));
    TALVEN_FUZZ_CHECK(reread.day == header.day && reread.hour == header.hour &&
                      reread.minute == header.minute && reread.id == header.id);
}

// Instruments quote names that would not read as one word; a word quoted must read as itself.
void CheckWord(const std::string& word) {
    if (word.find_first_of("\"\r\n") != std::string::npos)
        return;
    TextTokens quoted("\"" + word + "\"\r\n");
    TALVEN_FUZZ_CHECK(quoted.ts().NextToken() == kTokenString);
    TALVEN_FUZZ_CHECK(IsWordToken(quoted.ts(), kTokenString));
    TALVEN_FUZZ_CHECK(quoted.ts().GetTokenText() == word);
}

void ReadLines(const std::string& text) {
    TextTokens reply(text);
    TokenStream& s = reply.ts();
    for (int kind = s.NextToken(); !s.AtEndOfInput(); kind = s.NextToken()) {
        if (kind == tok::D || kind == tok::K || kind == tok::V || kind == tok::L) {
            ReplyHeader header;
            if (ReadReplyHeaderFields(s, header))
                CheckHeader(header);
            kind = s.GetTokenKind();
        }
        for (int tokens = 0; kind != kTokenEnd && tokens < 10000; ++tokens, kind = s.NextToken()) {
            if (kind == kTokenInvalid) {
                s.ReadRestOfLine();
                continue;
            }
            if (IsWordToken(s, kind))
                CheckWord(s.GetTokenText());
        }
    }
}

std::vector<std::string> CutAnswers(const std::string& text) {
    std::vector<std::string> answers(kAnswerCount);
    std::size_t start = 0;
    for (std::size_t i = 0; i < kAnswerCount && start <= text.size(); ++i) {
        const std::size_t cut = i + 1 < kAnswerCount ? text.find('\0', start) : std::string::npos;
        const std::size_t end = cut == std::string::npos ? text.size() : cut;
        answers[i] = text.substr(start, end - start);
        start = end + 1;
    }
    return answers;
}

void ConnectAndClose(unsigned settingsByte, const std::string& text) {
    auto owned = std::make_unique<AnsweringLink>(CutAnswers(text));
    AnsweringLink& link = *owned;
    link.SetMaxFailures(0);
    CInstrumentConnectedNode node("Bench", 9);
    node.SetConnection(std::move(owned));
    InstrumentSettings settings = node.GetSettings();
    settings.receiveTimeoutMs = 10;
    settings.passwordEnabled = (settingsByte & 1u) != 0;
    settings.password = 818;
    settings.idEnabled = (settingsByte & 2u) != 0;
    settings.instrumentPort = (settingsByte >> 2) % 3;
    settings.modeVariableName = "RS485_MODE";
    node.SetSettings(settings);
    CInstrumentSession& session = CInstrumentSession::Of(node);
    if (settingsByte & 16u)
        session.SetFrontPanel(5);

    SessionExchange exchange(session);
    exchange.ConnectExchange();
    TALVEN_FUZZ_CHECK(link.Sent(kInstcaps) <= 3 && link.Sent(kInstid) <= 3 && link.Sent(kConfig) <= 3);
    const InstrumentIdentity identity = node.GetIdentity();
    for (const std::string* field :
         {&identity.capabilities, &identity.partNumber, &identity.serialNumber, &identity.firmwareRevision,
          &identity.libraryRevision, &identity.protocolRevision}) {
        TALVEN_FUZZ_CHECK(!HasLineEnd(*field));
    }
    TALVEN_FUZZ_CHECK(!HasLineEnd(session.GetModelName()));
    // A session that closed itself (a failed log-on) is not disconnected again; its use count is
    // reset by the next connect.
    if (session.IsSessionOpen()) {
        exchange.DisconnectExchange();
        TALVEN_FUZZ_CHECK(session.GetUseCount() == 0);
    }
    TALVEN_FUZZ_CHECK(!session.IsSessionOpen());
    TALVEN_FUZZ_CHECK(!link.IsHandleOpen());
}

}  // namespace
}  // namespace talven

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace talven;
    if (size < 1)
        return 0;
    const std::string text = fuzz::Rest(data, size);
    ReadLines(text);
    ConnectAndClose(data[0], text);
    return 0;
}
