// The BSD socket calls as the socket wrappers use them, on POSIX systems.
#pragma once

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using QoSockLen = socklen_t;
using QoSockData = void;

// MSG_NOSIGNAL: a peer that went away must give -1, not end the process by SIGPIPE.
constexpr int kQoSendFlags = MSG_NOSIGNAL;
constexpr int kQoShutdownBoth = SHUT_RDWR;

inline void qo_socket_Startup() {}
inline int qo_socket_CloseHandle(int handle) {
    return ::close(handle);
}
inline int qo_socket_Poll(pollfd* fds, int count, int timeoutMs) {
    return ::poll(fds, static_cast<nfds_t>(count), timeoutMs);
}
