#include "gui/DemoNetwork.h"

#include "foundation/DataLock.h"
#include "network/InstrumentNode.h"
#include "network/NetworkConfiguration.h"
#include "network/TreeNode.h"
#include "sim/Profiles.h"
#include "sim/SimServer.h"
#include "transport/CommPortConnection.h"
#include "transport/ModemConnection.h"
#include "transport/ModemSettings.h"
#include "transport/TCPConnection.h"

namespace talven::gui {

namespace {

constexpr const char* kLoopback = "127.0.0.1";

/// A new node of the configuration, named, below parent, with a fresh id of the configuration.
template <class Node>
Node& AddNode(CNetworkConfiguration& configuration, CNamedObjectList& list, const std::string& name,
              std::uint32_t parentId) {
    auto node = std::make_unique<Node>();
    node->SetId(configuration.NewNodeId());
    node->SetName(name);
    node->SetParentId(parentId);
    node->SetExpanded(true);
    Node& ref = *node;
    list.Append(std::move(node));
    return ref;
}

/// Loopback answers at once: a short wait keeps the older instruments' unanswered queries brief.
/// An instrument that asks for a log-on gets the password the user would have entered.
void Prepare(CInstrumentConnectedNode& node, const std::string& profile, std::uint32_t timeoutMs) {
    InstrumentSettings settings = node.GetSettings();
    settings.receiveTimeoutMs = timeoutMs;
    if (const auto described = sim::MakeProfile(profile, 0, 1); described && described->password != 0) {
        settings.password = static_cast<std::uint32_t>(described->password);
        settings.passwordEnabled = true;
    }
    node.SetSettings(settings);
}

std::unique_ptr<CTCPConnection> TcpTo(std::uint16_t port) {
    auto tcp = std::make_unique<CTCPConnection>();
    tcp->SetHost(kLoopback);
    tcp->SetPort(port);
    return tcp;
}

}  // namespace

DemoNetwork::~DemoNetwork() {
    for (auto& instrument : instruments_)
        instrument->stop();
}

std::unique_ptr<DemoNetwork> DemoNetwork::Start(CNetworkConfiguration& configuration, std::string& error) {
    std::unique_ptr<DemoNetwork> demo(new DemoNetwork);
    auto start = [&](const std::string& profile, bool pty, bool modem) -> sim::SimInstrument* {
        sim::InstrumentOptions options;
        options.profile = profile;
        options.link.modem = modem;
        auto instrument = pty ? sim::SimInstrument::StartPty(options, "", error)
                              : sim::SimInstrument::StartTcp(options, 0, error);
        if (!instrument) {
            error = "simulated " + profile + ": " + error;
            return nullptr;
        }
        demo->instruments_.push_back(std::move(instrument));
        return demo->instruments_.back().get();
    };

    configuration.New();
    DataGuard guard;
    CSiteNode& home = static_cast<CSiteNode&>(*configuration.Sites().at(0));
    home.SetName("Demo site");
    home.SetExpanded(true);
    auto& analyzers = AddNode<CSiteNode>(configuration, configuration.Sites(), "Analyzers", home.GetId());
    auto& calibrators = AddNode<CSiteNode>(configuration, configuration.Sites(), "Calibrators", home.GetId());

    auto note = [&](const CNamedObject& node, const sim::SimInstrument& instrument) {
        demo->lines_.push_back(node.GetName() + ": " + instrument.where());
    };

    for (const std::string& profile : sim::ProfileNames()) {
        const auto described = sim::MakeProfile(profile, 0, 1);
        sim::SimInstrument* instrument = start(profile, false, false);
        if (instrument == nullptr)
            return nullptr;
        const bool calibrator = described && described->calibrator;
        auto& node = AddNode<CInstrumentConnectedNode>(configuration, configuration.ConnectedInstruments(),
                                                       "Demo " + profile,
                                                       (calibrator ? calibrators : analyzers).GetId());
        node.SetConnection(TcpTo(instrument->port()));
        Prepare(node, profile, 1500);
        note(node, *instrument);
    }

    // The old analyzer on a serial line.
    if (sim::SimInstrument* serial = start("old-analyzer", true, false)) {
        auto& node = AddNode<CInstrumentConnectedNode>(configuration, configuration.ConnectedInstruments(),
                                                       "Demo old-analyzer (serial)", analyzers.GetId());
        auto link = std::make_unique<CCommPortConnection>();
        link->SetPortName(serial->devicePath());
        node.SetConnection(std::move(link));
        Prepare(node, "old-analyzer", 1500);
        note(node, *serial);
    } else {
        return nullptr;
    }

    // A calibrator behind a Hayes modem on a serial line.
    if (sim::SimInstrument* dialled = start("calibrator", true, true)) {
        auto modem = std::make_unique<CModemSettings>();
        modem->SetId(configuration.NewNodeId());
        modem->SetName("Demo modem");
        const std::uint32_t modemId = modem->GetId();
        configuration.Modems().Append(std::move(modem));
        auto& node = AddNode<CInstrumentConnectedNode>(configuration, configuration.ConnectedInstruments(),
                                                       "Demo calibrator (modem)", calibrators.GetId());
        auto link = std::make_unique<CModemConnection>();
        link->SetPortName(dialled->devicePath());
        link->SetModemId(modemId);
        link->SetTelephoneNumber("5551234");
        node.SetConnection(std::move(link));
        Prepare(node, "calibrator", 3000);
        note(node, *dialled);
    } else {
        return nullptr;
    }

    // An analyzer behind a multiplexor: the multiplexor's address, the instrument's port.
    if (sim::SimInstrument* behind = start("analyzer", false, false)) {
        auto& mux = AddNode<CMultiplexorNode>(configuration, configuration.Multiplexors(), "Demo multiplexor",
                                              home.GetId());
        mux.SetAddress(kLoopback);
        auto& node =
            AddNode<CInstrumentMultiplexorNode>(configuration, configuration.MultiplexorInstruments(),
                                                "Demo analyzer (multiplexed)", mux.GetId());
        node.SetConnection(TcpTo(behind->port()));
        Prepare(node, "analyzer", 1500);
        note(node, *behind);
    } else {
        return nullptr;
    }
    configuration.SetModified(false);
    return demo;
}

}  // namespace talven::gui
