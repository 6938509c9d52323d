#include "network/TreeNode.h"

#include "foundation/DataLock.h"
#include "foundation/Messages.h"
#include "network/NetworkConfiguration.h"
#include "network/NetworkMessages.h"

namespace talven {

CTreeNode::CTreeNode(const CTreeNode& other) : CNamedObject(other) {
    DataGuard guard;
    parentId_ = other.parentId_;
    expanded_ = other.expanded_;
}

void CTreeNode::Serialize(ObjectArchive& ar) {
    DataGuard guard;
    CNamedObject::Serialize(ar);
    if (ar.IsStoring()) {
        ar.Writer().WriteU32(parentId_);
        ar.Writer().WriteBool(expanded_);
    } else {
        parentId_ = ar.Reader().ReadU32();
        expanded_ = ar.Reader().ReadBool();
    }
}

std::uint32_t CTreeNode::GetParentId() const {
    DataGuard guard;
    return parentId_;
}

void CTreeNode::SetParentId(std::uint32_t id) {
    DataGuard guard;
    parentId_ = id;
}

bool CTreeNode::IsExpanded() const {
    DataGuard guard;
    return expanded_;
}

void CTreeNode::SetExpanded(bool expanded) {
    DataGuard guard;
    expanded_ = expanded;
}

CSiteNode::CSiteNode() : CTreeNode(std::string(MessageText(msg::kLocalSite)), NewUniqueNodeId()) {}

std::unique_ptr<CNamedObject> CSiteNode::Clone() const {
    std::unique_ptr<CSiteNode> copy(new CSiteNode(*this));
    copy->SetId(NewUniqueNodeId());
    return copy;
}

CMultiplexorNode::CMultiplexorNode()
    : CTreeNode(std::string(MessageText(msg::kLocalMultiplexor)), NewUniqueNodeId()) {}

CMultiplexorNode::CMultiplexorNode(const CMultiplexorNode& other) : CTreeNode(other) {
    DataGuard guard;
    address_ = other.address_;
}

void CMultiplexorNode::Serialize(ObjectArchive& ar) {
    DataGuard guard;
    CTreeNode::Serialize(ar);
    if (ar.IsStoring()) {
        ar.Writer().WriteString(address_);
    } else {
        address_ = ar.Reader().ReadString();
    }
}

std::unique_ptr<CNamedObject> CMultiplexorNode::Clone() const {
    std::unique_ptr<CMultiplexorNode> copy(new CMultiplexorNode(*this));
    copy->SetId(NewUniqueNodeId());
    return copy;
}

std::string CMultiplexorNode::GetAddress() const {
    DataGuard guard;
    return address_;
}

void CMultiplexorNode::SetAddress(std::string address) {
    DataGuard guard;
    address_ = std::move(address);
}

}  // namespace talven
