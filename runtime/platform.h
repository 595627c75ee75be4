// The system edge of the host: file names cross it as UTF-8 both ways (bytes that are not
// UTF-8 kept as they are), files are read only when they are regular, the state file is
// replaced atomically, and URLs go to the desktop's opener without a shell. What differs
// between the hosts lives in platform_posix.cpp / platform_web.cpp / platform_windows.cpp,
// and the file layer's system calls in platform_files_posix.cpp / platform_files_windows.cpp.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "runtime/string.h"

// A file-system name as a String and back. Its bytes are UTF-8 where they can be; every
// other byte becomes a lone surrogate U+DC80..U+DCFF and encodes back to itself, so
// a name round-trips whatever its bytes are. Other characters encode as UTF-8.
String qoDecodePath(const std::string& bytes);
std::string qoEncodePath(const String& path);

// The running executable's full path, decoded with qoDecodePath; empty when it cannot
// be read.
String qoExecutablePath();

// `path` as seen from the current directory when it is relative, for messages.
std::string qoAbsolutePath(const std::string& path);

// fopen with the name encoded by qoEncodePath (the mode is plain ASCII). Reading ("r",
// "rb") goes through qoOpenRegularFile, with the reason of a failure in `why`.
FILE* qoOpenFileUtf8(const String& path, const String& mode, std::string* why = nullptr);

// The regular file at `path` opened for reading, without waiting on a FIFO or a device
// in its place; null otherwise, with the reason in `why` (left empty for a file that is
// not there). Every file the program reads is opened this way.
FILE* qoOpenRegularFile(const std::string& path, std::string* why);

// "[data] could not load <path> (<why>)" on standard error, once per path in a run.
// Main thread only.
void qoReportUnloadable(const std::string& path, const std::string& why);
// The same for a data file a loader could not make anything of: why it could not be
// opened, or that its content is not what the loader reads.
void qoReportUnloadableFile(const std::string& path);

// Starts xdg-open with the URL as its single argument; never through a shell (in the
// browser: a new tab). False when the opener could not be started.
bool qoOpenUrlExternally(const String& url);

// Run first at start-up. On Windows: moves into the folder that keeps the player's state
// and sends the standard streams to its log; elsewhere the launcher has done that.
void qoStartPlatform();
// False when the folder that keeps the player's state could not be made or entered
// (qoStartPlatform says so): the run then reads and saves no state, rather than keeping
// it wherever it happened to start.
bool qoStateFolderReady();

// The program's version, as the build names it.
extern const char* const qoProgramVersion;
// Says `text` to the player: on standard output, or on standard error when it is a
// problem; on Windows, where a program started from its icon has no terminal, in a
// message box as well.
void qoTellPlayer(const std::string& text, bool problem);
// What mends an install that lacks its data, in the words of the host's players.
extern const char* const qoMendInstall;

// The local calendar time of `when`.
std::tm qoLocalTime(std::time_t when);

// Asks the allocator to hand large freed blocks back to the system at once (decoded
// pictures are large and dropped whole when the resolution tier changes), and to keep
// the small blocks a frame frees for the next frame.
void qoTuneAllocator();

// Sets `bytes` bytes at `block` (heap memory) to zero. On Linux the whole pages of a large
// block go back to the system, which maps zero pages in again where the block is touched
// next: a block mostly left unused (the level grid) is neither written nor kept resident.
void qoZeroFill(void* block, size_t bytes);

// What tells one file's content from another's at the same path.
struct QoFileIdentity {
    int64_t device = 0;
    int64_t inode = 0;
    int64_t size = -1;
    int64_t modifiedNs = -1;
    bool operator==(const QoFileIdentity& other) const {
        return device == other.device && inode == other.inode && size == other.size &&
               modifiedNs == other.modifiedNs;
    }
};
// False when there is nothing at `path`.
bool qoFileIdentity(const std::string& path, QoFileIdentity* identity);

// The system calls a save goes through; tests swap in failing ones.
struct QoFileOps {
    int (*open)(const char* path, int flags, mode_t mode);
    ssize_t (*write)(int fd, const void* bytes, size_t count);
    int (*fsync)(int fd);
    int (*close)(int fd);
    int (*rename)(const char* from, const char* to);
};
extern QoFileOps qoFileOps;
const QoFileOps& qoRealFileOps();

// 0 when `path` is a folder; otherwise the errno that says why not (ENOTDIR: something
// else is there).
int qoFolderError(const std::string& path);

// Empty when `path` opens for reading as a regular file; otherwise why not. Does not
// block on a FIFO.
std::string qoRegularFileProblem(const std::string& path);

enum class QoReadResult { kRead, kMissing, kUnreadable };

// Reads the regular file at `path` whole into `bytes`. Anything else in its place (a
// directory, a FIFO, a device), a file of more than `limit` bytes and every open or
// read error other than a missing file make it kUnreadable, with the reason in `why`.
// Never blocks on what is not a regular file.
QoReadResult qoReadRegularFile(const std::string& path, size_t limit, std::string* bytes,
                               std::string* why);

enum class QoSaveResult { kSaved = 0, kCannotOpen = -1, kIncomplete = -2 };

// Replaces the file at `path` with `bytes`: written to a temporary file of its own in the
// same directory (created exclusively, never through a link planted at its name),
// flushed to disk, then renamed over the old one, so a failure at any point leaves the
// previous content intact. A failure is reported once on standard error.
QoSaveResult qoReplaceFile(const std::string& path, const std::string& bytes);
// Makes a new file at `path` holding `bytes`, flushed to disk; never replaces or writes
// through what is there. kCannotOpen with errno EEXIST when the name is taken (said
// nowhere: the caller picks another); any other failure is reported and leaves no file.
QoSaveResult qoCreateFile(const std::string& path, const std::string& bytes);
// Removes the temporary files that qoReplaceFile calls for `path` left behind in
// processes that no longer run (killed in the middle of a save). A live process's
// temporary file is left alone.
void qoRemoveStaleTemporaries(const std::string& path);
// The names (without folder) of the entries beside `path` whose names begin with its own
// name and `suffix`, sorted.
std::vector<std::string> qoFilesBeside(const std::string& path, const std::string& suffix);
// The folder of `path` ("." for a bare name).
std::string qoDirectoryOf(const std::string& path);
void qoRemoveFile(const std::string& path);

// The file that `path` ends at through symbolic links (`path` itself when it is none,
// also when nothing is there yet). False, with the reason, for a loop of links.
bool qoFollowLinks(const std::string& path, std::string* target, std::string* why);

// Runs `save` while this program holds the lock `lockPath` against every other copy
// that saves the same file. On the desktop (flock; on Windows LockFileEx) it waits for a
// lock another copy holds until the lock is free, giving `save`'s result; once the run is
// ending and qoGiveUpLockWaits has been called it waits no more and gives `busy`'s result
// instead. In the browser: once the page holds its lock and has read its storage back,
// and then the page writes its storage; the answer now is kSaved, and a failure found
// later goes to `late`.
QoSaveResult qoRunLocked(const std::string& lockPath, std::function<QoSaveResult()> save,
                         std::function<void(QoSaveResult)> late,
                         std::function<QoSaveResult()> busy);
// Runs `work` under the same lock when it is free at once; false, without running it,
// when another copy holds it or it cannot be taken (always, in the browser).
bool qoTryLocked(const std::string& lockPath, const std::function<void()>& work);

// Hands a save of the file `path` to the one save thread, so that the update that asks
// for it does not wait on the disk, and answers kSaved; a failure goes to `late` on that
// thread. Saves run in the order asked. Each is the whole state, so one of the same
// path still waiting is replaced by the newer one. The process's normal end (exit, a
// return from main) waits for those queued, for a lock held by another copy only
// kQuitWaitSeconds. The browser, which has no threads, runs `save` at once and gives its
// result.
QoSaveResult qoQueueSave(const std::string& path, std::function<QoSaveResult()> save,
                         std::function<void(QoSaveResult)> late);
// How long the end of a run waits for a lock another copy holds.
constexpr double kQuitWaitSeconds = 2.0;
// Returns once every save queued so far is written (or has failed).
void qoWaitForSaves();
// The same for at most `seconds`; false when saves are still under way then.
bool qoWaitForSaves(double seconds);
// Whether a save asked for is still queued or under way.
bool qoSavesPending();
// From now on no save waits for a lock another copy holds (see qoRunLocked).
void qoGiveUpLockWaits();
bool qoLockWaitsGivenUp();
