// The score display's easing, the place a score takes in the top ten, and the
// game-over overlay's timing, words and notice, read from the draw list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/game/game_fixture.h"

namespace {

class Scoring : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        UseFontMetrics();
        app->m_LevelSize = 2;
    }

    void SetTable(std::initializer_list<int> scores) {
        int j = 10 * (app->m_LevelSize - 1);
        for (int s : scores) app->m_Scores[j++] = s;
    }

    // One dispatcher update of the overlay: the picture starts afresh.
    void OverlayUpdate() {
        app->p_CLS2D(kOmitted, 0, 0, 0);
        app->p_GameOver();
    }
};

TEST_F(Scoring, ShownScoreJumpsWhenWithinFive) {
    app->m_ShownScore = 100;
    app->m_Score = 105;
    app->p_ScoreDisplay();
    EXPECT_EQ(app->m_ShownScore, 105);
}

TEST_F(Scoring, ShownScoreEasesByASixthOfALargerDistance) {
    app->m_ShownScore = 0;
    app->m_Score = 600;
    app->p_ScoreDisplay();
    EXPECT_EQ(app->m_ShownScore, 100);
    app->p_ScoreDisplay();
    EXPECT_EQ(app->m_ShownScore, 183);
    // Down to a new game's 0: the division truncates toward zero.
    app->m_ShownScore = 1000;
    app->m_Score = 0;
    app->p_ScoreDisplay();
    EXPECT_EQ(app->m_ShownScore, 834);
}

TEST_F(Scoring, ScoreIsDrawnAsEightDigits) {
    app->m_ShownScore = app->m_Score = 4250;
    app->p_ScoreDisplay();
    EXPECT_EQ(Glyphs(), "00004250");
    EXPECT_EQ(Record(0)[4], 2);  // size 2
}

TEST_F(Scoring, HiddenOverlayStillEasesButDrawsNothing) {
    app->m_HideOverlay = 1;
    app->m_Score = 600;
    app->p_ScoreDisplay();
    EXPECT_EQ(app->m_ShownScore, 100);
    EXPECT_EQ(Records(), 0);
}

// The overlay announces the place where the score is filed (the first entry strictly
// below it), both while it builds and over the menu after the filing, and nothing when
// the score is not filed.
struct Place {
    std::vector<int> table;
    int score;
    const char* ordinal;
};

class AnnouncedPlace : public Scoring, public ::testing::WithParamInterface<Place> {};

TEST_P(AnnouncedPlace, IsWhereTheScoreIsFiled) {
    const Place& p = GetParam();
    for (size_t j = 0; j < p.table.size(); ++j) app->m_Scores[10 + j] = p.table[j];
    app->m_Score = p.score;
    app->m_Mode = 10;
    EXPECT_EQ(app->p_MyNth().ToUtf8(), p.ordinal) << "while the overlay builds";
    app->p_LoadMenu();
    app->m_Mode = 1;
    EXPECT_EQ(app->p_MyNth().ToUtf8(), p.ordinal) << "over the menu, after the filing";
    int filed = app->m_NewRank;
    EXPECT_EQ(filed < 0 ? "" : std::to_string(app->m_Scores[10 + filed]),
              *p.ordinal ? std::to_string(p.score) : "");
}

const std::vector<int> kFullTable = {900, 800, 700, 600, 500, 400, 300, 200, 100, 50};
INSTANTIATE_TEST_SUITE_P(
    Scoring, AnnouncedPlace,
    ::testing::Values(Place{{}, 0, ""}, Place{{}, 25, "1st!"}, Place{kFullTable, 950, "1st!"},
                      Place{kFullTable, 900, "2nd"}, Place{kFullTable, 800, "3rd"},
                      Place{kFullTable, 750, "3rd"}, Place{kFullTable, 51, "10th"},
                      Place{kFullTable, 50, ""}, Place{kFullTable, 49, ""}));

TEST_F(Scoring, PlacesReadFromTheCurrentSizesTable) {
    SetTable({900, 800, 700, 600, 500, 400, 300, 200, 100, 50});
    app->m_Mode = 10;
    app->m_Score = 750;
    EXPECT_EQ(app->p_MyNth().ToUtf8(), "3rd");
    app->m_LevelSize = 3;  // its table is still empty
    EXPECT_EQ(app->p_MyNth().ToUtf8(), "1st!");
    app->m_LevelSize = 4;  // no table at all
    EXPECT_EQ(app->p_MyNth().ToUtf8(), "");
}

TEST_F(Scoring, OverlayLastsNinetyUpdatesInGameModeThenShowsTheMenu) {
    app->m_Mode = 10;
    app->m_GameOver = 1;
    app->m_MusicOn = 1;
    qo_Game_HasMusicStream = 0;  // no audio device here: the music is left alone
    for (int update = 1; update < 90; ++update) {
        OverlayUpdate();
        ASSERT_EQ(app->m_Mode, 10) << "update " << update;
    }
    EXPECT_EQ(app->m_GameOverTime, 89);
    OverlayUpdate();
    EXPECT_EQ(app->m_Mode, 2);
    EXPECT_EQ(app->m_GameOverTime, 73);
    EXPECT_EQ(app->m_MusicOn, 1);
}

TEST_F(Scoring, OverlayFadesOutByTwoOverTheMenu) {
    app->m_Mode = 2;
    app->m_GameOverTime = 73;
    OverlayUpdate();
    EXPECT_EQ(app->m_GameOverTime, 71);
    app->m_GameOverTime = 1;
    OverlayUpdate();
    EXPECT_EQ(app->m_GameOverTime, 0);
    OverlayUpdate();
    EXPECT_EQ(Records(), 0);
}

TEST_F(Scoring, OverlayLocksInputAndCoversTheOverscan) {
    app->m_Mode = 10;
    app->m_GameOverTime = 40;
    qo_Game_overscan = 10;
    OverlayUpdate();
    EXPECT_EQ(app->m_KeyLock, 1);
    EXPECT_EQ(app->m_ClickLock, 1);
    const float* fade = Record(0);
    EXPECT_EQ(fade[0], kDrawRect);
    EXPECT_EQ(fade[1], -11);
    EXPECT_EQ(fade[2], -11);
    EXPECT_EQ(fade[4], 640 + 22);
    EXPECT_EQ(fade[5], 480 + 22);
    EXPECT_FLOAT_EQ(fade[7], 0.7f);  // alpha min(40 / 40, 0.7)
}

TEST_F(Scoring, OverlayShowsGameOverAndTheNewHighscore) {
    app->m_Mode = 10;
    app->m_GameOverTime = 50;
    app->m_Score = 0;
    OverlayUpdate();
    EXPECT_EQ(Glyphs(), "GAMEOVER") << "no points, no place";
    app->m_Score = 25;
    OverlayUpdate();
    EXPECT_EQ(Glyphs(), "GAMEOVERNewHighscore1st!");
}

TEST_F(Scoring, OverlayAfterQuittingSaysQuitGameWithoutANoticeWhenUnplaced) {
    SetTable({900, 800, 700, 600, 500, 400, 300, 200, 100, 50});
    app->m_Mode = 10;
    app->m_GameOverTime = 50;
    app->m_QuitGame = -1;
    app->m_Score = 25;
    OverlayUpdate();
    EXPECT_EQ(Glyphs(), "QuitGame");
}

TEST_F(Scoring, BarsGrowByTwelveAnUpdateUpToNearlyHalfTheScreen) {
    app->m_Mode = 1;
    app->m_GameOverTime = 10;
    OverlayUpdate();
    // Fade, then the yellow bar from the left.
    EXPECT_EQ(Record(1)[0], kDrawRect);
    EXPECT_EQ(Record(1)[4], 240);
    app->m_GameOverTime = 80;
    OverlayUpdate();
    EXPECT_EQ(Record(1)[4], 2 * 216);  // 0.45 x 480
}

TEST_F(Scoring, FanOfRaysOpensAsTheOverlayBuilds) {
    qo_Game_FadeOutStyle = 2;
    app->m_Mode = 10;
    auto rays = [&] {
        int n = 0;
        for (int i = 0; i < Records(); ++i) n += Record(i)[0] == kDrawTri;
        return n;
    };
    app->m_GameOverTime = 2;  // rays -12 and -11
    OverlayUpdate();
    EXPECT_EQ(rays(), 2);
    app->m_GameOverTime = 60;
    OverlayUpdate();
    EXPECT_EQ(rays(), 25);
    app->m_Mode = 2;
    app->m_GameOverTime = 8;  // closing from the left: rays 10..12
    OverlayUpdate();
    EXPECT_EQ(rays(), 3);
}

}  // namespace
