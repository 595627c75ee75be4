// The saved-state file: its UTF-8 container, and a save that never destroys the old
// state, whatever step fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include <signal.h>
#include <unistd.h>

#include "runtime/game.h"
#include "runtime/platform.h"
#include "tests/host/temp_dir.h"

namespace {

const Char kEuroAndEAcute[] = {0xE9, 0x20AC};

class StateFile : public ::testing::Test {
protected:
    TempDir dir;
    QoGame host;
    std::string oldCwd = std::filesystem::current_path();

    void SetUp() override { ASSERT_EQ(chdir(dir.path().c_str()), 0); }
    void TearDown() override {
        qoFileOps = qoRealFileOps();
        EXPECT_EQ(chdir(oldCwd.c_str()), 0);
    }
    std::string StateBytes() { return ReadBytes(dir / ".kavorostate"); }
    int FilesInDir() {
        int n = 0;
        for (auto& entry : std::filesystem::directory_iterator(dir.path())) n += entry.is_regular_file();
        return n;
    }
};

TEST_F(StateFile, NonAsciiCharactersAreWrittenAsUtf8AndReadBack) {
    String state(kEuroAndEAcute, 2);
    EXPECT_EQ(host.SaveState(state), 0);
    EXPECT_EQ(StateBytes(), "\xC3\xA9\xE2\x82\xAC");
    EXPECT_TRUE(host.LoadState() == state);
}

TEST_F(StateFile, MissingFileLoadsAsTheEmptyString) { EXPECT_EQ(host.LoadState().Length(), 0); }

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
    std::string mine = ".kavorostate." + std::to_string(getpid()) + ".tmp";
    WriteBytes(dir / ".kavorostate", "state");
    WriteBytes(dir / dead, "half a sta");
    WriteBytes(dir / mine, "being written");
    for (const char* other : {".kavorostate.abc.tmp", ".kavorostate..tmp", "other.1.tmp",
                              ".kavorostate.1.tmp.bak"}) {
        WriteBytes(dir / other, "x");
    }
    EXPECT_TRUE(host.LoadState() == String("state"));
    EXPECT_FALSE(std::filesystem::exists(dir / dead));
    EXPECT_TRUE(std::filesystem::exists(dir / mine)) << "a running process's save";
    EXPECT_EQ(FilesInDir(), 6);
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
    if (s == "write") ops.write = [](int, const void*, size_t) -> ssize_t { return errno = EIO, -1; };
    if (s == "short-write") ops.write = [](int, const void*, size_t) -> ssize_t { return 0; };
    if (s == "flush") ops.fsync = [](int) { return errno = EIO, -1; };
    if (s == "close") ops.close = [](int fd) { ::close(fd); return errno = EIO, -1; };
    if (s == "rename") ops.rename = [](const char*, const char*) { return errno = EXDEV, -1; };
    return ops;
}

class FailedSave : public StateFile, public ::testing::WithParamInterface<const char*> {};

TEST_P(FailedSave, LeavesThePreviousFileByteForByteIntactAndReportsOnce) {
    const std::string previous = "previous \xC3\xA9 state";
    WriteBytes(dir / ".kavorostate", previous);
    qoFileOps = Failing(GetParam());

    ::testing::internal::CaptureStderr();
    int result = host.SaveState(String("new state that must not land"));
    std::string err = ::testing::internal::GetCapturedStderr();

    EXPECT_EQ(result, std::string(GetParam()) == "open" ? -1 : -2);
    EXPECT_EQ(StateBytes(), previous);
    EXPECT_EQ(FilesInDir(), 1) << "the temporary file is removed";
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find(".kavorostate"), std::string::npos) << err;
}

INSTANTIATE_TEST_SUITE_P(AtEveryStep, FailedSave,
                         ::testing::Values("open", "write", "short-write", "flush", "close", "rename"));

}  // namespace
