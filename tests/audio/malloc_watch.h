// The largest single malloc made while a watch is alive. The test executable is linked
// with -Wl,--wrap=malloc, so this sees the loaders' own requests (not operator new).
#pragma once

#include <cstddef>

class MallocWatch {
public:
    MallocWatch();
    ~MallocWatch();
    size_t Largest() const;
};
