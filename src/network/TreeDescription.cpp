#include "network/TreeDescription.h"

#include <sstream>

#include "network/InstrumentNode.h"
#include "network/NetworkConfiguration.h"
#include "network/TreeNode.h"
#include "transport/CommPortConnection.h"
#include "transport/ModemConnection.h"
#include "transport/TAPIModemConnection.h"
#include "transport/TCPConnection.h"

namespace talven {

namespace {

char ParityLetter(std::uint32_t parity) {
    switch (parity) {
        case 1:
            return 'O';
        case 2:
            return 'E';
        case 3:
            return 'M';
        case 4:
            return 'S';
        default:
            return 'N';
    }
}

std::string DescribeLink(const CConnection* link, const CNetworkConfiguration& configuration) {
    std::ostringstream out;
    if (link == nullptr)
        return "no link";
    if (auto* modem = dynamic_cast<const CModemConnection*>(link)) {
        const CNamedObject* settings = configuration.Lists().modems.FindById(modem->GetModemId());
        out << "modem " << (settings ? "\"" + settings->GetName() + "\"" : std::string("(none)"))
            << " dialling \"" << modem->GetTelephoneNumber() << "\" on " << modem->GetPortName();
    } else if (auto* serial = dynamic_cast<const CCommPortConnection*>(link)) {
        out << "serial " << serial->GetPortName() << " " << serial->GetBaudRate() << " "
            << ParityLetter(serial->GetParity()) << " " << serial->GetDataBits() << " "
            << (serial->GetStopBits() == 2 ? 2 : 1) << (serial->GetXonXoff() ? " xon/xoff" : "");
    } else if (auto* tapi = dynamic_cast<const CTAPIModemConnection*>(link)) {
        out << "telephony device " << tapi->GetDeviceId() << " dialling \"" << tapi->GetTelephoneNumber()
            << "\"";
    } else if (auto* tcp = dynamic_cast<const CTCPConnection*>(link)) {
        out << "tcp " << tcp->GetHost() << ":" << tcp->GetPort();
    } else {
        out << link->GetRuntimeClass();
    }
    return out.str();
}

void DescribeBelow(const CNetworkConfiguration& configuration, std::uint32_t parentId, int depth,
                   std::ostream& out) {
    const std::string indent(static_cast<std::size_t>(depth) * 2, ' ');
    const SavedLists& lists = configuration.Lists();
    for (const auto& object : lists.sites) {
        auto* site = dynamic_cast<const CSiteNode*>(object.get());
        if (site == nullptr || site->GetParentId() != parentId)
            continue;
        out << indent << "site " << site->GetName() << "\n";
        if (site->GetId() != parentId)
            DescribeBelow(configuration, site->GetId(), depth + 1, out);
    }
    for (const auto& object : lists.multiplexors) {
        auto* mux = dynamic_cast<const CMultiplexorNode*>(object.get());
        if (mux == nullptr || mux->GetParentId() != parentId)
            continue;
        out << indent << "multiplexor " << mux->GetName() << " " << mux->GetAddress() << "\n";
        for (const auto& inner : lists.multiplexorInstruments) {
            auto* node = dynamic_cast<const CInstrumentNode*>(inner.get());
            if (node == nullptr || node->GetParentId() != mux->GetId())
                continue;
            out << indent << "  instrument " << node->GetName() << " "
                << DescribeLink(node->GetConnection(), configuration) << "\n";
        }
    }
    for (const auto& object : lists.connectedInstruments) {
        auto* node = dynamic_cast<const CInstrumentNode*>(object.get());
        if (node == nullptr || node->GetParentId() != parentId)
            continue;
        out << indent << "instrument " << node->GetName() << " "
            << DescribeLink(node->GetConnection(), configuration) << "\n";
    }
}

}  // namespace

std::string DescribeNetworkTree(const CNetworkConfiguration& configuration) {
    std::ostringstream out;
    DescribeBelow(configuration, 0, 0, out);
    return out.str();
}

}  // namespace talven
