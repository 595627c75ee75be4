#include "graphics/image_data.h"

#include <stb_image.h>

#include <cstdio>
#include <memory>

#include "runtime/game.h"
#include "runtime/gc/collector.h"

unsigned char* qoLoadImageFile(const String& filePath, int* width, int* height, int* depth) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(filePath.ToUtf8().c_str(), "rb"),
                                               &std::fclose);
    if (!file) return nullptr;
    unsigned char* pixels = stbi_load_from_file(file.get(), width, height, depth, 0);
    if (!pixels) return nullptr;
    gc_ext_malloced(*width * *height * *depth);
    return pixels;
}

void qoInstallImageDataLoader() {
    qoImageDataLoader = &qoLoadImageFile;
}
