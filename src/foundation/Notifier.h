#pragma once
// Notifications from workers and links to windows. The GUI turns each post into a queued event for
// its target window; tests record them.

#include <cstdint>
#include <mutex>
#include <vector>

namespace talven {

/// An opaque handle naming the window (or presenter) that receives a notification; 0 means none.
using NotifyTarget = std::uintptr_t;

namespace wm {
constexpr int kRequest = 1025;             // a request for a worker
constexpr int kSessionOpenChanged = 1026;  // lParam: the node
constexpr int kConnectionChanged = 1027;   // lParam: the node
constexpr int kConnectionLost = 1028;      // lParam: the link's owner id
constexpr int kTransferStart = 1031;       // wParam: number of steps
constexpr int kTransferStep = 1032;
constexpr int kDownloadDone = 1033;
constexpr int kDownloadFailed = 1034;
constexpr int kSendDone = 1035;
constexpr int kSendFailed = 1036;
constexpr int kDisplayChanged = 1037;
constexpr int kLightStatesChanged = 1038;
constexpr int kLightNamesChanged = 1039;
constexpr int kPanelKind = 1040;     // wParam: panel kind
constexpr int kRecordsStart = 1041;  // wParam: expected records, lParam: the channel's position in the request
constexpr int kRecordsDone = 1042;
constexpr int kRecordsFailed = 1043;
constexpr int kPanelKindFirst = 1044;  // wParam: panel kind
}  // namespace wm

class Notifier {
  public:
    virtual ~Notifier() = default;
    /// May be called from any thread; never blocks on the receiver.
    virtual void Post(NotifyTarget target, int code, std::uintptr_t wParam, std::intptr_t lParam) = 0;
};

/// The notifier in effect (a recorder that keeps nothing until the program installs its own).
Notifier& GetNotifier();
/// Installs the program's notifier; null restores the default. Not thread safe: call at start-up.
void SetNotifier(Notifier* notifier);

/// Keeps every notification, for tests and the command line. Thread safe.
class RecordingNotifier : public Notifier {
  public:
    struct Entry {
        NotifyTarget target;
        int code;
        std::uintptr_t wParam;
        std::intptr_t lParam;
    };
    void Post(NotifyTarget target, int code, std::uintptr_t wParam, std::intptr_t lParam) override;
    std::vector<Entry> entries() const;
    std::vector<int> codes() const;
    void clear();

  private:
    mutable std::mutex mutex_;
    std::vector<Entry> entries_;
};

/// Installs a notifier for the lifetime of the scope (tests).
class ScopedNotifier {
  public:
    explicit ScopedNotifier(Notifier* notifier) { SetNotifier(notifier); }
    ~ScopedNotifier() { SetNotifier(nullptr); }
    ScopedNotifier(const ScopedNotifier&) = delete;
    ScopedNotifier& operator=(const ScopedNotifier&) = delete;
};

}  // namespace talven
