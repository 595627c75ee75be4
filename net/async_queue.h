// A ring of socket operations with at most one worker thread at a time, which runs them
// in order; the main thread delivers the finished ones when it polls.
//
// Invariant (single writers, no lock): m__put and m__get are written only by the main
// thread, m__run only by the worker; get <= run <= put in ring order. A slot is filled
// before m__put moves past it (release) and read by the worker after it sees m__put
// (acquire); an operation's results are written before m__run moves past it (release)
// and read by the main thread after it sees m__run (acquire). A slot is reused only
// after m__get has passed it, so at most 255 operations are outstanding.
#pragma once

#include <atomic>

#include "net/async_ops.h"
#include "net/thread.h"
#include "runtime/array.h"
#include "runtime/async_event_source.h"

class c_AsyncQueue : public c_Thread, public virtual c_IAsyncEventSource {
public:
    static constexpr int kSlots = 256;

    c_Socket* m__source = nullptr;
    Array<c_AsyncOp*> m__queue;
    std::atomic<int> m__put{0};
    std::atomic<int> m__get{0};
    std::atomic<int> m__run{0};

    c_AsyncQueue* m_new(c_Socket* source);
    // Main thread. "AsyncQueue queue overflow!" when 255 operations are outstanding.
    int p_Enqueue(c_AsyncOp* op);
    // Runs on the worker thread: executes queued operations until none is left.
    void Run__UNSAFE__() override;
    // Main thread: restarts a worker that missed an enqueue, then delivers in order.
    int p_UpdateAsyncEvents() override;

    // Main thread: no worker runs and nothing waits to be executed.
    bool p_Idle();
    // Debug check of the ring invariant (main thread).
    bool p_CheckInvariants();
    void mark() override;
};

// Both an object and an interface: name the object side for the collector.
inline gc_object* gc_object_of(c_AsyncQueue* p) {
    return static_cast<Object*>(p);
}
