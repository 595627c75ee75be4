#include "net/thread.h"

#include <cstdio>
#include <cstdlib>
#include <system_error>
#include <thread>

namespace {

// Runs on the new thread.
void ThreadMain(QoThread* thread) {
    thread->Run__UNSAFE__();
    thread->running.store(QoThread::kFinished, std::memory_order_release);
}

}  // namespace

void QoThread::Start() {
    if (running.load(std::memory_order_acquire) == kRunning) return;
    gc_assign(result, static_cast<Object*>(nullptr));
    running.store(kRunning, std::memory_order_relaxed);
    try {
        std::thread(ThreadMain, this).detach();
    } catch (const std::system_error&) {
        std::fputs("CreateThread failed!\n", stdout);
        std::fflush(stdout);
        std::exit(-1);
    }
}

bool QoThread::IsRunning() {
    return running.load(std::memory_order_acquire) == kRunning;
}

Object* QoThread::Result() {
    return result;
}

void QoThread::SetResult(Object* o) {
    gc_assign(result, o);
}

String QoThread::Strdup(const String& s) {
    if (s.Length() == 0) return String();
    return String(s.Data(), s.Length());
}
