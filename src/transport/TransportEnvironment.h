#pragma once
// What the links find at Open that belongs to the application: the modems list (CModemSettings),
// the telephony device list (CTAPIModemDevice) and the telephony provider. The application sets
// them once at start-up; the lists are guarded by the data lock and keep their identity when a
// load replaces their contents.

namespace talven {

class CNamedObjectList;
class TelephonyProvider;

void SetModemList(CNamedObjectList* modems);
CNamedObjectList* GetModemList();
void SetTelephonyDeviceList(CNamedObjectList* devices);
CNamedObjectList* GetTelephonyDeviceList();
void SetTelephonyProvider(TelephonyProvider* provider);
TelephonyProvider* GetTelephonyProvider();

}  // namespace talven
