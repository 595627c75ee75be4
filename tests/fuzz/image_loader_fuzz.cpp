// libFuzzer target for the surface loader's decoding: any bytes, as a file stream, must
// either be refused or give a picture within the side limit whose block really holds
// width x height x depth bytes. Build and run: see tests/fuzz/CMakeLists.txt.
#include "graphics/image_data.h"
#include "tests/fuzz/decoder_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzStream file = OpenFuzzStream(data, size);
    if (!file) return 0;
    int width = 0, height = 0, depth = 0;
    // No OpenGL context here: the limit is the one the game has before its window opens.
    unsigned char* pixels =
        qoDecodeImage(file.get(), kQoFallbackMaxImageSide, &width, &height, &depth);
    if (!pixels) return 0;
    if (width < 1 || height < 1 || width > kQoFallbackMaxImageSide ||
        height > kQoFallbackMaxImageSide || depth < 1 || depth > 4) {
        __builtin_trap();
    }
    // What the surface premultiplies and uploads.
    ReadAndFree(pixels, static_cast<size_t>(width) * height * depth);
    return 0;
}
