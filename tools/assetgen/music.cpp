// "jazzed": a light swing loop of sixteen bars (walking bass, brushed drums,
// electric-piano comping and a vibraphone line). Every note's tail wraps
// around the end of the loop, so the last sample leads into the first.
#include <vorbis/vorbisenc.h>

#include <cmath>
#include <cstring>

#include "tools/assetgen/synth.h"

namespace assetgen {
namespace {

constexpr int kBeat = 23625;  // 112 beats per minute at 44.1 kHz, exactly
constexpr int kBars = 16;
constexpr long kLength = long(kBeat) * 4 * kBars;  // 34.3 seconds
constexpr double kSwing = 2.0 / 3.0;               // off-beat eighths land late
constexpr uint32_t kStreamSerial = 0x54657373;     // fixed, so the file is reproducible

struct Chord {
    int root;            // bass register MIDI note
    int third, seventh;  // intervals above the root
};

// ii-V-I tour of F major with a turnaround back to the top.
const Chord kChords[kBars] = {
    {43, 3, 10}, {48, 4, 10}, {41, 4, 11}, {50, 4, 10}, {43, 3, 10}, {48, 4, 10},
    {45, 3, 10}, {50, 4, 10}, {46, 4, 11}, {51, 4, 10}, {45, 3, 10}, {50, 4, 10},
    {43, 3, 10}, {48, 4, 10}, {41, 4, 11}, {48, 4, 10},
};

long At(int bar, double beat) {
    return long((bar * 4 + beat) * kBeat);
}

struct Stereo {
    Buffer left = Buffer(size_t(kLength)), right = Buffer(size_t(kLength));
    void Add(const Buffer& voice, long start, float gain, float pan) {
        Mix(left, voice, start, gain * (1 - pan) * 0.5f + gain * 0.25f, true);
        Mix(right, voice, start, gain * (1 + pan) * 0.5f + gain * 0.25f, true);
    }
};

Buffer Bass(int midi) {
    double hz = NoteHz(midi);
    Buffer b(size_t(kBeat * 1.1));
    for (size_t i = 0; i < b.size(); ++i) {
        double t = double(i) / kSampleRate;
        double env = std::min(1.0, t * 200) * std::exp(-t * 3.2);
        b[i] = float((std::sin(2 * M_PI * hz * t) + 0.35 * std::sin(4 * M_PI * hz * t) +
                      0.1 * std::sin(6 * M_PI * hz * t)) *
                     env);
    }
    Fade(b, 0, 0.03);
    return b;
}

Buffer Piano(int midi, double seconds) {
    Buffer b = FmVoice(NoteHz(midi), seconds, 1, 1.3, 4, 2.2);
    Mix(b, FmVoice(NoteHz(midi), seconds, 14, 0.25, 30, 9), 0, 0.12f);
    Fade(b, 0.003, 0.04);
    return b;
}

Buffer Vibe(int midi) {
    Buffer b = FmVoice(NoteHz(midi), 1.2, 4, 0.5, 6, 2.6);
    for (size_t i = 0; i < b.size(); ++i)  // gentle tremolo
        b[i] *= float(0.85 + 0.15 * std::sin(2 * M_PI * 5.5 * double(i) / kSampleRate));
    Fade(b, 0.004, 0.1);
    return b;
}

void WalkingBass(Stereo& s) {
    for (int bar = 0; bar < kBars; ++bar) {
        const Chord& c = kChords[bar];
        const int next = kChords[(bar + 1) % kBars].root;
        const int line[4] = {c.root, c.root + (bar % 2 ? 7 : c.third), c.root + (bar % 2 ? 10 : 7),
                             next + ((bar % 3 == 0) ? 1 : -1)};
        for (int beat = 0; beat < 4; ++beat)
            s.Add(Bass(line[beat]), At(bar, beat), beat == 0 ? 0.55f : 0.48f, 0);
    }
}

void Drums(Stereo& s) {
    for (int bar = 0; bar < kBars; ++bar) {
        for (int beat = 0; beat < 4; ++beat) {
            uint32_t seed = uint32_t(bar * 16 + beat * 2 + 1);
            // Ride: every beat, plus the swung "and" of two and four.
            s.Add(NoiseBurst(seed, 0.35, 11, 0.9), At(bar, beat), 0.07f, 0.45f);
            s.Add(FmVoice(5200, 0.3, 1.41, 2, 4, 9), At(bar, beat), 0.025f, 0.45f);
            if (beat % 2 == 1) {
                s.Add(NoiseBurst(seed + 1, 0.2, 16, 0.9), At(bar, beat + kSwing), 0.05f, 0.45f);
                // Brush swish on two and four: soft attack, darker noise.
                Buffer swish = NoiseBurst(seed + 7, 0.32, 9, 0.25);
                Fade(swish, 0.03, 0.05);
                s.Add(swish, At(bar, beat), 0.22f, -0.1f);
            } else {
                s.Add(Tone(62, 0.25, 16, 42), At(bar, beat), 0.35f, 0);  // feathered kick
            }
        }
    }
}

void Comping(Stereo& s) {
    for (int bar = 0; bar < kBars; ++bar) {
        const Chord& c = kChords[bar];
        // Rootless voicing in the middle register: third, seventh, ninth, fifth.
        int notes[4] = {c.root + c.third, c.root + c.seventh, c.root + 14, c.root + 7 + 12};
        for (int& n : notes) {
            while (n < 57) n += 12;
            while (n > 74) n -= 12;
        }
        // Charleston rhythm, varied every other bar.
        const double hits[2][2] = {{0, 1 + kSwing}, {1, 2 + kSwing}};
        const double len[2] = {0.45, 0.25};
        for (int h = 0; h < 2; ++h) {
            for (int n : notes)
                s.Add(Piano(n, len[h] + 0.3), At(bar, hits[bar % 2][h]), 0.075f, -0.35f);
        }
    }
}

void Melody(Stereo& s) {
    // A short motif built from chord tones, answered in the second half.
    const double rhythm[4] = {0, 1 + kSwing, 2.5 + kSwing / 2, 3};
    for (int bar = 0; bar < kBars; ++bar) {
        if (bar % 4 == 3) continue;  // breathe at the end of each phrase
        const Chord& c = kChords[bar];
        const int tones[4] = {c.root + 24 + c.third, c.root + 24 + 7, c.root + 24 + c.seventh,
                              c.root + 36};
        const int count = (bar % 2) ? 2 : 3;
        for (int i = 0; i < count; ++i) {
            int note = tones[(bar + i * (bar < 8 ? 1 : 2)) % 4];
            while (note > 84) note -= 12;
            while (note < 70) note += 12;
            s.Add(Vibe(note), At(bar, rhythm[i]), 0.11f, 0.25f);
        }
    }
}

std::vector<uint8_t> EncodeVorbis(const Stereo& s) {
    vorbis_info vi;
    vorbis_info_init(&vi);
    vorbis_encode_init_vbr(&vi, 2, kSampleRate, 0.3f);
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block vb;
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, int(kStreamSerial));

    std::vector<uint8_t> out;
    auto writePage = [&out](const ogg_page& page) {
        out.insert(out.end(), page.header, page.header + page.header_len);
        out.insert(out.end(), page.body, page.body + page.body_len);
    };
    ogg_packet header, comments, code;
    vorbis_analysis_headerout(&vd, &vc, &header, &comments, &code);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comments);
    ogg_stream_packetin(&os, &code);
    ogg_page page;
    while (ogg_stream_flush(&os, &page)) writePage(page);

    const long chunk = 4096;
    for (long pos = 0;; pos += chunk) {
        long n = std::min(chunk, long(s.left.size()) - pos);
        if (n > 0) {
            float** buf = vorbis_analysis_buffer(&vd, int(n));
            std::memcpy(buf[0], &s.left[size_t(pos)], size_t(n) * sizeof(float));
            std::memcpy(buf[1], &s.right[size_t(pos)], size_t(n) * sizeof(float));
        }
        vorbis_analysis_wrote(&vd, int(std::max(0L, n)));
        ogg_packet packet;
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            while (vorbis_bitrate_flushpacket(&vd, &packet)) {
                ogg_stream_packetin(&os, &packet);
                while (ogg_stream_pageout(&os, &page)) writePage(page);
            }
        }
        if (n <= 0) break;
    }
    while (ogg_stream_flush(&os, &page)) writePage(page);
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return out;
}

}  // namespace

std::vector<uint8_t> MakeMusic() {
    Stereo s;
    WalkingBass(s);
    Drums(s);
    Comping(s);
    Melody(s);
    // One gain for both channels keeps the stereo image; the music sits well
    // under the effects (about 6 dB quieter, peaks at -4 dBFS at most).
    Buffer both = s.left;
    both.insert(both.end(), s.right.begin(), s.right.end());
    const double rms = Rms(both), peak = Peak(both);
    const double gain =
        std::min(std::pow(10.0, -23.0 / 20) / rms, std::pow(10.0, -4.0 / 20) / peak);
    for (float& x : s.left) x = float(x * gain);
    for (float& x : s.right) x = float(x * gain);
    return EncodeVorbis(s);
}

}  // namespace assetgen
