#include "tools/assetgen/synth.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace assetgen {
namespace {

Buffer Sine(double hz, double seconds, double amplitude) {
    Buffer b(size_t(seconds * kSampleRate));
    for (size_t i = 0; i < b.size(); ++i)
        b[i] = float(amplitude * std::sin(2 * M_PI * hz * double(i) / kSampleRate));
    return b;
}

TEST(Synth, MasterReachesTheLoudnessButNeverThePeakCeiling) {
    Buffer quiet = Tone(440, 0.5, 0);
    for (float& s : quiet) s *= 0.01f;
    Master(quiet, -20, -1.5);
    EXPECT_NEAR(Loudness(quiet), -20, 0.01);

    Buffer spiky(1000, 0.0f);
    spiky[500] = 0.2f;  // a click: tiny loudness, so only the ceiling can limit it
    Master(spiky, -10, -1.5);
    EXPECT_NEAR(20 * std::log10(Peak(spiky)), -1.5, 1e-4);
}

TEST(Synth, LoudnessWeighsBandsAsTheEarDoes) {
    // A 1 kHz sine of amplitude 1: mean square 1/2, plus the weighting's
    // small lift at 1 kHz.
    EXPECT_NEAR(Loudness(Sine(1000, 1, 1)), -2.3, 0.4);
    // Presence frequencies count a few dB more, deep bass much less.
    const double presence = Loudness(Sine(4000, 1, 1)) - Loudness(Sine(1000, 1, 1));
    EXPECT_GT(presence, 2.5);
    EXPECT_LT(presence, 4.5);
    EXPECT_LT(Loudness(Sine(25, 1, 1)), Loudness(Sine(1000, 1, 1)) - 4);
    // Only the loudest stretch counts, not the silence after it.
    Buffer tail = Sine(1000, 0.5, 1);
    tail.resize(size_t(3 * kSampleRate), 0.0f);
    EXPECT_NEAR(Loudness(tail), Loudness(Sine(1000, 1, 1)), 0.1);
    // A blip shorter than the window is heard as quieter than a held note.
    EXPECT_NEAR(Loudness(Sine(1000, 0.05, 1)), Loudness(Sine(1000, 1, 1)) - 6, 0.3);
}

TEST(Synth, VoicesStartAndEndAtSilenceSoMixingNeverClicks) {
    for (const Buffer& v :
         {Tone(440, 0.2, 3), Tone(110, 0.3, 1, 60), FmVoice(880, 0.15, 2, 1, 3, 2)}) {
        ASSERT_GT(v.size(), 1000u);
        EXPECT_LT(std::fabs(v.front()), 1e-3);
        EXPECT_LT(std::fabs(v.back()), 1e-3);
        // The last millisecond only closes the ramp: no sudden cut.
        for (size_t i = v.size() - 44; i < v.size(); ++i) EXPECT_LT(std::fabs(v[i]), 0.05) << i;
        // ...and the first half millisecond only opens it.
        for (size_t i = 0; i < 22; ++i) EXPECT_LT(std::fabs(v[i]), 0.3) << i;
    }
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
    EXPECT_EQ(u16(20), 1);   // PCM
    EXPECT_EQ(u16(22), 1);   // mono
    EXPECT_EQ(u16(34), 16);  // bits
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
