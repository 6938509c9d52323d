// Stand-ins for the dialogs until they are part of the program: each says that its dialog is not
// available yet and changes nothing.

#include "foundation/Messages.h"
#include "foundation/UserPrompt.h"
#include "gui/Dialogs.h"
#include "gui/GuiMessages.h"

namespace talven {

namespace {

void SayNotAvailable(QWidget* /*parent*/, int dialogName) {
    GetUserPrompt().MessageBox(FormatMessage(msg::kDialogNotAvailable, MessageText(dialogName)),
                               std::string(MessageText(dialogName)), mb::kOk | mb::kIconInformation);
}

}  // namespace

bool ShowOptionsDialog(QWidget* parent, CTALVENApp& /*app*/, bool /*busy*/) {
    SayNotAvailable(parent, msg::kDialogOptions);
    return false;
}

bool ShowNodeProperties(QWidget* parent, CTreeNode& /*node*/) {
    SayNotAvailable(parent, msg::kDialogProperties);
    return false;
}

void ShowModemsDialog(QWidget* parent) {
    SayNotAvailable(parent, msg::kDialogModems);
}

void ShowInstrumentInformation(QWidget* parent, CInstrumentNode& /*node*/) {
    SayNotAvailable(parent, msg::kDialogInstrumentInformation);
}

}  // namespace talven
