// Joysticks through the desktop host: port assignment over GLFW's slots, layouts X and
// G, and joystick buttons as per-update hits, with a scripted joystick source.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "input/input_device.h"
#include "input/joystick_layout.h"
#include "tests/host/fake_host.h"

namespace {

struct Pad {
    std::vector<float> axes;
    std::vector<unsigned char> buttons;
};

class FakeJoysticks : public QoJoystickSource {
public:
    std::map<int, Pad> pads;
    bool Present(int slot) override { return pads.count(slot) != 0; }
    bool Gamepad(int, GamepadState*) override { return false; }  // raw reports only
    const float* Axes(int slot, int* count) override {
        *count = static_cast<int>(pads[slot].axes.size());
        return pads[slot].axes.data();
    }
    const unsigned char* Buttons(int slot, int* count) override {
        *count = static_cast<int>(pads[slot].buttons.size());
        return pads[slot].buttons.data();
    }
};

class PollRecordingHost : public ScriptedHost {
public:
    std::vector<int> polled;
    bool PollJoystick(int port, Array<float> x, Array<float> y, Array<float> z,
                      Array<bool> b) override {
        polled.push_back(port);
        return ScriptedHost::PollJoystick(port, x, y, z, b);
    }
};

Pad LayoutXPad() {
    return {{0.1f, 0.2f, 0.3f, 0.4f, 0.5f}, std::vector<unsigned char>(14, 0)};
}
Pad LayoutGPad() {
    return {{0.1f, 0.2f, 0.3f, 0.4f}, std::vector<unsigned char>(12, 0)};
}

class Joysticks : public ::testing::Test {
protected:
    PollRecordingHost host;
    FakeJoysticks joysticks;
    c_InputDevice* device = qo_input_NewDevice();

    void SetUp() override {
        host.SetJoystickSource(&joysticks);
        qo_input_SetInputDevice(device);
    }
    void TearDown() override { qo_input_SetInputDevice(nullptr); }
    void Update() {
        device->p_BeginUpdate();
        hits.clear();
        for (int b = 0; b < 32; ++b) hits.push_back(qo_input_JoyHit(b, 0));
        device->p_EndUpdate();
    }
    std::vector<int> hits;
};

TEST_F(Joysticks, PortsTakeThePresentSlotsInOrderAndStopAtTheFirstEmptyPort) {
    joysticks.pads[3] = LayoutGPad();
    joysticks.pads[7] = LayoutGPad();
    joysticks.pads[3].axes[0] = -0.5f;
    joysticks.pads[7].axes[0] = 0.75f;
    device->p_BeginUpdate();
    EXPECT_EQ(host.polled, (std::vector<int>{0, 1, 2}));
    EXPECT_FLOAT_EQ(qo_input_JoyX(0, 0), -0.5f);
    EXPECT_FLOAT_EQ(qo_input_JoyX(0, 1), 0.75f);
}

TEST_F(Joysticks, PortsAreReassignedWhenAJoystickGoesAway) {
    joysticks.pads[3] = LayoutGPad();
    joysticks.pads[7] = LayoutGPad();
    joysticks.pads[7].axes[1] = 0.25f;
    device->p_BeginUpdate();
    joysticks.pads.erase(3);
    device->p_BeginUpdate();
    EXPECT_FLOAT_EQ(qo_input_JoyY(0, 0), 0.25f);
}

TEST_F(Joysticks, FourteenButtonFiveAxisPadUsesLayoutX) {
    Pad pad = LayoutXPad();
    pad.buttons[10] = 1;  // B - 4
    pad.buttons[8] = 1;
    joysticks.pads[0] = pad;
    Update();
    EXPECT_FLOAT_EQ(qo_input_JoyX(0, 0), 0.1f);
    EXPECT_FLOAT_EQ(qo_input_JoyY(0, 0), 0.2f);
    EXPECT_FLOAT_EQ(device->m__joyStates[0]->m_joyz[0], 0.3f);
    EXPECT_FLOAT_EQ(qo_input_JoyX(1, 0), 0.5f) << "the fifth axis is the second stick's X";
    EXPECT_FLOAT_EQ(qo_input_JoyY(1, 0), -0.4f);
    EXPECT_FLOAT_EQ(device->m__joyStates[0]->m_joyz[1], -0.3f);
    std::vector<int> expected(32, 0);
    expected[8] = 1;
    expected[12] = 1;
    EXPECT_EQ(hits, expected);
}

TEST_F(Joysticks, OtherPadsUseLayoutGWithTriggersFromButtonsSixAndSeven) {
    Pad pad = LayoutGPad();
    pad.buttons[6] = 1;
    pad.buttons[1] = 1;   // output 0
    pad.buttons[11] = 1;  // B - 1 → output 11
    joysticks.pads[0] = pad;
    Update();
    EXPECT_FLOAT_EQ(qo_input_JoyX(1, 0), 0.3f) << "the second stick's X is axis 2";
    EXPECT_FLOAT_EQ(qo_input_JoyY(1, 0), -0.4f);
    EXPECT_FLOAT_EQ(device->m__joyStates[0]->m_joyz[0], 1.0f);
    EXPECT_FLOAT_EQ(device->m__joyStates[0]->m_joyz[1], 0.0f);
    std::vector<int> expected(32, 0);
    expected[0] = 1;
    expected[11] = 1;
    expected[13] = 1;  // raw 11 again
    EXPECT_EQ(hits, expected);
}

TEST_F(Joysticks, MissingAxesReadZeroAndMissingButtonsReadReleased) {
    joysticks.pads[0] = Pad{{0.9f}, {1, 1}};
    Update();
    EXPECT_FLOAT_EQ(qo_input_JoyY(0, 0), 0.0f);
    EXPECT_FLOAT_EQ(qo_input_JoyX(1, 0), 0.0f);
    std::vector<int> expected(32, 0);
    expected[0] = 1;   // raw 1
    expected[2] = 1;   // raw 0
    expected[10] = 1;  // B - 2 is raw 0
    expected[11] = 1;  // B - 1 is raw 1
    EXPECT_EQ(hits, expected);
}

TEST_F(Joysticks, HeldButtonHitsOnceAndReleasesWithTheDevice) {
    Pad pad = LayoutGPad();
    pad.buttons[3] = 1;
    joysticks.pads[0] = pad;
    Update();
    EXPECT_EQ(hits[3], 1);
    Update();
    EXPECT_EQ(hits[3], 0);
    EXPECT_TRUE(qo_input_JoyDown(3, 0));
    joysticks.pads[0].buttons[3] = 0;
    Update();
    EXPECT_FALSE(qo_input_JoyDown(3, 0));
}

TEST_F(Joysticks, TheLastFourLookUpsCountBackFromTheReportedButtonsEvenPastThirtyTwo) {
    Pad pad = LayoutGPad();
    pad.buttons.assign(40, 0);
    pad.buttons[28] = 1;  // B - 4 only if the count were cut to 32
    pad.buttons[1] = 1;
    joysticks.pads[0] = pad;
    Update();
    std::vector<int> expected(32, 0);
    expected[0] = 1;
    EXPECT_EQ(hits, expected) << "B - 4 is raw 36, beyond the 32 read: released";
}

GamepadState RestingGamepad() {
    GamepadState pad{};
    pad.axes[GamepadState::kLeftTrigger] = pad.axes[GamepadState::kRightTrigger] = -1;
    return pad;
}

TEST(Gamepad, ComesOutInLayoutXsRawOrderWithUpPositiveOnTheLeftStick) {
    GamepadState pad = RestingGamepad();
    pad.buttons[GamepadState::kA] = 1;
    pad.buttons[GamepadState::kDpadUp] = 1;
    pad.buttons[GamepadState::kRightThumb] = 1;
    pad.axes[GamepadState::kLeftX] = 0.25f;
    pad.axes[GamepadState::kLeftY] = -1;  // pushed up
    pad.axes[GamepadState::kRightX] = 0.5f;
    pad.axes[GamepadState::kRightY] = -0.75f;
    pad.axes[GamepadState::kLeftTrigger] = 1;  // pulled
    RawPad raw = GamepadAsLayoutX(pad);
    std::vector<int> buttons(raw.buttons, raw.buttons + 14);
    EXPECT_EQ(buttons, (std::vector<int>{1, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 0}));
    EXPECT_FLOAT_EQ(raw.axes[0], 0.25f);
    EXPECT_FLOAT_EQ(raw.axes[1], 1);
    EXPECT_FLOAT_EQ(raw.axes[2], 1) << "left trigger pulled, right one resting";
    EXPECT_FLOAT_EQ(raw.axes[3], -0.75f);
    EXPECT_FLOAT_EQ(raw.axes[4], 0.5f);
    pad.axes[GamepadState::kRightTrigger] = 1;
    EXPECT_FLOAT_EQ(GamepadAsLayoutX(pad).axes[2], 0) << "both pulled cancel out";
}

TEST(Gamepad, BrowsersStandardMappingFillsTheGamepadStateInGlfwsOrder) {
    // Standard order: A B X Y LB RB LT RT Back Start LS RS Up Down Left Right Guide.
    unsigned char buttons[17] = {};
    for (int pressed : {1, 7, 8, 11, 15, 16})
        buttons[pressed] = 1;  // B, RT, Back, RS, Right, Guide
    const float axes[4] = {0.25f, -1, 0.5f, -0.75f};
    GamepadState pad{};
    ASSERT_TRUE(StandardGamepadAsState(axes, 4, buttons, 17, &pad));
    std::vector<int> got(pad.buttons, pad.buttons + GamepadState::kButtonCount);
    // A B X Y LB RB Back Start Guide LS RS Up Right Down Left
    EXPECT_EQ(got, (std::vector<int>{0, 1, 0, 0, 0, 0, 1, 0, 1, 0, 1, 0, 1, 0, 0}));
    EXPECT_FLOAT_EQ(pad.axes[GamepadState::kLeftY], -1);
    EXPECT_FLOAT_EQ(pad.axes[GamepadState::kRightY], -0.75f);
    EXPECT_FLOAT_EQ(pad.axes[GamepadState::kLeftTrigger], -1) << "released";
    EXPECT_FLOAT_EQ(pad.axes[GamepadState::kRightTrigger], 1) << "pulled";
    EXPECT_FALSE(StandardGamepadAsState(axes, 4, buttons, 16, &pad))
        << "another shape is a plain joystick";
}

}  // namespace
