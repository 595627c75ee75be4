#include "net/async_ops.h"

#include "net/async_socket.h"

c_AsyncConnectOp* c_AsyncConnectOp::m_new(QoSocket* socket, String host, int port,
                                          c_IOnConnectComplete* onComplete) {
    gc_assign(m__socket, socket);
    m__host = host;
    m__port = port;
    gc_assign(m__onComplete, onComplete);
    // Copied here, on the main thread, so the worker never touches a String.
    hostText_ = qo_socket_HostText(host);
    return this;
}

// Worker thread.
int c_AsyncConnectOp::p_Execute__UNSAFE__(c_Socket*) {
    m__connected = m__socket->ConnectText(hostText_, m__port);
    return 0;
}

int c_AsyncConnectOp::p_Complete(c_Socket* source) {
    // A socket closed while the connect was on its way stays closed.
    if (m__connected && source->p_IsOpen()) source->p_OnConnectComplete2();
    if (m__onComplete) m__onComplete->p_OnConnectComplete(m__connected, source);
    return 0;
}

void c_AsyncConnectOp::mark() {
    gc_mark_q(m__socket);
    gc_mark_q(m__onComplete);
}

c_AsyncSocketIoOp* c_AsyncSocketIoOp::m_new(QoSocket* socket, c_DataBuffer* data, int offset,
                                            int count) {
    gc_assign(m__socket, socket);
    gc_assign(m__data, data);
    m__offset = offset;
    m__count = count;
    return this;
}

void c_AsyncSocketIoOp::mark() {
    gc_mark_q(m__socket);
    gc_mark_q(m__data);
}

c_AsyncSendOp* c_AsyncSendOp::m_new(QoSocket* socket, c_DataBuffer* data, int offset, int count,
                                    c_IOnSendComplete* onComplete) {
    c_AsyncSocketIoOp::m_new(socket, data, offset, count);
    gc_assign(m__onComplete, onComplete);
    return this;
}

// Worker thread.
int c_AsyncSendOp::p_Execute__UNSAFE__(c_Socket*) {
    // A blocking send may still take fewer bytes than asked (a signal, a full buffer);
    // keep going, so a completion always means "all of it" unless the count says less.
    int sent = 0;
    while (sent < m__count) {
        int n = m__socket->Send(m__data, m__offset + sent, m__count - sent);
        if (n <= 0) {
            if (sent == 0) sent = n;
            break;
        }
        sent += n;
    }
    m__count = sent;
    return 0;
}

int c_AsyncSendOp::p_Complete(c_Socket* source) {
    if (m__onComplete) m__onComplete->p_OnSendComplete(m__data, m__offset, m__count, source);
    return 0;
}

void c_AsyncSendOp::mark() {
    c_AsyncSocketIoOp::mark();
    gc_mark_q(m__onComplete);
}

c_AsyncReceiveOp* c_AsyncReceiveOp::m_new(QoSocket* socket, c_DataBuffer* data, int offset,
                                          int count, c_IOnReceiveComplete* onComplete) {
    c_AsyncSocketIoOp::m_new(socket, data, offset, count);
    gc_assign(m__onComplete, onComplete);
    return this;
}

// Worker thread.
int c_AsyncReceiveOp::p_Execute__UNSAFE__(c_Socket*) {
    m__count = m__socket->Receive(m__data, m__offset, m__count);
    return 0;
}

int c_AsyncReceiveOp::p_Complete(c_Socket* source) {
    if (m__onComplete) m__onComplete->p_OnReceiveComplete(m__data, m__offset, m__count, source);
    return 0;
}

void c_AsyncReceiveOp::mark() {
    c_AsyncSocketIoOp::mark();
    gc_mark_q(m__onComplete);
}
