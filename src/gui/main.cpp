// TALVEN start-up without windows: reads the options, takes the configuration path from the command
// line, opens the event log, reports the options and date formats in effect, and saves the options
// on exit as the window program does.

#include <cstdio>
#include <string>
#include <vector>

#include <iostream>

#include "app/TalvenApp.h"
#include "foundation/DateTime.h"
#include "gui/HeadlessDemo.h"
#include "network/NetworkConfiguration.h"
#include "network/NetworkFiles.h"
#include "network/TreeDescription.h"

namespace {

const char* OnOff(bool b) {
    return b ? "on" : "off";
}

void Report(const talven::CTALVENApp& app, const talven::FileSettingsStore& store,
            const std::string& config) {
    const talven::Options o = app.GetOptions();
    static const char* kSlotUses[] = {"(held)",
                                      "Log file entries",
                                      "DLOG data records in graphs",
                                      "DLOG data records in table views and files",
                                      "DLOG data file names",
                                      "DLOG data last download date"};
    const talven::DateTime now = talven::DateTime::Now();
    std::printf("TALVEN %s (this build has no window program yet: running without windows)\n\n",
                TALVEN_VERSION);
    std::printf("Settings file:           %s/%s/%s\n", store.directory().c_str(), talven::kSettingsSection,
                talven::kSettingsKey);
    std::printf("Network configuration:   %s%s\n", config.c_str(),
                app.fileGivenOnCommandLine() ? " (from the command line)" : "");
    std::printf("Log file:                %s (commands %s, responses %s, errors %s)\n", o.logFileName.c_str(),
                OnOff(o.logCommands), OnOff(o.logResponses), OnOff(o.logErrors));
    std::printf("Front panel update:      %s, every %u s\n", OnOff(o.periodicFrontPanelUpdate),
                o.frontPanelInterval);
    std::printf("Load previous on start:  %s\nSave on exit:            %s\n", OnOff(o.loadPreviousOnStartup),
                OnOff(o.saveOnExit));
    std::printf("Confirm deletes:         %s\nCheck boxes in trees:    %s\nDetect failed links:     %s\n\n",
                OnOff(o.confirmDeletes), OnOff(o.checkBoxesInTrees), OnOff(o.detectFailedConnections));
    std::printf("Date formats (now printed with each):\n");
    for (int slot = 1; slot < talven::kDateSlotCount; ++slot) {
        std::printf("  %d  %-44s %-22s %s\n", slot, kSlotUses[slot], o.DateFormat(slot).c_str(),
                    now.Format(o.DateFormat(slot)).c_str());
    }
}

const char* kUsage =
    "Usage: talven [FILE]\n"
    "\n"
    "Starts TALVEN on the network configuration FILE (.cfg the binary form, any other extension the\n"
    "text form). This build has no window program yet: it reports the options and date formats in\n"
    "effect, then prints the tree of FILE, or without FILE runs the demo network against the\n"
    "simulator's instruments. Exit status 1 when FILE cannot be opened or a demo instrument fails.\n"
    "  --help   print this text\n";

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        }
    }
    talven::FileSettingsStore store(talven::FileSettingsStore::DefaultDirectory());
    talven::CTALVENApp app(store);
    app.Startup(args);
    const bool given = app.fileGivenOnCommandLine();
    const std::string config = given ? app.StartupConfigPath("TALVEN") : std::string("(the demo network)");
    Report(app, store, config);
    std::fflush(stdout);
    int status = 0;
    if (given) {
        // A configuration named on the command line: open it and show its tree.
        talven::CNetworkConfiguration configuration;
        talven::ScopedNetworkConfiguration current(&configuration);
        if (talven::LoadNetworkConfiguration(configuration, config)) {
            std::cout << "\n" << talven::DescribeNetworkTree(configuration);
        } else {
            status = 1;
        }
    } else {
        std::cout << "\n";
        status = talven::RunHeadlessDemo(std::cout) == 0 ? 0 : 1;
    }
    app.Exit();
    return status;
}
