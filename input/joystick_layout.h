// Turns a joystick's raw axes and buttons into the runtime's fixed layout: two sticks
// (x, y, z each) and 32 buttons. A 14-button, 5-axis pad uses layout X; every other
// device uses layout G, which reads the triggers from buttons 6 and 7.
#pragma once

constexpr int kJoyRawAxes = 6;
constexpr int kJoyRawButtons = 32;

struct JoystickOutputs {
    float axes[6];  // joyx[0], joyy[0], joyz[0], joyx[1], joyy[1], joyz[1]
    bool buttons[32];
};

// `axisCount` and `buttonCount` are what the device reports, clamped to the raw sizes;
// entries past them read as 0 / released.
JoystickOutputs MapJoystick(const float* axes, int axisCount, const unsigned char* buttons, int buttonCount);
