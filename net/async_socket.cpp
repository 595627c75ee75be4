#include "net/async_socket.h"

#include "net/async_event.h"
#include "runtime/errors.h"

c_Socket* c_Socket::m_new(String protocol) {
    int proto = 0;
    if (protocol == String("stream")) {
        proto = QoSocket::kStream;
    } else if (protocol == String("server")) {
        proto = QoSocket::kServer;
    } else if (protocol == String("datagram")) {
        proto = QoSocket::kDatagram;
    } else {
        qoError(String("Illegal socket protocol"));
    }
    gc_assign(m__sock, new QoSocket);
    if (!m__sock->Open(proto)) qoError(String("Socket open failed"));
    m__proto = proto;
    m__state = kOpen;
    p_Start();
    return this;
}

c_Socket* c_Socket::m_new2(QoSocket* sock, int proto, int state) {
    gc_assign(m__sock, sock);
    m__proto = proto;
    m__state = state;
    p_Start();
    return this;
}

int c_Socket::p_Start() {
    gc_assign(m__rthread, (new c_AsyncQueue)->m_new(this));
    gc_assign(m__wthread, (new c_AsyncQueue)->m_new(this));
    qo_asyncevent_AddAsyncEventSource(this);
    return 0;
}

int c_Socket::p_ConnectAsync(String host, int port, c_IOnConnectComplete* onComplete) {
    if (!p_IsOpen() || p_IsConnected() || p_IsListening()) return 0;
    m__rthread->p_Enqueue((new c_AsyncConnectOp)->m_new(m__sock, host, port, onComplete));
    return 0;
}

int c_Socket::p_SendAsync(c_DataBuffer* data, int offset, int count,
                          c_IOnSendComplete* onComplete) {
    if (!p_IsConnected()) return 0;
    m__wthread->p_Enqueue((new c_AsyncSendOp)->m_new(m__sock, data, offset, count, onComplete));
    return 0;
}

int c_Socket::p_ReceiveAsync(c_DataBuffer* data, int offset, int count,
                             c_IOnReceiveComplete* onComplete) {
    if (!p_IsConnected()) return 0;
    m__rthread->p_Enqueue((new c_AsyncReceiveOp)->m_new(m__sock, data, offset, count, onComplete));
    return 0;
}

int c_Socket::p_OnConnectComplete2() {
    m__state |= kBound | kConnected;
    return 0;
}

int c_Socket::p_Close() {
    m__state = 0;
    if (!m__sock || m__sock->socket.load() < 0) return 0;
    if (m__rthread->p_Idle() && m__wthread->p_Idle()) {
        m__sock->Close();
    } else {
        // A worker may be blocked in a call on the handle: wake it now, free it later.
        m__sock->Shutdown();
        closePending_ = true;
    }
    return 0;
}

void c_Socket::FinishClose() {
    if (closePending_ && m__rthread->p_Idle() && m__wthread->p_Idle()) {
        closePending_ = false;
        m__sock->Close();
    }
}

int c_Socket::p_UpdateAsyncEvents() {
    m__rthread->p_UpdateAsyncEvents();
    m__wthread->p_UpdateAsyncEvents();
    FinishClose();
    return 0;
}

void c_Socket::mark() {
    gc_mark_q(m__sock);
    gc_mark_q(m__rthread);
    gc_mark_q(m__wthread);
}
