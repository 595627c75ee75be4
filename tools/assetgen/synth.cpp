#include "tools/assetgen/synth.h"

#include <algorithm>
#include <cmath>

namespace assetgen {

double NoteHz(double midi) {
    return 440.0 * std::pow(2.0, (midi - 69) / 12.0);
}

void Mix(Buffer& out, const Buffer& voice, long start, float gain, bool wrap) {
    const long n = long(out.size());
    for (size_t i = 0; i < voice.size(); ++i) {
        long j = start + long(i);
        if (wrap) j = ((j % n) + n) % n;
        if (j >= 0 && j < n) out[size_t(j)] += voice[i] * gain;
    }
}

namespace {

// Every voice opens and closes with a short raised-cosine ramp: a sine that
// jumps in or is cut off mid-swing clicks wherever it is mixed.
constexpr double kAttack = 0.0015, kRelease = 0.006;

void Envelope(Buffer& b) {
    const size_t in = std::min(b.size(), size_t(kAttack * kSampleRate));
    const size_t out = std::min(b.size(), size_t(kRelease * kSampleRate));
    for (size_t i = 0; i < in; ++i)
        b[i] *= float(0.5 - 0.5 * std::cos(M_PI * double(i) / double(in)));
    for (size_t i = 0; i < out; ++i)
        b[b.size() - 1 - i] *= float(0.5 - 0.5 * std::cos(M_PI * double(i) / double(out)));
}

}  // namespace

Buffer Tone(double hz, double seconds, double decay, double pitchEnd) {
    Buffer b(size_t(seconds * kSampleRate));
    double phase = 0;
    for (size_t i = 0; i < b.size(); ++i) {
        double t = double(i) / kSampleRate, u = t / seconds;
        double f = pitchEnd > 0 ? hz * std::pow(pitchEnd / hz, u) : hz;
        phase += 2 * M_PI * f / kSampleRate;
        b[i] = float(std::sin(phase) * std::exp(-t * decay));
    }
    Envelope(b);
    return b;
}

Buffer FmVoice(double hz, double seconds, double ratio, double index, double indexDecay,
               double decay) {
    Buffer b(size_t(seconds * kSampleRate));
    for (size_t i = 0; i < b.size(); ++i) {
        double t = double(i) / kSampleRate;
        double mod = index * std::exp(-t * indexDecay) * std::sin(2 * M_PI * hz * ratio * t);
        b[i] = float(std::sin(2 * M_PI * hz * t + mod) * std::exp(-t * decay));
    }
    Envelope(b);
    return b;
}

Buffer NoiseBurst(uint32_t seed, double seconds, double decay, double brightness) {
    Noise noise(seed);
    Buffer b(size_t(seconds * kSampleRate));
    double low = 0;
    for (size_t i = 0; i < b.size(); ++i) {
        double t = double(i) / kSampleRate;
        double x = noise.Next();
        low += (x - low) * brightness;
        b[i] = float(low * std::exp(-t * decay));
    }
    return b;
}

void Fade(Buffer& b, double inSeconds, double outSeconds) {
    const size_t in = std::min(b.size(), size_t(inSeconds * kSampleRate) + 1);
    const size_t out = std::min(b.size(), size_t(outSeconds * kSampleRate) + 1);
    for (size_t i = 0; i < in; ++i) b[i] *= float(i) / float(in);
    for (size_t i = 0; i < out; ++i) b[b.size() - 1 - i] *= float(i) / float(out);
}

double Peak(const Buffer& b) {
    double p = 0;
    for (float s : b) p = std::max(p, double(std::fabs(s)));
    return p;
}

double Rms(const Buffer& b) {
    double sum = 0;
    for (float s : b) sum += double(s) * s;
    return b.empty() ? 0 : std::sqrt(sum / double(b.size()));
}

namespace {

// One RBJ biquad section, run over the whole buffer.
struct Biquad {
    double b0, b1, b2, a1, a2;
    void Run(std::vector<double>& x) const {
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
        for (double& v : x) {
            double y = b0 * v + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
            x2 = x1, x1 = v, y2 = y1, y1 = y;
            v = y;
        }
    }
};

Biquad HighShelf(double hz, double q, double gainDb) {
    const double A = std::pow(10.0, gainDb / 40), w = 2 * M_PI * hz / kSampleRate;
    const double c = std::cos(w), alpha = std::sin(w) / (2 * q), r = 2 * std::sqrt(A) * alpha;
    const double a0 = (A + 1) - (A - 1) * c + r;
    return {A * ((A + 1) + (A - 1) * c + r) / a0, -2 * A * ((A - 1) + (A + 1) * c) / a0,
            A * ((A + 1) + (A - 1) * c - r) / a0, 2 * ((A - 1) - (A + 1) * c) / a0,
            ((A + 1) - (A - 1) * c - r) / a0};
}

Biquad HighPass(double hz, double q) {
    const double w = 2 * M_PI * hz / kSampleRate, c = std::cos(w);
    const double alpha = std::sin(w) / (2 * q), a0 = 1 + alpha;
    return {(1 + c) / 2 / a0, -(1 + c) / a0, (1 + c) / 2 / a0, -2 * c / a0, (1 - alpha) / a0};
}

}  // namespace

double Loudness(const Buffer& b, double window) {
    // The broadcast loudness weighting: a +4 dB shelf over the presence range
    // and a roll-off below 40 Hz, roughly how loud the ear finds each band.
    std::vector<double> x(b.begin(), b.end());
    HighShelf(1681.97, 0.70718, 4.0).Run(x);
    HighPass(38.135, 0.50033).Run(x);
    const size_t n = std::max<size_t>(1, size_t(window * kSampleRate));
    double sum = 0, best = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        sum += x[i] * x[i];
        if (i >= n) sum -= x[i - n] * x[i - n];
        best = std::max(best, sum);
    }
    // A sound shorter than the window counts as padded with silence, as the
    // ear hears a click as quieter than a held note of the same level.
    return 10 * std::log10(std::max(best, 1e-20) / double(n));
}

void Master(Buffer& b, double loudnessDb, double peakDb) {
    const double peak = Peak(b);
    if (peak <= 0) return;
    double gain = std::pow(10.0, (loudnessDb - Loudness(b)) / 20);
    gain = std::min(gain, std::pow(10.0, peakDb / 20) / peak);
    for (float& s : b) s = float(s * gain);
}

std::vector<uint8_t> EncodeWave(const Buffer& samples, int channels) {
    std::vector<uint8_t> out;
    auto u32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
    };
    auto u16 = [&](uint16_t v) {
        out.push_back(uint8_t(v));
        out.push_back(uint8_t(v >> 8));
    };
    const uint32_t data = uint32_t(samples.size() * 2);
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    u32(36 + data);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    u32(16);
    u16(1);  // PCM
    u16(uint16_t(channels));
    u32(kSampleRate);
    u32(uint32_t(kSampleRate * channels * 2));
    u16(uint16_t(channels * 2));
    u16(16);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    u32(data);
    for (float s : samples) {
        long v = std::lround(std::clamp(s, -1.0f, 1.0f) * 32767.0f);
        u16(uint16_t(int16_t(v)));
    }
    return out;
}

}  // namespace assetgen
