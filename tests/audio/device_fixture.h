// A fresh gxtkAudio per test on OpenAL Soft's wave backend, so what the device mixes can
// be read back: a stereo 16-bit 44.1 kHz capture, real time from the device's opening.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "audio/audio_device.h"
#include "tests/audio/audio_files.h"
#include "tests/audio/test_host.h"

struct Capture {
    static constexpr int kHertz = 44100;
    std::vector<short> left, right;

    // RMS (full scale 1.0) between two times in milliseconds from the device's opening.
    double Rms(int channel, int fromMs, int toMs) const;
    // Zero crossings per second of a channel between two times.
    double CrossingsPerSecond(int channel, int fromMs, int toMs) const;
    // The largest jump from one sample to the next between two times.
    int LargestStep(int channel, int fromMs, int toMs) const;
};

class AudioDevice : public ::testing::Test {
protected:
    // Allows 17 sources: one for the music channel (made at once), 16 for sounds.
    static constexpr int kSources = 17;

    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;

    // A mono 16-bit 44.1 kHz sine tone written into the data folder.
    std::string WriteTone(const std::string& name, int ms, double pitch = 440, double amp = 0.5);
    gxtkSample* Load(const std::string& name);
    int SourceStateOf(int channel);
    // Milliseconds since the device opened.
    int NowMs() const;
    void SleepUntilMs(int ms) const;
    // Closes the device and reads back everything it mixed.
    Capture Finish();

    ScratchDir data;
    std::unique_ptr<TestHost> host;
    gxtkAudio* device = nullptr;
    std::chrono::steady_clock::time_point opened;

    static std::string capturePath;
};
