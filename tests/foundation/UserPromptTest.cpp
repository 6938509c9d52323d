#include "foundation/UserPrompt.h"

#include <gtest/gtest.h>

#include <thread>

namespace talven {
namespace {

TEST(UserPrompt, theInstallingThreadAsksAndTheDefaultAnswersWhenNoneIsInstalled) {
    ScriptedPrompt prompt;
    {
        ScopedUserPrompt scope(&prompt);
        prompt.QueueAnswer(mb::kIdNo);
        EXPECT_EQ(GetUserPrompt().MessageBox("Replace?", "Confirm", mb::kYesNo), mb::kIdNo);
    }
    ASSERT_EQ(prompt.asked().size(), 1u);
    // Without an installed prompt any thread gets the default button.
    int answer = 0;
    std::thread other(
        [&] { answer = GetUserPrompt().MessageBox("x", "Error", mb::kOkCancel | mb::kDefaultButton2); });
    other.join();
    EXPECT_EQ(answer, mb::kIdCancel);
}

#ifndef NDEBUG
TEST(UserPromptDeathTest, anotherThreadAskingThroughTheInstalledPromptIsCaught) {
    EXPECT_DEATH(
        {
            ScriptedPrompt prompt;
            ScopedUserPrompt scope(&prompt);
            std::thread worker([] { GetUserPrompt().MessageBox("Error writing file x.", "Error", mb::kOk); });
            worker.join();
        },
        "only from the thread that installed the prompt");
}
#endif

}  // namespace
}  // namespace talven
