// Shared polling read over a serial-like device, and the port listing and name rules.

#include "transport/SerialDevice.h"

#include <algorithm>
#include <chrono>

namespace talven {

void PolledInput::Allocate() {
    if (!data_)
        data_ = std::make_unique<char[]>(10000);
    Clear();
}

void PolledInput::Release() {
    data_.reset();
    Clear();
}

bool PolledInput::Fill(SerialDevice& device) {
    if (!Empty())
        return true;
    int waiting = device.BytesWaiting();
    if (waiting < 0)
        return false;
    if (waiting == 0)
        return true;
    int n = device.ReadAvailable(data_.get(), std::min(waiting, 10000));
    if (n < 0)
        return false;
    SetReceived(n);
    return true;
}

bool PolledInput::CopyOut(char* out, int& count, int maxLength, int terminator) {
    while (position_ < buffered_) {
        char c = data_[position_++];
        out[count++] = c;
        bool done = count >= maxLength ||
                    (terminator != -1 && static_cast<unsigned char>(c) == static_cast<unsigned>(terminator));
        if (done) {
            if (position_ >= buffered_)
                Clear();
            return true;
        }
    }
    Clear();
    return false;
}

int PolledRead(SerialDevice& device, PolledInput& input, char* buffer, int maxLength, int timeoutMs,
               int terminator) {
    if (maxLength < 1)
        return 0;
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    int count = 0;
    for (;;) {
        if (!input.Fill(device))
            break;
        if (input.CopyOut(buffer, count, maxLength, terminator))
            break;
        auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
        if (elapsed > timeoutMs)
            break;
        // Waiting on the device for the rest of the time-out hands over bytes as soon as they come
        // and costs no wake-ups while the instrument is silent.
        device.WaitReadable(static_cast<int>(std::max<long long>(1, timeoutMs - elapsed + 1)));
    }
    return count;
}

void DrainOutput(SerialDevice& device, const std::function<void(int)>& pause) {
    for (int waited = 0; waited < 10000 && device.OutputWaiting() > 0; waited += 100)
        pause(100);
    pause(100);
}

void DeviceStream::Attach(std::unique_ptr<SerialDevice> device) {
    device_ = std::move(device);
    input_ = std::make_unique<PolledInput>();
    input_->Allocate();
    handleValid_ = true;
}

bool DeviceStream::Detach(const std::function<void(int)>& pause) {
    if (!device_)
        return false;
    DrainOutput(*device_, pause);
    handleValid_ = false;
    device_.reset();
    input_.reset();
    return true;
}

bool DeviceStream::Purge() {
    if (!device_)
        return false;
    input_->Clear();
    return device_->FlushInput();
}

int DeviceStream::Read(char* buffer, int maxLength, int timeoutMs, int terminator) {
    if (!device_)
        return 0;
    return PolledRead(*device_, *input_, buffer, maxLength, timeoutMs, terminator);
}

bool DeviceStream::Write(std::string_view text) {
    if (!device_ || text.empty())
        return false;
    return device_->WriteAll(text.data(), text.size());
}

}  // namespace talven
