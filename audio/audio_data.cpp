// Extension dispatch between the WAVE and Vorbis decoders.
#include "audio/audio_data.h"

#include <cstdio>
#include <memory>

#include "audio/ogg_loader.h"
#include "audio/wav_loader.h"
#include "runtime/gc/collector.h"

namespace {

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};

using Decoder = unsigned char* (*)(FILE*, int*, int*, int*, int*);

// Only the very end of the path counts, in any letter case.
Decoder DecoderFor(const String& filePath) {
    String lower = filePath.ToLower();
    if (lower.EndsWith(".wav")) return LoadWAV;
    if (lower.EndsWith(".ogg")) return LoadOGG;
    return nullptr;
}

}  // namespace

unsigned char* LoadAudioFile(const String& filePath, int* length, int* channels, int* format,
                             int* hertz) {
    std::unique_ptr<FILE, FileCloser> file(std::fopen(filePath.ToUtf8().c_str(), "rb"));
    if (!file) return nullptr;
    Decoder decode = DecoderFor(filePath);
    if (!decode) return nullptr;

    int frames = 0, chans = 0, bytesPerSample = 0, rate = 0;
    unsigned char* data = decode(file.get(), &frames, &chans, &bytesPerSample, &rate);
    if (!data) return nullptr;
    gc_ext_malloced(frames * chans * bytesPerSample);
    *length = frames;
    *channels = chans;
    *format = bytesPerSample;
    *hertz = rate;
    return data;
}
