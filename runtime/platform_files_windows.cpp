// The file layer on Windows: names are UTF-8 inside the program and UTF-16 at every
// Windows call; a save is flushed with FlushFileBuffers and moved over the old file with
// MoveFileExW, and copies of the game take turns on the save through LockFileEx.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "runtime/platform_files.h"

namespace {

std::wstring Wide(const std::string& path) {
    String text = qoDecodePath(path);
    return std::wstring(reinterpret_cast<const wchar_t*>(text.Data()),
                        static_cast<size_t>(text.Length()));
}

std::string Narrow(const wchar_t* path, size_t length) {
    return qoEncodePath(String(reinterpret_cast<const Char*>(path), static_cast<int>(length)));
}

// The C library's name for the last Windows error, for the messages the portable code
// prints with strerror.
int ErrnoOfLastError() {
    switch (GetLastError()) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
            return errno = ENOENT;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return errno = EEXIST;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return errno = EACCES;
        case ERROR_WRITE_PROTECT:
            return errno = EROFS;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return errno = ENOSPC;
        case ERROR_NOT_SAME_DEVICE:
            return errno = EXDEV;
        default:
            return errno = EIO;
    }
}

int HandleToDescriptor(HANDLE file, int flags) {
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), flags | _O_BINARY);
    if (fd < 0) {
        CloseHandle(file);
        errno = EMFILE;
    }
    return fd;
}

int RealOpen(const char* path, int flags, mode_t) {
    HANDLE file =
        CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr,
                    (flags & _O_EXCL) ? CREATE_NEW : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return ErrnoOfLastError(), -1;
    return HandleToDescriptor(file, _O_WRONLY);
}

ssize_t RealWrite(int fd, const void* bytes, size_t count) {
    return _write(fd, bytes, static_cast<unsigned>(count < INT_MAX ? count : INT_MAX));
}

int RealFlush(int fd) {
    HANDLE file = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    if (file == INVALID_HANDLE_VALUE) return errno = EBADF, -1;
    return FlushFileBuffers(file) ? 0 : (ErrnoOfLastError(), -1);
}

int RealRename(const char* from, const char* to) {
    return MoveFileExW(Wide(from).c_str(), Wide(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
               ? 0
               : (ErrnoOfLastError(), -1);
}

}  // namespace

std::string qoAbsolutePath(const std::string& path) {
    bool absolute = (!path.empty() && (path[0] == '/' || path[0] == '\\')) ||
                    (path.size() > 1 && path[1] == ':');
    std::string shown = path;
    wchar_t cwd[MAX_PATH];
    DWORD n = absolute ? 0 : GetCurrentDirectoryW(MAX_PATH, cwd);
    if (n > 0 && n < MAX_PATH)
        shown = Narrow(cwd, n) + "\\" + (path.compare(0, 2, "./") == 0 ? path.substr(2) : path);
    // As Windows spells paths to its players.
    std::replace(shown.begin(), shown.end(), '/', '\\');
    return shown;
}

int qoFolderError(const std::string& path) {
    DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return ErrnoOfLastError();
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? 0 : ENOTDIR;
}

bool qoFollowLinks(const std::string& path, std::string* target, std::string* why) {
    *target = path;
    DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return true;
    // A link: the file the system ends at, so that the save replaces that file and the
    // link stays.
    HANDLE file = CreateFileW(Wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        // A link to nothing yet is written as itself.
        if (GetLastError() == ERROR_FILE_NOT_FOUND) return true;
        *why = std::strerror(ErrnoOfLastError());
        return false;
    }
    wchar_t final[32768];
    DWORD n = GetFinalPathNameByHandleW(file, final, 32768, FILE_NAME_NORMALIZED);
    CloseHandle(file);
    if (n == 0 || n >= 32768) {
        *why = "link target unknown";
        return false;
    }
    const wchar_t* start = wcsncmp(final, L"\\\\?\\", 4) == 0 ? final + 4 : final;
    *target = Narrow(start, n - (start - final));
    return true;
}

bool qoFileIdentity(const std::string& path, QoFileIdentity* identity) {
    HANDLE file = CreateFileW(Wide(path).c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    bool ok = GetFileInformationByHandle(file, &info) != 0;
    CloseHandle(file);
    if (!ok) return false;
    identity->device = info.dwVolumeSerialNumber;
    identity->inode = (int64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    identity->size = (int64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
    // 100-nanosecond ticks.
    identity->modifiedNs = ((int64_t{info.ftLastWriteTime.dwHighDateTime} << 32) |
                            info.ftLastWriteTime.dwLowDateTime) *
                           100;
    return true;
}

namespace {

// The lock file, opened; INVALID_HANDLE_VALUE with the errno of the cause set. The file
// stays, as on the desktop's other systems; a read-only one still takes a lock.
HANDLE OpenLock(const std::string& lockPath) {
    std::wstring name = Wide(lockPath);
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE file = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) return file;
    int error = ErrnoOfLastError();
    if (GetLastError() == ERROR_ACCESS_DENIED) {
        file = CreateFileW(name.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        // No lock file to fall back on: the folder's permission was the cause.
        if (file == INVALID_HANDLE_VALUE && ErrnoOfLastError() != ENOENT) error = errno;
    }
    errno = error;
    return file;
}

// 1 locked, 0 another copy holds it, -1 failed (errno set).
int LockNow(HANDLE file, OVERLAPPED* whole) {
    if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD,
                   whole))
        return 1;
    if (GetLastError() == ERROR_LOCK_VIOLATION || GetLastError() == ERROR_IO_PENDING) return 0;
    ErrnoOfLastError();
    return -1;
}

}  // namespace

QoSaveResult qoRunLocked(const std::string& lockPath, std::function<QoSaveResult()> save,
                         std::function<void(QoSaveResult)>, std::function<QoSaveResult()> busy) {
    HANDLE file = OpenLock(lockPath);
    OVERLAPPED whole{};
    int locked = -1;
    // Polled rather than waited for, so that the end of the run can stop waiting.
    while (file != INVALID_HANDLE_VALUE && (locked = LockNow(file, &whole)) == 0 &&
           !qoLockWaitsGivenUp())
        Sleep(10);
    if (locked != 1) {
        int error = errno;
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        if (locked == 0) return busy();
        std::fprintf(stderr, "[state] could not save: no lock on %s (%s)\n",
                     qoAbsolutePath(lockPath).c_str(), std::strerror(error));
        return QoSaveResult::kCannotOpen;
    }
    QoSaveResult result = save();
    UnlockFileEx(file, 0, MAXDWORD, MAXDWORD, &whole);
    CloseHandle(file);
    return result;
}

bool qoTryLocked(const std::string& lockPath, const std::function<void()>& work) {
    HANDLE file = OpenLock(lockPath);
    if (file == INVALID_HANDLE_VALUE) return false;
    OVERLAPPED whole{};
    bool locked = LockNow(file, &whole) == 1;
    if (locked) {
        work();
        UnlockFileEx(file, 0, MAXDWORD, MAXDWORD, &whole);
    }
    CloseHandle(file);
    return locked;
}

namespace qofs {

const QoFileOps kSystemOps = {RealOpen, RealWrite, RealFlush, _close, RealRename};
const int kCreateExclusive = _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY;
const char kSeparators[] = "/\\";

FILE* OpenStream(const std::string& path, const char* mode) {
    return _wfopen(Wide(path).c_str(), Wide(mode).c_str());
}

int OpenRegular(const std::string& path, std::string* why) {
    // A NUL inside the name would silently open a different file: it names none.
    if (path.find('\0') != std::string::npos) return -1;
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        if (ErrnoOfLastError() != ENOENT) *why = std::strerror(errno);
        return -1;
    }
    // Devices (NUL, CON, COM1) and pipes are no disk files; a folder opens only here.
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileType(file) != FILE_TYPE_DISK) {
        *why = "not a regular file";
    } else if (!GetFileInformationByHandle(file, &info)) {
        *why = std::strerror(ErrnoOfLastError());
    } else if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        *why = std::strerror(EISDIR);
    } else {
        int fd = HandleToDescriptor(file, _O_RDONLY);
        if (fd < 0) *why = std::strerror(errno);
        return fd;
    }
    CloseHandle(file);
    return -1;
}

FILE* StreamOf(int fd, std::string* why) {
    FILE* file = _fdopen(fd, "rb");
    if (!file) {
        *why = std::strerror(errno);
        _close(fd);
    }
    return file;
}

long Read(int fd, char* into, size_t count) {
    return _read(fd, into, static_cast<unsigned>(count < INT_MAX ? count : INT_MAX));
}

void Close(int fd) {
    _close(fd);
}

void Remove(const std::string& path) {
    DeleteFileW(Wide(path).c_str());
}

// MOVEFILE_WRITE_THROUGH has made the move itself durable.
void SyncDirectory(const std::string&) {}

std::vector<std::string> Entries(const std::string& directory) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((Wide(directory) + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        names.push_back(Narrow(found.cFileName, wcslen(found.cFileName)));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

unsigned long ProcessId() {
    return GetCurrentProcessId();
}

bool ProcessGone(unsigned long pid) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    // Another user's process cannot be opened, and still runs.
    if (!process) return GetLastError() == ERROR_INVALID_PARAMETER;
    DWORD status = 0;
    bool gone = GetExitCodeProcess(process, &status) && status != STILL_ACTIVE;
    CloseHandle(process);
    return gone;
}

}  // namespace qofs
