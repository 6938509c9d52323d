#include "transport/MemorySerialDevice.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace talven {

void MemorySerialDevice::State::Feed(const std::string& bytes) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        input += bytes;
    }
    arrived.notify_all();
}

std::string MemorySerialDevice::State::Written() {
    std::lock_guard<std::mutex> lock(mutex);
    return written;
}

MemorySerialDevice::~MemorySerialDevice() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->closed = true;
}

int MemorySerialDevice::BytesWaiting() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->failReads ? -1 : static_cast<int>(state_->input.size());
}

int MemorySerialDevice::ReadAvailable(char* buffer, int n) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (state_->failReads)
        return -1;
    std::size_t count = std::min(static_cast<std::size_t>(n), state_->input.size());
    std::memcpy(buffer, state_->input.data(), count);
    state_->input.erase(0, count);
    return static_cast<int>(count);
}

bool MemorySerialDevice::WriteAll(const char* data, std::size_t n) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (state_->failWrites)
        return false;
    state_->written.append(data, n);
    return true;
}

bool MemorySerialDevice::FlushInput() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->input.clear();
    ++state_->flushes;
    return true;
}

void MemorySerialDevice::WaitReadable(int timeoutMs) {
    std::unique_lock<std::mutex> lock(state_->mutex);
    state_->arrived.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return !state_->input.empty(); });
}

}  // namespace talven
