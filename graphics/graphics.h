// The drawing module that translated code calls: state and drawing over one context,
// forwarded to the renderer while a frame is being rendered, and image loading.
// State functions called outside a frame only update the context; drawing functions
// called outside a frame draw nothing.
#pragma once

#include <vector>

#include "graphics/graphics_context.h"
#include "graphics/image.h"
#include "graphics/renderer.h"
#include "graphics/surface.h"
#include "runtime/array.h"
#include "runtime/string.h"

// Degrees to radians: the float nearest pi / 180.
constexpr float D2R = 0.017453292f;

extern gxtkGraphics* qo_graphics_device;
extern c_GraphicsContext* qo_graphics_context;
extern gxtkGraphics* qo_graphics_renderDevice;

// Module initialiser, run by qoInit: resets the globals and creates the context.
void qo_graphics_Init();

int qo_graphics_SetGraphicsDevice(gxtkGraphics* device);
int qo_graphics_BeginRender();
int qo_graphics_EndRender();

int qo_graphics_SetColor(float r, float g, float b);
int qo_graphics_SetAlpha(float alpha);
int qo_graphics_SetBlend(int blend);
int qo_graphics_SetScissor(float x, float y, float width, float height);
int qo_graphics_SetMatrix(float ix, float iy, float jx, float jy, float tx, float ty);
int qo_graphics_SetMatrix2(Array<float> m);
int qo_graphics_Transform(float ix, float iy, float jx, float jy, float tx, float ty);
int qo_graphics_Transform2(Array<float> m);
int qo_graphics_Translate(float x, float y);
int qo_graphics_Scale(float x, float y);
int qo_graphics_Rotate(float degrees);
int qo_graphics_PushMatrix();
int qo_graphics_PopMatrix();
int qo_graphics_SetFont(c_Image* font, int firstChar);

int qo_graphics_DrawRect(float x, float y, float w, float h);
int qo_graphics_DrawLine(float x1, float y1, float x2, float y2);
int qo_graphics_DrawEllipse(float x, float y, float xr, float yr);
int qo_graphics_DrawPoly(Array<float> verts);
int qo_graphics_DrawPoly2(Array<float> verts, c_Image* image, int frame);
int qo_graphics_DrawImage(c_Image* image, float x, float y, int frame);
int qo_graphics_DrawImage2(c_Image* image, float x, float y, float rotation, float scaleX,
                           float scaleY, int frame);

c_Image* qo_graphics_LoadImage(String path, int frameCount, int flags);
c_Image* qo_graphics_LoadImage2(String path, int frameWidth, int frameHeight, int frameCount,
                                int flags);
c_Image* qo_graphics_CreateImage(int width, int height, int frameCount, int flags);
// Starts decoding the image files at `paths` (as LoadImage takes them, in the order
// they will be loaded) on worker threads, so that their loads find the pixels ready.
void qo_graphics_DecodeAhead(const std::vector<String>& paths);
