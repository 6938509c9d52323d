#pragma once
// The options sheet ("Options") with its pages General, Date Format, Front Panel and Logging. The
// pages edit a copy of the options; the application's options change only when the sheet is
// closed with OK. Window thread only; the user is asked and told through the user prompt.

#include <string>
#include <vector>

#include "app/Options.h"

namespace talven {

class CTALVENApp;

enum OptionsPage : int {
    kOptGeneralPage,
    kOptDateFormatPage,
    kOptFrontPanelPage,
    kOptLoggingPage,
    kOptPageCount
};

class COptionsPropertySheet {
  public:
    static constexpr std::int64_t kMinInterval = 1;
    static constexpr std::int64_t kMaxInterval = 60;

    /// busy: instruments are connected, so Restore defaults is refused.
    COptionsPropertySheet(const Options& current, bool busy);

    /// The page titles, in page order.
    static std::vector<std::string> PageTitles();

    /// The copy the General and Logging pages' check boxes and the log file name edit directly.
    Options& Edited() { return edited_; }
    const Options& Edited() const { return edited_; }

    // Date Format page -------------------------------------------------------------------------
    /// The uses listed, for slots 1 to 5 in order.
    static std::vector<std::string> DateFormatUses();
    /// The list's selection (0 is slot 1); the first entry is selected when the page opens.
    int GetSelectedUse() const { return selectedUse_; }
    void SelectUse(int index);
    /// The format of the selected use; editing it changes only that slot.
    std::string GetFormatText() const;
    void SetFormatText(std::string text);
    /// "&Defaults": every format of the copy back to its default.
    void RestoreDateFormatDefaults();

    // Front Panel page -------------------------------------------------------------------------
    /// The interval as typed; it is read when the page is left or the sheet confirmed.
    const std::string& GetIntervalText() const { return intervalText_; }
    void SetIntervalText(std::string text) { intervalText_ = std::move(text); }

    // Logging page -----------------------------------------------------------------------------
    /// "&...": a save-file dialog for the log file, starting at the current name; the chosen path
    /// becomes the name. False when the user cancelled.
    bool BrowseLogFile();

    // The sheet --------------------------------------------------------------------------------
    bool IsBusy() const { return busy_; }
    /// Leaving a page: its fields must be valid; the user is told what is wrong. False keeps the
    /// page open.
    bool CheckPage(int page);
    /// OK: every page checked in order; the first that fails is FailedPage() and the sheet stays
    /// open. On success Result() holds the options to store.
    bool Confirm();
    int FailedPage() const { return failedPage_; }
    const Options& Result() const { return edited_; }
    /// Asks "Restore defaults?" and on Yes puts every option of the copy back to its default
    /// (kept: the network configuration path and window placements). Refused while busy.
    bool RestoreDefaults();

  private:
    Options edited_;
    bool busy_;
    int selectedUse_ = 0;
    std::string intervalText_;
    int failedPage_ = -1;
};

/// The sheet's OK: stores the options in the application and reopens the event log with them.
/// True when any option changed.
bool ApplyOptions(CTALVENApp& app, const Options& options);

/// The main window's "&Restore defaults": nothing while busy; otherwise asks the question and on
/// Yes restores the defaults in the application (closing the log). True when they were restored.
bool RestoreDefaultsCommand(CTALVENApp& app, bool busy);

}  // namespace talven
