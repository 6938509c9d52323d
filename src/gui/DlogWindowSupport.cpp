#include "gui/DlogWindowSupport.h"

#include <QCoreApplication>
#include <QDate>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QSettings>
#include <QTime>
#include <QWidget>

#include <algorithm>
#include <map>
#include <memory>

#include "app/TalvenApp.h"
#include "dlog/DlogScript.h"
#include "dlog/InstrumentNodeDlog.h"
#include "dlog/ui/DlogDialogPresenters.h"
#include "gui/QtPlatform.h"

namespace talven::gui {

namespace {

CTALVENApp* g_app = nullptr;

std::map<const CInstrumentNode*, std::unique_ptr<InstrumentNodeDlog>>& Adapters() {
    static std::map<const CInstrumentNode*, std::unique_ptr<InstrumentNodeDlog>> adapters;
    return adapters;
}

QString SettingsKey(PlacementSlot slot) {
    return QStringLiteral("Windows/Placement%1").arg(static_cast<int>(slot));
}

/// A remembered rectangle is used only while a screen still shows a good part of it.
bool OnSomeScreen(const QRect& rect) {
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect shown = screen->availableGeometry().intersected(rect);
        if (shown.width() >= 100 && shown.height() >= 50)
            return true;
    }
    return false;
}

}  // namespace

void SetDlogApplication(CTALVENApp* app) {
    g_app = app;
}

DlogWindowOptions CurrentDlogOptions() {
    DlogWindowOptions out;
    if (g_app == nullptr)
        return out;
    const Options options = g_app->GetOptions();
    for (int slot = 0; slot < kDateSlotCount; ++slot)
        out.formats.SetSlot(slot, options.DateFormat(slot));
    out.confirmDeletes = options.confirmDeletes;
    return out;
}

void RestorePlacement(QWidget& window, PlacementSlot slot) {
    QRect rect;
    if (g_app != nullptr) {
        const WindowPlacement p = g_app->GetOptions().placements[static_cast<std::size_t>(slot)];
        if (p.valid)
            rect = QRect(QPoint(p.left, p.top), QPoint(p.right - 1, p.bottom - 1));
    } else {
        rect = QSettings("OrvaneVamir", "TALVEN").value(SettingsKey(slot)).toRect();
    }
    if (rect.isValid() && OnSomeScreen(rect))
        window.setGeometry(rect);
}

void RememberPlacement(const QWidget& window, PlacementSlot slot) {
    const QRect rect = window.geometry();
    if (g_app == nullptr) {
        QSettings("OrvaneVamir", "TALVEN").setValue(SettingsKey(slot), rect);
        return;
    }
    Options options = g_app->GetOptions();
    WindowPlacement& p = options.placements[static_cast<std::size_t>(slot)];
    p.valid = true;
    p.left = rect.left();
    p.top = rect.top();
    p.right = rect.left() + rect.width();
    p.bottom = rect.top() + rect.height();
    p.showState = window.isMaximized() ? 3u : 1u;
    g_app->SetOptions(options);
}

InstrumentNodeDlog& DlogOfNode(CInstrumentNode& node) {
    std::unique_ptr<InstrumentNodeDlog>& adapter = Adapters()[&node];
    if (!adapter || &adapter->node() != &node)
        adapter = std::make_unique<InstrumentNodeDlog>(node);
    // Channels read from a configuration file come without their instrument.
    AttachDlogChannels(*adapter);
    return *adapter;
}

void ForgetDlogOfNode(const CInstrumentNode& node) {
    Adapters().erase(&node);
}

void ToQt(const DateTimePickers& value, QDate& date, QTime& time) {
    date = value.hasDate ? QDate(value.year, value.month, value.day) : QDate();
    time = QTime(value.hour, value.minute, value.second);
}

DateTimePickers FromQt(const QDate& date, const QTime& time) {
    DateTimePickers p;
    p.hasDate = date.isValid();
    if (p.hasDate) {
        p.year = date.year();
        p.month = date.month();
        p.day = date.day();
    }
    p.hour = time.hour();
    p.minute = time.minute();
    p.second = time.second();
    return p;
}

void WidgetProgress::Begin(const std::string& status, std::size_t steps) {
    Show(status, steps, 0);
    KeepPainted(true);
}

void WidgetProgress::Step() {
    if (position_ < range_)
        ++position_;
    if (sincePaint_.isValid() && sincePaint_.elapsed() < 50)
        return;
    Paint();
    KeepPainted(false);
}

void WidgetProgress::End() {
    Show({}, 0, 0);
}

void WidgetProgress::Show(const std::string& status, std::size_t range, std::size_t position) {
    if (status_)
        status_->setText(ToQt(status));
    range_ = range;
    position_ = position;
    Paint();
}

void WidgetProgress::Paint() {
    if (bar_) {
        // The bar counts in int: a range beyond a million is shown in proportion. An empty range
        // would make it a busy indicator; idle, it is an empty bar.
        const double scale = range_ > 1000000 ? 1000000.0 / static_cast<double>(range_) : 1.0;
        bar_->setRange(0, std::max(1, static_cast<int>(static_cast<double>(range_) * scale)));
        bar_->setValue(static_cast<int>(static_cast<double>(position_) * scale));
        if (hideWhenIdle_)
            bar_->setVisible(range_ > 0);
    }
    sincePaint_.restart();
}

void WidgetProgress::KeepPainted(bool force) {
    static QElapsedTimer sinceEvents;
    if (!force && sinceEvents.isValid() && sinceEvents.elapsed() < 50)
        return;
    sinceEvents.restart();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace talven::gui
