#include "calibrator/ui/LevelPropertiesForm.h"

#include "calibrator/CalibratorMessages.h"
#include "calibrator/Level.h"
#include "calibrator/Step.h"
#include "calibrator/ui/CalibratorWindowMessages.h"
#include "foundation/DataLock.h"
#include "foundation/Messages.h"

namespace talven {

namespace {

std::string Text(int id) {
    return std::string(MessageText(id));
}

FormField Block(const char* key, int label) {
    FormField f;
    f.key = key;
    f.label = Text(label);
    f.kind = FieldKind::Bits;
    f.width = BinaryValue::kStatusBlockWidth;
    f.msbFirst = true;
    return f;
}

}  // namespace

LevelPropertiesForm::LevelPropertiesForm(CLevel& level, ICalibratorInstrument* instrument)
    : level_(level), instrument_(instrument) {
    SetTitle(Text(calmsg::kLevelPropertiesTitle));
    FieldValue number;
    FieldValue blocks[2];
    {
        DataGuard guard;
        number.text = std::to_string(level.GetNumber());
        blocks[0].bits = level.GetBlock(0);
        blocks[1].bits = level.GetBlock(1);
        action_ =
            level.GetAction() != nullptr ? level.GetAction()->CloneStep() : CreateStep(StepKind::Generate);
    }
    if (!IsLevelActionKind(action_->Kind()))
        action_ = CreateStep(StepKind::Generate);
    action_->SetSequence(nullptr);
    action_->SetOwningInstrument(instrument);

    FormField numberField;
    numberField.key = "number";
    numberField.label = Text(calwin::kLevelNumber);
    numberField.kind = FieldKind::Number;
    numberField.min = CLevel::kMinNumber;
    numberField.max = CLevel::kMaxDialogNumber;
    AddField(std::move(numberField), number);
    AddField(Block("block1", calwin::kStatusBlock1), blocks[0]);
    AddField(Block("block2", calwin::kStatusBlock2), blocks[1]);

    const std::string group = Text(calwin::kGroupAction);
    FormField kind;
    kind.key = "kind";
    kind.label = Text(calwin::kStepType);
    kind.kind = FieldKind::Choice;
    kind.group = group;
    for (StepKind k : LevelActionKinds())
        kind.choices.push_back({static_cast<std::uint32_t>(k), StepTypeName(k)});
    FieldValue chosen;
    chosen.choice = static_cast<std::uint32_t>(action_->Kind());
    AddField(std::move(kind), chosen);
    FormField text;
    text.key = "text";
    text.kind = FieldKind::Note;
    text.group = group;
    AddField(std::move(text));
    FormField button;
    button.key = "action";
    button.label = Text(calwin::kLevelProperties);
    button.kind = FieldKind::Button;
    button.group = group;
    AddField(std::move(button));
    ShowAction();
}

LevelPropertiesForm::~LevelPropertiesForm() = default;

bool LevelPropertiesForm::IsEnabled(std::string_view key) const {
    if (key == "kind")
        return CanChooseLevelAction(instrument_);
    return CalibratorForm::IsEnabled(key);
}

bool LevelPropertiesForm::Press(std::string_view key) {
    if (key != "action")
        return false;
    CalibratorEditor* editor = GetCalibratorEditor();
    if (editor == nullptr || !editor->EditStep(*action_, instrument_))
        return false;
    ShowAction();
    return true;
}

void LevelPropertiesForm::Changed(std::string_view key) {
    if (key != "kind")
        return;
    const auto kind = static_cast<StepKind>(Value("kind").choice);
    if (!IsLevelActionKind(kind) || kind == action_->Kind())
        return;
    action_ = CreateStep(kind);
    action_->SetOwningInstrument(instrument_);
    ShowAction();
}

void LevelPropertiesForm::ShowAction() {
    MutableValue("text").text = action_->GetText(0);
}

void LevelPropertiesForm::Store() {
    DataGuard guard;
    level_.SetNumber(static_cast<std::uint32_t>(Number("number")));
    level_.SetBlock(0, Value("block1").bits);
    level_.SetBlock(1, Value("block2").bits);
    level_.SetAction(std::move(action_));
    // The dialog may be confirmed only once; a second Store keeps the level's action.
    action_ = level_.GetAction()->CloneStep();
}

}  // namespace talven
