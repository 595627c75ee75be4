// The per-update dispatcher: pointer and touch conversion, the click and key locks,
// the back and debug keys, iCade letters, the update-rate measurement, the overlays'
// slides, the dispatch by mode, and the suspend/resume pause rule. Most tests park the
// game in a mode without a screen (0) so only the dispatcher itself acts.
#include <filesystem>
#include <string>

#include "audio/audio_device.h"
#include "audio/sound.h"
#include "input/input_device.h"
#include "input/key_codes.h"
#include "runtime/platform.h"
#include "tests/game/game_fixture.h"

namespace {

class Dispatcher : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        host->width = 640;
        host->height = 480;
        qo_app_ValidateDeviceWindow(false);
        app->m_Mode = 0;
        app->m_ScaleX = app->m_ScaleY = 1.0f;
        audio = new gxtkAudio;
        qo_audio_SetAudioDevice(audio);
    }
    void TearDown() override {
        audio->Shutdown();
        qo_audio_SetAudioDevice(nullptr);
        GameTest::TearDown();
    }

    // One update as the host runs it.
    void Update() {
        qo_input_device->p_BeginUpdate();
        app->p_OnUpdate();
        qo_input_device->p_EndUpdate();
    }
    void MouseMove(float x, float y) { qo_input_device->p_MouseEvent(kEventMouseMove, 0, x, y); }
    void MouseDown(float x, float y) { qo_input_device->p_MouseEvent(kEventMouseDown, 0, x, y); }
    void MouseUp() { qo_input_device->p_MouseEvent(kEventMouseUp, 0, 0, 0); }
    void Char(int c) { qo_input_device->p_KeyEvent(kEventKeyChar, c); }

    gxtkAudio* audio = nullptr;
};

// ---- pointer and touches -----------------------------------------------------------------

TEST_F(Dispatcher, PressThatStartsThisUpdateDoesNotJump) {
    MouseMove(100, 50);
    Update();
    MouseDown(300, 200);
    Update();
    EXPECT_EQ(app->m_PointerX, 300);
    EXPECT_EQ(app->m_PointerY, 200);
    EXPECT_EQ(app->m_PointerPrevX, 300);
    EXPECT_EQ(app->m_PointerPrevY, 200);
    EXPECT_EQ(app->m_PointerDown, 1);
    EXPECT_EQ(app->m_PointerHits, 1);
    // Dragging on: the previous position trails by one update.
    MouseMove(310, 190);
    Update();
    EXPECT_EQ(app->m_PointerPrevX, 300);
    EXPECT_EQ(app->m_PointerX, 310);
    EXPECT_EQ(app->m_PointerHits, 0);
}

TEST_F(Dispatcher, PointerIsConvertedWithTheScaleAndTheOverscanTruncatingTowardZero) {
    app->m_ScaleX = app->m_ScaleY = 2.0f;
    qo_Game_overscan = 10;
    MouseMove(101, 58);
    Update();
    EXPECT_EQ(app->m_PointerX, 45);  // (101 - 10) / 2 = 45.5
    EXPECT_EQ(app->m_PointerY, 25);  // (58 - 10 x 480 / 640) / 2 = 25.25
    MouseMove(5, 3);
    Update();
    EXPECT_EQ(app->m_PointerX, -2);  // -2.5 truncates toward zero
    EXPECT_EQ(app->m_PointerY, -2);  // -2.25
}

TEST_F(Dispatcher, PointerBeforeTheFirstRenderDoesNotDivideByZero) {
    app->m_ScaleX = app->m_ScaleY = 0;
    MouseMove(123, 45);
    Update();
    EXPECT_EQ(app->m_PointerX, 123);
    EXPECT_EQ(app->m_PointerY, 45);
}

TEST_F(Dispatcher, TouchesFillTheirSlotsAndCountAsPointerDown) {
    app->m_ScaleX = app->m_ScaleY = 2.0f;
    qo_input_device->p_TouchEvent(kEventTouchDown, 3, 40, 60);
    Update();
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(app->m_TouchDown[i], i == 3 ? 1 : 0);
        EXPECT_EQ(app->m_TouchX[i], i == 3 ? 20 : -3717);
        EXPECT_EQ(app->m_TouchY[i], i == 3 ? 30 : -3717);
    }
    EXPECT_EQ(app->m_PointerDown, 1);
    EXPECT_EQ(app->m_PointerWasDown, 0);  // only the left button counts as "was down"
    qo_input_device->p_TouchEvent(kEventTouchUp, 3, 40, 60);
    Update();
    EXPECT_EQ(app->m_TouchDown[3], 0);
    EXPECT_EQ(app->m_TouchX[3], -3717);
    EXPECT_EQ(app->m_PointerDown, 0);
}

TEST_F(Dispatcher, ConsoleIgnoresPointerAndTouchesAndForcesTheJoystickMethod) {
    qo_Game_isOuya = 1;
    app->m_ClickLock = 1;
    MouseDown(50, 50);
    qo_input_device->p_TouchEvent(kEventTouchDown, 1, 40, 60);
    Update();
    EXPECT_EQ(app->m_PointerDown, 0);
    EXPECT_EQ(app->m_PointerWasDown, 0);
    EXPECT_EQ(app->m_ClickLock, 0);
    EXPECT_EQ(app->m_TouchDown[1], 0);
    EXPECT_EQ(app->m_InputMethod, 1);
}

// ---- locks -------------------------------------------------------------------------------

TEST_F(Dispatcher, KeyLockIsReleasedWhenNoGameKeyIsHeldEvenWithThePointerDown) {
    app->m_KeyLock = 1;
    app->m_ClickLock = 1;
    MouseDown(10, 10);
    KeyDown(keys::kSpace);
    Update();
    EXPECT_EQ(app->m_KeyLock, 1);
    KeyUp(keys::kSpace);
    Update();
    EXPECT_EQ(app->m_KeyLock, 0);
    EXPECT_EQ(app->m_ClickLock, 1);
    MouseUp();
    Update();
    EXPECT_EQ(app->m_ClickLock, 0);
}

TEST_F(Dispatcher, HeldStickKeepsTheKeyLock) {
    app->m_KeyLock = 1;
    host->joysticks.present[2] = true;
    host->joysticks.axes[2][0] = 0.9f;  // player 2 pushes right
    Update();
    EXPECT_EQ(app->m_KeyLock, 1);
    host->joysticks.axes[2][0] = 0;
    Update();
    EXPECT_EQ(app->m_KeyLock, 0);
}

TEST_F(Dispatcher, BackKeyClosesTheSidePanelInTheMenuAndArmsBothLocks) {
    app->m_Mode = 1;
    app->m_SidePanelOpen = 1;
    KeyDown(keys::kEscape);
    Update();
    EXPECT_EQ(app->m_SidePanelOpen, 0);
    EXPECT_EQ(app->m_KeyLock, 1);
    EXPECT_EQ(app->m_ClickLock, 1);
}

TEST_F(Dispatcher, BackKeyOutsideTheMenuLeavesTheSidePanel) {
    app->m_Mode = 0;
    app->m_SidePanelOpen = 1;
    KeyDown(keys::kEscape);
    Update();
    EXPECT_EQ(app->m_SidePanelOpen, 1);
    EXPECT_EQ(app->m_KeyLock, 0);
}

TEST_F(Dispatcher, OpenOptionsBoxRearmsBothLocksEveryUpdate) {
    app->m_OptionsOpen = 1;
    for (int i = 0; i < 3; ++i) {
        app->m_KeyLock = 0;
        app->m_ClickLock = 0;
        Update();
        EXPECT_EQ(app->m_KeyLock, 1);
        EXPECT_EQ(app->m_ClickLock, 1);
    }
}

// ---- keys --------------------------------------------------------------------------------

TEST_F(Dispatcher, BackKeyHitBecomesVirtualButton19) {
    KeyDown(keys::kBack);
    Update();
    EXPECT_EQ(app->m_VButton[19], 1);
    Update();
    EXPECT_EQ(app->m_VButton[19], 0);
}

TEST_F(Dispatcher, ConsoleBackIsTheFirstPadsMenuButton) {
    qo_Game_isOuya = 1;
    KeyDown(keys::kBack);
    Update();
    EXPECT_EQ(app->m_VButton[19], 0);
    KeyDown(keys::kJoyButtons + 14);
    Update();
    EXPECT_EQ(app->m_VButton[19], 1);
}

TEST_F(Dispatcher, F1TogglesTheDebugModeAndF2TheOverlay) {
    KeyDown(112);
    Update();
    EXPECT_EQ(qo_Game_DebugMode, 1);
    KeyUp(112);
    KeyDown(113);
    Update();
    EXPECT_EQ(qo_Game_DebugMode, 1);
    EXPECT_EQ(app->m_HideOverlay, 1);
    KeyUp(113);
    KeyDown(112);
    KeyDown(113);
    Update();
    EXPECT_EQ(qo_Game_DebugMode, 0);
    EXPECT_EQ(app->m_HideOverlay, 0);
}

TEST_F(Dispatcher, F4EndsTheProgramAtOnceWithStatusZeroAndNothingSaved) {
    EXPECT_EXIT(
        {
            KeyDown(115);
            Update();
            std::exit(3);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_FALSE(std::filesystem::exists(".kavorostate"));
}

TEST_F(Dispatcher, WindowCloseEndsTheProgramWithStatusZero) {
    EXPECT_EXIT(
        {
            KeyDown(keys::kClose);
            Update();
            std::exit(3);
        },
        ::testing::ExitedWithCode(0), "");
}

// ---- iCade -------------------------------------------------------------------------------

TEST_F(Dispatcher, ICadeLettersPressAndReleaseInEitherCase) {
    qo_Game_iCadeControls = 1;
    Char('w');
    Char('X');
    Char('h');
    Update();
    EXPECT_EQ(app->m_VButton[0], 2);
    EXPECT_EQ(app->m_VButton[8], 2);
    EXPECT_EQ(app->m_VButton[10], 2);
    EXPECT_EQ(app->m_LastChar, 'h');
    EXPECT_EQ(app->p_PlayKey(10, 0, 0), 1);
    Char('E');
    Char('z');
    Update();
    EXPECT_EQ(app->m_VButton[0], 0);
    EXPECT_EQ(app->m_VButton[8], 0);
    EXPECT_EQ(app->m_VButton[10], 2);
}

TEST_F(Dispatcher, ICadeReleaseLetterClearsAButtonNeverPressed) {
    qo_Game_iCadeControls = 1;
    app->m_VButton[17] = 2;
    Char('v');
    Update();
    EXPECT_EQ(app->m_VButton[17], 0);
}

TEST_F(Dispatcher, ICadeIsIgnoredWhileOff) {
    Char('w');
    Update();
    EXPECT_EQ(app->m_VButton[0], 0);
}

TEST_F(Dispatcher, ICadeTableCoversEveryButton) {
    qo_Game_iCadeControls = 1;
    const char* press = "WXADYUIOHJKL";
    const char* release = "EZQCTFMGRNPV";
    const int buttons[] = {0, 8, 3, 5, 13, 14, 15, 16, 10, 11, 12, 17};
    for (int i = 0; i < 12; ++i) {
        Char(press[i]);
        Update();
        EXPECT_EQ(app->m_VButton[buttons[i]], 2) << press[i];
        Char(release[i]);
        Update();
        EXPECT_EQ(app->m_VButton[buttons[i]], 0) << release[i];
    }
}

TEST_F(Dispatcher, PressedVirtualButtonsLastOneUpdateAndHeldOnesStay) {
    app->m_VButton[3] = 1;
    app->m_VButton[4] = 2;
    app->m_VButton[19] = 1;
    Update();
    EXPECT_EQ(app->m_VButton[3], 0);
    EXPECT_EQ(app->m_VButton[4], 2);
}

// ---- measurement, overlays, debug line -----------------------------------------------------

TEST_F(Dispatcher, UpdateRateIsMeasuredFromTheClockAndSmoothed) {
    app->m_LastUpdateMs = qo_app_Millisecs();
    host->clock.now += 0.0165;
    Update();
    EXPECT_EQ(app->m_UpdateFps, 62);
    EXPECT_EQ(app->m_UpdateFpsAvg, 6);
    EXPECT_EQ(app->m_LastUpdateMs, qo_app_Millisecs());
    Update();  // no time passed: the rate stays, the average moves on
    EXPECT_EQ(app->m_UpdateFps, 62);
    EXPECT_EQ(app->m_UpdateFpsAvg, 11);
}

TEST_F(Dispatcher, OptionsSlideCountsUpToThirtyAndBackDown) {
    app->m_OptionsOpen = 1;
    for (int i = 0; i < 40; ++i) Update();
    EXPECT_EQ(app->m_OptionsSlide, 30);
    app->m_OptionsOpen = 0;
    Update();
    EXPECT_EQ(app->m_OptionsSlide, 29);
    for (int i = 0; i < 40; ++i) Update();
    EXPECT_EQ(app->m_OptionsSlide, 0);
}

TEST_F(Dispatcher, SidePanelEasesInToItsTargetAndSnapsOut) {
    qo_Game_jscrw = 640;
    app->m_SidePanelOpen = 1;
    Update();
    EXPECT_FLOAT_EQ(app->m_SidePanelX, 500.0f / 8);
    for (int i = 0; i < 60; ++i) Update();
    EXPECT_FLOAT_EQ(app->m_SidePanelX, 500);
    app->m_SidePanelOpen = 0;
    Update();
    EXPECT_FLOAT_EQ(app->m_SidePanelX, 500 - 500.0f / 8);
    for (int i = 0; i < 60; ++i) Update();
    EXPECT_EQ(app->m_SidePanelX, 0);
}

TEST_F(Dispatcher, DebugLineShowsTheRatesScaleAndCommandCount) {
    UseFontMetrics();
    qo_Game_jscrh = 480;
    Update();
    EXPECT_EQ(Records(), 0);
    qo_Game_DebugMode = 1;
    Update();
    ASSERT_GT(Records(), 10);
    // Glyphs of the font slot along the line 16 units above the bottom.
    EXPECT_EQ(Record(0)[0], 90);
    EXPECT_NEAR(Record(0)[2], 480 - 16 + 5, 0.01);  // top-aligned: half a line below y
}

TEST_F(Dispatcher, LoaderRunsInsteadOfTheScreen) {
    app->m_Mode = 2;
    app->m_LevelSize = 1;
    app->m_Score = 500;
    app->m_LoadStep = 14;
    Update();
    EXPECT_EQ(app->m_LoadStep, 15);
    EXPECT_EQ(app->m_Mode, 2);
    EXPECT_EQ(app->m_Scores[0], 0);
}

TEST_F(Dispatcher, ReturningToTheMenuFilesTheScoreAndShowsTheMenuInTheSameUpdate) {
    UseFontMetrics();
    app->m_Mode = 2;
    app->m_LevelSize = 1;
    app->m_Score = 500;
    Update();
    EXPECT_EQ(app->m_Mode, 1);
    EXPECT_EQ(app->m_Scores[0], 500);
    EXPECT_EQ(app->m_Scores[30], 500);
    qoWaitForSaves();
    EXPECT_TRUE(std::filesystem::exists(".kavorostate"));
}

TEST_F(Dispatcher, StartScreenRestartsTheLoaderAndGoesToTheMenu) {
    UseFontMetrics();
    app->m_Mode = 5;
    qo_app_SetUpdateRate(5);
    Update();
    EXPECT_EQ(app->m_Mode, 1);
    EXPECT_EQ(app->m_ClickLock, 1);
    EXPECT_EQ(app->m_LoadStep, 2);  // the loader's first step ran in the same update
    EXPECT_EQ(qo_app_UpdateRate(), 60);
}

TEST_F(Dispatcher, StartingAGameGoesToTheGameMode) {
    app->m_Mode = 11;
    app->m_Score = 77;
    app->m_GameOver = 1;
    Update();
    EXPECT_EQ(app->m_Mode, 10);
    EXPECT_EQ(app->m_Score, 0);
    EXPECT_EQ(app->m_GameOver, 0);
    EXPECT_EQ(app->m_GridW, 128);
}

// ---- suspend and resume ------------------------------------------------------------------

TEST_F(Dispatcher, SuspendDuringAGamePausesItWithThePanelMidScreenAndSaves) {
    qo_Game_jscrh = 481;
    app->m_Mode = 10;
    qo_Game_iCadeControls = 1;
    app->m_VButton[5] = 2;
    app->m_VButton[19] = 1;
    qo_input_EnableKeyboard();
    app->p_OnSuspend();
    EXPECT_EQ(app->m_Paused, 1);
    EXPECT_EQ(app->m_PauseCursor, 1);
    EXPECT_EQ(app->m_PausePanelY, 240);
    EXPECT_EQ(qo_Game_iCadeControls, 0);
    EXPECT_EQ(app->m_VButton[5], 0);
    EXPECT_EQ(app->m_VButton[19], 1);
    EXPECT_FALSE(host->KeyboardEnabled());
    EXPECT_EQ(qo_app_UpdateRate(), 5);
    EXPECT_EQ(host->UpdateRate(), 5);
    qoWaitForSaves();
    EXPECT_TRUE(std::filesystem::exists(".kavorostate"));
}

TEST_F(Dispatcher, SuspendInTheMenuClearsThePauseState) {
    app->m_Mode = 1;
    app->m_Paused = 1;
    app->m_PauseCursor = -1;
    app->m_PausePanelY = -64;
    app->p_OnSuspend();
    EXPECT_EQ(app->m_Paused, 0);
    EXPECT_EQ(app->m_PauseCursor, 0);
    EXPECT_EQ(app->m_PausePanelY, 0);
}

TEST_F(Dispatcher, ResumeKeepsTheGamePausedAndRestoresTheRate) {
    app->m_Mode = 10;
    app->p_OnSuspend();
    qo_Game_iCadeControls = 1;
    app->m_VButton[0] = 2;
    app->p_OnResume();
    EXPECT_EQ(app->m_Paused, 1);
    EXPECT_EQ(qo_app_UpdateRate(), 60);
    EXPECT_EQ(qo_Game_iCadeControls, 0);
    EXPECT_EQ(app->m_VButton[0], 0);
    EXPECT_FALSE(host->KeyboardEnabled());
}

}  // namespace
