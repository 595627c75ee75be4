// A display size as the application sees it (one entry per distinct width × height).
#pragma once

#include "runtime/gc/map.h"
#include "runtime/gc/stack.h"
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

// The containers the application module lists display modes with.
using c_Node = gc_node<c_DisplayMode>;
using c_Map = gc_map<c_DisplayMode>;
using c_IntMap = gc_int_map<c_DisplayMode>;
using c_Stack = gc_object_stack<c_DisplayMode>;
