// A native thread object: Start runs Run__UNSAFE__ on a new detached thread. Threads
// are never joined; `running` tells the main thread when the body has returned.
#pragma once

#include <atomic>

#include "runtime/object.h"

class QoThread : public Object {
public:
    enum State { kNeverStarted = 0, kRunning = 1, kFinished = 2 };

    // Written by the worker when its body returns (release), read by the main thread
    // (acquire), so whatever the body wrote is visible once this says "finished".
    std::atomic<int> running{kNeverStarted};
    Object* result = nullptr;

    void mark() override { gc_mark_q(result); }

    // Main thread. Does nothing while a body is still running.
    virtual void Start();
    virtual bool IsRunning();
    virtual Object* Result();
    virtual void SetResult(Object* o);
    // Runs on the worker thread: plain data only, no collector state, no Strings.
    virtual void Run__UNSAFE__() {}

    // A copy of the characters that shares no reference count with `s`.
    static String Strdup(const String& s);
};

class c_Thread : public QoThread {};
