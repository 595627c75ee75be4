// Sample-level building blocks for the sound effects and the music: mono
// float buffers at 44.1 kHz, simple voices, envelopes and mastering.
#pragma once

#include <cstdint>
#include <vector>

namespace assetgen {

constexpr int kSampleRate = 44100;
using Buffer = std::vector<float>;

// Deterministic white noise (a fixed LCG, never the C library's rand).
class Noise {
public:
    explicit Noise(uint32_t seed) : state_(seed) {}
    float Next() {
        state_ = state_ * 1664525u + 1013904223u;
        return float(int32_t(state_)) / 2147483648.0f;
    }

private:
    uint32_t state_;
};

double NoteHz(double midi);
// Adds `voice` into `out` at `start`, wrapping around the end when `wrap`.
void Mix(Buffer& out, const Buffer& voice, long start, float gain, bool wrap = false);
// Sine with exponential decay; `pitchEnd` glides the frequency over the note.
Buffer Tone(double hz, double seconds, double decay, double pitchEnd = 0);
// Two-operator FM bell / electric piano.
Buffer FmVoice(double hz, double seconds, double ratio, double index, double indexDecay,
               double decay);
// Band-limited-ish noise burst: one-pole filtered, exponentially decaying.
Buffer NoiseBurst(uint32_t seed, double seconds, double decay, double brightness);
// Short linear fades at both ends so nothing starts or ends with a click.
void Fade(Buffer& b, double inSeconds, double outSeconds);
double Peak(const Buffer& b);
double Rms(const Buffer& b);
// Loudness as the ear hears it, in dB: the loudest `window`-second stretch of
// the frequency-weighted signal (a 1 kHz sine of amplitude 1 measures -2.3 dB).
double Loudness(const Buffer& b, double window = 0.2);
// Scales to a target loudness (dB, see Loudness) but never above the peak
// ceiling (dBFS).
void Master(Buffer& b, double loudnessDb, double peakDb);
// 16-bit PCM WAVE file image, mono or interleaved stereo.
std::vector<uint8_t> EncodeWave(const Buffer& samples, int channels);

}  // namespace assetgen
