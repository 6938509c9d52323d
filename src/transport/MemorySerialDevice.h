#pragma once
// An in-memory serial device for tests and for links handed out by scripted providers: bytes
// pushed with Feed arrive as input, written bytes are kept. Thread safe.

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

#include "transport/SerialDevice.h"

namespace talven {

class MemorySerialDevice : public SerialDevice {
  public:
    /// Shared state, so the test keeps its hands on the device after a link took ownership.
    struct State {
        std::mutex mutex;
        std::condition_variable arrived;
        std::string input;
        std::string written;
        int flushes = 0;
        bool failReads = false;
        bool failWrites = false;
        bool closed = false;

        void Feed(const std::string& bytes);
        std::string Written();
    };

    explicit MemorySerialDevice(std::shared_ptr<State> state) : state_(std::move(state)) {}
    ~MemorySerialDevice() override;

    int BytesWaiting() override;
    int ReadAvailable(char* buffer, int n) override;
    bool WriteAll(const char* data, std::size_t n) override;
    int OutputWaiting() override { return 0; }
    bool FlushInput() override;
    void WaitReadable(int timeoutMs) override;

  private:
    std::shared_ptr<State> state_;
};

}  // namespace talven
