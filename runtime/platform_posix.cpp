// The desktop's side of the platform layer: the executable found through /proc, URLs
// handed to the desktop's opener, and files that are on disk once written.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>
#include <vector>

#include "runtime/platform.h"

extern char** environ;

String qoExecutablePath() {
    std::vector<char> buffer(4096);
    ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n <= 0 || static_cast<size_t>(n) >= buffer.size()) return String();
    return qoDecodePath(std::string(buffer.data(), static_cast<size_t>(n)));
}

bool qoOpenUrlExternally(const String& url) {
    std::string text = url.ToUtf8();
    if (text.find('\0') != std::string::npos) return false;
    char program[] = "xdg-open";
    char* argv[] = {program, text.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, program, nullptr, nullptr, argv, environ) != 0) {
        std::fprintf(stderr, "[host] could not start xdg-open\n");
        return false;
    }
    // Reap the opener off the main thread so it leaves no zombie behind.
    std::thread([pid] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return true;
}

void qoFileSaved(const std::string&) {}
