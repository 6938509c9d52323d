// The window tests' program: one QApplication on the offscreen platform for every test, with the
// Qt notifier installed so that workers' posts reach the windows.

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <gtest/gtest.h>

#include "foundation/Notifier.h"
#include "gui/QtPlatform.h"
#include "tests/gui/GuiTestSupport.h"

namespace talven::gui::test {

QString SaveScreenshot(QWidget& widget, const QString& name) {
    const QString dir = QStringLiteral(TALVEN_SCREENSHOT_DIR);
    QDir().mkpath(dir);
    const QString path = dir + "/" + name + ".png";
    const QPixmap pixmap = widget.grab();
    EXPECT_FALSE(pixmap.isNull()) << "nothing to grab for " << name.toStdString();
    EXPECT_TRUE(pixmap.save(path, "PNG")) << "cannot write " << path.toStdString();
    return path;
}

void ProcessEventsFor(int ms) {
    WaitFor([] { return false; }, ms);
}

}  // namespace talven::gui::test

namespace {
QtMessageHandler g_defaultHandler = nullptr;

// The offscreen platform says on every dialog that it cannot propagate size hints, and on every
// window brought forward that it cannot raise it: keep the test output for what matters.
void FilterMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains("propagateSizeHints") || message.contains("does not support raise()"))
        return;
    g_defaultHandler(type, context, message);
}
}  // namespace

int main(int argc, char** argv) {
    g_defaultHandler = qInstallMessageHandler(FilterMessages);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The window tests never touch the user's own settings.
    qputenv("XDG_CONFIG_HOME", QByteArray(TALVEN_TEST_CONFIG_DIR));
    QApplication app(argc, argv);
    QApplication::setOrganizationName("OrvaneVamir");
    QApplication::setApplicationName("TALVEN");
    talven::gui::QtNotifier notifier;
    talven::ScopedNotifier installed(&notifier);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
