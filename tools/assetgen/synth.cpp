#include "tools/assetgen/synth.h"

#include <algorithm>
#include <cmath>

namespace assetgen {

double NoteHz(double midi) { return 440.0 * std::pow(2.0, (midi - 69) / 12.0); }

void Mix(Buffer& out, const Buffer& voice, long start, float gain, bool wrap) {
    const long n = long(out.size());
    for (size_t i = 0; i < voice.size(); ++i) {
        long j = start + long(i);
        if (wrap) j = ((j % n) + n) % n;
        if (j >= 0 && j < n) out[size_t(j)] += voice[i] * gain;
    }
}

Buffer Tone(double hz, double seconds, double decay, double pitchEnd) {
    Buffer b(size_t(seconds * kSampleRate));
    double phase = 0;
    for (size_t i = 0; i < b.size(); ++i) {
        double t = double(i) / kSampleRate, u = t / seconds;
        double f = pitchEnd > 0 ? hz * std::pow(pitchEnd / hz, u) : hz;
        phase += 2 * M_PI * f / kSampleRate;
        b[i] = float(std::sin(phase) * std::exp(-t * decay));
    }
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

void Master(Buffer& b, double rmsDb, double peakDb) {
    const double rms = Rms(b), peak = Peak(b);
    if (rms <= 0 || peak <= 0) return;
    double gain = std::pow(10.0, rmsDb / 20) / rms;
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
