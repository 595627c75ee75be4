// The options box as the dispatcher runs it: nothing acts while it slides in, a held
// key or press acts once, the Music row goes without a music stream, stored values out
// of range read as Loud, and full screen flips to the desktop size and back to a
// 640 x 480 window.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "graphics/graphics.h"
#include "input/key_codes.h"
#include "tests/game/game_fixture.h"
#include "tests/game/game_harness.h"

namespace {

// A host whose window changes are recorded instead of made.
struct WindowHost : GameHost {
    struct Call {
        int width, height, red, green, blue;
        bool fullscreen;
    };
    std::vector<Call> calls;
    void SetGlfwWindow(int width, int height, int red, int green, int blue, int, int, int,
                       bool fullscreen) override {
        calls.push_back({width, height, red, green, blue, fullscreen});
    }
    QoGlfwVideoMode* GetGlfwDesktopMode() override {
        auto* mode = new QoGlfwVideoMode;
        mode->width = 1920;
        mode->height = 1080;
        mode->red = mode->green = mode->blue = 8;
        return mode;
    }
};

// The box opened over the real game's menu, which runs beneath it.
class Options : public ::testing::Test {
protected:
    void SetUp() override {
        harness = std::make_unique<GameHarness>(GameHarness::Config{640, 480},
                                                std::make_unique<WindowHost>());
        if (!harness->Ready()) GTEST_SKIP() << harness->Why();
        app = harness->StartMenu();
        app->m_Settings[15] = app->m_Settings[16] = 1;
        app->m_OptionsOpen = 1;
    }
    WindowHost& Host() { return static_cast<WindowHost&>(harness->host()); }

    void Update() { harness->RunUpdates(1); }
    void Updates(int n) { harness->RunUpdates(n); }
    void KeyDown(int code) { harness->KeyDown(code); }
    void KeyUp(int code) { harness->KeyUp(code); }
    // Row n's bar centre once the box is fully in.
    void PressRow(int n) { harness->MouseDown(300, 130 + 40.0f * static_cast<float>(n - 1)); }
    void Release() { harness->MouseUp(300, 0); }
    std::string Glyphs() const {
        const std::vector<float>& list = harness->DrawList(harness->Updates());
        return GlyphsOf(list.data(), static_cast<int>(list.size()));
    }

    std::unique_ptr<GameHarness> harness;
    c_MyApp* app = nullptr;
};

TEST_F(Options, PressWhileSlidingInDoesNothingUntilReleasedAndPressedAgain) {
    PressRow(1);  // where the Sound row will be
    Updates(45);
    EXPECT_EQ(app->m_OptionsSlide, 30);
    EXPECT_EQ(app->m_Settings[6], 0) << "a press held from the slide never acts";
    Release();
    Update();
    PressRow(1);
    Updates(10);
    EXPECT_EQ(app->m_Settings[6], 1) << "a fresh press acts once";
    EXPECT_EQ(app->m_OptCursor, 1);
}

TEST_F(Options, PressDuringSlideAtTheMovingRowDoesNothing) {
    for (int u = 0; u < 29; ++u) {
        // Follow the Sound row while it moves up.
        float y = static_cast<float>(30 - app->m_OptionsSlide) * 24 + 130;
        if (u % 2 == 0) {
            harness->MouseDown(300, y);
        } else {
            harness->MouseUp(300, y);
        }
        Update();
    }
    EXPECT_EQ(app->m_Settings[6], 0);
}

TEST_F(Options, HeldActionKeyActsOncePerPress) {
    app->m_OptionsSlide = 30;
    app->m_OptCursor = 1;
    KeyDown(keys::kSpace);
    Updates(20);
    EXPECT_EQ(app->m_Settings[6], 1);
    KeyUp(keys::kSpace);
    Update();
    KeyDown(keys::kSpace);
    Updates(5);
    EXPECT_EQ(app->m_Settings[6], 2);
}

TEST_F(Options, HeldKeyOnTheScreenRowFlipsOnceAndLeavingFullScreenGives640x480) {
    app->m_OptionsSlide = 30;
    app->m_OptCursor = 3;  // Sound, Music, Screen
    KeyDown(keys::kEnter);
    Updates(20);
    ASSERT_EQ(Host().calls.size(), 1u);
    EXPECT_EQ(app->m_Fullscreen, 1);
    EXPECT_TRUE(Host().calls[0].fullscreen);
    EXPECT_EQ(Host().calls[0].width, 1920);
    EXPECT_EQ(Host().calls[0].height, 1080);
    KeyUp(keys::kEnter);
    Update();
    KeyDown(keys::kEnter);
    Updates(3);
    ASSERT_EQ(Host().calls.size(), 2u);
    EXPECT_EQ(app->m_Fullscreen, 0);
    EXPECT_FALSE(Host().calls[1].fullscreen);
    EXPECT_EQ(Host().calls[1].width, 640);
    EXPECT_EQ(Host().calls[1].height, 480);
    EXPECT_EQ(Host().calls[1].red, 8);
}

TEST_F(Options, WithoutMusicStreamTheMusicRowIsAbsentAndScreenMovesUp) {
    app->m_OptionsSlide = 30;
    Update();
    EXPECT_EQ(app->m_OptRow, 5);
    qo_Game_HasMusicStream = 0;
    Update();
    EXPECT_EQ(app->m_OptRow, 4);
    PressRow(2);
    Updates(2);
    EXPECT_EQ(app->m_Fullscreen, 1) << "row 2 is now the Screen row";
    EXPECT_EQ(app->m_Settings[7], 0);
}

TEST_F(Options, StickRowsToggleBetweenNormalAndFlipped) {
    app->m_OptionsSlide = 30;
    PressRow(4);
    Updates(3);
    EXPECT_EQ(app->m_Settings[15], 0);
    Release();
    Update();
    PressRow(5);
    Update();
    EXPECT_EQ(app->m_Settings[16], 0);
    Release();
    Update();
    PressRow(4);
    Update();
    EXPECT_EQ(app->m_Settings[15], 1);
}

// A loaded setting that passed its checksum may hold any number.
TEST_F(Options, StoredStickNumberOtherThanZeroShowsAsNormalAndOnePressFlipsTheStick) {
    app->m_OptionsSlide = 30;
    for (int stored : {2, INT_MAX}) {
        app->m_Settings[15] = stored;
        Update();
        EXPECT_NE(Glyphs().find("LeftThumbstickYNormal"), std::string::npos) << stored;
        PressRow(4);
        Update();
        Release();
        Update();
        EXPECT_EQ(app->m_Settings[15], 0) << stored;
    }
}

TEST_F(Options, ConsoleOverscanStepsDownFromTheLowestLoadedNumberToOne) {
    qo_Game_isOuya = 1;
    app->m_OptionsSlide = 30;
    app->m_Settings[14] = INT_MIN;
    KeyDown('B');  // game key 14
    Update();
    EXPECT_EQ(app->m_Settings[14], 1);
}

TEST_F(Options, StoredVolumeAboveThreeCountsAsLoud) {
    app->m_OptionsSlide = 30;
    app->m_Settings[6] = 9;
    PressRow(1);
    Update();
    EXPECT_EQ(app->m_Settings[6], 1) << "Loud steps to Normal";
}

TEST_F(Options, CursorMovesOncePerPressAndStopsAtTheLastRow) {
    app->m_OptionsSlide = 30;
    KeyDown(keys::kDown);
    Updates(10);
    EXPECT_EQ(app->m_OptCursor, 1);
    for (int i = 0; i < 8; ++i) {
        KeyUp(keys::kDown);
        Update();
        KeyDown(keys::kDown);
        Update();
    }
    EXPECT_EQ(app->m_OptCursor, 5);
}

TEST_F(Options, ActionOnRowZeroClosesAndLocks) {
    app->m_OptionsSlide = 30;
    KeyDown(keys::kSpace);
    Update();
    EXPECT_EQ(app->m_OptionsOpen, 0);
    EXPECT_EQ(app->m_OptKeyWait, 1);
    EXPECT_EQ(app->m_KeyLock, 1);
    EXPECT_EQ(app->m_ClickLock, 1);
    Updates(40);
    EXPECT_EQ(app->m_OptionsSlide, 0) << "the box slides away";
}

TEST_F(Options, BackKeyClosesButNotWhileSliding) {
    KeyDown(keys::kEscape);
    Updates(10);
    EXPECT_EQ(app->m_OptionsOpen, 1);
    KeyUp(keys::kEscape);
    Updates(25);
    KeyDown(keys::kEscape);
    Update();
    EXPECT_EQ(app->m_OptionsOpen, 0);
}

TEST_F(Options, SettingsElement5IsForcedToOne) {
    app->m_Settings[5] = 0;
    Update();
    EXPECT_EQ(app->m_Settings[5], 1);
}

TEST(OptionsScreen, ScreenshotsAt640x480And1920x1080) {
    for (auto size : {std::pair{640, 480}, std::pair{1920, 1080}}) {
        GameHarness h({size.first, size.second});
        if (!h.Ready()) GTEST_SKIP() << h.Why();
        c_MyApp* app = h.StartMenu();
        app->m_OptionsOpen = 1;
        app->m_OptCursor = 3;
        app->m_Settings[7] = 2;
        app->m_Settings[15] = 1;
        h.RunUpdates(40);
        std::string name =
            "options_" + std::to_string(size.first) + "x" + std::to_string(size.second) + ".png";
        ASSERT_TRUE(h.Screenshot().Save(GameHarness::ShotPath(name)));
    }
}

}  // namespace
