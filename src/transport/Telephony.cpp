#include "transport/Telephony.h"

#include "foundation/DataLock.h"
#include "transport/SerialDevice.h"

namespace talven {

CTAPIModemDevice::CTAPIModemDevice(std::string name, std::uint32_t permanentId, std::uint32_t deviceIndex,
                                   std::uint32_t version)
    : CNamedObject(std::move(name), permanentId), deviceIndex_(deviceIndex), version_(version) {}

void CTAPIModemDevice::Serialize(ObjectArchive& ar) {
    CNamedObject::Serialize(ar);
    DataGuard guard;
    if (ar.IsStoring()) {
        ar.Writer().WriteU32(deviceIndex_);
        ar.Writer().WriteU32(version_);
    } else {
        deviceIndex_ = ar.Reader().ReadU32();
        version_ = ar.Reader().ReadU32();
    }
}

std::unique_ptr<CNamedObject> CTAPIModemDevice::Clone() const {
    DataGuard guard;
    return std::make_unique<CTAPIModemDevice>(GetName(), GetId(), deviceIndex_, version_);
}

std::uint32_t CTAPIModemDevice::GetDeviceIndex() const {
    DataGuard guard;
    return deviceIndex_;
}

std::uint32_t CTAPIModemDevice::GetVersion() const {
    DataGuard guard;
    return version_;
}

namespace {

/// Linux has no telephony service: nothing to list, nothing to open.
class NoTelephonyProvider : public TelephonyProvider {
  public:
    std::vector<TelephonyDeviceInfo> ListDevices() override { return {}; }
    TelephonyLine OpenLine(std::uint32_t, std::uint32_t) override { return 0; }
    long MakeCall(TelephonyLine, const std::string&, TelephonyCall& call) override {
        call = 0;
        return -1;
    }
    bool GetMessage(TelephonyLine, TelephonyMessage&, int) override { return false; }
    std::unique_ptr<SerialDevice> GetCallDevice(TelephonyCall) override { return nullptr; }
    void Drop(TelephonyCall) override {}
    void CloseLine(TelephonyLine) override {}
    bool ConfigureDevice(std::uint32_t) override { return false; }
};

}  // namespace

std::unique_ptr<TelephonyProvider> MakePlatformTelephonyProvider() {
    return std::make_unique<NoTelephonyProvider>();
}

void BuildTelephonyDeviceList(TelephonyProvider& provider, CNamedObjectList& devices) {
    for (const auto& info : provider.ListDevices()) {
        devices.Append(
            std::make_unique<CTAPIModemDevice>(info.name, info.permanentId, info.deviceIndex, info.version));
    }
}

}  // namespace talven
