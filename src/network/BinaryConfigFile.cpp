// The binary network configuration file and the older per-site form.

#include <cstring>

#include "foundation/DataLock.h"
#include "network/InstrumentNode.h"
#include "network/NetworkFiles.h"
#include "network/ObjectArchiveFile.h"
#include "network/SiteConnection.h"
#include "network/TreeNode.h"
#include "transport/TCPConnection.h"

namespace talven {

namespace {

// The five lists in file order, with the one class each may hold.
struct ListSlot {
    CNamedObjectList SavedLists::*list;
    const char* className;
};
constexpr ListSlot kFileOrder[] = {
    {&SavedLists::modems, "CModemSettings"},
    {&SavedLists::sites, "CSiteNode"},
    {&SavedLists::connectedInstruments, "CInstrumentConnectedNode"},
    {&SavedLists::multiplexors, "CMultiplexorNode"},
    {&SavedLists::multiplexorInstruments, "CInstrumentMultiplexorNode"},
};

bool ReadListOf(BinaryObjectArchive& ar, CNamedObjectList& list, const char* className) {
    if (!ReadObjectList(ar, list))
        return false;
    for (const auto& item : list) {
        if (std::strcmp(item->GetRuntimeClass(), className) != 0) {
            ar.Fail(std::string(item->GetRuntimeClass()) + " where " + className + " belongs");
            return false;
        }
    }
    return true;
}

// Turns the site records of an older file into sites and multiplexors under a new "Home" site.
// The old instrument records cannot be read (their class is not registered), so an older file
// that holds any fails before this runs and none are converted here.
void ConvertSiteRecords(CNamedObjectList& records, SavedLists& lists) {
    const std::uint32_t homeId = NewUniqueNodeId({&records, &lists.sites, &lists.multiplexors});
    lists.sites.Append(std::make_unique<CSiteNode>("Home", homeId));
    for (const auto& item : records) {
        const auto& record = static_cast<const CSiteConnection&>(*item);
        if (record.IsMultiplexor()) {
            auto multiplexor = std::make_unique<CMultiplexorNode>(record.GetName(), record.GetId());
            multiplexor->SetExpanded(record.IsExpanded());
            multiplexor->SetParentId(homeId);
            multiplexor->SetAddress(static_cast<const CTCPConnection*>(record.GetConnection())->GetHost());
            lists.multiplexors.Append(std::move(multiplexor));
        } else {
            auto site = std::make_unique<CSiteNode>(record.GetName(), record.GetId());
            site->SetExpanded(record.IsExpanded());
            site->SetParentId(homeId);
            lists.sites.Append(std::move(site));
        }
    }
}

bool ReadOlderFormat(BinaryObjectArchive& ar, SavedLists& lists) {
    CNamedObjectList discarded;
    CNamedObjectList records;
    CNamedObjectList instruments;
    if (!ReadObjectList(ar, discarded) || !ReadListOf(ar, records, "CSiteConnection") ||
        !ReadObjectList(ar, instruments)) {
        return false;
    }
    if (!instruments.empty()) {
        ar.Fail("older instrument records");
        return false;
    }
    ConvertSiteRecords(records, lists);
    return true;
}

}  // namespace

std::vector<std::uint8_t> WriteBinaryConfiguration(const SavedLists& lists, std::string* reason) {
    DataGuard guard;
    BinaryObjectArchive ar;
    ar.Writer().WriteU32(kNetworkConfigMagic);
    ar.Writer().WriteU32(1);
    for (const ListSlot& slot : kFileOrder)
        WriteObjectList(ar, lists.*slot.list);
    if (ar.failed()) {
        if (reason)
            *reason = ar.GetFailureReason();
        return {};
    }
    return ar.Writer().take();
}

BinaryLoadResult ReadBinaryConfiguration(const std::uint8_t* data, std::size_t size, SavedLists& lists) {
    BinaryLoadResult result;
    BinaryObjectArchive ar(data, size);
    const std::uint32_t magic = ar.Reader().ReadU32();
    const std::uint32_t version = ar.Reader().ReadU32();
    if (ar.failed()) {
        result.reason = "shorter than its header";
        return result;
    }
    if (magic == kNetworkConfigMagic) {
        for (const ListSlot& slot : kFileOrder) {
            if (!ReadListOf(ar, lists.*slot.list, slot.className))
                break;
        }
    } else {
        ReadOlderFormat(ar, lists);
    }
    if (ar.failed()) {
        result.reason = ar.GetFailureReason().empty() ? "unexpected end of file" : ar.GetFailureReason();
        return result;
    }
    result.ok = true;
    result.format = version;
    return result;
}

}  // namespace talven
