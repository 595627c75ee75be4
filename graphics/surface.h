// gxtkSurface: a picture the renderer draws from. The pixels stay in main memory,
// premultiplied by alpha once at load; the OpenGL texture is made from them on demand
// and re-made after every new graphics context, so a context change reloads no file.
// A texture belongs to the context generation glfwGraphicsSeq (runtime/game.h)
// in which it was made; only Bind creates textures.
#pragma once

#include <cstdint>

#include "runtime/object.h"

class gxtkSurface : public Object {
public:
    // Rows top-down, no padding, width * height * depth bytes; owned (malloc/free).
    unsigned char* data = nullptr;
    int width = 0;
    int height = 0;
    int depth = 0;  // bytes per pixel, 1..4
    uint32_t format = 0;
    int seq = -1;  // glfwGraphicsSeq the texture was made in; -1 = no texture
    uint32_t texture = 0;
    float uscale = 0;  // 1 / allocated texture width
    float vscale = 0;

    ~gxtkSurface() override;

    // Deletes the texture when it belongs to the current context and frees the pixels.
    virtual int Discard();
    virtual int Width() { return width; }
    virtual int Height() { return height; }
    virtual int Loaded() { return 1; }
    virtual void OnUnsafeLoadComplete() { Bind(); }

    // Takes ownership of a pixel block and premultiplies it in place.
    void SetData(unsigned char* pixels, int width, int height, int depth);
    // Writes a rectangle of 0xAARRGGBB values; RGBA surfaces only. Rectangles that do
    // not lie inside the surface are refused rather than written out of bounds.
    void SetSubData(int x, int y, int w, int h, const int* src, int pitch);
    // Makes the texture current, creating it first when this context has none.
    void Bind();

private:
    void MakeTexture();
};

// OpenGL pixel format for a byte depth of 1..4; 0 otherwise.
uint32_t gxtkFormatForDepth(int depth);
// In-place premultiplication with truncating integer arithmetic (depths 2 and 4).
void gxtkPremultiply(unsigned char* pixels, int count, int depth);
