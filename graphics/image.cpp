#include "graphics/image.h"

#include "graphics/surface.h"
#include "runtime/errors.h"

c_Frame* c_Frame::m_new(int x, int y) {
    m_x = x;
    m_y = y;
    return this;
}

void c_Image::mark() {
    gc_mark_q(m_surface);
    gc_mark_q(m_frames);
    gc_mark_q(m_parent);
}

void c_Image::SetSurfaceOnce(gxtkSurface* surface) {
    if (m_surface) qoError(String("Image already initialized"));
    gc_assign(m_surface, surface);
}

c_Image* c_Image::p_Init(gxtkSurface* surface, int frameCount, int flags) {
    SetSurfaceOnce(surface);
    m_width = surface->Width() / frameCount;
    m_height = surface->Height();
    gc_assign(m_frames, Array<c_Frame*>(frameCount));
    for (int i = 0; i < frameCount; ++i) m_frames[i] = (new c_Frame)->m_new(i * m_width, 0);
    p_ApplyFlags(flags);
    return this;
}

c_Image* c_Image::p_Init2(gxtkSurface* surface, int x, int y, int frameWidth, int frameHeight,
                          int frameCount, int flags, c_Image* parent, int srcX, int srcY,
                          int srcWidth, int srcHeight) {
    SetSurfaceOnce(surface);
    gc_assign(m_parent, parent);
    m_width = frameWidth;
    m_height = frameHeight;
    gc_assign(m_frames, Array<c_Frame*>(frameCount));
    for (int i = 0; i < frameCount; ++i) {
        if (x + frameWidth > srcWidth) {
            if (frameWidth > srcWidth) qoError(String("Image frame outside surface"));
            y += frameHeight;
            x = 0;
        }
        if (y + frameHeight > srcHeight) qoError(String("Image frame outside surface"));
        m_frames[i] = (new c_Frame)->m_new(x + srcX, y + srcY);
        x += frameWidth;
    }
    p_ApplyFlags(flags);
    return this;
}

int c_Image::p_ApplyFlags(int flags) {
    m_flags = flags;
    if (m_flags & kXPadding) {
        for (c_Frame* frame : m_frames) frame->m_x += 1;
        m_width -= 2;
    }
    if (m_flags & kYPadding) {
        for (c_Frame* frame : m_frames) frame->m_y += 1;
        m_height -= 2;
    }
    if (m_flags & kMidHandle) {
        m_flags &= ~kMidHandle;
        m_handleX = m_width * 0.5f;
        m_handleY = m_height * 0.5f;
    }
    if (m_frames.Length() == 1 && m_frames[0]->m_x == 0 && m_frames[0]->m_y == 0 &&
        m_width == m_surface->Width() && m_height == m_surface->Height()) {
        m_flags |= kFullFrame;
    }
    return 0;
}

int c_Image::p_SetHandle(float x, float y) {
    m_handleX = x;
    m_handleY = y;
    m_flags &= ~kMidHandle;
    return 0;
}
