#include "CommandLine.h"

#include <cstdlib>
#include <memory>

#include "Encoding.h"
#include "Profiles.h"
#include "foundation/DateTime.h"

namespace talven::sim {

namespace {

bool ParseNumber(const std::string& text, long long min, long long max, long long& out) {
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || v < min || v > max)
        return false;
    out = v;
    return true;
}

bool ParseDate(const std::string& text, std::uint32_t& out) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    const int n = std::sscanf(text.c_str(), "%d-%d-%d%*[ T]%d:%d:%d", &y, &mo, &d, &h, &mi, &s);
    if (n != 3 && n < 5)
        return false;
    const DateTime t = DateTime::FromElements(y, mo, d, h, mi, s);
    if (!t.valid() || y < 1970)
        return false;
    out = t.seconds();
    return true;
}

// "7001=analyzer,id=3,drop=0.1" or "/tmp/x=calibrator,modem".
bool ParseInstrument(const std::string& text, bool pty, InstrumentSpec& entry,
                     std::vector<std::string>& faults, std::string& error) {
    const std::size_t eq = text.find('=');
    if (eq == std::string::npos) {
        error = "expected WHERE=PROFILE in '" + text + "'";
        return false;
    }
    entry.pty = pty;
    const std::string where = text.substr(0, eq);
    if (pty) {
        entry.path = where == "-" ? std::string() : where;
    } else {
        long long port = 0;
        if (!ParseNumber(where, 0, 65535, port)) {
            error = "bad TCP port '" + where + "'";
            return false;
        }
        entry.port = static_cast<std::uint16_t>(port);
    }
    std::vector<std::string> parts;
    for (std::size_t start = eq + 1;;) {
        const std::size_t comma = text.find(',', start);
        parts.push_back(text.substr(start, comma - start));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    entry.options.profile = parts[0];
    if (!MakeProfile(parts[0], 0, 1)) {
        error = "unknown profile '" + parts[0] + "' (see --list-profiles)";
        return false;
    }
    for (std::size_t i = 1; i < parts.size(); ++i) {
        const std::string& p = parts[i];
        const std::size_t peq = p.find('=');
        const std::string key = ToUpper(p.substr(0, peq));
        const std::string value = peq == std::string::npos ? std::string() : p.substr(peq + 1);
        long long n = 0;
        if (key == "ID" && ParseNumber(value, 0, 9999, n)) {
            entry.options.id = static_cast<int>(n);
        } else if (key == "PASSWORD" && ParseNumber(value, 0, 999999999, n)) {
            entry.options.password = static_cast<int>(n);
        } else if (key == "SEED" && ParseNumber(value, 0, 1LL << 62, n)) {
            entry.options.seed = static_cast<std::uint64_t>(n);
            entry.ownSeed = true;
        } else if (key == "SELECT" && !value.empty()) {
            entry.options.link.selectCode = value;
        } else if (key == "DESELECT" && !value.empty()) {
            entry.options.link.deselectCode = value;
        } else if (key == "MODEM" && value.empty() && pty) {
            entry.options.link.modem = true;
        } else if (key == "GUARD" && ParseNumber(value, 0, 10000, n)) {
            entry.options.link.modemGuardMs = static_cast<int>(n);
        } else if (key == "ID" || key == "PASSWORD" || key == "SEED" || key == "SELECT" ||
                   key == "DESELECT" || key == "MODEM" || key == "GUARD") {
            error = "bad setting '" + p + "'";
            return false;
        } else {
            faults.push_back(p);
        }
    }
    return true;
}

}  // namespace

bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& out, std::string& error) {
    CommandLine cl;
    std::vector<std::string> globalFaults;
    std::vector<std::vector<std::string>> ownFaults;
    std::uint32_t start = 0;
    bool frozen = false;
    std::uint64_t seed = 1;
    std::uint32_t rate = 1;
    bool seedGiven = false;
    bool any = false;
    std::vector<std::string> list = args;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const std::string& a = list[i];
        auto value = [&](std::string& v) {
            if (i + 1 >= list.size()) {
                error = a + " needs a value";
                return false;
            }
            v = list[++i];
            return true;
        };
        std::string v;
        if (a == "--help" || a == "-h") {
            cl.help = true;
        } else if (a == "--list-profiles") {
            cl.listProfiles = true;
        } else if (a == "--tcp" || a == "--pty") {
            if (!value(v))
                return false;
            InstrumentSpec entry;
            ownFaults.emplace_back();
            if (!ParseInstrument(v, a == "--pty", entry, ownFaults.back(), error))
                return false;
            cl.instruments.push_back(std::move(entry));
        } else if (a == "--fault") {
            if (!value(v))
                return false;
            FaultSettings check;
            if (!ApplyFault(v, check, error))
                return false;
            globalFaults.push_back(v);
        } else if (a == "--date") {
            if (!value(v))
                return false;
            if (!ParseDate(v, start)) {
                error = "bad date '" + v + "' (use YYYY-MM-DD HH:MM[:SS])";
                return false;
            }
        } else if (a == "--frozen") {
            frozen = true;
        } else if (a == "--seed") {
            long long n = 0;
            if (!value(v))
                return false;
            if (!ParseNumber(v, 0, 1LL << 62, n)) {
                error = "bad seed '" + v + "'";
                return false;
            }
            seed = static_cast<std::uint64_t>(n);
            seedGiven = true;
        } else if (a == "--rate") {
            long long n = 0;
            if (!value(v))
                return false;
            if (!ParseNumber(v, 1, 86400, n)) {
                error = "bad rate '" + v + "' (clock seconds per second, 1 to 86400)";
                return false;
            }
            rate = static_cast<std::uint32_t>(n);
        } else if (a == "--list-records") {
            if (!value(v))
                return false;
            if (v.empty()) {
                error = "--list-records needs a file name";
                return false;
            }
            cl.listPath = v;
        } else if (a == "--verbose") {
            cl.verbose = true;
        } else if (a == "--listen-any") {
            any = true;
        } else if (a == "--demo" || a.rfind("--demo=", 0) == 0) {
            long long base = 7001;
            if (a.size() > 7 && !ParseNumber(a.substr(7), 1, 65000, base)) {
                error = "bad demo port in '" + a + "'";
                return false;
            }
            const std::vector<std::string> demo = DemoArguments(static_cast<int>(base));
            list.insert(list.begin() + static_cast<std::ptrdiff_t>(i) + 1, demo.begin(), demo.end());
        } else {
            error = "unknown argument '" + a + "' (see --help)";
            return false;
        }
    }
    // One clock for all: instruments started together agree on the time.
    auto clock = std::make_shared<SimClock>(start, frozen, rate);
    cl.clock = clock;
    for (std::size_t k = 0; k < cl.instruments.size(); ++k) {
        InstrumentOptions& o = cl.instruments[k].options;
        o.clock = clock;
        if (any)
            o.bindAddress = "0.0.0.0";
        if (seedGiven && !cl.instruments[k].ownSeed)
            o.seed = seed;
        for (const auto* faults : {&globalFaults, &ownFaults[k]}) {
            for (const auto& f : *faults) {
                if (!ApplyFault(f, o.link.faults, error))
                    return false;
            }
        }
    }
    out = std::move(cl);
    return true;
}

std::vector<std::string> DemoArguments(int basePort) {
    std::vector<std::string> out;
    const std::vector<std::string> names = ProfileNames();
    for (std::size_t i = 0; i < names.size(); ++i) {
        out.push_back("--tcp");
        out.push_back(std::to_string(basePort + static_cast<int>(i)) + "=" + names[i] +
                      ",id=" + std::to_string(i + 1));
    }
    out.push_back("--pty");
    out.push_back("/tmp/talven-sim-serial=old-analyzer");
    out.push_back("--pty");
    out.push_back("/tmp/talven-sim-modem=calibrator,modem");
    return out;
}

std::string ProfileListText() {
    std::string out;
    for (const auto& name : ProfileNames()) {
        const std::optional<Profile> p = MakeProfile(name, 0, 1);
        out += Format("%-16s %s\n", name.c_str(), p->summary.c_str());
    }
    return out;
}

std::string RecordListingText(std::uint32_t now,
                              const std::vector<std::pair<const InstrumentSpec*, SimInstrument*>>& running) {
    std::string out = Format("talven-sim records at %s (%u)\n",
                             DateTime::FromSeconds(now).Format("%m/%d/%Y %H:%M:%S").c_str(), now);
    for (const auto& [wanted, sim] : running) {
        out += Format("INSTRUMENT %s id %d %s faults %ld\n", wanted->options.profile.c_str(), wanted->options.id,
                      sim->where().c_str(), sim->faultsInjected());
        out += RecordListing(sim->instrument().dasData(), now);
    }
    return out;
}

std::string UsageText() {
    return std::string(
               "usage: talven-sim [options]\n"
               "Plays analyzers and calibrators on loopback TCP ports and pseudo-terminals.\n\n"
               "  --tcp PORT=PROFILE[,SETTING...]  an instrument on TCP port PORT of 127.0.0.1\n"
               "                                   (0 = any free port; the port is printed)\n"
               "  --pty PATH=PROFILE[,SETTING...]  an instrument on a new pseudo-terminal; PATH becomes a\n"
               "                                   symbolic link to its device (\"-\" for none)\n"
               "  --fault KEY=VALUE                a fault for every instrument (repeatable)\n"
               "  --date \"YYYY-MM-DD HH:MM[:SS]\"   start the instruments' clock at this date, not the "
               "PC's\n"
               "  --frozen                         the clock stands still (no new records)\n"
               "  --seed N                         seed of the generated records (default 1)\n"
               "  --rate N                         the clock runs N seconds every second (records\n"
               "                                   accrue N times faster)\n"
               "  --list-records FILE              on SIGUSR2 and at the stop, write to FILE every record\n"
               "                                   each instrument's logger holds (SIGUSR1 stops the\n"
               "                                   clock, a second SIGUSR1 lets it run on)\n"
               "  --listen-any                     listen on every address instead of 127.0.0.1\n"
               "  --verbose                        show every line heard and answered on standard error\n"
               "  --demo[=PORT]                    the demo set: every profile on TCP ports from PORT\n"
               "                                   (default 7001) with IDs 1 up, old-analyzer on the pty\n"
               "                                   /tmp/talven-sim-serial and calibrator behind a modem\n"
               "                                   on /tmp/talven-sim-modem\n"
               "  --list-profiles                  the profiles and what they play\n"
               "  --help                           this text\n\n"
               "Settings of one instrument:\n"
               "  id=N          instrument ID in reply headers (default 0)\n"
               "  password=N    log-on password (0 = none; old-analyzer has 818)\n"
               "  seed=N        seed of this instrument's records\n"
               "  select=TEXT   code-activated switch: answer only after TEXT ...\n"
               "  deselect=TEXT ... and until TEXT\n"
               "  modem         (pty) a Hayes modem in front: AT commands, ATDT<number> gives CONNECT 9600\n"
               "  guard=MS      modem escape guard time (default 1000)\n"
               "  and any fault KEY=VALUE below, for this instrument only.\n\n"
               "Faults:\n") +
           FaultHelp() +
           "\nExample:\n"
           "  talven-sim --tcp 7001=analyzer --tcp 7002=old-analyzer,drop=0.05 \\\n"
           "             --pty /tmp/talven-sim-cal=calibrator --fault delay=200\n"
           "Stops cleanly on SIGINT or SIGTERM.\n";
}

}  // namespace talven::sim
