// talven-soak: the soak script's helper.
//   talven-soak network NETWORK DATADIR INSTRUMENTS [TIMEOUT_MS]
//     writes NETWORK (.cfg) with one instrument per line "PROFILE ID PORT" of INSTRUMENTS (on
//     TCP at 127.0.0.1:PORT), each analyzer with its DLOG configuration and every channel
//     collected into DATADIR/NAME-CHANNEL.csv since its last download.
//   talven-soak check LISTING NETWORK [COLLECT_OUTPUT...]
//     checks every collected channel's file against the simulator's record listing, counts the
//     failures collect reported per instrument, prints the verdict; exit 0 when nothing was lost,
//     repeated or spoiled.

#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "SoakCheck.h"
#include "app/CoreStartup.h"
#include "cli/SessionCommand.h"
#include "cli/TransferWait.h"
#include "dlog/DASChannel.h"
#include "dlog/DlogRequests.h"
#include "dlog/InstrumentNodeDlog.h"
#include "network/InstrumentNode.h"
#include "network/NetworkConfiguration.h"
#include "network/NetworkFiles.h"
#include "sim/Profiles.h"
#include "sim/SimServer.h"
#include "transport/TCPConnection.h"

namespace talven::soak {
namespace {

struct SimEntry {
    std::string profile;
    int id = 0;
    std::uint16_t port = 0;
};

// "analyzer 3 40123"; false on a line of any other form.
bool ReadInstrumentList(const std::string& path, std::vector<SimEntry>& entries) {
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        if (line.empty())
            continue;
        std::istringstream words(line);
        SimEntry entry;
        unsigned port = 0;
        std::string rest;
        if (!(words >> entry.profile >> entry.id >> port) || (words >> rest) || entry.id < 1 ||
            entry.id > 99 || port < 1 || port > 65535) {
            std::cerr << "talven-soak: " << path << ": not PROFILE ID PORT: " << line << "\n";
            return false;
        }
        entry.port = static_cast<std::uint16_t>(port);
        entries.push_back(entry);
    }
    if (entries.empty())
        std::cerr << "talven-soak: no instrument in " << path << "\n";
    return !entries.empty();
}

std::string NodeName(int id) {
    char name[16];
    std::snprintf(name, sizeof name, "Soak%02d", id);
    return name;
}

std::unique_ptr<CInstrumentConnectedNode> TcpNode(const std::string& name, std::uint16_t port,
                                                  std::uint32_t timeoutMs, int password) {
    auto node = std::make_unique<CInstrumentConnectedNode>();
    node->SetName(name);
    auto tcp = std::make_unique<CTCPConnection>();
    tcp->SetHost("127.0.0.1");
    tcp->SetPort(port);
    node->SetConnection(std::move(tcp));
    InstrumentSettings settings = node->GetSettings();
    settings.receiveTimeoutMs = timeoutMs;
    settings.password = static_cast<std::uint32_t>(password);
    settings.passwordEnabled = password != 0;
    node->SetSettings(settings);
    return node;
}

/// The DLOG configuration of a profile, as its window would download it, from a faultless
/// instrument of that profile started here for the purpose.
std::unique_ptr<CInstrumentConnectedNode> ProbeProfile(const std::string& profile, std::uint32_t timeoutMs,
                                                       int password) {
    sim::InstrumentOptions options;
    options.profile = profile;
    std::string error;
    auto instrument = sim::SimInstrument::StartTcp(options, 0, error);
    if (!instrument) {
        std::cerr << "talven-soak: cannot start a " << profile << ": " << error << "\n";
        return nullptr;
    }
    auto probe = TcpNode("probe", instrument->port(), timeoutMs, password);
    InstrumentNodeDlog dlog(*probe);
    cli::CommandNotifier notes;
    cli::Connected connected(*probe);
    if (!connected.open() || !cli::RunTransfer(connected.session(), notes,
                                               std::make_unique<CThreadMessageRequestDASConfig>(
                                                   probe.get(), &dlog, cli::kCommandWindow),
                                               wm::kDownloadDone, wm::kDownloadFailed)) {
        std::cerr << "talven-soak: the DLOG configuration of a " << profile << " could not be downloaded\n";
        return nullptr;
    }
    return probe;
}

int WriteNetwork(const std::string& network, const std::string& dataDir, const std::string& instruments,
                 std::uint32_t timeoutMs) {
    std::vector<SimEntry> entries;
    if (!ReadInstrumentList(instruments, entries))
        return 1;
    CNetworkConfiguration configuration;
    ScopedNetworkConfiguration current(&configuration);
    std::map<std::string, std::unique_ptr<CInstrumentConnectedNode>> probes;
    for (const SimEntry& entry : entries) {
        const std::optional<sim::Profile> profile = sim::MakeProfile(entry.profile, 0, 1);
        if (!profile) {
            std::cerr << "talven-soak: unknown profile " << entry.profile << "\n";
            return 1;
        }
        auto node = TcpNode(NodeName(entry.id), entry.port, timeoutMs, profile->password);
        if (!profile->das.channels.empty()) {
            auto& probe = probes[entry.profile];
            if (!probe && !(probe = ProbeProfile(entry.profile, timeoutMs, profile->password)))
                return 1;
            for (InstrumentList list : {kDlogEvents, kDlogDataPoints, kDlogChannels})
                node->GetList(list).CopyFrom(probe->GetList(list));
        }
        for (const auto& object : node->GetList(kDlogChannels)) {
            auto* channel = dynamic_cast<CDASChannel*>(object.get());
            channel->SetSelected(true);
            channel->SetDownloadFile(dataDir + "/" + node->GetName() + "-" + channel->GetName() + ".csv");
            channel->SetAppend(true);
            channel->SetDownloadPeriod(0);
            CSelectionSet selection;
            selection.mode = CSelectionSet::kSinceLast;
            // Half of them ask the instrument for the new records only, half take every record
            // and keep the new ones.
            selection.useInstrumentSelection = entry.id % 2 == 0;
            channel->SetDownloadSelection(selection);
        }
        configuration.ConnectedInstruments().Append(std::move(node));
    }
    std::string failure;
    if (!SaveNetworkConfiguration(configuration, network, &failure)) {
        std::cerr << "talven-soak: " << failure << "\n";
        return 1;
    }
    std::cout << entries.size() << " instruments written to " << network << "\n";
    return 0;
}

struct Collected {
    std::string name;
    std::string address;
    std::vector<std::pair<std::string, std::string>> channels;  // name, download file
};

std::map<std::string, Collected> CollectedByWhere(const std::string& network) {
    std::map<std::string, Collected> out;
    CNetworkConfiguration configuration;
    ScopedNetworkConfiguration current(&configuration);
    std::string failure;
    if (!LoadNetworkConfiguration(configuration, network, &failure)) {
        std::cerr << "talven-soak: " << failure << "\n";
        return out;
    }
    for (const auto& object : configuration.ConnectedInstruments()) {
        auto* node = dynamic_cast<CInstrumentConnectedNode*>(object.get());
        const auto* tcp = node ? dynamic_cast<const CTCPConnection*>(node->GetConnection()) : nullptr;
        if (tcp == nullptr)
            continue;
        Collected c;
        c.name = node->GetName();
        c.address = tcp->GetHost() + ":" + std::to_string(tcp->GetPort());
        for (const auto& item : node->GetList(kDlogChannels)) {
            auto* channel = dynamic_cast<CDASChannel*>(item.get());
            if (channel->IsSelected())
                c.channels.emplace_back(channel->GetName(), channel->GetDownloadFile());
        }
        out["tcp " + c.address] = std::move(c);
    }
    return out;
}

int Check(const std::string& listingPath, const std::string& network,
          const std::vector<std::string>& outputs) {
    std::ifstream listingFile(listingPath);
    Listing listing;
    std::string error;
    if (!listingFile || !ParseListing(listingFile, listing, error)) {
        std::cerr << "talven-soak: " << listingPath << ": " << (listingFile ? error : "cannot be read")
                  << "\n";
        return 1;
    }
    const std::map<std::string, Collected> collected = CollectedByWhere(network);
    if (collected.empty())
        return 1;
    std::vector<std::string> lines;
    for (const auto& path : outputs) {
        std::ifstream in(path);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
    }

    std::size_t withRecords = 0, rows = 0, lost = 0, lostFromRing = 0, duplicated = 0, unexpected = 0,
                differing = 0;
    std::size_t badFiles = 0, faulty = 0, failedOnce = 0, recovered = 0;
    long faults = 0;
    bool sound = true;
    for (const ListedInstrument& instrument : listing.instruments) {
        const auto found = collected.find(instrument.where);
        if (found == collected.end()) {
            std::cout << "FAIL: " << instrument.where << " is not in " << network << "\n";
            sound = false;
            continue;
        }
        const Collected& c = found->second;
        bool complete = true;
        for (const auto& [channelName, path] : c.channels) {
            const ListedChannel* listed = instrument.channel(channelName);
            std::ifstream in(path);
            const DataFile file = ReadDataFile(in);
            if (listed == nullptr) {
                std::cout << "FAIL: " << c.name << " " << channelName << " is not in the listing\n";
                complete = false;
                continue;
            }
            const ChannelVerdict v = CheckChannel(*listed, file);
            rows += v.rows;
            lost += v.lost;
            lostFromRing += v.lostFromRing;
            duplicated += v.duplicated;
            unexpected += v.unexpected;
            differing += v.differing;
            const bool empty = listed->times.empty() && v.rows == 0;
            const bool fileSound = (empty && file.headings <= 1) || v.sound(file.headings);
            if (!fileSound || file.badRows > 0) {
                ++badFiles;
                complete = false;
                std::cout << "FAIL: " << path << ": " << v.rows << " rows, " << file.headings << " headings, "
                          << file.badRows << " unreadable rows, " << v.lost << " lost (" << v.lostFromRing
                          << " no longer held), " << v.duplicated << " duplicated, " << v.unexpected
                          << " unexpected, " << v.differing << " differing; first: " << v.firstProblem
                          << "\n";
            }
        }
        if (!c.channels.empty())
            ++withRecords;
        std::size_t failures = 0;
        for (const auto& line : lines)
            failures += IsFailureOf(line, c.name, c.address) ? 1 : 0;
        faults += instrument.faults;
        if (instrument.faults > 0)
            ++faulty;
        if (failures > 0) {
            ++failedOnce;
            if (complete)
                ++recovered;
        }
        std::printf("  %-8s %-16s %-22s faults %5ld  failures reported %4zu  %s\n", c.name.c_str(),
                    instrument.profile.c_str(), c.address.c_str(), instrument.faults, failures,
                    c.channels.empty() ? "no channels"
                    : complete         ? "complete"
                                       : "INCOMPLETE");
        sound = sound && complete;
    }
    std::printf("instruments                 %zu (%zu with collected channels)\n", listing.instruments.size(),
                withRecords);
    std::printf("records in the data files   %zu\n", rows);
    std::printf("faults injected             %ld, on %zu instruments\n", faults, faulty);
    std::printf("recoveries                  %zu of %zu instruments with failures reported\n", recovered,
                failedOnce);
    std::printf("records lost                %zu (%zu of them no longer held by the instrument)\n", lost,
                lostFromRing);
    std::printf("records duplicated          %zu\n", duplicated);
    std::printf("rows not from the instrument %zu, rows with other values %zu, unsound files %zu\n",
                unexpected, differing, badFiles);
    return sound && lost == 0 && duplicated == 0 && unexpected == 0 && differing == 0 && badFiles == 0 ? 0
                                                                                                       : 1;
}

int Usage() {
    std::cerr << "usage: talven-soak network NETWORK DATADIR INSTRUMENTS [TIMEOUT_MS]\n"
                 "       talven-soak check LISTING NETWORK [COLLECT_OUTPUT...]\n";
    return 2;
}

}  // namespace
}  // namespace talven::soak

int main(int argc, char** argv) {
    using namespace talven::soak;
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty())
        return Usage();
    talven::InitializeCore();
    if (args[0] == "network" && (args.size() == 4 || args.size() == 5)) {
        const long timeout = args.size() == 5 ? std::strtol(args[4].c_str(), nullptr, 10) : 1000;
        if (timeout < 100 || timeout > 600000)
            return Usage();
        return WriteNetwork(args[1], args[2], args[3], static_cast<std::uint32_t>(timeout));
    }
    if (args[0] == "check" && args.size() >= 3)
        return Check(args[1], args[2], std::vector<std::string>(args.begin() + 3, args.end()));
    return Usage();
}
