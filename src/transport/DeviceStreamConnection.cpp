#include "transport/DeviceStreamConnection.h"

namespace talven {

bool CDeviceStreamConnection::IsHandleOpen() const {
    return stream_.HandleValid();
}

bool CDeviceStreamConnection::Purge() {
    return IsOpen() && stream_.Purge();
}

int CDeviceStreamConnection::Read(char* buffer, int maxLength, int timeoutMs, int terminator,
                                  bool countFailures) {
    if (!IsOpen() || !stream_.Attached())
        return 0;
    const int count = stream_.Read(buffer, maxLength, timeoutMs, terminator);
    if (countFailures)
        NoteReadResult(count < 1);
    return count;
}

bool CDeviceStreamConnection::Write(std::string_view text) {
    return IsOpen() && stream_.Write(text);
}

}  // namespace talven
