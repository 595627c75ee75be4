// The real game (c_MyApp through the desktop host's own frame loop) in a window on the
// current display, on a clock that moves only when the loop sleeps or the caller moves
// it, with keys pressed between updates. Nothing depends on real time, so a run shows the
// same level, the same stars and the same frames every time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/host/glfw_game.h"

class c_MyApp;

class ScriptedGame : public QoGlfwGame {
public:
    // Opens a width x height window, reads the art from `dataDir` and starts the game.
    // Check Ready() before anything else.
    ScriptedGame(int width, int height, std::string dataDir);
    // Closes the audio device the game opened; OpenAL complains about one left open.
    ~ScriptedGame() override;
    ScriptedGame(const ScriptedGame&) = delete;
    ScriptedGame& operator=(const ScriptedGame&) = delete;

    bool Ready() const { return app_ != nullptr; }
    const std::string& Why() const { return why_; }
    c_MyApp& App() const { return *app_; }

    void RunUpdates(int count);
    // Runs single updates until `done` holds; false if it still does not after `limit`.
    template <class Done>
    bool RunUntil(Done done, int limit) {
        for (int i = 0; i < limit && !done(); ++i) RunUpdates(1);
        return done();
    }
    // Seen by the next update, as if the window system had reported it.
    void KeyDown(int key);
    void KeyUp(int key);
    // A press held for two updates: long enough for the eased key movement to count.
    void Tap(int key);
    // Moves the clock on so that the next update runs when it reads `seconds`, the updates
    // after it as evenly spaced as ever. False if that time has passed.
    bool NextUpdateAt(double seconds);

    // Renders the latest picture again and reads it back: ARGB, top row first.
    std::vector<uint32_t> ReadBack();

    String PathToFilePath(String path) override;
    void UpdateGame() override;

protected:
    // No window manager and no real input: the window counts as focused, and only
    // the script's keys arrive. The picture stays in the back buffer for ReadBack.
    bool WindowActive() override { return true; }
    void SwapBuffers() override {}
    void PollEvents() override {}
    void WaitEvents() override {}

private:
    class StoppedClock : public QoClock {
    public:
        double now = 0;
        double Now() override { return now; }
        void Sleep(double seconds) override {
            if (seconds > 0) now += seconds;
        }
    };

    StoppedClock clock_;
    std::string dataDir_;
    std::string why_;
    int width_, height_;
    int updates_ = 0;
    c_MyApp* app_ = nullptr;
};
