// libFuzzer target for the Vorbis loader: any bytes, as a file stream, must either be
// rejected or give interleaved 16-bit samples whose block really holds
// length x channels x 2 bytes. Build and run: see tests/fuzz/CMakeLists.txt.
#include "audio/ogg_loader.h"
#include "tests/fuzz/decoder_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzStream file = OpenFuzzStream(data, size);
    if (!file) return 0;
    int length = 0, channels = 0, format = 0, hertz = 0;
    unsigned char* block = LoadOGG(file.get(), &length, &channels, &format, &hertz);
    if (!block) return 0;
    if (length < 0 || channels <= 0 || format != 2) __builtin_trap();
    ReadAndFree(block, static_cast<size_t>(length) * channels * format);  // handed to OpenAL
    return 0;
}
