#include "cli/Confirmation.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <iostream>
#include <string>

#include "cli/CliMessages.h"
#include "foundation/Messages.h"

namespace talven::cli {

namespace {

bool g_overridden = false;
std::istream* g_terminal = nullptr;

std::istream* Terminal() {
    return g_overridden ? g_terminal : (isatty(STDIN_FILENO) ? &std::cin : nullptr);
}

}  // namespace

bool CanConfirm(bool yesGiven, std::ostream& err) {
    if (yesGiven || Terminal() != nullptr)
        return true;
    err << FormatMessage(msg::kCliPassYes) << "\n";
    return false;
}

ConfirmResult AskConfirmation(int questionId, std::ostream& err) {
    std::istream* in = Terminal();
    if (in == nullptr)
        return ConfirmResult::kNoTerminal;
    err << FormatMessage(questionId) << FormatMessage(msg::kCliYesNoSuffix) << std::flush;
    std::string answer;
    if (!std::getline(*in, answer))
        return ConfirmResult::kNo;
    std::transform(answer.begin(), answer.end(), answer.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return answer == "y" || answer == "yes" ? ConfirmResult::kYes : ConfirmResult::kNo;
}

bool ConfirmSend(bool yesGiven, int questionId, std::ostream& err) {
    if (yesGiven)
        return true;
    switch (AskConfirmation(questionId, err)) {
        case ConfirmResult::kNoTerminal:
            err << FormatMessage(msg::kCliPassYes) << "\n";
            return false;
        case ConfirmResult::kNo:
            err << FormatMessage(msg::kCliNotSent) << "\n";
            return false;
        case ConfirmResult::kYes:
            break;
    }
    return true;
}

ScopedConfirmationInput::ScopedConfirmationInput(std::istream* terminal) {
    g_overridden = true;
    g_terminal = terminal;
}

ScopedConfirmationInput::~ScopedConfirmationInput() {
    g_overridden = false;
    g_terminal = nullptr;
}

}  // namespace talven::cli
