#include "calibrator/ui/CalibratorForm.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "calibrator/GasUnitDesc.h"
#include "calibrator/Sequence.h"
#include "calibrator/Step.h"
#include "calibrator/ui/CalibratorWindowMessages.h"
#include "calibrator/ui/SequencePropertiesForm.h"
#include "calibrator/ui/StepForms.h"
#include "foundation/AssertionException.h"
#include "foundation/Messages.h"
#include "foundation/UserPrompt.h"

namespace talven {

namespace {

FormRunner* g_runner = nullptr;

/// The model's EditProperties, answered with the forms.
class FormEditor : public CalibratorEditor {
  public:
    bool EditStep(CStep& step, ICalibratorInstrument* instrument) override {
        std::unique_ptr<CalibratorForm> form = MakeStepForm(step, instrument);
        return form != nullptr && RunForm(*form);
    }
    bool EditSequence(CSequence& sequence) override {
        SequencePropertiesForm form(sequence);
        return RunForm(form);
    }
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

const FormField* CalibratorForm::Field(std::string_view key) const {
    for (const FormField& field : fields_) {
        if (field.key == key)
            return &field;
    }
    return nullptr;
}

std::size_t CalibratorForm::IndexOf(std::string_view key) const {
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        if (fields_[i].key == key)
            return i;
    }
    throw AssertionException("CalibratorForm", __LINE__);
}

const FieldValue& CalibratorForm::Value(std::string_view key) const {
    return values_[IndexOf(key)];
}

FieldValue& CalibratorForm::MutableValue(std::string_view key) {
    return values_[IndexOf(key)];
}

void CalibratorForm::SetText(std::string_view key, std::string text) {
    const FormField& field = fields_[IndexOf(key)];
    if (field.maxLength > 0 && text.size() > field.maxLength)
        text.resize(field.maxLength);
    MutableValue(key).text = std::move(text);
    Changed(key);
}

void CalibratorForm::SetChoice(std::string_view key, std::uint32_t id) {
    MutableValue(key).choice = id;
    Changed(key);
}

void CalibratorForm::SetChecked(std::string_view key, bool checked) {
    MutableValue(key).checked = checked;
    Changed(key);
}

void CalibratorForm::SetBits(std::string_view key, const BinaryValue& bits) {
    FieldValue& value = MutableValue(key);
    const bool msbFirst = value.bits.msbFirst;
    value.bits = bits;
    value.bits.msbFirst = msbFirst;  // the digit order belongs to the value, not to the dialog
    Changed(key);
}

void CalibratorForm::SetDate(std::string_view key, const DateParts& date) {
    MutableValue(key).date = date;
    Changed(key);
}

bool CalibratorForm::IsEnabled(std::string_view key) const {
    const FormField* field = Field(key);
    if (field == nullptr || field->enabledBy.empty())
        return field != nullptr;
    const FormField* by = Field(field->enabledBy);
    if (by == nullptr || !IsEnabled(by->key))
        return false;
    const FieldValue& value = Value(by->key);
    switch (by->kind) {
        case FieldKind::Check:
            return value.checked;
        case FieldKind::Bits:
            return value.bits.enabled;
        case FieldKind::Choice:
            return field->enabledChoice ? value.choice == *field->enabledChoice : value.choice != 0;
        default:
            return true;
    }
}

std::string CalibratorForm::SuffixOf(std::string_view key) const {
    const FormField* field = Field(key);
    return field != nullptr ? field->suffix : std::string();
}

FormField& CalibratorForm::AddField(FormField field, FieldValue initial) {
    TALVEN_ASSERT(Field(field.key) == nullptr, "CalibratorForm");
    fields_.push_back(std::move(field));
    values_.push_back(std::move(initial));
    return fields_.back();
}

double CalibratorForm::Number(std::string_view key) const {
    const FormField& field = fields_[IndexOf(key)];
    double value = 0.0;
    ParseFormNumber(Value(key).text, field.decimals == 0, value);
    return value;
}

bool CalibratorForm::CheckNumbers(std::string& focus) {
    for (const FormField& field : fields_) {
        if (field.kind != FieldKind::Number || !IsEnabled(field.key))
            continue;
        double value = 0.0;
        const bool integer = field.decimals == 0;
        if (ParseFormNumber(Value(field.key).text, integer, value) && value >= field.min &&
            value <= field.max)
            continue;
        focus = field.key;
        const std::string min = FormNumberText(field.min, field.decimals);
        const std::string max = FormNumberText(field.max, field.decimals);
        GetUserPrompt().MessageBox(
            FormatMessage(integer ? calwin::kIntegerRange : calwin::kNumberRange, min, max),
            std::string(MessageText(msg::kCaptionError)), mb::kOk | mb::kIconWarning);
        return false;
    }
    return true;
}

bool CalibratorForm::Accept(std::string* focus) {
    std::string where;
    if (!CheckNumbers(where)) {
        if (focus != nullptr)
            *focus = where;
        return false;
    }
    if (const int message = Check(where); message != 0) {
        GetUserPrompt().MessageBox(FormatMessage(message), std::string(MessageText(msg::kCaptionError)),
                                   mb::kOk | mb::kIconWarning);
        if (focus != nullptr)
            *focus = where;
        return false;
    }
    Store();
    return true;
}

std::string FormNumberText(double value, int maxDecimals) {
    float wanted = 0.0f;
    if (!ToFiniteFloat(value, wanted))
        return FixedText(value, maxDecimals);
    for (int decimals = 0; decimals < maxDecimals; ++decimals) {
        const std::string text = FixedText(value, decimals);
        if (static_cast<float>(std::strtod(text.c_str(), nullptr)) == wanted)
            return text;
    }
    return FixedText(value, maxDecimals);
}

bool ParseFormNumber(std::string_view text, bool integer, double& value) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    if (begin == end)
        return false;
    const std::string digits(text.substr(begin, end - begin));
    // Plain decimal notation only: no exponents, hexadecimal forms, "inf" or "nan".
    for (char c : digits) {
        if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+'))
            return false;
        if (integer && c == '.')
            return false;
    }
    errno = 0;
    char* stop = nullptr;
    const double read = std::strtod(digits.c_str(), &stop);
    if (stop != digits.c_str() + digits.size() || errno == ERANGE || !std::isfinite(read))
        return false;
    value = read;
    return true;
}

int BitOfBox(const FormField& field, int box) {
    return field.msbFirst ? field.width - 1 - box : box;
}

void SetFormRunner(FormRunner* runner) {
    static FormEditor editor;
    g_runner = runner;
    SetCalibratorEditor(runner != nullptr ? &editor : nullptr);
}

FormRunner* GetFormRunner() {
    return g_runner;
}

bool RunForm(CalibratorForm& form) {
    return g_runner != nullptr && g_runner->Run(form);
}

}  // namespace talven
