// Starts each collector test from a quiet heap: earlier tests' garbage swept and
// destroyed, the free list empty, a fresh cycle begun.
#pragma once

#include <gtest/gtest.h>

#include "runtime/object.h"

class GcTest : public ::testing::Test {
public:
    // A root slot the test may fill; cleared again after the test.
    static Object* root;

protected:
    void SetUp() override;
    void TearDown() override;
    static void Drain();
};

// An object that records its own destruction.
struct Tracked : Object {
    static int destroyed;
    Object* field = nullptr;
    int magic = 0x7e55;
    ~Tracked() override {
        magic = 0;
        ++destroyed;
    }
    void mark() override { gc_mark_q(field); }
};
