// The desktop's side of the platform layer: the executable found through /proc, URLs
// handed to the desktop's opener, and saves kept apart from other copies by flock.
#include <fcntl.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
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

namespace {

// The lock file, opened; -1 with the reason in `error`. The file stays: removing it would
// let a third copy lock a new file while a second still waits on the old one. A
// read-only one still takes a lock.
int OpenLock(const std::string& lockPath, int* error) {
    int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
    *error = errno;
    if (fd < 0 && errno == EACCES) {
        fd = ::open(lockPath.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        // No lock file to fall back on: the folder's permission was the cause.
        if (fd < 0 && errno != ENOENT) *error = errno;
    }
    return fd;
}

// 1 locked, 0 another copy holds it, -1 failed (errno set).
int LockNow(int fd) {
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return 1;
        if (errno == EWOULDBLOCK) return 0;
        if (errno != EINTR) return -1;
    }
}

}  // namespace

QoSaveResult qoRunLocked(const std::string& lockPath, std::function<QoSaveResult()> save,
                         std::function<void(QoSaveResult)>, std::function<QoSaveResult()> busy) {
    int error = 0;
    int fd = OpenLock(lockPath, &error);
    int locked = -1;
    // Polled rather than waited for, so that the end of the run can stop waiting.
    while (fd >= 0 && (locked = LockNow(fd)) == 0 && !qoLockWaitsGivenUp())
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (locked == 0) {
        ::close(fd);
        return busy();
    }
    if (locked < 0) {
        if (fd >= 0) {
            error = errno;
            ::close(fd);
        }
        std::fprintf(stderr, "[state] could not save: no lock on %s (%s)\n",
                     qoAbsolutePath(lockPath).c_str(), std::strerror(error));
        return QoSaveResult::kCannotOpen;
    }
    QoSaveResult result = save();
    ::close(fd);
    return result;
}

bool qoTryLocked(const std::string& lockPath, const std::function<void()>& work) {
    int error = 0;
    int fd = OpenLock(lockPath, &error);
    if (fd < 0) return false;
    bool locked = LockNow(fd) == 1;
    if (locked) work();
    ::close(fd);
    return locked;
}

void qoStartPlatform() {}

bool qoStateFolderReady() {
    return true;
}

void qoTellPlayer(const std::string& text, bool problem) {
    std::fputs(text.c_str(), problem ? stderr : stdout);
}

const char* const qoMendInstall =
    "Reinstall Tessory, or run it from its source folder with scripts/play.";
