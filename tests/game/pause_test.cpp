// The pause screen and the console's quit confirmation: the panel's slide in and out,
// the three buttons by key and by pointer, the toy's limits, and the quit screen's
// keys; through the harness, pausing by key and by losing the window's focus.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "game/vocabulary.h"
#include "input/input_device.h"
#include "input/key_codes.h"
#include "tests/game/game_fixture.h"
#include "tests/game/game_harness.h"

namespace {

// A real game, paused with the panel still above the screen.
class Pause : public ::testing::Test {
protected:
    void SetUp() override {
        harness = std::make_unique<GameHarness>(GameHarness::Config{640, 480});
        if (!harness->Ready()) GTEST_SKIP() << harness->Why();
        app = harness->StartMenu();
        harness->EnterGame();
        app->m_Paused = 1;
        app->m_PauseCursor = 1;
        app->m_PausePanelY = -64;
    }
    void Update() { harness->RunUpdates(1); }
    void Updates(int n) { harness->RunUpdates(n); }
    void KeyDown(int code) { harness->KeyDown(code); }
    void KeyUp(int code) { harness->KeyUp(code); }
    void Tap(int key) {
        KeyDown(key);
        Update();
        KeyUp(key);
        Update();
    }
    // The centre of the toy and its largest reach on the current screen.
    float DistanceOfNewestPointFromCentre() const {
        float mx = qo_Game_jscrw / 2 + 96, my = qo_Game_jscrh / 2;
        const float* p = app->m_ToyTrail.Data() + 200;  // moved one step after drawing
        return std::hypot(p[0] - mx, p[1] - my);
    }
    static float Reach() { return std::min(0.45f * qo_Game_jscrh, 0.45f * (qo_Game_jscrw - 96)); }
    // Where the latest update drew frame `frame` of image `slot`: the quit icon is frame 1
    // of the icons, the gear's top is frame 10 of the buttons.
    GameHarness::Spot Drawn(int slot, int frame) const {
        return harness->Drawn(harness->Updates(), slot, frame).value_or(GameHarness::Spot{-1, -1});
    }

    std::unique_ptr<GameHarness> harness;
    c_MyApp* app = nullptr;
};

TEST_F(Pause, PanelSlidesInBy24UntilHalfTheScreenHeight) {
    Update();
    EXPECT_EQ(app->m_PausePanelY, -40);
    Updates(30);
    EXPECT_EQ(app->m_PausePanelY, 248);
    EXPECT_EQ(app->m_Paused, 1);
}

TEST_F(Pause, ResumeWhileSlidingInReversesFromWhereItIs) {
    Updates(5);
    ASSERT_EQ(app->m_PausePanelY, 56);
    KeyDown(keys::kEscape);
    Update();
    EXPECT_EQ(app->m_PauseCursor, -1);
    int from = app->m_PausePanelY;
    Update();
    EXPECT_EQ(app->m_PausePanelY, from - 24);
    int updates = 0;
    while (app->m_Paused == 1 && updates < 20) {
        Update();
        ++updates;
    }
    EXPECT_EQ(app->m_Paused, 0);
    EXPECT_LT(app->m_PausePanelY, -32);
    EXPECT_EQ(app->m_GameOver, 0) << "resuming does not end the game";
}

TEST_F(Pause, ResumeButtonSlidesOutThenResumes) {
    Updates(20);
    Tap(keys::kSpace);  // selection starts on Resume
    EXPECT_EQ(app->m_PauseCursor, -1);
    Updates(20);
    EXPECT_EQ(app->m_Paused, 0);
}

TEST_F(Pause, QuitGameByKeysEndsTheGameAtOnce) {
    Updates(20);
    Tap(keys::kUp);
    EXPECT_EQ(app->m_PauseSel, -1);
    Tap(keys::kUp);
    EXPECT_EQ(app->m_PauseSel, -1) << "quit is the top";
    KeyDown(keys::kSpace);
    Update();
    EXPECT_EQ(app->m_Paused, 0);
    EXPECT_EQ(app->m_GameOver, 1);
    EXPECT_EQ(app->m_QuitGame, -1);
    EXPECT_EQ(app->m_PausePanelY, -64);
}

TEST_F(Pause, SelectionMovesOncePerPress) {
    Updates(20);
    KeyDown(keys::kDown);
    Updates(10);
    EXPECT_EQ(app->m_PauseSel, 1);
    KeyUp(keys::kDown);
    Tap(keys::kDown);
    EXPECT_EQ(app->m_PauseSel, 1) << "options is the bottom";
    Tap(keys::kUp);
    EXPECT_EQ(app->m_PauseSel, 0);
}

TEST_F(Pause, PressingTheQuitButtonEndsTheGame) {
    Updates(20);
    GameHarness::Spot quit = Drawn(slots::kImgIcons, 1);
    harness->MouseDown(quit.x + 20, quit.y - 20);  // inside the 64-unit icon drawn at scale 2
    Update();
    EXPECT_EQ(app->m_GameOver, 1);
    EXPECT_EQ(app->m_Paused, 0);
}

TEST_F(Pause, PressingTheGearOpensTheOptions) {
    Updates(20);
    GameHarness::Spot gear = Drawn(slots::kImgButtons, 10);
    harness->MouseDown(gear.x, gear.y);
    Update();
    EXPECT_EQ(app->m_OptionsOpen, 1);
    EXPECT_EQ(app->m_Paused, 1);
}

TEST_F(Pause, ButtonsIgnoreAPressHeldUnderALock) {
    Updates(20);
    app->m_ClickLock = 1;
    app->m_KeyLock = 1;
    GameHarness::Spot quit = Drawn(slots::kImgIcons, 1);
    harness->MouseDown(quit.x, quit.y);
    Update();
    EXPECT_EQ(app->m_GameOver, 0);
}

TEST_F(Pause, ToyArmNeverExceedsTheReachEvenWhenTheScreenShrinks) {
    KeyDown(keys::kDown);
    Updates(400);
    EXPECT_FLOAT_EQ(app->m_ToyArm, Reach());
    EXPECT_LE(DistanceOfNewestPointFromCentre(), Reach() + 0.01f);
    harness->After(1, [] {  // after the render has fitted the virtual screen
        qo_Game_jscrw = 320;
        qo_Game_jscrh = 200;
    });
    Update();
    EXPECT_LE(app->m_ToyArm, Reach());
    EXPECT_LE(DistanceOfNewestPointFromCentre(), Reach() + 0.01f);
    KeyUp(keys::kDown);
    KeyDown(keys::kUp);
    Updates(400);
    EXPECT_EQ(app->m_ToyArm, 0);
}

TEST_F(Pause, HoldingLeftStopsTheSecondArmAndRightLimitsItsSpeed) {
    KeyDown(keys::kLeft);
    Updates(200);
    EXPECT_EQ(app->m_ToySpeed, 0);
    float a2 = app->m_ToyA2;
    Updates(3);
    EXPECT_EQ(app->m_ToyA2, a2);
    KeyUp(keys::kLeft);
    KeyDown(keys::kRight);
    Updates(600);
    EXPECT_EQ(app->m_ToySpeed, 128);
}

TEST_F(Pause, TrailDrawsTwoLinesPerSegmentAndStartsFromTheCorner) {
    Update();
    const std::vector<float>& list = harness->DrawList(harness->Updates());
    std::vector<const float*> lines;
    for (size_t i = 0; i + c_MyApp::kRecordFloats <= list.size(); i += c_MyApp::kRecordFloats)
        if (list[i] == kDrawLine) lines.push_back(&list[i]);
    ASSERT_EQ(lines.size(), 202u);
    // Only the newest point is set on the first pause: the last segment runs from the
    // corner to it, the ones before it lie in the corner.
    EXPECT_EQ(lines[0][1], 0);
    EXPECT_EQ(lines[0][4], 0);
    const float* newest = lines[200];
    EXPECT_EQ(newest[1], 0);
    EXPECT_EQ(newest[2], 0);
    EXPECT_GT(std::hypot(newest[4], newest[5]), 100);
}

// ---- the console's quit confirmation ------------------------------------------------------

class OuyaQuit : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        UseFontMetrics();
        qo_Game_isOuya = 1;
        app->m_Mode = 4;
    }
};

TEST_F(OuyaQuit, IgnoreKeyReturnsToTheMenu) {
    KeyDown(keys::kSpace);
    app->p_OuyaQuit();
    EXPECT_EQ(app->m_Mode, 1);
    EXPECT_EQ(app->m_KeyLock, 1);
    EXPECT_EQ(app->m_ClickLock, 1);
}

TEST_F(OuyaQuit, NothingActsUnderALock) {
    app->m_KeyLock = 1;
    KeyDown(keys::kSpace);
    app->p_OuyaQuit();
    EXPECT_EQ(app->m_Mode, 4);
}

TEST_F(OuyaQuit, QuitKeyLeavesEvenWithTheIgnoreKeyHeld) {
    EXPECT_EXIT(
        {
            KeyDown(keys::kSpace);
            KeyDown(keys::kControl);
            app->p_OuyaQuit();
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(OuyaQuit, BackKeyLeaves) {
    EXPECT_EXIT(
        {
            KeyDown(keys::kEscape);
            app->p_OuyaQuit();
        },
        ::testing::ExitedWithCode(0), "");
}

// ---- through the host -----------------------------------------------------------------------

TEST(PauseScreen, PausedByKeyAndResumedByKey) {
    GameHarness h({640, 480});
    if (!h.Ready()) GTEST_SKIP() << h.Why();
    c_MyApp* app = h.StartMenu();
    h.EnterGame();
    h.After(3, [&] { h.KeyDown(keys::kEscape); });
    h.After(4, [&] { h.KeyUp(keys::kEscape); });
    h.RunUpdates(30);
    EXPECT_EQ(app->m_Paused, 1);
    EXPECT_EQ(app->m_PausePanelY, 248);
    ASSERT_TRUE(h.Screenshot().Save(GameHarness::ShotPath("pause_640x480.png")));
    h.After(1, [&] { h.KeyDown(keys::kEscape); });
    h.After(2, [&] { h.KeyUp(keys::kEscape); });
    h.RunUpdates(20);
    EXPECT_EQ(app->m_Paused, 0);
}

TEST(PauseScreen, LosingFocusDuringAGamePausesWithThePanelAtHalfHeight) {
    GameHarness h({640, 480});
    if (!h.Ready()) GTEST_SKIP() << h.Why();
    c_MyApp* app = h.StartMenu();
    h.EnterGame();
    h.RunUpdates(3);
    ASSERT_EQ(app->m_Mode, 10);
    h.host().active = false;
    h.host().RunFrame();
    h.host().active = true;
    h.host().RunFrame();
    EXPECT_EQ(app->m_Paused, 1);
    EXPECT_EQ(app->m_PauseCursor, 1);
    h.RunUpdates(2);
    EXPECT_EQ(app->m_PausePanelY, 240) << "no slide: it is already half way";
    EXPECT_EQ(app->m_Paused, 1);
}

TEST(PauseScreen, ScreenshotAt1920x1080) {
    GameHarness h({1920, 1080});
    if (!h.Ready()) GTEST_SKIP() << h.Why();
    c_MyApp* app = h.StartMenu();
    h.EnterGame();
    h.RunUpdates(2);
    app->m_Paused = 1;
    app->m_PauseCursor = 1;
    app->m_PauseSel = 1;
    h.RunUpdates(120);
    ASSERT_TRUE(h.Screenshot().Save(GameHarness::ShotPath("pause_1920x1080.png")));
}

// The console's menu asks before the back key leaves.
TEST(QuitScreen, ScreenshotAt640x480) {
    GameHarness h({640, 480});
    if (!h.Ready()) GTEST_SKIP() << h.Why();
    c_MyApp* app = h.StartMenu();
    qo_Game_isOuya = 1;
    h.After(1, [&] { h.KeyDown(keys::kEscape); });
    h.After(2, [&] { h.KeyUp(keys::kEscape); });
    h.RunUpdates(3);
    ASSERT_EQ(app->m_Mode, 4);
    ASSERT_TRUE(h.Screenshot().Save(GameHarness::ShotPath("console_quit_640x480.png")));
}

}  // namespace
