// Screen effects and the random stream: the background ease and its opacity, the star
// field's scatter, parallax and wrap, the particle pool, and the seeded generator.
#include <cmath>
#include <cstdint>
#include <set>

#include "game/random.h"
#include "tests/game/game_fixture.h"

namespace {

using Effects = GameTest;

// The generator written out independently: seed * 1664525 + 1013904223, top 24 bits.
struct Lcg {
    uint32_t seed;
    float Next() {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<float>(seed >> 8) / 16777216.0f;
    }
};

Lcg SeededLikeTheGame(int seed) {
    Lcg lcg{static_cast<uint32_t>(seed)};
    for (int i = 0; i < 21; ++i) lcg.Next();
    return lcg;
}

float* Star(c_MyApp* app, int i) {
    return app->m_Stars.Data() + i * 10;
}
float* Particle(c_MyApp* app, int i) {
    return app->m_Particles.Data() + i * 10;
}

TEST_F(Effects, BackgroundEasesAnEighthTowardItsTarget) {
    app->p_DoBG(80, 160, 240, 1);
    EXPECT_FLOAT_EQ(app->m_BGR, 10);
    EXPECT_FLOAT_EQ(app->m_BGG, 20);
    EXPECT_FLOAT_EQ(app->m_BGB, 30);
    EXPECT_FLOAT_EQ(app->m_ClsR, 10);
    EXPECT_FLOAT_EQ(app->m_ClsB, 30);
}

TEST_F(Effects, BackgroundWithMinus123KeepsTargetsAndClearsFully) {
    app->p_DoBG(80, 160, 240, 0.3f);
    app->p_Rect(0, 0, 1, 1);
    app->p_DoBG(-123, -123, -123, -123);
    EXPECT_EQ(app->m_BGTargetR, 80);
    EXPECT_EQ(app->m_BGTargetG, 160);
    EXPECT_EQ(app->m_BGTargetB, 240);
    EXPECT_FLOAT_EQ(app->m_BGR, 10 + 70 * 0.125f);
    EXPECT_EQ(app->m_ClsA, 1);
    EXPECT_EQ(app->m_DrawCount, 0);
}

TEST_F(Effects, BackgroundKeepsOnlyTheChannelsBelowMinus122) {
    app->p_DoBG(80, 160, 240, 1);
    app->p_DoBG(-122, -123, 0, 1);
    EXPECT_EQ(app->m_BGTargetR, -122);
    EXPECT_EQ(app->m_BGTargetG, 160);
    EXPECT_EQ(app->m_BGTargetB, 0);
}

TEST_F(Effects, BackgroundOpacityIsClampedAndNegativeMeansNone) {
    app->p_DoBG(0, 0, 0, 0.5f);
    EXPECT_EQ(app->m_ClsA, 0.5f);
    app->p_DoBG(0, 0, 0, -1);
    EXPECT_EQ(app->m_ClsA, 0);
    app->p_DoBG(0, 0, 0, 3);
    EXPECT_EQ(app->m_ClsA, 1);
}

TEST_F(Effects, ResetStarsScattersFromTheClockInItsDrawOrder) {
    host->clock.now = 1234.567;
    app->p_ResetStars(3);
    Lcg lcg = SeededLikeTheGame(qo_app_Millisecs());
    for (int i = 0; i <= 3; ++i) {
        const float* s = Star(app, i);
        EXPECT_FLOAT_EQ(s[0], std::floor(lcg.Next() * 255.99f));
        EXPECT_FLOAT_EQ(s[1], lcg.Next() * (640 + 16) - 8);
        EXPECT_FLOAT_EQ(s[2], lcg.Next() * (480 + 16) - 8);
        EXPECT_FLOAT_EQ(s[3], lcg.Next() * 0.6f + 0.2f);
        EXPECT_FLOAT_EQ(s[5], lcg.Next() * 360);
        EXPECT_FLOAT_EQ(s[6], lcg.Next() - 0.5f);
    }
    EXPECT_EQ(Star(app, 4)[3], 0);  // beyond the count nothing is touched
}

TEST_F(Effects, ResetStarsOutsideOneTo499KeepsTheCount) {
    app->p_ResetStars(7);
    EXPECT_EQ(app->m_StarCount, 7);
    app->p_ResetStars(0);
    EXPECT_EQ(app->m_StarCount, 7);
    app->p_ResetStars(500);
    EXPECT_EQ(app->m_StarCount, 7);
    app->p_ResetStars(499);
    EXPECT_EQ(app->m_StarCount, 499);
}

TEST_F(Effects, StarsWithoutCameraMovementOnlySpin) {
    app->p_ResetStars(5);
    float x = Star(app, 2)[1], y = Star(app, 2)[2], angle = Star(app, 2)[5], spin = Star(app, 2)[6];
    app->p_DoStars(0, 0);
    EXPECT_EQ(Star(app, 2)[1], x);
    EXPECT_EQ(Star(app, 2)[2], y);
    EXPECT_FLOAT_EQ(Star(app, 2)[5], angle + spin);
}

TEST_F(Effects, StarsMoveByTheirDepth) {
    app->p_ResetStars(1);
    float* s = Star(app, 0);
    s[1] = 100;
    s[2] = 100;
    s[3] = 0.8f;
    Star(app, 1)[1] = 100;
    Star(app, 1)[2] = 100;
    Star(app, 1)[3] = 0.2f;
    app->p_DoStars(10, -5);
    EXPECT_FLOAT_EQ(Star(app, 0)[1], 108);
    EXPECT_FLOAT_EQ(Star(app, 0)[2], 96);
    EXPECT_FLOAT_EQ(Star(app, 1)[1], 102);
}

TEST_F(Effects, StarLeavingTheLeftEdgeReentersAtTheRightWithNewHeightDepthAndFrame) {
    app->p_ResetStars(1);
    float* s = Star(app, 0);
    s[0] = 3;
    s[1] = -15;
    s[2] = 100;
    s[3] = 0.5f;
    host->clock.now = 2000.25;
    app->p_DoStars(-4, 0);  // -15 - 2 = -17, past -16
    Lcg lcg = SeededLikeTheGame(qo_app_Millisecs());
    EXPECT_FLOAT_EQ(s[1], -17 + 640 + 32);
    EXPECT_FLOAT_EQ(s[2], lcg.Next() * (480 + 16) - 8);
    EXPECT_FLOAT_EQ(s[3], lcg.Next() * 0.6f + 0.2f);
    EXPECT_FLOAT_EQ(s[0], std::floor(lcg.Next() * 255.99f));
}

TEST_F(Effects, StarLeavingTheBottomReentersAtTheTopWithNewX) {
    app->p_ResetStars(1);
    qo_Game_overscan = 10;
    float* s = Star(app, 0);
    s[1] = 300;
    s[2] = 480 + 10 + 15;
    s[3] = 0.5f;
    app->p_DoStars(0, 4);
    Lcg lcg = SeededLikeTheGame(qo_app_Millisecs());
    EXPECT_FLOAT_EQ(s[2], 507 - (480 + 20 + 32));
    EXPECT_FLOAT_EQ(s[1], lcg.Next() * (640 + 16) - 8);
}

TEST_F(Effects, StarsAreDrawnAsRotatedImagesAtTheirDepthAlpha) {
    app->p_ResetStars(2);
    app->p_CLS2D(kOmitted, 0, 0, 0);
    app->p_DoStars(0, 0);
    ASSERT_EQ(Records(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Record(i)[0], 96);
        EXPECT_EQ(Record(i)[6], Star(app, i)[0]);
        EXPECT_EQ(Record(i)[7], Star(app, i)[3]);
        EXPECT_EQ(Record(i)[3], -Star(app, i)[5]);
        EXPECT_EQ(Record(i)[4], 1);
    }
    EXPECT_EQ(app->m_Rot, 0);
}

TEST_F(Effects, ResetParticlesFreesTheRecordsUpToTheCount) {
    for (int i = 0; i < 20; ++i) Particle(app, i)[0] = 2;
    app->p_ResetParticles(10);
    EXPECT_EQ(app->m_ParticleCount, 10);
    EXPECT_EQ(Particle(app, 10)[0], 0);
    EXPECT_EQ(Particle(app, 11)[0], 2);
    app->p_ResetParticles(500);
    EXPECT_EQ(app->m_ParticleCount, 10);
}

TEST_F(Effects, FallingParticleMovesSlowsFadesAndIsFreed) {
    float* p = Particle(app, 4);
    p[0] = 2;
    p[1] = 10;
    p[2] = 20;
    p[3] = 1;
    p[4] = -1;
    p[7] = 0.015f;
    p[8] = 3;
    app->m_CamX = 5;
    app->p_CLS2D(kOmitted, 0, 0, 0);
    app->p_DoParticles(2);
    EXPECT_FLOAT_EQ(p[1], 11);
    EXPECT_FLOAT_EQ(p[3], 0.95f);
    EXPECT_FLOAT_EQ(p[4], -0.8f);
    ASSERT_EQ(Records(), 1);
    EXPECT_EQ(Record(0)[1], 6);
    EXPECT_EQ(Record(0)[4], 2);
    EXPECT_FLOAT_EQ(Record(0)[10], 255);  // palette 3 is yellow
    EXPECT_FLOAT_EQ(Record(0)[12], 25.5f);
    app->p_DoParticles(2);
    EXPECT_EQ(p[0], 0);
}

TEST_F(Effects, SquareParticleSnapsToTheSixteenGrid) {
    float* p = Particle(app, 0);
    p[0] = 16;
    p[1] = 37;
    p[2] = -3;
    p[7] = 1;
    app->p_CLS2D(kOmitted, 0, 0, 0);
    app->p_DoParticles(1);
    ASSERT_EQ(Records(), 1);
    EXPECT_EQ(Record(0)[0], kDrawRect);
    EXPECT_EQ(Record(0)[1], 32);
    EXPECT_EQ(Record(0)[2], -16);
    EXPECT_FLOAT_EQ(p[7], 1 - 0.013f);
}

TEST_F(Effects, SeedingStepsTheStreamTwentyOneTimes) {
    app->p_SeedRnd(12345);
    Lcg lcg = SeededLikeTheGame(12345);
    EXPECT_EQ(static_cast<uint32_t>(qo_random_Seed), lcg.seed);
    EXPECT_FLOAT_EQ(qo_random_Rnd(), lcg.Next());
}

TEST_F(Effects, TheOmittedSeedTakesTheClock) {
    host->clock.now = 77.5;
    app->p_SeedRnd(-37171650);
    EXPECT_EQ(static_cast<uint32_t>(qo_random_Seed), SeededLikeTheGame(77500).seed);
}

TEST_F(Effects, RandomValuesStayBelowOne) {
    // The seed whose next step gives 0xFFFFFFFF: the largest value the stream can make.
    uint32_t inverse = 1;
    for (int i = 0; i < 5; ++i) inverse *= 2 - 1664525u * inverse;  // Newton: 1664525^-1 mod 2^32
    qo_random_Seed = static_cast<int>((0xFFFFFFFFu - 1013904223u) * inverse);
    float r = qo_random_Rnd();
    EXPECT_LT(r, 1.0f);
    EXPECT_GT(r, 0.9999f);
}

TEST_F(Effects, RandReachesBothEndsInclusive) {
    app->p_SeedRnd(99);
    std::set<int> seen;
    for (int i = 0; i < 2000; ++i) {
        int v = app->p_Rand(3, 5);
        ASSERT_GE(v, 3);
        ASSERT_LE(v, 5);
        seen.insert(v);
    }
    EXPECT_EQ(seen.size(), 3u);
}

TEST_F(Effects, RandomModuleHelpersScaleTheSameStream) {
    qo_random_Seed = 5;
    Lcg lcg{5};
    EXPECT_FLOAT_EQ(qo_random_Rnd2(10, 20), 10 + 10 * lcg.Next());
    EXPECT_FLOAT_EQ(qo_random_Rnd3(4), lcg.Next() * 4);
}

}  // namespace
