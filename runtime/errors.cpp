#include "runtime/errors.h"

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/gc/collector.h"
#include "runtime/object.h"

namespace {

// Kept for the run, so logging does not allocate once it has grown.
std::string g_printBuffer;

[[noreturn]] void ExitStatus(int status) {
    std::fflush(stdout);
    std::fflush(stderr);
    std::exit(status);
}

// Exit hooks, and what decides whether they may run.
std::vector<void (*)()> g_exitHooks;
pid_t g_exitHooksPid = 0;
volatile std::sig_atomic_t g_faulted = 0;

void RunExitHooks() {
    if (g_faulted || getpid() != g_exitHooksPid) return;
    while (!g_exitHooks.empty()) {
        void (*hook)() = g_exitHooks.back();
        g_exitHooks.pop_back();
        hook();
    }
}

// No code of this system records a source position, so this is always empty.
const char* dbg_info = nullptr;

// Writes an object's debugger text. The address comes from outside the program, so it
// is dereferenced only when it names a live collector object.
void PrintObjectAt(const char* hex) {
    unsigned long long address = std::strtoull(hex, nullptr, 16);
    auto* p = reinterpret_cast<gc_object*>(static_cast<uintptr_t>(address));
    Object* object = nullptr;
    if (p && gc_is_live_object(p)) object = dynamic_cast<Object*>(p);
    dbg_print(object ? object->debug() : String());
}

}  // namespace

void qoPrint(const String& text) {
    g_printBuffer = text.ToUtf8();
    g_printBuffer += '\n';
    std::fwrite(g_printBuffer.data(), 1, g_printBuffer.size(), stdout);
    std::fflush(stdout);
}

void qoDebugLog(const String& text) {
    qoPrint(text);
}

void qoError(const String& message) {
    if (message.Length() == 0) ExitStatus(0);
    dbg_error(message.ToCString());
}

void (*qoShowRuntimeError)(const String&) = nullptr;

void dbg_error(const char* message) {
    String report = String("Kavoro Runtime Error : ") + String(message);
    for (bool shown = false;; shown = true) {
        qoPrint(report);
        qoPrint(dbg_stacktrace());
        // After the log has it: a box that is never answered loses nothing.
        if (!shown && qoShowRuntimeError) qoShowRuntimeError(report);
        dbg_stop();
    }
}

String dbg_stacktrace() {
    if (!dbg_info) return String();
    return String(dbg_info) + String("\n");
}

void dbg_print(const String& text) {
    String::CString bytes = text.ToCString();
    std::fputs(bytes, stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

void dbg_stop() {
    std::fprintf(stderr, "{{~~%s~~}}\n\n", dbg_info ? dbg_info : "");
    std::fflush(stderr);
    for (;;) {
        char line[256];
        if (!std::fgets(line, sizeof line, stdin) || !std::strchr(line, '\n')) ExitStatus(-1);
        switch (line[0]) {
            case '?':
                continue;
            case '@':
                PrintObjectAt(line + 1);
                continue;
            case 'q':
                ExitStatus(0);
            case 'r':
            case 's':
            case 'e':
            case 'l':
                return;
            default:
                *std::strchr(line, '\n') = 0;
                std::printf("????? %s ?????\n", line);
                ExitStatus(-1);
        }
    }
}

void qoDebugStop() {
    dbg_stop();
}

void qoDieUncaught() {
    qoPrint(String("Kavoro Runtime Error : Uncaught Kavoro Exception"));
    ExitStatus(-1);
}

void qoAtExit(void (*hook)()) {
    if (g_exitHooksPid == 0) {
        g_exitHooksPid = getpid();
        std::atexit(RunExitHooks);
    }
    g_exitHooks.push_back(hook);
}

void sighandler(int signal) {
    g_faulted = 1;
    const char* message = "Unknown signal";
    switch (signal) {
        case SIGFPE:
            message = "Floating point exception";
            break;
        case SIGSEGV:
            message = "Memory access violation";
            break;
        case SIGILL:
            message = "Illegal instruction";
            break;
    }
    dbg_error(message);
}

void qoInstallSignalHandlers() {
    std::signal(SIGSEGV, sighandler);
    std::signal(SIGILL, sighandler);
    std::signal(SIGFPE, sighandler);
}
