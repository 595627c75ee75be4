#include "runtime/host/glfw_game.h"

#include <GLFW/glfw3.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "input/joystick_layout.h"
#include "input/key_codes.h"
#include "runtime/data.h"
#include "runtime/errors.h"
#include "runtime/host/glfw_backend.h"
#include "runtime/host/glfw_keys.h"
#include "runtime/platform.h"

QoGlfwGame* QoGlfwGame::_glfwGame = nullptr;
int QoKavoroGame::argc = 0;
char** QoKavoroGame::argv = nullptr;

namespace {

// A slow machine does at most this many late updates per frame before giving up on
// the lost time, so it cannot spiral into ever longer frames.
constexpr int kMaxCatchUpUpdates = 4;
constexpr int kJoystickPorts = 4;
constexpr int kGlfwJoysticks = 16;
constexpr int kMaxVideoModes = 1024;

QoClock g_realClock;
QoJoystickSource g_realJoysticks;

QoGlfwGame* HostOf(GLFWwindow*) {
    return QoGlfwGame::_glfwGame;
}

void KeyCallback(GLFWwindow* w, int key, int, int action, int mods) {
    if (auto* host = HostOf(w)) host->OnKey(key, action, mods);
}
void CharCallback(GLFWwindow* w, unsigned int character) {
    if (auto* host = HostOf(w)) host->OnChar(character);
}
void MouseButtonCallback(GLFWwindow* w, int button, int action, int) {
    if (auto* host = HostOf(w)) host->OnMouseButton(button, action);
}
void CursorPosCallback(GLFWwindow* w, double x, double y) {
    if (auto* host = HostOf(w)) host->OnMousePos(x, y);
}
void CloseCallback(GLFWwindow* w) {
    // The application decides whether a close ends the program.
    glfwSetWindowShouldClose(w, GLFW_FALSE);
    if (auto* host = HostOf(w)) host->OnWindowClose();
}

}  // namespace

// ---- clock and joysticks -----------------------------------------------------------------

double QoClock::Now() {
    return glfwGetTime();
}

void QoClock::Sleep(double seconds) {
    if (seconds <= 0) return;
    timespec left;
    left.tv_sec = static_cast<time_t>(seconds);
    left.tv_nsec = static_cast<long>((seconds - static_cast<double>(left.tv_sec)) * 1e9);
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

bool QoJoystickSource::Present(int slot) {
    return glfwJoystickPresent(slot) == GLFW_TRUE;
}
const float* QoJoystickSource::Axes(int slot, int* count) {
    return glfwGetJoystickAxes(slot, count);
}
const unsigned char* QoJoystickSource::Buttons(int slot, int* count) {
    return glfwGetJoystickButtons(slot, count);
}

// ---- the host ----------------------------------------------------------------------------

QoGlfwGame::QoGlfwGame() : _clock(&g_realClock), _joysticks(&g_realJoysticks) {
    _glfwGame = this;
}

QoGlfwGame::~QoGlfwGame() {
    if (_window) glfwDestroyWindow(_window);
    if (_glfwGame == this) _glfwGame = nullptr;
}

bool QoGlfwGame::HasGraphicsContext() {
    return glfwGetCurrentContext() != nullptr;
}

void QoGlfwGame::GraphicsWindowSize(int* width, int* height) {
    *width = *height = 0;
    if (GLFWwindow* window = glfwGetCurrentContext()) glfwGetWindowSize(window, width, height);
}

void QoGlfwGame::SetClock(QoClock* clock) {
    _clock = clock ? clock : &g_realClock;
}
void QoGlfwGame::SetJoystickSource(QoJoystickSource* source) {
    _joysticks = source ? source : &g_realJoysticks;
}

void QoGlfwGame::SetUpdateRate(int hertz) {
    QoGame::SetUpdateRate(hertz);
    if (hertz != 0) _updatePeriod = 1.0 / hertz;
    _nextUpdate = 0;
}

int QoGlfwGame::Millisecs() {
    return static_cast<int>(_clock->Now() * 1000);
}

void QoGlfwGame::OpenUrl(String url) {
    qoOpenUrlExternally(url);
}

void QoGlfwGame::SetMouseVisible(bool visible) {
    if (_window)
        glfwSetInputMode(_window, GLFW_CURSOR, visible ? GLFW_CURSOR_NORMAL : GLFW_CURSOR_HIDDEN);
}

int QoGlfwGame::GetDeviceWidth() {
    int width = 0, height = 0;
    if (_window) glfwGetWindowSize(_window, &width, &height);
    return width;
}

int QoGlfwGame::GetDeviceHeight() {
    int width = 0, height = 0;
    if (_window) glfwGetWindowSize(_window, &width, &height);
    return height;
}

void QoGlfwGame::SetSwapInterval(int interval) {
    _swapInterval = interval;
    if (interval >= 0 && _window) glfwSwapInterval(interval);
}

// ---- window and display modes ------------------------------------------------------------

void qoGlfwBufferHints(int red, int green, int blue, int alpha, int depth, int stencil) {
    glfwDefaultWindowHints();
    glfwWindowHint(GLFW_RED_BITS, red);
    glfwWindowHint(GLFW_GREEN_BITS, green);
    glfwWindowHint(GLFW_BLUE_BITS, blue);
    glfwWindowHint(GLFW_ALPHA_BITS, alpha);
    glfwWindowHint(GLFW_DEPTH_BITS, depth);
    glfwWindowHint(GLFW_STENCIL_BITS, stencil);
}

void QoGlfwGame::SetDeviceWindow(int width, int height, int flags) {
    SetGlfwWindow(width, height, 8, 8, 8, 0, 0, 0, (flags & 1) != 0);
}

void QoGlfwGame::ReleaseHeldKeys() {
    if (!_window) return;
    for (int key = GLFW_KEY_SPACE; key <= GLFW_KEY_LAST; ++key) {
        int code = qoTransGlfwKey(key);
        if (code != 0 && glfwGetKey(_window, key) == GLFW_PRESS) KeyEvent(kEventKeyUp, code);
    }
    // The Enter of an Alt+Enter went down as F11, and its release will not come.
    if (_altEnter) KeyEvent(kEventKeyUp, qoTransGlfwKey(GLFW_KEY_F11));
    _altEnter = false;
}

void QoGlfwGame::RegisterCallbacks() {
    glfwSetKeyCallback(_window, KeyCallback);
    glfwSetCharCallback(_window, CharCallback);
    glfwSetMouseButtonCallback(_window, MouseButtonCallback);
    glfwSetCursorPosCallback(_window, CursorPosCallback);
    glfwSetWindowCloseCallback(_window, CloseCallback);
}

QoDisplayMode* QoGlfwGame::GetDesktopMode() {
    const GLFWvidmode* desktop = qoGlfwDesktopVideoMode();
    if (!desktop) return nullptr;
    auto* mode = new QoDisplayMode;
    mode->width = desktop->width;
    mode->height = desktop->height;
    return mode;
}

QoGlfwVideoMode* QoGlfwGame::GetGlfwDesktopMode() {
    const GLFWvidmode* desktop = qoGlfwDesktopVideoMode();
    if (!desktop) return nullptr;
    auto* mode = new QoGlfwVideoMode;
    mode->width = desktop->width;
    mode->height = desktop->height;
    mode->red = desktop->redBits;
    mode->green = desktop->greenBits;
    mode->blue = desktop->blueBits;
    return mode;
}

namespace {

const GLFWvidmode* VideoModes(int* count) {
    *count = 0;
    GLFWmonitor* monitor = glfwGetPrimaryMonitor();
    const GLFWvidmode* modes = monitor ? glfwGetVideoModes(monitor, count) : nullptr;
    if (!modes) *count = 0;
    if (*count > kMaxVideoModes) *count = kMaxVideoModes;
    return modes;
}

}  // namespace

Array<QoDisplayMode*> QoGlfwGame::GetDisplayModes() {
    int count = 0;
    const GLFWvidmode* modes = VideoModes(&count);
    Array<QoDisplayMode*> result(count);
    for (int i = 0; i < count; ++i) {
        auto* mode = new QoDisplayMode;
        mode->width = modes[i].width;
        mode->height = modes[i].height;
        result[i] = mode;
    }
    return result;
}

Array<QoGlfwVideoMode*> QoGlfwGame::GetGlfwVideoModes() {
    int count = 0;
    const GLFWvidmode* modes = VideoModes(&count);
    Array<QoGlfwVideoMode*> result(count);
    for (int i = 0; i < count; ++i) {
        auto* mode = new QoGlfwVideoMode;
        mode->width = modes[i].width;
        mode->height = modes[i].height;
        mode->red = modes[i].redBits;
        mode->green = modes[i].greenBits;
        mode->blue = modes[i].blueBits;
        result[i] = mode;
    }
    return result;
}

// ---- callbacks ---------------------------------------------------------------------------

void QoGlfwGame::OnKey(int glfwKey, int action, int mods) {
    // Alt+Enter is the desktop's own full-screen switch: the Enter pressed with Alt reaches
    // the game as F11 until it is released, whatever happens to Alt meanwhile.
    if (glfwKey == GLFW_KEY_ENTER || glfwKey == GLFW_KEY_KP_ENTER) {
        if (action == GLFW_PRESS) _altEnter = (mods & GLFW_MOD_ALT) != 0;
        if (_altEnter) glfwKey = GLFW_KEY_F11;
        if (action == GLFW_RELEASE) _altEnter = false;
    }
    int code = qoTransGlfwKey(glfwKey);
    if (code == 0) return;
    if (action == GLFW_RELEASE) {
        KeyEvent(kEventKeyUp, code);
        return;
    }
    // GLFW_REPEAT counts as a press: the device ignores it, but its character repeats.
    KeyEvent(kEventKeyDown, code);
    if (int character = keys::KeyToChar(code)) KeyEvent(kEventKeyChar, character);
}

void QoGlfwGame::OnChar(unsigned int character) {
    KeyEvent(kEventKeyChar, static_cast<int>(character));
}

void QoGlfwGame::OnMouseButton(int button, int action) {
    if (button < 0 || button > 2) return;
    double x = 0, y = 0;
    if (_window) glfwGetCursorPos(_window, &x, &y);
    auto fx = static_cast<float>(static_cast<int>(x));
    auto fy = static_cast<float>(static_cast<int>(y));
    MouseEvent(action == GLFW_RELEASE ? kEventMouseUp : kEventMouseDown, button, fx, fy);
}

void QoGlfwGame::OnMousePos(double x, double y) {
    MouseEvent(kEventMouseMove, -1, static_cast<float>(static_cast<int>(x)),
               static_cast<float>(static_cast<int>(y)));
}

void QoGlfwGame::OnWindowClose() {
    KeyEvent(kEventKeyDown, keys::kClose);
    KeyEvent(kEventKeyUp, keys::kClose);
}

// ---- joysticks ---------------------------------------------------------------------------

bool QoGlfwGame::PollJoystick(int port, Array<float> joyx, Array<float> joyy, Array<float> joyz,
                              Array<bool> buttons) {
    if (port < 0 || port >= kJoystickPorts) return false;
    if (port == 0) {
        // Ports follow the present joysticks in slot order, rebuilt once per update.
        int next = 0;
        for (int slot = 0; slot < kGlfwJoysticks && next < kJoystickPorts; ++slot) {
            if (_joysticks->Present(slot)) _joystickPorts[next++] = slot;
        }
        while (next < kJoystickPorts) _joystickPorts[next++] = -1;
    }
    int slot = _joystickPorts[port];
    if (slot < 0) return false;

    JoystickOutputs out;
    GamepadState pad;
    if (_joysticks->Gamepad(slot, &pad)) {
        RawPad raw = GamepadAsLayoutX(pad);
        out = MapJoystick(raw.axes, 5, raw.buttons, 14);
    } else {
        int axisCount = 0, buttonCount = 0;
        const float* axes = _joysticks->Axes(slot, &axisCount);
        const unsigned char* raw = _joysticks->Buttons(slot, &buttonCount);
        out = MapJoystick(axes, axisCount, raw, buttonCount);
    }

    Array<float>* sticks[3] = {&joyx, &joyy, &joyz};
    for (int i = 0; i < 6; ++i) {
        Array<float>& target = *sticks[i % 3];
        if (i / 3 < target.Length()) target[i / 3] = out.axes[i];
    }
    for (int b = 0; b < buttons.Length() && b < 32; ++b) buttons[b] = out.buttons[b];
    return true;
}

// ---- paths and loaders -------------------------------------------------------------------

const String& QoGlfwGame::BaseDir() {
    if (_baseDir.Length() == 0) {
        String exe = qoExecutablePath().Replace(String("\\"), String("/"));
        int slash = exe.FindLast(String("/"));
        // Without a directory in the path, files are looked for beside the current one.
        _baseDir = slash >= 0 ? exe.Slice(0, slash) : String(".");
    }
    return _baseDir;
}

String QoGlfwGame::PathToFilePath(String path) {
    const String& base = BaseDir();
    if (!path.StartsWith(String("kavoro:"))) return path;
    if (path.StartsWith(String("kavoro://data/"))) return base + String("/data/") + path.Slice(14);
    if (path.StartsWith(String("kavoro://internal/"))) {
        if (_internalDir.Length() == 0) _internalDir = base + String("/internal");
        return _internalDir + String("/") + path.Slice(18);
    }
    if (path.StartsWith(String("kavoro://external/")))
        return base + String("/external/") + path.Slice(18);
    return String();
}

unsigned char* QoGlfwGame::LoadImageData(String path, int* width, int* height, int* depth) {
    String filePath = PathToFilePath(path);
    if (!qoImageDataLoader || filePath.Length() == 0) return nullptr;
    unsigned char* pixels = qoImageDataLoader(filePath, width, height, depth);
    if (!pixels) ReportUnloadable(filePath);
    return pixels;
}

unsigned char* QoGlfwGame::LoadAudioData(String path, int* length, int* channels, int* format,
                                         int* hertz) {
    String filePath = PathToFilePath(path);
    if (!qoAudioDataLoader || filePath.Length() == 0) return nullptr;
    unsigned char* samples = qoAudioDataLoader(filePath, length, channels, format, hertz);
    if (!samples) ReportUnloadable(filePath);
    return samples;
}

void QoGlfwGame::ReportUnloadable(const String& filePath) {
    qoReportUnloadableFile(qoEncodePath(filePath));
}

std::string QoGlfwGame::DataFolderProblem() {
    const std::vector<std::string>& required = qo_data_Required();
    if (required.empty()) return "";
    std::string folder = qoEncodePath(BaseDir()) + "/data";
    std::string problem;
    int error = qoFolderError(folder);
    if (error != 0) {
        problem = "it found no data folder at " + qoAbsolutePath(folder) + " (" +
                  std::strerror(error) + ")";
    }
    for (size_t i = 0; i < required.size() && problem.empty(); ++i) {
        std::string why = qoRegularFileProblem(folder + "/" + required[i]);
        if (!why.empty()) {
            problem = "its data folder " + qoAbsolutePath(folder) + " has no usable " +
                      required[i] + " (" + why + ")";
        }
    }
    if (problem.empty()) return problem;
    return std::string(qoGlfwWindowTitle) + " cannot start: " + problem + ".\n" + qoMendInstall +
           "\n";
}

// ---- the frame loop ----------------------------------------------------------------------

bool QoGlfwGame::WindowOpen() {
    return _window != nullptr;
}

void QoGlfwGame::SwapBuffers() {
    if (_window) glfwSwapBuffers(_window);
}

void QoGlfwGame::PollEvents() {
    glfwPollEvents();
}
void QoGlfwGame::WaitEvents() {
    glfwWaitEvents();
}

bool QoGlfwGame::EndApp() {
    if (_ending) return true;
    if (!WindowOpen() || !qoSavesPending()) return false;
    _ending = true;
    _endBy = _clock->Now() + kQuitWaitSeconds;
    return true;
}

bool QoGlfwGame::RunFrame() {
    if (!WindowOpen()) return false;
    RenderGame();
    SwapBuffers();
    if (_ending) {
        EndingFrame();
        return true;
    }

    PaceFrame();

    // Losing focus (iconifying included) suspends; either change re-anchors the schedule.
    bool active = WindowActive();
    if (active && _suspended) {
        ResumeGame();
        _nextUpdate = 0;
    } else if (!active && !_suspended) {
        SuspendGame();
        _nextUpdate = 0;
    }

    if (!_suspended) RunDueUpdates();
    return true;
}

void QoGlfwGame::EndingFrame() {
    // Paced as updates are, though none runs; the window goes on answering meanwhile.
    _nextUpdate = _clock->Now() + 1.0 / 60;
    PaceFrame();
    bool late = _clock->Now() >= _endBy;
    if (qoSavesPending() && !late) return;
    // Whatever still waits for another copy's lock is left pending for the next run.
    if (late) qoGiveUpLockWaits();
    qoError(String());
}

void QoGlfwGame::RunDueUpdates() {
    if (_updateRate == 0) {
        UpdateGame();
        return;
    }
    if (_nextUpdate == 0) _nextUpdate = _clock->Now();
    for (int i = 0; i < kMaxCatchUpUpdates; ++i) {
        UpdateGame();
        if (_nextUpdate == 0) return;  // the update changed the rate
        _nextUpdate += _updatePeriod;
        if (_nextUpdate > _clock->Now()) return;
    }
    // Still behind: drop the lost time and restart the schedule at the next update.
    _nextUpdate = 0;
}
