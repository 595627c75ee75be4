// The frame loop on a fake clock: pacing, bounded catch-up, rate 0, rate changes inside
// an update, suspension, and the guards of the host's event entry points.
#include <gtest/gtest.h>

#include "tests/host/fake_host.h"

namespace {

class FrameLoop : public ::testing::Test {
protected:
    ScriptedHost host;
    CountingDelegate* game = new CountingDelegate;

    void SetUp() override {
        host.SetDelegate(game);
        host.StartGame();
    }
    void RunFor(double seconds) {
        double end = host.clock.now + seconds;
        while (host.clock.now < end) host.RunFrame();
    }
    void Frames(int n) {
        for (int i = 0; i < n; ++i) host.RunFrame();
    }
};

TEST_F(FrameLoop, SixtyHertzRunsSixtyUpdatesPerSecondOnAverage) {
    host.SetUpdateRate(60);
    RunFor(10.0);
    EXPECT_NEAR(game->updates, 600, 2);
    // Each frame sleeps until its one update is due instead of spinning.
    EXPECT_NEAR(game->renders, 600, 2);
    EXPECT_GE(host.clock.sleeps, 598);
}

TEST_F(FrameLoop, FirstFrameRendersBeforeTheFirstUpdate) {
    int rendersAtFirstUpdate = -1;
    game->onUpdate = [&] {
        if (rendersAtFirstUpdate < 0) rendersAtFirstUpdate = game->renders;
    };
    host.SetUpdateRate(60);
    Frames(1);
    EXPECT_EQ(rendersAtFirstUpdate, 1);
}

TEST_F(FrameLoop, OneSecondStallRunsExactlyFourUpdatesThenRestartsTheSchedule) {
    host.SetUpdateRate(60);
    Frames(10);
    host.clock.now += 1.0;  // the machine stalls

    int before = game->updates;
    Frames(1);
    EXPECT_EQ(game->updates - before, 4);
    EXPECT_EQ(host.NextUpdate(), 0.0);

    // The next frame anchors a fresh schedule at the current time: no sleep, one update.
    int sleeps = host.clock.sleeps;
    double anchor = host.clock.now;
    Frames(1);
    EXPECT_EQ(game->updates - before, 5);
    EXPECT_EQ(host.clock.sleeps, sleeps);
    EXPECT_DOUBLE_EQ(host.NextUpdate(), anchor + 1.0 / 60);

    // The lost second is not made up: the next second holds the normal 60 updates.
    before = game->updates;
    RunFor(1.0);
    EXPECT_NEAR(game->updates - before, 60, 1);
}

TEST_F(FrameLoop, ShortLagIsCaughtUpWithinTheSameFrame) {
    host.SetUpdateRate(60);
    Frames(10);
    host.clock.now += 3.5 / 60;  // three updates fall due during the lag

    int before = game->updates;
    Frames(1);
    EXPECT_EQ(game->updates - before, 3);
    EXPECT_GT(host.NextUpdate(), host.clock.now);
}

TEST_F(FrameLoop, RateZeroRunsOneUpdatePerRenderWithoutSleeping) {
    host.SetUpdateRate(0);
    Frames(100);
    EXPECT_EQ(game->updates, 100);
    EXPECT_EQ(game->renders, 100);
    EXPECT_EQ(host.clock.sleeps, 0);
}

TEST_F(FrameLoop, RateChangeInsideAnUpdateEndsTheCatchUp) {
    host.SetUpdateRate(60);
    Frames(5);
    host.clock.now += 1.0;
    int updatesInFrame = 0;
    game->onUpdate = [&] {
        if (++updatesInFrame == 2) host.SetUpdateRate(5);
    };
    Frames(1);
    EXPECT_EQ(updatesInFrame, 2);
    // Re-anchored at the next frame, now at the new period.
    game->onUpdate = nullptr;
    Frames(1);
    EXPECT_DOUBLE_EQ(host.NextUpdate(), host.clock.now + 1.0 / 5);
}

TEST_F(FrameLoop, InactiveWindowSuspendsRunsNoUpdatesAndRendersOncePerEvent) {
    host.SetUpdateRate(60);
    Frames(3);
    int updates = game->updates;

    host.active = false;
    Frames(1);  // notices the lost focus
    EXPECT_EQ(game->suspends, 1);
    EXPECT_TRUE(host.Suspended());

    int renders = game->renders;
    int polls = host.polls;
    Frames(5);  // each frame blocks until one event arrives
    EXPECT_EQ(host.waits, 5);
    EXPECT_EQ(host.polls, polls);
    EXPECT_EQ(game->renders - renders, 5);
    EXPECT_EQ(game->updates, updates);
}

TEST_F(FrameLoop, ResumeAfterLongSuspensionDoesNotCatchUpTheLostTime) {
    host.SetUpdateRate(60);
    Frames(3);
    host.active = false;
    Frames(2);
    host.clock.now += 30.0;
    host.active = true;

    int updates = game->updates;
    Frames(1);
    EXPECT_EQ(game->resumes, 1);
    EXPECT_FALSE(host.Suspended());
    EXPECT_EQ(game->updates - updates, 1);
}

TEST_F(FrameLoop, ClosedWindowEndsTheLoop) {
    host.open = false;
    EXPECT_FALSE(host.RunFrame());
    EXPECT_EQ(game->renders, 0);
}

// ---- guarded entry points ----------------------------------------------------------------

TEST(HostEntryPoints, EventsBeforeStartReachNobody) {
    ScriptedHost host;
    auto* game = new CountingDelegate;
    host.SetDelegate(game);
    host.KeyEvent(1, 65);
    host.UpdateGame();
    host.RenderGame();
    host.ResumeGame();
    EXPECT_TRUE(game->keys.empty());
    EXPECT_EQ(game->updates + game->renders + game->resumes, 0);

    host.StartGame();
    host.StartGame();
    EXPECT_EQ(game->starts, 1);
}

TEST(HostEntryPoints, SuspendedHostStillRendersButDoesNotUpdate) {
    ScriptedHost host;
    auto* game = new CountingDelegate;
    host.SetDelegate(game);
    host.StartGame();
    host.SuspendGame();
    host.SuspendGame();
    host.UpdateGame();
    host.RenderGame();
    EXPECT_EQ(game->suspends, 1);
    EXPECT_EQ(game->updates, 0);
    EXPECT_EQ(game->renders, 1);
}

TEST(HostEntryPoints, DelegateReachableOnlyFromTheHostSurvivesCollections) {
    ScriptedHost host;
    auto* game = new CountingDelegate;
    auto* held = new Object;
    gc_assign(game->held, held);
    host.SetDelegate(game);
    host.StartGame();
    gc_stress = true;  // every step finishes a whole cycle
    for (int i = 0; i < 4; ++i) host.KeyEvent(1, 65);
    gc_stress = false;
    gc_release_garbage();
    EXPECT_TRUE(gc_is_live_object(game));
    EXPECT_TRUE(gc_is_live_object(held));
    EXPECT_TRUE(gc_check_invariants());
}

TEST(HostEntryPoints, ThrowableEscapingAnUpdateEndsTheProgramAsUncaught) {
    EXPECT_EXIT(
        {
            ScriptedHost host;
            auto* game = new CountingDelegate;
            game->onUpdate = [] { throw new ThrowableObject; };
            host.SetDelegate(game);
            host.StartGame();
            host.UpdateGame();
        },
        ::testing::ExitedWithCode(255), "");
}

}  // namespace
