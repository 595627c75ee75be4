// gxtkGraphics: the one renderer, a batching layer over OpenGL: fixed function with
// client vertex arrays on the desktop, one shader program in the browser (the backends
// are in graphics/submit.h). Colour and transform are applied to each vertex as it is
// appended, so changing them never breaks a batch. The batch is sent to OpenGL only:
//   - when the primitive kind (vertices per primitive) or the texture changes,
//   - when the 1024-vertex buffer is full,
//   - on SetBlend and SetScissor,
//   - on ReadPixels,
//   - at EndRender.
// Cls and BeginRender drop whatever is pending without drawing it.
#pragma once

#include <cstdint>

#include "runtime/array.h"
#include "runtime/object.h"
#include "runtime/string.h"

class gxtkSurface;

// One vertex as OpenGL reads it: the three vertex arrays share this 20-byte stride.
struct gxtkVertex {
    float x, y;
    float u, v;
    uint32_t color;  // premultiplied; bytes red, green, blue, alpha in memory order
};
static_assert(sizeof(gxtkVertex) == 20, "the vertex arrays use a 20-byte stride");

// What the renderer has sent to OpenGL since the last Reset; cheap enough to keep on.
struct gxtkDrawStats {
    long long drawCalls = 0;   // glDrawArrays / glDrawElements
    long long vertices = 0;    // vertices in flushed batches
    long long flushes = 0;     // non-empty batches sent
    long long matrixSets = 0;  // SetMatrix calls received
    long long clears = 0;      // whole-window opaque rectangles sent as a clear
    void Reset() { *this = gxtkDrawStats(); }
};

class gxtkGraphics : public Object {
public:
    static constexpr int kMaxVertices = 1024;
    static constexpr int kMaxQuads = kMaxVertices / 4;

    gxtkGraphics();
    void mark() override;

    virtual int Width() { return width; }
    virtual int Height() { return height; }
    virtual int BeginRender();
    virtual void EndRender() { Flush(); }
    virtual void DiscardGraphics() {}

    // Surface slots: see surface.h.
    virtual gxtkSurface* LoadSurface(const String& path);
    virtual gxtkSurface* CreateSurface(int width, int height);
    virtual bool LoadSurface__UNSAFE__(gxtkSurface* surface, const String& path);

    virtual int Cls(float r, float g, float b);
    virtual int SetAlpha(float alpha);
    virtual int SetColor(float r, float g, float b);
    virtual int SetBlend(int mode);
    virtual int SetScissor(int x, int y, int w, int h);
    virtual int SetMatrix(float ix, float iy, float jx, float jy, float tx, float ty);

    virtual int DrawPoint(float x, float y);
    virtual int DrawRect(float x, float y, float w, float h);
    virtual int DrawLine(float x1, float y1, float x2, float y2);
    virtual int DrawOval(float x, float y, float w, float h);
    virtual int DrawPoly(Array<float> verts);
    virtual int DrawPoly2(Array<float> verts, gxtkSurface* surface, int srcx, int srcy);
    virtual int DrawSurface(gxtkSurface* surface, float x, float y);
    virtual int DrawSurface2(gxtkSurface* surface, float x, float y, int srcx, int srcy, int srcw,
                             int srch);

    // 0xAARRGGBB values, row 0 at the top, row i from pixels[offset + i * pitch].
    virtual int ReadPixels(Array<int> pixels, int x, int y, int w, int h, int offset, int pitch);
    virtual int WritePixels2(gxtkSurface* surface, Array<int> pixels, int x, int y, int w, int h,
                             int offset, int pitch);

    void Flush();
    // Reserves `count` vertices of a primitive with `type` vertices and texture `surface`.
    gxtkVertex* Begin(int type, int count, gxtkSurface* surface);

    int PendingVertices() const { return primCount; }
    int PendingType() const { return primType; }
    const gxtkVertex* PendingVertex(int index) const { return &vertices[index]; }
    uint32_t PackedColor() const { return color; }

    gxtkDrawStats stats;

private:
    void PackColor();
    void Emit(gxtkVertex* v, float x, float y, float u, float w) const;
    int OvalVertexCount(float rx, float ry) const;

    int width = 0;
    int height = 0;
    uint32_t color = 0;
    float r = 0, g = 0, b = 0;
    float alpha = 0;
    int blend = 0;           // the mode the GL blend function is set to
    bool scissored = false;  // the scissor test is on
    float ix = 1, iy = 0, jx = 0, jy = 1, tx = 0, ty = 0;
    bool tformed = false;
    gxtkVertex vertices[kMaxVertices];
    uint16_t quadIndices[kMaxQuads * 6];
    int primType = 0;
    int primCount = 0;
    gxtkSurface* primSurf = nullptr;
};
