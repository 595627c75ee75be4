// Socket operations that cross to a worker thread and back. The main thread fills an
// operation's inputs and queues it; the worker runs p_Execute__UNSAFE__, which reads
// only those inputs and writes only the result fields; the main thread then delivers
// it with p_Complete, which calls the application back.
#pragma once

#include <string>

#include "net/data_buffer.h"
#include "net/socket.h"
#include "runtime/object.h"

class c_Socket;

class c_IOnConnectComplete : public virtual gc_interface {
public:
    virtual int p_OnConnectComplete(bool connected, c_Socket* source) = 0;
};

class c_IOnSendComplete : public virtual gc_interface {
public:
    virtual int p_OnSendComplete(c_DataBuffer* data, int offset, int count, c_Socket* source) = 0;
};

class c_IOnReceiveComplete : public virtual gc_interface {
public:
    virtual int p_OnReceiveComplete(c_DataBuffer* data, int offset, int count,
                                    c_Socket* source) = 0;
};

class c_AsyncOp : public Object {
public:
    // Main thread.
    virtual int p_Complete(c_Socket* source) = 0;
    // Runs on a worker thread: plain data only, no collector state, no Strings.
    virtual int p_Execute__UNSAFE__(c_Socket* source) = 0;
};

class c_AsyncConnectOp : public c_AsyncOp {
public:
    QoSocket* m__socket = nullptr;
    String m__host;
    int m__port = 0;
    c_IOnConnectComplete* m__onComplete = nullptr;
    bool m__connected = false;

    c_AsyncConnectOp* m_new(QoSocket* socket, String host, int port,
                            c_IOnConnectComplete* onComplete);
    int p_Complete(c_Socket* source) override;
    int p_Execute__UNSAFE__(c_Socket* source) override;
    void mark() override;

private:
    std::string hostText_;  // the worker's private copy of the host name
};

class c_AsyncSocketIoOp : public c_AsyncOp {
public:
    QoSocket* m__socket = nullptr;
    c_DataBuffer* m__data = nullptr;
    int m__offset = 0;
    int m__count = 0;  // asked for; after execution bytes transferred, 0 or -1

    c_AsyncSocketIoOp* m_new(QoSocket* socket, c_DataBuffer* data, int offset, int count);
    void mark() override;
};

class c_AsyncSendOp : public c_AsyncSocketIoOp {
public:
    c_IOnSendComplete* m__onComplete = nullptr;

    c_AsyncSendOp* m_new(QoSocket* socket, c_DataBuffer* data, int offset, int count,
                         c_IOnSendComplete* onComplete);
    int p_Complete(c_Socket* source) override;
    int p_Execute__UNSAFE__(c_Socket* source) override;
    void mark() override;
};

class c_AsyncReceiveOp : public c_AsyncSocketIoOp {
public:
    c_IOnReceiveComplete* m__onComplete = nullptr;

    c_AsyncReceiveOp* m_new(QoSocket* socket, c_DataBuffer* data, int offset, int count,
                            c_IOnReceiveComplete* onComplete);
    int p_Complete(c_Socket* source) override;
    int p_Execute__UNSAFE__(c_Socket* source) override;
    void mark() override;
};
