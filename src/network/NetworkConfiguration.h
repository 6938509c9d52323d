#pragma once
// The network configuration: the five saved lists (modems, sites, connected instruments,
// multiplexors, multiplexor instruments), the telephony device list (rebuilt at start-up, never
// saved), the modified mark, the file path and the format version of the file it came from.
//
// Threads: every accessor takes the data lock; list-wide operations hold it for the whole walk.
// The lists keep their identity for the life of the configuration: a load or New replaces their
// contents, so pointers to the lists (as the links keep) stay valid.

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "foundation/NamedObject.h"

namespace talven {

class CTreeNode;
class CMultiplexorNode;

/// The five saved lists, as a load builds them before they replace the configuration's.
struct SavedLists {
    CNamedObjectList modems;
    CNamedObjectList sites;
    CNamedObjectList connectedInstruments;
    CNamedObjectList multiplexors;
    CNamedObjectList multiplexorInstruments;

    /// In the order the new id check walks them: modems, sites, connected instruments,
    /// multiplexor instruments, multiplexors.
    std::vector<const CNamedObjectList*> InIdOrder() const;
    /// The name of the site, else the multiplexor, with that id; empty when neither holds it.
    std::string ParentName(std::uint32_t parentId) const;
};

class CNetworkConfiguration {
  public:
    static constexpr std::uint32_t kCurrentFormat = 1;

    CNetworkConfiguration();
    ~CNetworkConfiguration();
    CNetworkConfiguration(const CNetworkConfiguration&) = delete;
    CNetworkConfiguration& operator=(const CNetworkConfiguration&) = delete;

    CNamedObjectList& TelephonyDevices() { return telephonyDevices_; }
    CNamedObjectList& Modems() { return lists_.modems; }
    CNamedObjectList& Sites() { return lists_.sites; }
    CNamedObjectList& ConnectedInstruments() { return lists_.connectedInstruments; }
    CNamedObjectList& Multiplexors() { return lists_.multiplexors; }
    CNamedObjectList& MultiplexorInstruments() { return lists_.multiplexorInstruments; }
    const SavedLists& Lists() const { return lists_; }

    bool IsModified() const;
    void SetModified(bool modified);
    std::string GetPath() const;
    void SetPath(std::string path);
    /// The format of the file loaded (1 current); a Save over an older one asks first.
    std::uint32_t GetFormatVersion() const;
    void SetFormatVersion(std::uint32_t version);
    bool IsOlderFormat() const { return GetFormatVersion() != kCurrentFormat; }

    /// Empties the five saved lists and adds one site "Home"; no path, not modified, current
    /// format. The telephony device list stays.
    void New();
    /// Moves the lists' contents in (the previous contents go back out in lists), under the lock:
    /// sites, multiplexors, multiplexor instruments, connected instruments, modems.
    void ReplaceSavedLists(SavedLists& lists);

    /// A fresh id: not 0 and held by no element of the five saved lists nor of the extra lists.
    std::uint32_t NewNodeId(std::initializer_list<const CNamedObjectList*> extra = {}) const;

    /// The site or multiplexor holding that id, for the tree's parent links; null when none.
    CTreeNode* FindParent(std::uint32_t parentId) const;
    /// The parent name lookup of the text file: site, else multiplexor; empty when neither.
    std::string ParentName(std::uint32_t parentId) const;
    /// Any node of the four tree lists with that id.
    CTreeNode* FindNode(std::uint32_t id) const;

    /// The node and every node below it, the node first.
    std::vector<CTreeNode*> CollectSubtree(const CTreeNode* node) const;
    /// True when the node is the first site, which is never deleted.
    bool IsFirstSite(const CTreeNode* node) const;
    /// True when some instrument at or below the node is connected.
    bool HasConnectedInstrument(const CTreeNode* node) const;
    /// Deletes the node with every node below it and marks the configuration modified. Refuses
    /// (false) the first site and a subtree with a connected instrument. Asks nobody: the main
    /// window's command asks first.
    bool DeleteSubtree(const CTreeNode* node);

    /// A copy of the node (or modem) with a fresh id, named "Copy of " followed by its name; the
    /// caller places it in the node's list.
    static std::unique_ptr<CNamedObject> MakeDuplicate(const CNamedObject& node);

    /// Stores a multiplexor's new address. When it differs from the old one (exact comparison),
    /// it is copied into the TCP link of every instrument behind that multiplexor. Marks modified.
    void SetMultiplexorAddress(CMultiplexorNode& multiplexor, const std::string& address);

  private:
    CNamedObjectList telephonyDevices_;
    SavedLists lists_;
    bool modified_ = false;
    std::string path_;
    std::uint32_t format_ = kCurrentFormat;
};

/// The configuration whose lists new node ids must avoid. The application sets its own at
/// start-up; with none set, ids are only checked against 0. Also hands its modems and telephony
/// device lists to the links, which look modems and devices up when they open.
void SetCurrentNetworkConfiguration(CNetworkConfiguration* configuration);
CNetworkConfiguration* GetCurrentNetworkConfiguration();
/// A fresh id unique in the current configuration and in the extra lists. Node constructors use it.
std::uint32_t NewUniqueNodeId(std::initializer_list<const CNamedObjectList*> extra = {});

/// The ids held by the current configuration's five saved lists.
std::unordered_set<std::uint32_t> CurrentNodeIds();
/// A fresh id that is not 0 and not in used, which it joins. For loaders that make many nodes.
std::uint32_t NewNodeIdAvoiding(std::unordered_set<std::uint32_t>& used);

/// Replaces the random source of new ids (null restores it), so that tests can force collisions.
void SetNodeIdSource(std::uint32_t (*source)());

/// Makes a configuration current for its lifetime (tests, tools).
class ScopedNetworkConfiguration {
  public:
    explicit ScopedNetworkConfiguration(CNetworkConfiguration* configuration)
        : previous_(GetCurrentNetworkConfiguration()) {
        SetCurrentNetworkConfiguration(configuration);
    }
    ~ScopedNetworkConfiguration() { SetCurrentNetworkConfiguration(previous_); }
    ScopedNetworkConfiguration(const ScopedNetworkConfiguration&) = delete;
    ScopedNetworkConfiguration& operator=(const ScopedNetworkConfiguration&) = delete;

  private:
    CNetworkConfiguration* previous_;
};

}  // namespace talven
