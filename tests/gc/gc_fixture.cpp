#include "tests/gc/gc_fixture.h"

Object* GcTest::root = nullptr;
int Tracked::destroyed = 0;

GC_ROOT(GcTest::root);

void GcTest::Drain() {
    gc_collect_all();
    gc_collect_all();
    gc_release_garbage();
}

void GcTest::SetUp() {
    gc_stress = false;
    gc_pace_percent = 100;
    root = nullptr;
    Drain();
    gc_new_bytes = 0;
    gc_ext_new_bytes = 0;
    Tracked::destroyed = 0;
}

void GcTest::TearDown() {
    gc_stress = false;
    root = nullptr;
    EXPECT_TRUE(gc_check_invariants());
}
