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
