// Shared by the decoder targets: the fuzzer's bytes as a read-only file stream, and a
// read of every byte a decoder hands back, so that AddressSanitizer sees any overrun.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

struct FuzzStreamCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};
using FuzzStream = std::unique_ptr<FILE, FuzzStreamCloser>;

// Null for no bytes: fmemopen refuses an empty buffer.
inline FuzzStream OpenFuzzStream(const uint8_t* data, size_t size) {
    return FuzzStream(size ? fmemopen(const_cast<uint8_t*>(data), size, "rb") : nullptr);
}

// Reads the block's first `bytes` bytes, as the caller of the decoder would, and frees it.
inline void ReadAndFree(unsigned char* block, size_t bytes) {
    volatile unsigned sum = 0;
    for (size_t i = 0; i < bytes; ++i) sum = sum + block[i];
    std::free(block);
}

// Runs one of the sound decoders (WAVE or Vorbis, same signature) over the bytes. A block
// that comes back must have a length of at least 0, at least one channel, and pass
// `valid(length, channels, format)`; it is then read whole, as OpenAL would read it.
template <class Valid>
int FuzzSoundDecoder(unsigned char* (*decode)(FILE*, int*, int*, int*, int*), const uint8_t* data,
                     size_t size, Valid valid) {
    FuzzStream file = OpenFuzzStream(data, size);
    if (!file) return 0;
    int length = 0, channels = 0, format = 0, hertz = 0;
    unsigned char* block = decode(file.get(), &length, &channels, &format, &hertz);
    if (!block) return 0;
    if (length < 0 || channels <= 0 || !valid(length, channels, format)) __builtin_trap();
    ReadAndFree(block, static_cast<size_t>(length) * channels * format);
    return 0;
}
