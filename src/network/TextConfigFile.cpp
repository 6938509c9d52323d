// The text network configuration file: blocks of keyword = value lines for every modem, site,
// multiplexor and instrument, each instrument followed by its link's lines.

#include <cstdio>
#include <sstream>
#include <unordered_set>

#include "foundation/DataLock.h"
#include "foundation/EString.h"
#include "foundation/Messages.h"
#include "foundation/StreamConverter.h"
#include "network/InstrumentNode.h"
#include "network/NetworkFiles.h"
#include "network/NetworkMessages.h"
#include "network/TreeNode.h"
#include "text/ConfigFileTokenStream.h"
#include "transport/ModemConnection.h"
#include "transport/ModemSettings.h"
#include "transport/TAPIModemConnection.h"
#include "transport/TCPConnection.h"

namespace talven {

namespace {

// ---------------------------------------------------------------------------------------------
// Writing

void QuotedLine(std::string& out, const char* indent, int keyword, std::string_view value) {
    out += indent;
    out += ConfigKeywordText(keyword);
    out += " = \"";
    out += value;
    out += "\"\r\n";
}

void NumberLine(std::string& out, int keyword, std::uint32_t value) {
    // Written as a signed 32-bit number, and read back into the same 32 bits.
    out += "  ";
    out += ConfigKeywordText(keyword);
    out += " = ";
    out += std::to_string(static_cast<std::int32_t>(value));
    out += "\r\n";
}

// The escape form, except that a double quote becomes \x22: the quoted values of this file have no
// escapes of their own, so a \" would end the value early.
std::string EscapeForQuotes(std::string_view code) {
    const std::string escaped = Escape(code);
    std::string out;
    for (std::size_t i = 0; i < escaped.size(); ++i) {
        if (escaped[i] == '\\' && i + 1 < escaped.size()) {
            out += escaped[i + 1] == '"' ? std::string("\\x22") : escaped.substr(i, 2);
            ++i;
        } else {
            out += escaped[i];
        }
    }
    return out;
}

bool Quotable(std::string_view value) {
    return value.find_first_of("\"\r\n") == std::string_view::npos;
}

class TextWriter {
  public:
    TextWriter(const SavedLists& lists, std::string& out, TextSaveProblem* problem)
        : lists_(lists), out_(out), problem_(problem) {}

    bool Write() {
        for (const auto& item : lists_.modems) {
            if (!WriteModem(static_cast<const CModemSettings&>(*item)))
                return false;
        }
        for (const auto& item : lists_.sites) {
            const auto& site = static_cast<const CSiteNode&>(*item);
            if (!Check(site.GetName(), site.GetName(), "name"))
                return false;
            out_ += "\r\n";
            QuotedLine(out_, "", SITE_NAME, site.GetName());
            QuotedLine(out_, "  ", SITE_PARENT_SITE, lists_.ParentName(site.GetParentId()));
        }
        for (const auto& item : lists_.multiplexors) {
            const auto& multiplexor = static_cast<const CMultiplexorNode&>(*item);
            const std::string name = multiplexor.GetName();
            if (!Check(name, name, "name") || !Check(name, multiplexor.GetAddress(), "address"))
                return false;
            out_ += "\r\n";
            QuotedLine(out_, "", MULTIPLEXOR_NAME, name);
            QuotedLine(out_, "  ", MULTIPLEXOR_TCPIP_ADDRESS, multiplexor.GetAddress());
            QuotedLine(out_, "  ", MULTIPLEXOR_SITE, lists_.ParentName(multiplexor.GetParentId()));
        }
        for (const CNamedObjectList* list : {&lists_.multiplexorInstruments, &lists_.connectedInstruments}) {
            for (const auto& item : *list) {
                if (!WriteInstrument(static_cast<const CInstrumentNode&>(*item)))
                    return false;
            }
        }
        return true;
    }

  private:
    bool Check(const std::string& node, const std::string& value, const char* field) {
        if (Quotable(value))
            return true;
        if (problem_)
            *problem_ = TextSaveProblem{node, field};
        return false;
    }

    bool WriteModem(const CModemSettings& modem) {
        const std::string name = modem.GetName();
        const std::pair<std::string, const char*> fields[] = {
            {name, "name"},
            {modem.GetDialPrefix(), "dial prefix"},
            {modem.GetEscape(), "escape sequence"},
            {modem.GetHangUp(), "hang-up command"},
            {modem.GetInitialization(), "initialisation command"},
            {modem.GetReset(), "reset command"},
            {modem.GetOkResponse(), "OK response"},
            {modem.GetConnectResponse(), "connect response"},
        };
        for (const auto& [value, field] : fields) {
            if (!Check(name, value, field))
                return false;
        }
        modem.WriteConfig(out_);
        return true;
    }

    bool CheckConnection(const std::string& node, const CConnection* connection) {
        if (const auto* serial = dynamic_cast<const CCommPortConnection*>(connection)) {
            if (!Check(node, serial->GetPortName(), "serial port"))
                return false;
        }
        if (const auto* modem = dynamic_cast<const CModemConnection*>(connection)) {
            if (!Check(node, modem->GetTelephoneNumber(), "telephone number"))
                return false;
        }
        if (const auto* tapi = dynamic_cast<const CTAPIModemConnection*>(connection)) {
            if (!Check(node, tapi->GetTelephoneNumber(), "telephone number"))
                return false;
        }
        if (const auto* tcp = dynamic_cast<const CTCPConnection*>(connection)) {
            if (!Check(node, tcp->GetHost(), "address"))
                return false;
        }
        return true;
    }

    bool WriteInstrument(const CInstrumentNode& node) {
        const std::string name = node.GetName();
        const InstrumentSettings s = node.GetSettings();
        const CConnection* connection = node.GetConnection();
        if (!Check(name, name, "name") ||
            (s.instrumentPort == 2 && !Check(name, s.modeVariableName, "mode variable")) ||
            !CheckConnection(name, connection)) {
            return false;
        }
        out_ += "\r\n";
        QuotedLine(out_, "", INST_NAME, name);
        if (s.idEnabled)
            NumberLine(out_, INST_ID, s.instrumentId);
        NumberLine(out_, INST_PORT, s.instrumentPort);
        if (s.instrumentPort == 2)
            QuotedLine(out_, "  ", INST_MODE_VAR_NAME, s.modeVariableName);
        QuotedLine(out_, "  ", INST_SITE, lists_.ParentName(node.GetParentId()));
        if (s.passwordEnabled)
            NumberLine(out_, INST_PASSWORD, s.password);
        if (s.autoDisconnectEnabled)
            NumberLine(out_, INST_AUTO_DISCONNECT, s.autoDisconnectMinutes);
        if (s.selectEnabled)
            QuotedLine(out_, "  ", INST_SELECT, EscapeForQuotes(s.selectCode));
        if (s.deselectEnabled)
            QuotedLine(out_, "  ", INST_DESELECT, EscapeForQuotes(s.deselectCode));
        NumberLine(out_, INST_RECV_TIMEOUT, s.receiveTimeoutMs);
        NumberLine(out_, INST_XMIT_DELAY, s.transmitDelayMs);
        if (connection)
            connection->WriteConfig(out_, lists_.modems);
        return true;
    }

    const SavedLists& lists_;
    std::string& out_;
    TextSaveProblem* problem_;
};

// ---------------------------------------------------------------------------------------------
// Reading

// Undoes the escape form: named escapes, and \x with exactly two hexadecimal digits.
std::string Unescape(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 >= text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        switch (c) {
            case '0':
                out += '\0';
                break;
            case 'a':
                out += '\a';
                break;
            case 'b':
                out += '\b';
                break;
            case 't':
                out += '\t';
                break;
            case 'n':
                out += '\n';
                break;
            case 'v':
                out += '\v';
                break;
            case 'f':
                out += '\f';
                break;
            case 'r':
                out += '\r';
                break;
            case 'x':
                if (i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 && HexDigit(text[i + 2]) >= 0) {
                    out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
                    i += 2;
                } else {
                    out += "\\x";
                }
                break;
            default:
                out += c;
                break;  // \\ \" \' and anything unknown: the character itself
        }
    }
    return out;
}

bool IsConnectionKeyword(int id) {
    switch (id) {
        case SITE_MODEM:
        case SITE_TELEPHONE:
        case SITE_CONNECT_TIMEOUT:
        case SITE_COMM_PORT:
        case SITE_BAUD_RATE:
        case SITE_PARITY_MODE:
        case SITE_DATA_BITS:
        case SITE_STOP_BITS:
        case SITE_XON_XOFF:
        case SITE_TCPIP_ADDRESS:
        case SITE_TCPIP_PORT:
            return true;
        default:
            return false;
    }
}

// One "keyword = value" line of a link, kept so that it can be handed to the link's own reader
// once the lines that follow an instrument have told which kind of link it is.
struct LinkLine {
    int keyword;
    int kind;  // kTokenString or kTokenInteger
    std::string value;
    int line;
};

bool IsPortNumber(const LinkLine& line) {
    if (line.kind != kTokenInteger || line.value.empty() || line.value.size() > 5 ||
        line.value.find_first_not_of("0123456789") != std::string::npos)
        return false;
    return std::stol(line.value) <= 65535;
}

struct PendingParent {
    CTreeNode* node;
    std::string name;
    int line;
};

struct PendingInstrument {
    std::string name;
    InstrumentSettings settings;
    std::unique_ptr<CConnection> connection;
    std::string parentName;
    int parentLine = 0;
};

class TextReader {
  public:
    TextReader(std::istream& in, SavedLists& lists) : stream_(in), lists_(lists), usedIds_(CurrentNodeIds()) {
        stream_.SetMultiLine(true);
    }

    TextLoadResult Read() {
        stream_.NextToken();
        while (Ok() && stream_.GetTokenKind() != kTokenEnd) {
            switch (stream_.GetTokenKind()) {
                case MODEM_NAME:
                    ReadModem();
                    break;
                case SITE_NAME:
                    ReadSite();
                    break;
                case MULTIPLEXOR_NAME:
                    ReadMultiplexor();
                    break;
                case INST_NAME:
                    ReadInstrument();
                    break;
                default:
                    stream_.RecordError();
                    break;
            }
        }
        if (Ok())
            ResolveParents();
        if (Ok())
            CheckSiteAncestry();
        TextLoadResult result;
        result.ok = Ok();
        result.problem = problem_;
        if (!result.ok) {
            result.errorText = error_ ? errorText_ : stream_.GetErrorText();
            result.errorLine = error_ ? errorLine_ : stream_.GetErrorLine();
        }
        return result;
    }

  private:
    bool Ok() const { return stream_.GetErrorCount() == 0 && !error_; }

    void Error(std::string text, int line) {
        if (error_)
            return;
        error_ = true;
        errorText_ = std::move(text);
        errorLine_ = line;
    }

    // A file that reads but describes no sound tree; the token and line, when one is to blame.
    void Problem(std::string text, std::string token = {}, int line = 0) {
        if (error_)
            return;
        Error(std::move(token), line);
        problem_ = std::move(text);
    }

    std::uint32_t FreshId() { return NewNodeIdAvoiding(usedIds_); }

    // The current token must be the keyword; then "=" and a value of the given kind. On success
    // the value is the current token; the caller takes it and moves on.
    bool Expect(int keyword, int kind) {
        if (stream_.GetTokenKind() != keyword)
            return Fail();
        return EqualsThen(kind);
    }

    bool EqualsThen(int kind) {
        if (stream_.NextToken() != kConfigEquals)
            return Fail();
        if (stream_.NextToken() != kind)
            return Fail();
        return true;
    }

    bool Fail() {
        stream_.RecordError();
        return false;
    }

    std::string TakeString() {
        std::string value = stream_.GetTokenText();
        stream_.NextToken();
        return value;
    }

    std::int32_t TakeInteger() {
        const std::int32_t value = stream_.GetIntegerValue();
        stream_.NextToken();
        return value;
    }

    void ReadModem() {
        if (!Expect(MODEM_NAME, kTokenString))
            return;
        auto modem = std::make_unique<CModemSettings>();
        modem->SetName(TakeString());
        modem->SetId(FreshId());
        CModemSettings& m = *modem;
        lists_.modems.Append(std::move(modem));
        for (;;) {
            const int keyword = stream_.GetTokenKind();
            // A multiplexor block may follow the modems directly when the file holds no site.
            if (keyword == kTokenEnd || keyword == MODEM_NAME || keyword == SITE_NAME ||
                keyword == INST_NAME || keyword == MULTIPLEXOR_NAME) {
                return;
            }
            if (keyword == MODEM_TIMEOUT) {
                if (!EqualsThen(kTokenInteger))
                    return;
                TakeInteger();
                continue;
            }
            if (keyword < MODEM_COMMAND_PREFIX || keyword > MODEM_VERBAL_RESPONSES) {
                Fail();
                return;
            }
            if (!EqualsThen(kTokenString))
                return;
            std::string value = TakeString();
            switch (keyword) {
                case MODEM_TONE_DIAL:
                    m.SetDialPrefix(std::move(value));
                    break;
                case MODEM_ESCAPE:
                    m.SetEscape(std::move(value));
                    break;
                case MODEM_HANGUP:
                    m.SetHangUp(std::move(value));
                    break;
                case MODEM_INITIALIZATION_STRING:
                    m.SetInitialization(std::move(value));
                    break;
                case MODEM_RESET:
                    m.SetReset(std::move(value));
                    break;
                case MODEM_OK:
                    m.SetOkResponse(std::move(value));
                    break;
                case MODEM_CONNECT:
                    m.SetConnectResponse(std::move(value));
                    break;
                default:
                    break;  // accepted and ignored
            }
        }
    }

    // An optional "KEYWORD = name" naming the parent; noted for resolution once every node is read.
    void ReadParentName(int keyword, CTreeNode* node, std::vector<PendingParent>& pending) {
        if (stream_.GetTokenKind() != keyword)
            return;
        if (!EqualsThen(kTokenString))
            return;
        const int line = stream_.GetLineNumber();
        pending.push_back(PendingParent{node, TakeString(), line});
    }

    void ReadSite() {
        if (!Expect(SITE_NAME, kTokenString))
            return;
        auto site = std::make_unique<CSiteNode>(TakeString(), FreshId());
        CTreeNode* node = site.get();
        lists_.sites.Append(std::move(site));
        ReadParentName(SITE_PARENT_SITE, node, siteParents_);
    }

    void ReadMultiplexor() {
        if (!Expect(MULTIPLEXOR_NAME, kTokenString))
            return;
        auto multiplexor = std::make_unique<CMultiplexorNode>(TakeString(), FreshId());
        CMultiplexorNode* node = multiplexor.get();
        lists_.multiplexors.Append(std::move(multiplexor));
        if (!Expect(MULTIPLEXOR_TCPIP_ADDRESS, kTokenString))
            return;
        node->SetAddress(TakeString());
        ReadParentName(MULTIPLEXOR_SITE, node, multiplexorParents_);
    }

    void ReadInstrument() {
        if (!Expect(INST_NAME, kTokenString))
            return;
        PendingInstrument instrument;
        instrument.name = TakeString();
        InstrumentSettings& s = instrument.settings;
        for (bool more = true; more && Ok();) {
            const int keyword = stream_.GetTokenKind();
            switch (keyword) {
                case INST_ID:
                    more = ReadNumber(s.instrumentId, &s.idEnabled);
                    break;
                case INST_PORT:
                    more = ReadNumber(s.instrumentPort, nullptr);
                    break;
                case INST_PASSWORD:
                    more = ReadNumber(s.password, &s.passwordEnabled);
                    break;
                case INST_AUTO_DISCONNECT:
                    more = ReadNumber(s.autoDisconnectMinutes, &s.autoDisconnectEnabled);
                    break;
                case INST_RECV_TIMEOUT:
                    more = ReadNumber(s.receiveTimeoutMs, nullptr);
                    break;
                case INST_XMIT_DELAY:
                    more = ReadNumber(s.transmitDelayMs, nullptr);
                    break;
                case INST_MODE_VAR_NAME:
                    if ((more = EqualsThen(kTokenString)))
                        s.modeVariableName = TakeString();
                    break;
                case INST_SELECT:
                    if ((more = EqualsThen(kTokenString)))
                        s.selectCode = Unescape(TakeString());
                    s.selectEnabled = true;
                    break;
                case INST_DESELECT:
                    if ((more = EqualsThen(kTokenString)))
                        s.deselectCode = Unescape(TakeString());
                    s.deselectEnabled = true;
                    break;
                case INST_SITE:
                    if ((more = EqualsThen(kTokenString))) {
                        instrument.parentLine = stream_.GetLineNumber();
                        instrument.parentName = TakeString();
                    }
                    break;
                default:
                    more = false;
                    break;
            }
        }
        if (!Ok())
            return;
        instrument.connection = ReadLink(instrument.name);
        if (Ok())
            instruments_.push_back(std::move(instrument));
    }

    bool ReadNumber(std::uint32_t& value, bool* enabled) {
        if (!EqualsThen(kTokenInteger))
            return false;
        value = static_cast<std::uint32_t>(TakeInteger());
        if (enabled)
            *enabled = true;
        return true;
    }

    // Collects the link lines after an instrument block, chooses the kind of link from them, and
    // lets that link read them. Null when there are none (the node keeps its default link).
    std::unique_ptr<CConnection> ReadLink(const std::string& name) {
        std::vector<LinkLine> lines;
        while (Ok() && IsConnectionKeyword(stream_.GetTokenKind())) {
            LinkLine line{stream_.GetTokenKind(), 0, {}, 0};
            if (stream_.NextToken() != kConfigEquals) {
                Fail();
                return nullptr;
            }
            line.kind = stream_.NextToken();
            if (line.kind != kTokenString && line.kind != kTokenInteger) {
                Fail();
                return nullptr;
            }
            line.line = stream_.GetLineNumber();
            line.value = TakeString();
            if (line.keyword == SITE_TCPIP_PORT && !IsPortNumber(line)) {
                Problem(FormatMessage(msg::kTextBadPort, line.line, line.value, name), line.value, line.line);
                return nullptr;
            }
            lines.push_back(std::move(line));
        }
        if (lines.empty())
            return nullptr;
        std::unique_ptr<CConnection> connection = MakeLinkFor(lines);
        Replay(lines, *connection);
        return connection;
    }

    static std::unique_ptr<CConnection> MakeLinkFor(const std::vector<LinkLine>& lines) {
        bool tcp = false, modemName = false, modemDevice = false, telephone = false;
        for (const LinkLine& line : lines) {
            tcp |= line.keyword == SITE_TCPIP_ADDRESS || line.keyword == SITE_TCPIP_PORT;
            modemName |= line.keyword == SITE_MODEM && line.kind == kTokenString;
            modemDevice |= line.keyword == SITE_MODEM && line.kind == kTokenInteger;
            telephone |= line.keyword == SITE_TELEPHONE || line.keyword == SITE_CONNECT_TIMEOUT;
        }
        if (tcp)
            return std::make_unique<CTCPConnection>();
        if (modemDevice)
            return std::make_unique<CTAPIModemConnection>();
        if (modemName || telephone)
            return std::make_unique<CModemConnection>();
        return std::make_unique<CCommPortConnection>();
    }

    void Replay(const std::vector<LinkLine>& lines, CConnection& connection) {
        std::string text;
        for (const LinkLine& line : lines) {
            text += ConfigKeywordText(line.keyword);
            text += " = ";
            text += line.kind == kTokenString ? "\"" + line.value + "\"" : line.value;
            text += "\r\n";
        }
        std::istringstream in(text);
        ConfigFileTokenStream replay(in, static_cast<int>(text.size()) + 1);
        replay.SetMultiLine(true);
        replay.NextToken();
        connection.ReadConfig(replay, lists_.modems);
        if (replay.GetErrorCount() == 0 && replay.GetTokenKind() != kTokenEnd)
            replay.RecordError();
        if (replay.GetErrorCount() > 0) {
            const int index = replay.GetErrorLine() - 1;
            const int line = index >= 0 && index < static_cast<int>(lines.size()) ? lines[index].line
                                                                                  : stream_.GetLineNumber();
            Error(replay.GetErrorText(), line);
        }
    }

    // Parent names name sites (of sites and multiplexors) or sites, then multiplexors (of
    // instruments), as the writer looks them up; an empty name that matches no node is the top.
    bool ResolveParent(const PendingParent& pending, bool multiplexorsToo) {
        CNamedObject* parent = lists_.sites.FindByName(pending.name);
        if (!parent && multiplexorsToo)
            parent = lists_.multiplexors.FindByName(pending.name);
        if (!parent && !pending.name.empty()) {
            Problem(
                FormatMessage(msg::kTextUnknownParent, pending.line, pending.name, pending.node->GetName()),
                pending.name, pending.line);
            return false;
        }
        pending.node->SetParentId(parent ? parent->GetId() : 0);
        return true;
    }

    void ResolveParents() {
        for (const PendingParent& pending : siteParents_) {
            if (!ResolveParent(pending, false))
                return;
        }
        for (const PendingParent& pending : multiplexorParents_) {
            if (!ResolveParent(pending, false))
                return;
        }
        // The writer puts the multiplexor instruments before the connected instruments, and a
        // multiplexor instrument's link goes to its multiplexor's address. A parent name held by a
        // site and a multiplexor alike is therefore taken as the multiplexor for a TCP link to that
        // address, until the first instrument that can only be at a site.
        bool pastMultiplexorInstruments = false;
        for (PendingInstrument& pending : instruments_) {
            CNamedObject* site = lists_.sites.FindByName(pending.parentName);
            CNamedObject* multiplexor = lists_.multiplexors.FindByName(pending.parentName);
            if (!site && !multiplexor && !pending.parentName.empty()) {
                Problem(FormatMessage(msg::kTextUnknownParent, pending.parentLine, pending.parentName,
                                      pending.name),
                        pending.parentName, pending.parentLine);
                return;
            }
            const auto* tcp = dynamic_cast<const CTCPConnection*>(pending.connection.get());
            const bool toMultiplexor =
                tcp && multiplexor &&
                tcp->GetHost() == static_cast<CMultiplexorNode*>(multiplexor)->GetAddress();
            const bool behindMultiplexor =
                multiplexor && (!site || (toMultiplexor && !pastMultiplexorInstruments));
            std::unique_ptr<CInstrumentConnectedNode> node;
            if (behindMultiplexor) {
                node = std::make_unique<CInstrumentMultiplexorNode>(pending.name, FreshId());
                node->SetParentId(multiplexor->GetId());
            } else {
                pastMultiplexorInstruments = pastMultiplexorInstruments || site != nullptr;
                node = std::make_unique<CInstrumentConnectedNode>(pending.name, FreshId());
                node->SetParentId(site ? site->GetId() : 0);
            }
            node->SetSettings(pending.settings);
            if (pending.connection)
                node->SetConnection(std::move(pending.connection));
            (behindMultiplexor ? lists_.multiplexorInstruments : lists_.connectedInstruments)
                .Append(std::move(node));
        }
    }

    // A site that is its own parent, or whose parents lead back to it, hangs below no top-level
    // node: the tree would hide it and everything below it.
    void CheckSiteAncestry() {
        for (const auto& item : lists_.sites) {
            const auto& site = static_cast<const CSiteNode&>(*item);
            if (site.GetParentId() == site.GetId()) {
                Problem(FormatMessage(msg::kTextSiteOwnParent, site.GetName()));
                return;
            }
            std::uint32_t parent = site.GetParentId();
            for (std::size_t step = 0; parent != 0 && step <= lists_.sites.size(); ++step) {
                if (parent == site.GetId()) {
                    Problem(FormatMessage(msg::kTextSiteCycle, site.GetName()));
                    return;
                }
                const CNamedObject* above = lists_.sites.FindById(parent);
                parent = above ? static_cast<const CSiteNode*>(above)->GetParentId() : 0;
            }
        }
    }

    ConfigFileTokenStream stream_;
    SavedLists& lists_;
    bool error_ = false;
    std::string problem_;
    std::string errorText_;
    int errorLine_ = 0;
    std::vector<PendingParent> siteParents_;
    std::vector<PendingParent> multiplexorParents_;
    std::vector<PendingInstrument> instruments_;
    // Ids of the configuration in memory and of every node made so far.
    std::unordered_set<std::uint32_t> usedIds_;
};

}  // namespace

bool WriteTextConfiguration(const SavedLists& lists, std::string& out, TextSaveProblem* problem) {
    DataGuard guard;
    return TextWriter(lists, out, problem).Write();
}

TextLoadResult ReadTextConfiguration(std::istream& in, SavedLists& lists) {
    return TextReader(in, lists).Read();
}

}  // namespace talven
