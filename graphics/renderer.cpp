#include "graphics/renderer.h"

#include <GL/gl.h>

#include <cmath>
#include <vector>

#include "graphics/image_data.h"
#include "graphics/submit.h"
#include "graphics/surface.h"
#include "runtime/device_host.h"

static_assert(static_cast<GLenum>(gxtkSubmit::Primitive::Points) == GL_POINTS &&
                  static_cast<GLenum>(gxtkSubmit::Primitive::Lines) == GL_LINES &&
                  static_cast<GLenum>(gxtkSubmit::Primitive::Triangles) == GL_TRIANGLES &&
                  static_cast<GLenum>(gxtkSubmit::Primitive::TriangleFan) == GL_TRIANGLE_FAN,
              "the backends pass primitive kinds to OpenGL as they are");

namespace {

// The float nearest 2*pi, so oval vertices match the single-precision design.
constexpr float kTwoPi = 6.2831855f;

void CurrentWindowSize(int* width, int* height) {
    *width = *height = 0;
    if (QoDeviceHost* host = QoDeviceHost::Current()) host->GraphicsWindowSize(width, height);
}

}  // namespace

gxtkGraphics::gxtkGraphics() {
    qoInstallImageDataLoader();
    CurrentWindowSize(&width, &height);
    for (int q = 0; q < kMaxQuads; ++q) {
        uint16_t* idx = &quadIndices[q * 6];
        auto base = static_cast<uint16_t>(q * 4);
        idx[0] = base;
        idx[1] = base + 1;
        idx[2] = base + 2;
        idx[3] = base;
        idx[4] = base + 2;
        idx[5] = base + 3;
    }
}

void gxtkGraphics::mark() {
    gc_mark_q(primSurf);
}

int gxtkGraphics::BeginRender() {
    CurrentWindowSize(&width, &height);
    glViewport(0, 0, width, height);
    gxtkSubmit::BeginFrame(width, height, vertices);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    blend = 0;
    primCount = 0;
    return 1;
}

// ---- batching ---------------------------------------------------------------------------

gxtkVertex* gxtkGraphics::Begin(int type, int count, gxtkSurface* surface) {
    if (type == primType && surface == primSurf && primCount + count <= kMaxVertices) {
        gxtkVertex* v = &vertices[primCount];
        primCount += count;
        return v;
    }
    if (primCount) Flush();
    primType = type;
    gc_assign(primSurf, surface);
    primCount = count;
    return &vertices[0];
}

void gxtkGraphics::Flush() {
    if (!primCount) return;
    using gxtkSubmit::Primitive;
    gxtkSubmit::BeginBatch(vertices, primCount, primSurf);
    switch (primType) {
        case 1:
            gxtkSubmit::DrawArrays(Primitive::Points, 0, primCount);
            ++stats.drawCalls;
            break;
        case 2:
            gxtkSubmit::DrawArrays(Primitive::Lines, 0, primCount);
            ++stats.drawCalls;
            break;
        case 3:
            gxtkSubmit::DrawArrays(Primitive::Triangles, 0, primCount);
            ++stats.drawCalls;
            break;
        case 4:
            gxtkSubmit::DrawQuads(quadIndices, primCount / 4);
            ++stats.drawCalls;
            break;
        default:
            for (int j = 0; j < primCount; j += primType) {
                gxtkSubmit::DrawArrays(Primitive::TriangleFan, j, primType);
                ++stats.drawCalls;
            }
            break;
    }
    gxtkSubmit::EndBatch(primSurf);
    stats.vertices += primCount;
    ++stats.flushes;
    primCount = 0;
}

inline void gxtkGraphics::Emit(gxtkVertex* v, float x, float y, float u, float w) const {
    if (tformed) {
        v->x = ix * x + jx * y + tx;
        v->y = iy * x + jy * y + ty;
    } else {
        v->x = x;
        v->y = y;
    }
    v->u = u;
    v->v = w;
    v->color = color;
}

// ---- state ------------------------------------------------------------------------------

void gxtkGraphics::PackColor() {
    // Premultiplied by alpha; the design ORs the truncated products without masking.
    color = static_cast<uint32_t>(static_cast<int>(255 * alpha)) << 24 |
            static_cast<uint32_t>(static_cast<int>(b * alpha)) << 16 |
            static_cast<uint32_t>(static_cast<int>(g * alpha)) << 8 |
            static_cast<uint32_t>(static_cast<int>(r * alpha));
}

int gxtkGraphics::Cls(float red, float green, float blue) {
    primCount = 0;
    glClearColor(red / 255.0f, green / 255.0f, blue / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    return 0;
}

int gxtkGraphics::SetAlpha(float a) {
    alpha = a;
    PackColor();
    return 0;
}

int gxtkGraphics::SetColor(float red, float green, float blue) {
    r = red;
    g = green;
    b = blue;
    PackColor();
    return 0;
}

int gxtkGraphics::SetBlend(int mode) {
    // The draw list sets the mode on every record; only a change ends the batch.
    if (mode == blend) return 0;
    Flush();
    blend = mode;
    if (mode == 1) {
        glBlendFunc(GL_ONE, GL_ONE);
    } else {
        glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    }
    return 0;
}

int gxtkGraphics::SetScissor(int x, int y, int w, int h) {
    Flush();
    scissored = !(x == 0 && y == 0 && w == Width() && h == Height());
    if (!scissored) {
        glDisable(GL_SCISSOR_TEST);
    } else {
        glEnable(GL_SCISSOR_TEST);
        glScissor(x, Height() - y - h, w, h);
    }
    return 0;
}

int gxtkGraphics::SetMatrix(float ix, float iy, float jx, float jy, float tx, float ty) {
    this->ix = ix;
    this->iy = iy;
    this->jx = jx;
    this->jy = jy;
    this->tx = tx;
    this->ty = ty;
    tformed = !(ix == 1 && iy == 0 && jx == 0 && jy == 1 && tx == 0 && ty == 0);
    ++stats.matrixSets;
    return 0;
}

// ---- primitives -------------------------------------------------------------------------

int gxtkGraphics::DrawPoint(float x, float y) {
    gxtkVertex* v = Begin(1, 1, nullptr);
    Emit(v, x, y, 0, 0);
    // Points and lines sit on pixel centres.
    v->x += 0.5f;
    v->y += 0.5f;
    return 0;
}

int gxtkGraphics::DrawLine(float x1, float y1, float x2, float y2) {
    gxtkVertex* v = Begin(2, 2, nullptr);
    Emit(&v[0], x1, y1, 0, 0);
    Emit(&v[1], x2, y2, 0, 0);
    for (int i = 0; i < 2; ++i) {
        v[i].x += 0.5f;
        v[i].y += 0.5f;
    }
    return 0;
}

int gxtkGraphics::DrawRect(float x, float y, float w, float h) {
    // An opaque rectangle over the whole window hides everything drawn before it (the
    // game starts each frame with one): clearing to its colour gives the same pixels
    // without a draw call or a batch of its own.
    if (!tformed && blend == 0 && !scissored && color >> 24 == 255 && x <= 0 && y <= 0 &&
        x + w >= width && y + h >= height) {
        primCount = 0;
        glClearColor(static_cast<float>(color & 0xff) / 255.0f,
                     static_cast<float>(color >> 8 & 0xff) / 255.0f,
                     static_cast<float>(color >> 16 & 0xff) / 255.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        ++stats.clears;
        return 0;
    }
    gxtkVertex* v = Begin(4, 4, nullptr);
    Emit(&v[0], x, y, 0, 0);
    Emit(&v[1], x + w, y, 0, 0);
    Emit(&v[2], x + w, y + h, 0, 0);
    Emit(&v[3], x, y + h, 0, 0);
    return 0;
}

int gxtkGraphics::OvalVertexCount(float rx, float ry) const {
    int s;
    if (tformed) {
        float ax = std::sqrt((ix * rx) * (ix * rx) + (iy * rx) * (iy * rx));
        float ay = std::sqrt((jx * ry) * (jx * ry) + (jy * ry) * (jy * ry));
        s = static_cast<int>(ax + ay);
    } else {
        s = std::abs(static_cast<int>(rx)) + std::abs(static_cast<int>(ry));
    }
    if (s < 12) return 12;
    if (s > kMaxVertices) return kMaxVertices;
    return s & ~3;
}

int gxtkGraphics::DrawOval(float x, float y, float w, float h) {
    float rx = w * 0.5f;
    float ry = h * 0.5f;
    int n = OvalVertexCount(rx, ry);
    gxtkVertex* v = Begin(n, n, nullptr);
    for (int i = 0; i < n; ++i) {
        float angle = static_cast<float>(i) * kTwoPi / static_cast<float>(n);
        Emit(&v[i], x + rx + std::cos(angle) * rx, y + ry - std::sin(angle) * ry, 0, 0);
    }
    return 0;
}

int gxtkGraphics::DrawPoly(Array<float> verts) {
    int n = verts.Length() / 2;
    if (n < 1 || n > kMaxVertices) return 0;
    const float* p = verts.Data();
    gxtkVertex* v = Begin(n, n, nullptr);
    for (int i = 0; i < n; ++i) Emit(&v[i], p[i * 2], p[i * 2 + 1], 0, 0);
    return 0;
}

int gxtkGraphics::DrawPoly2(Array<float> verts, gxtkSurface* surface, int srcx, int srcy) {
    int n = verts.Length() / 4;
    if (n < 1 || n > kMaxVertices) return 0;
    const float* p = verts.Data();
    gxtkVertex* v = Begin(n, n, surface);
    for (int i = 0; i < n; ++i) {
        const float* q = p + i * 4;
        Emit(&v[i], q[0], q[1], (q[2] + srcx) * surface->uscale, (q[3] + srcy) * surface->vscale);
    }
    return 0;
}

int gxtkGraphics::DrawSurface(gxtkSurface* surface, float x, float y) {
    return DrawSurface2(surface, x, y, 0, 0, surface->Width(), surface->Height());
}

int gxtkGraphics::DrawSurface2(gxtkSurface* surface, float x, float y, int srcx, int srcy, int srcw,
                               int srch) {
    float u0 = srcx * surface->uscale;
    float u1 = (srcx + srcw) * surface->uscale;
    float v0 = srcy * surface->vscale;
    float v1 = (srcy + srch) * surface->vscale;
    gxtkVertex* v = Begin(4, 4, surface);
    Emit(&v[0], x, y, u0, v0);
    Emit(&v[1], x + srcw, y, u1, v0);
    Emit(&v[2], x + srcw, y + srch, u1, v1);
    Emit(&v[3], x, y + srch, u0, v1);
    return 0;
}

// ---- pixels -----------------------------------------------------------------------------

namespace {

// True when rows 0..h-1 of w values at offset + i * pitch all lie inside `length`.
bool RectFits(int length, int w, int h, int offset, int pitch) {
    if (w <= 0 || h <= 0 || offset < 0 || pitch < 0) return false;
    long long last = static_cast<long long>(offset) + static_cast<long long>(pitch) * (h - 1) + w;
    return last <= length;
}

}  // namespace

int gxtkGraphics::ReadPixels(Array<int> pixels, int x, int y, int w, int h, int offset, int pitch) {
    Flush();
    if (!RectFits(pixels.Length(), w, h, offset, pitch)) return 0;
    std::vector<uint32_t> rows(static_cast<size_t>(w) * h);
    gxtkSubmit::ReadPixels(x, height - y - h, w, h, rows.data());
    int* out = pixels.Data();
    for (int i = 0; i < h; ++i) {
        const uint32_t* src = &rows[static_cast<size_t>(h - 1 - i) * w];
        int* dst = out + offset + static_cast<size_t>(i) * pitch;
        for (int c = 0; c < w; ++c) dst[c] = static_cast<int>(src[c]);
    }
    return 0;
}

int gxtkGraphics::WritePixels2(gxtkSurface* surface, Array<int> pixels, int x, int y, int w, int h,
                               int offset, int pitch) {
    if (!RectFits(pixels.Length(), w, h, offset, pitch)) return 0;
    surface->SetSubData(x, y, w, h, pixels.Data() + offset, pitch);
    return 0;
}

// ---- surfaces ---------------------------------------------------------------------------

gxtkSurface* gxtkGraphics::LoadSurface(const String& path) {
    auto* surface = new gxtkSurface;
    if (!LoadSurface__UNSAFE__(surface, path)) return nullptr;
    surface->Bind();
    return surface;
}

gxtkSurface* gxtkGraphics::CreateSurface(int w, int h) {
    auto* surface = new gxtkSurface;
    surface->width = w;
    surface->height = h;
    surface->depth = 4;
    surface->format = GL_RGBA;
    surface->Bind();
    return surface;
}

bool gxtkGraphics::LoadSurface__UNSAFE__(gxtkSurface* surface, const String& path) {
    QoDeviceHost* host = QoDeviceHost::Current();
    if (!host) return false;
    int w = 0, h = 0, depth = 0;
    unsigned char* pixels = host->LoadImageData(path, &w, &h, &depth);
    if (!pixels) return false;
    surface->SetData(pixels, w, h, depth);
    return true;
}
