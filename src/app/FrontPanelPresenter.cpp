#include "app/FrontPanelPresenter.h"

#include <algorithm>

#include "app/FrontPanelMessages.h"
#include "foundation/DateTime.h"
#include "foundation/Messages.h"
#include "foundation/Notifier.h"
#include "foundation/UserPrompt.h"
#include "session/Capabilities.h"
#include "session/InstrumentSession.h"

namespace talven {

namespace {

std::string TrimRight(std::string text) {
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

std::string Trim(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : TrimRight(text.substr(first));
}

/// Length of the number text starts with (optional sign, digits with one optional point; at
/// least one digit), or 0.
std::size_t NumberLength(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        ++i;
    std::size_t digits = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            ++digits;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    return digits > 0 ? i : 0;
}

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

}  // namespace

namespace panel {

PanelColour AttributeColour(unsigned char attribute) {
    switch (attribute & 0x07) {
    case 0: return {0, 0, 0};
    case 1: return {245, 0, 0};
    case 7: return {0, 58, 102};
    default: return {0, 122, 228};
    }
}

bool AttributeEmphasis(unsigned char attribute) {
    return (attribute & kEmphasisBit) != 0;
}

bool IsReading(std::string_view text, bool calibrator) {
    if (text.size() < 7)
        return false;
    const std::size_t equals = text.find('=');
    const std::size_t lowest = calibrator ? 1 : 2;
    if (equals == std::string_view::npos || equals < lowest || equals > 4)
        return false;
    std::string_view value = text.substr(equals + 1);
    value.remove_prefix(std::min(value.find_first_not_of(' '), value.size()));
    if (NumberLength(value) > 0 || Contains(value, "XXXX"))
        return true;
    return calibrator && (Contains(value, "OFF") || Contains(value, "ZERO"));
}

}  // namespace panel

/// The attribute bytes of the display's 80 characters: colours from text 2, emphasis from text 3.
/// A text whose length differs from text 1's describes nothing and counts as all kNoAttribute.
struct FrontPanelPresenter::Attributes {
    std::string colour;
    std::string emphasis;

    Attributes(const std::array<std::string, 3>& texts) {
        colour = Fit(texts[1], texts[0].size());
        emphasis = Fit(texts[2], texts[0].size());
    }
    static std::string Fit(const std::string& attributes, std::size_t textLength) {
        std::string out = attributes.size() == textLength ? attributes : std::string();
        out.resize(panel::kDisplayWidth, static_cast<char>(panel::kNoAttribute));
        return out;
    }
    /// A field's text (blanks trimmed) with the colour and emphasis of its first character.
    PanelField FieldOf(const std::string& display, std::size_t start, std::size_t length) const {
        const std::string piece = display.substr(start, length);
        const std::size_t first = piece.find_first_not_of(' ');
        const std::size_t at = start + (first == std::string::npos ? 0 : first);
        return {Trim(piece), panel::AttributeColour(static_cast<unsigned char>(colour[at])),
                panel::AttributeEmphasis(static_cast<unsigned char>(emphasis[at]))};
    }
};

FrontPanelPresenter::FrontPanelPresenter(std::string nodeName, SessionLookup session, FrontPanelView& view)
    : nodeName_(std::move(nodeName)), session_(std::move(session)), view_(view) {
    for (int i = 0; i < panel::kKeyCount; ++i)
        keys_[static_cast<std::size_t>(i)] = {{"&" + std::to_string(i + 1), {}, false}, true};
    lines_.resize(Capacity());
}

std::string FrontPanelPresenter::Title() const {
    std::string title = FormatMessage(msg::kFrontPanelTitle);
    if (!nodeName_.empty())
        title += " - " + nodeName_;
    return title;
}

// --- Notifications ----------------------------------------------------------------------------------

void FrontPanelPresenter::OnNotification(int code, std::uintptr_t wParam) {
    CInstrumentSession* session = session_();
    if (session == nullptr)
        return;
    switch (code) {
    case wm::kDisplayChanged: ShowDisplayTexts(session->Snapshot().displayTexts); break;
    case wm::kLightStatesChanged: SetLightStates(session->Snapshot().lightStates); break;
    case wm::kLightNamesChanged: SetLightNames(session->Snapshot().lightNames); break;
    case wm::kPanelKind:
        SetPanelKind(static_cast<int>(wParam), session->Snapshot().identity.capabilities);
        break;
    case wm::kPanelKindFirst: SetLayoutFrom(session->Snapshot().identity.capabilities); break;
    default: break;
    }
}

void FrontPanelPresenter::ShowDisplayTexts(const std::array<std::string, 3>& texts) {
    const std::string& text1 = texts[0];
    if (!text1.empty() && text1[0] == ':') {
        ShowStatus(TrimRight(text1.substr(1)));
        return;
    }
    statusShown_ = false;
    const Attributes attributes(texts);
    std::string display = text1.substr(0, panel::kDisplayWidth);
    display.resize(panel::kDisplayWidth, ' ');
    ShowLine1(display, attributes);
    ShowKeyCaptions(display, attributes);
    ShowTable();
}

void FrontPanelPresenter::ShowStatus(const std::string& text) {
    if (!statusShown_) {
        ClearFields();
        statusShown_ = true;
    }
    message_ = {text, panel::kStatusColour, false};
}

void FrontPanelPresenter::ShowLine1(const std::string& display, const Attributes& attributes) {
    mode_ = attributes.FieldOf(display, 0, panel::kModeWidth);
    const std::string reading =
        display.substr(panel::kReadingStart, panel::kLineWidth - panel::kReadingStart);
    const bool calibrator = layout_ == PanelLayout::kCalibrator;
    if (display[panel::kReadingStart - 1] == ' ' && panel::IsReading(reading, calibrator)) {
        message_ = attributes.FieldOf(display, panel::kModeWidth, panel::kMessageWidth);
        AddReading(reading, panel::kReadingStart, attributes);
    } else {
        message_ = attributes.FieldOf(display, panel::kModeWidth, panel::kLineWidth - panel::kModeWidth);
    }
}

void FrontPanelPresenter::ShowKeyCaptions(const std::string& display, const Attributes& attributes) {
    for (std::size_t i = 0; i < keys_.size(); ++i) {
        const std::size_t start = panel::kLineWidth + i * panel::kKeyCaptionWidth;
        keys_[i] = {attributes.FieldOf(display, start, panel::kKeyCaptionWidth), false};
    }
}

void FrontPanelPresenter::AddReading(const std::string& reading, std::size_t start,
                                     const Attributes& attributes) {
    const std::size_t equals = reading.find('=');
    PanelReading row;
    row.name = reading.substr(0, equals);
    row.name.resize(4, ' ');
    std::size_t from = equals + 1;
    while (from < reading.size() && reading[from] == ' ')
        ++from;
    row.value = TrimRight(reading.substr(from));
    row.colourAttributes = attributes.colour.substr(start + from, std::max<std::size_t>(row.value.size(), 1));
    row.emphasisAttributes =
        attributes.emphasis.substr(start + from, std::max<std::size_t>(row.value.size(), 1));
    ReplaceAll(row.value, "XXXX", "------");
    row.highlightTicks = panel::kHighlightTicks;

    auto at = std::lower_bound(readings_.begin(), readings_.end(), row.name,
                               [](const PanelReading& r, const std::string& name) { return r.name < name; });
    if (at != readings_.end() && at->name == row.name) {
        *at = std::move(row);
    } else {
        readings_.insert(at, std::move(row));
        if (readings_.size() > Capacity())
            readings_.pop_back();
    }
    if (layout_ == PanelLayout::kAnalyzer && readings_.size() != rowsRemembered_) {
        rowsRemembered_ = readings_.size();
        view_.StartRowLayoutTimer(panel::kRowLayoutDelayMs);
    }
}

void FrontPanelPresenter::ClearFields() {
    mode_ = {};
    message_ = {};
    lines_.assign(Capacity(), ReadingFields{});
}

void FrontPanelPresenter::ShowTable() {
    // While a status message stands in for the display, the readings stay out of sight.
    if (statusShown_)
        return;
    lines_.assign(Capacity(), ReadingFields{});
    for (std::size_t i = 0; i < readings_.size() && i < lines_.size(); ++i)
        lines_[i] = FieldsOf(readings_[i]);
}

ReadingFields FrontPanelPresenter::FieldsOf(const PanelReading& reading) const {
    std::string value = reading.value;
    PanelColour colour =
        reading.highlightTicks > 0
            ? panel::kHighlightColour
            : panel::AttributeColour(static_cast<unsigned char>(reading.colourAttributes.front()));
    const bool emphasis =
        panel::AttributeEmphasis(static_cast<unsigned char>(reading.emphasisAttributes.front()));
    if (!value.empty() && value.back() == '*') {
        value.pop_back();
        colour = panel::kStarredColour;
    }
    std::string concentration;
    std::string units;
    const std::size_t blank = value.rfind(' ');
    if (blank != std::string::npos) {
        concentration = TrimRight(value.substr(0, blank)).substr(0, panel::kConcentrationWidth);
        units = value.substr(blank + 1);
    } else {
        concentration = value;
    }
    std::string second;
    if (layout_ == PanelLayout::kCalibrator) {
        // The calibrator's first concentration is a number ("400PPB" gives 400 and PPB); anything
        // else (OFF, ZERO, a missing value) goes to the second.
        const std::size_t number = NumberLength(concentration);
        if (number == 0) {
            second = concentration.substr(0, panel::kConcentrationWidth);
            concentration.clear();
        } else if (blank == std::string::npos) {
            units = Trim(concentration.substr(number));
            concentration.resize(number);
        }
    }
    ReadingFields fields;
    fields.gas = {TrimRight(reading.name), colour, emphasis};
    fields.concentration = {concentration, colour, emphasis};
    fields.secondConcentration = {second, colour, emphasis};
    fields.units = {units, colour, emphasis};
    return fields;
}

std::size_t FrontPanelPresenter::Capacity() const {
    return layout_ == PanelLayout::kCalibrator ? panel::kCalibratorRows : panel::kAnalyzerRows;
}

int FrontPanelPresenter::RowSlots() const {
    if (layout_ == PanelLayout::kCalibrator)
        return static_cast<int>(panel::kCalibratorRows);
    return std::max(static_cast<int>(rowsLaidOut_), panel::kMinRowSlots);
}

bool FrontPanelPresenter::IsLineShown(std::size_t line) const {
    if (statusShown_)
        return false;
    return line < (layout_ == PanelLayout::kCalibrator ? readings_.size() : rowsLaidOut_);
}

void FrontPanelPresenter::SetPanelKind(int kind, std::string_view capabilities) {
    ConfigButton& first = buttons_[0];
    switch (kind & 0xFF) {
    case 1: first = {true, FormatMessage(msg::kButtonDlog), kActionDlog}; break;
    case 2: first = {true, FormatMessage(msg::kButtonSequences), kActionSequences}; break;
    case 3: first = {true, FormatMessage(msg::kButtonScrollModule), kActionScrollModule}; break;
    default: first = {}; break;
    }
    buttons_[1] = (kind & 0xFF00) == 0x100
                      ? ConfigButton{true, FormatMessage(msg::kButtonLevels), kActionLevelTable}
                      : ConfigButton{};
    // Built afresh for each announcement: a reconnect in the same panel must not add them twice.
    const auto has = [&](char c) { return capability::Has(capabilities, c); };
    menu_ = {{kCommandInstrumentInformation, FormatMessage(msg::kMenuInstrumentInformation)}};
    if (has(capability::kDlog) || has(capability::kNewDlog))
        menu_.push_back({kCommandDlogConfiguration, FormatMessage(msg::kMenuDlogConfiguration)});
    if (has(capability::kCalScript))
        menu_.push_back({kCommandSequences, FormatMessage(msg::kMenuSequences)});
    if (has(capability::kLevelTable) || has(capability::kLevelTableFlow) ||
        has(capability::kLevelTableActions))
        menu_.push_back({kCommandLevelTable, FormatMessage(msg::kMenuLevelTable)});
}

void FrontPanelPresenter::SetLayoutFrom(std::string_view capabilities) {
    const PanelLayout wanted = capability::Has(capabilities, capability::kCalibrator)
                                   ? PanelLayout::kCalibrator
                                   : PanelLayout::kAnalyzer;
    if (wanted == PanelLayout::kCalibrator || wanted != layout_) {
        layout_ = wanted;
        statusShown_ = false;
        readings_.clear();
        rowsRemembered_ = rowsLaidOut_ = 0;
        ClearFields();
    }
}

void FrontPanelPresenter::SetLightStates(const std::array<std::int32_t, 3>& states) {
    for (std::size_t i = 0; i < lights_.size(); ++i)
        lights_[i].state = states[i];
    UpdateLights();
}

void FrontPanelPresenter::SetLightNames(const std::array<std::string, 3>& names) {
    for (std::size_t i = 0; i < lights_.size(); ++i) {
        lights_[i].name = names[i];
        lights_[i].nameShown = true;
    }
}

void FrontPanelPresenter::UpdateLights() {
    const bool phase = (tickCount_ & 1u) != 0;
    for (PanelLight& light : lights_)
        light.lit = light.state == 1 || (light.state == 2 && phase);
}

// --- Timers -----------------------------------------------------------------------------------------

void FrontPanelPresenter::OnSecondTick() {
    UpdateLights();
    ++tickCount_;
    for (PanelReading& reading : readings_)
        reading.highlightTicks = std::max(reading.highlightTicks - 1, 0);
    ShowTable();
}

void FrontPanelPresenter::OnRowLayoutTimer() {
    rowsLaidOut_ = rowsRemembered_;
    ShowTable();
}

// --- The user ---------------------------------------------------------------------------------------

bool FrontPanelPresenter::PressKey(int key) {
    CInstrumentSession* session = session_();
    return session != nullptr && session->PostKeyPress(key);
}

void FrontPanelPresenter::PressConfigButton(int index) {
    if (index < 0 || index > 1)
        return;
    switch (buttons_[static_cast<std::size_t>(index)].action) {
    case kActionDlog: RunBracketed(PanelWindow::kDlogConfiguration); break;
    case kActionSequences: RunBracketed(PanelWindow::kSequenceConfiguration); break;
    case kActionScrollModule: PressKey(panel::kScrollModuleKey); break;
    case kActionLevelTable: RunBracketed(PanelWindow::kLevelTable); break;
    default: break;
    }
}

bool FrontPanelPresenter::RunCommand(int command) {
    switch (command & ~0xF) {
    case kCommandInstrumentInformation: RunBracketed(PanelWindow::kInstrumentInformation); return true;
    case kCommandDlogConfiguration: RunBracketed(PanelWindow::kDlogConfiguration); return true;
    case kCommandSequences: RunBracketed(PanelWindow::kSequenceConfiguration); return true;
    case kCommandLevelTable: RunBracketed(PanelWindow::kLevelTable); return true;
    default: return false;
    }
}

void FrontPanelPresenter::RunBracketed(PanelWindow window) {
    CInstrumentSession* session = session_();
    if (session == nullptr)
        return;
    // While the panel runs one of the instrument's windows it may not close, nor be closed by
    // the idle check; the time spent in the window counts as activity.
    class PanelBusy {
      public:
        explicit PanelBusy(CInstrumentSession& s) : s_(s) { s_.SetPanelFree(false); }
        ~PanelBusy() {
            s_.SetLastActivity(DateTime::Now());
            s_.SetPanelFree(true);
        }
        PanelBusy(const PanelBusy&) = delete;
        PanelBusy& operator=(const PanelBusy&) = delete;

      private:
        CInstrumentSession& s_;
    };
    PanelBusy busy(*session);
    view_.RunPanelWindow(window);
}

CloseDecision FrontPanelPresenter::RequestClose() {
    CInstrumentSession* session = session_();
    if (session == nullptr || !session->IsSessionOpen())
        return CloseDecision::kClose;
    if (!session->IsPanelFree()) {
        GetUserPrompt().MessageBox(FormatMessage(msg::kCannotDisconnectNow),
                                   FormatMessage(msg::kCaptionError), mb::kOk | mb::kIconWarning);
        return CloseDecision::kStay;
    }
    const int answer = GetUserPrompt().MessageBox(FormatMessage(msg::kConfirmDisconnect),
                                                  FormatMessage(msg::kCaptionConfirm),
                                                  mb::kYesNo | mb::kIconQuestion | mb::kDefaultButton2);
    if (answer != mb::kIdYes)
        return CloseDecision::kStay;
    session->SetCancelRequested(true);
    return CloseDecision::kCloseDisconnecting;
}

void FrontPanelPresenter::OnWindowDestroyed() {
    if (CInstrumentSession* session = session_())
        session->OnFrontPanelDestroyed();
}

}  // namespace talven
