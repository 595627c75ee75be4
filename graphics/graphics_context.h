// c_GraphicsContext: the drawing module's own copy of the drawing state. The matrix is
// handed to the renderer lazily (m_matrixDirty), at most once per draw.
#pragma once

#include "runtime/array.h"
#include "runtime/object.h"

class c_Image;

class c_GraphicsContext : public Object {
public:
    // Room for 32 saved matrices before the stack first doubles.
    static constexpr int kInitialStackFloats = 192;

    c_Image* m_defaultFont = nullptr;
    c_Image* m_font = nullptr;
    int m_firstChar = 0;
    int m_stackTop = 0;  // floats in use in m_matrixStack, 6 per saved matrix
    float m_ix = 1, m_iy = 0, m_jx = 0, m_jy = 1, m_tx = 0, m_ty = 0;
    int m_transformed = 0;  // 0 exactly when the matrix is the identity
    int m_matrixDirty = 0;  // 1 while the renderer lacks the current matrix
    float m_red = 0, m_green = 0, m_blue = 0;
    float m_alpha = 0;
    int m_blend = 0;
    float m_scissorX = 0, m_scissorY = 0, m_scissorWidth = 0, m_scissorHeight = 0;
    Array<float> m_matrixStack;

    c_GraphicsContext* m_new();
    void mark() override;

    // Replaces the matrix; every matrix change ends here.
    void p_SetMatrix(float ix, float iy, float jx, float jy, float tx, float ty);
    // current := current * given.
    void p_Transform(float a, float b, float c, float d, float e, float f);
    void p_PushMatrix();
    void p_PopMatrix();
};
