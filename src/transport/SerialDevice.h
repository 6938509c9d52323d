#pragma once
// The platform side of a serial link: a device opened exclusively with given line settings, with
// bytes-waiting queries, non-blocking reads, whole writes, an input flush and output-queue
// queries. Real ports go through libserialport; terminal devices it cannot describe (pseudo-
// terminals have no system device entry) go through termios directly. Both keep an exclusive
// advisory lock on the device so that a second open of the same port fails, even for root.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace talven {

struct SerialSettings {
    std::uint32_t baudRate = 19200;
    std::uint32_t parity = 0;  // 0 none, 1 odd, 2 even, 3 mark, 4 space
    std::uint32_t dataBits = 8;
    std::uint32_t stopBits = 0;  // 0 one, 2 two
    bool xonXoff = false;
};

/// kNotSerial: the path names something that is no terminal device (a regular file, /dev/null).
enum class SerialOpenStatus { kOk, kNotFound, kBusy, kAccessDenied, kNotSerial, kFailed };

class SerialDevice {
  public:
    /// Closes the device (without draining; callers drain first).
    virtual ~SerialDevice() = default;
    /// Bytes in the input queue, or -1 when the device cannot be asked.
    virtual int BytesWaiting() = 0;
    /// Reads what is there, at most n bytes, without blocking; -1 on error.
    virtual int ReadAvailable(char* buffer, int n) = 0;
    /// Writes all bytes (blocking until the driver took them); false on error.
    virtual bool WriteAll(const char* data, std::size_t n) = 0;
    /// Bytes still in the output queue, or -1 when unknown.
    virtual int OutputWaiting() = 0;
    virtual bool FlushInput() = 0;
    /// Waits at most timeoutMs for input to arrive (returns early when it does).
    virtual void WaitReadable(int timeoutMs) = 0;
};

/// Opens portName (a device path, or "COMn" resolved by ResolvePortName) for reading and writing,
/// exclusively, and applies settings, leaving every other line setting as the device had it. On
/// failure systemError holds the system's error number when there is one, else 0.
std::unique_ptr<SerialDevice> OpenSerialDevice(const std::string& portName, const SerialSettings& settings,
                                               SerialOpenStatus& status, int& systemError);

/// Present serial ports for the properties dialog: stable names (/dev/serial/by-id/...) first,
/// then the other ports libserialport reports.
std::vector<std::string> ListSerialPorts();

/// "COMn" (any letter case) from an older file names /dev/ttyS(n-1) when no device of that name
/// exists; every other name is returned unchanged.
std::string ResolvePortName(const std::string& portName);

/// The read buffer of a polling link: up to 10000 bytes taken from the device per read, handed out
/// to callers in pieces. Worker thread only.
class PolledInput {
  public:
    void Allocate();
    void Release();
    void Clear() { buffered_ = 0, position_ = 0; }
    bool Empty() const { return buffered_ == 0; }
    /// Refills from the device when empty: false when the device could not be asked or read.
    bool Fill(SerialDevice& device);
    /// Copies buffered bytes to out (from out[count]) until count reaches maxLength or the
    /// terminator (when not -1) was copied; true when the read is complete.
    bool CopyOut(char* out, int& count, int maxLength, int terminator);
    /// Fills the buffer from received bytes (socket links).
    char* data() { return data_.get(); }
    void SetReceived(int n) { buffered_ = n, position_ = 0; }

  private:
    std::unique_ptr<char[]> data_;
    int buffered_ = 0;
    int position_ = 0;
};

/// The polling read shared by the serial-device links: status query, a non-blocking read of what
/// is there, copy out, then wait up to 10 ms on the device, until done or timeoutMs has passed.
int PolledRead(SerialDevice& device, PolledInput& input, char* buffer, int maxLength, int timeoutMs,
               int terminator);

/// Waits (100 ms steps through pause, at most 10 s) for the output queue to drain, then 100 ms more.
void DrainOutput(SerialDevice& device, const std::function<void(int)>& pause);

/// An open serial device with its read buffer: what the serial and telephony links do with the
/// device once it is open. Worker thread only, except HandleValid.
class DeviceStream {
  public:
    void Attach(std::unique_ptr<SerialDevice> device);
    /// Drains the output through pause and releases the device; false when none was attached.
    bool Detach(const std::function<void(int)>& pause);
    bool Attached() const { return device_ != nullptr; }
    bool HandleValid() const { return handleValid_; }
    bool Purge();
    int Read(char* buffer, int maxLength, int timeoutMs, int terminator);
    bool Write(std::string_view text);

  private:
    std::unique_ptr<SerialDevice> device_;
    std::unique_ptr<PolledInput> input_;
    std::atomic<bool> handleValid_{false};
};

}  // namespace talven
