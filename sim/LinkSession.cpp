#include "LinkSession.h"

#include <algorithm>
#include <cctype>

#include "Encoding.h"

namespace talven::sim {

namespace {

constexpr std::size_t kReportLowWater = 16 * 1024;

// Spoils one check digit of a record line so that its CRC or byte sum no longer matches, while
// every character stays one the decoder accepts.
void SpoilRecordLine(std::string& line) {
    const std::size_t end = line.find_first_of("\r\n");
    const std::size_t n = end == std::string::npos ? line.size() : end;
    if (n < 3)
        return;
    char& c = line[1];
    if (std::isdigit(static_cast<unsigned char>(c))) {
        c = c == '0' ? '1' : '0';
    } else if (std::isupper(static_cast<unsigned char>(c))) {
        c = c == 'A' ? 'B' : 'A';
    } else if (std::islower(static_cast<unsigned char>(c))) {
        c = c == 'a' ? 'b' : 'a';
    } else {
        c = c == '+' ? '/' : '+';
    }
}

}  // namespace

LinkSession::LinkSession(Instrument& instrument, LinkOptions options)
    : instrument_(instrument),
      options_(std::move(options)),
      random_(options_.faults.seed +
              0x9E3779B97F4A7C15ull * static_cast<std::uint64_t>(options_.connection)) {
    selected_ = options_.selectCode.empty();
    modemCommandMode_ = options_.modem;
    lastByte_ = Clock::now() - std::chrono::hours(1);
}

bool LinkSession::draw(double probability) {
    if (probability <= 0.0)
        return false;
    return std::uniform_real_distribution<double>(0.0, 1.0)(random_) < probability;
}

bool LinkSession::faulty(Clock::time_point now) const {
    const FaultSettings& f = options_.faults;
    if (f.startS == 0 && f.endS == 0)
        return true;
    if (options_.started == Clock::time_point())
        return f.startS == 0;
    return f.activeAt(std::chrono::duration<double>(now - options_.started).count());
}

long LinkSession::takeFaultsInjected() {
    const long n = faultsInjected_;
    faultsInjected_ = 0;
    return n;
}

std::size_t LinkSession::queuedBytes() const {
    std::size_t n = 0;
    for (const auto& s : out_)
        n += s.bytes.size() - s.offset;
    return n;
}

// --- input -------------------------------------------------------------------------------------

void LinkSession::received(std::string_view bytes, Clock::time_point now) {
    if (options_.started == Clock::time_point())
        options_.started = now;  // the fault window counts from the first bytes heard
    for (char c : bytes) {
        if (options_.modem) {
            modemByte(c, now);
        } else {
            dataByte(c, now);
        }
    }
}

void LinkSession::dataByte(char c, Clock::time_point now) {
    if (!selected_) {
        // Deselected: the switch passes nothing until it sees the select code.
        switchWindow_ += c;
        const std::string& code = options_.selectCode;
        if (switchWindow_.size() >= code.size() &&
            switchWindow_.compare(switchWindow_.size() - code.size(), code.size(), code) == 0) {
            selected_ = true;
            switchWindow_.clear();
            line_.clear();
        } else if (switchWindow_.size() > code.size()) {
            switchWindow_.erase(0, switchWindow_.size() - code.size());
        }
        return;
    }
    if (c == '\n') {
        if (!discardingLine_)
            lineComplete(now);
        line_.clear();
        discardingLine_ = false;
        return;
    }
    if (discardingLine_)
        return;
    line_ += c;
    const std::string& off = options_.deselectCode;
    if (!options_.selectCode.empty() && !off.empty() && line_.size() >= off.size() &&
        line_.compare(line_.size() - off.size(), off.size(), off) == 0) {
        line_.erase(line_.size() - off.size());
        // What the instrument had begun to answer still goes out; it hears nothing more.
        selected_ = false;
        switchWindow_.clear();
        return;
    }
    if (line_.size() > kMaxInputLine) {
        line_.clear();
        discardingLine_ = true;
    }
}

namespace {

std::string Printable(std::string_view text) {
    std::string out;
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\r' || c == '\n')
            continue;
        if (u < 32) {
            out += '^';
            out += static_cast<char>(u + 64);
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

void LinkSession::lineComplete(Clock::time_point now) {
    Reply reply = instrument_.handleLine(session_, line_);
    if (options_.trace) {
        options_.trace("<- " + Printable(line_));
        for (const auto& text : reply.lines) {
            for (std::size_t start = 0; start < text.size();) {
                std::size_t end = text.find('\n', start);
                if (end == std::string::npos)
                    end = text.size();
                options_.trace("-> " + Printable(std::string_view(text).substr(start, end - start)));
                start = end + 1;
            }
        }
        if (reply.more)
            options_.trace("-> (records follow)");
    }
    queueReply(std::move(reply), now);
}

// --- output ------------------------------------------------------------------------------------

void LinkSession::queueReply(Reply reply, Clock::time_point now) {
    if (reply.cancel) {
        // Drop what has not gone out yet, except a segment already started.
        while (out_.size() > 1 || (out_.size() == 1 && out_.front().offset == 0))
            out_.pop_back();
        report_.reset();
    }
    if (reply.lines.empty() && !reply.more)
        return;
    if (options_.modem && modemCommandMode_)
        return;
    const bool faults = faulty(now);
    const FaultSettings& f = options_.faults;
    if (faults &&
        (draw(f.dropReply) || (!f.dropAtCommand.empty() &&
                               ToUpper(reply.command).find(ToUpper(f.dropAtCommand)) != std::string::npos))) {
        ++faultsInjected_;
        return;
    }
    replyStart_ = now;
    if (faults && f.delayMs > 0) {
        replyStart_ += std::chrono::milliseconds(f.delayMs);
        ++faultsInjected_;
    }
    if (faults && draw(f.garbage)) {
        std::string junk;
        const int n = 4 + static_cast<int>(random_() % 24);
        for (int i = 0; i < n; ++i) {
            char b = static_cast<char>(random_() % 256);
            if (b == '\n' || b == '\r')
                b = '?';
            junk += b;
        }
        queueLine(junk + "\r\n", false, now);
        ++faultsInjected_;
    }
    const bool cutHere = faults && !f.cutAtCommand.empty() &&
                         ToUpper(reply.command).find(ToUpper(f.cutAtCommand)) != std::string::npos;
    if (cutHere) {
        std::string all;
        for (auto& l : reply.lines)
            all += l;
        std::string line;
        if (reply.more && reply.more->next(line))
            all += line;
        if (reply.more && reply.more->next(line))
            all += line;
        Segment s;
        s.bytes = all.substr(0, std::max<std::size_t>(1, all.size() / 2));
        s.notBefore = replyStart_;
        s.closeAfter = true;
        out_.push_back(std::move(s));
        report_.reset();
        ++faultsInjected_;
        return;
    }
    for (auto& l : reply.lines)
        queueLine(std::move(l), false, now);
    if (reply.more) {
        report_ = std::move(reply.more);
        reportRecords_ = reply.recordLines;
        pullReport(now);
    }
}

void LinkSession::queueLine(std::string line, bool recordLine, Clock::time_point now) {
    if (recordLine && faulty(now) && draw(options_.faults.corruptRecord)) {
        SpoilRecordLine(line);
        ++faultsInjected_;
    }
    Segment s;
    s.bytes = std::move(line);
    s.notBefore = replyStart_;
    out_.push_back(std::move(s));
}

void LinkSession::pullReport(Clock::time_point now) {
    std::string line;
    while (report_ && queuedBytes() < kReportLowWater) {
        if (!report_->next(line)) {
            report_.reset();
            break;
        }
        queueLine(std::move(line), reportRecords_, now);
    }
}

std::string_view LinkSession::writable(Clock::time_point now) {
    if (closeRequested_)
        return {};
    pullReport(now);
    while (!out_.empty() && out_.front().offset >= out_.front().bytes.size())
        out_.pop_front();
    if (out_.empty() || out_.front().notBefore > now)
        return {};
    const Segment& s = out_.front();
    std::size_t n = s.bytes.size() - s.offset;
    if (!faulty(now))
        return std::string_view(s.bytes).substr(s.offset, n);
    if (options_.faults.trickleMs > 0)
        n = 1;
    if (options_.faults.cutAfterBytes > 0) {
        n = std::min<std::size_t>(
            n, static_cast<std::size_t>(std::max(0L, options_.faults.cutAfterBytes - sentTotal_)));
    }
    return std::string_view(s.bytes).substr(s.offset, n);
}

void LinkSession::wrote(std::size_t n, Clock::time_point now) {
    if (out_.empty())
        return;
    Segment& s = out_.front();
    s.offset += n;
    sentTotal_ += static_cast<long>(n);
    const bool faults = faulty(now);
    if (faults && options_.faults.cutAfterBytes > 0 && sentTotal_ >= options_.faults.cutAfterBytes) {
        closeRequested_ = true;
        ++faultsInjected_;
    }
    if (s.offset >= s.bytes.size()) {
        if (s.closeAfter)
            closeRequested_ = true;
        out_.pop_front();
    }
    if (faults && options_.faults.trickleMs > 0) {
        const auto next = now + std::chrono::milliseconds(options_.faults.trickleMs);
        for (auto& seg : out_)
            seg.notBefore = std::max(seg.notBefore, next);
        replyStart_ = std::max(replyStart_, next);
    }
}

LinkSession::Clock::time_point LinkSession::nextDeadline() const {
    Clock::time_point t = Clock::time_point::max();
    if (!out_.empty())
        t = std::min(t, out_.front().notBefore);
    if (plusCount_ == 3)
        t = std::min(t, plusTime_ + std::chrono::milliseconds(options_.modemGuardMs));
    t = std::min(t, dialDone_);
    return t;
}

void LinkSession::tick(Clock::time_point now) {
    if (dialDone_ <= now) {
        dialDone_ = Clock::time_point::max();
        modemConnected_ = true;
        modemCommandMode_ = false;
        session_ = InstrumentSession();
        line_.clear();
        modemSay("CONNECT 9600", now);
    }
    if (plusCount_ == 3 && now - plusTime_ >= std::chrono::milliseconds(options_.modemGuardMs)) {
        plusCount_ = 0;
        modemCommandMode_ = true;
        modemLine_.clear();
        modemSay("OK", now);
    }
}

// --- Hayes modem -------------------------------------------------------------------------------

void LinkSession::modemSay(const std::string& text, Clock::time_point now) {
    Segment s;
    s.bytes = "\r\n" + text + "\r\n";
    s.notBefore = now;
    out_.push_back(std::move(s));
}

void LinkSession::modemByte(char c, Clock::time_point now) {
    const auto guard = std::chrono::milliseconds(options_.modemGuardMs);
    if (!modemCommandMode_) {
        // "+++" is an escape only with the guard time of silence before and after it.
        if (c == '+' && plusCount_ < 3 && (plusCount_ > 0 || now - lastByte_ >= guard)) {
            ++plusCount_;
            plusTime_ = now;
            lastByte_ = now;
            return;
        }
        for (; plusCount_ > 0; --plusCount_)
            dataByte('+', now);
        lastByte_ = now;
        dataByte(c, now);
        return;
    }
    lastByte_ = now;
    if (modemEcho_) {
        Segment s;
        s.bytes = std::string(1, c);
        s.notBefore = now;
        out_.push_back(std::move(s));
    }
    if (c == '\r' || c == '\n') {
        if (!modemLine_.empty())
            modemCommand(modemLine_, now);
        modemLine_.clear();
        return;
    }
    if (modemLine_.size() < 256)
        modemLine_ += c;
}

void LinkSession::modemCommand(const std::string& line, Clock::time_point now) {
    std::string cmd;
    for (char c : ToUpper(line))
        if (c != ' ')
            cmd += c;
    if (cmd.rfind("AT", 0) != 0)
        return;
    cmd.erase(0, 2);
    if (dialDone_ != Clock::time_point::max())
        return;  // busy dialling
    if (cmd.rfind("D", 0) == 0) {
        dialDone_ = now + std::chrono::milliseconds(options_.modemConnectMs);
        return;
    }
    if (cmd.rfind("Z", 0) == 0) {
        modemEcho_ = true;
    } else if (cmd.rfind("H", 0) == 0) {
        modemConnected_ = false;
    } else if (cmd == "O") {
        if (!modemConnected_) {
            modemSay("NO CARRIER", now);
            return;
        }
        modemCommandMode_ = false;
        modemSay("CONNECT 9600", now);
        return;
    }
    if (cmd.find("E0") != std::string::npos)
        modemEcho_ = false;
    if (cmd.find("E1") != std::string::npos)
        modemEcho_ = true;
    modemSay("OK", now);
}

}  // namespace talven::sim
