// Something the asynchronous event pump updates once per game update on the main thread.
#pragma once

#include "runtime/object.h"

class c_IAsyncEventSource : public virtual gc_interface {
public:
    virtual int p_UpdateAsyncEvents() = 0;
};
