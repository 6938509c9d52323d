#pragma once
// The settings of an instrument's link as its dialogs edit them: the link type, the serial port
// with its line settings (the port settings dialog), the Hayes modem with number and connect
// time-out, the telephony device, and the TCP host and port. The values are a copy; they reach a
// link only when the dialog is confirmed, either written into the link in place (same type) or as
// a new link of the chosen type. Window thread only.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace talven {

class CConnection;

enum LinkType : int { kSerialLink, kModemLink, kTelephonyLink, kTcpLink, kLinkTypeCount };

/// The line settings of a serial port, as the port settings dialog edits them.
struct PortSettingsValues {
    std::uint32_t baudRate = 19200;
    std::uint32_t dataBits = 8;
    std::uint32_t parity = 0;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
    std::uint32_t stopBits = 0;  // 0 one, 2 two
    bool xonXoff = false;
    bool operator==(const PortSettingsValues&) const = default;
};

/// The choices of the port settings dialog, each list in the order shown.
struct PortSettingsChoices {
    /// The usual rates; a rate the link holds that is not among them is added in its place.
    static std::vector<std::uint32_t> BaudRates(std::uint32_t current);
    static std::vector<std::uint32_t> DataBits();
    /// "None", "Odd", "Even", "Mark", "Space": the index is the parity code.
    static std::vector<std::string> ParityNames();
    /// "1", "2": stop-bit codes 0 and 2.
    static std::vector<std::string> StopBitNames();
    static std::uint32_t StopBitsOfIndex(int index) { return index == 1 ? 2 : 0; }
    static int IndexOfStopBits(std::uint32_t code) { return code == 2 ? 1 : 0; }
    /// "None", "Xon / Xoff".
    static std::vector<std::string> FlowControlNames();
};

/// Every field of every link type; the chosen type's fields are the ones stored. Numbers are kept
/// as typed until the dialog is confirmed.
struct LinkValues {
    LinkType type = kSerialLink;
    std::string portName = "COM1";  // serial and Hayes modem
    PortSettingsValues port;        // serial and Hayes modem
    std::uint32_t modemId = 0;
    std::uint32_t deviceId = 0;
    std::string telephoneNumber;             // Hayes and telephony modem
    std::string connectTimeoutText = "120";  // Hayes and telephony modem, seconds
    std::string host = "0.0.0.0";
    std::string tcpPortText = "0";
    bool operator==(const LinkValues&) const = default;
};

/// The values a link holds (its own type's fields; the others keep their defaults).
LinkValues ReadLinkValues(const CConnection& link);
/// A new closed link of the values' type. The values must have passed CLinkSettings::Check.
std::unique_ptr<CConnection> MakeLink(const LinkValues& values);
/// Writes the values of link's own type into it (its stored settings; an open link uses them
/// when it next opens). False when link is of another type than the values.
bool WriteLinkValues(const LinkValues& values, CConnection& link);
LinkType TypeOfLink(const CConnection& link);

/// One entry of a list that stands for an object of the configuration.
struct IdChoice {
    std::uint32_t id = 0;
    std::string name;
};

class CLinkSettings {
  public:
    static constexpr std::int64_t kMaxTcpPort = 65535;
    static constexpr std::int64_t kMaxTelephonyTimeout = 300;
    static constexpr std::int64_t kMaxModemTimeout = 2147483647;
    static constexpr int kMaxTelephoneNumber = 100;

    enum Field { kNoField, kPortNameField, kTelephoneNumberField, kConnectTimeoutField, kTcpPortField };

    /// Starts from the link's values. typeFixed: the type cannot be changed (a multiplexor
    /// instrument's TCP link, or a transport's own properties dialog).
    CLinkSettings(const CConnection& current, bool typeFixed);

    /// "Serial port", "Hayes modem", "Telephony modem", "TCP/IP", by LinkType.
    static std::vector<std::string> TypeNames();

    LinkValues& Values() { return values_; }
    const LinkValues& Values() const { return values_; }
    LinkType GetType() const { return values_.type; }
    /// Ignored while the type is fixed.
    void SetType(LinkType type);
    bool IsTypeFixed() const { return typeFixed_; }

    /// The present serial ports; the link's own port first when the system does not list it (a
    /// pseudo-terminal, a port unplugged for now), so that confirming keeps it.
    std::vector<std::string> PortChoices() const;
    /// The modems list's entries and the telephony devices, in list order.
    std::vector<IdChoice> ModemChoices() const;
    std::vector<IdChoice> DeviceChoices() const;
    /// The position of the chosen modem or device in its list; -1 when it names none there.
    int ModemIndex() const;
    int DeviceIndex() const;
    void SelectModem(int index);
    void SelectDevice(int index);
    /// The telephony device's own configuration dialog; false when there is no such device or the
    /// user cancelled it.
    bool ConfigureDevice();

    /// Checks the chosen type's fields; tells the user what is wrong and names the field.
    bool Check();
    Field ProblemField() const { return problem_; }
    /// True when confirming would change the link's stored settings (or its type).
    bool Differs(const CConnection& link) const;

  private:
    LinkValues values_;
    bool typeFixed_;
    std::string originalPort_;
    Field problem_ = kNoField;
};

}  // namespace talven
