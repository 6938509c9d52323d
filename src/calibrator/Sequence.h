#pragma once
// A calibrator sequence: a named, ordered list of steps, optionally started by contact-closure
// inputs or a timer and repeated.

#include <cstdint>
#include <memory>
#include <string>

#include "calibrator/BinaryValue.h"
#include "calibrator/Step.h"
#include "foundation/NamedObject.h"

namespace talven {

class ICalibratorInstrument;
class TokenStream;

/// The sequence's settings besides name and steps, as the properties dialog edits them.
struct SequenceSettings {
    BinaryValue ccInputs{0, false, false};   // 12 bits
    BinaryValue ccOutputs{0, false, false};  // 12 bits
    std::uint32_t timerStart = 0;            // seconds count of a date-time
    std::uint32_t timerPeriod = 86400;       // seconds
    std::uint32_t repeatCount = 1;           // 0 = until halted, n = n times, at most 100
    bool timerEnabled = false;
    bool operator==(const SequenceSettings&) const = default;
};

class CSequence : public CNamedObject {
  public:
    static constexpr std::uint32_t kSchema = 1;
    static constexpr std::size_t kMaxSteps = 100;
    static constexpr std::uint32_t kMaxRepeatCount = 100;

    /// As the archive makes it before loading: both contact-closure values most significant first.
    CSequence();
    /// For the user or the script reader: named "NONE", timer start 1 January of the current year,
    /// contact-closure values with the first digit = number 1.
    explicit CSequence(ICalibratorInstrument* instrument);
    CSequence(const CSequence& other);
    ~CSequence() override;

    const char* GetRuntimeClass() const override { return "CSequence"; }
    void Serialize(ObjectArchive& ar) override;
    /// Copies all fields and clones every step; the copies belong to the new sequence.
    std::unique_ptr<CNamedObject> Clone() const override;
    std::unique_ptr<CSequence> CloneSequence() const;

    /// Opens the sequence properties dialog through the installed editor; true on OK.
    bool EditProperties();
    /// Display form: "NAME, n STEPS[, RUN ...]". Script form: the SEQBEGIN ... SEQEND block.
    std::string GetText(unsigned flags) const;
    /// Reads one SEQBEGIN ... SEQEND block; called with SEQBEGIN current.
    bool ReadScript(TokenStream& ts);

    ICalibratorInstrument* GetInstrument() const;
    void SetInstrument(ICalibratorInstrument* instrument);
    SequenceSettings GetSettings() const;
    void SetSettings(const SequenceSettings& settings);
    bool IsExpanded() const;
    void SetExpanded(bool expanded);

    std::size_t GetStepCount() const;
    CStep* GetStep(std::size_t index) const;
    /// True while fewer than kMaxSteps steps are held (the new-step commands test it).
    bool CanAddStep() const;
    /// Appends (or inserts) the step and makes this sequence its owner.
    void AppendStep(std::unique_ptr<CStep> step);
    void InsertStep(std::size_t index, std::unique_ptr<CStep> step);
    std::unique_ptr<CStep> RemoveStep(const CStep* step);
    /// Moves the step one place up or down; false at the end of the list.
    bool MoveStep(const CStep* step, int direction);
    void DeleteAllSteps();
    std::size_t IndexOfStep(const CStep* step) const;

  private:
    bool ReadTimerStart(TokenStream& ts, SequenceSettings& settings);
    bool ReadTimerDelta(TokenStream& ts, SequenceSettings& settings);
    bool ReadSteps(TokenStream& ts);

    ICalibratorInstrument* instrument_ = nullptr;
    CNamedObjectList steps_;  // CStep elements
    SequenceSettings settings_;
    bool expanded_ = false;
};

/// Time start used for new sequences: 1 January of the current year, 00:00.
std::uint32_t DefaultTimerStart();

}  // namespace talven
