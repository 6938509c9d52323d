#pragma once
// One downloaded value of a DLOG parameter, and the date-format slots its text forms use.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace talven {

/// The six date-format texts of the options, slot 0 first. Slots used here: 2 records in graphs,
/// 3 records in tables and files, 4 data file names, 5 the last download date.
class DateFormatSlots {
  public:
    static constexpr int kGraph = 2;
    static constexpr int kTable = 3;
    static constexpr int kFileName = 4;
    static constexpr int kLastDownload = 5;

    /// The default formats of the message table.
    DateFormatSlots();
    explicit DateFormatSlots(const std::array<std::string, 6>& formats) : formats_(formats) {}
    /// A slot above 5 is clamped to 0, as the options do.
    const std::string& Slot(int slot) const;
    void SetSlot(int slot, std::string format);

  private:
    std::array<std::string, 6> formats_;
};

/// Text form flags of a record.
namespace recordtext {
constexpr unsigned kTimeTable = 4;  // time stamp with the table format (slot 3)
constexpr unsigned kTimeGraph = 8;  // time stamp with the graph format (slot 2)
constexpr unsigned kValue = 16;
constexpr unsigned kSamples = 32;
}  // namespace recordtext

/// Kept compact (24 bytes): a channel of 50 parameters may hold a million records each.
struct CDataRecord {
    double value = 0.0;
    std::int32_t samples = 0;
    std::uint32_t time = 0;  // seconds since 1970-01-01 00:00:00, instrument local time
    bool valid = false;

    /// Time stamp, ", %10.*f" value and ", %10ld" sample count as the flags ask, in that order,
    /// the separator only between fields. The valid flag is not consulted. The precision is
    /// clamped to 0..30 so a corrupt configuration cannot ask for an unbounded text.
    std::string GetText(unsigned flags, int precision, const DateFormatSlots& formats) const;
    /// The same, appended to out (no allocation per call for the CSV writer).
    void AppendText(std::string& out, unsigned flags, int precision, const DateFormatSlots& formats) const;
};

static_assert(sizeof(CDataRecord) <= 24, "records must stay compact");

}  // namespace talven
