#pragma once
// Standard error of a talvenctl command. Messages may come from several threads at once (collect
// works instruments in parallel); on a terminal a progress line below them shows the transfers
// under way, redrawn in place with carriage returns.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Notifier.h"

namespace talven::cli {

class Console {
  public:
    /// terminal: err is a terminal, so the progress line is drawn; width: the line's longest text.
    Console(std::ostream& err, bool terminal, std::size_t width = 79);
    /// Clears the progress line.
    ~Console();
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    /// One line of text, written above the progress line. Any thread.
    void Message(std::string_view text);
    /// What the transfers of target belong to (an instrument's name), shown before them.
    void SetLabel(NotifyTarget target, std::string label);
    /// The status shown for the next step-counted transfer of target (1031), as its window's
    /// status text.
    void SetStatus(NotifyTarget target, std::string status);
    /// The channels of the record request of target, in the order its 1041 positions count.
    void SetChannelNames(NotifyTarget target, std::vector<std::string> names);
    /// Follows a transfer notification of target: 1031 starts a count of wParam steps, 1041 a
    /// channel download of wParam records, 1032 is one step, an end notification takes the target
    /// off the line. Any thread; must not be called with the console's own lock held.
    void Track(NotifyTarget target, int code, std::uintptr_t wParam, std::intptr_t lParam);

    bool terminal() const { return terminal_; }

  private:
    struct Transfer {
        std::vector<std::string> channels;
        std::string label;
        std::string status;
        std::string nextStatus;
        std::size_t done = 0;
        std::size_t total = 0;
        bool running = false;
    };
    std::string LineLocked() const;
    void DrawLocked(bool force);
    void EraseLocked();

    std::mutex mutex_;
    std::ostream& err_;
    const bool terminal_;
    const std::size_t width_;
    std::map<NotifyTarget, Transfer> transfers_;
    std::size_t shownLength_ = 0;
    std::chrono::steady_clock::time_point lastDraw_{};
};

/// The console of the command being run (installed by RunTalvenctl; a plain one on standard error
/// otherwise).
Console& CommandConsole();

/// Installs the command's console for the lifetime of the scope.
class ScopedConsole {
  public:
    explicit ScopedConsole(Console& console);
    ~ScopedConsole();
    ScopedConsole(const ScopedConsole&) = delete;
    ScopedConsole& operator=(const ScopedConsole&) = delete;

  private:
    Console* previous_;
};

}  // namespace talven::cli
