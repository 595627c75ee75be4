// The file layer on POSIX systems (and the browser's in-memory file system): file names
// are bytes, given to the system as they are.
#include <dirent.h>
#include <fcntl.h>
#include <malloc.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "runtime/platform_files.h"

std::tm qoLocalTime(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    return local;
}

void qoTuneAllocator() {
    // glibc's growing threshold would otherwise keep such blocks in the heap.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    // Fixing that threshold also fixes the heap's trim at 128 KB, and a software OpenGL
    // (llvmpipe) frees its frame's blocks at every swap: the heap's top went back to the
    // system each frame and was faulted in again the next, half the time of a frame full
    // of small sprites.
    mallopt(M_TRIM_THRESHOLD, 16 * 1024 * 1024);
}

void qoZeroFill(void* block, size_t bytes) {
#if defined(__linux__) && !defined(__EMSCRIPTEN__)
    // Below this, writing the bytes costs less than a call into the kernel.
    constexpr size_t kPagesFrom = 1 << 20;
    const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const uintptr_t start = reinterpret_cast<uintptr_t>(block), end = start + bytes;
    const uintptr_t first = (start + page - 1) & ~(page - 1), last = end & ~(page - 1);
    // Heap memory is private and anonymous: its dropped pages come back as zeros.
    if (bytes >= kPagesFrom && last > first &&
        madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED) == 0) {
        std::memset(block, 0, first - start);
        std::memset(reinterpret_cast<void*>(last), 0, end - last);
        return;
    }
#endif
    std::memset(block, 0, bytes);
}

bool qoFileIdentity(const std::string& path, QoFileIdentity* identity) {
    struct stat info;
    if (::stat(path.c_str(), &info) != 0) return false;
    identity->device = static_cast<int64_t>(info.st_dev);
    identity->inode = static_cast<int64_t>(info.st_ino);
    identity->size = static_cast<int64_t>(info.st_size);
    identity->modifiedNs = int64_t{info.st_mtim.tv_sec} * 1000000000 + info.st_mtim.tv_nsec;
    return true;
}

std::string qoAbsolutePath(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    std::vector<char> cwd(4096);
    if (!::getcwd(cwd.data(), cwd.size())) return path;
    std::string relative = path.compare(0, 2, "./") == 0 ? path.substr(2) : path;
    return std::string(cwd.data()) + "/" + relative;
}

int qoFolderError(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) != 0 ? errno : S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
}

bool qoFollowLinks(const std::string& path, std::string* target, std::string* why) {
    std::string current = path;
    // As many links as the system itself follows before it calls it a loop.
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info;
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            *target = current;
            return true;
        }
        std::vector<char> link(4096);
        ssize_t n = ::readlink(current.c_str(), link.data(), link.size());
        if (n <= 0 || static_cast<size_t>(n) >= link.size()) {
            *why = n < 0 ? std::strerror(errno) : "link too long";
            return false;
        }
        std::string to(link.data(), static_cast<size_t>(n));
        size_t slash = current.rfind('/');
        std::string directory = slash == std::string::npos ? "."
                                : slash == 0               ? "/"
                                                           : current.substr(0, slash);
        current = to[0] == '/' ? to : directory + "/" + to;
    }
    *why = std::strerror(ELOOP);
    return false;
}

namespace qofs {

namespace {

int RealOpen(const char* path, int flags, mode_t mode) {
    return ::open(path, flags, mode);
}

}  // namespace

const QoFileOps kSystemOps = {RealOpen, ::write, ::fsync, ::close, ::rename};
const int kCreateExclusive = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
const char kSeparators[] = "/";

FILE* OpenStream(const std::string& path, const char* mode) {
    return std::fopen(path.c_str(), mode);
}

int OpenRegular(const std::string& path, std::string* why) {
    // A NUL inside the name would silently open a different file: it names none.
    if (path.find('\0') != std::string::npos) return -1;
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT) *why = std::strerror(errno);
        return -1;
    }
    struct stat info;
    if (::fstat(fd, &info) != 0) {
        *why = std::strerror(errno);
    } else if (S_ISDIR(info.st_mode)) {
        *why = std::strerror(EISDIR);
    } else if (!S_ISREG(info.st_mode)) {
        *why = "not a regular file";
    } else {
        // A regular file: its reads may wait for the disk as reads of a stream do.
        int flags = ::fcntl(fd, F_GETFL);
        if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
        return fd;
    }
    ::close(fd);
    return -1;
}

FILE* StreamOf(int fd, std::string* why) {
    FILE* file = ::fdopen(fd, "rb");
    if (!file) {
        *why = std::strerror(errno);
        ::close(fd);
    }
    return file;
}

long Read(int fd, char* into, size_t count) {
    return ::read(fd, into, count);
}

void Close(int fd) {
    ::close(fd);
}

void Remove(const std::string& path) {
    ::unlink(path.c_str());
}

void SyncDirectory(const std::string& directory) {
    int dir = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

std::vector<std::string> Entries(const std::string& directory) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(directory.c_str());
    if (!dir) return names;
    while (dirent* entry = ::readdir(dir)) names.push_back(entry->d_name);
    ::closedir(dir);
    return names;
}

unsigned long ProcessId() {
    return static_cast<unsigned long>(::getpid());
}

bool ProcessGone(unsigned long pid) {
    return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

}  // namespace qofs
