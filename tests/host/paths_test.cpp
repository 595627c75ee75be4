// Location-neutral paths, the data module's rewrite, and reading whole files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <utility>

#include "audio/audio_data.h"
#include "graphics/image_data.h"
#include "runtime/data.h"
#include "runtime/host/glfw_game.h"
#include "tests/host/temp_dir.h"

namespace {

std::string ExecutableDir() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
}

std::string Utf8(const String& s) {
    return s.ToUtf8();
}

class Paths : public ::testing::Test {
protected:
    QoGlfwGame host;
    std::string base = ExecutableDir();
};

TEST_F(Paths, DataInternalAndExternalPathsMapBesideTheExecutable) {
    EXPECT_EQ(Utf8(host.PathToFilePath(String("kavoro://data/a.txt"))), base + "/data/a.txt");
    EXPECT_EQ(Utf8(host.PathToFilePath(String("kavoro://internal/x"))), base + "/internal/x");
    EXPECT_EQ(Utf8(host.PathToFilePath(String("kavoro://external/y/z"))), base + "/external/y/z");
}

TEST_F(Paths, UnknownKavoroLocationMapsToNothingAndDoesNotOpen) {
    EXPECT_EQ(host.PathToFilePath(String("kavoro://cloud/x")).Length(), 0);
    EXPECT_EQ(host.OpenFile(String("kavoro://cloud/x"), String("rb")), nullptr);
    EXPECT_EQ(host.LoadString(String("kavoro://cloud/x")).Length(), 0);
}

TEST_F(Paths, FileSystemPathsPassThroughUnchanged) {
    for (const char* p : {"./.kavorostate", "/etc/hostname", "relative/name.png", "kavoro"}) {
        EXPECT_EQ(Utf8(host.PathToFilePath(String(p))), p);
    }
}

TEST(FixDataPath, SchemeOrDriveBeforeTheFirstSlashIsLeftAlone) {
    EXPECT_EQ(Utf8(qo_data_FixDataPath(String("C:/games/x.png"))), "C:/games/x.png");
    EXPECT_EQ(Utf8(qo_data_FixDataPath(String("D:/x"))), "D:/x");
    EXPECT_EQ(Utf8(qo_data_FixDataPath(String("kavoro://data/a"))), "kavoro://data/a");
}

TEST(FixDataPath, BareNamesGetTheDataPrefix) {
    EXPECT_EQ(Utf8(qo_data_FixDataPath(String("gfx/logo.png"))), "kavoro://data/gfx/logo.png");
    // The first '/' does not follow the ':' directly, so this is no scheme.
    EXPECT_EQ(Utf8(qo_data_FixDataPath(String("a:b/c"))), "kavoro://data/a:b/c");
    EXPECT_EQ(Utf8(qo_data_FixDataPath(String("x/y:/z"))), "kavoro://data/x/y:/z");
}

TEST(FixDataPath, RootedAndDotRelativeNamesAreLeftAlone) {
    EXPECT_EQ(Utf8(qo_data_FixDataPath(String("./x.png"))), "./x.png");
    EXPECT_EQ(Utf8(qo_data_FixDataPath(String("/abs/x.png"))), "/abs/x.png");
}

// ---- reading files -----------------------------------------------------------------------

class DataFiles : public ::testing::Test {
protected:
    TempDir dir;
    QoGame host;
};

TEST_F(DataFiles, FileOfExactlyTwoBlocksLoadsWithItsFullLength) {
    std::string bytes(8192, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
    WriteBytes(dir / "two-blocks.bin", bytes);
    int before = gc_ext_new_bytes.load();

    int length = -1;
    unsigned char* data = host.LoadData(String((dir / "two-blocks.bin").c_str()), &length);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(length, 8192);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data), 8192), bytes);
    EXPECT_EQ(gc_ext_new_bytes.load() - before, 8192);
    std::free(data);
}

TEST_F(DataFiles, OddSizedAndEmptyFilesLoadWithTheirLengths) {
    WriteBytes(dir / "odd.bin", std::string(5000, 'x'));
    WriteBytes(dir / "empty.bin", "");
    int length = -1;
    unsigned char* data = host.LoadData(String((dir / "odd.bin").c_str()), &length);
    EXPECT_EQ(length, 5000);
    std::free(data);
    data = host.LoadData(String((dir / "empty.bin").c_str()), &length);
    EXPECT_NE(data, nullptr);
    EXPECT_EQ(length, 0);
    std::free(data);
}

TEST_F(DataFiles, MissingFileOrFifoLoadsAsNullAndAsTheEmptyString) {
    int length = 77;
    EXPECT_EQ(host.LoadData(String((dir / "nope").c_str()), &length), nullptr);
    EXPECT_EQ(length, 77);
    EXPECT_EQ(host.LoadString(String((dir / "nope").c_str())).Length(), 0);
    ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0600), 0);  // reading it would wait for a writer
    EXPECT_EQ(host.LoadString(String((dir / "pipe").c_str())).Length(), 0);
}

TEST_F(DataFiles, NonAsciiFileNamesCrossThePlatformEdgeAsUtf8) {
    std::string folder = dir / "d\xC3\xA9j\xC3\xA0 \xE2\x82\xAC";
    std::filesystem::create_directory(folder);
    WriteBytes(folder + "/t.txt", "caf\xC3\xA9");
    String path = String::FromUtf8(folder + "/t.txt");
    String text = host.LoadString(path);
    ASSERT_EQ(text.Length(), 4);
    EXPECT_EQ(text[3], 0xE9);
}

TEST_F(DataFiles, KavoroDataPathsReadFromTheDataFolderBesideTheExecutable) {
    QoGlfwGame glfwHost;
    std::string dataDir = ExecutableDir() + "/data";
    bool made = std::filesystem::create_directory(dataDir);
    WriteBytes(dataDir + "/host-paths-probe.txt", "probe");
    EXPECT_EQ(Utf8(glfwHost.LoadString(String("kavoro://data/host-paths-probe.txt"))), "probe");
    std::filesystem::remove(dataDir + "/host-paths-probe.txt");
    if (made) std::filesystem::remove(dataDir);
}

// A damaged or missing picture or sound leaves the game without it; the desktop host
// names it on standard error, once however often it is asked for.
TEST_F(DataFiles, FileThatDoesNotLoadIsReportedOnceWithItsPathAndWhy) {
    QoGlfwGame glfwHost;
    auto images = std::exchange(qoImageDataLoader, qoLoadImageFile);
    auto sounds = std::exchange(qoAudioDataLoader, LoadAudioFile);
    WriteBytes(dir / "bad.png", "not a picture");
    int n = 0;
    ::testing::internal::CaptureStderr();
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(glfwHost.LoadImageData(String((dir / "bad.png").c_str()), &n, &n, &n), nullptr);
        EXPECT_EQ(glfwHost.LoadAudioData(String((dir / "gone.wav").c_str()), &n, &n, &n, &n),
                  nullptr);
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "[data] could not load " + dir / "bad.png" +
                  " (damaged, or not in a format it reads)\n" + "[data] could not load " +
                  dir / "gone.wav" + " (No such file or directory)\n");
    qoImageDataLoader = images;
    qoAudioDataLoader = sounds;
}

TEST(HostDate, FillsYearToSecondAndZeroMillisecondsAsFarAsTheArrayReaches) {
    QoGame host;
    Array<int> date(8);
    date[7] = 42;
    host.GetDate(date);
    EXPECT_GE(date[0], 2024);
    EXPECT_GE(date[1], 1);
    EXPECT_LE(date[1], 12);
    EXPECT_EQ(date[6], 0);
    EXPECT_EQ(date[7], 42);
    Array<int> shortDate(2);
    host.GetDate(shortDate);
    EXPECT_EQ(shortDate[0], date[0]);
}

}  // namespace
