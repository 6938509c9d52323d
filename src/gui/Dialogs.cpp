#include "gui/Dialogs.h"

#include "app/TalvenApp.h"
#include "app/ui/InstrumentPropertySheet.h"
#include "gui/ConnectionDialogs.h"
#include "gui/DialogContext.h"
#include "gui/InstrumentInformationWindow.h"
#include "gui/InstrumentPropertiesDialog.h"
#include "gui/ModemsDialog.h"
#include "gui/NodePropertiesDialogs.h"
#include "gui/OptionsDialog.h"
#include "network/InstrumentNode.h"
#include "network/NetworkConfiguration.h"
#include "network/TreeNode.h"

namespace talven::gui {

namespace {
CTALVENApp* g_app = nullptr;
QtConnectionEditor g_linkEditor;
}  // namespace

void SetDialogApplication(CTALVENApp* app) {
    g_app = app;
    SetConnectionEditor(app != nullptr ? &g_linkEditor : nullptr);
}

CTALVENApp* GetDialogApplication() {
    return g_app;
}

bool ShowOptionsDialog(QWidget* parent, CTALVENApp& app, bool busy) {
    OptionsDialog dialog(parent, app.GetOptions(), busy);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    return ApplyOptions(app, dialog.Presenter().Result());
}

bool ShowNodeProperties(QWidget* parent, CTreeNode& node) {
    // A node being created is not in the lists yet: OK confirms its creation even unchanged.
    const bool isNew = !IsNodeInConfiguration(node);
    if (auto* site = dynamic_cast<CSiteNode*>(&node)) {
        SitePropertiesDialog dialog(parent, *site);
        return dialog.exec() == QDialog::Accepted && (isNew || dialog.Changed());
    }
    if (auto* multiplexor = dynamic_cast<CMultiplexorNode*>(&node)) {
        MultiplexorPropertiesDialog dialog(parent, *multiplexor);
        return dialog.exec() == QDialog::Accepted && (isNew || dialog.Changed());
    }
    if (auto* instrument = dynamic_cast<CInstrumentNode*>(&node)) {
        InstrumentPropertiesDialog dialog(parent, *instrument, isNew);
        return dialog.exec() == QDialog::Accepted && (isNew || dialog.Presenter().Changed());
    }
    return false;
}

void ShowModemsDialog(QWidget* parent) {
    CNetworkConfiguration* configuration = GetCurrentNetworkConfiguration();
    if (configuration == nullptr)
        return;
    const bool confirm = g_app == nullptr || g_app->GetOptions().confirmDeletes;
    ModemsDialog dialog(parent, *configuration, confirm);
    dialog.exec();
}

void ShowInstrumentInformation(QWidget* parent, CInstrumentNode& node) {
    if (InstrumentInformationWindow* open = InstrumentInformationWindow::Find(node.GetId())) {
        open->raise();
        open->activateWindow();
        return;
    }
    auto* window = new InstrumentInformationWindow(parent, node);
    window->show();
}

}  // namespace talven::gui
