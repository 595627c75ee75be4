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

int Clamp(int value, int high) { return value < 0 ? 0 : value > high ? high : value; }

}  // namespace

JoystickOutputs MapJoystick(const float* axes, int axisCount, const unsigned char* buttons, int buttonCount) {
    int a = Clamp(axes ? axisCount : 0, kJoyRawAxes);
    int b = Clamp(buttons ? buttonCount : 0, kJoyRawButtons);
    auto axis = [&](int i) { return i < a ? axes[i] : 0.0f; };
    auto pressed = [&](int i) {
        if (i < 0) i += b;
        return i >= 0 && i < b && buttons[i] != 0;
    };

    const Layout& layout = (b == 14 && a == 5) ? kLayoutX : kLayoutG;
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
