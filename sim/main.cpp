// talven-sim: instruments for demos, tests and training, on TCP ports and pseudo-terminals.

#include <signal.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "SimServer.h"

int main(int argc, char** argv) {
    using namespace talven::sim;
    const std::vector<std::string> args(argv + 1, argv + argc);
    CommandLine cl;
    std::string error;
    if (!ParseCommandLine(args, cl, error)) {
        std::fprintf(stderr, "talven-sim: %s\n", error.c_str());
        return 2;
    }
    if (cl.help) {
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    }
    if (cl.listProfiles) {
        std::fputs(ProfileListText().c_str(), stdout);
        return 0;
    }
    if (cl.instruments.empty()) {
        std::fputs("talven-sim: no instruments given (try --demo or --help)\n", stderr);
        return 2;
    }
    // The signals are taken by sigwait below; every thread started after this inherits the mask.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    std::vector<std::unique_ptr<SimInstrument>> running;
    for (const auto& entry : cl.instruments) {
        std::unique_ptr<SimInstrument> sim = entry.pty
                                                 ? SimInstrument::StartPty(entry.options, entry.path, error)
                                                 : SimInstrument::StartTcp(entry.options, entry.port, error);
        if (!sim) {
            std::fprintf(stderr, "talven-sim: %s: %s\n", entry.options.profile.c_str(), error.c_str());
            running.clear();
            return 1;
        }
        std::printf("%-16s id %-4d %s\n", entry.options.profile.c_str(), entry.options.id,
                    sim->where().c_str());
        running.push_back(std::move(sim));
    }
    std::printf("talven-sim ready; stop with Ctrl-C\n");
    std::fflush(stdout);
    int sig = 0;
    sigwait(&signals, &sig);
    for (auto& sim : running)
        sim->stop();
    std::printf("talven-sim stopped\n");
    return 0;
}
