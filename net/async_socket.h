// A socket whose connect, send and receive run on worker threads: connect and receives
// on one queue, sends on another, each in order. Completions come back on the main
// thread when the application polls the asynchronous event sources.
#pragma once

#include "net/async_ops.h"
#include "net/async_queue.h"
#include "net/socket.h"
#include "runtime/async_event_source.h"

class c_Socket : public Object, public virtual c_IAsyncEventSource {
public:
    enum StateFlags { kOpen = 1, kBound = 2, kConnected = 4, kListening = 8 };

    QoSocket* m__sock = nullptr;
    int m__proto = 0;
    int m__state = 0;
    c_AsyncQueue* m__rthread = nullptr;  // connect and receives
    c_AsyncQueue* m__wthread = nullptr;  // sends

    // "stream", "server" or "datagram"; anything else is a runtime error.
    c_Socket* m_new(String protocol);
    c_Socket* m_new2(QoSocket* sock, int proto, int state);
    int p_Start();

    bool p_IsOpen() { return (m__state & kOpen) != 0; }
    bool p_IsConnected() { return (m__state & kConnected) != 0; }
    bool p_IsListening() { return (m__state & kListening) != 0; }

    // Calls in the wrong state are ignored and no callback follows.
    int p_ConnectAsync(String host, int port, c_IOnConnectComplete* onComplete);
    int p_SendAsync(c_DataBuffer* data, int offset, int count, c_IOnSendComplete* onComplete);
    int p_ReceiveAsync(c_DataBuffer* data, int offset, int count, c_IOnReceiveComplete* onComplete);
    int p_OnConnectComplete2();
    // Clears the state at once. The handle is shut down at once and freed as soon as no
    // worker can still be using it, so its number is never reused under a running call.
    int p_Close();
    int p_UpdateAsyncEvents() override;

    void mark() override;

private:
    bool closePending_ = false;
    void FinishClose();
};

// Both an object and an interface: name the object side for the collector.
inline gc_object* gc_object_of(c_Socket* p) {
    return static_cast<Object*>(p);
}
