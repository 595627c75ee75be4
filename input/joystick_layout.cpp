#include "input/joystick_layout.h"

namespace {

enum class Source { kAxis, kNegatedAxis, kButtonAsAxis };

struct AxisSource {
    Source kind;
    int index;
};

struct Layout {
    AxisSource axes[6];
    int buttons[14];  // raw index; negative counts from the end of the reported buttons
};

constexpr Layout kLayoutX = {
    {{Source::kAxis, 0},
     {Source::kAxis, 1},
     {Source::kAxis, 2},
     {Source::kAxis, 4},
     {Source::kNegatedAxis, 3},
     {Source::kNegatedAxis, 2}},
    {0, 1, 2, 3, 4, 5, 6, 7, -4, -3, -2, -1, 8, 9},
};

constexpr Layout kLayoutG = {
    {{Source::kAxis, 0},
     {Source::kAxis, 1},
     {Source::kButtonAsAxis, 6},
     {Source::kAxis, 2},
     {Source::kNegatedAxis, 3},
     {Source::kButtonAsAxis, 7}},
    {1, 2, 0, 3, 4, 5, 8, 9, -4, -3, -2, -1, 10, 11},
};

int Clamp(int value, int high) {
    return value < 0 ? 0 : value > high ? high : value;
}

}  // namespace

JoystickOutputs MapJoystick(const float* axes, int axisCount, const unsigned char* buttons,
                            int buttonCount) {
    int a = Clamp(axes ? axisCount : 0, kJoyRawAxes);
    // B is the count the pad reports: the last four look-ups count back from it even
    // when it exceeds the 32 buttons read, and then read as released.
    int reported = buttons && buttonCount > 0 ? buttonCount : 0;
    int readable = Clamp(reported, kJoyRawButtons);
    auto axis = [&](int i) { return i < a ? axes[i] : 0.0f; };
    auto pressed = [&](int i) {
        if (i < 0) i += reported;
        return i >= 0 && i < readable && buttons[i] != 0;
    };

    const Layout& layout = (reported == 14 && a == 5) ? kLayoutX : kLayoutG;
    JoystickOutputs out{};
    for (int i = 0; i < 6; ++i) {
        const AxisSource& src = layout.axes[i];
        switch (src.kind) {
            case Source::kAxis:
                out.axes[i] = axis(src.index);
                break;
            case Source::kNegatedAxis:
                out.axes[i] = -axis(src.index);
                break;
            case Source::kButtonAsAxis:
                out.axes[i] = pressed(src.index) ? 1.0f : 0.0f;
                break;
        }
    }
    for (int i = 0; i < 14; ++i) out.buttons[i] = pressed(layout.buttons[i]);
    return out;
}

RawPad GamepadAsLayoutX(const GamepadState& pad) {
    using G = GamepadState;
    static constexpr G::Button kOrder[14] = {
        G::kA,           G::kB,      G::kX,         G::kY,         G::kLeftBumper,
        G::kRightBumper, G::kBack,   G::kStart,     G::kLeftThumb, G::kRightThumb,
        G::kDpadLeft,    G::kDpadUp, G::kDpadRight, G::kDpadDown,
    };
    RawPad raw{};
    for (int i = 0; i < 14; ++i) raw.buttons[i] = pad.buttons[kOrder[i]] != 0;
    auto pull = [&](G::Axis trigger) { return (pad.axes[trigger] + 1) / 2; };
    raw.axes[0] = pad.axes[G::kLeftX];
    raw.axes[1] = -pad.axes[G::kLeftY];
    raw.axes[2] = pull(G::kLeftTrigger) - pull(G::kRightTrigger);
    raw.axes[3] = pad.axes[G::kRightY];
    raw.axes[4] = pad.axes[G::kRightX];
    return raw;
}

bool StandardGamepadAsState(const float* axes, int axisCount, const unsigned char* buttons,
                            int buttonCount, GamepadState* pad) {
    using G = GamepadState;
    constexpr int kStandardButtons = 17, kStandardAxes = 4;
    if (!axes || !buttons || axisCount != kStandardAxes || buttonCount != kStandardButtons)
        return false;
    // The standard mapping's button index of each gamepad button, in GLFW's order.
    static constexpr int kFrom[G::kButtonCount] = {0,  1,  2,  3,  4,  5,  8, 9,
                                                   16, 10, 11, 12, 15, 13, 14};
    for (int i = 0; i < G::kButtonCount; ++i) pad->buttons[i] = buttons[kFrom[i]] != 0;
    for (int i = 0; i < kStandardAxes; ++i) pad->axes[i] = axes[i];
    // The triggers are buttons 6 and 7 there, pressed or not.
    pad->axes[G::kLeftTrigger] = buttons[6] ? 1.0f : -1.0f;
    pad->axes[G::kRightTrigger] = buttons[7] ? 1.0f : -1.0f;
    return true;
}
