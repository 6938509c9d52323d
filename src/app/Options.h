#pragma once
// The program options and their settings value: one archive of every option, read back from every
// older layout the program has written.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace talven {

/// A window's remembered place on the screen. The layout inside the settings value is ours:
/// valid flag, left, top, right, bottom, show state.
struct WindowPlacement {
    bool valid = false;
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    std::uint32_t showState = 0;
    bool operator==(const WindowPlacement&) const = default;
};

/// Windows whose placement is kept, in the order the settings value stores them.
enum PlacementSlot : int {
    kPlaceMainWindow,
    kPlaceFrontPanel,
    kPlaceSequenceConfig,
    kPlaceDlogConfig,
    kPlaceDlogDataView,
    kPlaceGraph,
    kPlaceModemList,
    kPlaceLevelTable,
    kPlacementCount
};

/// Date-format slots: what each format is used for.
enum DateFormatSlot : int {
    kDateSlotHeld = 0,
    kDateSlotLogEntries = 1,
    kDateSlotGraphs = 2,
    kDateSlotTables = 3,
    kDateSlotFileNames = 4,
    kDateSlotLastDownload = 5,
    kDateSlotCount = 6
};

struct Options {
    std::array<std::string, kDateSlotCount> dateFormats;
    std::string logFileName = "Log.txt";
    std::string networkConfigPath;
    std::uint32_t frontPanelInterval = 5;  // seconds, 1..60
    bool periodicFrontPanelUpdate = true;
    bool loadPreviousOnStartup = true;
    bool saveOnExit = false;
    bool confirmDeletes = true;
    bool checkBoxesInTrees = true;
    bool detectFailedConnections = true;
    bool logCommands = false;
    bool logResponses = false;
    bool logErrors = false;
    std::array<WindowPlacement, kPlacementCount> placements;

    Options();
    /// The format of a slot; a slot above 5 (or below 0) is a caller's mistake and reads slot 0.
    const std::string& DateFormat(int slot) const;
    void SetDateFormat(int slot, std::string format);
    /// Back to the defaults, as the restore-defaults command does: every option but the network
    /// configuration path and the window placements.
    void RestoreDefaults();
    static std::string DefaultDateFormat(int slot);
    bool AnyLogging() const { return logCommands || logResponses || logErrors; }

    bool operator==(const Options&) const = default;
};

constexpr std::uint32_t kSettingsVersion = 0x3000D;
constexpr std::uint32_t kSettingsOldestReadable = 0x30007;

/// The settings value as written: always the current version with every field.
std::vector<std::uint8_t> WriteSettingsValue(const Options& options);

/// Reads a settings value into options. All or nothing: on any problem (truncated, garbled, an
/// unknown newer version) options are left untouched, false is returned and problem says why.
/// A version older than the oldest readable one carries nothing: true, options untouched.
bool ReadSettingsValue(const std::vector<std::uint8_t>& value, Options& options, std::string* problem);

}  // namespace talven
