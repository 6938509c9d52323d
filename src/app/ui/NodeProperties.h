#pragma once
// The properties dialogs of sites (name) and multiplexors (name and address). Names are free text:
// neither dialog checks them, and several nodes may share one. Window thread only.

#include <string>

namespace talven {

class CSiteNode;
class CMultiplexorNode;

class CSitePropertiesDialog {
  public:
    explicit CSitePropertiesDialog(CSiteNode& site);
    std::string name;
    /// OK: stores the name. True when it changed.
    bool Apply();

  private:
    CSiteNode& site_;
};

class CMultiplexorPropertiesDialog {
  public:
    explicit CMultiplexorPropertiesDialog(CMultiplexorNode& multiplexor);
    std::string name;
    std::string address;
    /// OK: stores the name and the address; a changed address (compared exactly) is carried
    /// over to the links of the multiplexor's instruments. True when anything changed.
    bool Apply();

  private:
    CMultiplexorNode& multiplexor_;
};

}  // namespace talven
