#pragma once
// The front panel's rules without widgets: how the instrument's two display lines become the mode,
// message, reading and key caption fields with their colours, the table of readings the panel
// accumulates, the status lights with their blinking, the buttons and menu entries of a panel
// kind, and when the panel may close.
//
// Threads: the window thread only. Workers reach the panel through notifications; the presenter
// reads the session's state with Snapshot() when one arrives.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace talven {

class CInstrumentSession;

struct PanelColour {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    bool operator==(const PanelColour&) const = default;
};

namespace panel {
constexpr std::size_t kLineWidth = 40;
constexpr std::size_t kDisplayWidth = 2 * kLineWidth;
constexpr std::size_t kModeWidth = 12;
/// Line 1 after the mode field: a message, and a reading from kReadingStart on when the character
/// before it is a blank.
constexpr std::size_t kMessageWidth = 19;
constexpr std::size_t kReadingStart = kModeWidth + kMessageWidth;
constexpr int kKeyCount = 8;
constexpr std::size_t kKeyCaptionWidth = 5;
/// The key that the scroll module's button presses.
constexpr int kScrollModuleKey = 9;
constexpr int kLightCount = 3;
constexpr std::size_t kAnalyzerRows = 10;
constexpr std::size_t kCalibratorRows = 4;
/// The reading area is divided into as many rows as the table holds, but never fewer.
constexpr int kMinRowSlots = 5;
constexpr std::size_t kConcentrationWidth = 9;
constexpr int kRowLayoutDelayMs = 200;
constexpr int kSecondTimerMs = 1000;
/// Seconds a freshly written reading keeps the highlight colour: it is withdrawn at the second
/// one-second tick after the write, so the row stands out for one to two seconds.
constexpr int kHighlightTicks = 2;

constexpr PanelColour kStatusColour{111, 111, 111};
constexpr PanelColour kHighlightColour{150, 180, 255};
constexpr PanelColour kStarredColour{0, 88, 152};
constexpr unsigned char kEmphasisBit = 0x40;
/// The attribute of every character when the instrument sent none that fits its display text.
constexpr unsigned char kNoAttribute = 0x80;

/// The colour of a display character's attribute byte (its lowest three bits).
PanelColour AttributeColour(unsigned char attribute);
bool AttributeEmphasis(unsigned char attribute);
/// A reading as the display shows one: at least 7 characters, "=" at index 2 to 4 (calibrator: 1
/// to 4), then a number or a text holding "XXXX" (calibrator: also "OFF" or "ZERO").
bool IsReading(std::string_view text, bool calibrator);
}  // namespace panel

/// What the configuration buttons do.
enum PanelAction : int {
    kActionNone = 0,
    kActionDlog = 1,
    kActionSequences = 2,
    kActionScrollModule = 3,
    kActionLevelTable = 256,
};

/// Commands of the panel's window menu (the low four bits are ignored).
enum PanelCommand : int {
    kCommandInstrumentInformation = 0x1000,
    kCommandDlogConfiguration = 0x1100,
    kCommandSequences = 0x1200,
    kCommandLevelTable = 0x1300,
};

/// The instrument's windows that the panel runs modally.
enum class PanelWindow { kInstrumentInformation, kDlogConfiguration, kSequenceConfiguration, kLevelTable };

enum class PanelLayout { kAnalyzer, kCalibrator };

/// A text field of the display: its text, colour and emphasis (drawn bold).
struct PanelField {
    std::string text;
    PanelColour colour;
    bool emphasis = false;
    bool operator==(const PanelField&) const = default;
};

/// One line of the reading area as drawn. The second concentration is the calibrator's: a state
/// word ("OFF", "ZERO") or a value that is not a number.
struct ReadingFields {
    PanelField gas;
    PanelField concentration;
    PanelField secondConcentration;
    PanelField units;
};

/// One row of the readings table.
struct PanelReading {
    /// Exactly four characters, blank-padded: the table's sort key.
    std::string name;
    /// The text after the "=", leading and trailing blanks removed, "XXXX" shown as "------".
    std::string value;
    /// The attribute bytes of the value's characters (colour, emphasis).
    std::string colourAttributes;
    std::string emphasisAttributes;
    /// One-second ticks left until the highlight colour is withdrawn; 0 when withdrawn.
    int highlightTicks = 0;
};

struct KeyCaption {
    PanelField caption;
    /// The initial captions "&1" to "&8" carry a mnemonic; captions from the display are shown as
    /// the instrument wrote them.
    bool mnemonic = true;
};

struct PanelLight {
    std::string name;
    bool nameShown = false;
    std::int32_t state = 0;  // 0 unlit, 1 lit, 2 blinking
    bool lit = false;
};

struct ConfigButton {
    bool shown = false;
    std::string caption;  // lines joined by a carriage return
    int action = kActionNone;
};

struct PanelMenuEntry {
    int command = 0;
    std::string text;
};

/// What the presenter needs of its window.
class FrontPanelView {
  public:
    virtual ~FrontPanelView() = default;
    /// Starts the one-shot row layout timer (or starts it afresh); when it fires the window calls
    /// OnRowLayoutTimer.
    virtual void StartRowLayoutTimer(int ms) = 0;
    /// Runs one of the instrument's windows modally and returns when it closes.
    virtual void RunPanelWindow(PanelWindow window) = 0;
};

enum class CloseDecision {
    kStay,
    /// Close; the session was not open.
    kClose,
    /// The user confirmed the disconnect: close, and remember where the window was for the next
    /// front panel.
    kCloseDisconnecting,
};

class FrontPanelPresenter {
  public:
    /// The session of the panel's node, looked up at each use: null once the node is gone.
    using SessionLookup = std::function<CInstrumentSession*()>;

    FrontPanelPresenter(std::string nodeName, SessionLookup session, FrontPanelView& view);

    /// "Talven Remote Interface - NAME" ("Talven Remote Interface" without a node name).
    std::string Title() const;

    // --- Notifications (codes 1037 to 1040 and 1044) ---------------------------------------------
    /// Reads the session state that the notification announces and shows it. Unknown codes are
    /// ignored.
    void OnNotification(int code, std::uintptr_t wParam);
    /// Lays the three display texts out (1037).
    void ShowDisplayTexts(const std::array<std::string, 3>& texts);
    /// Sets up the configuration buttons and the menu entries for a panel kind (1040).
    void SetPanelKind(int kind, std::string_view capabilities);
    /// Chooses the layout from the capabilities (1044); a calibrator starts with an empty display.
    void SetLayoutFrom(std::string_view capabilities);
    void SetLightStates(const std::array<std::int32_t, 3>& states);
    void SetLightNames(const std::array<std::string, 3>& names);

    // --- Timers -----------------------------------------------------------------------------------
    /// Every second: the lights take the blink phase, highlights age, the table is shown again.
    void OnSecondTick();
    /// The one-shot row layout timer fired.
    void OnRowLayoutTimer();

    // --- The user ---------------------------------------------------------------------------------
    /// Posts a key press (1 to 9); false when nothing was posted (the interface in use, no session).
    bool PressKey(int key);
    /// The first (index 0) or second (index 1) configuration button.
    void PressConfigButton(int index);
    /// A window menu command; false when it is none of the panel's.
    bool RunCommand(int command);
    /// Whether the window may close, asking the user where the rules say so.
    CloseDecision RequestClose();
    /// The window is gone: the node forgets it and disconnects.
    void OnWindowDestroyed();

    // --- What the window draws --------------------------------------------------------------------
    PanelLayout Layout() const { return layout_; }
    bool IsStatusShown() const { return statusShown_; }
    const PanelField& ModeField() const { return mode_; }
    const PanelField& MessageField() const { return message_; }
    const std::array<KeyCaption, panel::kKeyCount>& KeyCaptions() const { return keys_; }
    /// The reading table's rows in order.
    const std::vector<PanelReading>& Readings() const { return readings_; }
    /// The fields of each line of the reading area (10 analyzer lines, 4 calibrator lines).
    const std::vector<ReadingFields>& ReadingLines() const { return lines_; }
    /// How many equal rows the reading area is divided into, and whether line i is shown.
    int RowSlots() const;
    bool IsLineShown(std::size_t line) const;
    const std::array<PanelLight, panel::kLightCount>& Lights() const { return lights_; }
    const ConfigButton& FirstButton() const { return buttons_[0]; }
    const ConfigButton& SecondButton() const { return buttons_[1]; }
    const std::vector<PanelMenuEntry>& MenuEntries() const { return menu_; }
    std::uint32_t TickCount() const { return tickCount_; }

  private:
    struct Attributes;
    void ShowStatus(const std::string& text);
    void ShowLine1(const std::string& line, const Attributes& attributes);
    void ShowKeyCaptions(const std::string& line, const Attributes& attributes);
    void AddReading(const std::string& reading, std::size_t start, const Attributes& attributes);
    void ClearFields();
    void ShowTable();
    ReadingFields FieldsOf(const PanelReading& reading) const;
    void UpdateLights();
    void RunBracketed(PanelWindow window);
    std::size_t Capacity() const;

    std::string nodeName_;
    SessionLookup session_;
    FrontPanelView& view_;

    PanelLayout layout_ = PanelLayout::kAnalyzer;
    bool statusShown_ = false;
    PanelField mode_;
    PanelField message_;
    std::array<KeyCaption, panel::kKeyCount> keys_;
    std::vector<PanelReading> readings_;
    std::vector<ReadingFields> lines_;
    /// Rows the table held when its size last changed, and rows the area is laid out for.
    std::size_t rowsRemembered_ = 0;
    std::size_t rowsLaidOut_ = 0;
    std::array<PanelLight, panel::kLightCount> lights_;
    std::array<ConfigButton, 2> buttons_;
    std::vector<PanelMenuEntry> menu_;
    std::uint32_t tickCount_ = 0;
};

}  // namespace talven
