#pragma once
// What the dialogs take from the running program besides their arguments: the application (for
// the confirm-deletions option of the modems dialog) and the editor through which a link's
// EditProperties opens its dialog. The window program installs it once after creating the
// application; without it deletions are always confirmed.

namespace talven {
class CTALVENApp;
}

namespace talven::gui {

/// Installs the application and the Qt link editor; null removes both. Window thread.
void SetDialogApplication(CTALVENApp* app);
CTALVENApp* GetDialogApplication();

}  // namespace talven::gui
