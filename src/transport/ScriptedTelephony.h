#pragma once
// A telephony provider that plays a script, for tests: listed devices, what a call reports after
// it is placed, messages left over in a line's queue, and an in-memory device for the connected
// call. Waits for messages never sleep: an empty queue answers "nothing came" at once, so a
// connect countdown runs without real time passing. Records every call made to it. Thread safe.

#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "transport/MemorySerialDevice.h"
#include "transport/Telephony.h"

namespace talven {

class ScriptedTelephonyProvider : public TelephonyProvider {
  public:
    std::vector<TelephonyDeviceInfo> devices;
    /// Call states the call reports, in order, once placed (each delivered by one GetMessage).
    std::vector<std::uint32_t> callStates;
    /// Result of MakeCall (a request id above 0 means accepted).
    long makeCallResult = 1;
    bool failOpenLine = false;
    /// The connected call's device; a test feeds its input and reads what was written.
    std::shared_ptr<MemorySerialDevice::State> callDevice = std::make_shared<MemorySerialDevice::State>();

    /// Queues a message on the next line opened, as if left from an earlier call.
    void QueueStaleMessage(std::uint32_t callState);
    /// "OpenLine 2", "MakeCall 555", "GetCallDevice", "Drop", "CloseLine", in call order.
    std::vector<std::string> Calls() const;

    std::vector<TelephonyDeviceInfo> ListDevices() override;
    TelephonyLine OpenLine(std::uint32_t deviceIndex, std::uint32_t version) override;
    long MakeCall(TelephonyLine line, const std::string& number, TelephonyCall& call) override;
    bool GetMessage(TelephonyLine line, TelephonyMessage& message, int timeoutMs) override;
    std::unique_ptr<SerialDevice> GetCallDevice(TelephonyCall call) override;
    /// Dropping a call queues its DISCONNECTED state, as the service does.
    void Drop(TelephonyCall call) override;
    void CloseLine(TelephonyLine line) override;
    bool ConfigureDevice(std::uint32_t deviceIndex) override;

  private:
    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
    std::deque<TelephonyMessage> queue_;
    TelephonyCall nextCall_ = 100;
};

}  // namespace talven
