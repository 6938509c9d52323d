#pragma once
// The properties dialogs of the step kinds, each described by one row of a table: the kind's
// fields with their limits, how they are filled from the step and how OK stores them back.

#include <memory>

#include "calibrator/Step.h"
#include "calibrator/ui/CalibratorForm.h"

namespace talven {

class ICalibratorInstrument;

/// The step's properties form (title and fields of its kind, filled from the step); null for the
/// kinds without properties (Purge, Standby). OK stores the values into the step under the data
/// lock. The gas and unit lists are those the instrument offers (the value the step holds is kept
/// in the list when the instrument does not offer it, so that confirming changes nothing).
std::unique_ptr<CalibratorForm> MakeStepForm(CStep& step, ICalibratorInstrument* instrument);

/// "Select Step Type": one list, "&Step Type", of the kinds the instrument offers, the first
/// selected. After OK, Chosen() is the kind to create.
class SelectStepTypeForm : public CalibratorForm {
  public:
    explicit SelectStepTypeForm(const ICalibratorInstrument* instrument);
    StepKind Chosen() const { return chosen_; }
    bool IsEmpty() const;

  protected:
    void Store() override;

  private:
    StepKind chosen_ = StepKind::Generate;
};

}  // namespace talven
