#include "runtime/platform.h"

#include <dirent.h>
#include <fcntl.h>
#include <malloc.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <set>
#include <vector>

std::tm qoLocalTime(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    return local;
}

void qoTuneAllocator() {
    // glibc's growing threshold would otherwise keep such blocks in the heap.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
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

namespace {

// The length of the strict UTF-8 sequence at `p`, with its code point in `code`; 0 when
// none starts there. Strict: no overlong forms and no encoded surrogates, so that every
// surrogate qoDecodePath makes is an escaped byte or half of a pair, and encodes back
// to exactly the bytes it came from.
size_t Utf8Sequence(const unsigned char* p, size_t left, unsigned* code) {
    static const unsigned kLeadBits[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    static const unsigned kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    size_t n = p[0] < 0x80             ? 1
               : (p[0] & 0xE0) == 0xC0 ? 2
               : (p[0] & 0xF0) == 0xE0 ? 3
               : (p[0] & 0xF8) == 0xF0 ? 4
                                       : 0;
    if (n == 0 || n > left) return 0;
    unsigned v = p[0] & kLeadBits[n];
    for (size_t k = 1; k < n; ++k) {
        if ((p[k] & 0xC0) != 0x80) return 0;
        v = (v << 6) | (p[k] & 0x3F);
    }
    if (v < kLeast[n] || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return 0;
    *code = v;
    return n;
}

}  // namespace

String qoDecodePath(const std::string& bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    std::vector<Char> out;
    for (size_t i = 0; i < bytes.size();) {
        unsigned code = 0;
        size_t n = Utf8Sequence(p + i, bytes.size() - i, &code);
        if (n == 0) {
            out.push_back(static_cast<Char>(0xDC00 + p[i]));  // a byte of 0x80 or more
            n = 1;
        } else if (code >= 0x10000) {
            out.push_back(static_cast<Char>(0xD800 + ((code - 0x10000) >> 10)));
            out.push_back(static_cast<Char>(0xDC00 + ((code - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<Char>(code));
        }
        i += n;
    }
    return String(out.data(), static_cast<int>(out.size()));
}

std::string qoEncodePath(const String& path) {
    std::string out;
    int plain = 0;  // where the run of characters that encode as themselves began
    auto flush = [&](int to) { out += path.Slice(plain, to).ToUtf8(); };
    for (int i = 0; i < path.Length(); ++i) {
        unsigned c = path[i];
        unsigned next = i + 1 < path.Length() ? path[i + 1] : 0;
        if (c >= 0xD800 && c <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF) {
            flush(i);
            unsigned v = 0x10000 + ((c - 0xD800) << 10) + (next - 0xDC00);
            out += static_cast<char>(0xF0 | (v >> 18));
            out += static_cast<char>(0x80 | ((v >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((v >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (v & 0x3F));
            plain = ++i + 1;
        } else if (c >= 0xDC80 && c <= 0xDCFF) {
            flush(i);
            out += static_cast<char>(c - 0xDC00);
            plain = i + 1;
        }
    }
    flush(path.Length());
    return out;
}

FILE* qoOpenFileUtf8(const String& path, const String& mode, std::string* why) {
    std::string name = qoEncodePath(path);
    std::string how = mode.ToUtf8();
    std::string unused;
    if (!why) why = &unused;
    why->clear();
    if (name.empty()) return nullptr;
    if (how == "r" || how == "rb") return qoOpenRegularFile(name, why);
    // A NUL inside the name would silently open a different file.
    if (name.find('\0') != std::string::npos) return nullptr;
    return std::fopen(name.c_str(), how.c_str());
}

namespace {

int RealOpen(const char* path, int flags, mode_t mode) {
    return ::open(path, flags, mode);
}

const QoFileOps kRealOps = {RealOpen, ::write, ::fsync, ::close, ::rename};

std::string DirectoryOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

bool WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = qoFileOps.write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

QoSaveResult Fail(QoSaveResult result, const std::string& path, const char* step, int error) {
    std::fprintf(stderr, "[state] could not save %s (%s: %s)\n", path.c_str(), step,
                 std::strerror(error));
    return result;
}

}  // namespace

QoFileOps qoFileOps = kRealOps;

const QoFileOps& qoRealFileOps() {
    return kRealOps;
}

namespace {

// The open descriptor of a regular file for reading, or -1 with the reason in `why`
// (left empty for a file that is not there).
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
        return fd;
    }
    ::close(fd);
    return -1;
}

}  // namespace

std::string qoRegularFileProblem(const std::string& path) {
    std::string why;
    int fd = OpenRegular(path, &why);
    if (fd < 0) return why.empty() ? std::strerror(ENOENT) : why;
    ::close(fd);
    return "";
}

FILE* qoOpenRegularFile(const std::string& path, std::string* why) {
    why->clear();
    int fd = OpenRegular(path, why);
    if (fd < 0) return nullptr;
    // A regular file: its reads may wait for the disk as reads of a stream do.
    int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    FILE* file = ::fdopen(fd, "rb");
    if (!file) {
        *why = std::strerror(errno);
        ::close(fd);
    }
    return file;
}

void qoReportUnloadable(const std::string& path, const std::string& why) {
    static std::set<std::string> reported;
    if (!reported.insert(path).second) return;
    std::fprintf(stderr, "[data] could not load %s (%s)\n", path.c_str(), why.c_str());
}

QoReadResult qoReadRegularFile(const std::string& path, size_t limit, std::string* bytes,
                               std::string* why) {
    bytes->clear();
    why->clear();
    int fd = OpenRegular(path, why);
    if (fd < 0) return why->empty() ? QoReadResult::kMissing : QoReadResult::kUnreadable;
    // One byte past the limit tells a file that grew over it while being read.
    char block[4096];
    for (;;) {
        ssize_t n = ::read(fd, block, sizeof block);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            *why = std::strerror(errno);
            break;
        }
        if (n == 0) break;
        bytes->append(block, static_cast<size_t>(n));
        if (bytes->size() > limit) {
            *why = "larger than " + std::to_string(limit) + " bytes";
            break;
        }
    }
    ::close(fd);
    if (why->empty()) return QoReadResult::kRead;
    bytes->clear();
    return QoReadResult::kUnreadable;
}

namespace {

// A save's temporary file: the process id, which tells the next start whether its
// writer still runs, and a serial that makes the name unused. Created exclusively and
// never through a link, so nothing planted at the name is written through.
int OpenTemporary(const std::string& path, std::string* temp) {
    static unsigned serial =
        static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count());
    for (int attempt = 0; attempt < 64; ++attempt) {
        *temp = path + "." + std::to_string(getpid()) + "-" + std::to_string(serial++ % 1000000) +
                ".tmp";
        int fd = qoFileOps.open(temp->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                                0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

}  // namespace

QoSaveResult qoReplaceFile(const std::string& path, const std::string& bytes) {
    std::string temp;
    int fd = OpenTemporary(path, &temp);
    if (fd < 0) return Fail(QoSaveResult::kCannotOpen, path, "open", errno);

    const char* step = nullptr;
    if (!WriteAll(fd, bytes)) {
        step = "write";
    } else if (qoFileOps.fsync(fd) != 0) {
        step = "flush";
    }
    int error = errno;
    if (qoFileOps.close(fd) != 0 && !step) {
        step = "close";
        error = errno;
    }
    if (!step && qoFileOps.rename(temp.c_str(), path.c_str()) != 0) {
        step = "rename";
        error = errno;
    }
    if (step) {
        ::unlink(temp.c_str());
        return Fail(QoSaveResult::kIncomplete, path, step, error);
    }
    // Make the rename itself durable; the new content is in place either way.
    int dir = ::open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return QoSaveResult::kSaved;
}

void qoRemoveStaleTemporaries(const std::string& path) {
    std::string directory = DirectoryOf(path);
    std::string base = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
    DIR* dir = ::opendir(directory.c_str());
    if (!dir) return;
    const std::string prefix = base + ".", suffix = ".tmp";
    while (dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name.size() <= prefix.size() + suffix.size() ||
            name.compare(0, prefix.size(), prefix) != 0 ||
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) {
            continue;
        }
        // "<pid>-<serial>", or "<pid>" alone as older runs named them.
        std::string digits =
            name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
        size_t dash = digits.find('-');
        if (dash != std::string::npos) {
            if (dash + 1 == digits.size() ||
                digits.find_first_not_of("0123456789", dash + 1) != std::string::npos)
                continue;
            digits.resize(dash);
        }
        if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos)
            continue;
        pid_t pid = static_cast<pid_t>(std::stol(digits));
        if (pid <= 0 || ::kill(pid, 0) == 0 || errno != ESRCH) continue;
        ::unlink((directory + "/" + name).c_str());
    }
    ::closedir(dir);
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
        current = to[0] == '/' ? to : DirectoryOf(current) + "/" + to;
    }
    *why = std::strerror(ELOOP);
    return false;
}
