// The harness itself, and the game's text on the real renderer: scripted keys reach
// the game at the update they are given for, each update's draw list is kept, and
// sample text renders legibly at 640 x 480 and at 1920 x 1080.
#include <gtest/gtest.h>

#include "input/input_device.h"
#include "input/key_codes.h"
#include "tests/game/game_harness.h"

namespace {

// A screen that shows a square while the first action button is held, and follows
// the mouse with a small oval.
struct ButtonScreen : c_MyApp {
    int p_OnUpdate() override {
        p_CLS2D(0, 0, 0, 1);
        if (p_PlayKey(10, 0, 0)) p_Rect(10, 10, 20, 20);
        p_Oval(qo_input_MouseX(), qo_input_MouseY(), 3, 3);
        return 0;
    }
};

// A screen of sample text: left-aligned lines with a line break and kerning, a
// centred title, and a rotated word.
struct TextScreen : c_MyApp {
    int p_OnUpdate() override {
        p_CLS2D(20, 30, 60, 1);
        p_SetSize(2, kOmitted);
        p_SetCol(255, 220, 120, 1);
        p_Text(qo_Game_jscrw / 2, 40, String("TESSORY"), 1, 1, 0);
        p_SetSize(1, kOmitted);
        p_SetCol(255, 255, 255, 1);
        p_Text(40, 100, String("Roll the cube, collect the gems.\\nSmall, Medium or Large."), 0, 1, 0);
        p_Text(40, 140, String("Score ") + p_rstr(4250, 8, String("0")), 0, 1, 0);
        p_SetRot(-20);
        p_SetCol(120, 255, 140, 1);
        p_Text(320, 220, String("wiggle WILL"), 1, 1, 0);
        return 0;
    }
};

int Records(const std::vector<float>& list) { return static_cast<int>(list.size() / 15); }

TEST(Harness, ScriptedKeyReachesTheGameAtItsUpdate) {
    GameHarness h({640, 480});
    if (!h.Ready()) GTEST_SKIP() << h.Why();
    h.Start(new ButtonScreen);
    h.At(3, [&] { h.KeyDown(keys::kSpace); });
    h.At(6, [&] { h.KeyUp(keys::kSpace); });
    h.RunUpdates(7);
    EXPECT_EQ(h.Updates(), 7);
    for (int update = 1; update <= 7; ++update) {
        bool held = update >= 3 && update <= 5;
        EXPECT_EQ(Records(h.DrawList(update)), held ? 2 : 1) << "update " << update;
    }
    EXPECT_EQ(h.DrawList(4)[0], kDrawRect);
    EXPECT_TRUE(h.DrawList(99).empty());
}

TEST(Harness, ScriptedMouseMovesArriveInDevicePixels) {
    GameHarness h({640, 480});
    if (!h.Ready()) GTEST_SKIP() << h.Why();
    h.Start(new ButtonScreen);
    h.At(2, [&] { h.MouseMove(123, 45); });
    h.RunUpdates(2);
    const std::vector<float>& list = h.DrawList(2);
    ASSERT_EQ(Records(list), 1);
    EXPECT_EQ(list[1], 123);
    EXPECT_EQ(list[2], 45);
}

TEST(Harness, ScriptedJoystickButtonReadsAsAPad) {
    GameHarness h({640, 480});
    if (!h.Ready()) GTEST_SKIP() << h.Why();
    h.Start(new ButtonScreen);
    h.At(2, [&] { h.Joystick(0, 0, 0, {0}); });
    h.RunUpdates(3);
    EXPECT_EQ(Records(h.DrawList(1)), 1);
    EXPECT_EQ(Records(h.DrawList(3)), 2);
}

TEST(Harness, GameStartsThroughTheHostAtSixtyUpdates) {
    GameHarness h({640, 480});
    if (!h.Ready()) GTEST_SKIP() << h.Why();
    c_MyApp* app = h.Start(new ButtonScreen);
    EXPECT_EQ(h.host().UpdateRate(), 60);
    EXPECT_EQ(app->m_LoadStep, 1);
    EXPECT_NE(app->m_Images[90].get(), nullptr) << "the text font did not load";
    EXPECT_NE(app->m_Images[93].get(), nullptr) << "the logo did not load";
    double start = h.host().clock.now;
    h.RunUpdates(60);
    EXPECT_NEAR(h.host().clock.now - start, 1.0, 1.0 / 30);
}

// Text pixels: anything clearly brighter than the background.
int BrightPixels(const GameHarness::Shot& shot, int x0, int y0, int x1, int y1) {
    int count = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            GameHarness::Rgb p = shot.Pixel(x, y);
            count += p.r + p.g + p.b > 400;
        }
    }
    return count;
}

void CheckSampleText(int width, int height, const char* file) {
    GameHarness h({width, height});
    if (!h.Ready()) GTEST_SKIP() << h.Why();
    c_MyApp* app = h.Start(new TextScreen);
    h.RunUpdates(2);  // the first render fits the virtual screen; the second update uses it
    GameHarness::Shot shot = h.Screenshot();
    ASSERT_TRUE(shot.Save(GameHarness::ShotPath(file)));

    float s = app->m_ScaleX;
    // Background where nothing is drawn.
    GameHarness::Rgb corner = shot.Pixel(width - 3, height - 3);
    EXPECT_NEAR(corner.r, 20, 3);
    EXPECT_NEAR(corner.b, 60, 3);
    // The first body line, its second line one line lower, and nothing between the
    // title and the body.
    auto at = [&](float v) { return static_cast<int>(v * s); };
    EXPECT_GT(BrightPixels(shot, at(40), at(95), at(250), at(105)), 20);
    EXPECT_GT(BrightPixels(shot, at(40), at(105), at(200), at(115)), 20);
    EXPECT_EQ(BrightPixels(shot, 0, at(60), width, at(90)), 0);
    // The centred title is centred.
    int left = BrightPixels(shot, 0, at(30), width / 2, at(50));
    int right = BrightPixels(shot, width / 2, at(30), width, at(50));
    EXPECT_GT(left, 50);
    EXPECT_NEAR(left, right, (left + right) / 4);
}

TEST(Harness, SampleTextAt640x480) { CheckSampleText(640, 480, "text_640x480.png"); }

TEST(Harness, SampleTextAt1920x1080) { CheckSampleText(1920, 1080, "text_1920x1080.png"); }

}  // namespace
