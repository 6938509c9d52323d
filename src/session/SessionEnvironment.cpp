#include "session/SessionEnvironment.h"

#include <algorithm>
#include <atomic>
#include <vector>

#include "foundation/DataLock.h"

namespace talven {

namespace {

SessionOptions g_options;
NotifyTarget g_mainWindow = 0;
FrontPanelHost* g_frontPanelHost = nullptr;
std::vector<SessionObserver*> g_observers;

}  // namespace

void SetSessionOptions(const SessionOptions& options) {
    DataGuard guard;
    g_options = options;
}

SessionOptions GetSessionOptions() {
    DataGuard guard;
    return g_options;
}

void SetSessionMainWindow(NotifyTarget target) {
    DataGuard guard;
    g_mainWindow = target;
}

NotifyTarget GetSessionMainWindow() {
    DataGuard guard;
    return g_mainWindow;
}

void SetFrontPanelHost(FrontPanelHost* host) {
    DataGuard guard;
    g_frontPanelHost = host;
}

FrontPanelHost* GetFrontPanelHost() {
    DataGuard guard;
    return g_frontPanelHost;
}

void AddSessionObserver(SessionObserver* observer) {
    DataGuard guard;
    if (observer != nullptr &&
        std::find(g_observers.begin(), g_observers.end(), observer) == g_observers.end())
        g_observers.push_back(observer);
}

void RemoveSessionObserver(SessionObserver* observer) {
    DataGuard guard;
    g_observers.erase(std::remove(g_observers.begin(), g_observers.end(), observer), g_observers.end());
}

namespace detail {

std::vector<SessionObserver*> SessionObserversLocked() {
    return g_observers;
}

std::atomic<int>& OpenSessionCounter() {
    static std::atomic<int> count{0};
    return count;
}

}  // namespace detail

int GetOpenSessionCount() {
    return detail::OpenSessionCounter().load();
}

}  // namespace talven
