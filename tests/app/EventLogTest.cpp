#include "app/EventLog.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "foundation/UserPrompt.h"

namespace talven {
namespace {

class EventLogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/talven-log-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        path_ = dir_ + "/Log.txt";
        log_.SetClock([] { return DateTime::FromElements(2012, 1, 5, 14, 3, 9); });
    }
    void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

    EventLogSettings Settings(bool commands, bool responses, bool errors) const {
        EventLogSettings s;
        s.logCommands = commands;
        s.logResponses = responses;
        s.logErrors = errors;
        s.fileName = path_;
        return s;
    }
    std::string FileText() const {
        std::ifstream in(path_, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }

    std::string dir_;
    std::string path_;
    EventLog log_;
};

TEST_F(EventLogTest, lineHasTimeCategoryInTwelveColumnsAndEscapedText) {
    const DateTime t = DateTime::FromElements(2012, 1, 5, 14, 3, 9);
    EXPECT_EQ(EventLog::FormatLine(t, "%m/%d/%Y %H:%M:%S", kLogError, "OK\r\n"),
              "01/05/2012 14:03:09,  Error       ,  OK\\r\\n\r\n");
    EXPECT_EQ(EventLog::FormatLine(t, "%H", kLogResponse,
                                   std::string("\x01"
                                               "A",
                                               2)),
              "14,  Response    ,  \\x01\\x41\r\n");
    EXPECT_EQ(EventLog::FormatLine(t, "%H", 17, "x"), "14,  Misc        ,  x\r\n");
    EXPECT_EQ(EventLog::FormatLine(t, "%H", -1, "x"), "14,  Misc        ,  x\r\n");
}

TEST_F(EventLogTest, filterWritesOnlyTheCategoriesThatAreOn) {
    log_.SetSettings(Settings(false, false, true));
    ASSERT_TRUE(log_.OpenLog());
    log_.Log(kLogCommand, "sent");
    log_.Log(kLogResponse, "received");
    log_.Log(kLogError, "broken");
    log_.Log(kLogStatus, "status note");
    log_.Log(kLogMisc, "misc note");
    log_.CloseLog();
    EXPECT_EQ(FileText(),
              "01/05/2012 14:03:09,  Status      ,  Log file opened.\r\n"
              "01/05/2012 14:03:09,  Error       ,  broken\r\n"
              "01/05/2012 14:03:09,  Status      ,  status note\r\n"
              "01/05/2012 14:03:09,  Misc        ,  misc note\r\n"
              "01/05/2012 14:03:09,  Status      ,  Log file closed.\r\n");
}

TEST_F(EventLogTest, nothingIsOpenedWhenAllLoggingIsOffOrTheNameIsEmpty) {
    log_.SetSettings(Settings(false, false, false));
    EXPECT_TRUE(log_.OpenLog());
    EXPECT_FALSE(log_.IsOpen());
    log_.Log(kLogError, "not written");
    auto s = Settings(true, false, false);
    s.fileName.clear();
    log_.SetSettings(s);
    EXPECT_TRUE(log_.OpenLog());
    EXPECT_FALSE(log_.IsOpen());
    EXPECT_FALSE(std::ifstream(path_).good());
}

TEST_F(EventLogTest, reopeningAppendsAndNeverEmptiesTheFile) {
    {
        std::ofstream existing(path_, std::ios::binary);
        existing << "earlier line\r\n";
    }
    log_.SetSettings(Settings(true, false, false));
    ASSERT_TRUE(log_.OpenLog());
    log_.Log(kLogCommand, "first");
    const std::string other = dir_ + "/Other.txt";
    auto s = Settings(true, false, false);
    s.fileName = other;
    log_.SetSettings(s);
    ASSERT_TRUE(log_.OpenLog());
    log_.CloseLog();
    const std::string text = FileText();
    EXPECT_EQ(text.rfind("earlier line\r\n", 0), 0u);
    EXPECT_NE(text.find("Command     ,  first\r\n"), std::string::npos);
    EXPECT_NE(text.find("Log file closed."), std::string::npos);
    std::ifstream in(other, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    EXPECT_NE(ss.str().find("Log file opened."), std::string::npos);
    EXPECT_NE(ss.str().find("Log file closed."), std::string::npos);
}

TEST_F(EventLogTest, aFileThatCannotBeOpenedIsReportedAndLoggingStaysOff) {
    ScriptedPrompt prompt;
    ScopedUserPrompt scope(&prompt);
    auto s = Settings(true, true, true);
    s.fileName = dir_ + "/no/such/dir/Log.txt";
    log_.SetSettings(s);
    EXPECT_FALSE(log_.OpenLog());
    EXPECT_FALSE(log_.IsOpen());
    ASSERT_EQ(prompt.asked().size(), 1u);
    EXPECT_EQ(prompt.asked()[0].text,
              "Unable to open file " + s.fileName + " for writing. May be read-only.");
    EXPECT_EQ(prompt.asked()[0].caption, "Error");
    log_.Log(kLogError, "still fine");  // goes to the debug output only
}

TEST_F(EventLogTest, linesFromManyThreadsNeverInterleave) {
    log_.SetSettings(Settings(true, true, true));
    ASSERT_TRUE(log_.OpenLog());
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([this, t] {
            for (int i = 0; i < 200; ++i)
                log_.Log(kLogCommand, "thread " + std::to_string(t) + " line " + std::to_string(i));
        });
    }
    for (auto& th : threads)
        th.join();
    log_.CloseLog();
    std::istringstream in(FileText());
    std::string line;
    int count = 0;
    while (std::getline(in, line)) {
        ASSERT_EQ(line.rfind("01/05/2012 14:03:09,  ", 0), 0u) << line;
        ASSERT_EQ(line.back(), '\r') << line;
        ++count;
    }
    EXPECT_EQ(count, 8 * 200 + 2);
}

}  // namespace
}  // namespace talven
