// The game's buttons and steering: the standard, arcade and console layouts, players
// and sticks, the movement vector from drag, stick and keys, and the arcade switch.
#include "input/joystick_layout.h"
#include "input/key_codes.h"
#include "tests/game/game_fixture.h"

namespace {

class Controls : public GameTest {
protected:
    int Pad(int player, int button) { return keys::kJoyButtons + 32 * player + button; }
    void Touch(bool down, int x, int y) {
        app->m_PointerDown = down ? 1 : 0;
        app->m_PointerX = x;
        app->m_PointerY = y;
    }
};

TEST_F(Controls, StandardLayoutAnswersLettersArrowsPadsAndVirtualButtons) {
    KeyDown(87);  // W
    EXPECT_EQ(app->p_PlayKey(0, 0, 0), 1);
    KeyUp(87);
    EXPECT_EQ(app->p_PlayKey(0, 0, 0), 0);
    KeyDown(keys::kUp);
    EXPECT_EQ(app->p_PlayKey(0, 0, 0), 1);
    KeyUp(keys::kUp);
    KeyDown(Pad(0, 9));
    EXPECT_EQ(app->p_PlayKey(0, 0, 0), 1);
    KeyUp(Pad(0, 9));
    app->m_VButton[0] = 2;
    EXPECT_EQ(app->p_PlayKey(0, 0, 0), 1);
}

TEST_F(Controls, ActionButtonsAnswerTheirKeys) {
    KeyDown(keys::kSpace);
    EXPECT_EQ(app->p_PlayKey(10, 0, 0), 1);
    EXPECT_EQ(app->p_PlayKey(11, 0, 0), 0);
    KeyDown(keys::kShift);
    EXPECT_EQ(app->p_PlayKey(12, 0, 0), 1);
    KeyDown(79);  // O
    EXPECT_EQ(app->p_PlayKey(15, 0, 0), 1);
}

TEST_F(Controls, BackButtonsAnswerEscapeBackquoteAndTheirVirtualButtons) {
    KeyDown(192);
    EXPECT_EQ(app->p_PlayKey(99, 0, 0), 1);
    EXPECT_EQ(app->p_PlayKey(98, 0, 0), 1);
    KeyUp(192);
    app->m_VButton[17] = 1;
    EXPECT_EQ(app->p_PlayKey(99, 0, -1), 1);
}

TEST_F(Controls, UnknownButtonIsNeverDown) {
    KeyDown(87);
    app->m_VButton[1] = 2;
    EXPECT_EQ(app->p_PlayKey(1, 1, 0), 0);
    EXPECT_EQ(app->p_PlayKey(42, 1, 0), 0);
}

TEST_F(Controls, ArcadeLayoutIgnoresLettersButNotArrowsOrPads) {
    qo_Game_iCadeControls = 1;
    KeyDown(87);
    EXPECT_EQ(app->p_PlayKey(0, 1, 0), 0);
    KeyDown(keys::kUp);
    EXPECT_EQ(app->p_PlayKey(0, 1, 0), 1);
    KeyUp(keys::kUp);
    KeyDown(Pad(0, 9));
    EXPECT_EQ(app->p_PlayKey(0, 1, 0), 1);
}

TEST_F(Controls, ArcadeLayoutReadsActionButtonsFromPadsAndVirtualButtonsOnly) {
    qo_Game_iCadeControls = 1;
    KeyDown(86);  // V
    EXPECT_EQ(app->p_PlayKey(13, 0, 0), 0);
    app->m_VButton[13] = 2;
    EXPECT_EQ(app->p_PlayKey(13, 0, 0), 1);
    KeyDown(90);  // Z
    EXPECT_EQ(app->p_PlayKey(10, 0, 0), 0);
    KeyDown(keys::kEnter);
    EXPECT_EQ(app->p_PlayKey(10, 0, 0), 1);
    KeyDown(192);
    EXPECT_EQ(app->p_PlayKey(99, 0, 0), 0);
}

TEST_F(Controls, AKnownGamepadsAIsButtonTenAndItsSticksAndDpadUpAreUp) {
    FakeJoysticks& pads = host->joysticks;
    pads.present[0] = pads.gamepad[0] = true;
    GamepadState& pad = pads.pad[0];
    pad.axes[GamepadState::kLeftTrigger] = pad.axes[GamepadState::kRightTrigger] = -1;
    pad.buttons[GamepadState::kA] = 1;
    pad.axes[GamepadState::kLeftY] = -0.8f;
    qo_input_device->p_BeginUpdate();
    EXPECT_EQ(app->p_PlayKey(10, 0, 0), 1);
    EXPECT_EQ(app->p_PlayKey(0, 1, 0), 1);
    EXPECT_EQ(app->p_PlayKey(8, 1, 0), 0);
    pad.axes[GamepadState::kLeftY] = 0;
    pad.buttons[GamepadState::kDpadUp] = 1;
    qo_input_device->p_BeginUpdate();
    EXPECT_EQ(app->p_PlayKey(0, 0, 0), 1);
}

TEST_F(Controls, ArcadeLayoutIgnoresTheStick) {
    qo_Game_iCadeControls = 1;
    SetStick(0, 0, 0.9f);  // p_StickY negates: up
    EXPECT_EQ(app->p_PlayKey(0, 1, 0), 0);
}

TEST_F(Controls, AnyOtherLayoutValueMakesEveryButtonUp) {
    qo_Game_iCadeControls = 2;
    KeyDown(keys::kUp);
    EXPECT_EQ(app->p_PlayKey(0, 0, 0), 0);
}

TEST_F(Controls, StickCountsOnlyWhenAnalogueIsOne) {
    // The reader negates the raw Y: a raw 0.5 reads as -0.5, which is up.
    SetStick(0, 0, 0.5f);
    EXPECT_EQ(app->p_PlayKey(0, 0, 0), 0);
    EXPECT_EQ(app->p_PlayKey(0, 1, 0), 1);
    EXPECT_EQ(app->p_PlayKey(0, 2, 0), 0);
    SetStick(0, 0.3f, 0);
    EXPECT_EQ(app->p_PlayKey(5, 1, 0), 0);
    SetStick(0, 0.5f, 0);
    EXPECT_EQ(app->p_PlayKey(5, 1, 0), 1);
}

TEST_F(Controls, PlayerMinusOneReadsNoJoystick) {
    KeyDown(Pad(0, 0));
    SetStick(0, 0, 0.9f);
    EXPECT_EQ(app->p_PlayKey(10, 1, 0), 1);
    EXPECT_EQ(app->p_PlayKey(10, 1, -1), 0);
    EXPECT_EQ(app->p_PlayKey(0, 1, -1), 0);
    KeyDown(keys::kEnter);
    EXPECT_EQ(app->p_PlayKey(10, 1, -1), 1);
}

TEST_F(Controls, PlayerMinusTwoIsAlwaysUp) {
    KeyDown(keys::kEnter);
    app->m_VButton[10] = 2;
    EXPECT_EQ(app->p_PlayKey(10, 1, -2), 0);
}

TEST_F(Controls, EachPlayerReadsItsOwnPad) {
    KeyDown(Pad(2, 0));
    EXPECT_EQ(app->p_PlayKey(10, 0, 2), 1);
    EXPECT_EQ(app->p_PlayKey(10, 0, 1), 0);
}

TEST_F(Controls, PlayKeyAllCountsOneKeyForEveryPlayer) {
    KeyDown(keys::kEscape);
    EXPECT_EQ(app->p_PlayKeyAll(99, 0), 4);
    KeyUp(keys::kEscape);
    KeyDown(Pad(3, 6));
    EXPECT_EQ(app->p_PlayKeyAll(99, 0), 1);
}

TEST_F(Controls, ConsoleBackAnswersEscapeVirtualNineteenAndPadSixOnly) {
    qo_Game_isOuya = 1;
    KeyDown(192);
    EXPECT_EQ(app->p_PlayKey(99, 0, 0), 0);
    KeyDown(Pad(0, 7));
    EXPECT_EQ(app->p_PlayKey(98, 0, 0), 0);
    EXPECT_EQ(app->p_PlayKey(99, 0, 0), 1);
    KeyUp(Pad(0, 7));
    app->m_VButton[19] = 1;
    EXPECT_EQ(app->p_PlayKey(98, 0, 0), 1);
    qo_Game_isOuya = 2;
    EXPECT_EQ(app->p_PlayKey(98, 0, 0), 0);
}

TEST_F(Controls, StickYIsNegatedUnlessTheSettingPassesItThrough) {
    SetStick(0, 0.25f, 0.75f);
    EXPECT_FLOAT_EQ(app->p_StickX(0, 0), 0.25f);
    EXPECT_FLOAT_EQ(app->p_StickY(0, 0), -0.75f);
    app->m_Settings[15] = 1;
    EXPECT_FLOAT_EQ(app->p_StickY(0, 0), 0.75f);
    EXPECT_FLOAT_EQ(app->p_StickX(0, -1), 0);
    EXPECT_FLOAT_EQ(app->p_StickY(0, -1), 0);
}

TEST_F(Controls, JoystickYReachesTheMoveVectorNegatedOrByTheSetting) {
    SetStick(0, 0, 0.6f);
    app->p_AnalogueControl();
    EXPECT_FLOAT_EQ(app->m_MoveY, -0.6f);
    app->m_Settings[15] = 1;
    app->p_AnalogueControl();
    EXPECT_FLOAT_EQ(app->m_MoveY, 0.6f);
}

TEST_F(Controls, SmallStickReadingsAreIgnored) {
    SetStick(0, 0.15f, 0.1f);
    app->p_AnalogueControl();
    EXPECT_EQ(app->m_MoveX, 0);
    EXPECT_EQ(app->m_MoveY, 0);
}

TEST_F(Controls, DragStickAnchorsWhereTheFingerLands) {
    Touch(true, 100, 100);
    app->m_DragX = -1;
    app->p_AnalogueControl();
    EXPECT_EQ(app->m_DragX, 100);
    EXPECT_EQ(app->m_MoveX, 0);
    Touch(true, 130, 100);
    app->p_AnalogueControl();
    EXPECT_FLOAT_EQ(app->m_MoveX, 30.0f / 72.0f);
    EXPECT_EQ(app->m_MoveY, 0);
    EXPECT_EQ(app->m_DragX, 100);  // within 64: the anchor stays
}

TEST_F(Controls, DragAnchorCreepsTowardAFarFinger) {
    app->m_DragX = -1;
    Touch(true, 100, 100);
    app->p_AnalogueControl();
    Touch(true, 200, 100);
    int updates = 0;
    while (app->m_DragX < 136 && updates < 100) {
        app->p_AnalogueControl();
        ++updates;
        EXPECT_EQ(app->m_DragX, 100 + 4 * updates);
    }
    EXPECT_EQ(updates, 9);
    app->p_AnalogueControl();
    EXPECT_EQ(app->m_DragX, 136);  // within 64: no more creeping
    EXPECT_FLOAT_EQ(app->m_MoveX, 64.0f / 72.0f);
}

TEST_F(Controls, ReleasingTheFingerEndsTheDrag) {
    Touch(true, 100, 100);
    app->p_AnalogueControl();
    Touch(false, 100, 100);
    app->p_AnalogueControl();
    EXPECT_EQ(app->m_DragX, -1);
}

TEST_F(Controls, DragDrawsTheAnchorAndTheFinger) {
    app->p_CLS2D(kOmitted, 0, 0, 0);
    Touch(true, 100, 120);
    app->m_DragX = -1;
    app->p_AnalogueControl();
    ASSERT_EQ(Records(), 2);
    EXPECT_EQ(Record(0)[0], kDrawOval);
    EXPECT_EQ(Record(0)[4], 12);
    EXPECT_EQ(Record(1)[4], 8);
    EXPECT_EQ(Record(1)[7], 0.25f);
    EXPECT_EQ(Record(1)[12], 250);
    EXPECT_EQ(app->m_Alpha, 1);  // the state is reset afterwards
}

TEST_F(Controls, HeldKeyEasesInAndReleasedKeyEasesOut) {
    KeyDown(keys::kRight);
    app->p_AnalogueControl();
    EXPECT_FLOAT_EQ(app->m_MoveX, 0.15f);
    app->p_AnalogueControl();
    EXPECT_FLOAT_EQ(app->m_MoveX, 0.3f);
    for (int i = 0; i < 10; ++i) app->p_AnalogueControl();
    EXPECT_FLOAT_EQ(app->m_MoveX, 1.0f);
    EXPECT_FLOAT_EQ(app->m_KeyMoveX, 1.0f);
    KeyUp(keys::kRight);
    app->p_AnalogueControl();
    EXPECT_FLOAT_EQ(app->m_MoveX, 0.8f);
    // 0.8, 0.6, 0.4, 0.2 and a float crumb, then rest.
    for (int i = 0; i < 5; ++i) app->p_AnalogueControl();
    EXPECT_EQ(app->m_KeyMoveX, 0.0f);
    SetStick(0, -0.5f, 0);
    app->p_AnalogueControl();
    EXPECT_FLOAT_EQ(app->m_MoveX, -0.5f);
}

TEST_F(Controls, UpKeyMovesUpward) {
    KeyDown(keys::kUp);
    app->p_AnalogueControl();
    app->p_AnalogueControl();
    EXPECT_FLOAT_EQ(app->m_MoveY, -0.3f);
}

TEST_F(Controls, ArcadeSwitchOnDrainsTheCharacterQueue) {
    qo_input_device->p_KeyEvent(kEventKeyChar, 'w');
    qo_input_device->p_KeyEvent(kEventKeyChar, 'e');
    app->p_iCade(1);
    EXPECT_EQ(qo_Game_iCadeControls, 1);
    EXPECT_TRUE(host->KeyboardEnabled());
    EXPECT_EQ(app->m_LastChar, 0);
    EXPECT_EQ(qo_input_GetChar(), 0);
}

TEST_F(Controls, ArcadeSwitchOffClearsTheVirtualButtons) {
    app->p_iCade(1);
    for (int i = 0; i < 20; ++i) app->m_VButton[i] = 2;
    app->p_iCade(0);
    EXPECT_EQ(qo_Game_iCadeControls, 0);
    EXPECT_FALSE(host->KeyboardEnabled());
    for (int i = 0; i <= 18; ++i) EXPECT_EQ(app->m_VButton[i], 0);
    EXPECT_EQ(app->m_VButton[19], 2);
    app->p_iCade(7);
    EXPECT_EQ(qo_Game_iCadeControls, 0);
}

}  // namespace
