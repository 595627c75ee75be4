// The BSD socket calls as the socket wrappers use them, on Windows Sockets. A SOCKET
// handle is kept in an int: Windows hands out handles that fit in 32 bits, and
// INVALID_SOCKET converts to -1 like a failed POSIX call.
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>

using QoSockLen = int;
using QoSockData = char;

// Windows Sockets raise no signal for a peer that went away.
constexpr int kQoSendFlags = 0;
constexpr int kQoShutdownBoth = SD_BOTH;

// Starts Windows Sockets once, before the first socket.
void qo_socket_Startup();
inline int qo_socket_CloseHandle(int handle) {
    return ::closesocket(static_cast<SOCKET>(handle));
}
inline int qo_socket_Poll(pollfd* fds, int count, int timeoutMs) {
    return ::WSAPoll(fds, static_cast<ULONG>(count), timeoutMs);
}
