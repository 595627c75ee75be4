#include "net/thread.h"

#include <pthread.h>

#include <cstdio>
#include <cstdlib>

namespace {

// Runs on the new thread.
void* ThreadMain(void* arg) {
    QoThread* thread = static_cast<QoThread*>(arg);
    thread->Run__UNSAFE__();
    thread->running.store(QoThread::kFinished, std::memory_order_release);
    return nullptr;
}

}  // namespace

void QoThread::Start() {
    if (running.load(std::memory_order_acquire) == kRunning) return;
    gc_assign(result, static_cast<Object*>(nullptr));
    running.store(kRunning, std::memory_order_relaxed);
    pthread_t handle;
    if (pthread_create(&handle, nullptr, ThreadMain, this) != 0) {
        std::fputs("CreateThread failed!\n", stdout);
        std::fflush(stdout);
        std::exit(-1);
    }
    pthread_detach(handle);
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
