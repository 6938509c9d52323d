// talven-sim: instruments for demos, tests and training, on TCP ports and pseudo-terminals.

#include <signal.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "SimServer.h"
#include "foundation/FileWrite.h"

namespace {

using talven::sim::CommandLine;
using talven::sim::InstrumentSpec;
using talven::sim::SimInstrument;

/// Writes the record listing through a temporary file, so that a reader never sees half of it.
void WriteListing(const CommandLine& cl,
                  const std::vector<std::pair<const InstrumentSpec*, SimInstrument*>>& running) {
    if (cl.listPath.empty())
        return;
    const std::string text = talven::sim::RecordListingText(cl.clock->now(), running);
    if (!talven::ReplaceFileContents(cl.listPath, text))
        std::fprintf(stderr, "talven-sim: cannot write %s: %s\n", cl.listPath.c_str(), std::strerror(errno));
}

}  // namespace

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
    sigaddset(&signals, SIGUSR1);
    sigaddset(&signals, SIGUSR2);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    std::vector<std::unique_ptr<SimInstrument>> running;
    std::vector<std::pair<const InstrumentSpec*, SimInstrument*>> listed;
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
        listed.emplace_back(&entry, sim.get());
        running.push_back(std::move(sim));
    }
    std::printf("talven-sim ready; stop with Ctrl-C\n");
    std::fflush(stdout);
    for (int sig = 0; sigwait(&signals, &sig) == 0;) {
        if (sig == SIGUSR1) {
            cl.clock->setFrozen(!cl.clock->frozen());
            std::printf("clock %s at %u\n", cl.clock->frozen() ? "stopped" : "running", cl.clock->now());
            std::fflush(stdout);
        } else if (sig == SIGUSR2) {
            WriteListing(cl, listed);
            std::printf("records listed in %s\n",
                        cl.listPath.empty() ? "(no --list-records file)" : cl.listPath.c_str());
            std::fflush(stdout);
        } else {
            break;
        }
    }
    for (auto& sim : running)
        sim->stop();
    WriteListing(cl, listed);
    std::printf("talven-sim stopped\n");
    return 0;
}
