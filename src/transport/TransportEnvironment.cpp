#include "transport/TransportEnvironment.h"

#include <atomic>

namespace talven {

namespace {
std::atomic<CNamedObjectList*> gModems{nullptr};
std::atomic<CNamedObjectList*> gDevices{nullptr};
std::atomic<TelephonyProvider*> gProvider{nullptr};
}  // namespace

void SetModemList(CNamedObjectList* modems) {
    gModems = modems;
}
CNamedObjectList* GetModemList() {
    return gModems;
}
void SetTelephonyDeviceList(CNamedObjectList* devices) {
    gDevices = devices;
}
CNamedObjectList* GetTelephonyDeviceList() {
    return gDevices;
}
void SetTelephonyProvider(TelephonyProvider* provider) {
    gProvider = provider;
}
TelephonyProvider* GetTelephonyProvider() {
    return gProvider;
}

}  // namespace talven
