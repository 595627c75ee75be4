#include "graphics/graphics_context.h"

#include "graphics/image.h"

c_GraphicsContext* c_GraphicsContext::m_new() {
    gc_assign(m_matrixStack, Array<float>(kInitialStackFloats));
    return this;
}

void c_GraphicsContext::mark() {
    gc_mark_q(m_defaultFont);
    gc_mark_q(m_font);
    gc_mark_q(m_matrixStack);
}

void c_GraphicsContext::p_SetMatrix(float ix, float iy, float jx, float jy, float tx, float ty) {
    m_ix = ix;
    m_iy = iy;
    m_jx = jx;
    m_jy = jy;
    m_tx = tx;
    m_ty = ty;
    m_transformed = (ix != 1 || iy != 0 || jx != 0 || jy != 1 || tx != 0 || ty != 0) ? 1 : 0;
    m_matrixDirty = 1;
}

void c_GraphicsContext::p_Transform(float a, float b, float c, float d, float e, float f) {
    p_SetMatrix(m_ix * a + m_jx * b, m_iy * a + m_jy * b, m_ix * c + m_jx * d, m_iy * c + m_jy * d,
                m_ix * e + m_jx * f + m_tx, m_iy * e + m_jy * f + m_ty);
}

void c_GraphicsContext::p_PushMatrix() {
    if (m_stackTop + 6 > m_matrixStack.Length()) {
        gc_assign(m_matrixStack, m_matrixStack.Resize(m_matrixStack.Length() * 2));
    }
    float* top = m_matrixStack.Data() + m_stackTop;
    top[0] = m_ix;
    top[1] = m_iy;
    top[2] = m_jx;
    top[3] = m_jy;
    top[4] = m_tx;
    top[5] = m_ty;
    m_stackTop += 6;
}

void c_GraphicsContext::p_PopMatrix() {
    // An unmatched pop would read below the stack; keep the matrix instead.
    if (m_stackTop < 6) return;
    m_stackTop -= 6;
    const float* top = m_matrixStack.Data() + m_stackTop;
    p_SetMatrix(top[0], top[1], top[2], top[3], top[4], top[5]);
}
