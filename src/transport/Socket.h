#pragma once
// The POSIX socket calls behind the TCP link. Internal to the transport layer.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace talven::tcp {

enum class ConnectStatus { kOk, kNoAddress, kFailed, kCancelled, kTimedOut };

/// IPv4 address of host: a dotted address, else the first address the name resolves to. A name
/// lookup gives up after timeoutMs or when cancelled() turns true (asked every 100 ms).
bool ResolveHost(const std::string& host, std::uint32_t& addressNetworkOrder, int timeoutMs,
                 const std::function<bool()>& cancelled);
/// Connects a stream socket to host:port, waiting at most timeoutMs for the lookup and again for the connect
/// and giving up when cancelled() turns true (asked every 100 ms). The socket is left non-blocking. -1 on
/// failure, with status and the system's error number (0 when there is none).
int Connect(const std::string& host, std::uint16_t port, int timeoutMs,
            const std::function<bool()>& cancelled, ConnectStatus& status, int& systemError);
/// recv/send without blocking; the result, and the error number when it is -1.
long Receive(int socket, char* buffer, std::size_t n, int& error);
long Send(int socket, const char* data, std::size_t n, int& error);
/// A result is alive when positive, or an error other than those meaning the connection is gone.
/// 0 (the peer closed) is not alive; would-block is alive.
bool IsAlive(long result, int error);
void WaitReadable(int socket, int timeoutMs);
/// False when the socket did not become writable within timeoutMs.
bool WaitWritable(int socket, int timeoutMs);
/// Shuts down the sending side and closes.
void Close(int socket);

}  // namespace talven::tcp
