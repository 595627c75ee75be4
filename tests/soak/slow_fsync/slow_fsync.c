/* Preloaded into the game by the kill test only (LD_PRELOAD), never linked into it.
 * A save writes its temporary file, flushes it with fsync, then renames it over the
 * state file; holding every fsync of a regular file back widens exactly that window,
 * so that random kills land in it often enough to count.
 *   SLOW_FSYNC_MS      how long each such fsync waits first (default 150)
 *   SLOW_FSYNC_MARKER  a file created before the wait and removed once fsync is done:
 *                      found after a SIGKILL, it shows the kill landed in the window. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

int fsync(int fd) {
    static int (*real_fsync)(int);
    if (!real_fsync) real_fsync = (int (*)(int))dlsym(RTLD_NEXT, "fsync");
    struct stat status;
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) return real_fsync(fd);

    const char* marker = getenv("SLOW_FSYNC_MARKER");
    if (marker) {
        int made = open(marker, O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (made >= 0) close(made);
    }
    const char* ms = getenv("SLOW_FSYNC_MS");
    long delay = ms ? atol(ms) : 150;
    struct timespec wait = {delay / 1000, delay % 1000 * 1000000L};
    while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
    }
    int result = real_fsync(fd);
    int error = errno;
    if (marker) unlink(marker);
    errno = error;
    return result;
}
