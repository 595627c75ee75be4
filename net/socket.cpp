#include "net/socket.h"

#include <cstring>

#include "net/data_buffer.h"

namespace {

sockaddr_in AnyAddress(int port) {
    sockaddr_in a;
    std::memset(&a, 0, sizeof a);
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_ANY);
    return a;
}

// The range of a buffer an I/O call may touch, or -1 when offset lies outside it.
int ClipIo(QoDataBuffer* buf, int offset, int count) {
    if (!buf || !buf->data || offset < 0 || offset > buf->length || count < 0) return -1;
    return count < buf->length - offset ? count : buf->length - offset;
}

}  // namespace

std::string qo_socket_HostText(const String& host) {
    // Longer names are no host name; they are looked up as nothing.
    if (host.Length() < 1 || host.Length() > 1023) return std::string();
    std::string text(static_cast<size_t>(host.Length()), '\0');
    for (int i = 0; i < host.Length(); ++i)
        text[static_cast<size_t>(i)] = static_cast<char>(host[i]);
    return text;
}

sockaddr_in qo_socket_MakeAddress(const std::string& host, int port) {
    sockaddr_in a;
    qo_socket_Resolve(host, port, &a);
    return a;
}

bool qo_socket_Resolve(const std::string& host, int port, sockaddr_in* address) {
    sockaddr_in& a = *address;
    a = AnyAddress(port);
    // An embedded NUL would silently shorten the name; such a text names no host.
    if (host.empty() || host.find('\0') != std::string::npos) return false;
    addrinfo hints;
    std::memset(&hints, 0, sizeof hints);
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    bool resolved = getaddrinfo(host.c_str(), nullptr, &hints, &found) == 0 && found;
    if (resolved) a.sin_addr = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
    if (found) freeaddrinfo(found);
    return resolved;
}

QoSocketAddress::QoSocketAddress() {
    addr = AnyAddress(0);
}

void QoSocketAddress::Set(String h, int p) {
    addr = qo_socket_MakeAddress(qo_socket_HostText(h), p);
    valid = false;
}

void QoSocketAddress::Set(QoSocketAddress* other) {
    addr = other->addr;
    valid = false;
}

void QoSocketAddress::Set(const sockaddr_in& native) {
    addr = native;
    valid = false;
}

void QoSocketAddress::Validate() {
    if (valid) return;
    char text[INET_ADDRSTRLEN] = {0};
    inet_ntop(AF_INET, &addr.sin_addr, text, sizeof text);
    host = String(text);
    port = ntohs(addr.sin_port);
    valid = true;
}

QoSocket::QoSocket() = default;

QoSocket::QoSocket(int handle) : socket(handle) {}

QoSocket::~QoSocket() {
    Close();
}

bool QoSocket::Open(int p) {
    if (socket.load() >= 0 || p < 1) return false;
    int handle = -1;
    qo_socket_Startup();
    if (p == kStream || p == kServer) {
        handle = static_cast<int>(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
        if (handle >= 0) {
            int one = 1;
            setsockopt(handle, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const QoSockData*>(&one),
                       sizeof one);
        }
    } else if (p == kDatagram) {
        handle = static_cast<int>(::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
    }
    if (handle < 0) return false;
    socket.store(handle);
    proto = p;
    return true;
}

void QoSocket::Close() {
    int handle = socket.exchange(-1);
    if (handle >= 0) qo_socket_CloseHandle(handle);
}

void QoSocket::Shutdown() {
    int handle = socket.load();
    if (handle >= 0) ::shutdown(handle, kQoShutdownBoth);
}

bool QoSocket::Bind(String host, int port) {
    sockaddr_in a = qo_socket_MakeAddress(qo_socket_HostText(host), port);
    return ::bind(socket.load(), reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
}

bool QoSocket::Connect(String host, int port) {
    return ConnectText(qo_socket_HostText(host), port);
}

bool QoSocket::ConnectText(const std::string& host, int port) {
    sockaddr_in a;
    if (!qo_socket_Resolve(host, port, &a)) return false;
    return ::connect(socket.load(), reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
}

bool QoSocket::Listen(int backlog) {
    return ::listen(socket.load(), backlog) == 0;
}

bool QoSocket::Accept() {
    accepted = static_cast<int>(::accept(socket.load(), nullptr, nullptr));
    return accepted >= 0;
}

QoSocket* QoSocket::Accepted() {
    if (accepted < 0) return nullptr;
    QoSocket* s = new QoSocket(accepted);
    s->proto = kStream;
    accepted = -1;  // the new object owns the handle now
    return s;
}

int QoSocket::Send(QoDataBuffer* buf, int offset, int count) {
    count = ClipIo(buf, offset, count);
    if (count < 0) return -1;
    return static_cast<int>(::send(socket.load(),
                                   reinterpret_cast<const QoSockData*>(buf->data + offset),
                                   static_cast<size_t>(count), kQoSendFlags));
}

int QoSocket::Receive(QoDataBuffer* buf, int offset, int count) {
    count = ClipIo(buf, offset, count);
    if (count < 0) return -1;
    return static_cast<int>(::recv(socket.load(), reinterpret_cast<QoSockData*>(buf->data + offset),
                                   static_cast<size_t>(count), 0));
}

int QoSocket::SendTo(QoDataBuffer* buf, int offset, int count, QoSocketAddress* address) {
    count = ClipIo(buf, offset, count);
    if (count < 0 || !address) return -1;
    return static_cast<int>(
        ::sendto(socket.load(), reinterpret_cast<const QoSockData*>(buf->data + offset),
                 static_cast<size_t>(count), kQoSendFlags,
                 reinterpret_cast<sockaddr*>(&address->addr), sizeof address->addr));
}

int QoSocket::ReceiveFrom(QoDataBuffer* buf, int offset, int count, QoSocketAddress* address) {
    count = ClipIo(buf, offset, count);
    if (count < 0 || !address) return -1;
    sockaddr_in from = AnyAddress(0);
    QoSockLen size = sizeof from;
    int n = static_cast<int>(
        ::recvfrom(socket.load(), reinterpret_cast<QoSockData*>(buf->data + offset),
                   static_cast<size_t>(count), 0, reinterpret_cast<sockaddr*>(&from), &size));
    address->Set(from);
    return n;
}

void QoSocket::GetLocalAddress(QoSocketAddress* address) {
    sockaddr_in a = AnyAddress(0);
    a.sin_family = AF_INET;
    QoSockLen size = sizeof a;
    if (socket.load() < 0 ||
        ::getsockname(socket.load(), reinterpret_cast<sockaddr*>(&a), &size) != 0)
        a = AnyAddress(0);
    address->Set(a);
}

void QoSocket::GetRemoteAddress(QoSocketAddress* address) {
    sockaddr_in a = AnyAddress(0);
    QoSockLen size = sizeof a;
    if (socket.load() < 0 ||
        ::getpeername(socket.load(), reinterpret_cast<sockaddr*>(&a), &size) != 0)
        a = AnyAddress(0);
    address->Set(a);
}
