#include "app/ui/OptionsSheet.h"

#include "app/TalvenApp.h"
#include "app/ui/DialogMessages.h"
#include "app/ui/FieldChecks.h"
#include "foundation/DataLock.h"
#include "foundation/Messages.h"
#include "foundation/UserPrompt.h"

namespace talven {

namespace {

constexpr const char* kLogFileFilter = "Log Files (*.txt)|*.txt|All Files (*.*)|*.*||";

bool IsBlankText(const std::string& text) {
    return text.find_first_not_of(" \t") == std::string::npos;
}

bool AskRestoreDefaults() {
    return GetUserPrompt().MessageBox(FormatMessage(msg::kRestoreDefaultsQuestion),
                                      FormatMessage(msg::kCaptionConfirm),
                                      mb::kYesNo | mb::kIconQuestion | mb::kDefaultButton2) == mb::kIdYes;
}

}  // namespace

COptionsPropertySheet::COptionsPropertySheet(const Options& current, bool busy)
    : edited_(current), busy_(busy), intervalText_(std::to_string(current.frontPanelInterval)) {}

std::vector<std::string> COptionsPropertySheet::PageTitles() {
    return {"General", "Date Format", "Front Panel", "Logging"};
}

std::vector<std::string> COptionsPropertySheet::DateFormatUses() {
    return {"Log file entries", "DLOG data records in graphs", "DLOG data records in table views and files",
            "DLOG data file names", "DLOG data last download date"};
}

void COptionsPropertySheet::SelectUse(int index) {
    if (index >= 0 && index < kDateSlotCount - 1)
        selectedUse_ = index;
}

std::string COptionsPropertySheet::GetFormatText() const {
    return edited_.DateFormat(selectedUse_ + 1);
}

void COptionsPropertySheet::SetFormatText(std::string text) {
    edited_.SetDateFormat(selectedUse_ + 1, std::move(text));
}

void COptionsPropertySheet::RestoreDateFormatDefaults() {
    for (int slot = 0; slot < kDateSlotCount; ++slot)
        edited_.SetDateFormat(slot, Options::DefaultDateFormat(slot));
}

bool COptionsPropertySheet::BrowseLogFile() {
    FileDialogRequest request;
    request.filter = kLogFileFilter;
    request.defaultExtension = ".txt";
    request.initialName = edited_.logFileName;
    request.promptOverwrite = true;
    const auto chosen = GetUserPrompt().SaveFile(request);
    if (!chosen)
        return false;
    edited_.logFileName = *chosen;
    return true;
}

bool COptionsPropertySheet::CheckPage(int page) {
    switch (page) {
        case kOptFrontPanelPage: {
            std::int64_t interval = 0;
            if (!CheckInteger(intervalText_, kMinInterval, kMaxInterval, interval))
                return false;
            edited_.frontPanelInterval = static_cast<std::uint32_t>(interval);
            return true;
        }
        case kOptLoggingPage:
            // A name of blanks only would name no usable file either.
            if (edited_.AnyLogging() && IsBlankText(edited_.logFileName)) {
                ShowInputError(FormatMessage(msg::kEnterLogFileName));
                return false;
            }
            return true;
        default:
            return true;
    }
}

bool COptionsPropertySheet::Confirm() {
    for (int page = 0; page < kOptPageCount; ++page) {
        if (!CheckPage(page)) {
            failedPage_ = page;
            return false;
        }
    }
    failedPage_ = -1;
    return true;
}

bool COptionsPropertySheet::RestoreDefaults() {
    if (busy_ || !AskRestoreDefaults())
        return false;
    edited_.RestoreDefaults();
    intervalText_ = std::to_string(edited_.frontPanelInterval);
    return true;
}

bool ApplyOptions(CTALVENApp& app, const Options& options) {
    bool changed = false;
    {
        DataGuard guard;
        changed = !(app.GetOptions() == options);
        app.SetOptions(options);
    }
    app.OpenLog();
    return changed;
}

bool RestoreDefaultsCommand(CTALVENApp& app, bool busy) {
    if (busy || !AskRestoreDefaults())
        return false;
    return app.RestoreDefaults(busy);
}

}  // namespace talven
