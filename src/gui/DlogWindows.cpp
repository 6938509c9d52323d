#include "gui/DlogWindows.h"

#include <QPointer>

#include <map>

#include "dlog/InstrumentNodeDlog.h"
#include "gui/DlogConfigWindow.h"
#include "gui/DlogWindowSupport.h"
#include "gui/QtPlatform.h"
#include "network/InstrumentNode.h"

namespace talven::gui {

namespace {

std::map<const CInstrumentNode*, QPointer<CDASConfigDialog>>& Windows() {
    static std::map<const CInstrumentNode*, QPointer<CDASConfigDialog>> windows;
    return windows;
}

}  // namespace

void OpenDlogConfigurationWindow(QWidget* parent, CInstrumentConnectedNode& node) {
    if (CDASConfigDialog* open = FindDlogConfigurationWindow(node)) {
        if (open->isMinimized())
            open->showNormal();
        open->show();
        open->raise();
        open->activateWindow();
        return;
    }
    if (GetQtNotifier() == nullptr)
        return;  // no window program: nothing could tell the window of its requests
    auto* window = new CDASConfigDialog(parent, node, DlogOfNode(node));
    window->setAttribute(Qt::WA_DeleteOnClose);
    Windows()[&node] = window;
    QObject::connect(window, &QObject::destroyed,
                     [nodeKey = static_cast<const CInstrumentNode*>(&node)] { Windows().erase(nodeKey); });
    window->show();
}

CDASConfigDialog* FindDlogConfigurationWindow(const CInstrumentNode& node) {
    const auto found = Windows().find(&node);
    return found == Windows().end() ? nullptr : found->second.data();
}

void ForgetDlogWindowsOf(const CInstrumentNode& node) {
    delete FindDlogConfigurationWindow(node);
    Windows().erase(&node);
    ForgetDlogOfNode(node);
}

void SetDlogWindowsApplication(CTALVENApp* app) {
    SetDlogApplication(app);
}

}  // namespace talven::gui
