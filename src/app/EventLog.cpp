#include "app/EventLog.h"

#include "foundation/DataLock.h"
#include "foundation/EString.h"
#include "foundation/Messages.h"
#include "foundation/UserPrompt.h"

namespace talven {

namespace {
constexpr const char* kCategoryTexts[] = {"Misc", "Status", "Command", "Response", "Error"};
int NormalCategory(int category) {
    return category >= kLogMisc && category <= kLogError ? category : kLogMisc;
}
}  // namespace

EventLog::EventLog() : clock_([] { return DateTime::Now(); }) {}

EventLog::~EventLog() {
    DataGuard guard;
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
}

void EventLog::SetSettings(const EventLogSettings& settings) {
    DataGuard guard;
    settings_ = settings;
}

void EventLog::SetClock(Clock clock) {
    DataGuard guard;
    clock_ = std::move(clock);
}

const char* EventLog::CategoryText(int category) {
    return kCategoryTexts[NormalCategory(category)];
}

std::string EventLog::FormatLine(const DateTime& when, std::string_view dateFormat, int category,
                                 std::string_view text) {
    std::string category12 = CategoryText(category);
    category12.resize(12, ' ');
    return when.Format(dateFormat) + ",  " + category12 + ",  " + Escape(text) + "\r\n";
}

bool EventLog::Passes(int category) const {
    switch (NormalCategory(category)) {
        case kLogCommand:
            return settings_.logCommands;
        case kLogResponse:
            return settings_.logResponses;
        case kLogError:
            return settings_.logErrors;
        default:
            return settings_.logCommands || settings_.logResponses || settings_.logErrors;
    }
}

void EventLog::Log(int category, std::string_view text) {
    DataGuard guard;
    if (Passes(category))
        WriteLine(category, text);
}

void EventLog::WriteLine(int category, std::string_view text) {
    DataGuard guard;
    const std::string line = FormatLine(clock_(), settings_.dateFormat, category, text);
    if (file_) {
        std::fwrite(line.data(), 1, line.size(), file_);
        std::fflush(file_);
    }
    DebugOutput(line);
}

bool EventLog::OpenLog() {
    std::string failedName;
    {
        DataGuard guard;
        CloseLog();
        const bool any = settings_.logCommands || settings_.logResponses || settings_.logErrors;
        if (!any || settings_.fileName.empty())
            return true;
        // Append mode: an existing log grows and is never emptied.
        file_ = std::fopen(settings_.fileName.c_str(), "a+b");
        if (file_) {
            WriteLine(kLogStatus, MessageText(msg::kLogFileOpened));
            return true;
        }
        failedName = settings_.fileName;
    }
    // Asked without the data lock, so workers are not held up while the user reads.
    GetUserPrompt().MessageBox(FormatMessage(msg::kUnableToOpenLog, failedName),
                               FormatMessage(msg::kCaptionError), mb::kOk | mb::kIconWarning);
    return false;
}

void EventLog::CloseLog() {
    DataGuard guard;
    if (!file_)
        return;
    WriteLine(kLogStatus, MessageText(msg::kLogFileClosed));
    std::fclose(file_);
    file_ = nullptr;
}

bool EventLog::IsOpen() const {
    DataGuard guard;
    return file_ != nullptr;
}

}  // namespace talven
