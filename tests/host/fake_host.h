// A desktop host whose clock, window and event polling are scripted, so the frame loop
// and the application module run deterministically without a display or real time.
#pragma once

#include <functional>
#include <vector>

#include "runtime/host/glfw_game.h"

class FakeClock : public QoClock {
public:
    double now = 1000.0;
    int sleeps = 0;
    double Now() override { return now; }
    void Sleep(double seconds) override {
        ++sleeps;
        now += seconds;
    }
};

class ScriptedHost : public QoGlfwGame {
public:
    FakeClock clock;
    bool open = true;
    bool active = true;
    int width = 640;
    int height = 480;
    int polls = 0;
    int waits = 0;
    std::function<void()> onPoll;  // events delivered by this frame's poll or wait
    Array<QoDisplayMode*> modes;
    QoDisplayMode* desktop = nullptr;

    ScriptedHost() { SetClock(&clock); }

    int GetDeviceWidth() override { return width; }
    int GetDeviceHeight() override { return height; }
    Array<QoDisplayMode*> GetDisplayModes() override { return modes; }
    QoDisplayMode* GetDesktopMode() override { return desktop; }
    double NextUpdate() const { return _nextUpdate; }

protected:
    bool WindowOpen() override { return open; }
    bool WindowActive() override { return active; }
    void SwapBuffers() override {}
    void PollEvents() override {
        ++polls;
        if (onPoll) onPoll();
    }
    void WaitEvents() override {
        ++waits;
        if (onPoll) onPoll();
    }
};

// Counts what the host delivers; `onUpdate` runs inside each update.
class CountingDelegate : public QoGameDelegate {
public:
    int starts = 0, suspends = 0, resumes = 0, updates = 0, renders = 0;
    std::vector<std::pair<int, int>> keys;
    std::function<void()> onUpdate;
    Object* held = nullptr;

    void mark() override { gc_mark_q(held); }
    void StartGame() override { ++starts; }
    void SuspendGame() override { ++suspends; }
    void ResumeGame() override { ++resumes; }
    void UpdateGame() override {
        ++updates;
        if (onUpdate) onUpdate();
    }
    void RenderGame() override { ++renders; }
    void KeyEvent(int event, int data) override { keys.emplace_back(event, data); }
};
