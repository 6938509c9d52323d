#pragma once
// What the window tests share: the application on the offscreen platform (made by the test
// program's main), the notifier and prompt it installs, and screenshots for the manual.

#include <QString>

class QWidget;

namespace talven::gui::test {

/// Saves the widget as build/screenshots/<name>.png (the folder given to the tests at build time)
/// and returns the path. Fails the current test when the image cannot be written.
QString SaveScreenshot(QWidget& widget, const QString& name);

/// Runs the window thread's queued work until pred holds or timeoutMs pass; returns pred().
template <class Pred>
bool WaitFor(Pred pred, int timeoutMs = 10000);

void ProcessEventsFor(int ms);

}  // namespace talven::gui::test

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

template <class Pred>
bool talven::gui::test::WaitFor(Pred pred, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!pred()) {
        if (deadline.hasExpired())
            return pred();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}
