#include "tools/guide/scripted_game.h"

#include <GLFW/glfw3.h>

#include <cstdlib>
#include <utility>

#include "audio/audio_device.h"
#include "audio/sound.h"
#include "game/my_app.h"
#include "graphics/graphics.h"
#include "runtime/gc/collector.h"

namespace {

// Where the clock starts, in seconds: not 0, which the frame loop reads as "no update
// scheduled yet".
constexpr double kClockStart = 1.0;

}  // namespace

ScriptedGame::ScriptedGame(int width, int height, std::string dataDir)
    : dataDir_(std::move(dataDir)), width_(width), height_(height) {
    if (!std::getenv("DISPLAY")) {
        why_ = "no display to open a window on";
        return;
    }
    static const bool glfwReady = glfwInit() == GLFW_TRUE;
    if (!glfwReady) {
        why_ = "glfwInit failed";
        return;
    }
    // A picture needs no sound, and a run should not play any on the desk it runs at.
    setenv("ALSOFT_DRIVERS", "null", 1);
    clock_.now = kClockStart;
    SetClock(&clock_);

    // The program's own start-up order: collector lists, module globals, roots, the app.
    gc_init1();
    qo_runtime_Init();
    qo_Game_Init();
    gc_init2();
    SetGlfwWindow(width, height, 8, 8, 8, 0, 0, 0, false);
    if (!Window()) {
        why_ = "no window could be made";
        return;
    }
    auto* app = (new c_MyApp)->m_new();
    StartGame();
    app_ = app;
}

ScriptedGame::~ScriptedGame() {
    if (qo_audio_device) qo_audio_device->Shutdown();
}

void ScriptedGame::RunUpdates(int count) {
    const int target = updates_ + count;
    // One update per frame on this clock; the bound only stops a loop that has stalled.
    for (int frames = 0; updates_ < target && frames < 4 * count + 8; ++frames) RunFrame();
}

void ScriptedGame::UpdateGame() {
    QoGlfwGame::UpdateGame();
    ++updates_;
}

void ScriptedGame::KeyDown(int key) {
    KeyEvent(kEventKeyDown, key);
}
void ScriptedGame::KeyUp(int key) {
    KeyEvent(kEventKeyUp, key);
}

void ScriptedGame::Tap(int key) {
    KeyDown(key);
    RunUpdates(2);
    KeyUp(key);
}

bool ScriptedGame::NextUpdateAt(double seconds) {
    const double next = _nextUpdate != 0 ? _nextUpdate : clock_.now;
    if (seconds < next) return false;
    clock_.now += seconds - next;
    if (_nextUpdate != 0) _nextUpdate = seconds;
    return true;
}

std::vector<uint32_t> ScriptedGame::ReadBack() {
    RenderGame();
    Array<int> pixels(width_ * height_);
    qo_graphics_device->ReadPixels(pixels, 0, 0, width_, height_, 0, width_);
    const auto* first = reinterpret_cast<const uint32_t*>(pixels.Data());
    return std::vector<uint32_t>(first, first + pixels.Length());
}

String ScriptedGame::PathToFilePath(String path) {
    String prefix("kavoro://data/");
    if (path.StartsWith(prefix))
        return String(dataDir_.c_str()) + String("/") + path.Slice(prefix.Length());
    return QoGlfwGame::PathToFilePath(path);
}
