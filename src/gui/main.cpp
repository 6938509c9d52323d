// TALVEN start-up without windows: reads the options, takes the configuration path from the command
// line, opens the event log, reports the options and date formats in effect, and saves the options
// on exit as the window program does.

#include <cstdio>
#include <string>
#include <vector>

#include "app/TalvenApp.h"
#include "foundation/DateTime.h"

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
    std::printf("TALVEN %s (no display program in this build: running the start-up headless)\n\n",
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

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    talven::FileSettingsStore store(talven::FileSettingsStore::DefaultDirectory());
    talven::CTALVENApp app(store);
    app.Startup(args);
    const std::string config = app.StartupConfigPath("TALVEN");
    Report(app, store, config);
    app.Exit();
    return 0;
}
