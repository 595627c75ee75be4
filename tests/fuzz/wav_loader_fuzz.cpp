// libFuzzer target for the WAVE parser: any bytes, as a file stream, must either be
// rejected or give a block that really holds length x channels x format bytes.
// Build and run: see tests/fuzz/CMakeLists.txt.
#include "audio/wav_loader.h"
#include "tests/fuzz/decoder_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzStream file = OpenFuzzStream(data, size);
    if (!file) return 0;
    int length = 0, channels = 0, format = 0, hertz = 0;
    unsigned char* block = LoadWAV(file.get(), &length, &channels, &format, &hertz);
    if (!block) return 0;
    size_t bytes = static_cast<size_t>(length) * channels * format;
    if (length < 0 || channels <= 0 || format <= 0 || bytes > size) __builtin_trap();
    ReadAndFree(block, bytes);  // what the caller hands to OpenAL
    return 0;
}
