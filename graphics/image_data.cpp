#include "graphics/image_data.h"

#include <GL/gl.h>
#include <GLFW/glfw3.h>
#include <stb_image.h>

#include <cstdint>
#include <cstring>
#include <memory>

#include "runtime/game.h"
#include "runtime/gc/collector.h"

int qoMaxImageSide() {
    GLint side = 0;
    if (glfwGetCurrentContext()) glGetIntegerv(GL_MAX_TEXTURE_SIZE, &side);
    return side > 0 ? side : kQoFallbackMaxImageSide;
}

namespace {

// stb_image grows its buffer for a PNG's image data to each chunk's stated length before
// reading the chunk, so a few bytes could reserve 2 GB. True unless the stream is a PNG
// with a chunk that runs past its end; the stream is put back where it was.
bool PngChunksFit(FILE* file) {
    const long start = std::ftell(file);
    unsigned char head[8];
    bool png = std::fread(head, 1, 8, file) == 8 && std::memcmp(head, "\x89PNG\r\n\x1a\n", 8) == 0;
    bool fits = true;
    if (png && std::fseek(file, 0, SEEK_END) == 0) {
        const long end = std::ftell(file);
        std::fseek(file, start + 8, SEEK_SET);
        // Chunk by chunk: length, type, that many bytes and a checksum, up to IEND.
        while (fits && std::fread(head, 1, 8, file) == 8 && std::memcmp(head + 4, "IEND", 4) != 0) {
            uint32_t length =
                static_cast<uint32_t>(head[0]) << 24 | head[1] << 16 | head[2] << 8 | head[3];
            fits = length <= static_cast<unsigned long>(end - std::ftell(file));
            std::fseek(file, static_cast<long>(length) + 4, SEEK_CUR);
        }
    }
    return std::fseek(file, start, SEEK_SET) == 0 && fits;
}

}  // namespace

unsigned char* qoDecodeImage(FILE* file, int maxSide, int* width, int* height, int* depth) {
    // stbi_info reads the header only and puts the stream back where it was; every
    // format stb_image decodes is sized here first. A picture without pixels could
    // never be drawn either.
    int w = 0, h = 0, n = 0;
    if (!stbi_info_from_file(file, &w, &h, &n) || w < 1 || h < 1 || w > maxSide || h > maxSide ||
        !PngChunksFit(file)) {
        return nullptr;
    }
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
