// A display size as the application sees it (one entry per distinct width × height).
#pragma once

#include "runtime/object.h"

class c_DisplayMode : public Object {
public:
    int m__width = 0;
    int m__height = 0;

    c_DisplayMode* m_new(int width, int height) {
        m__width = width;
        m__height = height;
        return this;
    }
    c_DisplayMode* m_new2() { return this; }
};
