// libFuzzer target for the Vorbis loader: any bytes, as a file stream, must either be
// rejected or give interleaved 16-bit samples whose block really holds
// length x channels x 2 bytes. Build and run: see tests/fuzz/CMakeLists.txt.
#include "audio/ogg_loader.h"
#include "tests/fuzz/decoder_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return FuzzSoundDecoder(LoadOGG, data, size, [](int, int, int format) { return format == 2; });
}
