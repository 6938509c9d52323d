#include "foundation/Log.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

namespace talven {

namespace {
std::atomic<LogSink*> gSink{nullptr};
std::atomic<bool> gNameSources{false};
thread_local std::string tSource;
}  // namespace

void SetThreadLogSource(std::string name) {
    tSource = std::move(name);
}

void SetLogNamesSources(bool on) {
    gNameSources.store(on, std::memory_order_release);
}

void Log(int category, std::string_view given) {
    std::string named;
    std::string_view text = given;
    if (!tSource.empty() && gNameSources.load(std::memory_order_acquire)) {
        named = tSource + ": ";
        named += given;
        text = named;
    }
    LogSink* sink = gSink.load(std::memory_order_acquire);
    if (sink != nullptr) {
        sink->Log(category, text);
    } else {
        DebugOutput(std::string(text) + "\r\n");
    }
}

void SetLogSink(LogSink* sink) {
    gSink.store(sink, std::memory_order_release);
}

void DebugOutput(std::string_view line) {
    static const bool enabled = std::getenv("TALVEN_DEBUG") != nullptr;
    if (!enabled)
        return;
    static std::mutex mutex;
    std::lock_guard<std::mutex> lock(mutex);
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

}  // namespace talven
