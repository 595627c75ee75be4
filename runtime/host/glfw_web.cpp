// The browser backend of the GLFW host: Emscripten's GLFW on the page's canvas, which
// keeps one WebGL context for the whole run. The animation frame drives RunFrame, so the
// loop never sleeps or blocks; the due updates keep the game's rate. The page decides the
// canvas size (the page's size, or the screen's in full screen, once the art for that size
// has arrived) and grants full screen, which browsers allow only after a key or a click.
// Touches come from the host's own listener: Emscripten's GLFW knows no finger positions
// and would report a touch as a click wherever the mouse last was.
#include <GLFW/glfw3.h>
#include <emscripten.h>

#include <string>

#include "audio/audio_device.h"
#include "input/joystick_layout.h"
#include "input/key_codes.h"
#include "runtime/host/glfw_backend.h"
#include "runtime/host/glfw_game.h"

const char* const qoGlfwWindowTitle = "Tessory";

namespace {

// The size the page wants the canvas to have now.
// JavaScript: the formatter would break its operators.
// clang-format off
EM_JS(void, WebWantedCanvasSize, (int* width, int* height), {
    var size = Module["tessoryCanvasSize"] ? Module["tessoryCanvasSize"]() : [640, 480];
    HEAP32[width >> 2] = size[0];
    HEAP32[height >> 2] = size[1];
});
// clang-format on

// Resizes the drawing buffer and tells Emscripten's GLFW, whose window size is the
// game's device size. (glfwSetWindowSize would ask for full screen at the screen's size.)
// JavaScript: the formatter would break its operators.
// clang-format off
EM_JS(void, WebSetCanvasSize, (int width, int height), {
    var canvas = Module["canvas"];
    canvas.width = width;
    canvas.height = height;
    if (GLFW.active) {
        GLFW.active.width = width;
        GLFW.active.height = height;
    }
});
// clang-format on

// JavaScript: the formatter would break its operators.
// clang-format off
EM_JS(void, WebAskFullscreen, (int on), {
    if (Module["tessoryFullscreen"]) Module["tessoryFullscreen"](!!on);
});
// clang-format on

// The page left full screen by itself (Escape, a gesture) since the last ask; once.
// JavaScript: the formatter would break its operators.
// clang-format off
EM_JS(int, WebFullscreenLeft, (), {
    var left = !!Module["tessoryFullscreenLeft"];
    Module["tessoryFullscreenLeft"] = false;
    return left ? 1 : 0;
});
// clang-format on

// Fingers on the canvas, in canvas pixels, queued until the next frame takes them. The
// browser's own gestures (scrolling, zoom, its menus) and the mouse events it would make
// up from a tap stay off the canvas. The first lift starts the sound, as the first key does
// (browsers let sound start at a lift, not at a touch).
// JavaScript: the formatter would break its operators.
// clang-format off
EM_JS(void, WebListenForTouches, (int fingerCount), {
    var canvas = Module["canvas"];
    var fingers = [];  // slot -> the browser's touch identifier
    var queue = Module["tessoryTouches"] = [];
    function slotOf(id, claim) {
        for (var i = 0; i < fingerCount; i++) if (fingers[i] === id) return i;
        if (!claim) return -1;
        for (i = 0; i < fingerCount; i++) if (fingers[i] === undefined) { fingers[i] = id; return i; }
        return -1;
    }
    function handle(event) {
        if (event.target !== canvas) return;
        event.preventDefault();
        event.stopPropagation();  // Emscripten's GLFW would make a click of it
        var kind = event.type == "touchstart" ? 7 : event.type == "touchmove" ? 9 : 8;
        var rect = canvas.getBoundingClientRect();
        for (var i = 0; i < event.changedTouches.length; i++) {
            var touch = event.changedTouches[i];
            var slot = slotOf(touch.identifier, kind == 7);
            if (slot < 0) continue;
            queue.push([kind, slot, (touch.clientX - rect.left) * canvas.width / rect.width,
                        (touch.clientY - rect.top) * canvas.height / rect.height]);
            if (kind == 8) fingers[slot] = undefined;
        }
        if (kind == 8 && typeof AL == "object" && AL.currentCtx && AL.currentCtx.audioCtx.state == "suspended") {
            AL.currentCtx.audioCtx.resume();
        }
    }
    ["touchstart", "touchmove", "touchend", "touchcancel"].forEach(function (type) {
        window.addEventListener(type, handle, {capture: true, passive: false});
        // clang-format on
    });
    canvas.addEventListener(
        "contextmenu", function(event) { event.preventDefault(); });
});

// The oldest queued finger event; false when there is none.
// JavaScript: the formatter would break its operators.
// clang-format off
EM_JS(int, WebNextTouch, (int* kind, int* finger, float* x, float* y), {
    var next = Module["tessoryTouches"] && Module["tessoryTouches"].shift();
    if (!next) return 0;
    HEAP32[kind >> 2] = next[0];
    HEAP32[finger >> 2] = next[1];
    HEAPF32[x >> 2] = next[2];
    HEAPF32[y >> 2] = next[3];
    return 1;
});
// clang-format on

// JavaScript: the formatter would break its operators.
// clang-format off
EM_JS(int, WebPageVisible, (), { return document.hidden ? 0 : 1; });
EM_JS(int, WebScreenWidth, (), { return screen.width; });
EM_JS(int, WebScreenHeight, (), { return screen.height; });
// clang-format on

// The music decoded ahead takes this much of each frame after the frame is drawn.
constexpr double kMusicDecodePerFrame = 0.004;

void Frame(void* host) {
    static_cast<QoGlfwGame*>(host)->RunFrame();
    if (gxtkAudio::audio) gxtkAudio::audio->AdvanceMusicDecode(kMusicDecodePerFrame);
}

// Whether the game last asked for full screen.
bool gameWantsFullscreen = false;

// The game acts on a pointer that is down during an update, so a finger lifted in the same
// frame it landed (a quick tap) stays down until the next frame, after the game has run
// an update with it.
struct Finger {
    bool landed = false;  // landed during this frame
    bool liftHeld = false;
    float x = 0, y = 0;
};
constexpr int kFingerCount = keys::kBack - keys::kTouch;  // the fingers' key codes
Finger fingers[kFingerCount];
constexpr int kKeyF11 = 122;

void FeedTouches(QoGame& game) {
    for (int i = 0; i < kFingerCount; ++i) {
        Finger& f = fingers[i];
        if (f.liftHeld) game.TouchEvent(kEventTouchUp, i, f.x, f.y);
        f.landed = f.liftHeld = false;
    }
    int kind = 0, finger = 0;
    float x = 0, y = 0;
    while (WebNextTouch(&kind, &finger, &x, &y)) {
        if (finger < 0 || finger >= kFingerCount) continue;
        Finger& f = fingers[finger];
        if (kind == kEventTouchUp && f.landed) {
            f.liftHeld = true;
            f.x = x;
            f.y = y;
            continue;
        }
        if (kind == kEventTouchDown) {
            if (f.liftHeld) {  // down again within the frame: the press goes on
                f.liftHeld = false;
                continue;
            }
            f.landed = true;
        }
        game.TouchEvent(kind, finger, x, y);
    }
}

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
std::string qoGlfwDataProblem(QoGlfwGame&) {
    return "";
}

bool QoJoystickSource::Gamepad(int slot, GamepadState* pad) {
    int axisCount = 0, buttonCount = 0;
    const float* axes = glfwGetJoystickAxes(slot, &axisCount);
    const unsigned char* buttons = glfwGetJoystickButtons(slot, &buttonCount);
    return StandardGamepadAsState(axes, axisCount, buttons, buttonCount, pad);
}

void QoGlfwGame::SetGlfwWindow(int width, int height, int red, int green, int blue, int alpha,
                               int depth, int stencil, bool fullscreen) {
    ReleaseHeldKeys();
    if (!_window) {
        // No alpha: the page composites the canvas as the desktop shows a window.
        qoGlfwBufferHints(red, green, blue, alpha, depth, stencil);
        _window = glfwCreateWindow(width, height, qoGlfwWindowTitle, nullptr, nullptr);
        glfwGraphicsSeq += 1;
        if (!_window) return;
        glfwMakeContextCurrent(_window);
        RegisterCallbacks();
        WebListenForTouches(kFingerCount);
    }
    gameWantsFullscreen = fullscreen;
    // The canvas follows in PaceFrame once the page has (or has not) gone full screen.
    WebAskFullscreen(fullscreen ? 1 : 0);
}

// Browsers have no mapping database to add to; pads come with the standard mapping.
bool QoGlfwGame::LoadGamepadMappings() {
    return false;
}

// A hidden tab gets no animation frames; it counts as a window that lost focus.
bool QoGlfwGame::WindowActive() {
    return _window && WebPageVisible();
}

void QoGlfwGame::PaceFrame() {
    PollEvents();
    FeedTouches(*this);
    if (WebFullscreenLeft() && gameWantsFullscreen) {
        // The game's own switch (F11) follows the page, so its options offer the right thing.
        KeyEvent(kEventKeyDown, kKeyF11);
        KeyEvent(kEventKeyUp, kKeyF11);
    }
    int width = 0, height = 0;
    WebWantedCanvasSize(&width, &height);
    if (_window && width > 0 && height > 0 &&
        (width != GetDeviceWidth() || height != GetDeviceHeight())) {
        WebSetCanvasSize(width, height);
    }
}

void QoGlfwGame::Run() {
    SetGlfwWindow(640, 480, 8, 8, 8, 0, 0, 0, false);
    StartGame();
    // 0: at the browser's animation frame rate. Does not return.
    emscripten_set_main_loop_arg(Frame, this, 0, true);
}
