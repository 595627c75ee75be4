// A played effect is heard: the game plays slot 1 through OpenAL Soft's wave backend,
// and the capture holds sound where the effect plays and silence before it.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "audio/sound.h"
#include "tests/game/game_fixture.h"

namespace {

// 16-bit stereo samples of the capture's data chunk.
std::vector<int16_t> ReadCapture(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t at = 12;
    while (at + 8 <= bytes.size()) {
        std::string id = bytes.substr(at, 4);
        uint32_t size = static_cast<unsigned char>(bytes[at + 4]) |
                        static_cast<unsigned char>(bytes[at + 5]) << 8 |
                        static_cast<unsigned char>(bytes[at + 6]) << 16 |
                        static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 7])) << 24;
        if (id == "data") {
            size_t n = std::min<size_t>(size, bytes.size() - at - 8) / 2;
            std::vector<int16_t> samples(n);
            std::memcpy(samples.data(), bytes.data() + at + 8, n * 2);
            return samples;
        }
        at += 8 + size;
    }
    return {};
}

double Rms(const std::vector<int16_t>& s, size_t from, size_t to) {
    to = std::min(to, s.size());
    if (to <= from) return 0;
    double sum = 0;
    for (size_t i = from; i < to; ++i) sum += (s[i] / 32768.0) * (s[i] / 32768.0);
    return std::sqrt(sum / static_cast<double>(to - from));
}

using GameAudioCapture = GameTest;

TEST_F(GameAudioCapture, PlayedEffectIsAudibleInTheCapture) {
    std::remove(CAPTURE_FILE);
    auto* device = new gxtkAudio;
    qo_audio_SetAudioDevice(device);
    auto opened = std::chrono::steady_clock::now();
    for (int i = 0; i <= 32; ++i) app->m_SfxChannels[i] = i;
    app->p_LoadSFX(1);
    ASSERT_NE(app->m_Sounds[1].get(), nullptr);

    std::this_thread::sleep_until(opened + std::chrono::milliseconds(300));
    app->p_PlaySFX(1, 1, 1, 0);
    std::this_thread::sleep_until(opened + std::chrono::milliseconds(700));
    device->Shutdown();
    qo_audio_SetAudioDevice(nullptr);

    std::vector<int16_t> samples = ReadCapture(CAPTURE_FILE);
    const size_t perMs = 44100 * 2 / 1000;  // stereo frames, interleaved
    ASSERT_GT(samples.size(), 600 * perMs) << "the capture is too short";
    EXPECT_LT(Rms(samples, 50 * perMs, 250 * perMs), 0.001) << "sound before the effect";
    EXPECT_GT(Rms(samples, 320 * perMs, 600 * perMs), 0.01) << "the effect is not in the capture";
}

}  // namespace
