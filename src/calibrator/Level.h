#pragma once
// The calibrator's table of predefined levels: numbered entries, each naming what to generate (a
// Generate, GPT, GPTZ, GPT Preset or Manual step) and the settings of two 8-bit status blocks.
// A level is written as one line in one of three variants: 0 (number, Generate quantity, blocks),
// 1 (as 0 with the total flow) and 2 (number, the action's step line, blocks).

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "calibrator/BinaryValue.h"
#include "calibrator/CalibratorFiles.h"
#include "calibrator/Step.h"
#include "foundation/NamedObject.h"

namespace talven {

class ICalibratorInstrument;
class CalibratorTransferProgress;
class TokenStream;

/// True for the five kinds a level may generate.
bool IsLevelActionKind(StepKind kind);

class CLevel : public CNamedObject {
  public:
    static constexpr std::uint32_t kSchema = 1;
    static constexpr std::uint32_t kMinNumber = 10;
    static constexpr std::uint32_t kMaxNumber = 99;
    /// The properties dialog accepts 10 to 98.
    static constexpr std::uint32_t kMaxDialogNumber = 98;

    CLevel();
    explicit CLevel(ICalibratorInstrument* instrument);
    /// Clones the action.
    CLevel(const CLevel& other);
    ~CLevel() override;

    const char* GetRuntimeClass() const override { return "CLevel"; }
    void Serialize(ObjectArchive& ar) override;
    std::unique_ptr<CNamedObject> Clone() const override;

    ICalibratorInstrument* GetInstrument() const;
    /// Also makes the instrument the owner of the action.
    void SetInstrument(ICalibratorInstrument* instrument);
    std::uint32_t GetNumber() const;
    void SetNumber(std::uint32_t number);
    /// May be null. Valid while the level holds it; read it under the data lock.
    CStep* GetAction() const;
    /// Replaces (and deletes) the old action; the new one gets the level's instrument.
    void SetAction(std::unique_ptr<CStep> action);
    /// The level properties dialog: a level without an action gets a new Generate step; choosing
    /// another kind in the step-type list replaces the action with a new step of that kind.
    void EnsureAction();
    void ChangeActionKind(StepKind kind);
    BinaryValue GetBlock(int index) const;  // 0 or 1
    void SetBlock(int index, const BinaryValue& block);

    /// The level line in variant 0, 1 or 2; flags as CStep::GetText.
    std::string LineText(int variant, unsigned flags) const;
    /// Reads one level line (the number current). False without an error of its own when the
    /// current token is no level number 10..99, or (variant 2) no action keyword follows: that
    /// is how the end of a list is met. The token after the line is left current.
    bool ReadLevelLine(TokenStream& ts, int variant);
    /// The four columns of the level table window: "%02d", action, status block 1 and 2.
    std::array<std::string, 4> RowTexts() const;

  private:
    ICalibratorInstrument* instrument_ = nullptr;
    std::uint32_t number_ = 10;
    std::unique_ptr<CStep> action_;
    BinaryValue blocks_[2] = {{0, true, true}, {0, true, true}};
};

/// The variant an instrument takes and sends: 2 with "j", 1 with "g", else 0.
int LevelVariantFor(const ICalibratorInstrument& instrument);

/// "leveltablebegin", one line per level (variant 2, script form), "leveltableend".
std::string LevelTableFileText(ICalibratorInstrument& instrument);
/// Reads a level table file (the stream positioned before its first token) into out. True when
/// no error was recorded.
bool ReadLevelTableFile(TokenStream& ts, ICalibratorInstrument* instrument, CNamedObjectList& out);

/// "&Load" after the discard question: on success the table is replaced, on failure emptied; the
/// modified mark is cleared either way.
CalFileResult LoadLevelTableFile(ICalibratorInstrument& instrument, const std::string& path);
/// "&Save": clears the modified mark on success.
CalFileResult SaveLevelTableFile(ICalibratorInstrument& instrument, const std::string& path);
std::string ProposedLevelTableFileName(const ICalibratorInstrument& instrument);

/// What a level table send carries: the opening command argument (sent as a "c" command), one
/// plain line per level (without line end), and the closing plain line (empty: none).
struct LevelSendForm {
    std::string opening;
    std::vector<std::string> lines;
    std::string closing;
};
LevelSendForm MakeLevelSendForm(ICalibratorInstrument& instrument);
/// The argument of the "c" command that asks for the table.
std::string LevelTableRequestArgument(const ICalibratorInstrument& instrument);

/// The reply to the level table request (lines joined), in the instrument's form. The table is
/// replaced only when the whole reply read without error; a failed download keeps the previous
/// table. On success the level table modified mark is cleared.
bool ReadLevelTableDownload(TokenStream& ts, ICalibratorInstrument& instrument, CalibratorTransferProgress* progress);
/// The reply after a level table send: "New level table stored.". Clears the modified mark.
bool ReadLevelSendReply(TokenStream& ts, ICalibratorInstrument& instrument);

/// The first pair of levels (by index) that share a number, in list order; none when all differ.
std::optional<std::pair<std::size_t, std::size_t>> FindDuplicateLevelNumbers(const CNamedObjectList& levels);

/// The action kinds the level properties dialog lists, in order; the list is enabled only when
/// the instrument has the capability "j".
std::vector<StepKind> LevelActionKinds();
bool CanChooseLevelAction(const ICalibratorInstrument* instrument);

}  // namespace talven
