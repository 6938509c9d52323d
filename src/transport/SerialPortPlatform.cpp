// Serial devices on Linux: libserialport for ports it knows, termios for terminal devices it
// cannot describe (pseudo-terminals have no entry under /sys/class/tty, so libserialport refuses
// them). Both hold an exclusive flock on the device: TIOCEXCL alone does not stop root.

#include <fcntl.h>
#include <libserialport.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <filesystem>

#include "transport/SerialDevice.h"

namespace talven {

namespace {

constexpr int kWriteStallMs = 10000;

SerialOpenStatus StatusFromErrno(int error) {
    switch (error) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return SerialOpenStatus::kNotFound;
        case EACCES:
        case EPERM:
            return SerialOpenStatus::kAccessDenied;
        case EBUSY:
        case EWOULDBLOCK:
            return SerialOpenStatus::kBusy;
        default:
            return SerialOpenStatus::kFailed;
    }
}

/// Takes the exclusive lock; false (errno set) when another open holds it.
bool LockExclusive(int fd) {
    if (flock(fd, LOCK_EX | LOCK_NB) != 0)
        return false;
    ioctl(fd, TIOCEXCL);
    return true;
}

void WaitFd(int fd, short events, int timeoutMs) {
    pollfd p{fd, events, 0};
    poll(&p, 1, timeoutMs);
}

speed_t SpeedCode(std::uint32_t baud) {
    switch (baud) {
        case 50:
            return B50;
        case 75:
            return B75;
        case 110:
            return B110;
        case 134:
            return B134;
        case 150:
            return B150;
        case 200:
            return B200;
        case 300:
            return B300;
        case 600:
            return B600;
        case 1200:
            return B1200;
        case 1800:
            return B1800;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        case 230400:
            return B230400;
        case 460800:
            return B460800;
        case 921600:
            return B921600;
        default:
            return B0;
    }
}

/// A terminal device driven through termios.
class TermiosDevice : public SerialDevice {
  public:
    explicit TermiosDevice(int fd) : fd_(fd) {}
    ~TermiosDevice() override { close(fd_); }

    int BytesWaiting() override {
        int n = 0;
        return ioctl(fd_, FIONREAD, &n) == 0 ? n : -1;
    }
    int ReadAvailable(char* buffer, int n) override {
        ssize_t r = read(fd_, buffer, static_cast<std::size_t>(n));
        if (r < 0)
            return (errno == EAGAIN || errno == EINTR) ? 0 : -1;
        return static_cast<int>(r);
    }
    bool WriteAll(const char* data, std::size_t n) override {
        // The device is non-blocking; a peer that stops taking bytes (flow control, a stalled line)
        // ends the write after 10 s without progress instead of hanging the worker.
        std::size_t done = 0;
        auto lastProgress = std::chrono::steady_clock::now();
        while (done < n) {
            ssize_t w = write(fd_, data + done, n - done);
            if (w > 0) {
                done += static_cast<std::size_t>(w);
                lastProgress = std::chrono::steady_clock::now();
                continue;
            }
            if (w < 0 && errno != EAGAIN && errno != EINTR)
                return false;
            if (std::chrono::steady_clock::now() - lastProgress > std::chrono::milliseconds(kWriteStallMs)) {
                return false;
            }
            WaitFd(fd_, POLLOUT, 100);
        }
        return true;
    }
    int OutputWaiting() override {
        int n = 0;
        return ioctl(fd_, TIOCOUTQ, &n) == 0 ? n : -1;
    }
    bool FlushInput() override { return tcflush(fd_, TCIFLUSH) == 0; }
    void WaitReadable(int timeoutMs) override { WaitFd(fd_, POLLIN, timeoutMs); }

  private:
    int fd_;
};

void ApplyTermios(int fd, const SerialSettings& s) {
    termios t{};
    if (tcgetattr(fd, &t) != 0)
        return;
    // A Linux terminal starts in cooked mode (echo, line editing, CR/LF translation), which would
    // corrupt a byte protocol; a Windows port has none of it. Raw mode is the equivalent.
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    speed_t speed = SpeedCode(s.baudRate);
    if (speed != B0)
        cfsetspeed(&t, speed);
    t.c_cflag &= ~CSIZE;
    switch (s.dataBits) {
        case 5:
            t.c_cflag |= CS5;
            break;
        case 6:
            t.c_cflag |= CS6;
            break;
        case 7:
            t.c_cflag |= CS7;
            break;
        default:
            t.c_cflag |= CS8;
            break;
    }
    t.c_cflag &= ~(PARENB | PARODD | CMSPAR);
    switch (s.parity) {
        case 1:
            t.c_cflag |= PARENB | PARODD;
            break;
        case 2:
            t.c_cflag |= PARENB;
            break;
        case 3:
            t.c_cflag |= PARENB | PARODD | CMSPAR;
            break;
        case 4:
            t.c_cflag |= PARENB | CMSPAR;
            break;
        default:
            break;
    }
    if (s.stopBits == 2) {
        t.c_cflag |= CSTOPB;
    } else {
        t.c_cflag &= ~CSTOPB;
    }
    if (s.xonXoff) {
        t.c_iflag |= IXON | IXOFF;
    } else {
        t.c_iflag &= ~(IXON | IXOFF | IXANY);
    }
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    tcsetattr(fd, TCSANOW, &t);  // like the device's own settings call: the result is not checked
}

std::unique_ptr<SerialDevice> OpenTermios(const std::string& path, const SerialSettings& settings,
                                          SerialOpenStatus& status, int& systemError) {
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        systemError = errno;
        status = StatusFromErrno(systemError);
        return nullptr;
    }
    if (!isatty(fd)) {
        close(fd);
        status = SerialOpenStatus::kNotSerial;
        return nullptr;
    }
    if (!LockExclusive(fd)) {
        close(fd);
        status = SerialOpenStatus::kBusy;
        return nullptr;
    }
    ApplyTermios(fd, settings);
    status = SerialOpenStatus::kOk;
    return std::make_unique<TermiosDevice>(fd);
}

/// A port opened through libserialport.
class LibSerialPortDevice : public SerialDevice {
  public:
    LibSerialPortDevice(sp_port* port, int fd) : port_(port), fd_(fd) {}
    ~LibSerialPortDevice() override {
        sp_close(port_);
        sp_free_port(port_);
    }
    int BytesWaiting() override { return sp_input_waiting(port_); }
    int ReadAvailable(char* buffer, int n) override {
        int r = sp_nonblocking_read(port_, buffer, static_cast<std::size_t>(n));
        return r < 0 ? -1 : r;
    }
    bool WriteAll(const char* data, std::size_t n) override {
        int r = sp_blocking_write(port_, data, n, kWriteStallMs);
        return r >= 0 && static_cast<std::size_t>(r) == n;
    }
    int OutputWaiting() override { return sp_output_waiting(port_); }
    bool FlushInput() override { return sp_flush(port_, SP_BUF_INPUT) == SP_OK; }
    void WaitReadable(int timeoutMs) override { WaitFd(fd_, POLLIN, timeoutMs); }

  private:
    sp_port* port_;
    int fd_;
};

void ApplyLibSerialPort(sp_port* port, const SerialSettings& s) {
    sp_port_config* config = nullptr;
    if (sp_new_config(&config) != SP_OK)
        return;
    if (sp_get_config(port, config) == SP_OK) {
        sp_set_config_baudrate(config, static_cast<int>(s.baudRate));
        sp_set_config_bits(config, static_cast<int>(s.dataBits));
        sp_parity parity = SP_PARITY_NONE;
        switch (s.parity) {
            case 1:
                parity = SP_PARITY_ODD;
                break;
            case 2:
                parity = SP_PARITY_EVEN;
                break;
            case 3:
                parity = SP_PARITY_MARK;
                break;
            case 4:
                parity = SP_PARITY_SPACE;
                break;
            default:
                break;
        }
        sp_set_config_parity(config, parity);
        sp_set_config_stopbits(config, s.stopBits == 2 ? 2 : 1);
        sp_set_config_xon_xoff(config, s.xonXoff ? SP_XONXOFF_INOUT : SP_XONXOFF_DISABLED);
        sp_set_config(port, config);  // the result is not checked, as with the device's own call
    }
    sp_free_config(config);
}

bool Exists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

}  // namespace

std::string ResolvePortName(const std::string& portName) {
    if (portName.size() > 3 && portName.size() <= 6 &&
        std::toupper(static_cast<unsigned char>(portName[0])) == 'C' &&
        std::toupper(static_cast<unsigned char>(portName[1])) == 'O' &&
        std::toupper(static_cast<unsigned char>(portName[2])) == 'M' &&
        std::all_of(portName.begin() + 3, portName.end(),
                    [](char c) { return std::isdigit(static_cast<unsigned char>(c)); })) {
        if (!Exists(portName) && !Exists("/dev/" + portName)) {
            long n = std::strtol(portName.c_str() + 3, nullptr, 10);
            if (n >= 1)
                return "/dev/ttyS" + std::to_string(n - 1);
        }
    }
    if (portName.find('/') == std::string::npos && !portName.empty() && Exists("/dev/" + portName)) {
        return "/dev/" + portName;
    }
    return portName;
}

std::unique_ptr<SerialDevice> OpenSerialDevice(const std::string& portName, const SerialSettings& settings,
                                               SerialOpenStatus& status, int& systemError) {
    systemError = 0;
    const std::string path = ResolvePortName(portName);
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        systemError = errno;
        status = StatusFromErrno(systemError);
        return nullptr;
    }
    if (!S_ISCHR(st.st_mode)) {
        status = SerialOpenStatus::kNotSerial;
        return nullptr;
    }
    sp_port* port = nullptr;
    if (sp_get_port_by_name(path.c_str(), &port) != SP_OK) {
        return OpenTermios(path, settings, status, systemError);
    }
    if (sp_open(port, SP_MODE_READ_WRITE) != SP_OK) {
        systemError = sp_last_error_code();
        status = StatusFromErrno(systemError);
        sp_free_port(port);
        return nullptr;
    }
    int fd = -1;
    sp_get_port_handle(port, &fd);
    if (fd < 0 || !LockExclusive(fd)) {
        status = SerialOpenStatus::kBusy;
        sp_close(port);
        sp_free_port(port);
        return nullptr;
    }
    ApplyLibSerialPort(port, settings);
    status = SerialOpenStatus::kOk;
    return std::make_unique<LibSerialPortDevice>(port, fd);
}

std::vector<std::string> ListSerialPorts() {
    std::vector<std::string> stable;
    std::vector<std::string> covered;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/serial/by-id", ec)) {
        stable.push_back(entry.path().string());
        auto target = std::filesystem::canonical(entry.path(), ec);
        if (!ec)
            covered.push_back(target.string());
    }
    std::sort(stable.begin(), stable.end());
    std::vector<std::string> others;
    sp_port** list = nullptr;
    if (sp_list_ports(&list) == SP_OK) {
        for (int i = 0; list[i] != nullptr; ++i) {
            std::string name = sp_get_port_name(list[i]);
            if (std::find(covered.begin(), covered.end(), name) == covered.end())
                others.push_back(name);
        }
        sp_free_port_list(list);
    }
    std::sort(others.begin(), others.end());
    stable.insert(stable.end(), others.begin(), others.end());
    return stable;
}

}  // namespace talven
