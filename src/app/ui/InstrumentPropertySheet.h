#pragma once
// The instrument property sheet: the pages General (name, instrument ID, the port whose mode
// variable the connect sets), Connection (link type and its settings), Security (log-on password,
// the code-activated switch's select and deselect codes) and Timing (receive time-out, transmit
// delay, automatic disconnect). The pages edit a copy; OK writes the copy back only when every
// page is valid. Window thread only.
//
// The user's settings are written back whole, but only the sheet's own fields change: what a
// connect learned meanwhile (the identity) lives apart and is never touched, and the DLOG
// window's "Samples" box, kept with the settings, is read again at OK.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/ui/LinkSettings.h"

namespace talven {

class CInstrumentNode;

enum InstrumentPage : int {
    kInstGeneralPage,
    kInstConnectionPage,
    kInstSecurityPage,
    kInstTimingPage,
    kInstPageCount
};

/// What the pages show, numbers as typed.
struct InstrumentPageValues {
    // General
    std::string name;
    bool idEnabled = false;
    std::string idText = "0";
    int port = 0;  // 0 "RS232_MODE", 1 "RS232_MODE2", 2 the variable named below
    std::string modeVariableName;
    // Security
    bool passwordEnabled = false;
    std::string passwordText = "0";
    bool selectEnabled = false;
    std::string selectText;  // the code in its edited form ("\x03" for byte 3)
    bool deselectEnabled = false;
    std::string deselectText;
    // Timing
    std::string receiveTimeoutText = "5000";
    std::string transmitDelayText = "0";
    bool autoDisconnectEnabled = false;
    std::string autoDisconnectText = "0";
};

class CInstrumentPropertySheet {
  public:
    static constexpr std::int64_t kMaxInstrumentId = 4294967295LL;
    static constexpr std::int64_t kMaxPassword = 999999;
    static constexpr std::int64_t kMinReceiveTimeout = 500;
    static constexpr std::int64_t kMaxReceiveTimeout = 10000;
    static constexpr std::int64_t kDefaultsReceiveTimeout = 2000;
    static constexpr std::int64_t kMaxTransmitDelay = 500;
    static constexpr std::int64_t kMaxAutoDisconnect = 60;
    static constexpr const char* kProposedModeVariable = "COM1_MODE";

    enum Field {
        kNoField,
        kNameField,
        kIdField,
        kModeVariableField,
        kLinkField,  // the connection page's field named by Link().ProblemField()
        kPasswordField,
        kSelectField,
        kDeselectField,
        kReceiveTimeoutField,
        kTransmitDelayField,
        kAutoDisconnectField
    };

    /// isNew: the node is not in the configuration yet (New instrument), so a multiplexor
    /// instrument's unset channel port is proposed as 7000.
    CInstrumentPropertySheet(CInstrumentNode& node, bool isNew);
    ~CInstrumentPropertySheet();

    static std::vector<std::string> PageTitles();
    /// The sheet's title: the instrument's name and "Properties".
    std::string Title() const;

    InstrumentPageValues& Values() { return values_; }
    const InstrumentPageValues& Values() const { return values_; }
    CLinkSettings& Link() { return *link_; }
    const CLinkSettings& Link() const { return *link_; }

    /// True for an instrument behind a multiplexor: the link is TCP on the multiplexor's address,
    /// which the sheet shows but does not edit.
    bool IsMultiplexorInstrument() const { return multiplexorInstrument_; }
    /// The multiplexor's address (multiplexor instruments only).
    const std::string& MultiplexorAddress() const { return multiplexorAddress_; }

    /// Choosing the port; the other variable starts as "COM1_MODE" when no name was given.
    void SetPort(int port);
    /// Timing page "&Defaults": receive time-out 2000 ms, transmit delay 0.
    void TimingDefaults();

    /// Leaving a page: its fields must be valid. False keeps the page open; ProblemField() names
    /// the field to put the cursor in.
    bool CheckPage(int page);
    Field ProblemField() const { return problem_; }
    int FailedPage() const { return failedPage_; }

    /// OK: checks every page in order, then writes name, settings and link back. False keeps the
    /// sheet open (a page was refused, or the link's type cannot change while it is connected).
    bool Apply();
    /// After a successful Apply: whether anything was changed.
    bool Changed() const { return changed_; }

  private:
    bool CheckGeneral();
    bool CheckSecurity();
    bool CheckTiming();
    bool Refuse(Field field);
    /// Installs the new link, or writes the values into the present one; false when the type
    /// must change and the link is held open.
    bool StoreLink();

    CInstrumentNode& node_;
    InstrumentPageValues values_;
    std::unique_ptr<CLinkSettings> link_;
    std::uint32_t originalPort_ = 0;
    bool multiplexorInstrument_ = false;
    std::string multiplexorAddress_;
    Field problem_ = kNoField;
    int failedPage_ = -1;
    bool changed_ = false;
};

/// Whether the node is in the configuration's lists yet (a node being created is not).
bool IsNodeInConfiguration(const class CTreeNode& node);

}  // namespace talven
