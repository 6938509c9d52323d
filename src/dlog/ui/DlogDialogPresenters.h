#pragma once
// The rules of the DLOG dialogs: the channel property sheet (pages Basic and Advanced), the
// parameter dialog and "Select Records". Each presenter holds the values its dialog edits, says
// which fields are enabled, checks the values with the messages of the rules (through the user
// prompt) and writes them back on OK. Window thread.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "dlog/DASChannel.h"
#include "dlog/DataRecord.h"
#include "dlog/DlogValidation.h"
#include "foundation/DateTime.h"

namespace talven {

class IDlogInstrument;
class CDASParameter;

/// A date picker and a time picker: the date parts (absent when the picker holds no date) and the
/// time of day.
struct DateTimePickers {
    bool hasDate = true;
    int year = 1970;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;

    static DateTimePickers Of(DateTime t);
    /// The date at the time of day; nothing when the picker holds no date. An impossible date
    /// gives an invalid value that keeps its year.
    std::optional<DateTime> Value() const;
};

struct DlogChannelBasicValues {
    std::string name;
    std::int32_t recordCount = 1;
    std::string event;
    bool enabled = true;
    bool holdOff = false;
    bool report = false;
    bool compact = false;
    DateTimePickers start;
    PeriodFields samplePeriod;
    PeriodFields reportPeriod;
};

struct DlogChannelAdvancedValues {
    bool autoDownload = false;
    PeriodFields downloadPeriod;
    CSelectionSet selection;
    std::string downloadFile;
    bool append = true;
};

/// The "DLOG Channel Properties" sheet.
class DlogChannelSheetPresenter {
  public:
    static constexpr std::int32_t kMaxRecords = 1000000;
    static constexpr std::size_t kMaxDownloadFile = 256;

    /// Copies the channel's fields; a record count below 1 shows as 1. The channel may be a new
    /// one not yet in the instrument's list.
    DlogChannelSheetPresenter(IDlogInstrument& instrument, CDASChannel& channel,
                              const DateFormatSlots& formats);

    std::string Title() const;
    /// The instrument's events, in list order.
    std::vector<std::string> EventNames() const;
    /// The start date and time and both periods are edited only for a timer event.
    bool TimerFieldsEnabled() const;
    /// The last download in the last-download date format; empty before the first download.
    std::string LastDownloadText() const;
    bool HasFromTo() const;
    /// "S&elect file": a save dialog on the download file, or on the proposed automatic download
    /// file name when there is none; the chosen path becomes the download file.
    void SelectFile();

    /// Leaving a page: its checks, with their messages. False keeps the page.
    bool LeaveBasic();
    bool LeaveAdvanced();
    /// OK: the Basic page's checks, then the Advanced page's; when both pass, everything is written
    /// back to the channel. Returns the page that refused (0 Basic, 1 Advanced) or -1 when written.
    int Accept();

    DlogChannelBasicValues basic;
    DlogChannelAdvancedValues advanced;

  private:
    IDlogInstrument& instrument_;
    CDASChannel& channel_;
    const DateFormatSlots& formats_;
};

/// The "DLOG Parameter Properties" dialog.
class DlogParameterPresenter {
  public:
    static constexpr int kMaxPrecision = 6;

    /// A parameter without name or mode (a new one) starts on the first point and mode offered.
    DlogParameterPresenter(IDlogInstrument& instrument, CDASParameter& parameter);

    std::string Title() const;
    const std::vector<std::string>& Points() const { return points_; }
    const std::vector<std::string>& Modes() const { return modes_; }
    bool StoreSamplesEnabled() const { return storeOffered_; }
    /// OK is possible once the parameter has a name and a mode, chosen or its own.
    bool CanAccept() const;
    /// Writes name (from the chosen point), mode, precision and the configured store-samples flag.
    bool Accept();

    int point = -1;  // index into Points(), -1 none
    int mode = -1;   // index into Modes(), -1 none
    int precision = 0;
    bool storeSamples = false;

  private:
    CDASParameter& parameter_;
    std::vector<std::string> points_;
    std::vector<std::string> modes_;
    bool storeOffered_ = false;
};

/// "Select Records" on a selection.
class SelectRecordsPresenter {
  public:
    struct Range {
        std::int32_t min;
        std::int32_t max;
    };
    /// The count ranges of modes 2 to 6.
    static Range CountRange(std::int32_t mode);

    SelectRecordsPresenter(const CSelectionSet& selection, bool hasFromTo);

    std::string Title() const;
    bool CountEnabled(std::int32_t forMode) const { return mode == forMode; }
    bool DatesEnabled() const { return mode == CSelectionSet::kBetween; }
    bool UseInstrumentEnabled() const { return hasFromTo_; }
    /// OK: in mode 7 the years of both dates (1970 .. 2105) and an end before the start, with
    /// their messages; then the choice is copied into selection. False keeps the dialog open.
    bool Accept(CSelectionSet& selection);

    std::int32_t mode = CSelectionSet::kAll;
    std::int32_t records = 1;
    std::int32_t hours = 1;
    std::int32_t days = 1;
    std::int32_t weeks = 1;
    std::int32_t months = 1;
    bool useInstrument = true;
    DateTimePickers from;
    DateTimePickers to;

  private:
    bool hasFromTo_;
};

}  // namespace talven
