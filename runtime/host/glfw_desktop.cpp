// The desktop backend of the GLFW host: a real window (re-created for each mode
// change), GLFW's gamepad mapping database, and a frame loop that sleeps until the next
// update is due and blocks on events while the game is suspended.
#include <GLFW/glfw3.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "input/joystick_layout.h"
#include "runtime/host/glfw_backend.h"
#include "runtime/host/glfw_game.h"
#include "runtime/platform.h"

const char* const qoGlfwWindowTitle = "Tessory";

namespace {

// The community database is about 0.5 MB; a file far larger is not a mapping file.
constexpr size_t kMaxMappingBytes = 8 * 1024 * 1024;

}  // namespace

const GLFWvidmode* qoGlfwDesktopVideoMode() {
    GLFWmonitor* monitor = glfwGetPrimaryMonitor();
    return monitor ? glfwGetVideoMode(monitor) : nullptr;
}

std::string qoGlfwDataProblem(QoGlfwGame& game) {
    return game.DataFolderProblem();
}

static_assert(GamepadState::kDpadLeft == GLFW_GAMEPAD_BUTTON_DPAD_LEFT &&
                  GamepadState::kButtonCount == GLFW_GAMEPAD_BUTTON_LAST + 1,
              "gamepad buttons follow GLFW's order");
static_assert(GamepadState::kRightTrigger == GLFW_GAMEPAD_AXIS_RIGHT_TRIGGER &&
                  GamepadState::kAxisCount == GLFW_GAMEPAD_AXIS_LAST + 1,
              "gamepad axes follow GLFW's order");

bool QoJoystickSource::Gamepad(int slot, GamepadState* pad) {
    GLFWgamepadstate state;
    if (glfwJoystickIsGamepad(slot) != GLFW_TRUE || glfwGetGamepadState(slot, &state) != GLFW_TRUE)
        return false;
    for (int i = 0; i < GamepadState::kButtonCount; ++i) pad->buttons[i] = state.buttons[i];
    for (int i = 0; i < GamepadState::kAxisCount; ++i) pad->axes[i] = state.axes[i];
    return true;
}

void QoGlfwGame::SetGlfwWindow(int width, int height, int red, int green, int blue, int alpha,
                               int depth, int stencil, bool fullscreen) {
    ReleaseHeldKeys();
    const GLFWvidmode* desktop = qoGlfwDesktopVideoMode();
    int desktopWidth = desktop ? desktop->width : 0;
    int desktopHeight = desktop ? desktop->height : 0;
    if (_window) {
        glfwDestroyWindow(_window);
        _window = nullptr;
    }

    qoGlfwBufferHints(red, green, blue, alpha, depth, stencil);
    glfwWindowHint(GLFW_REFRESH_RATE, 60);
    glfwWindowHint(GLFW_RESIZABLE, GLFW_TRUE);
    // Shown only once placed, so a windowed window never appears at the wrong spot.
    glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
    // The window class names the program whatever the title, so the desktop matches the
    // window to its menu entry in full screen too.
    glfwWindowHintString(GLFW_X11_CLASS_NAME, "Tessory");
    glfwWindowHintString(GLFW_X11_INSTANCE_NAME, "tessory");
    // A window is as large on a screen scaled to 150 % as on one at 100 %: its size grows
    // by the monitor's content scale (on Windows also when it moves to another monitor).
    glfwWindowHint(GLFW_SCALE_TO_MONITOR, GLFW_TRUE);

    // Only a window gets the title; a full-screen one has none.
    GLFWmonitor* monitor = fullscreen ? glfwGetPrimaryMonitor() : nullptr;
    _window =
        glfwCreateWindow(width, height, fullscreen ? "" : qoGlfwWindowTitle, monitor, nullptr);
    glfwGraphicsSeq += 1;
    if (!_window) return;
    if (!fullscreen) {
        // Scaled beyond the screen (a small screen at a large scale), it keeps its shape and
        // a margin.
        glfwGetWindowSize(_window, &width, &height);
        double fit = std::min({1.0, 0.9 * desktopWidth / width, 0.9 * desktopHeight / height});
        if (desktopWidth > 0 && desktopHeight > 0 && fit < 1) {
            width = static_cast<int>(width * fit);
            height = static_cast<int>(height * fit);
            glfwSetWindowSize(_window, width, height);
        }
        glfwSetWindowPos(_window, (desktopWidth - width) / 2, (desktopHeight - height) / 2);
    }
    glfwShowWindow(_window);
    glfwMakeContextCurrent(_window);
    if (_swapInterval >= 0) glfwSwapInterval(_swapInterval);
    RegisterCallbacks();
}

bool QoGlfwGame::LoadGamepadMappings() {
    // Players add mappings for pads GLFW's own database lacks; the file is optional.
    // A bad line is GLFW's to report, through the error callback.
    std::string path = qoEncodePath(BaseDir()) + "/gamecontrollerdb.txt", why;
    FILE* file = qoOpenRegularFile(path, &why);
    if (!file) {
        // A missing file is the usual case; anything else in its place is said.
        if (!why.empty()) {
            std::fprintf(stderr, "[input] could not load gamepad mappings from %s (%s)\n",
                         path.c_str(), why.c_str());
        }
        return false;
    }
    std::string text;
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0 && text.size() < kMaxMappingBytes)
        text.append(chunk, n);
    std::fclose(file);
    return glfwUpdateGamepadMappings(text.c_str()) == GLFW_TRUE;
}

bool QoGlfwGame::WindowActive() {
    return _window && glfwGetWindowAttrib(_window, GLFW_FOCUSED) &&
           !glfwGetWindowAttrib(_window, GLFW_ICONIFIED);
}

void QoGlfwGame::PaceFrame() {
    if (_nextUpdate != 0) {
        double delay = _nextUpdate - _clock->Now();
        if (delay > 0) _clock->Sleep(delay);
    }
    // The end's frames wait on the save, not on events.
    if (_suspended && !_ending) {
        WaitEvents();
    } else {
        PollEvents();
    }
}

void QoGlfwGame::Run() {
    SetGlfwWindow(640, 480, 8, 8, 8, 0, 0, 0, false);
    StartGame();
    while (RunFrame()) {
    }
}
