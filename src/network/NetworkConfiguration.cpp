#include "network/NetworkConfiguration.h"

#include <algorithm>
#include <atomic>

#include "foundation/DataLock.h"
#include "foundation/Messages.h"
#include "network/InstrumentNode.h"
#include "network/TreeNode.h"
#include "transport/TCPConnection.h"
#include "transport/TransportEnvironment.h"

namespace talven {

namespace {

std::atomic<CNetworkConfiguration*> g_current{nullptr};
std::atomic<std::uint32_t (*)()> g_idSource{nullptr};

std::uint32_t DrawId() {
    std::uint32_t (*source)() = g_idSource;
    return source ? source() : NewNodeId();
}

bool HeldBy(const CNamedObjectList* list, std::uint32_t id) {
    return list && list->FindById(id) != nullptr;
}

}  // namespace

std::vector<const CNamedObjectList*> SavedLists::InIdOrder() const {
    return {&modems, &sites, &connectedInstruments, &multiplexorInstruments, &multiplexors};
}

std::string SavedLists::ParentName(std::uint32_t parentId) const {
    DataGuard guard;
    if (const CNamedObject* site = sites.FindById(parentId))
        return site->GetName();
    if (const CNamedObject* multiplexor = multiplexors.FindById(parentId))
        return multiplexor->GetName();
    return {};
}

void SetNodeIdSource(std::uint32_t (*source)()) {
    g_idSource = source;
}

void SetCurrentNetworkConfiguration(CNetworkConfiguration* configuration) {
    g_current = configuration;
    SetModemList(configuration ? &configuration->Modems() : nullptr);
    SetTelephonyDeviceList(configuration ? &configuration->TelephonyDevices() : nullptr);
}
CNetworkConfiguration* GetCurrentNetworkConfiguration() {
    return g_current;
}

std::uint32_t NewUniqueNodeId(std::initializer_list<const CNamedObjectList*> extra) {
    if (CNetworkConfiguration* current = g_current)
        return current->NewNodeId(extra);
    DataGuard guard;
    for (;;) {
        const std::uint32_t id = DrawId();
        if (id != 0 && std::none_of(extra.begin(), extra.end(), [id](auto* l) { return HeldBy(l, id); })) {
            return id;
        }
    }
}

std::unordered_set<std::uint32_t> CurrentNodeIds() {
    std::unordered_set<std::uint32_t> ids;
    CNetworkConfiguration* current = g_current;
    if (current == nullptr)
        return ids;
    DataGuard guard;
    for (const CNamedObjectList* list : current->Lists().InIdOrder()) {
        for (const auto& item : *list)
            ids.insert(item->GetId());
    }
    return ids;
}

std::uint32_t NewNodeIdAvoiding(std::unordered_set<std::uint32_t>& used) {
    for (;;) {
        const std::uint32_t id = DrawId();
        if (id != 0 && used.insert(id).second)
            return id;
    }
}

CNetworkConfiguration::CNetworkConfiguration() = default;

CNetworkConfiguration::~CNetworkConfiguration() {
    CNetworkConfiguration* self = this;
    g_current.compare_exchange_strong(self, nullptr);
}

bool CNetworkConfiguration::IsModified() const {
    DataGuard guard;
    return modified_;
}

void CNetworkConfiguration::SetModified(bool modified) {
    DataGuard guard;
    modified_ = modified;
}

std::string CNetworkConfiguration::GetPath() const {
    DataGuard guard;
    return path_;
}

void CNetworkConfiguration::SetPath(std::string path) {
    DataGuard guard;
    path_ = std::move(path);
}

std::uint32_t CNetworkConfiguration::GetFormatVersion() const {
    DataGuard guard;
    return format_;
}

void CNetworkConfiguration::SetFormatVersion(std::uint32_t version) {
    DataGuard guard;
    format_ = version;
}

void CNetworkConfiguration::New() {
    SavedLists previous;
    {
        DataGuard guard;
        ReplaceSavedLists(previous);
        lists_.sites.Append(std::make_unique<CSiteNode>("Home", NewNodeId()));
        modified_ = false;
        path_.clear();
        format_ = kCurrentFormat;
    }
    // The previous nodes (and their links) are destroyed here, outside the lock.
}

void CNetworkConfiguration::ReplaceSavedLists(SavedLists& lists) {
    DataGuard guard;
    lists_.sites.swap(lists.sites);
    lists_.multiplexors.swap(lists.multiplexors);
    lists_.multiplexorInstruments.swap(lists.multiplexorInstruments);
    lists_.connectedInstruments.swap(lists.connectedInstruments);
    lists_.modems.swap(lists.modems);
}

std::uint32_t CNetworkConfiguration::NewNodeId(std::initializer_list<const CNamedObjectList*> extra) const {
    DataGuard guard;
    const std::vector<const CNamedObjectList*> saved = lists_.InIdOrder();
    for (;;) {
        const std::uint32_t id = DrawId();
        if (id == 0)
            continue;
        if (std::any_of(saved.begin(), saved.end(), [id](auto* l) { return HeldBy(l, id); }))
            continue;
        if (std::any_of(extra.begin(), extra.end(), [id](auto* l) { return HeldBy(l, id); }))
            continue;
        return id;
    }
}

CTreeNode* CNetworkConfiguration::FindParent(std::uint32_t parentId) const {
    DataGuard guard;
    if (CNamedObject* site = lists_.sites.FindById(parentId))
        return static_cast<CTreeNode*>(site);
    return static_cast<CTreeNode*>(lists_.multiplexors.FindById(parentId));
}

std::string CNetworkConfiguration::ParentName(std::uint32_t parentId) const {
    return lists_.ParentName(parentId);
}

CTreeNode* CNetworkConfiguration::FindNode(std::uint32_t id) const {
    DataGuard guard;
    for (const CNamedObjectList* list : {&lists_.sites, &lists_.multiplexors, &lists_.connectedInstruments,
                                         &lists_.multiplexorInstruments}) {
        if (CNamedObject* node = list->FindById(id))
            return static_cast<CTreeNode*>(node);
    }
    return nullptr;
}

std::vector<CTreeNode*> CNetworkConfiguration::CollectSubtree(const CTreeNode* node) const {
    DataGuard guard;
    std::vector<CTreeNode*> found;
    if (node == nullptr)
        return found;
    found.push_back(const_cast<CTreeNode*>(node));
    // Breadth first over the parent links; a node is taken once even if the links form a loop.
    for (std::size_t next = 0; next < found.size(); ++next) {
        const std::uint32_t parentId = found[next]->GetId();
        if (parentId == 0)
            continue;
        for (const CNamedObjectList* list : {&lists_.sites, &lists_.multiplexors,
                                             &lists_.connectedInstruments, &lists_.multiplexorInstruments}) {
            for (const auto& item : *list) {
                auto* child = static_cast<CTreeNode*>(item.get());
                if (child->GetParentId() == parentId &&
                    std::find(found.begin(), found.end(), child) == found.end()) {
                    found.push_back(child);
                }
            }
        }
    }
    return found;
}

bool CNetworkConfiguration::IsFirstSite(const CTreeNode* node) const {
    DataGuard guard;
    return !lists_.sites.empty() && lists_.sites.at(0) == node;
}

bool CNetworkConfiguration::HasConnectedInstrument(const CTreeNode* node) const {
    DataGuard guard;
    for (const CTreeNode* member : CollectSubtree(node)) {
        const auto* instrument = dynamic_cast<const CInstrumentNode*>(member);
        if (instrument && instrument->IsConnected())
            return true;
    }
    return false;
}

bool CNetworkConfiguration::DeleteSubtree(const CTreeNode* node) {
    std::vector<std::unique_ptr<CNamedObject>> removed;
    {
        DataGuard guard;
        if (node == nullptr || IsFirstSite(node) || HasConnectedInstrument(node))
            return false;
        for (CTreeNode* member : CollectSubtree(node)) {
            for (CNamedObjectList* list : {&lists_.sites, &lists_.multiplexors, &lists_.connectedInstruments,
                                           &lists_.multiplexorInstruments}) {
                if (auto owned = list->Remove(member))
                    removed.push_back(std::move(owned));
            }
        }
        modified_ = true;
    }
    return true;
}

std::unique_ptr<CNamedObject> CNetworkConfiguration::MakeDuplicate(const CNamedObject& node) {
    std::unique_ptr<CNamedObject> copy = node.Clone();
    copy->SetId(NewUniqueNodeId());
    copy->SetName(std::string(MessageText(msg::kCopyOf)) + node.GetName());
    return copy;
}

void CNetworkConfiguration::SetMultiplexorAddress(CMultiplexorNode& multiplexor, const std::string& address) {
    DataGuard guard;
    if (multiplexor.GetAddress() == address)
        return;
    multiplexor.SetAddress(address);
    const std::uint32_t id = multiplexor.GetId();
    for (const auto& item : lists_.multiplexorInstruments) {
        auto* instrument = static_cast<CInstrumentMultiplexorNode*>(item.get());
        if (instrument->GetParentId() != id)
            continue;
        if (auto* tcp = dynamic_cast<CTCPConnection*>(instrument->GetConnection()))
            tcp->SetHost(address);
    }
    modified_ = true;
}

}  // namespace talven
