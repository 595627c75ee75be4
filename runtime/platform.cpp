// The file layer's portable part: names as UTF-8 inside, regular files only, saves that
// replace the old file atomically. What each system does differently sits behind
// runtime/platform_files.h.
#include "runtime/platform.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <set>
#include <vector>

#include "runtime/platform_files.h"

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
    return qofs::OpenStream(name, how.c_str());
}

namespace {

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
    std::fprintf(stderr, "[state] could not save %s (%s: %s)\n", qoAbsolutePath(path).c_str(), step,
                 std::strerror(error));
    return result;
}

// Writes `bytes` to the new file `fd` and flushes them to disk, then closes it; the failed
// step (with errno in `error`) or null.
const char* WriteAndClose(int fd, const std::string& bytes, int* error) {
    const char* step = nullptr;
    if (!WriteAll(fd, bytes)) {
        step = "write";
    } else if (qoFileOps.fsync(fd) != 0) {
        step = "flush";
    }
    *error = errno;
    if (qoFileOps.close(fd) != 0 && !step) {
        step = "close";
        *error = errno;
    }
    return step;
}

}  // namespace

const char* const qoProgramVersion = TESSORY_VERSION;

QoFileOps qoFileOps = qofs::kSystemOps;

const QoFileOps& qoRealFileOps() {
    return qofs::kSystemOps;
}

std::string qoRegularFileProblem(const std::string& path) {
    std::string why;
    int fd = qofs::OpenRegular(path, &why);
    if (fd < 0) return why.empty() ? std::strerror(ENOENT) : why;
    qofs::Close(fd);
    return "";
}

FILE* qoOpenRegularFile(const std::string& path, std::string* why) {
    why->clear();
    int fd = qofs::OpenRegular(path, why);
    return fd < 0 ? nullptr : qofs::StreamOf(fd, why);
}

void qoReportUnloadable(const std::string& path, const std::string& why) {
    static std::set<std::string> reported;
    if (!reported.insert(path).second) return;
    std::fprintf(stderr, "[data] could not load %s (%s)\n", qoAbsolutePath(path).c_str(),
                 why.c_str());
}

void qoReportUnloadableFile(const std::string& path) {
    std::string why = qoRegularFileProblem(path);
    qoReportUnloadable(path, why.empty() ? "damaged, or not in a format it reads" : why);
}

QoReadResult qoReadRegularFile(const std::string& path, size_t limit, std::string* bytes,
                               std::string* why) {
    bytes->clear();
    why->clear();
    int fd = qofs::OpenRegular(path, why);
    if (fd < 0) return why->empty() ? QoReadResult::kMissing : QoReadResult::kUnreadable;
    // One byte past the limit tells a file that grew over it while being read.
    char block[4096];
    for (;;) {
        long n = qofs::Read(fd, block, sizeof block);
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
    qofs::Close(fd);
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
        *temp = path + "." + std::to_string(qofs::ProcessId()) + "-" +
                std::to_string(serial++ % 1000000) + ".tmp";
        int fd = qoFileOps.open(temp->c_str(), qofs::kCreateExclusive, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

}  // namespace

std::string qoDirectoryOf(const std::string& path) {
    size_t slash = path.find_last_of(qofs::kSeparators);
    if (slash == std::string::npos) return ".";
    if (slash == 0) return path.substr(0, 1);
    return path.substr(0, slash);
}

void qoRemoveFile(const std::string& path) {
    qofs::Remove(path);
}

QoSaveResult qoReplaceFile(const std::string& path, const std::string& bytes) {
    std::string temp;
    int fd = OpenTemporary(path, &temp);
    if (fd < 0) return Fail(QoSaveResult::kCannotOpen, path, "open", errno);

    int error = 0;
    const char* step = WriteAndClose(fd, bytes, &error);
    if (!step && qoFileOps.rename(temp.c_str(), path.c_str()) != 0) {
        step = "rename";
        error = errno;
    }
    if (step) {
        qofs::Remove(temp);
        return Fail(QoSaveResult::kIncomplete, path, step, error);
    }
    // The new content is in place either way.
    qofs::SyncDirectory(qoDirectoryOf(path));
    return QoSaveResult::kSaved;
}

QoSaveResult qoCreateFile(const std::string& path, const std::string& bytes) {
    int fd = qoFileOps.open(path.c_str(), qofs::kCreateExclusive, 0666);
    if (fd < 0 && errno == EEXIST) return QoSaveResult::kCannotOpen;
    if (fd < 0) return Fail(QoSaveResult::kCannotOpen, path, "open", errno);
    int error = 0;
    if (const char* step = WriteAndClose(fd, bytes, &error)) {
        qofs::Remove(path);
        return Fail(QoSaveResult::kIncomplete, path, step, error);
    }
    qofs::SyncDirectory(qoDirectoryOf(path));
    return QoSaveResult::kSaved;
}

std::vector<std::string> qoFilesBeside(const std::string& path, const std::string& suffix) {
    size_t slash = path.find_last_of(qofs::kSeparators);
    const std::string prefix = path.substr(slash == std::string::npos ? 0 : slash + 1) + suffix;
    std::vector<std::string> names;
    for (const std::string& name : qofs::Entries(qoDirectoryOf(path))) {
        if (name.compare(0, prefix.size(), prefix) == 0) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

void qoRemoveStaleTemporaries(const std::string& path) {
    std::string directory = qoDirectoryOf(path);
    size_t slash = path.find_last_of(qofs::kSeparators);
    const size_t prefix = path.size() - (slash == std::string::npos ? 0 : slash + 1) + 1;
    const std::string suffix = ".tmp";
    for (const std::string& name : qoFilesBeside(path, ".")) {
        if (name.size() <= prefix + suffix.size() ||
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) {
            continue;
        }
        // "<pid>-<serial>", or "<pid>" alone as older runs named them.
        std::string digits = name.substr(prefix, name.size() - prefix - suffix.size());
        size_t dash = digits.find('-');
        if (dash != std::string::npos) {
            if (dash + 1 == digits.size() ||
                digits.find_first_not_of("0123456789", dash + 1) != std::string::npos)
                continue;
            digits.resize(dash);
        }
        if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos)
            continue;
        unsigned long pid = std::stoul(digits);
        if (pid == 0 || !qofs::ProcessGone(pid)) continue;
        qofs::Remove(directory + "/" + name);
    }
}
