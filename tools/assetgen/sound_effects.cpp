// The game's sound effects. All share one mastering level so they sound
// equally loud, with peaks a safe margin under full scale.
#include <cmath>

#include "tools/assetgen/audio.h"
#include "tools/assetgen/synth.h"

namespace assetgen {
namespace {

constexpr double kLoudDb = -14;   // common loudness of every effect (see Loudness)
constexpr double kPeakDb = -1.5;  // stays under the -1 dBFS ceiling after rounding

std::vector<uint8_t> Finish(Buffer b, double fadeOut = 0.01, double loudDb = kLoudDb) {
    Fade(b, 0.002, fadeOut);
    Master(b, loudDb, kPeakDb);
    return EncodeWave(b, 1);
}

Buffer Silence(double seconds) {
    return Buffer(size_t(seconds * kSampleRate));
}

// Marimba-like note: a sine with a quick woody overtone.
Buffer Mallet(double midi, double seconds) {
    Buffer b = Tone(NoteHz(midi), seconds, 7);
    Mix(b, Tone(NoteHz(midi) * 4, seconds, 30), 0, 0.25f);
    return b;
}

std::vector<uint8_t> LevelBuilt() {
    Buffer b = Silence(0.75);
    const double notes[] = {60, 64, 67, 72, 76};
    for (int i = 0; i < 5; ++i) Mix(b, Mallet(notes[i], 0.4), long(i * 0.07 * kSampleRate), 0.5f);
    return Finish(b, 0.05);
}

std::vector<uint8_t> Landing() {
    Buffer b = Tone(110, 0.35, 14, 45);
    Mix(b, NoiseBurst(7, 0.12, 40, 0.08), 0, 0.6f);
    return Finish(b, 0.05);
}

std::vector<uint8_t> ExitFanfare() {
    Buffer b = Silence(1.3);
    const double notes[] = {67, 72, 76, 79};
    for (int i = 0; i < 4; ++i) {
        long at = long(i * 0.11 * kSampleRate);
        Mix(b, FmVoice(NoteHz(notes[i]), 0.9, 1, 2.2, 5, 3.5), at, 0.35f);
    }
    for (double m : {72.0, 76.0, 79.0, 84.0})
        Mix(b, FmVoice(NoteHz(m), 0.85, 1, 1.6, 3, 2.5), long(0.45 * kSampleRate), 0.22f);
    Mix(b, FmVoice(NoteHz(96), 0.6, 3.5, 1.5, 6, 6), long(0.48 * kSampleRate), 0.12f);
    return Finish(b, 0.2);
}

std::vector<uint8_t> FallingWhistle() {
    Buffer b(size_t(1.2 * kSampleRate));
    double phase = 0;
    for (size_t i = 0; i < b.size(); ++i) {
        double t = double(i) / kSampleRate;
        double hz = 1500 * std::pow(220.0 / 1500.0, t / 1.2) * (1 + 0.012 * std::sin(t * 38));
        phase += 2 * M_PI * hz / kSampleRate;
        double env = std::min(1.0, t * 20) * (1 - 0.6 * t / 1.2);
        b[i] = float(std::sin(phase) * env);
    }
    return Finish(b, 0.15);
}

std::vector<uint8_t> RollTick() {
    // A woody knock: a short pitched body carries the loudness, a little noise
    // gives the contact; a body that dies too fast leaves only a peaky click.
    Buffer b = Tone(640, 0.11, 32, 500);
    Mix(b, Tone(1530, 0.06, 60), 0, 0.3f);
    Mix(b, NoiseBurst(11, 0.03, 160, 0.35), 0, 0.35f);
    return Finish(b, 0.02);
}

std::vector<uint8_t> GemChime() {
    Buffer b = FmVoice(NoteHz(88), 0.6, 3.01, 1.2, 8, 6);
    Mix(b, FmVoice(NoteHz(95), 0.5, 2, 0.6, 8, 8), long(0.05 * kSampleRate), 0.5f);
    return Finish(b, 0.08);
}

std::vector<uint8_t> SoftTick() {
    Buffer b = Tone(1800, 0.04, 120);
    Mix(b, NoiseBurst(13, 0.02, 300, 0.5), 0, 0.3f);
    // Deliberately quieter than the other effects: it is a background tick.
    return Finish(b, 0.01, kLoudDb - 6);
}

std::vector<uint8_t> StartJingle() {
    Buffer b = Silence(1.2);
    const double notes[] = {72, 74, 76, 79, 84};
    const double at[] = {0, 0.1, 0.2, 0.3, 0.45};
    for (int i = 0; i < 5; ++i) Mix(b, Mallet(notes[i], 0.5), long(at[i] * kSampleRate), 0.45f);
    for (double m : {60.0, 64.0, 67.0})
        Mix(b, FmVoice(NoteHz(m), 0.7, 1, 1.2, 3, 3), long(0.45 * kSampleRate), 0.25f);
    return Finish(b, 0.15);
}

std::vector<uint8_t> Confirm() {
    Buffer b = Silence(0.22);
    Mix(b, FmVoice(NoteHz(76), 0.12, 2, 0.8, 20, 18), 0, 0.5f);
    Mix(b, FmVoice(NoteHz(83), 0.14, 2, 0.8, 20, 16), long(0.07 * kSampleRate), 0.5f);
    return Finish(b, 0.03);
}

std::vector<uint8_t> MenuBlip() {
    Buffer b = FmVoice(NoteHz(81), 0.07, 2, 0.6, 30, 35);
    return Finish(b, 0.02);
}

}  // namespace

std::vector<uint8_t> MakeMusic();

const std::vector<SoundInfo>& SoundCatalog() {
    static const std::vector<SoundInfo> catalog = {
        {"sfx/jazzed.ogg", MakeMusic},   {"sfx/001.wav", LevelBuilt},
        {"sfx/002.wav", Landing},        {"sfx/003.wav", ExitFanfare},
        {"sfx/004.wav", FallingWhistle}, {"sfx/005.wav", RollTick},
        {"sfx/006.wav", GemChime},       {"sfx/095.wav", SoftTick},
        {"sfx/096.wav", StartJingle},    {"sfx/098.wav", Confirm},
        {"sfx/099.wav", MenuBlip},
    };
    return catalog;
}

}  // namespace assetgen
