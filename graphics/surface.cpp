#include "graphics/surface.h"

#include <GL/gl.h>
// GL 1.2 names (clamp to edge, BGRA), which some systems' gl.h leaves out.
#include <GL/glext.h>

#include <cstdlib>

#include "runtime/device_host.h"
#include "runtime/gc/collector.h"

uint32_t gxtkFormatForDepth(int depth) {
    switch (depth) {
        case 1:
            return GL_LUMINANCE;
        case 2:
            return GL_LUMINANCE_ALPHA;
        case 3:
            return GL_RGB;
        case 4:
            return GL_RGBA;
        default:
            return 0;
    }
}

void gxtkPremultiply(unsigned char* pixels, int count, int depth) {
    if (depth == 4) {
        for (unsigned char* p = pixels; p != pixels + count * 4; p += 4) {
            int a = p[3];
            p[0] = static_cast<unsigned char>(p[0] * a / 255);
            p[1] = static_cast<unsigned char>(p[1] * a / 255);
            p[2] = static_cast<unsigned char>(p[2] * a / 255);
        }
    } else if (depth == 2) {
        for (unsigned char* p = pixels; p != pixels + count * 2; p += 2) {
            p[0] = static_cast<unsigned char>(p[0] * p[1] / 255);
        }
    }
}

namespace {

int RoundUpToPowerOfTwo(int n) {
    int pot = 1;
    while (pot < n) pot <<= 1;
    return pot;
}

}  // namespace

gxtkSurface::~gxtkSurface() {
    Discard();
}

int gxtkSurface::Discard() {
    if (seq == glfwGraphicsSeq) {
        glDeleteTextures(1, &texture);
        seq = -1;
    }
    std::free(data);
    data = nullptr;
    return 0;
}

void gxtkSurface::SetData(unsigned char* pixels, int w, int h, int d) {
    data = pixels;
    width = w;
    height = h;
    depth = d;
    format = gxtkFormatForDepth(d);
    gxtkPremultiply(data, w * h, d);
}

void gxtkSurface::Bind() {
    if (glfwGraphicsSeq == 0) return;
    if (seq == glfwGraphicsSeq) {
        glBindTexture(GL_TEXTURE_2D, texture);
        return;
    }
    MakeTexture();
}

void gxtkSurface::MakeTexture() {
    seq = glfwGraphicsSeq;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);

    // Set by the build: 0 where every size is taken (WebGL) and asking costs a round trip.
    constexpr bool kCheckAllocation = QO_CHECK_TEXTURE_ALLOCATION != 0;
    // Clear errors left by earlier calls, so only this allocation decides the retry.
    while (kCheckAllocation && glGetError() != GL_NO_ERROR) {
    }
    int texWidth = width;
    int texHeight = height;
    glTexImage2D(GL_TEXTURE_2D, 0, format, texWidth, texHeight, 0, format, GL_UNSIGNED_BYTE,
                 nullptr);
    if (kCheckAllocation && glGetError() != GL_NO_ERROR) {
        // Drivers without non-power-of-two textures: pad, and sample the top-left part.
        texWidth = RoundUpToPowerOfTwo(width);
        texHeight = RoundUpToPowerOfTwo(height);
        glTexImage2D(GL_TEXTURE_2D, 0, format, texWidth, texHeight, 0, format, GL_UNSIGNED_BYTE,
                     nullptr);
    }
    uscale = 1.0f / texWidth;
    vscale = 1.0f / texHeight;

    if (data) {
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, format, GL_UNSIGNED_BYTE, data);
    }
}

void gxtkSurface::SetSubData(int x, int y, int w, int h, const int* src, int pitch) {
    if (format != GL_RGBA) return;
    if (x < 0 || y < 0 || w <= 0 || h <= 0 || w > width - x || h > height - y) return;
    if (!data) {
        size_t bytes = static_cast<size_t>(width) * height * 4;
        data = static_cast<unsigned char*>(std::malloc(bytes));
        if (!data) return;
        gc_ext_malloced(static_cast<int>(bytes));
    }
    for (int r = 0; r < h; ++r) {
        const int* row = src + static_cast<size_t>(r) * pitch;
        unsigned char* out = data + (static_cast<size_t>(y + r) * width + x) * 4;
        for (int c = 0; c < w; ++c, out += 4) {
            auto p = static_cast<uint32_t>(row[c]);
            unsigned a = p >> 24;
            out[0] = static_cast<unsigned char>(((p >> 16) & 0xff) * a / 255);
            out[1] = static_cast<unsigned char>(((p >> 8) & 0xff) * a / 255);
            out[2] = static_cast<unsigned char>((p & 0xff) * a / 255);
            out[3] = static_cast<unsigned char>(a);
        }
    }
    if (seq != glfwGraphicsSeq) return;  // the next Bind uploads the whole block

    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const unsigned char* first = data + (static_cast<size_t>(y) * width + x) * 4;
    if (w == width) {
        glTexSubImage2D(GL_TEXTURE_2D, 0, x, y, w, h, GL_RGBA, GL_UNSIGNED_BYTE, first);
    } else {
        for (int r = 0; r < h; ++r) {
            glTexSubImage2D(GL_TEXTURE_2D, 0, x, y + r, w, 1, GL_RGBA, GL_UNSIGNED_BYTE,
                            first + static_cast<size_t>(r) * width * 4);
        }
    }
}
