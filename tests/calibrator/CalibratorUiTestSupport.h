#pragma once
// Test doubles of the calibrator windows' presenters: dialogs answered from a script, and a link to
// an instrument that keeps the requests posted to it instead of running them.

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "calibrator/ui/CalibratorForm.h"
#include "calibrator/ui/CalibratorWindowPresenter.h"
#include "session/CommInterface.h"

namespace talven::testing {

/// Each dialog run takes the next scripted answer: it edits the form and says whether to press OK
/// (Accept must then pass, or the dialog counts as cancelled). Without an answer left, the dialog
/// is cancelled. Installed for its lifetime.
class ScriptedForms : public FormRunner {
  public:
    using Answer = std::function<bool(CalibratorForm&)>;
    ScriptedForms() { SetFormRunner(this); }
    ~ScriptedForms() override { SetFormRunner(nullptr); }

    void Queue(Answer answer) { answers_.push_back(std::move(answer)); }
    /// OK without changing anything.
    void QueueOk() {
        Queue([](CalibratorForm&) { return true; });
    }
    bool Run(CalibratorForm& form) override {
        titles.push_back(form.Title());
        if (answers_.empty())
            return false;
        Answer answer = std::move(answers_.front());
        answers_.pop_front();
        return answer(form) && form.Accept();
    }

    std::vector<std::string> titles;

  private:
    std::deque<Answer> answers_;
};

/// A link whose requests are kept, not run; refused ones are deleted at once (and report their
/// failure, as the session does).
class HeldLink : public CalibratorLink {
  public:
    bool IsConnected() const override { return connected; }
    CInstrumentConnectedNode* Node() const override { return nullptr; }
    bool Post(std::unique_ptr<CThreadMessage> request) override {
        if (!accept)
            return false;
        posted.push_back(std::move(request));
        return true;
    }
    void NoteActivity() override { ++activity; }

    bool connected = true;
    bool accept = true;
    int activity = 0;
    std::vector<std::unique_ptr<CThreadMessage>> posted;
};

}  // namespace talven::testing
