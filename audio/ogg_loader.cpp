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

unsigned char* LoadOGG(FILE* file, int* length, int* channels, int* format, int* hertz) {
    if (!VorbisHeadersAreSound(file)) return nullptr;
    int error = 0;
    std::unique_ptr<stb_vorbis, VorbisCloser> vorbis(
        stb_vorbis_open_file(file, /*close_handle_on_close=*/0, &error, nullptr));
    if (!vorbis) return nullptr;
    stb_vorbis_info info = stb_vorbis_get_info(vorbis.get());
    const int chans = info.channels;
    if (chans <= 0) return nullptr;

    const size_t headroom = static_cast<size_t>(chans) * kFreeFrames;
    size_t capacity = headroom;
    size_t used = 0;
    std::unique_ptr<short, FreeDeleter> samples(
        static_cast<short*>(std::malloc(capacity * sizeof(short))));
    if (!samples) return nullptr;

    for (;;) {
        int frames = stb_vorbis_get_frame_short_interleaved(
            vorbis.get(), chans, samples.get() + used, static_cast<int>(capacity - used));
        if (frames <= 0) break;
        used += static_cast<size_t>(frames) * chans;
        if (capacity - used < headroom) {
            capacity *= 2;
            auto* grown =
                static_cast<short*>(std::realloc(samples.get(), capacity * sizeof(short)));
            if (!grown) return nullptr;
            samples.release();
            samples.reset(grown);
        }
    }

    // A stream without a single frame still answers a (one-byte) block, like an empty WAVE.
    size_t bytes = used ? used * sizeof(short) : 1;
    auto* trimmed = static_cast<short*>(std::realloc(samples.get(), bytes));
    if (trimmed) {
        samples.release();
        samples.reset(trimmed);
    }

    *length = static_cast<int>(used / chans);
    *channels = chans;
    *format = 2;
    *hertz = static_cast<int>(info.sample_rate);
    return reinterpret_cast<unsigned char*>(samples.release());
}
