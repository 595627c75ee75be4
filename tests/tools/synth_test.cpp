#include "tools/assetgen/synth.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace assetgen {
namespace {

TEST(Synth, MasterReachesTheLoudnessButNeverThePeakCeiling) {
    Buffer quiet = Tone(440, 0.5, 0);
    for (float& s : quiet) s *= 0.01f;
    Master(quiet, -20, -1.5);
    EXPECT_NEAR(20 * std::log10(Rms(quiet)), -20, 0.01);

    Buffer spiky(1000, 0.0f);
    spiky[500] = 0.2f;  // a click: tiny RMS, so only the ceiling can limit it
    Master(spiky, -10, -1.5);
    EXPECT_NEAR(20 * std::log10(Peak(spiky)), -1.5, 1e-4);
}

TEST(Synth, FadeSilencesBothEnds) {
    Buffer b(4410, 1.0f);
    Fade(b, 0.01, 0.01);
    EXPECT_EQ(b.front(), 0.0f);
    EXPECT_EQ(b.back(), 0.0f);
    EXPECT_EQ(b[2205], 1.0f);
}

TEST(Synth, MixWrapsTailsToTheStart) {
    Buffer loop(100, 0.0f), voice(30, 1.0f);
    Mix(loop, voice, 90, 0.5f, true);
    EXPECT_EQ(loop[95], 0.5f);
    EXPECT_EQ(loop[5], 0.5f);
    EXPECT_EQ(loop[25], 0.0f);
    Buffer clipped(100, 0.0f);
    Mix(clipped, voice, 90, 0.5f, false);
    EXPECT_EQ(clipped[5], 0.0f);
}

TEST(Synth, WaveHeaderDescribes16BitPcm) {
    Buffer b = {0.0f, 0.5f, -1.0f, 2.0f};
    std::vector<uint8_t> w = EncodeWave(b, 1);
    ASSERT_EQ(w.size(), 44u + 8u);
    EXPECT_EQ(std::memcmp(w.data(), "RIFF", 4), 0);
    EXPECT_EQ(std::memcmp(w.data() + 8, "WAVEfmt ", 8), 0);
    auto u16 = [&](size_t at) { return int(w[at] | (w[at + 1] << 8)); };
    EXPECT_EQ(u16(20), 1);      // PCM
    EXPECT_EQ(u16(22), 1);      // mono
    EXPECT_EQ(u16(34), 16);     // bits
    EXPECT_EQ(int16_t(u16(46)), 16384);
    EXPECT_EQ(int16_t(u16(48)), -32767);
    EXPECT_EQ(int16_t(u16(50)), 32767);  // out-of-range input is clamped, not wrapped
}

TEST(Synth, NoiseIsReproducibleAndCentred) {
    Noise a(5), b(5);
    double sum = 0;
    for (int i = 0; i < 10000; ++i) {
        float x = a.Next();
        EXPECT_EQ(x, b.Next());
        sum += x;
    }
    EXPECT_LT(std::fabs(sum / 10000), 0.05);
}

}  // namespace
}  // namespace assetgen
