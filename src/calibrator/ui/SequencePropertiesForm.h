#pragma once
// "Sequence Properties": the name, how often the sequence runs, its automatic timer and its
// contact closures. OK checks the limits, then the name and the timer period, and only then stores.

#include "calibrator/ui/CalibratorForm.h"

namespace talven {

class CSequence;

class SequencePropertiesForm : public CalibratorForm {
  public:
    /// The sequence may be one not yet in its instrument's list (a new sequence): its name must
    /// then differ from every sequence of the list.
    explicit SequencePropertiesForm(CSequence& sequence);

  protected:
    int Check(std::string& focus) override;
    void Store() override;

  private:
    CSequence& sequence_;
};

}  // namespace talven
