#include "graphics/graphics.h"

#include <cmath>

#include "graphics/decode_ahead.h"
#include "graphics/image_data.h"
#include "runtime/data.h"
#include "runtime/device_host.h"
#include "runtime/platform.h"

gxtkGraphics* qo_graphics_device = nullptr;
c_GraphicsContext* qo_graphics_context = nullptr;
gxtkGraphics* qo_graphics_renderDevice = nullptr;
GC_ROOT(qo_graphics_device);
GC_ROOT(qo_graphics_context);
GC_ROOT(qo_graphics_renderDevice);

namespace {

// The default font: 96 glyph frames for characters 32..127, with padding columns.
const char* const kDefaultFontPath = "vemo_font.png";
constexpr int kDefaultFontFrames = 96;
constexpr int kDefaultFirstChar = 32;

// Validation rule: hand the renderer the matrix at most once per draw.
gxtkGraphics* Validated() {
    gxtkGraphics* device = qo_graphics_renderDevice;
    c_GraphicsContext& context = *qo_graphics_context;
    if (device && context.m_matrixDirty) {
        device->SetMatrix(context.m_ix, context.m_iy, context.m_jx, context.m_jy, context.m_tx,
                          context.m_ty);
        context.m_matrixDirty = 0;
    }
    return device;
}

void DrawFrame(gxtkGraphics* device, c_Image* image, float x, float y, int frame) {
    if (image->m_flags & c_Image::kFullFrame) {
        device->DrawSurface(image->m_surface, x, y);
    } else {
        c_Frame* f = image->m_frames[frame];
        device->DrawSurface2(image->m_surface, x, y, f->m_x, f->m_y, image->m_width,
                             image->m_height);
    }
}

}  // namespace

void qo_graphics_Init() {
    qo_graphics_device = nullptr;
    qo_graphics_renderDevice = nullptr;
    gc_assign(qo_graphics_context, (new c_GraphicsContext)->m_new());
}

int qo_graphics_SetGraphicsDevice(gxtkGraphics* device) {
    gc_assign(qo_graphics_device, device);
    return 0;
}

int qo_graphics_BeginRender() {
    gc_assign(qo_graphics_renderDevice, qo_graphics_device);
    qo_graphics_context->m_stackTop = 0;
    qo_graphics_SetMatrix(1, 0, 0, 1, 0, 0);
    qo_graphics_SetColor(255, 255, 255);
    qo_graphics_SetAlpha(1);
    qo_graphics_SetBlend(0);
    // The renderer has just re-read the window size; using its own figures keeps the
    // full-window scissor recognisable as "off".
    float width = qo_graphics_device ? static_cast<float>(qo_graphics_device->Width()) : 0;
    float height = qo_graphics_device ? static_cast<float>(qo_graphics_device->Height()) : 0;
    qo_graphics_SetScissor(0, 0, width, height);
    return 0;
}

int qo_graphics_EndRender() {
    qo_graphics_renderDevice = nullptr;
    return 0;
}

// ---- state ------------------------------------------------------------------------------

int qo_graphics_SetColor(float r, float g, float b) {
    c_GraphicsContext& context = *qo_graphics_context;
    context.m_red = r;
    context.m_green = g;
    context.m_blue = b;
    if (qo_graphics_renderDevice) qo_graphics_renderDevice->SetColor(r, g, b);
    return 0;
}

int qo_graphics_SetAlpha(float alpha) {
    qo_graphics_context->m_alpha = alpha;
    if (qo_graphics_renderDevice) qo_graphics_renderDevice->SetAlpha(alpha);
    return 0;
}

int qo_graphics_SetBlend(int blend) {
    qo_graphics_context->m_blend = blend;
    if (qo_graphics_renderDevice) qo_graphics_renderDevice->SetBlend(blend);
    return 0;
}

int qo_graphics_SetScissor(float x, float y, float width, float height) {
    c_GraphicsContext& context = *qo_graphics_context;
    context.m_scissorX = x;
    context.m_scissorY = y;
    context.m_scissorWidth = width;
    context.m_scissorHeight = height;
    if (qo_graphics_renderDevice) {
        qo_graphics_renderDevice->SetScissor(static_cast<int>(x), static_cast<int>(y),
                                             static_cast<int>(width), static_cast<int>(height));
    }
    return 0;
}

int qo_graphics_SetMatrix(float ix, float iy, float jx, float jy, float tx, float ty) {
    qo_graphics_context->p_SetMatrix(ix, iy, jx, jy, tx, ty);
    return 0;
}

int qo_graphics_SetMatrix2(Array<float> m) {
    return qo_graphics_SetMatrix(m[0], m[1], m[2], m[3], m[4], m[5]);
}

int qo_graphics_Transform(float ix, float iy, float jx, float jy, float tx, float ty) {
    qo_graphics_context->p_Transform(ix, iy, jx, jy, tx, ty);
    return 0;
}

int qo_graphics_Transform2(Array<float> m) {
    return qo_graphics_Transform(m[0], m[1], m[2], m[3], m[4], m[5]);
}

int qo_graphics_Translate(float x, float y) {
    return qo_graphics_Transform(1, 0, 0, 1, x, y);
}

int qo_graphics_Scale(float x, float y) {
    return qo_graphics_Transform(x, 0, 0, y, 0, 0);
}

int qo_graphics_Rotate(float degrees) {
    float radians = degrees * D2R;
    float s = std::sin(radians);
    float c = std::cos(radians);
    return qo_graphics_Transform(c, -s, s, c, 0, 0);
}

int qo_graphics_PushMatrix() {
    qo_graphics_context->p_PushMatrix();
    return 0;
}

int qo_graphics_PopMatrix() {
    qo_graphics_context->p_PopMatrix();
    return 0;
}

int qo_graphics_SetFont(c_Image* font, int firstChar) {
    c_GraphicsContext& context = *qo_graphics_context;
    if (!font) {
        if (!context.m_defaultFont) {
            gc_assign(context.m_defaultFont,
                      qo_graphics_LoadImage(String(kDefaultFontPath), kDefaultFontFrames,
                                            c_Image::kXPadding));
        }
        font = context.m_defaultFont;
        firstChar = kDefaultFirstChar;
    }
    gc_assign(context.m_font, font);
    context.m_firstChar = firstChar;
    return 0;
}

// ---- drawing ----------------------------------------------------------------------------

int qo_graphics_DrawRect(float x, float y, float w, float h) {
    if (gxtkGraphics* device = Validated()) device->DrawRect(x, y, w, h);
    return 0;
}

int qo_graphics_DrawLine(float x1, float y1, float x2, float y2) {
    if (gxtkGraphics* device = Validated()) device->DrawLine(x1, y1, x2, y2);
    return 0;
}

int qo_graphics_DrawEllipse(float x, float y, float xr, float yr) {
    if (gxtkGraphics* device = Validated()) device->DrawOval(x - xr, y - yr, xr * 2, yr * 2);
    return 0;
}

int qo_graphics_DrawPoly(Array<float> verts) {
    if (gxtkGraphics* device = Validated()) device->DrawPoly(verts);
    return 0;
}

int qo_graphics_DrawPoly2(Array<float> verts, c_Image* image, int frame) {
    if (gxtkGraphics* device = Validated()) {
        c_Frame* f = image->m_frames[frame];
        device->DrawPoly2(verts, image->m_surface, f->m_x, f->m_y);
    }
    return 0;
}

int qo_graphics_DrawImage(c_Image* image, float x, float y, int frame) {
    if (gxtkGraphics* device = Validated()) {
        DrawFrame(device, image, x - image->m_handleX, y - image->m_handleY, frame);
    }
    return 0;
}

int qo_graphics_DrawImage2(c_Image* image, float x, float y, float rotation, float scaleX,
                           float scaleY, int frame) {
    c_GraphicsContext& context = *qo_graphics_context;
    context.p_PushMatrix();
    qo_graphics_Translate(x, y);
    qo_graphics_Rotate(rotation);
    qo_graphics_Scale(scaleX, scaleY);
    qo_graphics_Translate(-image->m_handleX, -image->m_handleY);
    if (gxtkGraphics* device = Validated()) DrawFrame(device, image, 0, 0, frame);
    context.p_PopMatrix();
    return 0;
}

// ---- images -----------------------------------------------------------------------------

namespace {

gxtkSurface* LoadSurface(const String& path) {
    if (!qo_graphics_device) return nullptr;
    return qo_graphics_device->LoadSurface(qo_data_FixDataPath(path));
}

}  // namespace

c_Image* qo_graphics_LoadImage(String path, int frameCount, int flags) {
    gxtkSurface* surface = LoadSurface(path);
    if (!surface) return nullptr;
    return (new c_Image)->m_new()->p_Init(surface, frameCount, flags);
}

c_Image* qo_graphics_LoadImage2(String path, int frameWidth, int frameHeight, int frameCount,
                                int flags) {
    gxtkSurface* surface = LoadSurface(path);
    if (!surface) return nullptr;
    return (new c_Image)
        ->m_new()
        ->p_Init2(surface, 0, 0, frameWidth, frameHeight, frameCount, flags, nullptr, 0, 0,
                  surface->Width(), surface->Height());
}

void qo_graphics_DecodeAhead(const std::vector<String>& paths) {
    // Only a host that reads pictures through the decoders here takes what they decode.
    QoDeviceHost* host = QoDeviceHost::Current();
    if (!host || qoImageDataLoader != &qoLoadImageFile) return;
    std::vector<std::string> files;
    for (const String& path : paths) {
        String file = host->PathToFilePath(qo_data_FixDataPath(path));
        if (file.Length() > 0) files.push_back(qoEncodePath(file));
    }
    qoDecodeAhead(files, qoMaxImageSide());
}

c_Image* qo_graphics_CreateImage(int width, int height, int frameCount, int flags) {
    if (!qo_graphics_device) return nullptr;
    gxtkSurface* surface = qo_graphics_device->CreateSurface(width * frameCount, height);
    if (!surface) return nullptr;
    return (new c_Image)->m_new()->p_Init(surface, frameCount, flags);
}
