// The application module over a scripted host: registration, the delegate's calls into
// the application and the input device, cached device size, display modes, exit paths.
#include "runtime/host/app.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <tuple>

#include "input/input_device.h"
#include "net/async_event.h"
#include "runtime/platform.h"
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
    host.modes[0] = Mode(640, 480);  // 16 bits per pixel
    host.modes[1] = Mode(800, 600);
    host.modes[2] = Mode(640, 480);  // 32 bits per pixel
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

ChildResult Child(const char* scenario) {
    return RunChild({APP_CHILD, scenario});
}

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

TEST(AppExit, BackKeyEndsWithStatusZero) {
    EXPECT_EQ(Child("back-key").status, 0);
}

// The game in a folder (DIR) laid out by a shell command. A broken one says why and ends without a
// window; one with the build's data opens it, whatever its folder's bytes, naming FIFOs read first.
using Layout = std::array<std::string, 3>;  // the folder's name, the command, what is said
class Installs : public ::testing::TestWithParam<Layout> {};

// Runs the game until it ends, or until it has started and said what it should (30 s at most).
const char kRun[] = R"(cd "$1" || exit; "$2" >out 2>err & pid=$!
    for i in $(seq 300); do kill -0 $pid 2>/dev/null || break
        grep -qs 'openal device' out && { [ -z "$3" ] || grep -Eqs "$3" err; } && break; sleep .1; done
    kill $pid 2>/dev/null; wait $pid; s=$?; cat out; cat err >&2; exit $s)";

TEST_P(Installs, BrokenOnesNameTheFolderAndTheFixAndEndWithoutAWindowCompleteOnesRun) {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "the game starts its window system first";
    const auto& [folder, layout, problem] = GetParam();
    TempDir dir;
    std::string home = dir / folder, said = std::regex_replace(problem, std::regex("DIR"), home);
    std::filesystem::create_directory(home);
    std::filesystem::copy_file(TESSORY_EXE, home + "/tessory");
    std::string data = std::filesystem::path(TESSORY_EXE).parent_path() / "data";
    auto lay = "cd '" + home + "' && " + std::regex_replace(layout, std::regex("DATA"), data);
    ASSERT_EQ(std::system(lay.c_str()), 0);

    ChildResult r = RunChild({"/bin/sh", "-c", kRun, "sh", dir.path(), home + "/tessory", said});
    if (layout.find("DATA") != std::string::npos) {
        EXPECT_EQ(r.status, 143) << r.err;  // stopped by SIGTERM, still running
        EXPECT_NE(r.out.find("opening openal device"), std::string::npos) << r.err;
        EXPECT_TRUE(std::regex_search(r.err, std::regex(said))) << r.err;
        return;
    }
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err,
              "Tessory cannot start: " + said +
                  ".\nReinstall Tessory, or run it from its source folder with scripts/play.\n");
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, Installs,
    ::testing::ValuesIn(std::vector<Layout>{
        {"inst", ":", "it found no data folder at DIR/data (No such file or directory)"},
        {"inst", ": >data", "it found no data folder at DIR/data (Not a directory)"},
        // The text font is the first thing a working install must have.
        {"inst", "mkdir data",
         "its data folder DIR/data has no usable fonts/shadow_editundo.png (No such file or "
         "directory)"},
        {"inst-\xe9", "cp -rs DATA .", ""},
        {"a", "cp -rs DATA . && mkfifo gamecontrollerdb.txt", "/gamecontrollerdb.txt \\(not a"},
        {"a", "cp -rs DATA . && cd data/common && for f in TolvLogo*; do rm $f; mkfifo $f; done",
         "load DIR/data/common/TolvLogo(-hd2?)?\\.png \\(not a regular"}}));

// The command line: the usage and the version are shown and end the program before any
// window; an option it does not know, or a bad seed, is refused with the usage.
TEST(CommandLine, HelpAndVersionAnswerAndEndAndOthersAreRefusedWithTheUsage) {
    const std::string usage = QoGame::kUsage;
    const std::tuple<std::vector<std::string>, int, std::string, std::string> cases[] = {
        {{TESSORY_EXE, "--help"}, 0, usage, ""},
        {{TESSORY_EXE, "--version"}, 0, std::string("Tessory ") + qoProgramVersion + "\n", ""},
        {{TESSORY_EXE, "--seed=5", "--fullscreen"},
         2,
         "",
         "tessory: unknown option --fullscreen\n" + usage},
        {{TESSORY_EXE, "--seed=x"},
         2,
         "",
         "tessory: --seed wants a number from 0 to 37171647\n" + usage},
    };
    for (const auto& [command, status, out, err] : cases) {
        ChildResult r = RunChild(command);
        EXPECT_EQ(std::tie(r.status, r.out, r.err), std::tie(status, out, err)) << command[1];
    }
}

TEST(AppExit, ThrowableEscapingOnCreateIsReportedAsUncaught) {
    ChildResult r = Child("throw-on-create");
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "opening openal device\nKavoro Runtime Error : Uncaught Kavoro Exception\n");
}

TEST(AppExit, EveryWayOutClosesTheAudioDevice) {
    for (const char* scenario : {"close-key", "window-close", "back-key", "runtime-error",
                                 "throw-on-create", "return-from-main"}) {
        ChildResult r = Child(scenario);
        EXPECT_EQ(r.err.find("not closed"), std::string::npos) << scenario << ": " << r.err;
    }
}

}  // namespace
