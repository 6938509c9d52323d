#pragma once
// A DLOG channel: the trigger event, what it logs (its parameters) and how its records are
// downloaded (record selection, automatic download, target file).

#include <cstdint>
#include <memory>
#include <string>

#include "dlog/DASParameter.h"
#include "foundation/DateTime.h"
#include "foundation/NamedObject.h"

namespace talven {

class IDlogInstrument;

/// Which records a download fetches.
class CSelectionSet {
  public:
    enum Mode : std::int32_t {
        kAll = 0,
        kSinceLast = 1,
        kRecentRecords = 2,
        kRecentHours = 3,
        kRecentDays = 4,
        kRecentWeeks = 5,
        kRecentMonths = 6,
        kBetween = 7,
    };

    /// Mode 0, counts 1, from and to now, instrument selection on.
    CSelectionSet();
    /// mode, from, to, records, hours, days, weeks, months (32-bit words), then the flag.
    void Serialize(ObjectArchive& ar);

    std::int32_t mode = kAll;
    std::uint32_t from = 0;
    std::uint32_t to = 0;
    std::int32_t records = 1;
    std::int32_t hours = 1;
    std::int32_t days = 1;
    std::int32_t weeks = 1;
    std::int32_t months = 1;
    bool useInstrumentSelection = true;

    bool operator==(const CSelectionSet&) const = default;
};

/// What the last record download of a channel brought. Record lines are every line of the reply
/// that stood for a record: appended, outside the requested dates, or dropped for a bad check
/// sum, CRC or length. Only the records before the first dropped line that may have been one of
/// the requested records are known to be complete up to their newest time stamp; a line dropped
/// before a record older than the requested ones was older still.
struct RecordDownloadOutcome {
    std::int32_t recordLines = 0;
    std::int32_t droppedLines = 0;
    /// A dropped line may have been one of the requested records.
    bool recordsMissing = false;
    /// Records appended to each downloaded parameter before the first such line.
    std::size_t recordsBeforeDrop = 0;
    /// The newest time stamp among those records (instrument time), when there was one.
    bool hasNewest = false;
    std::uint32_t newest = 0;
    /// Why the download failed (logged as an error too); empty when it did not.
    std::string failure;
};

/// A channel's settings, as one value copied whole: what it logs into (event, file), its ring of
/// records, periods and flags, and how its records are downloaded.
struct DlogChannelSettings {
    std::string event;
    std::string fileName;
    std::int32_t recordCount = 100;
    std::uint32_t startDate = 0;
    std::uint32_t samplePeriod = 60;
    std::uint32_t reportPeriod = 3600;
    bool report = false;
    bool compact = false;
    bool enabled = true;
    bool holdOff = false;
    CSelectionSet downloadSelection;
    std::string downloadFile;
    /// The newest record downloaded, on the instrument's clock (see GetLastDownload).
    std::uint32_t lastDownload = 0;
    std::uint32_t downloadPeriod = 86400;
    bool downloadedBefore = false;
    bool append = true;
    bool selected = false;
    bool expanded = false;

    bool operator==(const DlogChannelSettings&) const = default;
};

class CDASChannel : public CNamedObject {
  public:
    /// A channel with the defaults (100 records, start 1 January of this year, sample period 1
    /// minute, report period 1 hour, enabled, download every day, append).
    explicit CDASChannel(IDlogInstrument* instrument = nullptr);
    CDASChannel(const CDASChannel&) = delete;
    CDASChannel& operator=(const CDASChannel&) = delete;

    const char* GetRuntimeClass() const override { return "CDASChannel"; }
    void Serialize(ObjectArchive& ar) override;
    /// Copies every field, clones every parameter (owned by the copy), and points the copy's
    /// active selection at its own download selection.
    std::unique_ptr<CNamedObject> Clone() const override;

    /// Stands on "CHANNELBEGIN" (script form, flags bit 0) or "SETUP PROPERTIES FOR" (report
    /// form); on success stands on the token after the channel.
    bool ReadScript(TokenStream& stream, unsigned flags);
    /// Script text (bit 0), report listing (bit 1) or the one-line label.
    std::string GetText(unsigned flags) const;

    /// Every setting at once, under the data lock. Setting them does not change the parameters'
    /// selection (SetSelected does).
    DlogChannelSettings GetSettings() const;
    void SetSettings(const DlogChannelSettings& settings);

    IDlogInstrument* GetInstrument() const;
    void SetInstrument(IDlogInstrument* instrument);
    /// The parameters (CDASParameter). Hold the data lock while walking them.
    CNamedObjectList& Parameters() { return parameters_; }
    const CNamedObjectList& Parameters() const { return parameters_; }
    /// Appends a parameter and makes this channel its owner.
    void AppendParameter(std::unique_ptr<CDASParameter> parameter);

    std::string GetEvent() const;
    void SetEvent(std::string event);
    std::string GetFileName() const;
    void SetFileName(std::string file);
    std::int32_t GetRecordCount() const;
    void SetRecordCount(std::int32_t count);
    DateTime GetStartDate() const;
    void SetStartDate(DateTime start);
    std::uint32_t GetSamplePeriod() const;
    void SetSamplePeriod(std::uint32_t seconds);
    std::uint32_t GetReportPeriod() const;
    void SetReportPeriod(std::uint32_t seconds);
    bool GetReport() const;
    void SetReport(bool on);
    bool GetCompact() const;
    void SetCompact(bool on);
    bool GetEnabled() const;
    void SetEnabled(bool on);
    bool GetHoldOff() const;
    void SetHoldOff(bool on);

    CSelectionSet GetDownloadSelection() const;
    void SetDownloadSelection(const CSelectionSet& selection);
    /// The selection the next record download uses; by default the channel's own.
    CSelectionSet GetActiveSelection() const;
    /// Points the active selection at another set (kept by the caller, which must outlive the
    /// download), or back at the channel's own with null.
    void SetActiveSelection(const CSelectionSet* selection);

    std::string GetDownloadFile() const;
    void SetDownloadFile(std::string path);
    /// The time stamp, on the instrument's clock, of the newest record downloaded: "since last
    /// download" asks for the records after it. Saved with the channel.
    DateTime GetLastDownload() const;
    void SetLastDownload(DateTime when);
    /// When (on the PC's clock) this program last downloaded the channel successfully; invalid
    /// when it has not yet. Not saved: it paces automatic downloads within one run.
    DateTime GetDownloadedAt() const;
    void SetDownloadedAt(DateTime when);
    RecordDownloadOutcome GetDownloadOutcome() const;
    void SetDownloadOutcome(const RecordDownloadOutcome& outcome);
    std::uint32_t GetDownloadPeriod() const;
    void SetDownloadPeriod(std::uint32_t seconds);
    bool GetDownloadedBefore() const;
    void SetDownloadedBefore(bool on);
    bool GetAppend() const;
    void SetAppend(bool on);
    bool IsSelected() const;
    /// Sets the channel's flag and that of every parameter.
    void SetSelected(bool selected);
    bool IsExpanded() const;
    void SetExpanded(bool expanded);

    /// Bytes of one binary record: 6 + 4 per parameter + 4 per parameter storing samples.
    std::size_t GetRecordSize() const;
    /// Never downloaded; or the download period has passed since this program last downloaded
    /// it; or, before that happened in this run, since the newest record downloaded, or that
    /// record is stamped later than now (an instrument clock ahead of the PC's).
    bool IsAutoDownloadDue(DateTime now) const;
    /// Fewer than 50 parameters.
    bool HasParameterRoom() const;
    void RestoreInEffectFlags();
    /// Deletes the downloaded records of every parameter.
    void ClearData();
    /// The instrument's event of this channel's name is a timer event.
    bool HasTimerEvent() const;

  private:
    bool ReadScriptForm(TokenStream& stream);
    bool ReadReportForm(TokenStream& stream);
    bool ReadReportParameters(TokenStream& stream);
    std::string GetScriptText() const;
    std::string GetReportText() const;

    IDlogInstrument* instrument_;
    CNamedObjectList parameters_;
    DlogChannelSettings settings_;
    const CSelectionSet* activeSelection_ = &settings_.downloadSelection;
    std::uint32_t downloadedAt_ = 0;
    RecordDownloadOutcome outcome_;
};

/// Registers the DLOG classes with the archive's class registry (call once at start-up).
void RegisterDlogArchiveClasses();

}  // namespace talven
