#pragma once
// The calibrator's dialogs described as data: a title and a list of fields (numbers, choices,
// check boxes, bit sets, texts, a date and time, notes and buttons) with the values the dialog
// edits. The window program draws every form with one dialog class; what differs between the
// dialogs (which fields exist, which field enables another, the unit beside a field, the checks
// made on OK and where the values go) is the form's own.
//
// Numbers are edited as text and checked against their limits only on OK: a value read from a
// file or an instrument that lies outside the dialog's limits is shown as it is and refused on OK,
// never quietly clamped.
//
// User-interface thread only.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "calibrator/BinaryValue.h"

namespace talven {

enum class FieldKind { Number, Choice, Check, Bits, Text, DateTime, Note, Button };
/// How a choice is drawn: a drop-down list, one radio button per entry, or an open list.
enum class ChoiceStyle { Combo, Radio, List };

struct FieldChoice {
    std::uint32_t id = 0;
    std::string text;
};

struct FormField {
    std::string key;
    std::string label;  // with its "&" mnemonic; for a button, its caption
    FieldKind kind = FieldKind::Note;
    /// Consecutive fields with the same group share a frame with this title (empty: none).
    std::string group;
    /// The field is enabled only while this field is checked (a check box or a bit set's own box)
    /// or, for a choice, holds enabledChoice (any entry but the first when not given).
    std::string enabledBy;
    std::optional<std::uint32_t> enabledChoice;
    std::string suffix;  // a unit shown after the field

    // Number: limits, and the decimals it may take (0: an integer).
    double min = 0.0;
    double max = 0.0;
    int decimals = 0;
    // Choice
    std::vector<FieldChoice> choices;
    ChoiceStyle style = ChoiceStyle::Combo;
    bool editable = false;  // a combo whose text may also be typed (the value is the text)
    // Bits: the number of boxes, and their order on the screen: box n is bit n-1 from the left, or
    // (msbFirst) the highest bit at the left, as the set's text reads. The value keeps its own
    // digit order.
    int width = 0;
    bool msbFirst = false;
    // Text and editable choices: at most this many characters (0: no limit).
    std::size_t maxLength = 0;
};

/// A calendar date and time to the minute.
struct DateParts {
    int year = 1970;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    bool operator==(const DateParts&) const = default;
};

struct FieldValue {
    std::string text;          // Number, Text, editable Choice, Note
    std::uint32_t choice = 0;  // Choice
    bool checked = false;      // Check
    BinaryValue bits;          // Bits; enabled is the set's own box
    DateParts date;            // DateTime
};

class CalibratorForm {
  public:
    virtual ~CalibratorForm() = default;

    const std::string& Title() const { return title_; }
    const std::vector<FormField>& Fields() const { return fields_; }
    /// Null for a key the form does not have.
    const FormField* Field(std::string_view key) const;
    /// The field's value; an unknown key is an internal error.
    const FieldValue& Value(std::string_view key) const;

    void SetText(std::string_view key, std::string text);
    void SetChoice(std::string_view key, std::uint32_t id);
    void SetChecked(std::string_view key, bool checked);
    void SetBits(std::string_view key, const BinaryValue& bits);
    void SetDate(std::string_view key, const DateParts& date);

    /// Whether the field can be edited now (its enabledBy rule).
    virtual bool IsEnabled(std::string_view key) const;
    /// The text after a field; may follow other fields' values.
    virtual std::string SuffixOf(std::string_view key) const;
    /// A button was pressed; true when values changed and the dialog must redraw them.
    virtual bool Press(std::string_view /*key*/) { return false; }

    /// OK: every enabled number must read as one number within its limits (an integer where it
    /// takes no decimals), then the form's own checks must pass; the first failure is shown (caption
    /// "Error", warning icon), its field named in focus, and nothing is stored. Otherwise the values
    /// are stored and true returned.
    bool Accept(std::string* focus = nullptr);

  protected:
    void SetTitle(std::string title) { title_ = std::move(title); }
    FormField& AddField(FormField field, FieldValue initial = {});
    FieldValue& MutableValue(std::string_view key);
    /// The checked value of a number field (valid inside Check and Store).
    double Number(std::string_view key) const;
    /// Called after a value was set through the setters above.
    virtual void Changed(std::string_view /*key*/) {}
    /// The dialog's own checks after the limits: 0, or the message number to show; focus names the
    /// field to return to.
    virtual int Check(std::string& /*focus*/) { return 0; }
    virtual void Store() = 0;

  private:
    std::size_t IndexOf(std::string_view key) const;
    bool CheckNumbers(std::string& focus);

    std::string title_;
    std::vector<FormField> fields_;
    std::vector<FieldValue> values_;
};

/// A number as a field shows it: the fewest decimals, up to maxDecimals, that read back as the same
/// single-precision value (so a value is never changed by opening and confirming its dialog).
std::string FormNumberText(double value, int maxDecimals = 6);
/// Reads a number field's text: one number, blanks around it allowed. integer: no fraction.
bool ParseFormNumber(std::string_view text, bool integer, double& value);
/// A bit set's boxes as drawn: box i (from the left) shows bit BitOfBox(field, i).
int BitOfBox(const FormField& field, int box);

/// Runs a form as a modal dialog: true when the user confirmed with OK and the form stored its
/// values (the dialog calls Accept and stays open while it fails). The window program installs
/// one; tests install a scripted one.
class FormRunner {
  public:
    virtual ~FormRunner() = default;
    virtual bool Run(CalibratorForm& form) = 0;
};
/// Installs the runner (null: every form is cancelled). Also installs the step and sequence
/// editor that the model's EditProperties reach (it runs their forms through this runner).
void SetFormRunner(FormRunner* runner);
FormRunner* GetFormRunner();
/// Runs the form through the installed runner; false without one.
bool RunForm(CalibratorForm& form);

}  // namespace talven
