#include "gui/HeadlessDemo.h"

#include <chrono>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "network/InstrumentNode.h"
#include "network/NetworkConfiguration.h"
#include "network/TreeDescription.h"
#include "network/TreeNode.h"
#include "session/InstrumentSession.h"
#include "session/WaitForWorker.h"
#include "sim/Profiles.h"
#include "sim/SimServer.h"
#include "transport/CommPortConnection.h"
#include "transport/TCPConnection.h"

namespace talven {

namespace {

using namespace std::chrono_literals;

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

struct DemoInstrument {
    std::string profile;
    std::unique_ptr<sim::SimInstrument> sim;
    CInstrumentConnectedNode* node = nullptr;
};

/// Waits for the identification and the first display read, prints, disconnects.
bool ReportInstrument(DemoInstrument& demo, std::ostream& out) {
    CInstrumentSession& session = CInstrumentSession::Of(*demo.node);
    WaitForWorker(session, 60s);  // the connect exchange
    WaitForWorker(session, 30s);  // the display read it posts at its end
    const bool open = session.IsSessionOpen();
    out << "\n" << demo.node->GetName() << " (" << demo.profile << ", " << demo.sim->where() << ")\n";
    if (!open) {
        out << "  could not connect\n";
    } else {
        for (const auto& line : session.GetInformationLines())
            out << "  " << line << "\n";
        // With attribute displays the second and third texts hold the attributes, not words.
        const std::string display = Trimmed(session.GetDisplayTexts()[0]);
        if (!display.empty())
            out << "  display: " << display << "\n";
        const auto names = session.GetLightNames();
        const auto states = session.GetLightStates();
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (names[i].empty())
                continue;
            out << "  light " << names[i] << ": "
                << (states[i] == 0   ? "off"
                    : states[i] == 1 ? "on"
                                     : "blinking")
                << "\n";
        }
    }
    session.PostDisconnect();
    WaitForWorker(session, 30s);
    session.JoinEndedWorkers();
    return open;
}

}  // namespace

int RunHeadlessDemo(std::ostream& out) {
    CNetworkConfiguration configuration;
    ScopedNetworkConfiguration current(&configuration);
    configuration.New();
    CNamedObject* home = configuration.Sites().at(0);
    home->SetName("Demo site");

    std::vector<DemoInstrument> instruments;
    int failed = 0;
    for (const std::string& profile : sim::ProfileNames()) {
        sim::InstrumentOptions options;
        options.profile = profile;
        std::string error;
        DemoInstrument demo{profile, sim::SimInstrument::StartTcp(options, 0, error)};
        if (!demo.sim) {
            out << "simulated " << profile << " did not start: " << error << "\n";
            ++failed;
            continue;
        }
        auto node = std::make_unique<CInstrumentConnectedNode>();
        node->SetName("Demo " + profile);
        node->SetParentId(home->GetId());
        auto tcp = std::make_unique<CTCPConnection>();
        tcp->SetHost("127.0.0.1");
        tcp->SetPort(demo.sim->port());
        node->SetConnection(std::move(tcp));
        // Loopback answers at once; a short wait keeps the older instruments' unanswered queries brief.
        InstrumentSettings settings = node->GetSettings();
        settings.receiveTimeoutMs = 1500;
        // The password the user would have entered for an instrument that asks for one.
        if (const auto described = sim::MakeProfile(profile, 0, 1); described && described->password != 0) {
            settings.password = static_cast<std::uint32_t>(described->password);
            settings.passwordEnabled = true;
        }
        node->SetSettings(settings);
        demo.node = node.get();
        configuration.ConnectedInstruments().Append(std::move(node));
        instruments.push_back(std::move(demo));
    }

    out << "Demo network (simulated instruments inside this program):\n"
        << DescribeNetworkTree(configuration) << "\nConnecting to every instrument at once..." << std::endl;
    // Every instrument has a worker of its own: all connect at once.
    for (auto& demo : instruments)
        CInstrumentSession::Of(*demo.node).PostConnect();
    for (auto& demo : instruments) {
        if (!ReportInstrument(demo, out))
            ++failed;
    }
    // Sessions end before their instruments and nodes go away.
    for (auto& demo : instruments) {
        if (auto* session = CInstrumentSession::Find(*demo.node))
            session->JoinEndedWorkers();
        demo.sim->stop();
    }
    return failed;
}

}  // namespace talven
