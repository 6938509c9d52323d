#include "calibrator/ui/SequencePropertiesForm.h"

#include "calibrator/CalibratorMessages.h"
#include "calibrator/Sequence.h"
#include "calibrator/SequenceRules.h"
#include "calibrator/ui/CalibratorWindowMessages.h"
#include "foundation/DataLock.h"
#include "foundation/DateTime.h"
#include "foundation/Messages.h"

namespace talven {

namespace {

constexpr std::uint32_t kSecondsPerMinute = 60;
constexpr std::uint32_t kMaxHours = 23;
constexpr std::uint32_t kMaxMinutes = 59;

std::string Text(int id) {
    return std::string(MessageText(id));
}

FormField IntegerField(const char* key, int label, double max, const std::string& group) {
    FormField f;
    f.key = key;
    f.label = Text(label);
    f.kind = FieldKind::Number;
    f.max = max;
    f.group = group;
    return f;
}

FieldValue Integer(std::uint32_t value) {
    FieldValue v;
    v.text = std::to_string(value);
    return v;
}

FormField Bits(const char* key, int label, const std::string& group) {
    FormField f;
    f.key = key;
    f.label = Text(label);
    f.kind = FieldKind::Bits;
    f.width = BinaryValue::kContactClosureWidth;
    f.group = group;
    return f;
}

std::uint32_t RunChoiceId(RunChoice choice) {
    return static_cast<std::uint32_t>(choice);
}

}  // namespace

SequencePropertiesForm::SequencePropertiesForm(CSequence& sequence) : sequence_(sequence) {
    SetTitle(Text(calmsg::kSequencePropertiesTitle));
    std::string name;
    SequenceSettings s;
    {
        DataGuard guard;
        name = sequence.GetName();
        s = sequence.GetSettings();
    }
    FormField nameField;
    nameField.key = "name";
    nameField.label = Text(calwin::kName);
    nameField.kind = FieldKind::Text;
    nameField.maxLength = limits::kSequenceNameLength;
    FieldValue nameValue;
    // A longer name read from a script is shown whole: the name rule refuses it until it is edited.
    nameValue.text = name;
    AddField(std::move(nameField), nameValue);

    const std::string repetition = Text(calwin::kGroupRepetition);
    FormField run;
    run.key = "run";
    run.kind = FieldKind::Choice;
    run.style = ChoiceStyle::Radio;
    run.group = repetition;
    run.choices = {{RunChoiceId(RunChoice::Once), Text(calwin::kRunOnce)},
                   {RunChoiceId(RunChoice::Several), Text(calwin::kRunSeveral)},
                   {RunChoiceId(RunChoice::UntilHalted), Text(calwin::kRunUntilHalted)}};
    FieldValue runValue;
    runValue.choice = RunChoiceId(RunChoiceOf(s.repeatCount));
    AddField(std::move(run), runValue);
    FormField count = IntegerField("count", calwin::kRepeatCount, limits::kMaxRepeatCount, repetition);
    count.enabledBy = "run";
    count.enabledChoice = RunChoiceId(RunChoice::Several);
    AddField(std::move(count), Integer(RunChoiceOf(s.repeatCount) == RunChoice::Several ? s.repeatCount : 2));

    const std::string timer = Text(calwin::kGroupTimer);
    FormField enable;
    enable.key = "timer";
    enable.label = Text(calwin::kEnableTimer);
    enable.kind = FieldKind::Check;
    enable.group = timer;
    FieldValue enabled;
    enabled.checked = s.timerEnabled;
    AddField(std::move(enable), enabled);
    FormField start;
    start.key = "start";
    start.label = Text(calwin::kTimerStart);
    start.kind = FieldKind::DateTime;
    start.group = timer;
    const DateTime when = DateTime::FromSeconds(s.timerStart);
    FieldValue startValue;
    startValue.date = {when.year(), when.month(), when.day(), when.hour(), when.minute()};
    AddField(std::move(start), startValue);
    const TimeSpan period = TimeSpan::FromSeconds(s.timerPeriod);
    AddField(IntegerField("days", calwin::kPeriodDays, limits::kMaxPeriodDays, timer), Integer(period.days));
    AddField(IntegerField("hours", calwin::kPeriodHours, kMaxHours, timer), Integer(period.hours));
    AddField(IntegerField("minutes", calwin::kPeriodMinutes, kMaxMinutes, timer), Integer(period.minutes));

    const std::string closures = Text(calwin::kGroupContactClosures);
    FieldValue inputs;
    inputs.bits = s.ccInputs;
    AddField(Bits("ccInputs", calwin::kCCInputsBits, closures), inputs);
    FieldValue outputs;
    outputs.bits = s.ccOutputs;
    AddField(Bits("ccOutputs", calwin::kCCOutputsBits, closures), outputs);
}

int SequencePropertiesForm::Check(std::string& focus) {
    const auto days = static_cast<std::uint32_t>(Number("days"));
    const auto hours = static_cast<std::uint32_t>(Number("hours"));
    const auto minutes = static_cast<std::uint32_t>(Number("minutes"));
    const int message = CheckSequenceProperties(sequence_.GetInstrument(), &sequence_, Value("name").text,
                                                days, hours, minutes);
    if (message != 0) {
        focus = message == calmsg::kInvalidSequenceName ? "name" : "days";
        return message;
    }
    const DateParts& d = Value("start").date;
    if (!DateTime::FromElements(d.year, d.month, d.day, d.hour, d.minute, 0).valid()) {
        focus = "start";
        return calwin::kInvalidTimerStart;
    }
    return 0;
}

void SequencePropertiesForm::Store() {
    const DateParts& d = Value("start").date;
    SequenceSettings s;
    {
        DataGuard guard;
        s = sequence_.GetSettings();
    }
    const auto choice = static_cast<RunChoice>(Value("run").choice);
    const auto count = choice == RunChoice::Several ? static_cast<std::uint32_t>(Number("count")) : 0u;
    s.repeatCount = RepeatCountFor(choice, count);
    s.timerEnabled = Value("timer").checked;
    s.timerStart = DateTime::FromElements(d.year, d.month, d.day, d.hour, d.minute, 0).seconds();
    s.timerPeriod =
        ((static_cast<std::uint32_t>(Number("days")) * 24 + static_cast<std::uint32_t>(Number("hours"))) *
             kSecondsPerMinute +
         static_cast<std::uint32_t>(Number("minutes"))) *
        kSecondsPerMinute;
    s.ccInputs = Value("ccInputs").bits;
    s.ccOutputs = Value("ccOutputs").bits;
    DataGuard guard;
    sequence_.SetName(Value("name").text);
    sequence_.SetSettings(s);
}

}  // namespace talven
