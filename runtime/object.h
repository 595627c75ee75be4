// Bases of every translated class and interface, and of thrown runtime exceptions.
#pragma once

#include "runtime/gc/collector.h"
#include "runtime/string.h"

class Object : public gc_object {
public:
    virtual bool Equals(Object* other) { return this == other; }
    virtual int Compare(Object* other);
    // Text the debugger shows for the object.
    virtual String debug() { return String("+Object\n"); }
};

// Base of translated interfaces; classes implement them by virtual inheritance, so an
// interface pointer reaches its object through a dynamic cast (gc_object_of).
class gc_interface {
public:
    virtual ~gc_interface() = default;
};

// Translated code throws pointers to these; one escaping a callback ends the program.
class ThrowableObject : public Object {};
