// A tiny program that takes one of the runtime's exit paths, chosen by its argument,
// so the tests can check the exact output and exit status from outside.
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "runtime/errors.h"
#include "runtime/object.h"

namespace {
struct Named : Object {
    String debug() override { return String("+Named\nvalue=42"); }
};
}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const char* path = argv[1];
    qoInstallSignalHandlers();
    gc_init1();
    if (!std::strcmp(path, "end")) qoError(String());
    if (!std::strcmp(path, "error")) qoError(String("x"));
    if (!std::strcmp(path, "uncaught")) qoDieUncaught();
    if (!std::strcmp(path, "segv")) std::raise(SIGSEGV);
    if (!std::strcmp(path, "fpe")) std::raise(SIGFPE);
    if (!std::strcmp(path, "ill")) std::raise(SIGILL);
    if (!std::strcmp(path, "other")) sighandler(SIGUSR1);
    if (!std::strcmp(path, "print")) {
        Char chars[] = {'c', 0xE9, 0x20AC};
        qoPrint(String(chars, 3));
        qoDebugLog(String("second"));
        return 0;
    }
    if (!std::strcmp(path, "object")) {
        // Play the debugger's part: ask for a live object's text, then quit. The address
        // exists only in this process, so the answers are fed through our own stdin.
        Named* named = new Named;
        char answers[64];
        std::snprintf(answers, sizeof answers, "@%llx\nq\n",
                      static_cast<unsigned long long>(
                          reinterpret_cast<uintptr_t>(static_cast<gc_object*>(named))));
        int fds[2];
        if (pipe(fds) != 0) return 4;
        if (write(fds[1], answers, std::strlen(answers)) < 0) return 4;
        close(fds[1]);
        dup2(fds[0], 0);
        qoError(String("inspect"));
    }
    return 3;
}
