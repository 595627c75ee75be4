#include "net/async_queue.h"

#include "net/async_socket.h"
#include "runtime/errors.h"

namespace {

int Next(int index) {
    return (index + 1) % c_AsyncQueue::kSlots;
}

// Distance from `from` forward to `to` in ring order.
int Ahead(int from, int to) {
    return (to - from + c_AsyncQueue::kSlots) % c_AsyncQueue::kSlots;
}

}  // namespace

c_AsyncQueue* c_AsyncQueue::m_new(c_Socket* source) {
    gc_assign(m__source, source);
    gc_assign(m__queue, Array<c_AsyncOp*>(kSlots));
    return this;
}

int c_AsyncQueue::p_Enqueue(c_AsyncOp* op) {
    int put = m__put.load(std::memory_order_relaxed);
    int next = Next(put);
    if (next == m__get.load(std::memory_order_relaxed))
        qoError(String("AsyncQueue queue overflow!"));
    m__queue[put] = op;
    m__put.store(next, std::memory_order_release);
    Start();
    return 0;
}

// Worker thread.
void c_AsyncQueue::Run__UNSAFE__() {
    // Slots are read without the barrier wrapper: the worker never writes collector state.
    c_AsyncOp** slots = m__queue.Data();
    int run = m__run.load(std::memory_order_relaxed);
    while (run != m__put.load(std::memory_order_acquire)) {
        slots[run]->p_Execute__UNSAFE__(m__source);
        run = Next(run);
        m__run.store(run, std::memory_order_release);
    }
}

int c_AsyncQueue::p_UpdateAsyncEvents() {
    if (m__run.load(std::memory_order_acquire) != m__put.load(std::memory_order_relaxed)) Start();
    for (;;) {
        int get = m__get.load(std::memory_order_relaxed);
        if (get == m__run.load(std::memory_order_acquire)) break;
        c_AsyncOp* op = m__queue[get];
        // Clear the slot so a delivered operation can be collected, and advance first:
        // the callback may queue more.
        m__queue[get] = static_cast<c_AsyncOp*>(nullptr);
        m__get.store(Next(get), std::memory_order_relaxed);
        op->p_Complete(m__source);
    }
    return 0;
}

bool c_AsyncQueue::p_Idle() {
    return !IsRunning() &&
           m__run.load(std::memory_order_acquire) == m__put.load(std::memory_order_relaxed);
}

bool c_AsyncQueue::p_CheckInvariants() {
    int put = m__put.load(std::memory_order_relaxed);
    int get = m__get.load(std::memory_order_relaxed);
    int run = m__run.load(std::memory_order_acquire);
    if (put < 0 || put >= kSlots || get < 0 || get >= kSlots || run < 0 || run >= kSlots)
        return false;
    if (Ahead(get, run) > Ahead(get, put)) return false;
    // Every slot from get to put holds an operation; the others are empty.
    for (int i = 0; i < kSlots; ++i) {
        bool outstanding = Ahead(get, i) < Ahead(get, put);
        if (outstanding != (m__queue[i].get() != nullptr)) return false;
    }
    return true;
}

void c_AsyncQueue::mark() {
    QoThread::mark();
    gc_mark_q(m__source);
    gc_mark_q(m__queue);
}
