// Turns a joystick's raw axes and buttons into the runtime's fixed layout: two sticks
// (x, y, z each) and 32 buttons. A 14-button, 5-axis pad uses layout X; every other
// device uses layout G, which reads the triggers from buttons 6 and 7. A pad that the
// window system knows as a gamepad is first put into layout X's raw shape, so every
// known pad plays like the Xbox-style pad the game was laid out for.
#pragma once

constexpr int kJoyRawAxes = 6;
constexpr int kJoyRawButtons = 32;

struct JoystickOutputs {
    float axes[6];  // joyx[0], joyy[0], joyz[0], joyx[1], joyy[1], joyz[1]
    bool buttons[32];
};

// `axisCount` and `buttonCount` are what the device reports. Up to 6 axes and 32
// buttons are read; axes past the count read 0, and buttons past the count or past the
// 32 read are released.
JoystickOutputs MapJoystick(const float* axes, int axisCount, const unsigned char* buttons,
                            int buttonCount);

// A gamepad in the window system's standard order (GLFW's gamepad state).
struct GamepadState {
    enum Button {
        kA,
        kB,
        kX,
        kY,
        kLeftBumper,
        kRightBumper,
        kBack,
        kStart,
        kGuide,
        kLeftThumb,
        kRightThumb,
        kDpadUp,
        kDpadRight,
        kDpadDown,
        kDpadLeft,
        kButtonCount
    };
    enum Axis { kLeftX, kLeftY, kRightX, kRightY, kLeftTrigger, kRightTrigger, kAxisCount };
    unsigned char buttons[kButtonCount];
    float
        axes[kAxisCount];  // sticks -1..1 with up and left negative; triggers -1 released, 1 pulled
};

// The raw shape of layout X: buttons A, B, X, Y, LB, RB, Back, Start, the two stick
// presses, then the d-pad left, up, right, down; axes left stick x and y (up positive),
// both triggers on one axis (left positive), right stick y (up negative) and x. The signs
// make a stick pushed up read like the up arrow once the layout has turned them.
struct RawPad {
    float axes[5];
    unsigned char buttons[14];
};
RawPad GamepadAsLayoutX(const GamepadState& pad);

// A pad with the browser's "standard" mapping (the Gamepad API, as Emscripten's GLFW
// reports it): 17 buttons A B X Y LB RB LT RT Back Start LS RS Up Down Left Right Guide
// and 4 axes LX LY RX RY. Fills `pad` and answers true for such a pad; false for any
// other shape, which is then read as a plain joystick.
bool StandardGamepadAsState(const float* axes, int axisCount, const unsigned char* buttons,
                            int buttonCount, GamepadState* pad);
