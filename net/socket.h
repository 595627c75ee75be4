// Thin wrappers over blocking BSD sockets (IPv4). The blocking calls run on worker
// threads inside socket operations; everything else runs on the main thread.
#pragma once

#include <atomic>
#include <string>

#include "runtime/object.h"
// sockaddr_in and the calls: net/posix/ or net/windows/, chosen by the build.
#include "socket_system.h"

class QoDataBuffer;

class QoSocketAddress : public Object {
public:
    sockaddr_in addr;
    bool valid = false;  // host and port describe addr
    String host;         // dotted quad, once validated
    int port = 0;        // host byte order, once validated

    QoSocketAddress();
    // Resolves the host name on the calling thread (getaddrinfo may block).
    void Set(String host, int port);
    void Set(QoSocketAddress* other);
    void Set(const sockaddr_in& native);
    void Validate();
};

// An IPv4 address for host:port; the host is resolved with getaddrinfo. An empty or
// unresolvable name gives 0.0.0.0 and false. Plain data only: safe on worker threads.
bool qo_socket_Resolve(const std::string& host, int port, sockaddr_in* address);
sockaddr_in qo_socket_MakeAddress(const std::string& host, int port);
// The 8-bit name lookup text of a host string (empty when it has no or too many characters).
std::string qo_socket_HostText(const String& host);

class QoSocket : public Object {
public:
    enum Proto { kStream = 1, kServer = 2, kDatagram = 3 };

    // Atomic because a worker reads it inside an operation while the main thread may
    // close the socket; a closed handle reads as -1 and the call fails cleanly.
    std::atomic<int> socket{-1};
    int proto = 0;
    int accepted = -1;

    QoSocket();
    explicit QoSocket(int handle);
    ~QoSocket() override;

    bool Open(int proto);
    void Close();
    // Wakes any worker blocked in a call on this socket without freeing the handle.
    void Shutdown();
    bool Bind(String host, int port);
    bool Connect(String host, int port);
    // Worker-thread form of Connect: the host is a private 8-bit copy. A name that does
    // not resolve fails here: connecting to 0.0.0.0 would reach this machine instead.
    bool ConnectText(const std::string& host, int port);
    bool Listen(int backlog);
    bool Accept();
    QoSocket* Accepted();

    // One blocking send/recv of count bytes at data + offset; may run on a worker thread.
    int Send(QoDataBuffer* buf, int offset, int count);
    int Receive(QoDataBuffer* buf, int offset, int count);
    int SendTo(QoDataBuffer* buf, int offset, int count, QoSocketAddress* address);
    int ReceiveFrom(QoDataBuffer* buf, int offset, int count, QoSocketAddress* address);

    void GetLocalAddress(QoSocketAddress* address);
    void GetRemoteAddress(QoSocketAddress* address);
};
