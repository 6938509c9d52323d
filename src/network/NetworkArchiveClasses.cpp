#include "network/NetworkArchiveClasses.h"

#include "network/ClassRegistry.h"
#include "network/InstrumentNode.h"
#include "network/SiteConnection.h"
#include "network/TreeNode.h"
#include "transport/ModemConnection.h"
#include "transport/ModemSettings.h"
#include "transport/TAPIModemConnection.h"
#include "transport/TCPConnection.h"

namespace talven {

namespace {

// Loaded nodes get their stored ids back, so the factories draw none.
template <typename Node>
std::unique_ptr<SerialObject> MakeNode() {
    return std::make_unique<Node>(std::string(), 0);
}

template <typename T>
std::unique_ptr<SerialObject> Make() {
    return std::make_unique<T>();
}

}  // namespace

void RegisterNetworkArchiveClasses() {
    RegisterArchiveClass("CSiteNode", CSiteNode::kSchema, MakeNode<CSiteNode>);
    RegisterArchiveClass("CMultiplexorNode", CMultiplexorNode::kSchema, MakeNode<CMultiplexorNode>);
    RegisterArchiveClass("CInstrumentConnectedNode", CInstrumentConnectedNode::kSchema,
                         MakeNode<CInstrumentConnectedNode>);
    RegisterArchiveClass("CInstrumentMultiplexorNode", CInstrumentMultiplexorNode::kSchema,
                         MakeNode<CInstrumentMultiplexorNode>);
    RegisterArchiveClass("CModemSettings", CModemSettings::kSchema, Make<CModemSettings>);
    RegisterArchiveClass("CCommPortConnection", CCommPortConnection::kSchema, Make<CCommPortConnection>);
    RegisterArchiveClass("CModemConnection", CModemConnection::kSchema, Make<CModemConnection>);
    RegisterArchiveClass("CTAPIModemConnection", CTAPIModemConnection::kSchema, Make<CTAPIModemConnection>);
    RegisterArchiveClass("CTCPConnection", CTCPConnection::kSchema, Make<CTCPConnection>);
    RegisterArchiveClass("CSiteConnection", CSiteConnection::kSchema, Make<CSiteConnection>);
}

}  // namespace talven
