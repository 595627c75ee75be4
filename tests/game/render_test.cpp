// The replay on the real renderer: a clear opacity below one leaves part of the
// previous frame, read back from the screen.
#include <gtest/gtest.h>

#include "tests/game/game_harness.h"

namespace {

// Update 1 paints the screen white; every later update clears at half opacity and
// draws nothing.
struct FadeScreen : c_MyApp {
    int updates = 0;
    int p_OnUpdate() override {
        if (++updates == 1) {
            p_CLS2D(0, 0, 0, 1);
            p_Rect(-10, -10, qo_Game_jscrw + 20, qo_Game_jscrh + 20);
        } else {
            p_CLS2D(0, 0, 0, 0.5f);
        }
        return 0;
    }
};

TEST(Render, HalfOpacityClearLeavesHalfThePreviousFrame) {
    GameHarness h({160, 120});
    if (!h.Ready()) GTEST_SKIP() << h.Why();
    h.Start(new FadeScreen);
    h.RunUpdates(1);
    EXPECT_NEAR(h.Screenshot().Pixel(80, 60).r, 255, 2);
    h.RunUpdates(1);
    GameHarness::Shot once = h.Screenshot();
    EXPECT_NEAR(once.Pixel(80, 60).r, 128, 3);
    EXPECT_NEAR(once.Pixel(2, 2).g, 128, 3);
    GameHarness::Shot twice = h.Screenshot();
    EXPECT_NEAR(twice.Pixel(80, 60).b, 64, 3);
}

TEST(Render, FullOpacityClearCoversThePreviousFrame) {
    GameHarness h({160, 120});
    if (!h.Ready()) GTEST_SKIP() << h.Why();
    c_MyApp* app = h.Start(new FadeScreen);
    h.RunUpdates(1);
    h.Screenshot();
    app->p_CLS2D(10, 20, 30, 1);
    GameHarness::Shot shot = h.Screenshot();
    EXPECT_NEAR(shot.Pixel(80, 60).r, 10, 2);
    EXPECT_NEAR(shot.Pixel(159, 119).b, 30, 2);
}

}  // namespace
