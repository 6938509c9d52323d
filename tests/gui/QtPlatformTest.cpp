// The bridge from the program's interfaces to Qt: posts reach live windows in order and are
// dropped for closed ones; message boxes answer with the core's answer codes; filters convert.

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "gui/QtPlatform.h"
#include "tests/gui/GuiTestSupport.h"

namespace talven::gui {
namespace {

struct Recorder : NotificationSink {
    std::vector<int> codes;
    void OnNotification(int code, std::uintptr_t, std::intptr_t) override { codes.push_back(code); }
};

TEST(QtNotifierTest, PostsFromWorkersArriveInOrderAndClosedWindowsHearNothing) {
    QtNotifier* notifier = GetQtNotifier();
    ASSERT_NE(notifier, nullptr);
    Recorder open;
    auto closed = std::make_unique<Recorder>();
    NotificationRegistration openReg(*notifier, &open);
    auto closedReg = std::make_unique<NotificationRegistration>(*notifier, closed.get());
    const NotifyTarget closedTarget = closedReg->target();
    std::thread worker([&] {
        for (int code = 1031; code <= 1036; ++code)
            GetNotifier().Post(openReg.target(), code, 0, 0);
        GetNotifier().Post(closedTarget, 1037, 0, 0);
    });
    worker.join();
    // The window closes before the queued posts run: they must not reach it.
    closedReg.reset();
    closed.reset();
    QtNotifier::DeliverPending();
    EXPECT_EQ(open.codes, (std::vector<int>{1031, 1032, 1033, 1034, 1035, 1036}));
}

TEST(QtUserPromptTest, AnswersMapToTheCoreCodesAndEscapeCancels) {
    QtUserPrompt prompt;
    auto pressLater = [](int key) {
        QTimer::singleShot(0, [key] {
            QWidget* box = QApplication::activeModalWidget();
            ASSERT_NE(box, nullptr);
            QTest::keyClick(box, static_cast<Qt::Key>(key));
        });
    };
    pressLater(Qt::Key_Escape);
    EXPECT_EQ(prompt.MessageBox("Save changes?", "TALVEN", mb::kYesNoCancel | mb::kIconQuestion), mb::kIdCancel);
    pressLater(Qt::Key_Return);
    EXPECT_EQ(prompt.MessageBox("Delete?", "", mb::kYesNo | mb::kDefaultButton2), mb::kIdNo);
    pressLater(Qt::Key_Return);
    EXPECT_EQ(prompt.MessageBox("Delete?", "", mb::kYesNo), mb::kIdYes);
}

TEST(QtFileFilterTest, PairsBecomeQtFilterLists) {
    EXPECT_EQ(QtFileFilter("Configuration files (*.cfg)|*.cfg|All Files (*.*)|*.*||"),
              "Configuration files (*.cfg);;All Files (*)");
    EXPECT_EQ(QtFileFilter(""), "");
}

}  // namespace
}  // namespace talven::gui
