// The application module over a scripted host: registration, the delegate's calls into
// the application and the input device, cached device size, display modes, exit paths.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <regex>

#include <sys/stat.h>

#include "input/input_device.h"
#include "net/async_event.h"
#include "runtime/app.h"
#include "tests/host/fake_host.h"
#include "tests/host/temp_dir.h"
#include "tests/support/child_process.h"

namespace {

struct RecordingApp : c_App {
    int creates = 0, suspends = 0, resumes = 0, updates = 0, renders = 0;
    int widthSeen = -1;
    int keyHitsSeen = 0;
    std::function<void()> onUpdate;

    RecordingApp* m_new() {
        c_App::m_new();
        return this;
    }
    int p_OnCreate() override {
        ++creates;
        return 0;
    }
    int p_OnSuspend() override {
        ++suspends;
        return 0;
    }
    int p_OnResume() override {
        ++resumes;
        return 0;
    }
    int p_OnUpdate() override {
        ++updates;
        keyHitsSeen += qo_input_KeyHit(65);
        if (onUpdate) onUpdate();
        return 0;
    }
    int p_OnRender() override {
        ++renders;
        widthSeen = qo_app_DeviceWidth();
        return 0;
    }
};

QoDisplayMode* Mode(int width, int height) {
    auto* mode = new QoDisplayMode;
    mode->width = width;
    mode->height = height;
    return mode;
}

class AppModule : public ::testing::Test {
protected:
    ScriptedHost host;
    RecordingApp* app = nullptr;

    void SetUp() override {
        qo_runtime_Init();
        app = (new RecordingApp)->m_new();
    }
    void TearDown() override { qo_runtime_Init(); }
};

TEST_F(AppModule, RegisteringTheAppHandsItsDelegateToTheHost) {
    EXPECT_EQ(qo_app__app, app);
    ASSERT_NE(qo_app__delegate, nullptr);
    EXPECT_EQ(host.Delegate(), qo_app__delegate);
}

TEST_F(AppModule, InitialisingAgainStartsTheEventPumpWithoutSources) {
    struct Counting : Object, c_IAsyncEventSource {
        int updates = 0;
        int p_UpdateAsyncEvents() override { return ++updates; }
    };
    auto* source = new Counting;
    qo_asyncevent_AddAsyncEventSource(source);
    qo_runtime_Init();
    qo_asyncevent_UpdateAsyncEvents();
    EXPECT_EQ(source->updates, 0);
    qo_asyncevent_AddAsyncEventSource(source);  // not "already active"
    qo_asyncevent_UpdateAsyncEvents();
    EXPECT_EQ(source->updates, 1);
}

TEST_F(AppModule, StartCreatesTheInputDeviceThenCallsOnCreate) {
    host.StartGame();
    EXPECT_EQ(app->creates, 1);
    ASSERT_NE(qo_input_device, nullptr);
    EXPECT_EQ(qo_app__delegate->m__input, qo_input_device);
    EXPECT_EQ(qo_input_device->m__joyStates.Length(), 4);
    EXPECT_EQ(qo_app_DeviceWidth(), 640);
}

TEST_F(AppModule, KeyPressBetweenUpdatesIsSeenByExactlyOneUpdate) {
    host.StartGame();
    host.KeyEvent(1, 65);
    host.UpdateGame();
    host.UpdateGame();
    EXPECT_EQ(app->keyHitsSeen, 1);
    EXPECT_TRUE(qo_input_KeyDown(65));
}

TEST_F(AppModule, SuspendAndResumeReachTheApp) {
    host.StartGame();
    host.SuspendGame();
    host.ResumeGame();
    EXPECT_EQ(app->suspends, 1);
    EXPECT_EQ(app->resumes, 1);
}

TEST_F(AppModule, DeviceSizeIsTheOneSeenAtTheLastUpdateOrRender) {
    host.StartGame();
    host.RenderGame();
    EXPECT_EQ(app->widthSeen, 640);
    host.width = 1280;
    EXPECT_EQ(qo_app_DeviceWidth(), 640);
    host.UpdateGame();
    EXPECT_EQ(qo_app_DeviceWidth(), 1280);
}

TEST_F(AppModule, SetUpdateRateFromOnUpdateEndsTheFramesCatchUp) {
    qo_app_SetUpdateRate(60);
    host.StartGame();
    host.RunFrame();
    host.clock.now += 1.0;
    int updates = app->updates;
    app->onUpdate = [] { qo_app_SetUpdateRate(30); };
    host.RunFrame();
    EXPECT_EQ(app->updates - updates, 1);
    EXPECT_EQ(qo_app__updateRate, 30);
    EXPECT_EQ(host.UpdateRate(), 30);
}

TEST_F(AppModule, DisplayModesListEachSizeOnceInFirstSeenOrder) {
    host.modes = Array<QoDisplayMode*>(4);
    host.modes[0] = Mode(640, 480);   // 16 bits per pixel
    host.modes[1] = Mode(800, 600);
    host.modes[2] = Mode(640, 480);   // 32 bits per pixel
    host.modes[3] = Mode(1280, 1024);
    host.desktop = Mode(1280, 1024);
    host.StartGame();

    ASSERT_EQ(qo_app__displayModes.Length(), 3);
    EXPECT_EQ(qo_app__displayModes[0]->m__width, 640);
    EXPECT_EQ(qo_app__displayModes[1]->m__width, 800);
    EXPECT_EQ(qo_app__displayModes[2]->m__height, 1024);
    ASSERT_NE(qo_app__desktopMode, nullptr);
    EXPECT_EQ(qo_app__desktopMode->m__width, 1280);
}

TEST_F(AppModule, WithoutADesktopModeTheDeviceSizeStandsIn) {
    host.StartGame();
    EXPECT_EQ(qo_app__displayModes.Length(), 0);
    ASSERT_NE(qo_app__desktopMode, nullptr);
    EXPECT_EQ(qo_app__desktopMode->m__width, 640);
    EXPECT_EQ(qo_app__desktopMode->m__height, 480);
}

// ---- exit paths, in a child process ------------------------------------------------------

ChildResult Child(const char* scenario) { return RunChild({APP_CHILD, scenario}); }

TEST(AppExit, SecondAppRaisesAppHasAlreadyBeenCreated) {
    ChildResult r = Child("second-app");
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "Kavoro Runtime Error : App has already been created\n\n");
}

TEST(AppExit, CloseKeyWithTheDefaultOnCloseEndsWithStatusZero) {
    ChildResult r = Child("close-key");
    EXPECT_EQ(r.status, 0);
    // Only the audio device's own start-up line: the exit itself is silent.
    EXPECT_EQ(r.out, "opening openal device\n");
}

TEST(AppExit, WindowCloseCallbackSendsTheCloseKey) {
    ChildResult r = Child("window-close");
    EXPECT_EQ(r.status, 0);
}

TEST(AppExit, BackKeyEndsWithStatusZero) { EXPECT_EQ(Child("back-key").status, 0); }

// The game copied into a folder whose data is broken says what is wrong and how to mend
// it, and ends before opening a window (one that opened would run until the timeout).
class BrokenInstall : public ::testing::TestWithParam<std::pair<std::string, std::string>> {};

TEST_P(BrokenInstall, NamesTheFolderAndTheFixAndEndsWithoutAWindow) {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "the game starts its window system first and needs a display";
    const auto& [layout, problem] = GetParam();
    TempDir dir;
    std::filesystem::copy_file(TESSORY_EXE, dir / "tessory");
    if (layout == "plain-file") WriteBytes(dir / "data", "");
    if (layout == "empty") std::filesystem::create_directory(dir / "data");

    ChildResult r = RunChild({"/usr/bin/timeout", "20", dir / "tessory"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Tessory cannot start: " + std::regex_replace(problem, std::regex("DIR"), dir.path()) +
                         ".\nReinstall Tessory, or run it from its source folder with scripts/play.\n");
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, BrokenInstall,
    ::testing::Values(
        std::pair{"missing", "it found no data folder at DIR/data (No such file or directory)"},
        std::pair{"plain-file", "it found no data folder at DIR/data (Not a directory)"},
        // The text font is the first thing a working install must have.
        std::pair{"empty", "its data folder DIR/data has no usable fonts/shadow_editundo.png (No such file or directory)"}));

// The game in a folder it must start from: an odd name, or a FIFO where it reads a file.
// It opens its window (the audio device comes after it) and runs until stopped, having
// said what it skipped ("DIR" is the install folder).
struct Install {
    std::string folder;
    std::vector<std::string> fifos;
    std::string said;
};

void PrintTo(const Install& install, std::ostream* out) {
    *out << (install.fifos.empty() ? "folder name not UTF-8" : "FIFO at " + install.fifos.back());
}

class WorkingInstall : public ::testing::TestWithParam<Install> {};

TEST_P(WorkingInstall, OpensItsWindowAndNamesTheFileItSkipped) {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "the game needs a display";
    const Install& install = GetParam();
    TempDir dir;
    std::string home = dir / install.folder;
    std::filesystem::create_directory(home);
    std::filesystem::copy_file(TESSORY_EXE, home + "/tessory");
    std::filesystem::create_directory(home + "/data");
    // Links to the build's data, so that any one of them can be swapped for a FIFO.
    std::filesystem::path data = std::filesystem::path(TESSORY_EXE).parent_path() / "data";
    for (const auto& entry : std::filesystem::directory_iterator(data)) {
        std::filesystem::create_symlink(entry.path(), home + "/data/" + entry.path().filename().string());
    }
    for (const std::string& name : install.fifos) {
        std::filesystem::remove(home + "/" + name);
        ASSERT_EQ(mkfifo((home + "/" + name).c_str(), 0600), 0);
    }
    ChildResult r = RunChild({"/usr/bin/env", "-C", dir.path(), "/usr/bin/timeout", "3", home + "/tessory"});
    EXPECT_EQ(r.status, 124) << r.err;  // still running when stopped
    EXPECT_NE(r.out.find("opening openal device"), std::string::npos) << r.err;
    std::regex said(std::regex_replace(install.said, std::regex("DIR"), home));
    EXPECT_TRUE(std::regex_search(r.err, said)) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, WorkingInstall,
    ::testing::Values(Install{"inst-\xe9", {}, ""},
                      Install{"inst", {"gamecontrollerdb.txt"},
                              "\\[input\\] could not load gamepad mappings from DIR/gamecontrollerdb.txt "
                              "\\(not a regular file\\)"},
                      // Which of them the game reads depends on the screen's size.
                      Install{"inst", {"data/menu.png", "data/menu-hd.png", "data/menu-hd2.png"},
                              "\\[data\\] could not load DIR/data/menu(-hd2?)?\\.png \\(not a regular file\\)"}));

TEST(AppExit, ThrowableEscapingOnCreateIsReportedAsUncaught) {
    ChildResult r = Child("throw-on-create");
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "opening openal device\nKavoro Runtime Error : Uncaught Kavoro Exception\n");
}

TEST(AppExit, EveryWayOutClosesTheAudioDevice) {
    for (const char* scenario :
         {"close-key", "window-close", "back-key", "runtime-error", "throw-on-create", "return-from-main"}) {
        ChildResult r = Child(scenario);
        EXPECT_EQ(r.err.find("not closed"), std::string::npos) << scenario << ": " << r.err;
    }
}

}  // namespace
