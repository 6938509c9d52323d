#pragma once
// Dialling through a data modem installed in the operating system's telephony service: line
// devices with permanent ids, a call placed on an opened line, call-state messages, and the
// connected call's communications device. Linux has no such service: its provider lists no
// devices, so every telephony link fails to open at once. Tests use ScriptedTelephonyProvider.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "foundation/NamedObject.h"

namespace talven {

class SerialDevice;

/// A usable line device, listed once at start-up (never saved).
class CTAPIModemDevice : public CNamedObject {
  public:
    CTAPIModemDevice() = default;
    /// name: the line name; id: the permanent line id.
    CTAPIModemDevice(std::string name, std::uint32_t permanentId, std::uint32_t deviceIndex,
                     std::uint32_t version);
    const char* GetRuntimeClass() const override { return "CTAPIModemDevice"; }
    /// Name, id, device index, version (the list is never saved; this is for completeness).
    void Serialize(ObjectArchive& ar) override;
    std::unique_ptr<CNamedObject> Clone() const override;

    std::uint32_t GetDeviceIndex() const;
    std::uint32_t GetVersion() const;

  private:
    std::uint32_t deviceIndex_ = 0;
    std::uint32_t version_ = 0;
};

namespace callstate {
constexpr std::uint32_t kSpecialInfo = 0x80;
constexpr std::uint32_t kConnected = 0x100;
constexpr std::uint32_t kDisconnected = 0x4000;
}  // namespace callstate

using TelephonyLine = std::uintptr_t;  // 0: none
using TelephonyCall = std::uintptr_t;  // 0: none

struct TelephonyMessage {
    TelephonyCall call = 0;
    bool isCallState = false;
    std::uint32_t callState = 0;
};

struct TelephonyDeviceInfo {
    std::string name;
    std::uint32_t permanentId = 0;
    std::uint32_t deviceIndex = 0;
    std::uint32_t version = 0;
};

/// The telephony service as the telephony link uses it. Calls come from the session worker of the
/// link that dials; ListDevices from start-up. Implementations must be thread safe.
class TelephonyProvider {
  public:
    virtual ~TelephonyProvider() = default;
    /// Line devices that can place data-modem calls.
    virtual std::vector<TelephonyDeviceInfo> ListDevices() = 0;
    /// Opens a line for outgoing calls only; 0 on failure.
    virtual TelephonyLine OpenLine(std::uint32_t deviceIndex, std::uint32_t version) = 0;
    /// Places a data-modem call; a request id above 0, or 0 or less on failure. call is set when
    /// the request was accepted.
    virtual long MakeCall(TelephonyLine line, const std::string& number, TelephonyCall& call) = 0;
    /// The next queued message of this line, waiting at most timeoutMs (0: no wait); false when none
    /// came. Messages are kept per line so that links dialling at the same time never take each
    /// other's call states.
    virtual bool GetMessage(TelephonyLine line, TelephonyMessage& message, int timeoutMs) = 0;
    /// The connected call's communications device ("comm/datamodem"); null on failure.
    virtual std::unique_ptr<SerialDevice> GetCallDevice(TelephonyCall call) = 0;
    virtual void Drop(TelephonyCall call) = 0;
    virtual void CloseLine(TelephonyLine line) = 0;
    /// Shows the device's own configuration dialog ("tapi/line"); true when confirmed.
    virtual bool ConfigureDevice(std::uint32_t deviceIndex) = 0;
};

/// The platform's provider: on Linux it lists no devices and opens nothing.
std::unique_ptr<TelephonyProvider> MakePlatformTelephonyProvider();

/// Appends one CTAPIModemDevice per device the provider lists.
void BuildTelephonyDeviceList(TelephonyProvider& provider, CNamedObjectList& devices);

}  // namespace talven
