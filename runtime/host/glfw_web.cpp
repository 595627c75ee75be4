// The browser backend of the GLFW host: Emscripten's GLFW on the page's canvas, which
// keeps one WebGL context for the whole run. The animation frame drives RunFrame, so the
// loop never sleeps or blocks; the due updates keep the game's rate. The page decides the
// canvas size (the page's size, or the screen's in full screen, once the art for that size
// has arrived) and grants full screen, which browsers allow only after a key or a click.
#include <GLFW/glfw3.h>
#include <emscripten.h>

#include <string>

#include "input/joystick_layout.h"
#include "runtime/host/glfw_backend.h"
#include "runtime/host/glfw_game.h"

const char* const qoGlfwWindowTitle = "Tessory";

namespace {

// The size the page wants the canvas to have now.
EM_JS(void, WebWantedCanvasSize, (int* width, int* height), {
    var size = Module["tessoryCanvasSize"] ? Module["tessoryCanvasSize"]() : [640, 480];
    HEAP32[width >> 2] = size[0];
    HEAP32[height >> 2] = size[1];
});

// Resizes the drawing buffer and tells Emscripten's GLFW, whose window size is the
// game's device size. (glfwSetWindowSize would ask for full screen at the screen's size.)
EM_JS(void, WebSetCanvasSize, (int width, int height), {
    var canvas = Module["canvas"];
    canvas.width = width;
    canvas.height = height;
    if (GLFW.active) {
        GLFW.active.width = width;
        GLFW.active.height = height;
    }
});

EM_JS(void, WebAskFullscreen, (int on), {
    if (Module["tessoryFullscreen"]) Module["tessoryFullscreen"](!!on);
});

EM_JS(int, WebPageVisible, (), { return document.hidden ? 0 : 1; });
EM_JS(int, WebScreenWidth, (), { return screen.width; });
EM_JS(int, WebScreenHeight, (), { return screen.height; });

void Frame(void* host) { static_cast<QoGlfwGame*>(host)->RunFrame(); }

}  // namespace

const GLFWvidmode* qoGlfwDesktopVideoMode() {
    static GLFWvidmode screen;
    screen.width = WebScreenWidth();
    screen.height = WebScreenHeight();
    screen.redBits = screen.greenBits = screen.blueBits = 8;
    screen.refreshRate = 60;
    return &screen;
}

// The page's packages are built with the program, so its data folder is complete.
std::string qoGlfwDataProblem(QoGlfwGame&) { return ""; }

bool QoJoystickSource::Gamepad(int slot, GamepadState* pad) {
    int axisCount = 0, buttonCount = 0;
    const float* axes = glfwGetJoystickAxes(slot, &axisCount);
    const unsigned char* buttons = glfwGetJoystickButtons(slot, &buttonCount);
    return StandardGamepadAsState(axes, axisCount, buttons, buttonCount, pad);
}

void QoGlfwGame::SetGlfwWindow(int width, int height, int red, int green, int blue, int alpha, int depth,
                               int stencil, bool fullscreen) {
    ReleaseHeldKeys();
    if (!_window) {
        // No alpha: the page composites the canvas as the desktop shows a window.
        qoGlfwBufferHints(red, green, blue, alpha, depth, stencil);
        _window = glfwCreateWindow(width, height, qoGlfwWindowTitle, nullptr, nullptr);
        glfwGraphicsSeq += 1;
        if (!_window) return;
        glfwMakeContextCurrent(_window);
        RegisterCallbacks();
    }
    // The canvas follows in PaceFrame once the page has (or has not) gone full screen.
    WebAskFullscreen(fullscreen ? 1 : 0);
}

// Browsers have no mapping database to add to; pads come with the standard mapping.
bool QoGlfwGame::LoadGamepadMappings() { return false; }

// A hidden tab gets no animation frames; it counts as a window that lost focus.
bool QoGlfwGame::WindowActive() { return _window && WebPageVisible(); }

void QoGlfwGame::PaceFrame() {
    PollEvents();
    int width = 0, height = 0;
    WebWantedCanvasSize(&width, &height);
    if (_window && width > 0 && height > 0 && (width != GetDeviceWidth() || height != GetDeviceHeight())) {
        WebSetCanvasSize(width, height);
    }
}

void QoGlfwGame::Run() {
    SetGlfwWindow(640, 480, 8, 8, 8, 0, 0, 0, false);
    StartGame();
    // 0: at the browser's animation frame rate. Does not return.
    emscripten_set_main_loop_arg(Frame, this, 0, true);
}
