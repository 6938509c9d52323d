#include "session/SessionWorker.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

#include "foundation/AssertionException.h"
#include "foundation/DataLock.h"
#include "foundation/Log.h"
#include "foundation/Messages.h"
#include "session/SessionMessages.h"

namespace talven {

/// One thread with its own stop mark and queue.
struct SessionWorker::Thread {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::unique_ptr<CThreadMessage>> queue;
    bool stop = false;
    bool ended = false;
    std::thread thread;

    bool Post(std::unique_ptr<CThreadMessage>& message) {
        std::lock_guard<std::mutex> lock(mutex);
        if (stop || queue.size() >= kMaxQueuedRequests)
            return false;
        queue.push_back(std::move(message));
        wake.notify_one();
        return true;
    }
    /// The next request, or null once stopped.
    std::unique_ptr<CThreadMessage> Next() {
        std::unique_lock<std::mutex> lock(mutex);
        wake.wait(lock, [this] { return stop || !queue.empty(); });
        if (stop)
            return nullptr;
        std::unique_ptr<CThreadMessage> message = std::move(queue.front());
        queue.pop_front();
        return message;
    }
    void Stop() {
        std::lock_guard<std::mutex> lock(mutex);
        stop = true;
        wake.notify_all();
    }
    /// Requests never run are deleted; then the thread counts as ended.
    void Finish() {
        std::deque<std::unique_ptr<CThreadMessage>> left;
        {
            std::lock_guard<std::mutex> lock(mutex);
            left.swap(queue);
        }
        left.clear();
        std::lock_guard<std::mutex> lock(mutex);
        ended = true;
        wake.notify_all();
    }
    void AwaitEnd() {
        std::unique_lock<std::mutex> lock(mutex);
        wake.wait(lock, [this] { return ended; });
    }
    bool HasEnded() {
        std::lock_guard<std::mutex> lock(mutex);
        return ended;
    }
};

SessionWorker::~SessionWorker() {
    StopAndJoinAll();
}

void SessionWorker::StopAndJoinAll() {
    std::vector<std::shared_ptr<Thread>> threads;
    {
        DataGuard guard;
        StopLocked();
        threads.swap(threads_);
    }
    for (auto& t : threads) {
        t->Stop();
        if (t->thread.joinable())
            t->thread.join();
    }
}

void SessionWorker::Run(std::shared_ptr<Thread> thread, std::shared_ptr<Thread> previous, std::string logSource) {
    if (previous)
        previous->AwaitEnd();
    previous.reset();
    SetThreadLogSource(logSource);
    while (std::unique_ptr<CThreadMessage> message = thread->Next()) {
        ExecuteGuarded(*message);
        message.reset();
    }
    thread->Finish();
}

void SessionWorker::ExecuteGuarded(CThreadMessage& message) {
    // An internal inconsistency in one request must not end the program nor the worker: the
    // instrument's later requests still run.
    try {
        message.Execute();
    } catch (const AssertionException& e) {
        Log(kLogError, FormatMessage(msg::kRequestFailed, e.what()));
    } catch (const std::exception& e) {
        Log(kLogError, FormatMessage(msg::kRequestFailed, e.what()));
    }
}

bool SessionWorker::Start(const std::string& logSource) {
    DataGuard guard;
    if (current_)
        return true;
    std::shared_ptr<Thread> previous = threads_.empty() ? nullptr : threads_.back();
    auto thread = std::make_shared<Thread>();
    try {
        thread->thread = std::thread(&SessionWorker::Run, thread, previous, logSource);
    } catch (const std::system_error& e) {
        Log(kLogError, FormatMessage(msg::kRequestFailed, e.what()));
        return false;
    }
    threads_.push_back(thread);
    current_ = thread;
    return true;
}

bool SessionWorker::Post(std::unique_ptr<CThreadMessage> message) {
    if (!message)
        return false;
    std::shared_ptr<Thread> thread;
    {
        DataGuard guard;
        thread = current_;
    }
    // A refused request is deleted here, when message goes out of scope.
    return thread && thread->Post(message);
}

void SessionWorker::StopLocked() {
    if (current_) {
        current_->Stop();
        current_.reset();
    }
}

bool SessionWorker::IsRunning() const {
    DataGuard guard;
    return current_ != nullptr;
}

void SessionWorker::JoinEnded() {
    std::vector<std::shared_ptr<Thread>> ended;
    {
        DataGuard guard;
        for (auto it = threads_.begin(); it != threads_.end();) {
            if ((*it)->HasEnded()) {
                ended.push_back(*it);
                it = threads_.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto& t : ended) {
        if (t->thread.joinable())
            t->thread.join();
    }
}

}  // namespace talven
