#pragma once
// The confirmation question a send asks before it replaces the instrument's configuration: on the
// terminal, or refused when standard input is no terminal and --yes was not given.

#include <istream>
#include <ostream>

namespace talven::cli {

enum class ConfirmResult { kYes, kNo, kNoTerminal };

/// Asks the question (a message number) on err and reads the answer: "y" or "yes" (any letter
/// case) is yes, anything else no.
ConfirmResult AskConfirmation(int questionId, std::ostream& err);

/// Whether the go-ahead can be had at all: --yes given or a terminal to ask on. A send checks it
/// before it connects; false after saying on err that --yes is needed.
bool CanConfirm(bool yesGiven, std::ostream& err);
/// A send's go-ahead: true with --yes given, or when the question is answered yes; otherwise
/// false after saying on err why nothing is sent.
bool ConfirmSend(bool yesGiven, int questionId, std::ostream& err);

/// Makes AskConfirmation read from terminal as if it were one (null: as if there were no
/// terminal) for the lifetime of the scope, instead of standard input.
class ScopedConfirmationInput {
  public:
    explicit ScopedConfirmationInput(std::istream* terminal);
    ~ScopedConfirmationInput();
    ScopedConfirmationInput(const ScopedConfirmationInput&) = delete;
    ScopedConfirmationInput& operator=(const ScopedConfirmationInput&) = delete;
};

}  // namespace talven::cli
