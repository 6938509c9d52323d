#include "transport/ScriptedTelephony.h"

namespace talven {

void ScriptedTelephonyProvider::QueueStaleMessage(std::uint32_t callState) {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(TelephonyMessage{1, true, callState});
}

std::vector<std::string> ScriptedTelephonyProvider::Calls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
}

std::vector<TelephonyDeviceInfo> ScriptedTelephonyProvider::ListDevices() {
    return devices;
}

TelephonyLine ScriptedTelephonyProvider::OpenLine(std::uint32_t deviceIndex, std::uint32_t) {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.push_back("OpenLine " + std::to_string(deviceIndex));
    return failOpenLine ? 0 : 7;
}

long ScriptedTelephonyProvider::MakeCall(TelephonyLine, const std::string& number, TelephonyCall& call) {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.push_back("MakeCall " + number);
    if (makeCallResult <= 0) {
        call = 0;
        return makeCallResult;
    }
    call = ++nextCall_;
    for (std::uint32_t state : callStates)
        queue_.push_back(TelephonyMessage{call, true, state});
    return makeCallResult;
}

bool ScriptedTelephonyProvider::GetMessage(TelephonyLine, TelephonyMessage& message, int) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (queue_.empty())
        return false;
    message = queue_.front();
    queue_.pop_front();
    return true;
}

std::unique_ptr<SerialDevice> ScriptedTelephonyProvider::GetCallDevice(TelephonyCall) {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.push_back("GetCallDevice");
    return std::make_unique<MemorySerialDevice>(callDevice);
}

void ScriptedTelephonyProvider::Drop(TelephonyCall call) {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.push_back("Drop");
    queue_.push_back(TelephonyMessage{call, true, callstate::kDisconnected});
}

void ScriptedTelephonyProvider::CloseLine(TelephonyLine) {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.push_back("CloseLine");
}

bool ScriptedTelephonyProvider::ConfigureDevice(std::uint32_t) {
    return false;
}

}  // namespace talven
