#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "cli/Console.h"

namespace talven::cli {
namespace {

std::string Trimmed(std::string text) {
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

/// What a terminal would show, without trailing blanks: carriage returns move back to the start
/// of the line.
std::string Screen(const std::string& written) {
    std::string screen, line;
    std::size_t column = 0;
    for (char c : written) {
        if (c == '\r') {
            column = 0;
        } else if (c == '\n') {
            screen += Trimmed(line) + "\n";
            line.clear();
            column = 0;
        } else {
            if (column < line.size())
                line[column] = c;
            else
                line += c;
            ++column;
        }
    }
    return screen + Trimmed(line);
}

TEST(Console, aTerminalShowsTheTransfersUnderWayBelowTheMessagesAndClearsTheLineAtTheirEnd) {
    std::ostringstream err;
    Console console(err, true);
    console.SetLabel(7, "Roof");
    console.SetStatus(7, "Downloading DLOG configuration...");
    console.Track(7, wm::kTransferStart, 3, 0);
    console.Track(7, wm::kTransferStep, 0, 0);
    console.Track(7, wm::kTransferStep, 0, 0);
    console.Track(7, wm::kTransferStep, 0, 0);
    EXPECT_EQ(Screen(err.str()), "Roof: Downloading DLOG configuration... 3/3");

    console.Track(8, wm::kTransferStart, 10, 0);
    console.Message("Downloading 2 channel(s) of instrument Yard.");
    EXPECT_EQ(Screen(err.str()),
              "Downloading 2 channel(s) of instrument Yard.\n"
              "Roof: Downloading DLOG configuration... 3/3 | ... 0/10");

    console.Track(7, wm::kDownloadDone, 0, 0);
    EXPECT_EQ(Screen(err.str()), "Downloading 2 channel(s) of instrument Yard.\n... 0/10");
    console.Track(8, wm::kDownloadFailed, 0, 0);
    EXPECT_EQ(Screen(err.str()), "Downloading 2 channel(s) of instrument Yard.\n");
}

TEST(Console, aLongLineIsCutToTheWidthAndNothingButMessagesReachesAPipe) {
    std::ostringstream terminal;
    Console narrow(terminal, true, 30);
    narrow.SetLabel(1, "An instrument with a long name");
    narrow.Track(1, wm::kTransferStart, 5, 0);
    const std::string shown = Screen(terminal.str());
    EXPECT_EQ(shown.size(), 30u);
    EXPECT_EQ(shown.substr(27), "...");

    std::ostringstream pipe;
    Console plain(pipe, false);
    plain.Track(1, wm::kTransferStart, 5, 0);
    plain.Track(1, wm::kTransferStep, 0, 0);
    plain.Message("done");
    plain.Track(1, wm::kDownloadDone, 0, 0);
    EXPECT_EQ(pipe.str(), "done\n");
}

}  // namespace
}  // namespace talven::cli
