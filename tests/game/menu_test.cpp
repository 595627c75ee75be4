// The main menu through the real host on a fake clock: the wheel's ends, key repeat,
// drags that are not clicks, the input method a game starts with, the highscore lists
// on a tiny screen, the credits; and screenshots of the menu and the credits.
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

// Updates the menu needs for its slide-in to finish.
constexpr int kSettled = 40;

using Point = GameHarness::Spot;

// The real game with its menu up and at rest after the slide-in.
c_MyApp* MenuAtRest(GameHarness& h) {
    c_MyApp* app = h.StartMenu();
    h.RunUpdates(kSettled);
    return app;
}

// The wheel's hub (and the gear on it): where the latest update drew the wheel's disc.
Point Hub(const GameHarness& h) {
    return h.Drawn(h.Updates(), slots::kImgCircle, 3).value_or(Point{-1, -1});
}

// Where wheel item i stands with the wheel at rest on item `sel`.
Point WheelItem(const GameHarness& h, int i, int sel) {
    Point hub = Hub(h), p;
    float angle;
    c_MyApp::WheelItemAt(i, -32.0f * static_cast<float>(sel), hub.x, hub.y, &angle, &p.x, &p.y);
    return p;
}

TEST(Menu, HoldingDownFromSmallStepsAtThePressAnd31UpdatesLaterThenStopsAtLarge) {
    GameHarness h({640, 480});
    if (!h.Ready()) GTEST_SKIP() << h.Why();
    auto* app = MenuAtRest(h);
    std::vector<int> sel(121);
    h.After(1, [&] { h.KeyDown(keys::kDown); });
    for (int u = 1; u <= 120; ++u) {
        h.RunUpdates(1);
        sel[u] = app->m_WheelSel;
    }
    EXPECT_EQ(sel[1], 1) << "a step at the press";
    EXPECT_EQ(sel[31], 1);
    EXPECT_EQ(sel[32], 2) << "the second step 31 updates after the first";
    EXPECT_EQ(sel[120], 2) << "Large is the end";
    EXPECT_EQ(app->m_LevelSize, 3);
    EXPECT_EQ(app->m_Mode, 1);
}

TEST(Menu, KeyRepeatQuickensTo19And7And4Updates) {
    GameHarness h({640, 480});
    if (!h.Ready()) GTEST_SKIP() << h.Why();
    auto* app = MenuAtRest(h);
    app->m_WheelSel = 2;
    app->m_WheelTarget = app->m_WheelAngle = -64;
    // Stepping up can only reach Small; count updates between steps with a wheel that
    // is put back on Large after each one.
    std::vector<int> steps;
    h.After(1, [&] { h.KeyDown(keys::kUp); });
    for (int u = 1; u <= 80; ++u) {
        h.RunUpdates(1);
        if (app->m_WheelSel != 2) {
            steps.push_back(u);
            app->m_WheelSel = 2;
        }
    }
    ASSERT_GE(steps.size(), 5u);
    EXPECT_EQ(steps[1] - steps[0], 31);
    EXPECT_EQ(steps[2] - steps[1], 19);
    EXPECT_EQ(steps[3] - steps[2], 7);
    EXPECT_EQ(steps[4] - steps[3], 4);
}

// A spin past either end turns back with a spin of 4 and leaves the selection alone.
void SpinPastEnd(int sel, float spin) {
    GameHarness h({640, 480});
    if (!h.Ready()) GTEST_SKIP() << h.Why();
    auto* app = MenuAtRest(h);
    app->m_WheelSel = sel;
    app->m_WheelTarget = app->m_WheelAngle = -32.0f * static_cast<float>(sel);
    app->m_WheelSpin = spin;
    bool reversed = false;
    for (int u = 0; u < 200; ++u) {
        h.RunUpdates(1);
        if (app->m_WheelSpin == -std::copysign(4.0f, spin)) reversed = true;
        ASSERT_EQ(app->m_WheelSel, sel) << "update " << u;
    }
    EXPECT_TRUE(reversed);
    EXPECT_FLOAT_EQ(app->m_WheelAngle, app->m_WheelTarget) << "the wheel comes to rest";
}

TEST(Menu, WheelCannotTurnPastSmall) {
    SpinPastEnd(0, 40);
}
TEST(Menu, WheelCannotTurnPastLarge) {
    SpinPastEnd(2, -40);
}

TEST(Menu, SpinningThroughAnItemSelectsIt) {
    GameHarness h({640, 480});
    if (!h.Ready()) GTEST_SKIP() << h.Why();
    auto* app = MenuAtRest(h);
    app->m_WheelSpin = -12;
    h.RunUpdates(60);
    EXPECT_EQ(app->m_WheelSel, 1);
    // The spin dies out (-12, -9, -6.75, ... down to -1.2) and the wheel rests where it
    // left the target, not back on Medium's own angle.
    EXPECT_NEAR(app->m_WheelTarget, -44.4f, 0.01f);
    EXPECT_FLOAT_EQ(app->m_WheelAngle, app->m_WheelTarget);
}

// Press just outside the Medium item's reach (45 units), then move `step` units in one
// update onto its edge and hold there. Returns the wheel's touched flag afterwards.
int PressAndMoveOntoMedium(GameHarness& h, c_MyApp* app, float step) {
    Point medium = WheelItem(h, 1, 0);
    h.After(1, [&h, medium, step] { h.MouseDown(medium.x - 44 - step, medium.y); });
    h.After(2, [&h, medium] { h.MouseMove(medium.x - 44, medium.y); });
    h.RunUpdates(1);
    EXPECT_EQ(app->m_WheelTouched, 0) << "the press itself is off the item";
    h.RunUpdates(20);
    return app->m_WheelTouched;
}

TEST(Menu, DragOfMoreThanFourUnitsIsNoClick) {
    GameHarness h({640, 480});
    if (!h.Ready()) GTEST_SKIP() << h.Why();
    auto* app = MenuAtRest(h);
    EXPECT_EQ(PressAndMoveOntoMedium(h, app, 6), 0)
        << "the drag ended on Medium but must not touch it";
    EXPECT_EQ(app->m_WheelSel, 0);
    EXPECT_EQ(app->m_Mode, 1);
}

TEST(Menu, MoveOfFourUnitsStillTouchesAndSelectsWithoutStartingAGame) {
    GameHarness h({640, 480});
    if (!h.Ready()) GTEST_SKIP() << h.Why();
    auto* app = MenuAtRest(h);
    Point at = WheelItem(h, 1, 0), selected = WheelItem(h, 1, 1);
    EXPECT_EQ(PressAndMoveOntoMedium(h, app, 4), 1);
    EXPECT_EQ(app->m_WheelSel, 1);
    EXPECT_EQ(app->m_Mode, 1) << "the press that selected cannot also start";
    h.After(1, [&] { h.MouseUp(at.x - 44, at.y); });
    h.After(3, [&] { h.MouseDown(selected.x, selected.y); });
    h.RunUpdates(3);  // the next update would load the game
    EXPECT_EQ(app->m_Mode, 11) << "a second touch on the selected item starts";
    EXPECT_EQ(app->m_LevelSize, 2);
}

TEST(Menu, StartingWithThePointerSetsInputMethod2) {
    GameHarness h({640, 480});
    if (!h.Ready()) GTEST_SKIP() << h.Why();
    auto* app = MenuAtRest(h);
    Point small = WheelItem(h, 0, 0);
    h.After(1, [&] { h.MouseDown(small.x, small.y); });
    h.RunUpdates(1);
    EXPECT_EQ(app->m_Mode, 11);
    EXPECT_EQ(app->m_InputMethod, 2);
    EXPECT_EQ(app->m_LevelSize, 1);
}

TEST(Menu, StartingWithTheKeyboardSetsInputMethod0) {
    GameHarness h({640, 480});
    if (!h.Ready()) GTEST_SKIP() << h.Why();
    auto* app = MenuAtRest(h);
    app->m_InputMethod = 1;
    h.After(1, [&] { h.KeyDown(keys::kSpace); });
    h.RunUpdates(1);
    EXPECT_EQ(app->m_Mode, 11);
    EXPECT_EQ(app->m_InputMethod, 0);
}

TEST(Menu, StartingWithAJoystickSetsInputMethod1) {
    GameHarness h({640, 480});
    if (!h.Ready()) GTEST_SKIP() << h.Why();
    auto* app = MenuAtRest(h);
    h.After(1, [&] { h.Joystick(0, 0, 0, {0}); });
    h.RunUpdates(1);
    EXPECT_EQ(app->m_Mode, 11);
    EXPECT_EQ(app->m_InputMethod, 1);
}

TEST(Menu, GearOpensTheOptionsAndTheMenuIgnoresInputUnderIt) {
    GameHarness h({640, 480});
    if (!h.Ready()) GTEST_SKIP() << h.Why();
    auto* app = MenuAtRest(h);
    Point gear = Hub(h);
    h.After(1, [&] { h.MouseDown(gear.x, gear.y); });
    h.After(2, [&] { h.MouseUp(gear.x, gear.y); });
    h.After(5, [&] { h.KeyDown(keys::kDown); });
    h.RunUpdates(10);
    EXPECT_EQ(app->m_OptionsOpen, 1);
    EXPECT_EQ(app->m_MenuFocus, 0);
    EXPECT_EQ(app->m_WheelSel, 0) << "the key went to the options box";
}

TEST(Menu, OptionsFromTheGearIgnoreAPressWhileSlidingAndActOncePerHeldKey) {
    GameHarness h({640, 480});
    if (!h.Ready()) GTEST_SKIP() << h.Why();
    auto* app = MenuAtRest(h);
    Point gear = Hub(h);
    h.After(1, [&] { h.MouseDown(gear.x, gear.y); });
    h.After(2, [&] { h.MouseUp(gear.x, gear.y); });
    h.After(10, [&] { h.MouseDown(300, 130); });  // where the Sound row ends up
    h.After(12, [&] { h.MouseUp(300, 130); });
    h.RunUpdates(40);
    EXPECT_EQ(app->m_OptionsSlide, 30);
    EXPECT_EQ(app->m_Settings[6], 0) << "pressed while sliding";
    h.After(1, [&] { h.MouseDown(300, 130); });
    h.After(2, [&] { h.KeyDown(keys::kSpace); });  // held on the same row
    h.RunUpdates(30);
    EXPECT_EQ(app->m_Settings[6], 1) << "the press acts, the held key does not add to it";
    h.After(1, [&] {
        h.MouseUp(300, 130);
        h.KeyUp(keys::kSpace);
    });
    h.After(3, [&] { h.KeyDown(keys::kEscape); });
    h.RunUpdates(40);
    EXPECT_EQ(app->m_OptionsOpen, 0);
    EXPECT_EQ(app->m_OptionsSlide, 0);
    EXPECT_EQ(app->m_Mode, 1) << "the back key closed the box, not the program";
}

TEST(Menu, SidePanelTakesFocusOnFirstTouchAndOpensCreditsOnTheNext) {
    GameHarness h({640, 480});
    if (!h.Ready()) GTEST_SKIP() << h.Why();
    auto* app = MenuAtRest(h);
    h.After(1, [&] { h.MouseDown(580, 200); });
    h.After(2, [&] { h.MouseUp(580, 200); });
    h.RunUpdates(2);
    EXPECT_EQ(app->m_MenuFocus, 2);
    EXPECT_EQ(app->m_SidePanelOpen, 0);
    h.After(1, [&] { h.MouseDown(580, 200); });
    h.After(2, [&] { h.MouseUp(580, 200); });
    h.RunUpdates(60);
    EXPECT_EQ(app->m_SidePanelOpen, 1);
    EXPECT_FLOAT_EQ(app->m_SidePanelX, 500) << "the panel covers the whole screen";
    GameHarness::Shot shot = h.Screenshot();
    shot.Save(GameHarness::ShotPath("credits_640x480.png"));
    // Any press closes the credits again.
    h.After(1, [&] { h.MouseDown(300, 200); });
    h.RunUpdates(2);
    EXPECT_EQ(app->m_SidePanelOpen, 0);
    EXPECT_EQ(app->m_Mode, 1);
}

TEST(Menu, RightKeysMoveFocusToThePanelAndActionOpensCredits) {
    GameHarness h({640, 480});
    if (!h.Ready()) GTEST_SKIP() << h.Why();
    auto* app = MenuAtRest(h);
    h.After(1, [&] { h.KeyDown(keys::kRight); });
    h.After(2, [&] { h.KeyUp(keys::kRight); });
    h.After(3, [&] { h.KeyDown(keys::kSpace); });
    h.After(4, [&] { h.KeyUp(keys::kSpace); });
    h.RunUpdates(5);
    EXPECT_EQ(app->m_MenuFocus, 2);
    EXPECT_EQ(app->m_SidePanelOpen, 1);
    EXPECT_EQ(app->m_Mode, 1);
}

TEST(Menu, ScreenshotsAt640x480And1920x1080) {
    for (auto size : {std::pair{640, 480}, std::pair{1920, 1080}}) {
        GameHarness h({size.first, size.second});
        if (!h.Ready()) GTEST_SKIP() << h.Why();
        auto* app = h.StartMenu();
        app->m_Scores[10] = 12345;
        app->m_Scores[40] = 678;
        app->m_WheelSel = 1;
        h.RunUpdates(kSettled + 20);
        GameHarness::Shot shot = h.Screenshot();
        std::string name =
            "menu_" + std::to_string(size.first) + "x" + std::to_string(size.second) + ".png";
        ASSERT_TRUE(shot.Save(GameHarness::ShotPath(name)));
    }
}

class MenuLogic : public GameTest {};

TEST_F(MenuLogic, TinyScreenShowsOneRowTitledHighscoreAndLast) {
    UseFontMetrics();
    qo_Game_jscrh = 150;
    qo_Game_jscrw = 200;
    app->m_LevelSize = 2;
    app->m_WheelSel = 1;
    app->m_Scores[10] = 4321;
    app->m_Scores[11] = 999;
    app->m_Scores[40] = 77;
    app->p_Menu();
    std::string text = Glyphs();
    EXPECT_NE(text.find("Highscore4321Last77"), std::string::npos) << text;
    EXPECT_EQ(text.find("999"), std::string::npos) << "only one row fits";
}

TEST_F(MenuLogic, FullScreenShowsTenRowsOfTheChosenSize) {
    UseFontMetrics();
    app->m_WheelSel = 2;
    for (int j = 0; j < 10; ++j) app->m_Scores[20 + j] = 100 - j;
    app->m_Scores[50] = 55;
    app->p_Menu();
    std::string text = Glyphs();
    EXPECT_NE(text.find("Top10100999897969594939291Last1055"), std::string::npos) << text;
}

TEST_F(MenuLogic, HighscoresStandTwentyUnitsIntoThePanelAndStayOpaqueWithoutFocus) {
    UseFontMetrics();
    app->m_MenuIntro = -4;
    app->m_MenuFocus = 2;  // the play icon above is drawn at alpha 0 then
    app->p_Menu();
    // The text starts one advance (7 x 1.5) after its x, past the leading space.
    const float x = 640 - 140 - 4 * app->m_MenuIntro + 20 + 10.5f;
    bool found = false;
    for (int i = 0; i < Records() && !found; ++i) {
        if (Record(i)[0] != 90 || Record(i)[6] != 'T' - 32) continue;
        found = true;
        EXPECT_FLOAT_EQ(Record(i)[1], x);
        EXPECT_EQ(Record(i)[7], 1.0f);
    }
    EXPECT_TRUE(found);
}

TEST_F(MenuLogic, CreditsFooterNamesTheLanguage) {
    UseFontMetrics();
    app->m_SidePanelOpen = 1;
    app->m_KeyLock = app->m_ClickLock = 1;
    app->p_Menu();
    std::string text = Glyphs();
    EXPECT_NE(text.find("CodedinC++"), std::string::npos) << text;
    EXPECT_NE(text.find("DebugStatsEngine640x480"), std::string::npos) << text;
}

TEST_F(MenuLogic, CreditsScrollAdvancesOneLinePer16Units) {
    UseFontMetrics();
    app->m_SidePanelOpen = 1;
    app->m_KeyLock = app->m_ClickLock = 1;
    for (int i = 0; i < 54; ++i) app->p_Menu();
    EXPECT_EQ(app->m_CreditLine, 1);
    EXPECT_NEAR(app->m_CreditScroll, -16.2f + 16, 0.01f);
}

TEST_F(MenuLogic, BackKeyEndsTheDesktopProgramWithStatus0) {
    UseFontMetrics();
    EXPECT_EXIT(
        {
            KeyDown(keys::kEscape);
            app->p_Menu();
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(MenuLogic, BackKeyOnTheConsoleOpensTheQuitConfirmation) {
    UseFontMetrics();
    qo_Game_isOuya = 1;
    KeyDown(keys::kEscape);
    app->p_Menu();
    EXPECT_EQ(app->m_Mode, 4);
    EXPECT_EQ(app->m_KeyLock, 1);
    EXPECT_EQ(app->m_ClickLock, 1);
}

}  // namespace
