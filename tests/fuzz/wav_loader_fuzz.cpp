// libFuzzer target for the WAVE parser: any bytes, as a file stream, must either be
// rejected or give a block that really holds length x channels x format bytes.
// Build and run: see tests/fuzz/CMakeLists.txt.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "audio/wav_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;  // fmemopen refuses an empty buffer
    FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (!file) return 0;
    int length = 0, channels = 0, format = 0, hertz = 0;
    unsigned char* block = LoadWAV(file, &length, &channels, &format, &hertz);
    std::fclose(file);
    if (!block) return 0;
    size_t bytes = static_cast<size_t>(length) * channels * format;
    if (length < 0 || channels <= 0 || format <= 0 || bytes > size) __builtin_trap();
    // Read every byte the caller would hand to OpenAL, so ASan sees any overrun.
    unsigned sum = 0;
    for (size_t i = 0; i < bytes; ++i) sum += block[i];
    std::free(block);
    return static_cast<int>(sum & 0);
}
