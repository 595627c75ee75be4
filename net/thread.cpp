#include "net/thread.h"

#include <cstdio>
#include <cstdlib>
#include <system_error>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#endif

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
#ifdef _WIN32
    // The system's own thread: under Wine on a busy machine, a thread started through the
    // MinGW pthreads layer had at times still not begun to run 30 s later, and its socket
    // waited on it.
    HANDLE handle = CreateThread(
        nullptr, 0,
        [](LPVOID self) -> DWORD {
            ThreadMain(static_cast<QoThread*>(self));
            return 0;
        },
        this, 0, nullptr);
    if (handle) {
        CloseHandle(handle);
        return;
    }
#else
    try {
        std::thread(ThreadMain, this).detach();
        return;
    } catch (const std::system_error&) {
    }
#endif
    std::fputs("CreateThread failed!\n", stdout);
    std::fflush(stdout);
    std::exit(-1);
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
