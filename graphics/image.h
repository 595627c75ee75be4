// c_Image: a surface cut into equal frames, with a handle (the point of the frame that
// lands on the drawing position) and flags. c_Frame: one frame's top-left texel.
#pragma once

#include "runtime/array.h"
#include "runtime/object.h"

class gxtkSurface;

class c_Frame : public Object {
public:
    int m_x = 0;
    int m_y = 0;

    c_Frame* m_new(int x, int y);
    c_Frame* m_new2() { return this; }
};

class c_Image : public Object {
public:
    // Centre the handle; applied once, then cleared from m_flags.
    static constexpr int kMidHandle = 1;
    // A one-pixel border column left and right of every frame that is not drawn.
    static constexpr int kXPadding = 2;
    // The same for the rows above and below.
    static constexpr int kYPadding = 4;
    // Set by the image itself: one frame covering the whole surface.
    static constexpr int kFullFrame = 0x10000;

    gxtkSurface* m_surface = nullptr;
    int m_width = 0;
    int m_height = 0;
    Array<c_Frame*> m_frames;
    int m_flags = 0;
    float m_handleX = 0;
    float m_handleY = 0;
    c_Image* m_parent = nullptr;

    c_Image* m_new() { return this; }
    // A horizontal strip of frameCount equal frames.
    c_Image* p_Init(gxtkSurface* surface, int frameCount, int flags);
    // frameCount frames of frameWidth x frameHeight laid out row by row from (x, y)
    // inside the source rectangle.
    c_Image* p_Init2(gxtkSurface* surface, int x, int y, int frameWidth, int frameHeight,
                     int frameCount, int flags, c_Image* parent, int srcX, int srcY, int srcWidth,
                     int srcHeight);
    int p_ApplyFlags(int flags);
    int p_SetHandle(float x, float y);

    void mark() override;

private:
    void SetSurfaceOnce(gxtkSurface* surface);
};
