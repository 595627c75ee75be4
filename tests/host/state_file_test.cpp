// The saved-state file: its UTF-8 container, and a save that never destroys the old
// state, whatever step fails.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <future>
#include <regex>
#include <thread>

#include "runtime/game.h"
#include "runtime/platform.h"
#include "tests/host/temp_dir.h"
#include "tests/support/child_process.h"

namespace {

const Char kEuroAndEAcute[] = {0xE9, 0x20AC};

class StateFile : public ::testing::Test {
protected:
    TempDir dir;
    QoGame host;
    std::string oldCwd = std::filesystem::current_path();

    void SetUp() override { ASSERT_EQ(chdir(dir.path().c_str()), 0); }
    void TearDown() override {
        qoWaitForSaves();
        qoFileOps = qoRealFileOps();
        EXPECT_EQ(chdir(oldCwd.c_str()), 0);
    }
    std::string StateBytes() { return qoWaitForSaves(), ReadBytes(dir / ".kavorostate"); }
    int FilesInDir() {
        int n = 0;
        for (auto& entry : std::filesystem::directory_iterator(dir.path())) {
            n += entry.is_regular_file() && entry.path().filename() != ".kavorostate.lock";
        }
        return n;
    }
};

TEST_F(StateFile, NonAsciiCharactersAreWrittenAsUtf8AndReadBack) {
    String state(kEuroAndEAcute, 2);
    EXPECT_EQ(host.SaveState(state), 0);
    EXPECT_EQ(StateBytes(), "\xC3\xA9\xE2\x82\xAC");
    EXPECT_TRUE(host.LoadState() == state);
}

TEST_F(StateFile, MissingFileLoadsAsTheEmptyString) {
    EXPECT_EQ(host.LoadState().Length(), 0);
}

TEST_F(StateFile, EmptyStateGivesAnEmptyFile) {
    WriteBytes(dir / ".kavorostate", "old");
    EXPECT_EQ(host.SaveState(String()), 0);
    EXPECT_TRUE(std::filesystem::exists(dir / ".kavorostate"));
    EXPECT_EQ(StateBytes(), "");
}

TEST_F(StateFile, SaveReplacesTheWholeFileAndLeavesNoTemporary) {
    WriteBytes(dir / ".kavorostate", "a much longer previous state");
    EXPECT_EQ(host.SaveState(String("short")), 0);
    EXPECT_EQ(StateBytes(), "short");
    EXPECT_EQ(FilesInDir(), 1);
}

// A kill in the middle of a save leaves "<file>.<pid>.tmp"; loading clears those of
// processes gone, and nothing else.
TEST_F(StateFile, LoadingRemovesTemporariesOfSavesCutOffByAKillAndNothingElse) {
    pid_t gone = 0;
    for (pid_t pid = 4000000; pid > 300 && !gone; pid -= 997) {
        if (kill(pid, 0) != 0 && errno == ESRCH) gone = pid;
    }
    ASSERT_NE(gone, 0);
    std::string dead = ".kavorostate." + std::to_string(gone) + ".tmp";
    std::string deadToo = ".kavorostate." + std::to_string(gone) + "-17.tmp";
    std::string mine = ".kavorostate." + std::to_string(getpid()) + ".tmp";
    WriteBytes(dir / ".kavorostate", "state");
    WriteBytes(dir / dead, "half a sta");
    WriteBytes(dir / deadToo, "half a sta");
    WriteBytes(dir / mine, "being written");
    for (const char* other :
         {".kavorostate.abc.tmp", ".kavorostate..tmp", "other.1.tmp", ".kavorostate.1.tmp.bak"}) {
        WriteBytes(dir / other, "x");
    }
    EXPECT_TRUE(host.LoadState() == String("state"));
    EXPECT_FALSE(std::filesystem::exists(dir / dead));
    EXPECT_FALSE(std::filesystem::exists(dir / deadToo));
    EXPECT_TRUE(std::filesystem::exists(dir / mine)) << "a running process's save";
    EXPECT_EQ(FilesInDir(), 6);
}

// Links: one planted at the temporary file's name is never written through; a state
// file that is a link stays one, its target replaced in the target's own folder, and
// when that folder cannot be written nothing is saved.
std::string planted;
TEST_F(StateFile, LinksAreNeverWrittenThroughAndAStateLinkStaysALink) {
    namespace fs = std::filesystem;
    WriteBytes(dir / "unrelated", "someone else's file");
    planted = dir / "unrelated";
    qoFileOps.open = [](const char* path, int flags, mode_t mode) {
        symlink(planted.c_str(), path);  // a link raced in at whatever name the save picked
        qoFileOps.open = qoRealFileOps().open;
        return ::open(path, flags, mode);
    };
    EXPECT_EQ(host.SaveState(String("new")), 0);
    qoWaitForSaves();
    EXPECT_EQ(ReadBytes(dir / "unrelated"), "someone else's file");
    EXPECT_EQ(fs::symlink_status(dir / ".kavorostate").type(), fs::file_type::regular);
    EXPECT_EQ(StateBytes(), "new");

    fs::remove(dir / ".kavorostate");
    fs::create_directory(dir / "dotfiles");
    WriteBytes(dir / "dotfiles/tessory", "old");
    fs::create_symlink("dotfiles/tessory", dir / ".kavorostate");
    EXPECT_EQ(host.SaveState(String("newer")), 0);
    qoWaitForSaves();
    EXPECT_TRUE(fs::is_symlink(dir / ".kavorostate"));
    EXPECT_EQ(ReadBytes(dir / "dotfiles/tessory"), "newer");

    qoFileOps.open = [](const char* path, int flags, mode_t mode) {
        return std::string(path).find("/dotfiles/") != std::string::npos
                   ? (errno = EACCES, -1)
                   : ::open(path, flags, mode);
    };
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(host.SaveState(String("newest")), 0);
    qoWaitForSaves();
    EXPECT_EQ(host.TakeSaveFailure(), -1);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("dotfiles/tessory"), std::string::npos);
    EXPECT_TRUE(fs::is_symlink(dir / ".kavorostate"));
    EXPECT_EQ(ReadBytes(dir / "dotfiles/tessory"), "newer");
}

// Saves answer while the disk holds one up; of the two waiting, only the newer is written.
int diskHeld[2];
TEST_F(StateFile, SavesAnswerBeforeTheirFileWorkAndTheLatestStateLands) {
    WriteBytes(dir / ".kavorostate", "old");
    ASSERT_EQ(pipe(diskHeld), 0);
    qoFileOps.fsync = [](int fd) {
        pollfd held = {diskHeld[0], POLLIN, 0};
        char byte;  // bounded: a save on the caller's thread fails the test, not hangs it
        return poll(&held, 1, 5000) == 1 && read(diskHeld[0], &byte, 1) == 1 ? fsync(fd) : -1;
    };
    for (const char* state : {"first", "second", "third"}) EXPECT_EQ(host.SaveState(state), 0);
    EXPECT_EQ(ReadBytes(dir / ".kavorostate"), "old");
    EXPECT_EQ(write(diskHeld[1], "12", 2), 2);
    EXPECT_EQ(StateBytes(), "third");
}

// Every way out waits for the queued save, even one the disk holds up until the end began.
TEST(StateFileAtExit, QuittingWritesTheQueuedSave) {
    for (const char* exit : {"", "runtime error"}) {
        TempDir dir;
        ChildResult r =
            RunChild({"/usr/bin/timeout", "10", APP_CHILD, "save-and-quit", dir.path(), exit});
        EXPECT_EQ(ReadBytes(dir / ".kavorostate"), "state at the end") << exit << r.err;
    }
}

// The end of a run while another copy holds the lock: it goes on drawing for a moment,
// ends within 3 s, and leaves its state pending; the next start takes that in.
TEST(StateFileAtExit, QuittingWhileAnotherCopyHoldsTheLockLeavesTheStateForTheNextStart) {
    TempDir dir;
    WriteBytes(dir / ".kavorostate", "old");
    std::promise<void> locked, release;
    std::thread other([&] {
        qoTryLocked(dir / ".kavorostate.lock", [&] {
            locked.set_value();
            release.get_future().wait();
        });
    });
    locked.get_future().wait();
    auto started = std::chrono::steady_clock::now();
    ChildResult r =
        RunChild({"/usr/bin/timeout", "10", APP_CHILD, "quit-while-locked", dir.path()});
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    release.set_value();
    other.join();
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_LT(seconds, 3.0);
    std::smatch renders;  // 2 s of frames at 60 a second
    EXPECT_TRUE(std::regex_search(r.out, renders, std::regex("(\\d{3,}) renders while ending")))
        << r.out;
    EXPECT_NE(r.err.find("this copy's state waits in " + dir / ".kavorostate.pending."),
              std::string::npos)
        << r.err;
    EXPECT_EQ(ReadBytes(dir / ".kavorostate"), "old");

    r = RunChild({APP_CHILD, "state", dir.path()});
    EXPECT_EQ(r.out, "loaded 16, saved 0 0\n") << "the pending state, taken in";
    EXPECT_TRUE(qoFilesBeside(dir / ".kavorostate", ".pending.").empty());
}

// Each failure point of a save, with the result it gives.
struct Failure {
    const char* step;
    QoFileOps ops;
    int result;
};

QoFileOps Failing(const char* step) {
    QoFileOps ops = qoRealFileOps();
    std::string s = step;
    if (s == "open") ops.open = [](const char*, int, mode_t) { return errno = EACCES, -1; };
    if (s == "write")
        ops.write = [](int, const void*, size_t) -> ssize_t { return errno = EIO, -1; };
    if (s == "short-write") ops.write = [](int, const void*, size_t) -> ssize_t { return 0; };
    if (s == "flush") ops.fsync = [](int) { return errno = EIO, -1; };
    if (s == "close")
        ops.close = [](int fd) {
            ::close(fd);
            return errno = EIO, -1;
        };
    if (s == "rename") ops.rename = [](const char*, const char*) { return errno = EXDEV, -1; };
    return ops;
}

class FailedSave : public StateFile, public ::testing::WithParamInterface<const char*> {};

TEST_P(FailedSave, LeavesThePreviousFileByteForByteIntactAndReportsOnce) {
    const std::string previous = "previous \xC3\xA9 state";
    WriteBytes(dir / ".kavorostate", previous);
    qoFileOps = Failing(GetParam());

    ::testing::internal::CaptureStderr();
    EXPECT_EQ(host.SaveState(String("new state that must not land")), 0);
    qoWaitForSaves();
    std::string err = ::testing::internal::GetCapturedStderr();

    EXPECT_EQ(host.TakeSaveFailure(), std::string(GetParam()) == "open" ? -1 : -2);
    EXPECT_EQ(StateBytes(), previous);
    EXPECT_EQ(FilesInDir(), 1) << "the temporary file is removed";
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find(".kavorostate"), std::string::npos) << err;
}

INSTANTIATE_TEST_SUITE_P(AtEveryStep, FailedSave,
                         ::testing::Values("open", "write", "short-write", "flush", "close",
                                           "rename"));

// What stands where the state file should be and cannot be read as one: reported once
// with its path and why, loaded as the empty state, never saved over. The game runs as a
// child (timed out if it blocks), as the user nobody when the test is root, who reads all.
// The child that loads and saves the state in `dir`, as nobody when the test is root;
// empty when root cannot drop its privileges.
std::vector<std::string> StateChild(const TempDir& dir, mode_t folderMode) {
    std::vector<std::string> child = {"/usr/bin/timeout", "10", APP_CHILD, "state", dir.path()};
    if (geteuid() == 0) {
        if (access("/usr/bin/setpriv", X_OK) != 0) return {};
        child.insert(child.begin() + 2,
                     {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
    }
    chmod(dir.path().c_str(), folderMode);
    return child;
}

class UnreadableState : public ::testing::TestWithParam<std::pair<std::string, std::string>> {};

TEST_P(UnreadableState, IsReportedOnceLoadsEmptyAndIsNeverSavedOver) {
    namespace fs = std::filesystem;
    const auto& [kind, why] = GetParam();
    TempDir dir;
    const std::string path = dir / ".kavorostate";
    std::vector<std::string> child = StateChild(dir, 0777);
    if (child.empty()) GTEST_SKIP() << "root without setpriv cannot drop privileges";
    if (kind == "directory") fs::create_directory(path);
    if (kind == "fifo") mkfifo(path.c_str(), 0666);
    if (kind == "device") fs::create_symlink("/dev/null", path);
    if (kind == "over-limit") WriteBytes(path, std::string(QoGame::kStateFileLimit + 1, '7'));
    if (kind == "no-permission") {
        WriteBytes(path, "1|2|3|");
        fs::permissions(path, fs::perms::none);
    }
    const fs::file_type type = fs::symlink_status(path).type();
    const std::string bytes = type == fs::file_type::regular ? ReadBytes(path) : "";

    ChildResult r = RunChild(child);
    EXPECT_EQ(r.out, "loaded 0, saved -1 -1\n");
    EXPECT_EQ(r.err, "[state] could not read " + path + " (" + why +
                         "); it is kept as it is and this run saves nothing\n");
    EXPECT_EQ(fs::symlink_status(path).type(), type);
    EXPECT_EQ(type == fs::file_type::regular ? ReadBytes(path) : "", bytes);
}

// A folder the player cannot write to: the save says so, naming the lock in full.
TEST(StateFileFolder, ThatCannotBeWrittenToIsReportedAsSuch) {
    TempDir dir;
    std::vector<std::string> child = StateChild(dir, 0555);
    if (child.empty()) GTEST_SKIP() << "root without setpriv cannot drop privileges";
    ChildResult r = RunChild(child);
    EXPECT_EQ(r.out, "loaded 0, saved 0 0\n");
    EXPECT_NE(r.err.find("no lock on " + dir / ".kavorostate.lock (Permission denied)"),
              std::string::npos)
        << r.err;
}

INSTANTIATE_TEST_SUITE_P(InPlaceOfTheStateFile, UnreadableState,
                         ::testing::Values(std::pair{"directory", "Is a directory"},
                                           std::pair{"fifo", "not a regular file"},
                                           std::pair{"device", "not a regular file"},
                                           std::pair{"over-limit", "larger than 1048576 bytes"},
                                           std::pair{"no-permission", "Permission denied"}));

}  // namespace
