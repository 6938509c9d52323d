// TALVEN's start-up. With a display it is the window program: the options from the desktop's
// settings, the configuration from the command line or the one used last, the main window, and on
// exit the options saved again. Without a display it runs the start-up without windows: it reports
// the options and date formats in effect, then prints the tree of the file given, or runs the demo
// network against the simulator's instruments.

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "app/TalvenApp.h"
#include "foundation/DateTime.h"
#include "foundation/Messages.h"
#include "gui/HeadlessDemo.h"
#include "network/NetworkConfiguration.h"
#include "network/NetworkFiles.h"
#include "network/TreeDescription.h"

#if TALVEN_HAVE_QT
#include <QApplication>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <thread>

#include "app/RecentFiles.h"
#include "foundation/DataLock.h"
#include "foundation/Notifier.h"
#include "foundation/UserPrompt.h"
#include "gui/CalibratorWindows.h"
#include "gui/DemoNetwork.h"
#include "gui/DialogContext.h"
#include "gui/DlogWindows.h"
#include "gui/GuiMessages.h"
#include "gui/MainWindow.h"
#include "gui/QtPlatform.h"
#include "network/InstrumentNode.h"
#include "session/InstrumentSession.h"
#endif

namespace {

const char* OnOff(bool b) {
    return b ? "on" : "off";
}

void Report(const talven::CTALVENApp& app, const talven::FileSettingsStore& store, const std::string& config,
            const std::string& why) {
    const talven::Options o = app.GetOptions();
    static const char* kSlotUses[] = {"(held)",
                                      "Log file entries",
                                      "DLOG data records in graphs",
                                      "DLOG data records in table views and files",
                                      "DLOG data file names",
                                      "DLOG data last download date"};
    const talven::DateTime now = talven::DateTime::Now();
    std::printf("TALVEN %s (%s)\n\n", TALVEN_VERSION, why.c_str());
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
    "Usage: talven [--demo] [FILE]\n"
    "\n"
    "Starts TALVEN on the network configuration FILE (.cfg the binary form, any other extension the\n"
    "text form), or without FILE on the configuration used last.\n"
    "\n"
    "With a display (DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM set) it opens the main window.\n"
    "Without one it runs without windows: it reports the options and date formats in effect, then\n"
    "prints the tree of FILE, or without FILE connects to the simulator's instruments of the demo\n"
    "network and prints what each said. Exit status 1 then when FILE cannot be opened or a demo\n"
    "instrument fails.\n"
    "\n"
    "  --demo   with a display: start the simulator's instruments inside the program (every\n"
    "           profile on TCP, one on a serial pseudo-terminal, one behind a Hayes modem and one\n"
    "           behind a multiplexor) and open the network that reaches them; they stop when the\n"
    "           program ends\n"
    "  --help   print this text\n";

bool Has(const std::vector<std::string>& args, const char* what) {
    for (const std::string& arg : args)
        if (arg == what)
            return true;
    return false;
}

int RunWithoutWindows(const std::vector<std::string>& args, const std::string& why) {
    talven::FileSettingsStore store(talven::FileSettingsStore::DefaultDirectory());
    talven::CTALVENApp app(store);
    app.Startup(args);
    const bool given = app.fileGivenOnCommandLine();
    const std::string config = given ? app.StartupConfigPath("TALVEN") : std::string("(the demo network)");
    Report(app, store, config, why);
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

#if TALVEN_HAVE_QT

bool HasDisplay() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0')
            return true;
    }
    return false;
}

/// Gives the workers the time to run the disconnects that closing the windows posted, so the
/// instruments get their port mode back; a link that does not answer is not waited for forever.
void WaitForSessionsToClose(talven::CNetworkConfiguration& configuration, std::chrono::seconds limit) {
    using namespace std::chrono;
    const auto end = steady_clock::now() + limit;
    auto anyWorker = [&] {
        talven::DataGuard guard;
        for (const talven::CNamedObjectList* list :
             {&configuration.Lists().connectedInstruments, &configuration.Lists().multiplexorInstruments}) {
            for (const auto& object : *list) {
                const auto& node = static_cast<const talven::CInstrumentNode&>(*object);
                const talven::CInstrumentSession* session = talven::CInstrumentSession::Find(node);
                if (session != nullptr && session->HasWorker())
                    return true;
            }
        }
        return false;
    };
    while (anyWorker() && steady_clock::now() < end)
        std::this_thread::sleep_for(milliseconds(20));
}

// A terminal's Ctrl-C or a session's end (SIGINT, SIGTERM, SIGHUP) closes the main window as Exit
// does, so that the configuration and the options are saved as the user would expect. The handler
// only writes a byte; the window thread reads it.
int g_signalPipe[2] = {-1, -1};

void OnTerminationSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
}

std::unique_ptr<QSocketNotifier> CloseOnTerminationSignals(QWidget& window) {
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return nullptr;
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(sig, &action, nullptr);
    auto notifier = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, &window, [&window] {
        char drained[16];
        while (::read(g_signalPipe[0], drained, sizeof drained) > 0) {
        }
        window.close();
    });
    return notifier;
}

int RunWindowProgram(int& argc, char** argv, const std::vector<std::string>& args, bool demo) {
    QApplication application(argc, argv);
    QApplication::setOrganizationName("OrvaneVamir");
    QApplication::setApplicationName("TALVEN");
    QApplication::setApplicationVersion(TALVEN_VERSION);

    talven::gui::QtSettingsStore store;
    talven::CTALVENApp app(store);
    talven::gui::QtNotifier notifier;
    talven::ScopedNotifier notifierInstalled(&notifier);
    talven::gui::QtUserPrompt prompt;
    talven::ScopedUserPrompt promptInstalled(&prompt);
    app.Startup(args);
    // The windows read the options (date formats, confirmations, placements) from the application.
    talven::gui::SetDialogApplication(&app);
    talven::gui::SetDlogWindowsApplication(&app);
    talven::gui::SetCalibratorConfirmDeletes([&app] { return app.GetOptions().confirmDeletes; });
    talven::RecentFileList recent;
    recent.Load(store);

    // Declared before the configuration so that the instruments outlive the sessions talking to them.
    std::unique_ptr<talven::gui::DemoNetwork> demoNetwork;
    talven::CNetworkConfiguration configuration;
    talven::ScopedNetworkConfiguration current(&configuration);
    int status = 0;
    {
        talven::gui::MainWindow window(app, configuration, recent, notifier);
        std::string error;
        if (demo)
            demoNetwork = talven::gui::DemoNetwork::Start(configuration, error);
        if (demoNetwork) {
            for (const std::string& line : demoNetwork->Lines())
                std::cout << line << "\n";
            std::cout.flush();
            window.ShowConfiguration();
        } else {
            if (demo)
                std::cerr << "talven: the demo network did not start (" << error << ")\n";
            window.Startup();
        }
        window.show();
        const std::unique_ptr<QSocketNotifier> stopOnSignal = CloseOnTerminationSignals(window);
        status = QApplication::exec();
    }
    WaitForSessionsToClose(configuration, std::chrono::seconds(15));
    talven::gui::SetCalibratorConfirmDeletes(nullptr);
    talven::gui::SetDlogWindowsApplication(nullptr);
    talven::gui::SetDialogApplication(nullptr);
    app.Exit();
    recent.Save(store);
    return status;
}

#endif

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (Has(args, "--help") || Has(args, "-h")) {
        std::cout << kUsage;
        return 0;
    }
#if TALVEN_HAVE_QT
    if (HasDisplay())
        return RunWindowProgram(argc, argv, args, Has(args, "--demo"));
    const std::string why(talven::MessageText(talven::msg::kNoDisplay));
    std::cerr << "talven: " << why << "\n";
#else
    const std::string why = "built without the window program: running without windows";
#endif
    return RunWithoutWindows(args, why);
}
