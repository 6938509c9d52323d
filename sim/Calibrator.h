#pragma once
// A calibrator's gases, units, sequences and level table, and the checks it makes on the
// sequence and level texts a PC sends it.

#include <string>
#include <string_view>
#include <vector>

namespace talven::sim {

struct GasEntry {
    std::string name;
    int id = 0;
    double weight = 28.890188;
    double factor = 1.0;
    bool enabled = true;
};

struct UnitEntry {
    std::string name;
    int id = 0;
    int decimals = 0;
};

/// A sequence as the calibrator keeps it: its name and the script lines between SEQBEGIN and
/// SEQEND, trimmed.
struct SequenceEntry {
    std::string name;
    std::vector<std::string> lines;
};

/// How the level table travels: with actions ("leveltablebegin"), with a flow column, or plain.
enum class LevelForm { kActions, kFlow, kPlain };

struct CalibratorData {
    std::vector<GasEntry> gases;
    std::vector<UnitEntry> units;
    std::vector<SequenceEntry> sequences;
    /// One line per level, in the table's own form, without the line end.
    std::vector<std::string> levels;
    double targetFlow = 5.0;
};

constexpr std::size_t kMaxSequences = 100;
constexpr std::size_t kMaxSteps = 100;
constexpr std::size_t kMaxLevels = 100;

std::string GasNamesText(const CalibratorData& data);
std::string UnitNamesText(const CalibratorData& data);
std::string SequenceScriptText(const CalibratorData& data);

/// Checks a whole "SEQLISTBEGIN" ... "SEQLISTEND" text. allowDuration: the calibrator knows the
/// DURATION step word (older ones know only DELAY). On failure error says why and out is untouched.
bool ParseSequenceScript(std::string_view text, bool allowDuration, std::vector<SequenceEntry>& out,
                         std::string& error);
/// Checks one level line in the given form; the number must be 10 to 99.
bool CheckLevelLine(std::string_view line, LevelForm form, std::string& error);
/// The level number at the start of a checked line.
int LevelNumber(std::string_view line);

}  // namespace talven::sim
