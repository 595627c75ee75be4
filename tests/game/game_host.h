// The desktop host with its clock, window state, joysticks and event polling scripted,
// and "kavoro://data/" mapped to the build's generated data, so the game runs on it
// deterministically without a real window system or real time.
#pragma once

#include <functional>

#include "input/joystick_layout.h"
#include "runtime/host/glfw_game.h"

class FakeClock : public QoClock {
public:
    double now = 1000.0;
    double Now() override { return now; }
    void Sleep(double seconds) override { now += seconds; }
};

// Four joysticks whose axes and buttons a test sets directly. They report 5 axes and
// 14 buttons, the pad layout whose buttons 0-7 are the runtime's pad buttons 0-7 and
// whose axes 0 and 1 are the first stick's x and y.
// A slot with `gamepad` set is one GLFW's mappings know; it reports `pad` instead.
class FakeJoysticks : public QoJoystickSource {
public:
    bool present[4] = {};
    float axes[4][5] = {};
    unsigned char buttons[4][14] = {};
    bool gamepad[4] = {};
    GamepadState pad[4] = {};

    bool Present(int slot) override { return slot >= 0 && slot < 4 && present[slot]; }
    bool Gamepad(int slot, GamepadState* state) override {
        if (!Present(slot) || !gamepad[slot]) return false;
        *state = pad[slot];
        return true;
    }
    const float* Axes(int slot, int* count) override {
        *count = 5;
        return axes[slot];
    }
    const unsigned char* Buttons(int slot, int* count) override {
        *count = 14;
        return buttons[slot];
    }
};

class GameHost : public QoGlfwGame {
public:
    FakeClock clock;
    FakeJoysticks joysticks;
    int width = 640;
    int height = 480;
    bool open = true;
    bool active = true;
    std::function<void()> onPoll;       // events delivered by this frame's poll
    std::function<void()> afterUpdate;  // runs after each update, inside the frame

    GameHost() {
        SetClock(&clock);
        SetJoystickSource(&joysticks);
    }

    int GetDeviceWidth() override { return width; }
    int GetDeviceHeight() override { return height; }
    Array<QoDisplayMode*> GetDisplayModes() override { return Array<QoDisplayMode*>(); }
    QoDisplayMode* GetDesktopMode() override { return nullptr; }
    String PathToFilePath(String path) override;

    void UpdateGame() override {
        QoGlfwGame::UpdateGame();
        if (afterUpdate) afterUpdate();
    }

protected:
    bool WindowOpen() override { return open; }
    bool WindowActive() override { return active; }
    // The picture stays in the back buffer, where the tests read it.
    void SwapBuffers() override {}
    void PollEvents() override {
        if (onPoll) onPoll();
    }
    void WaitEvents() override {
        if (onPoll) onPoll();
    }
};
