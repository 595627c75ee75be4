#include "runtime/gc/collector.h"

#include <stdexcept>

#include "runtime/array.h"
#include "tests/gc/gc_fixture.h"

namespace {

struct Holder : Object {
    Array<int> ints;
    void mark() override { gc_mark_q(ints); }
};

struct Small : Object {};  // 32 bytes: served from the per-size cache

struct Interface : gc_interface {};
// Wrong shape: a non-virtual interface before Object moves the object off the block start.
struct InterfaceFirst : Interface, Object {};
struct InterfaceVirtual : Object, virtual Interface {};

struct Throws : Object {
    Throws() { throw std::runtime_error("constructor fails"); }
};

// Allocate until `target` has been destroyed, or give up after `limit` objects.
bool AllocateUntilDestroyed(int before, int limit = 100000) {
    for (int i = 0; i < limit && Tracked::destroyed == before; ++i) new Small;
    return Tracked::destroyed > before;
}

}  // namespace

TEST_F(GcTest, ObjectStoredInBlackParentSurvivesCycleEnd) {
    auto* parent = new Tracked;
    gc_assign(root, parent);
    gc_collect_all();
    gc_mark_queued(0x7fffffff);  // parent traced: black
    ASSERT_FALSE(gc_is_white(parent));

    auto* child = new Tracked;  // created mid-cycle, white
    gc_assign(parent->field, child);
    EXPECT_FALSE(gc_is_white(child));  // the barrier queued it
    EXPECT_TRUE(gc_check_invariants());

    gc_collect_all();
    gc_collect_all();
    Drain();
    EXPECT_EQ(Tracked::destroyed, 0);
    EXPECT_EQ(child->magic, 0x7e55);
}

TEST_F(GcTest, UnreachableObjectIsDestroyedOnlyAfterCycleEndAndLaterAllocation) {
    auto* garbage = new Tracked;
    (void)garbage;
    gc_collect();  // little allocation: no cycle end
    EXPECT_EQ(Tracked::destroyed, 0);
    gc_collect_all();  // swept to the free list, not yet destroyed
    EXPECT_EQ(Tracked::destroyed, 0);
    EXPECT_EQ(gc_list_count(3), 1);
    EXPECT_GT(gc_free_bytes, 0);
    new Small;  // an allocation pays for its size in destroyed garbage
    EXPECT_EQ(Tracked::destroyed, 1);
    EXPECT_EQ(gc_free_bytes, 0);
}

TEST_F(GcTest, RootedObjectsSurviveAndUnrootedOnesGo) {
    auto* kept = new Tracked;
    gc_assign(root, kept);
    new Tracked;
    gc_collect_all();
    EXPECT_TRUE(AllocateUntilDestroyed(0));
    EXPECT_EQ(Tracked::destroyed, 1);
    EXPECT_EQ(kept->magic, 0x7e55);
    root = nullptr;
    gc_collect_all();
    gc_collect_all();
    EXPECT_TRUE(AllocateUntilDestroyed(1));
}

TEST_F(GcTest, ExternalBytesBringTheCycleEndForward) {
    int markbit = gc_markbit;
    gc_ext_malloced(gc_cycle_bytes / 2);
    gc_collect();
    EXPECT_EQ(gc_markbit, markbit);  // not yet
    gc_ext_malloced(gc_cycle_bytes / 2 + 1);
    gc_collect();
    EXPECT_NE(gc_markbit, markbit);
    EXPECT_EQ(gc_ext_new_bytes.load(), 0);
    EXPECT_EQ(gc_new_bytes, 0);
}

TEST_F(GcTest, CycleEndsAfterEightMegabytesOfAllocation) {
    int markbit = gc_markbit;
    for (int i = 0; i < gc_cycle_bytes / 32 - 1024; ++i) {
        new Small;
        if (i % 128 == 0) gc_collect();
    }
    EXPECT_EQ(gc_markbit, markbit);
    for (int i = 0; i < 2048; ++i) new Small;
    gc_collect();
    EXPECT_NE(gc_markbit, markbit);
}

TEST_F(GcTest, QuietStepDoesNothing) {
    gc_mark_queued(0x7fffffff);
    int markbit = gc_markbit, marked = gc_marked_bytes, alloced = gc_alloced_bytes;
    gc_collect();
    EXPECT_EQ(gc_markbit, markbit);
    EXPECT_EQ(gc_marked_bytes, marked);
    EXPECT_EQ(gc_alloced_bytes, alloced);
}

TEST_F(GcTest, MarkingAdvancesInProportionToAllocation) {
    // A long chain of live objects, all queued by the cycle start.
    auto* head = new Tracked;
    gc_assign(root, head);
    Tracked* tail = head;
    for (int i = 0; i < 20000; ++i) {
        auto* next = new Tracked;
        gc_assign(tail->field, next);
        tail = next;
    }
    gc_collect_all();
    gc_new_bytes = 0;
    int before = gc_marked_bytes;
    gc_collect();  // nothing allocated: budget 0
    EXPECT_EQ(gc_marked_bytes, before);

    for (int i = 0; i < 100; ++i) new Small;  // 3200 bytes
    int budget = gc_new_bytes + static_cast<int>((int64_t{gc_alloced_bytes} - gc_new_bytes) *
                                                 gc_new_bytes / (1 << 23));
    gc_collect();
    EXPECT_GE(gc_marked_bytes, budget);
    EXPECT_LT(gc_marked_bytes, budget + 64);  // stops at the first object past the budget
    EXPECT_TRUE(gc_check_invariants());
}

// An old heap of two cycles' allocation: half dropped, full pace ends early and the pace drops;
// all live at a quarter pace, marking still ends before the cycle does and the pace rises.
TEST_F(GcTest, PaceFollowsTheLastFinishAndMarkingEndsBeforeTheCycleDoes) {
    for (int pace : {100, 25}) {
        SCOPED_TRACE(pace);
        auto* head = new Tracked;
        gc_assign(root, head);
        Tracked *tail = head, *middle = nullptr;
        for (int i = 0; i < 2 * gc_cycle_bytes / int{sizeof(Tracked)}; ++i) {
            gc_assign(tail->field, new Tracked);
            tail = static_cast<Tracked*>(tail->field);
            if (i == gc_cycle_bytes / int{sizeof(Tracked)}) middle = tail;
        }
        gc_collect_all();
        gc_collect_all();  // both halves are now last cycle's survivors
        if (pace == 100) middle->field = nullptr;
        gc_new_bytes = 0;
        gc_pace_percent = pace;
        int markbit = gc_markbit;
        bool greyLeftAtTheEnd = false;
        while (gc_markbit == markbit) {
            for (int i = 0; i < 64; ++i) new Small;
            gc_collect();
            if (gc_new_bytes + 64 * 32 > gc_cycle_bytes) greyLeftAtTheEnd = gc_list_count(1) > 0;
        }
        EXPECT_FALSE(greyLeftAtTheEnd);
        EXPECT_TRUE(pace == 100 ? gc_pace_percent < pace : gc_pace_percent > pace);
        root = nullptr;
        Drain();
    }
}

TEST_F(GcTest, StepTracesTheLatestQueuedObjectFirst) {
    auto* old = new Tracked;
    gc_assign(root, old);
    gc_collect_all();           // the cycle start queues `old`
    auto* fresh = new Tracked;  // allocated now, so still in the cache
    auto* child = new Tracked;
    fresh->field = child;
    gc_assign(old->field, fresh);         // the barrier queues it after `old`
    gc_mark_queued(gc_marked_bytes + 1);  // one object's worth
    EXPECT_FALSE(gc_is_white(child));     // `fresh` was the one traced
}

TEST_F(GcTest, StaticEmptyArrayNeverEntersAList) {
    auto* holder = new Holder;
    gc_assign(root, holder);
    gc_assign(holder->ints, Array<int>());
    gc_collect_all();
    gc_collect_all();
    auto* empty = &Array<int>::Rep::nullRep;
    EXPECT_EQ(empty->flags, 3);
    EXPECT_EQ(empty->succ, nullptr);
    EXPECT_FALSE(gc_is_live_object(empty));
    EXPECT_EQ(holder->ints.Length(), 0);
}

TEST_F(GcTest, SmallBlocksAreRecycledBySize) {
    Small* first = new Small;
    gc_collect_all();
    gc_collect_all();
    Small* second = new Small;  // destroys `first` and takes its block back
    EXPECT_EQ(static_cast<void*>(second), static_cast<void*>(first));
}

TEST_F(GcTest, ArrayBodiesAreCollectedLikeObjects) {
    auto* holder = new Holder;
    gc_assign(root, holder);
    gc_assign(holder->ints, Array<int>(1000));
    holder->ints[999] = 5;
    int alloced = gc_alloced_bytes;
    gc_collect_all();
    gc_collect_all();
    EXPECT_EQ(holder->ints[999], 5);
    gc_assign(holder->ints, Array<int>());
    gc_collect_all();
    gc_collect_all();
    EXPECT_LT(gc_alloced_bytes, alloced - 4000);
}

TEST_F(GcTest, ThrowingConstructorGivesItsMemoryBack) {
    int alloced = gc_alloced_bytes;
    int white = gc_list_count(0);
    EXPECT_THROW(new Throws, std::runtime_error);
    EXPECT_EQ(gc_alloced_bytes, alloced);
    EXPECT_EQ(gc_list_count(0), white);
    EXPECT_EQ(gc_free_bytes, 0);
}

TEST_F(GcTest, ObjectsOutsideTheHeapAreNeverCollected) {
    Tracked onStack;
    EXPECT_EQ(onStack.flags, 3);
    EXPECT_FALSE(gc_is_live_object(&onStack));
    gc_collect_all();
    EXPECT_EQ(Tracked::destroyed, 0);
}

TEST_F(GcTest, InterfacesAsVirtualBasesKeepTheObjectAtTheBlockStart) {
    auto* ok = new InterfaceVirtual;
    Interface* asInterface = ok;
    EXPECT_EQ(gc_object_of(asInterface), static_cast<gc_object*>(ok));
    EXPECT_DEATH(new InterfaceFirst, "another base before Object");
}
