#include "cli/Console.h"

#include <iostream>

#include "foundation/Messages.h"

namespace talven::cli {

namespace {

Console* installed = nullptr;

/// Steps come with every record line; the line is redrawn at most this often.
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

}  // namespace

Console::Console(std::ostream& err, bool terminal, std::size_t width)
    : err_(err), terminal_(terminal), width_(width < 20 ? 20 : width) {}

Console::~Console() {
    std::lock_guard<std::mutex> lock(mutex_);
    EraseLocked();
}

void Console::Message(std::string_view text) {
    std::lock_guard<std::mutex> lock(mutex_);
    EraseLocked();
    err_ << text << "\n";
    err_.flush();
    DrawLocked(true);
}

void Console::SetLabel(NotifyTarget target, std::string label) {
    std::lock_guard<std::mutex> lock(mutex_);
    transfers_[target].label = std::move(label);
}

void Console::SetChannelNames(NotifyTarget target, std::vector<std::string> names) {
    std::lock_guard<std::mutex> lock(mutex_);
    transfers_[target].channels = std::move(names);
}

void Console::SetStatus(NotifyTarget target, std::string status) {
    std::lock_guard<std::mutex> lock(mutex_);
    transfers_[target].nextStatus = std::move(status);
}

void Console::Track(NotifyTarget target, int code, std::uintptr_t wParam, std::intptr_t lParam) {
    if (!terminal_)
        return;
    std::lock_guard<std::mutex> lock(mutex_);
    Transfer& transfer = transfers_[target];
    std::string channelStatus;
    if (code == wm::kRecordsStart && lParam >= 0 &&
        static_cast<std::size_t>(lParam) < transfer.channels.size())
        channelStatus =
            FormatMessage(msg::kDownloadingDataFor, transfer.channels[static_cast<std::size_t>(lParam)]);
    bool force = true;
    switch (code) {
        case wm::kTransferStart:
            transfer.status = transfer.nextStatus;
            transfer.total = wParam;
            transfer.done = 0;
            transfer.running = true;
            break;
        case wm::kRecordsStart:
            transfer.status = channelStatus;
            transfer.total = wParam;
            transfer.done = 0;
            transfer.running = true;
            break;
        case wm::kTransferStep:
            ++transfer.done;
            force = transfer.done == transfer.total;
            break;
        case wm::kDownloadDone:
        case wm::kDownloadFailed:
        case wm::kSendDone:
        case wm::kSendFailed:
        case wm::kRecordsDone:
        case wm::kRecordsFailed:
            transfer.running = false;
            break;
        default:
            return;
    }
    DrawLocked(force);
}

std::string Console::LineLocked() const {
    std::string line;
    for (const auto& [target, transfer] : transfers_) {
        if (!transfer.running)
            continue;
        if (!line.empty())
            line += " | ";
        if (!transfer.label.empty())
            line += transfer.label + ": ";
        line += transfer.status.empty() ? std::string("...") : transfer.status;
        line += " " + std::to_string(transfer.done);
        if (transfer.total > 0)
            line += "/" + std::to_string(transfer.total);
    }
    if (line.size() > width_)
        line = line.substr(0, width_ - 3) + "...";
    return line;
}

void Console::DrawLocked(bool force) {
    if (!terminal_)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - lastDraw_ < kRedrawInterval)
        return;
    lastDraw_ = now;
    const std::string line = LineLocked();
    if (line.empty() && shownLength_ == 0)
        return;
    err_ << '\r' << line;
    if (shownLength_ > line.size())
        err_ << std::string(shownLength_ - line.size(), ' ') << '\r' << line;
    if (line.empty())
        err_ << '\r';
    err_.flush();
    shownLength_ = line.size();
}

void Console::EraseLocked() {
    if (!terminal_ || shownLength_ == 0)
        return;
    err_ << '\r' << std::string(shownLength_, ' ') << '\r';
    err_.flush();
    shownLength_ = 0;
}

Console& CommandConsole() {
    if (installed != nullptr)
        return *installed;
    static Console plain(std::cerr, false);
    return plain;
}

ScopedConsole::ScopedConsole(Console& console) : previous_(installed) {
    installed = &console;
}

ScopedConsole::~ScopedConsole() {
    installed = previous_;
}

}  // namespace talven::cli
