#include "foundation/UserPrompt.h"

#include <atomic>
#include <cassert>
#include <cstdio>
#include <thread>

namespace talven {

namespace {

// Without a user to ask, the default button answers and file dialogs are cancelled; the message
// still reaches standard error so nothing is silently lost.
class UnattendedPrompt : public UserPrompt {
  public:
    int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        return DefaultAnswer(flags);
    }
    std::optional<std::string> OpenFile(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::string> SaveFile(const FileDialogRequest&) override { return std::nullopt; }
};

UnattendedPrompt gUnattended;
std::atomic<UserPrompt*> gPrompt{nullptr};
// The thread that installed the prompt: the only one that may ask the user through it.
std::atomic<std::thread::id> gOwner{};

}  // namespace

int DefaultAnswer(unsigned flags) {
    const unsigned buttons = flags & 0xF;
    const bool second = (flags & mb::kDefaultButton2) != 0;
    const bool third = (flags & mb::kDefaultButton3) != 0;
    switch (buttons) {
        case mb::kOkCancel:
            return second ? mb::kIdCancel : mb::kIdOk;
        case mb::kYesNoCancel:
            return third ? mb::kIdCancel : (second ? mb::kIdNo : mb::kIdYes);
        case mb::kYesNo:
            return second ? mb::kIdNo : mb::kIdYes;
        default:
            return mb::kIdOk;
    }
}

UserPrompt& GetUserPrompt() {
    UserPrompt* p = gPrompt.load(std::memory_order_acquire);
    // Workers and collectors hand their failures back as text; asking from them would block a
    // worker on a dialog or reach a window from the wrong thread.
    assert((p == nullptr || std::this_thread::get_id() == gOwner.load()) &&
           "the user is asked only from the thread that installed the prompt");
    return p ? *p : gUnattended;
}

void SetUserPrompt(UserPrompt* prompt) {
    gOwner.store(prompt ? std::this_thread::get_id() : std::thread::id());
    gPrompt.store(prompt, std::memory_order_release);
}

void ScriptedPrompt::QueueAnswer(int answer) {
    std::lock_guard<std::mutex> lock(mutex_);
    answers_.push_back(answer);
}

void ScriptedPrompt::QueueFile(std::optional<std::string> path) {
    std::lock_guard<std::mutex> lock(mutex_);
    files_.push_back(std::move(path));
}

int ScriptedPrompt::MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
    std::lock_guard<std::mutex> lock(mutex_);
    asked_.push_back({text, caption, flags});
    if (answers_.empty())
        return DefaultAnswer(flags);
    const int answer = answers_.front();
    answers_.pop_front();
    return answer;
}

std::optional<std::string> ScriptedPrompt::NextFile(const FileDialogRequest& request) {
    std::lock_guard<std::mutex> lock(mutex_);
    fileRequests_.push_back(request);
    if (files_.empty())
        return std::nullopt;
    auto path = files_.front();
    files_.pop_front();
    return path;
}

std::optional<std::string> ScriptedPrompt::OpenFile(const FileDialogRequest& request) {
    return NextFile(request);
}
std::optional<std::string> ScriptedPrompt::SaveFile(const FileDialogRequest& request) {
    return NextFile(request);
}

std::vector<ScriptedPrompt::Asked> ScriptedPrompt::asked() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return asked_;
}

std::vector<FileDialogRequest> ScriptedPrompt::fileRequests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return fileRequests_;
}

}  // namespace talven
