// RIFF/WAVE parsing. The "fmt " chunk must come first; the chunks after it are walked
// until a complete "data" chunk is found.
//
// Declared sizes come from the file and are never trusted beyond it: a chunk that claims
// more bytes than the stream still holds can only end in a short read, so it rejects the
// file before anything is allocated or skipped. Every turn of the chunk walk consumes at
// least its 8-byte header, so the walk always ends.
#include "audio/wav_loader.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

class Reader {
public:
    explicit Reader(FILE* file) : file_(file) {
        long start = std::ftell(file);
        if (start >= 0 && std::fseek(file, 0, SEEK_END) == 0) {
            long end = std::ftell(file);
            if (end >= start) remaining_ = static_cast<uint64_t>(end - start);
            std::fseek(file, start, SEEK_SET);
        }
    }

    bool Bytes(void* out, uint32_t n) {
        if (n > remaining_) return false;
        if (std::fread(out, 1, n, file_) != n) return false;
        remaining_ -= n;
        return true;
    }
    bool Skip(uint32_t n) {
        if (n > remaining_) return false;
        if (std::fseek(file_, static_cast<long>(n), SEEK_CUR) != 0) return false;
        remaining_ -= n;
        return true;
    }
    bool U16(uint32_t* out) {
        unsigned char b[2];
        if (!Bytes(b, 2)) return false;
        *out = b[0] | (b[1] << 8);
        return true;
    }
    bool U32(uint32_t* out) {
        unsigned char b[4];
        if (!Bytes(b, 4)) return false;
        *out = b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
        return true;
    }
    bool Tag(const char* expected) {
        char tag[4];
        return Bytes(tag, 4) && std::memcmp(tag, expected, 4) == 0;
    }
    uint64_t Remaining() const { return remaining_; }

private:
    FILE* file_;
    uint64_t remaining_ = 0;  // bytes left between the position and the end of the stream
};

constexpr uint32_t kWavePcm = 1;
constexpr uint32_t kFmtFieldBytes = 16;
constexpr uint32_t kMaxDataBytes = 0x7fffffff;

struct WaveFormat {
    uint32_t channels = 0;
    uint32_t hertz = 0;
    uint32_t bytesPerSample = 0;
};

bool ReadFormatChunk(Reader& in, WaveFormat* fmt) {
    if (!in.Tag("RIFF")) return false;
    uint32_t riffSize;
    if (!in.U32(&riffSize) || !in.Tag("WAVE") || !in.Tag("fmt ")) return false;
    uint32_t chunkSize, audioFormat, byteRate, blockAlign, bits;
    if (!in.U32(&chunkSize)) return false;
    if (!in.U16(&audioFormat) || audioFormat != kWavePcm) return false;
    if (!in.U16(&fmt->channels) || !in.U32(&fmt->hertz) || !in.U32(&byteRate) ||
        !in.U16(&blockAlign) || !in.U16(&bits)) {
        return false;
    }
    fmt->bytesPerSample = bits / 8;
    return chunkSize <= kFmtFieldBytes || in.Skip(chunkSize - kFmtFieldBytes);
}

// The first "data" chunk, read whole; null when the stream ends first.
unsigned char* ReadDataChunk(Reader& in, uint32_t* size) {
    for (;;) {
        char tag[4];
        uint32_t chunkSize;
        if (!in.Bytes(tag, 4) || !in.U32(&chunkSize)) return nullptr;
        if (std::memcmp(tag, "data", 4) != 0) {
            // Chunk sizes are used as stored: no pad byte after an odd-sized chunk.
            if (!in.Skip(chunkSize)) return nullptr;
            continue;
        }
        // Sizes beyond int would overflow the callers' frame and byte counts.
        if (chunkSize > in.Remaining() || chunkSize > kMaxDataBytes) return nullptr;
        auto* block = static_cast<unsigned char*>(std::malloc(chunkSize ? chunkSize : 1));
        if (!block) return nullptr;
        if (in.Bytes(block, chunkSize)) {
            *size = chunkSize;
            return block;
        }
        std::free(block);
    }
}

}  // namespace

unsigned char* LoadWAV(FILE* file, int* length, int* channels, int* format, int* hertz) {
    Reader in(file);
    WaveFormat fmt;
    if (!ReadFormatChunk(in, &fmt)) return nullptr;
    uint32_t frameBytes = fmt.channels * fmt.bytesPerSample;
    if (frameBytes == 0) return nullptr;

    uint32_t size = 0;
    unsigned char* data = ReadDataChunk(in, &size);
    if (!data) return nullptr;
    *length = static_cast<int>(size / frameBytes);
    *channels = static_cast<int>(fmt.channels);
    *format = static_cast<int>(fmt.bytesPerSample);
    *hertz = static_cast<int>(fmt.hertz);
    return data;
}
