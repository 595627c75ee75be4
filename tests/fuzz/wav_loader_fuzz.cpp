// libFuzzer target for the WAVE parser: any bytes, as a file stream, must either be
// rejected or give a block that really holds length x channels x format bytes.
// Build and run: see tests/fuzz/CMakeLists.txt.
#include "audio/wav_loader.h"
#include "tests/fuzz/decoder_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return FuzzSoundDecoder(LoadWAV, data, size, [size](int length, int channels, int format) {
        return format > 0 && static_cast<size_t>(length) * channels * format <= size;
    });
}
