// The input device between updates: held keys, hits per update, the one pointer of
// mouse and finger 0, the character queue and the bounds of every query.
#include "input/input_device.h"

#include <gtest/gtest.h>

#include "input/key_codes.h"

namespace {

class InputDevice : public ::testing::Test {
protected:
    c_InputDevice* device = nullptr;

    void SetUp() override {
        device = qo_input_NewDevice();
        qo_input_SetInputDevice(device);
    }
    void TearDown() override { qo_input_SetInputDevice(nullptr); }
    // One update as the delegate runs it, minus the application.
    void EndUpdate() { device->p_EndUpdate(); }
};

TEST_F(InputDevice, HeldKeyHitsOnceThenStaysDown) {
    device->p_KeyEvent(1, 65);
    EXPECT_EQ(qo_input_KeyHit(65), 1);
    EXPECT_TRUE(qo_input_KeyDown(65));
    EndUpdate();
    device->p_KeyEvent(1, 65);  // auto-repeat
    EXPECT_EQ(qo_input_KeyHit(65), 0);
    EXPECT_TRUE(qo_input_KeyDown(65));
    EndUpdate();
    EXPECT_EQ(qo_input_KeyHit(65), 0);
    EXPECT_TRUE(qo_input_KeyDown(65));
}

TEST_F(InputDevice, PressAndReleaseBetweenUpdatesStillCountsAsAHit) {
    device->p_KeyEvent(1, 32);
    device->p_KeyEvent(2, 32);
    EXPECT_EQ(qo_input_KeyHit(32), 1);
    EXPECT_FALSE(qo_input_KeyDown(32));
}

TEST_F(InputDevice, TwoPressesInOneUpdateCountTwice) {
    device->p_KeyEvent(1, 13);
    device->p_KeyEvent(2, 13);
    device->p_KeyEvent(1, 13);
    EXPECT_EQ(qo_input_KeyHit(13), 2);
    EndUpdate();
    EXPECT_EQ(qo_input_KeyHit(13), 0);
}

TEST_F(InputDevice, LeftButtonAndFingerZeroAreOnePointer) {
    device->p_MouseEvent(4, 0, 120, 45);
    EXPECT_EQ(qo_input_KeyHit(1), 1);
    EXPECT_EQ(qo_input_MouseHit(0), 1);
    EXPECT_TRUE(qo_input_TouchDown(0));
    EXPECT_EQ(qo_input_KeyHit(384), 1);
    EXPECT_EQ(qo_input_TouchX(0), 120);
    EXPECT_EQ(qo_input_MouseY(), 45);

    device->p_MouseEvent(6, -1, 300, 200);
    EXPECT_EQ(qo_input_TouchX(0), 300);
    EXPECT_EQ(qo_input_TouchY(0), 200);

    device->p_MouseEvent(5, 0, 0, 0);
    EXPECT_FALSE(qo_input_TouchDown(0));
    EXPECT_FALSE(qo_input_MouseDown(0));
    EXPECT_EQ(qo_input_MouseX(), 300) << "a release does not move the pointer";
}

TEST_F(InputDevice, FingerZeroMovesTheMouseButOtherFingersDoNot) {
    device->p_TouchEvent(7, 0, 10, 20);
    EXPECT_TRUE(qo_input_MouseDown(0));
    EXPECT_EQ(qo_input_MouseX(), 10);
    device->p_TouchEvent(7, 3, 50, 60);
    EXPECT_TRUE(qo_input_TouchDown(3));
    EXPECT_EQ(qo_input_TouchX(3), 50);
    EXPECT_EQ(qo_input_MouseX(), 10);
    device->p_TouchEvent(8, 0, 0, 0);
    EXPECT_FALSE(qo_input_MouseDown(0));
}

TEST_F(InputDevice, ThirtyFourthPressInOneUpdateIsNotCountedButIsHeld) {
    for (int code = 200; code < 233; ++code) device->p_KeyEvent(1, code);
    device->p_KeyEvent(1, 65);
    EXPECT_EQ(qo_input_KeyHit(232), 1);
    EXPECT_EQ(qo_input_KeyHit(65), 0);
    EXPECT_TRUE(qo_input_KeyDown(65));
    EndUpdate();
    for (int code = 200; code < 233; ++code) EXPECT_EQ(device->m__keyHit[code], 0);
    device->p_KeyEvent(2, 66);
    device->p_KeyEvent(1, 66);
    EXPECT_EQ(qo_input_KeyHit(66), 1) << "the queue is empty again after the update";
}

TEST_F(InputDevice, CharactersQueueInOrderUpToThirtyTwoPerUpdate) {
    for (int i = 0; i < 40; ++i) device->p_KeyEvent(3, 'a' + (i % 26));
    for (int i = 0; i < 32; ++i) EXPECT_EQ(qo_input_GetChar(), 'a' + (i % 26));
    EXPECT_EQ(qo_input_GetChar(), 0);
    EndUpdate();
    EXPECT_EQ(qo_input_GetChar(), 0);
    device->p_KeyEvent(3, 'z');
    EXPECT_EQ(qo_input_GetChar(), 'z');
}

TEST_F(InputDevice, OutOfRangeQueriesAnswerNothing) {
    EXPECT_EQ(qo_input_KeyHit(0), 0);
    EXPECT_EQ(qo_input_KeyHit(512), 0);
    EXPECT_EQ(qo_input_KeyHit(-5), 0);
    EXPECT_FALSE(qo_input_KeyDown(512));
    EXPECT_EQ(qo_input_MouseHit(511), 0);
    EXPECT_FALSE(qo_input_TouchDown(128));
    EXPECT_EQ(qo_input_TouchX(32), 0);
    EXPECT_EQ(qo_input_TouchX(-1), 0);
    EXPECT_EQ(qo_input_JoyX(0, 4), 0);
    EXPECT_EQ(qo_input_JoyY(2, 0), 0);
    EXPECT_FALSE(qo_input_JoyDown(0, 8));  // code 512
}

TEST_F(InputDevice, OutOfRangeEventsAreIgnoredInsteadOfWrittenPastTheArrays) {
    device->p_KeyEvent(1, 600);
    device->p_KeyEvent(1, -3);
    device->p_TouchEvent(7, 40, 1, 1);
    device->p_TouchEvent(9, -1, 1, 1);
    EXPECT_EQ(device->m__keyHitPut, 0);
}

TEST_F(InputDevice, JoystickButtonsShareTheKeyCodeSpace) {
    device->p_KeyEvent(1, 256 + 32 * 2 + 5);
    EXPECT_EQ(qo_input_JoyHit(5, 2), 1);
    EXPECT_TRUE(qo_input_JoyDown(5, 2));
    EXPECT_FALSE(qo_input_JoyDown(5, 1));
}

TEST(KeyToChar, EditingKeysProduceTheirCharacters) {
    EXPECT_EQ(keys::KeyToChar(keys::kDelete), 127);
    EXPECT_EQ(keys::KeyToChar(keys::kLeft), 65573);
    EXPECT_EQ(keys::KeyToChar(keys::kPageUp), 65569);
    EXPECT_EQ(keys::KeyToChar(keys::kDown), 65576);
    EXPECT_EQ(keys::KeyToChar(keys::kInsert), 65581);
    EXPECT_EQ(keys::KeyToChar(keys::kEnter), 13);
    EXPECT_EQ(keys::KeyToChar(keys::kEscape), 27);
    EXPECT_EQ(keys::KeyToChar(65), 0) << "letters come from the character callback";
}

}  // namespace
