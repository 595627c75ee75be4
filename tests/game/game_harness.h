// GameHarness: the real c_MyApp (or a test subclass that adds a screen) driven by the
// real host's frame loop (QoGlfwGame::RunFrame) on a fake clock, in a window of the
// chosen size on the test display, with input scripted per update. Each update's draw
// list is kept, and any moment's picture can be read back from the renderer.
//
//   GameHarness h({1920, 1080});
//   if (!h.Ready()) GTEST_SKIP() << h.Why();
//   auto* app = h.Start(new MyScreen);            // m_new, then the host starts the game
//   h.At(3, [&] { h.KeyDown(keys::kSpace); });     // delivered just before update 3
//   h.RunUpdates(10);                              // frames until 10 more updates ran
//   const std::vector<float>& list = h.DrawList(5);  // the list update 5 left, 15 floats a record
//   GameHarness::Shot shot = h.Screenshot();       // renders the latest list, reads it back
//   shot.Save(h.ShotPath("menu.png"));
//
// A per-screen test starts the real game instead and reaches its screen as a player
// would: h.StartMenu() runs the loader until the menu is up, h.EnterGame() starts a game
// from it, and h.After(n, ...) schedules input n updates from the current one.
//
// Updates and renders alternate one to one: the fake clock sleeps exactly to the next
// update. The swap is skipped, so the back buffer keeps the last render (and what an
// opacity below 1 leaves of it). Sound goes to whatever ALSOFT_CONF names (the game
// tests use the null backend). One harness at a time per process.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "game/my_app.h"
#include "tests/game/game_host.h"
#include "tests/support/work_dir.h"

struct GLFWwindow;

class GameHarness {
public:
    struct Config {
        int width = 640;
        int height = 480;
        // Pictures and sounds decoded once for all test programs (see game_harness.cpp);
        // false: as the game decodes them, on its workers ahead of the loader.
        bool cachedDecodes = true;
    };

    struct Rgb {
        int r, g, b;
    };
    struct Shot {
        int width = 0, height = 0;
        std::vector<uint32_t> argb;  // row 0 at the top
        Rgb Pixel(int x, int y) const;
        bool Save(const std::string& path) const;
    };

    // `host` replaces the scripted host (one that records window changes, say).
    explicit GameHarness(Config config, std::unique_ptr<GameHost> host = nullptr);
    ~GameHarness();
    GameHarness(const GameHarness&) = delete;
    GameHarness& operator=(const GameHarness&) = delete;

    // False (with the reason) when there is no display or no window could be made.
    bool Ready() const { return window_ != nullptr; }
    const std::string& Why() const { return why_; }

    // Constructs the application (m_new) and starts the game through the host, which
    // creates the input device and calls p_OnCreate.
    template <class App>
    App* Start(App* fresh) {
        fresh->m_new();
        StartHost(fresh);
        return fresh;
    }

    // The real game, started, with its loader run until the menu is up (mode 1, nothing
    // left to load): the next update is the menu's first.
    c_MyApp* StartMenu();
    // From the menu, the action key starts a game of the wheel's size; returns once the
    // dispatcher has loaded it and plays it (mode 10).
    void EnterGame();

    // Runs `action` just before update `update` (1 = the first update after Start).
    void At(int update, std::function<void()> action);
    // Runs `action` just before the n-th update from now.
    void After(int n, std::function<void()> action) { At(updates_ + n, std::move(action)); }
    void RunUpdates(int count);
    int Updates() const { return updates_; }

    // The draw list left by update `update`, or empty when no such update ran.
    const std::vector<float>& DrawList(int update) const;
    // Where update `update` first drew frame `frame` of image `slot`, in virtual units;
    // nothing when it did not draw it.
    struct Spot {
        float x, y;
    };
    std::optional<Spot> Drawn(int update, int slot, int frame) const;
    // One more render of the latest list, read back.
    Shot Screenshot();
    // Where screenshots go: $TESSORY_SHOT_DIR (made if missing), else the temp folder.
    static std::string ShotPath(const std::string& name);

    // Input through the host's event entry points, as the window system delivers it.
    void KeyDown(int code);
    void KeyUp(int code);
    void Char(int character);
    void MouseMove(float x, float y);
    void MouseDown(float x, float y);
    void MouseUp(float x, float y);
    // Joystick `port`: the first stick at (x, y) and pad buttons 0-7 down as listed.
    void Joystick(int port, float x, float y, std::vector<int> buttonsDown = {});

    GameHost& host() { return *host_; }
    c_MyApp* app() const { return app_; }

private:
    void StartHost(c_MyApp* app);

    ScopedWorkDir workDir_{"tessory_harness_"};  // first: every run starts without a state file
    Config config_;
    std::string why_;
    GLFWwindow* window_ = nullptr;
    std::unique_ptr<GameHost> host_;
    c_MyApp* app_ = nullptr;
    int updates_ = 0;
    std::multimap<int, std::function<void()>> actions_;
    std::map<int, std::vector<float>> lists_;
};
