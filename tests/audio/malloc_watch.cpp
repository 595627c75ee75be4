#include "tests/audio/malloc_watch.h"

#include <atomic>

extern "C" void* __real_malloc(size_t size);

namespace {
std::atomic<bool> watching{false};
std::atomic<size_t> largest{0};
}  // namespace

extern "C" void* __wrap_malloc(size_t size) {
    if (watching.load(std::memory_order_relaxed) && size > largest.load()) largest = size;
    return __real_malloc(size);
}

MallocWatch::MallocWatch() {
    largest = 0;
    watching = true;
}

MallocWatch::~MallocWatch() {
    watching = false;
}

size_t MallocWatch::Largest() const {
    return largest.load();
}
