#pragma once
// The rules of the DLOG property pages and dialogs, as functions the dialogs call. Functions named
// Check... show their messages through the user prompt and return whether the dialog may close;
// the others only answer.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "foundation/DateTime.h"

namespace talven {

class IDlogInstrument;
class CDASChannel;
class CDASParameter;

constexpr std::size_t kMaxChannelNameLength = 20;

/// A period edited as days (0..366), hours (0..23) and minutes (0..59).
struct PeriodFields {
    std::uint32_t days = 0;
    std::uint32_t hours = 0;
    std::uint32_t minutes = 0;
};
PeriodFields SplitPeriod(std::uint32_t seconds);
std::uint32_t PeriodSeconds(const PeriodFields& fields);

/// Non-empty, only letters, digits and '_', and naming no other channel of the instrument
/// (without regard to letter case); self is the channel being edited (null for a new one).
bool IsValidChannelName(const std::string& name, IDlogInstrument& instrument, const CDASChannel* self);

/// Basic page validation: the name rule (61265), then both periods above 0 (61264); both checks
/// run and both messages may appear.
bool CheckChannelBasicPage(const std::string& name, IDlogInstrument& instrument, const CDASChannel* self,
                           std::uint32_t samplePeriod, std::uint32_t reportPeriod);
/// Advanced page validation: with automatic download and no file, the question 61312 (Yes keeps
/// the page open); then the download period above 0 (61311).
bool CheckChannelAdvancedPage(bool autoDownload, const std::string& downloadFile,
                              std::uint32_t downloadPeriod);
/// Advanced page OK: a change of the automatic download check sets the channel's selected flag and
/// every parameter's with it; then period, selection, file and append flag are written back.
struct AdvancedPageValues {
    bool autoDownload = false;
    std::uint32_t downloadPeriod = 0;
    std::string downloadFile;
    bool append = true;
};
void ApplyChannelAdvancedPage(CDASChannel& channel, const AdvancedPageValues& values);

/// The advanced page's last download: the date in the last-download format, or empty when the
/// channel was never downloaded.
std::string LastDownloadText(const CDASChannel& channel, const class DateFormatSlots& formats);

/// Record selection dialog OK with mode 7: the years of from and to must lie in 1970..2105
/// (61294, 61295, -1 for a picker without a date; both may appear), and an end before the start
/// asks 61293. An empty optional is a picker holding no date.
bool CheckBetweenDates(const std::optional<DateTime>& from, const std::optional<DateTime>& to);

/// The parameter dialog: the display texts of the instrument's "LOW" and "MED" data points in list
/// order; the sample modes offered ("SDEV" only with its capability); whether the store-samples
/// box is enabled (new DLOG); the parameter name from a chosen display text (cut at its first
/// character that is not a letter, digit or '_').
std::vector<std::string> OfferedPoints(IDlogInstrument& instrument);
std::vector<std::string> OfferedSampleModes(IDlogInstrument& instrument);
bool StoreSamplesOffered(IDlogInstrument& instrument);
std::string ParameterNameFromDisplayText(const std::string& text);

/// Duplicate: the channel cloned as "Copy of <name>" and appended while the instrument has room;
/// the parameter cloned into its channel while the channel has room. Both set the modified mark
/// and mark the network configuration modified. Null when there was no room.
CDASChannel* DuplicateChannel(IDlogInstrument& instrument, const CDASChannel& channel);
CDASParameter* DuplicateParameter(IDlogInstrument& instrument, CDASChannel& channel,
                                  const CDASParameter& parameter);
/// After an edit of the configuration: the DLOG modified mark and the network configuration's.
void MarkDlogEdited(IDlogInstrument& instrument);

}  // namespace talven
