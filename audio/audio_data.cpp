// Extension dispatch between the WAVE and Vorbis decoders.
#include "audio/audio_data.h"

#include <cstdio>
#include <memory>

#include "audio/ogg_loader.h"
#include "audio/wav_loader.h"
#include "runtime/gc/collector.h"
#include "runtime/platform.h"

namespace {

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};

}  // namespace

// Only the very end of the path counts, in any letter case.
AudioDecoder AudioDecoderFor(const String& filePath) {
    String lower = filePath.ToLower();
    if (lower.EndsWith(".wav")) return LoadWAV;
    if (lower.EndsWith(".ogg")) return LoadOGG;
    return nullptr;
}

unsigned char* DecodeAudioFile(const std::string& fileName, AudioDecoder decode, int* length,
                               int* channels, int* format, int* hertz) {
    if (!decode) return nullptr;
    std::string why;
    std::unique_ptr<FILE, FileCloser> file(qoOpenRegularFile(fileName, &why));
    if (!file) return nullptr;
    int frames = 0, chans = 0, bytesPerSample = 0, rate = 0;
    unsigned char* data = decode(file.get(), &frames, &chans, &bytesPerSample, &rate);
    if (!data) return nullptr;
    *length = frames;
    *channels = chans;
    *format = bytesPerSample;
    *hertz = rate;
    return data;
}

unsigned char* LoadAudioFile(const String& filePath, int* length, int* channels, int* format,
                             int* hertz) {
    unsigned char* data = DecodeAudioFile(qoEncodePath(filePath), AudioDecoderFor(filePath), length,
                                          channels, format, hertz);
    if (data) gc_ext_malloced(*length * *channels * *format);
    return data;
}
