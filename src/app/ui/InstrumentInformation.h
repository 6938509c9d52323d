#pragma once
// The Instrument Information window's content: the instrument type, model name, part and serial
// numbers, revisions and the texts of its capabilities, as the last connect learned them. The
// window is modeless, so it keeps the node's id, not the node: each refresh finds the node again,
// and a node deleted (or a configuration replaced) meanwhile ends the window. Window thread only.

#include <cstdint>
#include <string>
#include <vector>

namespace talven {

class CInstrumentNode;

class CInstrumentInformation {
  public:
    explicit CInstrumentInformation(const CInstrumentNode& node);

    /// Reads the lines again; false when the node is gone.
    bool Refresh();
    /// True when the last refresh found the node.
    bool IsValid() const { return valid_; }
    const std::vector<std::string>& Lines() const { return lines_; }
    /// "Instrument Information - " and the instrument's name.
    const std::string& Title() const { return title_; }
    std::uint32_t NodeId() const { return nodeId_; }

  private:
    std::uint32_t nodeId_;
    bool valid_ = false;
    std::vector<std::string> lines_;
    std::string title_;
};

}  // namespace talven
