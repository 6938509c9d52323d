#pragma once
// Shared pieces of the network tests: a configuration made current for the test, a private
// temporary directory, scripted answers to message boxes, and file helpers.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "foundation/UserPrompt.h"
#include "network/InstrumentNode.h"
#include "network/NetworkConfiguration.h"
#include "network/TreeNode.h"
#include "transport/ModemConnection.h"
#include "transport/ModemSettings.h"
#include "transport/TAPIModemConnection.h"
#include "transport/TCPConnection.h"

namespace talven::testing {

class NetworkTest : public ::testing::Test {
  protected:
    NetworkTest() : scope_(&config_), promptScope_(&prompt_) {
        std::string pattern = (std::filesystem::temp_directory_path() / "talven-net-XXXXXX").string();
        dir_ = ::mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~NetworkTest() override {
        if (!dir_.empty())
            std::filesystem::remove_all(dir_);
    }

    std::string PathOf(const std::string& name) const { return dir_ + "/" + name; }

    static std::string ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    static void WriteFile(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }

    CSiteNode& AddSite(const std::string& name, std::uint32_t parentId = 0) {
        auto site = std::make_unique<CSiteNode>();
        site->SetName(name);
        site->SetParentId(parentId);
        CSiteNode& ref = *site;
        config_.Sites().Append(std::move(site));
        return ref;
    }
    CMultiplexorNode& AddMultiplexor(const std::string& name, std::uint32_t siteId,
                                     const std::string& address) {
        auto node = std::make_unique<CMultiplexorNode>();
        node->SetName(name);
        node->SetParentId(siteId);
        node->SetAddress(address);
        CMultiplexorNode& ref = *node;
        config_.Multiplexors().Append(std::move(node));
        return ref;
    }
    CInstrumentConnectedNode& AddInstrument(const std::string& name, std::uint32_t siteId) {
        auto node = std::make_unique<CInstrumentConnectedNode>();
        node->SetName(name);
        node->SetParentId(siteId);
        CInstrumentConnectedNode& ref = *node;
        config_.ConnectedInstruments().Append(std::move(node));
        return ref;
    }
    CInstrumentMultiplexorNode& AddMultiplexorInstrument(const std::string& name, std::uint32_t muxId) {
        auto node = std::make_unique<CInstrumentMultiplexorNode>();
        node->SetName(name);
        node->SetParentId(muxId);
        CInstrumentMultiplexorNode& ref = *node;
        config_.MultiplexorInstruments().Append(std::move(node));
        return ref;
    }

    // Every kind of node and link with every stored field set away from its default.
    void PopulateAll() {
        auto modem = std::make_unique<CModemSettings>();
        modem->SetName("Modem A");
        modem->SetDialPrefix("ATDP");
        modem->SetConnectResponse("CONNECTED");
        const std::uint32_t modemId = modem->GetId();
        config_.Modems().Append(std::move(modem));
        CSiteNode& home = AddSite("Home");
        CSiteNode& child = AddSite("Child", home.GetId());
        child.SetExpanded(true);
        CMultiplexorNode& mux = AddMultiplexor("Mux", child.GetId(), "10.0.0.9");
        CInstrumentConnectedNode& serial = AddInstrument("Serial", home.GetId());
        InstrumentSettings s;
        s.selectCode =
            "\x1b"
            "A\r";
        s.deselectCode = "\"q\"";
        s.modeVariableName = "COM1_MODE";
        s.password = 4321;
        s.instrumentId = 0xFFFFFFF0;
        s.instrumentPort = 2;
        s.autoDisconnectMinutes = 15;
        s.receiveTimeoutMs = 7000;
        s.transmitDelayMs = 20;
        s.passwordEnabled = s.idEnabled = s.autoDisconnectEnabled = s.selectEnabled = s.deselectEnabled =
            true;
        s.samplesBox = true;
        serial.SetSettings(s);
        InstrumentIdentity identity;
        identity.capabilities = "XYZ";
        identity.partNumber = "P1";
        identity.serialNumber = "S1";
        identity.firmwareRevision = "F1";
        identity.libraryRevision = "L1";
        identity.protocolRevision = "R1";
        identity.modelFamily = 3;
        serial.SetIdentity(identity);
        auto* port = static_cast<CCommPortConnection*>(serial.GetConnection());
        port->SetPortName("/dev/ttyUSB3");
        port->SetBaudRate(115200);
        port->SetParity(2);
        port->SetDataBits(7);
        port->SetStopBits(2);
        port->SetXonXoff(true);
        auto hayes = std::make_unique<CModemConnection>();
        hayes->SetModemId(modemId);
        hayes->SetTelephoneNumber("555 0100");
        hayes->SetConnectTimeout(60);
        hayes->SetPortName("COM4");
        AddInstrument("Hayes", child.GetId()).SetConnection(std::move(hayes));
        auto tapi = std::make_unique<CTAPIModemConnection>();
        tapi->SetDeviceId(77);
        tapi->SetTelephoneNumber("555 0199");
        tapi->SetConnectTimeout(30);
        AddInstrument("Telephony", child.GetId()).SetConnection(std::move(tapi));
        auto tcp = std::make_unique<CTCPConnection>();
        tcp->SetHost("analyzer.local");
        tcp->SetPort(3000);
        AddInstrument("Network", home.GetId()).SetConnection(std::move(tcp));
        CInstrumentMultiplexorNode& behind = AddMultiplexorInstrument("Behind", mux.GetId());
        static_cast<CTCPConnection*>(behind.GetConnection())->SetHost("10.0.0.9");
        static_cast<CTCPConnection*>(behind.GetConnection())->SetPort(7002);
    }

    CNetworkConfiguration config_;
    ScopedNetworkConfiguration scope_;
    ScriptedPrompt prompt_;
    ScopedUserPrompt promptScope_;
    std::string dir_;
};

}  // namespace talven::testing
