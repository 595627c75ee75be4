// The play screen through the real host loop on a fake clock, with scripted keys:
// collecting, blocking, rolling, trails, being boxed in, trap tiles, the exit, the next
// level and slow motion; and screenshots of play, a roll, the open exit and game over.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/vocabulary.h"
#include "graphics/graphics.h"
#include "graphics/renderer.h"
#include "input/key_codes.h"
#include "tests/game/game_harness.h"

namespace {

constexpr int kKeySlow = 86;                   // V: button 13
constexpr int kFlash = slots::kFrameExit + 1;  // the open exit's blink

// The real game, entered from its menu, then put on a level of the test's making.
class Play : public ::testing::Test {
protected:
    void Begin(GameHarness::Config config = {640, 480}) {
        harness = std::make_unique<GameHarness>(config);
        if (!harness->Ready()) GTEST_SKIP() << harness->Why();
        app = harness->StartMenu();
        harness->EnterGame();
        app->m_LevelSize = 2;
        app->p_ResetGrid();
        app->p_ResetPlayers();
        app->p_ResetObj();
        cube()[cube::kDir] = cube::kResting;
        cube()[cube::kColours] = 3;
        cube()[cube::kHeight] = 1;
        cube()[cube::kWanted + 1] = cube()[cube::kWanted + 2] = cube()[cube::kWanted + 3] = 5;
        PlaceCube(64, 64);
        begun = harness->Updates();
    }

    float* cube() { return app->m_Cube.Data(); }
    float* Cell(int x, int y) { return app->m_Grid.Data() + grid::CellIndex(x, y); }

    // The cube landed and resting at (x, y), the camera already on it.
    void PlaceCube(int x, int y) {
        cube()[cube::kCol] = static_cast<float>(x);
        cube()[cube::kRow] = static_cast<float>(y);
        cube()[cube::kDrop] = 0;
        app->m_CamX = app->m_CamTargetX = iso::WorldX(x, y) - 320;
        app->m_CamY = app->m_CamTargetY = iso::WorldY(x, y, 1) - 240;
    }
    // Plain floor over the square of cells within `radius` of (x, y).
    void Floor(int x, int y, int radius) {
        for (int cy = y - radius; cy <= y + radius; ++cy)
            for (int cx = x - radius; cx <= x + radius; ++cx)
                Cell(cx, cy)[grid::kFloor] = (cx + cy) % 2 ? tile::kPlainA : tile::kPlainB;
    }

    // Runs updates one at a time, noting the clock at each.
    void Run(int updates) {
        for (int i = 0; i < updates; ++i) {
            harness->RunUpdates(1);
            updateMs.push_back(qo_app_Millisecs());
        }
    }
    // Holds a direction key for the two updates the key movement takes to ease past the
    // threshold, then runs until the cube rests again.
    void Roll(int key) {
        harness->KeyDown(key);
        Run(2);
        harness->KeyUp(key);
        for (int i = 0; i < 40 && cube()[cube::kDir] != cube::kResting; ++i) Run(1);
    }
    // Records of the level art's frame `frame` in the list of the test's update `update`.
    int RecordsOf(int update, int frame) {
        const std::vector<float>& list = harness->DrawList(begun + update);
        int n = 0;
        for (size_t i = 0; i + 15 <= list.size(); i += 15)
            n += list[i] == slots::kImgLevel && list[i + 6] == frame;
        return n;
    }
    void Shot(const std::string& name) { harness->Screenshot().Save(GameHarness::ShotPath(name)); }

    std::unique_ptr<GameHarness> harness;
    c_MyApp* app = nullptr;
    std::vector<int> updateMs;
    int begun = 0;  // updates the loader and the menu took
};

TEST_F(Play, RestingCubeBetweenTwoGemsOfItsColourCollectsBothInOneUpdate) {
    Begin();
    if (!app) return;
    Floor(64, 64, 3);
    Cell(64, 63)[grid::kObject] = 1;
    Cell(64, 65)[grid::kObject] = 1;
    Cell(63, 64)[grid::kObject] = 2;  // another colour stays
    Run(1);
    EXPECT_EQ(cube()[cube::kWanted + 1], 3);
    EXPECT_EQ(app->m_Score, 50);
    EXPECT_EQ(Cell(64, 63)[grid::kObject], 0);
    EXPECT_EQ(Cell(64, 65)[grid::kObject], 0);
    EXPECT_EQ(Cell(63, 64)[grid::kObject], 2);
    // Each collected gem flies up as a piece of its colour.
    EXPECT_EQ(app->m_Objs[0], 1);
    EXPECT_EQ(app->m_Objs[10], 1);
    EXPECT_EQ(app->m_Objs[5], -1);
}

TEST_F(Play, GemOfAnotherColourBlocksUntilTheCubeComesBackInThatColour) {
    Begin();
    if (!app) return;
    Floor(64, 64, 3);
    cube()[cube::kColour] = 2;  // colour 3
    Cell(65, 64)[grid::kObject] = 2;
    harness->KeyDown(keys::kRight);
    Run(10);
    harness->KeyUp(keys::kRight);
    EXPECT_EQ(cube()[cube::kDir], cube::kResting);
    EXPECT_EQ(cube()[cube::kCol], 64);
    Roll(keys::kDown);  // arrives as colour 1
    ASSERT_EQ(cube()[cube::kRow], 65);
    EXPECT_EQ(Cell(65, 64)[grid::kObject], 2);
    Roll(keys::kUp);  // back beside the gem as colour 2
    EXPECT_EQ(cube()[cube::kRow], 64);
    EXPECT_EQ(cube()[cube::kColour], 1);
    EXPECT_EQ(Cell(65, 64)[grid::kObject], 0);
    EXPECT_EQ(cube()[cube::kWanted + 2], 4);
}

TEST_F(Play, DiagonalInputStartsTheUpwardRollOnly) {
    Begin();
    if (!app) return;
    Floor(64, 64, 3);
    harness->KeyDown(keys::kUp);
    harness->KeyDown(keys::kRight);
    Run(1);  // keys ease in: no move yet
    EXPECT_EQ(cube()[cube::kDir], cube::kResting);
    Run(1);
    EXPECT_EQ(cube()[cube::kDir], 1);
    EXPECT_EQ(cube()[cube::kRow], 63);  // an upward roll moves the row at once
    EXPECT_EQ(cube()[cube::kCol], 64);
    EXPECT_EQ(cube()[cube::kRollY], 1);
    EXPECT_EQ(cube()[cube::kDelay], 12 - 0.58f);
}

TEST_F(Play, RollTakesSixteenUpdatesAndCyclesTheColour) {
    Begin();
    if (!app) return;
    Floor(64, 64, 3);
    harness->KeyDown(keys::kRight);
    Run(2);
    harness->KeyUp(keys::kRight);
    Run(15);
    EXPECT_EQ(cube()[cube::kDir], 2);
    EXPECT_EQ(cube()[cube::kStep], 15);
    EXPECT_FLOAT_EQ(cube()[cube::kRollX], 15 * 0.0625f);
    Run(1);
    EXPECT_EQ(cube()[cube::kDir], cube::kResting);
    EXPECT_EQ(cube()[cube::kCol], 65);
    EXPECT_EQ(cube()[cube::kRollX], 0);
    EXPECT_EQ(cube()[cube::kColour], 1);
}

TEST_F(Play, HeldDirectionRollsAgainAfterTheMoveDelay) {
    Begin();
    if (!app) return;
    Floor(64, 64, 6);
    harness->KeyDown(keys::kRight);
    Run(18);  // the roll starts on update 2 and ends on 18; the delay holds the next back
    EXPECT_EQ(cube()[cube::kCol], 65);
    EXPECT_EQ(cube()[cube::kDir], cube::kResting);
    Run(4);
    EXPECT_EQ(cube()[cube::kDir], cube::kResting);
    Run(1);  // 12 / 0.58: the delay runs out 21 updates after the roll began
    EXPECT_EQ(cube()[cube::kDir], 2);
    harness->KeyUp(keys::kRight);
}

TEST_F(Play, CellRestedOnCanBeEnteredAgainOnlyAfterFifteenMoreRolls) {
    Begin();
    if (!app) return;
    Floor(64, 68, 8);
    Roll(keys::kRight);  // rests on (65, 64)
    float* first = Cell(65, 64);
    EXPECT_EQ(first[grid::kTrail], 15);
    // A zigzag away from it that never comes back: right, down, left, down, ...
    const int path[] = {keys::kRight, keys::kDown, keys::kLeft, keys::kDown};
    for (int roll = 1; roll <= 14; ++roll) Roll(path[(roll - 1) % 4]);
    EXPECT_EQ(first[grid::kTrail], 1);
    Roll(path[14 % 4]);
    EXPECT_EQ(first[grid::kTrail], 0);
}

TEST_F(Play, TrailBlocksANeighbourUntilItRunsOut) {
    Begin();
    if (!app) return;
    Floor(64, 64, 3);
    Cell(65, 64)[grid::kTrail] = 1;
    harness->KeyDown(keys::kRight);
    Run(3);
    EXPECT_EQ(cube()[cube::kDir], cube::kResting);
    harness->KeyUp(keys::kRight);
    Run(1);
    Cell(65, 64)[grid::kTrail] = 0;
    harness->KeyDown(keys::kRight);
    Run(2);
    EXPECT_EQ(cube()[cube::kDir], 2);
}

TEST_F(Play, BoxedInCubeFallsAfterThirtyOneRestingUpdates) {
    Begin();
    if (!app) return;
    Floor(64, 64, 2);
    Cell(64, 63)[grid::kObject] = tile::kStoneA;
    Cell(64, 65)[grid::kObject] = tile::kStoneB;
    Cell(63, 64)[grid::kObject] = tile::kStoneA;
    Cell(65, 64)[grid::kObject] = tile::kStoneB;
    Run(30);
    EXPECT_EQ(cube()[cube::kStuck], 30);
    EXPECT_NE(Cell(64, 64)[grid::kFloor], 0);
    Run(1);
    EXPECT_EQ(Cell(64, 64)[grid::kFloor], 0);
    EXPECT_EQ(cube()[cube::kDrop], 0);
    Run(1);
    EXPECT_EQ(cube()[cube::kDrop], 0.25f);
    // Falling out of view ends the game.
    Run(60);
    EXPECT_EQ(app->m_GameOver, 1);
}

TEST_F(Play, TrapOfTheCubesColourDropsItInTheSameUpdateAndScores) {
    Begin();
    if (!app) return;
    Floor(64, 64, 3);
    Cell(65, 64)[grid::kFloor] = 2;  // the cube arrives there as colour 2
    harness->KeyDown(keys::kRight);
    Run(2);
    harness->KeyUp(keys::kRight);
    Run(15);
    EXPECT_EQ(cube()[cube::kDrop], 0);
    Run(1);
    EXPECT_EQ(cube()[cube::kCol], 65);
    EXPECT_EQ(Cell(65, 64)[grid::kFloor], 0);
    EXPECT_EQ(cube()[cube::kDrop], 0.25f);
    EXPECT_EQ(cube()[cube::kWanted + 2], 4);
    EXPECT_EQ(app->m_Score, 25);
    EXPECT_EQ(app->m_Objs[0], 2);
    EXPECT_EQ(app->m_Objs[5], 1);  // the crumbled tile sinks
}

TEST_F(Play, ExitWithATargetUnmetDoesNothingAndDoesNotBlink) {
    Begin();
    if (!app) return;
    Floor(64, 64, 3);
    Cell(64, 64)[grid::kFloor] = Cell(65, 64)[grid::kFloor] = Cell(64, 65)[grid::kFloor] =
        Cell(65, 65)[grid::kFloor] = tile::kExit;
    cube()[cube::kWanted + 1] = cube()[cube::kWanted + 2] = 0;
    cube()[cube::kWanted + 3] = 1;
    Run(60);  // a second: two blink periods
    EXPECT_EQ(cube()[cube::kRise], 0);
    EXPECT_EQ(app->m_Score, 0);
    for (int update = 1; update <= 60; ++update) {
        EXPECT_EQ(RecordsOf(update, kFlash), 0) << "update " << update;
        EXPECT_EQ(RecordsOf(update, slots::kFrameExit), 4);
    }
}

TEST_F(Play, MeetingEveryTargetOnTheExitLiftsTheCubeAndBuildsTheNextLevel) {
    Begin();
    if (!app) return;
    Floor(64, 64, 3);
    Cell(64, 64)[grid::kFloor] = Cell(65, 64)[grid::kFloor] = Cell(64, 65)[grid::kFloor] =
        Cell(65, 65)[grid::kFloor] = tile::kExit;
    cube()[cube::kWanted + 1] = cube()[cube::kWanted + 2] = cube()[cube::kWanted + 3] = 0;
    cube()[cube::kSeed] = 1000;
    PlaceCube(64, 64);
    Run(1);
    EXPECT_EQ(cube()[cube::kRise], 1);
    int blinks = 0;
    for (int update = 2; update <= 200 && app->m_Score == 0; ++update) {
        Run(1);
        blinks += RecordsOf(update, kFlash) > 0;
    }
    EXPECT_GT(blinks, 0);
    EXPECT_EQ(app->m_Score, 500);
    EXPECT_EQ(cube()[cube::kProgress], 2);
    EXPECT_EQ(cube()[cube::kSeed], 1014);
    EXPECT_EQ(cube()[cube::kRise], 0);
    EXPECT_EQ(cube()[cube::kDone], 0);
    EXPECT_LT(cube()[cube::kDrop], 0);  // the next level's drop-in
    EXPECT_GE(cube()[cube::kWanted + 1] + cube()[cube::kWanted + 2] + cube()[cube::kWanted + 3], 1);
}

TEST_F(Play, HoldingButtonThirteenRunsAtFiveUpdatesASecond) {
    Begin();
    if (!app) return;
    Floor(64, 64, 3);
    Run(2);
    harness->KeyDown(kKeySlow);
    Run(4);
    EXPECT_EQ(qo_app_UpdateRate(), 5);
    EXPECT_EQ(cube()[cube::kSlow], 1);
    harness->KeyUp(kKeySlow);
    Run(4);
    EXPECT_EQ(qo_app_UpdateRate(), 60);
    EXPECT_EQ(cube()[cube::kSlow], 0);
    const std::vector<int>& ms = updateMs;
    ASSERT_EQ(ms.size(), 10u);
    EXPECT_NEAR(ms[5] - ms[4], 200, 2);
    EXPECT_NEAR(ms[9] - ms[8], 17, 1);

    // A resume sets 60; with the button still held the game is slow again once it plays.
    harness->KeyDown(kKeySlow);
    Run(2);
    app->p_OnResume();
    app->m_Paused = 0;
    Run(2);
    EXPECT_EQ(qo_app_UpdateRate(), 5);
}

TEST_F(Play, PauseKeyPausesAndStopsThePlay) {
    Begin();
    if (!app) return;
    Floor(64, 64, 3);
    harness->KeyDown(keys::kEscape);
    Run(1);
    EXPECT_EQ(app->m_Paused, 1);
    EXPECT_EQ(app->m_KeyLock, 1);
    EXPECT_EQ(app->m_PauseCursor, 1);
    EXPECT_EQ(app->m_MenuIntro, -32);
    // While paused the play screen does not run: a held direction does not roll.
    harness->KeyUp(keys::kEscape);
    harness->KeyDown(keys::kRight);
    Run(5);
    EXPECT_EQ(cube()[cube::kDir], cube::kResting);
}

TEST_F(Play, PauseButtonTouchedPausesWithTheClickLock) {
    Begin();
    if (!app) return;
    Floor(64, 64, 3);
    Run(1);  // the overlay draws the button
    GameHarness::Spot button =
        harness->Drawn(harness->Updates(), slots::kImgIcons, 0).value_or(GameHarness::Spot{});
    harness->MouseDown(button.x + 44, button.y);  // beside it
    Run(1);
    EXPECT_EQ(app->m_Paused, 0);
    harness->MouseMove(button.x + 4, button.y);
    Run(1);
    EXPECT_EQ(app->m_Paused, 1);
    EXPECT_EQ(app->m_ClickLock, 1);
    EXPECT_EQ(app->m_KeyLock, 0);
}

TEST_F(Play, ScreenshotsOfPlayARollTheOpenExitAndGameOver) {
    for (GameHarness::Config size :
         {GameHarness::Config{640, 480}, GameHarness::Config{1920, 1080}}) {
        Begin(size);
        if (!app) return;
        std::string tag = std::to_string(size.width) + "x" + std::to_string(size.height);
        // A real level, landed.
        app->m_LevelSize = 3;
        cube()[cube::kSeed] = 4321;
        cube()[cube::kProgress] = 6;
        app->p_GetLev(1);
        Run(120);
        EXPECT_EQ(cube()[cube::kDrop], 0);
        Shot("play_level_" + tag + ".png");
        // Half way through a roll in a free direction.
        const int keysByDir[] = {keys::kDown, keys::kUp, keys::kRight, keys::kLeft};
        int col = static_cast<int>(cube()[cube::kCol]), row = static_cast<int>(cube()[cube::kRow]);
        const int next[4][2] = {{col, row + 1}, {col, row - 1}, {col + 1, row}, {col - 1, row}};
        for (int d = 0; d < 4; ++d) {
            const float* cell = Cell(next[d][0], next[d][1]);
            if (cell[grid::kFloor] == 0 || cell[grid::kTrail] > 0 || cell[grid::kObject] > 0)
                continue;
            harness->KeyDown(keysByDir[d]);
            Run(2);
            harness->KeyUp(keysByDir[d]);
            Run(8);
            break;
        }
        EXPECT_GT(cube()[cube::kStep], 0);
        Shot("play_roll_" + tag + ".png");
        Run(10);
        // The exit open beside the cube: the targets met.
        col = static_cast<int>(cube()[cube::kCol]), row = static_cast<int>(cube()[cube::kRow]);
        Floor(col, row, 2);
        for (int y = row - 2; y <= row + 2; ++y)
            for (int x = col - 2; x <= col + 2; ++x) Cell(x, y)[grid::kObject] = 0;
        Cell(col + 1, row - 2)[grid::kFloor] = Cell(col + 2, row - 2)[grid::kFloor] = Cell(
            col + 1, row - 1)[grid::kFloor] = Cell(col + 2, row - 1)[grid::kFloor] = tile::kExit;
        cube()[cube::kWanted + 1] = cube()[cube::kWanted + 2] = cube()[cube::kWanted + 3] = 0;
        // Long enough for the backdrop to turn green, then the next blink.
        Run(30);
        int open = 0;
        for (int i = 0; i < 40 && open == 0; ++i) {
            Run(1);
            open = RecordsOf(harness->Updates() - begun, kFlash);
        }
        EXPECT_EQ(open, 4);
        Shot("play_exit_open_" + tag + ".png");
        // Game over with a new highscore.
        app->m_Score = 1250;
        app->m_GameOver = 1;
        Run(60);
        Shot("play_game_over_" + tag + ".png");
        // The other fade: a fan of rays opening from the bottom centre.
        qo_Game_FadeOutStyle = 2;
        app->m_GameOverTime = 20;
        Run(8);
        Shot("play_game_over_fan_" + tag + ".png");
        qo_Game_FadeOutStyle = 1;
        harness.reset();
    }
}

TEST_F(Play, FrameWithStarsLevelCubeAndCountersGoesOutInTwelveDrawCalls) {
    Begin();
    if (!app) return;
    Floor(64, 64, 6);
    Cell(65, 64)[grid::kObject] = 1;
    Cell(63, 63)[grid::kObject] = 2;
    Run(3);
    gxtkGraphics* gfx = qo_graphics_device;
    gfx->stats.Reset();
    harness->Screenshot();
    // Background, stars, level before and after the cube (two cube images), the counters'
    // boxes, icons and digits with the score, the pause button.
    EXPECT_LE(gfx->stats.drawCalls, 12);
}

}  // namespace
