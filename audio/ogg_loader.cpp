// Vorbis decoding: frame by frame into a buffer that doubles while it fills, trimmed once
// at the end.
#include "audio/ogg_loader.h"

#include <cstdlib>
#include <memory>

#include "audio/vorbis_headers.h"

#define STB_VORBIS_HEADER_ONLY
#include <stb/stb_vorbis.h>

namespace {

// Frames kept free before each decode: a Vorbis frame yields at most half of the largest
// block size (8192), so one frame always fits and stb_vorbis never truncates it.
constexpr int kFreeFrames = 4096;

struct VorbisCloser {
    void operator()(stb_vorbis* v) const { stb_vorbis_close(v); }
};
struct FreeDeleter {
    void operator()(short* p) const { std::free(p); }
};

}  // namespace

struct OggDecode::State {
    std::unique_ptr<stb_vorbis, VorbisCloser> vorbis;
    std::unique_ptr<short, FreeDeleter> samples;
    int chans = 0;
    unsigned hertz = 0;
    size_t capacity = 0, used = 0;
    bool done = true, failed = false;
};

OggDecode::OggDecode() : state_(std::make_unique<State>()) {}
OggDecode::~OggDecode() = default;

bool OggDecode::Open(FILE* file) {
    State& s = *state_;
    s = State{};
    if (!VorbisHeadersAreSound(file)) return false;
    int error = 0;
    s.vorbis.reset(stb_vorbis_open_file(file, /*close_handle_on_close=*/0, &error, nullptr));
    if (!s.vorbis) return false;
    stb_vorbis_info info = stb_vorbis_get_info(s.vorbis.get());
    s.chans = info.channels;
    s.hertz = info.sample_rate;
    if (s.chans <= 0) return false;
    s.capacity = static_cast<size_t>(s.chans) * kFreeFrames;
    s.samples.reset(static_cast<short*>(std::malloc(s.capacity * sizeof(short))));
    s.done = false;
    s.failed = !s.samples;
    return !s.failed;
}

bool OggDecode::Done() const {
    return state_->done || state_->failed;
}

bool OggDecode::Step(int frames) {
    State& s = *state_;
    const size_t headroom = static_cast<size_t>(s.chans) * kFreeFrames;
    for (int i = 0; i < frames && !Done(); ++i) {
        int got = stb_vorbis_get_frame_short_interleaved(s.vorbis.get(), s.chans,
                                                         s.samples.get() + s.used,
                                                         static_cast<int>(s.capacity - s.used));
        if (got <= 0) {
            s.done = true;
            break;
        }
        s.used += static_cast<size_t>(got) * s.chans;
        if (s.capacity - s.used < headroom) {
            s.capacity *= 2;
            auto* grown =
                static_cast<short*>(std::realloc(s.samples.get(), s.capacity * sizeof(short)));
            if (!grown) {
                s.failed = true;
                break;
            }
            s.samples.release();
            s.samples.reset(grown);
        }
    }
    return !Done();
}

unsigned char* OggDecode::Finish(int* length, int* channels, int* format, int* hertz) {
    while (Step(64)) {
    }
    State& s = *state_;
    if (s.failed || !s.samples) return nullptr;
    // A stream without a single frame still answers a (one-byte) block, like an empty WAVE.
    size_t bytes = s.used ? s.used * sizeof(short) : 1;
    auto* trimmed = static_cast<short*>(std::realloc(s.samples.get(), bytes));
    if (trimmed) {
        s.samples.release();
        s.samples.reset(trimmed);
    }
    *length = static_cast<int>(s.used / s.chans);
    *channels = s.chans;
    *format = 2;
    *hertz = static_cast<int>(s.hertz);
    s.vorbis.reset();
    s.failed = true;  // handed over
    return reinterpret_cast<unsigned char*>(s.samples.release());
}

unsigned char* LoadOGG(FILE* file, int* length, int* channels, int* format, int* hertz) {
    OggDecode decode;
    if (!decode.Open(file)) return nullptr;
    return decode.Finish(length, channels, format, hertz);
}
