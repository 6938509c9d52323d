#pragma once
// How the core asks the user: message boxes and file choices. The GUI answers with dialogs, the
// command line on the terminal, tests with scripted answers.

#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace talven {

namespace mb {
// Buttons
constexpr unsigned kOk = 0x0;
constexpr unsigned kOkCancel = 0x1;
constexpr unsigned kYesNoCancel = 0x3;
constexpr unsigned kYesNo = 0x4;
// Icons
constexpr unsigned kIconError = 0x10;
constexpr unsigned kIconQuestion = 0x20;
constexpr unsigned kIconWarning = 0x30;  // exclamation
constexpr unsigned kIconInformation = 0x40;
// Default button
constexpr unsigned kDefaultButton2 = 0x100;
constexpr unsigned kDefaultButton3 = 0x200;
// Answers
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;
}  // namespace mb

struct FileDialogRequest {
    std::string filter;  // "Description (*.ext)|*.ext|All Files (*.*)|*.*||"
    std::string defaultExtension;
    std::string initialName;
    bool mustExist = false;        // open dialogs
    bool promptOverwrite = false;  // save dialogs
};

class UserPrompt {
  public:
    virtual ~UserPrompt() = default;
    /// Shows text with a caption, brought to the foreground; returns the answer (mb::kId...).
    virtual int MessageBox(const std::string& text, const std::string& caption, unsigned flags) = 0;
    /// The chosen path, or nothing when the user cancelled.
    virtual std::optional<std::string> OpenFile(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> SaveFile(const FileDialogRequest& request) = 0;
};

/// The prompt in effect. The default one answers every question with its default button and
/// cancels file dialogs, and writes each message to standard error. An installed prompt belongs to
/// the thread that installed it (the window thread): only that thread may call this (checked in
/// debug builds). Code that also runs on workers returns a status and its message instead.
UserPrompt& GetUserPrompt();
/// Installs the program's prompt on the calling thread; null restores the default. Not thread
/// safe: call at start-up.
void SetUserPrompt(UserPrompt* prompt);

/// Answers from a script, records every question; a question without a scripted answer gets the
/// default button. Thread safe.
class ScriptedPrompt : public UserPrompt {
  public:
    struct Asked {
        std::string text;
        std::string caption;
        unsigned flags;
    };
    void QueueAnswer(int answer);
    void QueueFile(std::optional<std::string> path);
    int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
    std::optional<std::string> OpenFile(const FileDialogRequest& request) override;
    std::optional<std::string> SaveFile(const FileDialogRequest& request) override;
    std::vector<Asked> asked() const;
    std::vector<FileDialogRequest> fileRequests() const;

  private:
    std::optional<std::string> NextFile(const FileDialogRequest& request);
    mutable std::mutex mutex_;
    std::deque<int> answers_;
    std::deque<std::optional<std::string>> files_;
    std::vector<Asked> asked_;
    std::vector<FileDialogRequest> fileRequests_;
};

/// The answer a message box gives when nobody chooses: its default button.
int DefaultAnswer(unsigned flags);

class ScopedUserPrompt {
  public:
    explicit ScopedUserPrompt(UserPrompt* prompt) { SetUserPrompt(prompt); }
    ~ScopedUserPrompt() { SetUserPrompt(nullptr); }
    ScopedUserPrompt(const ScopedUserPrompt&) = delete;
    ScopedUserPrompt& operator=(const ScopedUserPrompt&) = delete;
};

}  // namespace talven
