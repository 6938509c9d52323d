#include "gui/CalibratorWindows.h"

#include <QPointer>

#include <map>
#include <memory>

#include "calibrator/CalibratorClasses.h"
#include "calibrator/ui/LevelTablePresenter.h"
#include "calibrator/ui/SequenceConfigPresenter.h"
#include "gui/LevelTableWindow.h"
#include "gui/SequenceConfigWindow.h"
#include "gui/StepFormDialog.h"
#include "network/InstrumentNode.h"

namespace talven::gui {

namespace {

/// What is open for one instrument. The view lives while either window holds it.
struct NodeWindows {
    QPointer<SequenceConfigWindow> sequences;
    QPointer<LevelTableWindow> levels;
    std::weak_ptr<CInstrumentCalibratorView> view;
};

std::map<const CInstrumentNode*, NodeWindows>& Registry() {
    static std::map<const CInstrumentNode*, NodeWindows> registry;
    return registry;
}

std::function<bool()>& ConfirmDeletesSource() {
    static std::function<bool()> source;
    return source;
}

std::shared_ptr<CInstrumentCalibratorView> SharedView(CInstrumentConnectedNode& node) {
    NodeWindows& entry = Registry()[&node];
    std::shared_ptr<CInstrumentCalibratorView> view = entry.view.lock();
    if (!view) {
        view = std::make_shared<CInstrumentCalibratorView>(node);
        entry.view = view;
    }
    return view;
}

/// The step, sequence and level dialogs run as Qt dialogs, unless something else (a test) has
/// installed its own runner.
void InstallFormRunner() {
    static QtFormRunner runner;
    if (GetFormRunner() == nullptr)
        SetFormRunner(&runner);
}

bool ConfirmDeletes() {
    const std::function<bool()>& source = ConfirmDeletesSource();
    return source ? source() : true;
}

void Show(QWidget& window) {
    window.show();
    window.raise();
    window.activateWindow();
}

template <class Presenter>
std::unique_ptr<Presenter> MakePresenter(CInstrumentConnectedNode& node) {
    auto presenter = std::make_unique<Presenter>(SharedView(node), MakeSessionLink(node));
    presenter->SetConfirmDeletes(&ConfirmDeletes);
    return presenter;
}

}  // namespace

void OpenSequenceWindow(QWidget* parent, CInstrumentConnectedNode& node) {
    InstallFormRunner();
    NodeWindows& entry = Registry()[&node];
    if (!entry.sequences) {
        entry.sequences = new SequenceConfigWindow(MakePresenter<SequenceConfigPresenter>(node), parent);
        entry.sequences->setAttribute(Qt::WA_DeleteOnClose);
    }
    Show(*entry.sequences);
}

void OpenLevelWindow(QWidget* parent, CInstrumentConnectedNode& node) {
    InstallFormRunner();
    NodeWindows& entry = Registry()[&node];
    if (!entry.levels) {
        entry.levels = new LevelTableWindow(MakePresenter<LevelTablePresenter>(node), parent);
        entry.levels->setAttribute(Qt::WA_DeleteOnClose);
    }
    Show(*entry.levels);
}

void CloseCalibratorWindows(const CInstrumentNode* node) {
    // Closing a window deletes it, which may drop the last share of a view: walk a copy.
    std::map<const CInstrumentNode*, NodeWindows> open = Registry();
    for (auto& [key, windows] : open) {
        if (node != nullptr && key != node)
            continue;
        if (windows.sequences)
            delete windows.sequences.data();
        if (windows.levels)
            delete windows.levels.data();
        Registry().erase(key);
    }
}

void SetCalibratorConfirmDeletes(std::function<bool()> source) {
    ConfirmDeletesSource() = std::move(source);
}

QWidget* FindSequenceWindow(const CInstrumentNode& node) {
    const auto found = Registry().find(&node);
    return found == Registry().end() ? nullptr : found->second.sequences.data();
}

QWidget* FindLevelWindow(const CInstrumentNode& node) {
    const auto found = Registry().find(&node);
    return found == Registry().end() ? nullptr : found->second.levels.data();
}

}  // namespace talven::gui
