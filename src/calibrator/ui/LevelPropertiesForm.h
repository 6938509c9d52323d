#pragma once
// "Level Properties": the level number (10 to 98), its two status blocks, and what it generates:
// the step-type list (only for instruments whose level table carries actions) with the action's
// text beside it and a button to the action's own properties dialog. The dialog edits a copy;
// OK stores the number, both blocks and the action into the level.

#include <memory>

#include "calibrator/ui/CalibratorForm.h"

namespace talven {

class CLevel;
class CStep;
class ICalibratorInstrument;

class LevelPropertiesForm : public CalibratorForm {
  public:
    LevelPropertiesForm(CLevel& level, ICalibratorInstrument* instrument);
    ~LevelPropertiesForm() override;

    bool IsEnabled(std::string_view key) const override;
    /// "action": opens the action's properties dialog on the copy.
    bool Press(std::string_view key) override;
    /// The action as it will be stored.
    const CStep& Action() const { return *action_; }

  protected:
    void Changed(std::string_view key) override;
    void Store() override;

  private:
    void ShowAction();

    CLevel& level_;
    ICalibratorInstrument* instrument_;
    std::unique_ptr<CStep> action_;
};

}  // namespace talven
