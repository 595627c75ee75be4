// The real window under a private Xvfb: the first window, full screen and back, the
// close button, and real key presses and clicks sent with xdotool through GLFW.
#include <gtest/gtest.h>

#define GLFW_EXPOSE_NATIVE_X11
#include <GLFW/glfw3.h>
#include <GLFW/glfw3native.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <thread>

#include "input/input_device.h"
#include "input/key_codes.h"
#include "runtime/host/app.h"
#include "tests/host/fake_host.h"
#include "tests/host/private_display.h"
#include "tests/support/child_process.h"

extern char** environ;

namespace {

PrivateDisplay g_display;

class Window : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(g_display.Start()) << "Xvfb did not start";
        ASSERT_TRUE(glfwInit());
    }
    static void TearDownTestSuite() {
        glfwTerminate();
        g_display.Stop();
    }
};

// Runs a fixed number of frames, then reports the window as gone so Run returns.
class FramesHost : public QoGlfwGame {
public:
    int framesLeft = 3;

protected:
    bool WindowOpen() override { return framesLeft-- > 0 && QoGlfwGame::WindowOpen(); }
};

// Pumps GLFW's events until `done` holds or five seconds pass.
bool PumpUntil(const std::function<bool()>& done) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
        glfwPollEvents();
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

std::string WindowId(GLFWwindow* window) {
    return std::to_string(glfwGetX11Window(window));
}

// What a window manager's close button sends: WM_DELETE_WINDOW to the client.
void SendCloseRequest(unsigned long window) {
    Display* x = XOpenDisplay(nullptr);
    ASSERT_NE(x, nullptr);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(x, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(x, window, False, NoEventMask, &event);
    XFlush(x);
    XCloseDisplay(x);
}

// WM_CLASS as "instance/class".
std::string WindowClass(unsigned long window) {
    Display* x = XOpenDisplay(nullptr);
    if (!x) return "no display";
    XClassHint hint{};
    std::string name = "none";
    if (XGetClassHint(x, window, &hint)) {
        name = std::string(hint.res_name ? hint.res_name : "") + "/" +
               (hint.res_class ? hint.res_class : "");
        XFree(hint.res_name);
        XFree(hint.res_class);
    }
    XCloseDisplay(x);
    return name;
}

TEST_F(Window, FirstWindowIs640By480WindowedCentredAndTitledTessory) {
    FramesHost host;
    auto* game = new CountingDelegate;
    host.SetDelegate(game);
    int seq = glfwGraphicsSeq;
    host.Run();

    GLFWwindow* window = host.Window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(glfwGraphicsSeq, seq + 1);
    EXPECT_EQ(game->starts, 1);
    EXPECT_EQ(game->renders, 3);
    int w = 0, h = 0, x = 0, y = 0;
    glfwGetWindowSize(window, &w, &h);
    glfwGetWindowPos(window, &x, &y);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
    EXPECT_EQ(glfwGetWindowMonitor(window), nullptr);
    EXPECT_EQ(x, (1280 - 640) / 2);
    EXPECT_EQ(y, (1024 - 480) / 2);
    EXPECT_EQ(Command("xdotool getwindowname " + WindowId(window)), "Tessory\n");
}

class AppWindow : public Window {
protected:
    QoGlfwGame host;
    void SetUp() override {
        qo_runtime_Init();
        (new c_App)->m_new();
        host.SetDeviceWindow(640, 480, 0);
        host.StartGame();
        ASSERT_NE(host.Window(), nullptr);
        ASSERT_TRUE(PumpUntil(
            [&] { return host.Window() && glfwGetWindowAttrib(host.Window(), GLFW_FOCUSED); }));
    }
    void TearDown() override { qo_runtime_Init(); }
};

// Held keys are let go of, Alt+Enter's F11 too (Alt+Enter switches to full screen).
TEST_F(AppWindow, FullScreenAndBackMakeTwoContextsAndLeaveNoKeyDown) {
    Command("xdotool keydown a alt+Return");
    ASSERT_TRUE(PumpUntil([] { return qo_input_KeyDown(65) && qo_input_KeyDown(122); }));

    int seq = glfwGraphicsSeq;
    host.SetDeviceWindow(1280, 1024, 1);
    ASSERT_NE(host.Window(), nullptr);
    EXPECT_NE(glfwGetWindowMonitor(host.Window()), nullptr);
    EXPECT_EQ(host.GetDeviceWidth(), 1280);
    EXPECT_FALSE(qo_input_KeyDown(65) || qo_input_KeyDown(122)) << "released before the re-open";
    // Only a window is titled; the class names the program either way.
    EXPECT_EQ(Command("xdotool getwindowname " + WindowId(host.Window())), "\n");
    EXPECT_EQ(WindowClass(glfwGetX11Window(host.Window())), "tessory/Tessory");

    host.SetDeviceWindow(640, 480, 0);
    EXPECT_EQ(glfwGraphicsSeq, seq + 2);
    EXPECT_EQ(Command("xdotool getwindowname " + WindowId(host.Window())), "Tessory\n");
    EXPECT_EQ(glfwGetWindowMonitor(host.Window()), nullptr);
    EXPECT_EQ(host.GetDeviceWidth(), 640);
    EXPECT_FALSE(qo_input_KeyDown(65));
    Command("xdotool keyup a alt+Return");
}

TEST_F(AppWindow, OnlyBitZeroOfTheFlagsSelectsFullScreen) {
    host.SetDeviceWindow(800, 600, 2);
    EXPECT_EQ(glfwGetWindowMonitor(host.Window()), nullptr);
    EXPECT_EQ(host.GetDeviceWidth(), 800);
    EXPECT_EQ(host.GetDeviceHeight(), 600);
}

TEST_F(AppWindow, RealKeyPressesReachTheInputDevice) {
    Command("xdotool key --delay 20 a Delete");
    ASSERT_TRUE(PumpUntil([] { return qo_input_KeyHit(46) == 1; }));
    EXPECT_EQ(qo_input_KeyHit(65), 1);
    EXPECT_FALSE(qo_input_KeyDown(65));
    EXPECT_EQ(qo_input_GetChar(), 'a');
    EXPECT_EQ(qo_input_GetChar(), 127);
}

TEST_F(AppWindow, RealMouseClicksReachTheInputDeviceAsMouseAndTouch) {
    std::string id = WindowId(host.Window());
    Command("xdotool mousemove --window " + id + " 100 50 mousedown 1");
    ASSERT_TRUE(PumpUntil([] { return qo_input_TouchDown(0); }));
    EXPECT_EQ(qo_input_MouseHit(0), 1);
    EXPECT_EQ(qo_input_KeyHit(1), 1);
    EXPECT_EQ(qo_input_MouseX(), 100);
    EXPECT_EQ(qo_input_MouseY(), 50);
    EXPECT_EQ(qo_input_TouchX(0), 100);
    Command("xdotool mouseup 1");
    ASSERT_TRUE(PumpUntil([] { return !qo_input_MouseDown(0); }));
    EXPECT_FALSE(qo_input_TouchDown(0));
}

TEST_F(Window, CloseButtonSendsTheCloseKeyAndKeepsTheWindowOpen) {
    FramesHost host;
    auto* game = new CountingDelegate;
    host.SetDelegate(game);
    host.framesLeft = 1;
    host.Run();
    SendCloseRequest(glfwGetX11Window(host.Window()));
    ASSERT_TRUE(PumpUntil([&] { return game->keys.size() >= 2; }));
    EXPECT_EQ(game->keys, (std::vector<std::pair<int, int>>{{1, keys::kClose}, {2, keys::kClose}}));
    EXPECT_FALSE(glfwWindowShouldClose(host.Window()));
}

// ---- the smoke program, a real process on the private display ----------------------------

TEST_F(Window, SmokeProgramRunsSixtyUpdatesAndRendersInOneSecond) {
    ChildResult r = RunChild({SMOKE_APP});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    int updates = -1, renders = -1;
    size_t line = r.out.find("updates ");
    ASSERT_NE(line, std::string::npos) << r.out;
    ASSERT_EQ(std::sscanf(r.out.c_str() + line, "updates %d renders %d", &updates, &renders), 2)
        << r.out;
    EXPECT_GE(updates, 55);
    EXPECT_LE(updates, 61);
    EXPECT_GE(renders, 50);
    EXPECT_LE(renders, 62);
}

// Also: a screen scaled to 150 % (Xft.dpi 144) gets a first window of 960 by 720, centred.
TEST_F(Window, CloseButtonEndsAProgramWithTheDefaultOnCloseWithStatusZero) {
    Command("xprop -root -f RESOURCE_MANAGER 8s -set RESOURCE_MANAGER 'Xft.dpi: 144'");
    char program[] = SMOKE_APP;
    char* argv[] = {program, nullptr};
    pid_t pid = 0;
    setenv("SMOKE_UNTIL_CLOSED", "1", 1);
    ASSERT_EQ(posix_spawn(&pid, program, nullptr, nullptr, argv, environ), 0);
    unsetenv("SMOKE_UNTIL_CLOSED");
    std::string id = Command("xdotool search --sync --name '^Tessory$' 2>/dev/null | head -1");
    Command("xprop -root -remove RESOURCE_MANAGER");
    ASSERT_FALSE(id.empty());
    std::string geometry = Command("xdotool getwindowgeometry " + id);
    EXPECT_NE(geometry.find("Position: 160,152"), std::string::npos) << geometry;
    EXPECT_NE(geometry.find("Geometry: 960x720"), std::string::npos) << geometry;
    // Let the program settle into its frame loop before the close arrives.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    SendCloseRequest(std::stoul(id));

    int status = -1;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            FAIL() << "the program did not end";
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
