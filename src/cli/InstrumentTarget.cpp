#include "cli/InstrumentTarget.h"

#include <cstdlib>

#include "foundation/EString.h"
#include "network/InstrumentNode.h"
#include "network/NetworkConfiguration.h"
#include "network/NetworkFiles.h"
#include "transport/CommPortConnection.h"
#include "transport/TCPConnection.h"

namespace talven::cli {

namespace {

bool ParseNumber(const std::string& text, long min, long max, long& value) {
    if (text.empty())
        return false;
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    return *end == '\0' && value >= min && value <= max;
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = text.find(separator, start);
        parts.push_back(text.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos)
            return parts;
        start = at + 1;
    }
}

TargetResult TcpTarget(const std::string& given, InstrumentTarget& target, std::string& error) {
    const auto colon = given.rfind(':');
    long port = 0;
    if (colon == std::string::npos || colon == 0 || !ParseNumber(given.substr(colon + 1), 1, 65535, port)) {
        error = "--tcp wants HOST:PORT, not '" + given + "'";
        return TargetResult::kUsage;
    }
    auto link = std::make_unique<CTCPConnection>();
    link->SetHost(given.substr(0, colon));
    link->SetPort(static_cast<std::uint32_t>(port));
    target.ownNode = std::make_unique<CInstrumentConnectedNode>();
    target.ownNode->SetName(given);
    target.ownNode->SetConnection(std::move(link));
    target.node = target.ownNode.get();
    return TargetResult::kOk;
}

TargetResult SerialTarget(const std::string& given, InstrumentTarget& target, std::string& error) {
    const auto parts = Split(given, ',');
    auto link = std::make_unique<CCommPortConnection>();
    long baud = 19200, dataBits = 8, stopBits = 1;
    std::string parity = parts.size() > 2 ? ToUpper(parts[2]) : "N";
    const bool ok = !parts[0].empty() && parts.size() <= 5 &&
                    (parts.size() < 2 || ParseNumber(parts[1], 50, 4000000, baud)) &&
                    (parity.size() == 1 && std::string("NOEMS").find(parity[0]) != std::string::npos) &&
                    (parts.size() < 4 || ParseNumber(parts[3], 5, 8, dataBits)) &&
                    (parts.size() < 5 || ParseNumber(parts[4], 1, 2, stopBits));
    if (!ok) {
        error =
            "--serial wants DEVICE[,BAUD[,PARITY[,DATABITS[,STOPBITS]]]] (parity N, O, E, M or S), not '" +
            given + "'";
        return TargetResult::kUsage;
    }
    link->SetPortName(parts[0]);
    link->SetBaudRate(static_cast<std::uint32_t>(baud));
    link->SetParity(static_cast<std::uint32_t>(parity[0]));  // the letter's code selects the parity
    link->SetDataBits(static_cast<std::uint32_t>(dataBits));
    link->SetStopBits(stopBits == 2 ? 2 : 0);
    target.ownNode = std::make_unique<CInstrumentConnectedNode>();
    target.ownNode->SetName(parts[0]);
    target.ownNode->SetConnection(std::move(link));
    target.node = target.ownNode.get();
    return TargetResult::kOk;
}

TargetResult NetworkTarget(const std::string& file, const std::string& name, InstrumentTarget& target,
                           std::string& error) {
    target.configuration = std::make_unique<CNetworkConfiguration>();
    SetCurrentNetworkConfiguration(target.configuration.get());
    if (!LoadNetworkConfiguration(*target.configuration, file)) {
        error.clear();  // the loader has said why
        return TargetResult::kFailed;
    }
    for (CNamedObjectList* list :
         {&target.configuration->ConnectedInstruments(), &target.configuration->MultiplexorInstruments()}) {
        if (CNamedObject* found = list->FindByName(name)) {
            target.node = dynamic_cast<CInstrumentConnectedNode*>(found);
            if (target.node)
                return TargetResult::kOk;
        }
    }
    error = "no instrument named '" + name + "' in " + file;
    return TargetResult::kFailed;
}

}  // namespace

InstrumentTarget::~InstrumentTarget() {
    ownNode.reset();
    if (configuration && GetCurrentNetworkConfiguration() == configuration.get())
        SetCurrentNetworkConfiguration(nullptr);
}

std::vector<OptionSpec> TargetOptions() {
    return {{"--tcp", true},        {"--serial", true},   {"--network", true},
            {"--instrument", true}, {"--password", true}, {"--id", true},
            {"--timeout", true},    {"--log", true},      {"--help"}};
}

TargetResult MakeTarget(const ParsedArgs& args, InstrumentTarget& target, std::string& error) {
    const int chosen =
        (args.Has("--tcp") ? 1 : 0) + (args.Has("--serial") ? 1 : 0) + (args.Has("--network") ? 1 : 0);
    if (chosen != 1) {
        error = "give exactly one of --tcp, --serial or --network";
        return TargetResult::kUsage;
    }
    if (args.Has("--network") != args.Has("--instrument")) {
        error = "--network and --instrument go together";
        return TargetResult::kUsage;
    }
    long password = 0, id = 0, timeout = 0;
    if (args.Has("--password") && !ParseNumber(args.Value("--password"), 0, 2147483647, password)) {
        error = "--password wants a number";
        return TargetResult::kUsage;
    }
    if (args.Has("--id") && !ParseNumber(args.Value("--id"), 0, 9999, id)) {
        error = "--id wants a number from 0 to 9999";
        return TargetResult::kUsage;
    }
    if (args.Has("--timeout") && !ParseNumber(args.Value("--timeout"), 1, 600000, timeout)) {
        error = "--timeout wants milliseconds from 1 to 600000";
        return TargetResult::kUsage;
    }
    TargetResult result = args.Has("--tcp")      ? TcpTarget(args.Value("--tcp"), target, error)
                          : args.Has("--serial") ? SerialTarget(args.Value("--serial"), target, error)
                                                 : NetworkTarget(args.Value("--network"),
                                                                 args.Value("--instrument"), target, error);
    if (result != TargetResult::kOk)
        return result;
    InstrumentSettings settings = target.node->GetSettings();
    if (args.Has("--password")) {
        settings.password = static_cast<std::uint32_t>(password);
        settings.passwordEnabled = password != 0;
    }
    if (args.Has("--id")) {
        settings.instrumentId = static_cast<std::uint32_t>(id);
        settings.idEnabled = true;
    }
    if (args.Has("--timeout"))
        settings.receiveTimeoutMs = static_cast<std::uint32_t>(timeout);
    target.node->SetSettings(settings);
    return TargetResult::kOk;
}

}  // namespace talven::cli
