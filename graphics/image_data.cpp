#include "graphics/image_data.h"

#include <GL/gl.h>
#include <GLFW/glfw3.h>
#include <stb_image.h>

#include <memory>

#include "runtime/game.h"
#include "runtime/gc/collector.h"

int qoMaxImageSide() {
    GLint side = 0;
    if (glfwGetCurrentContext()) glGetIntegerv(GL_MAX_TEXTURE_SIZE, &side);
    return side > 0 ? side : kQoFallbackMaxImageSide;
}

unsigned char* qoDecodeImage(FILE* file, int maxSide, int* width, int* height, int* depth) {
    // stbi_info reads the header only and puts the stream back where it was; every
    // format stb_image decodes is sized here first.
    int w = 0, h = 0, n = 0;
    if (!stbi_info_from_file(file, &w, &h, &n) || w > maxSide || h > maxSide) return nullptr;
    return stbi_load_from_file(file, width, height, depth, 0);
}

unsigned char* qoLoadImageFile(const String& filePath, int* width, int* height, int* depth) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(filePath.ToUtf8().c_str(), "rb"),
                                               &std::fclose);
    if (!file) return nullptr;
    unsigned char* pixels = qoDecodeImage(file.get(), qoMaxImageSide(), width, height, depth);
    if (!pixels) return nullptr;
    gc_ext_malloced(*width * *height * *depth);
    return pixels;
}

void qoInstallImageDataLoader() {
    qoImageDataLoader = &qoLoadImageFile;
}
