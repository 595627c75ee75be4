// A random object graph mutated through the write barrier for millions of steps, with
// the collector stepping in between: no reachable object may ever be destroyed, and no
// black object may ever point to a white one.
#include <algorithm>
#include <cstdio>
#include <random>
#include <unordered_set>
#include <vector>

#include "runtime/array.h"
#include "tests/gc/gc_fixture.h"

namespace {

constexpr int kMagic = 0x600d;
constexpr int kSlots = 4;

struct Node : Object {
    static long destroyed;
    Node* child[kSlots] = {};
    Array<Node*> extra;  // some nodes also hold an array of references
    int magic = kMagic;
    ~Node() override {
        magic = 0;
        ++destroyed;
    }
    void mark() override {
        for (Node* c : child) gc_mark_q(c);
        gc_mark_q(extra);
    }
};
long Node::destroyed = 0;

Array<Node*> g_roots;
GC_ROOT(g_roots);

class Mutator {
public:
    explicit Mutator(unsigned seed) : rng_(seed) {}

    // A node reached by a random walk from a root (null when the walk ends early).
    Node* RandomReachable() {
        Node* n = g_roots[Pick(g_roots.Length())];
        for (int depth = Pick(4); n && depth > 0; --depth) {
            Node* next = n->child[Pick(kSlots)];
            if (!next) break;
            n = next;
        }
        return n;
    }

    void Step() {
        Node* target = RandomReachable();
        switch (Pick(8)) {
            case 0:
            case 1:
            case 2: {  // allocate and link
                auto* fresh = new Node;
                if (target) {
                    gc_assign(target->child[Pick(kSlots)], fresh);
                } else {
                    g_roots[Pick(g_roots.Length())] = fresh;
                }
                break;
            }
            case 3:  // drop a reference
                if (target) gc_assign(target->child[Pick(kSlots)], static_cast<Node*>(nullptr));
                break;
            case 4: {  // move a reference elsewhere in the graph
                Node* other = RandomReachable();
                if (target && other) gc_assign(target->child[Pick(kSlots)], other);
                break;
            }
            case 5:  // replace a root
                g_roots[Pick(g_roots.Length())] = RandomReachable();
                break;
            case 6:  // arrays of references, sometimes resized
                if (target) {
                    if (target->extra.Length() == 0 || Pick(4) == 0) {
                        gc_assign(target->extra, target->extra.Resize(1 + Pick(6)));
                    }
                    target->extra[Pick(target->extra.Length())] = RandomReachable();
                }
                break;
            default:  // churn: short-lived garbage
                new Node;
                break;
        }
    }

    int Pick(int n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }

private:
    std::mt19937 rng_;
};

// Every node reachable from the roots is intact; returns how many there are.
long CheckReachableIntact(std::vector<Node*>& stack, std::unordered_set<Node*>& seen) {
    stack.clear();
    seen.clear();
    for (Node* r : g_roots) {
        if (r) stack.push_back(r);
    }
    long count = 0;
    while (!stack.empty()) {
        Node* n = stack.back();
        stack.pop_back();
        EXPECT_EQ(n->magic, kMagic);
        if (n->magic != kMagic) return -1;
        if (!seen.insert(n).second) continue;
        ++count;
        for (Node* c : n->child) {
            if (c) stack.push_back(c);
        }
        for (Node* e : n->extra) {
            if (e) stack.push_back(e);
        }
    }
    return count;
}

void RunStress(long steps, int collectEvery, int checkEvery, unsigned seed) {
    gc_assign(g_roots, Array<Node*>(16));
    Mutator m(seed);
    std::vector<Node*> stack;
    std::unordered_set<Node*> seen;
    int cycles = gc_markbit;
    int flips = 0;
    long largestGraph = 0;
    for (long i = 1; i <= steps; ++i) {
        m.Step();
        if (i % collectEvery == 0) {
            gc_collect();
            if (gc_markbit != cycles) {
                cycles = gc_markbit;
                ++flips;
            }
        }
        if (i % checkEvery == 0) {
            ASSERT_TRUE(gc_check_invariants()) << "after step " << i;
            long live = CheckReachableIntact(stack, seen);
            ASSERT_GE(live, 0) << "after step " << i;
            largestGraph = std::max(largestGraph, live);
        }
    }
    // The run really exercised the collector: a sizeable graph, cycles, reclaimed garbage.
    EXPECT_GT(largestGraph, 100);
    EXPECT_GT(Node::destroyed, steps / 10);
    EXPECT_GT(flips, 0);
    std::printf("largest graph %ld nodes, %d cycle ends, %ld destroyed\n", largestGraph, flips,
                Node::destroyed);
    gc_assign(g_roots, Array<Node*>());
}

}  // namespace

TEST_F(GcTest, StressRandomGraphKeepsInvariantAndLiveObjects) {
    Node::destroyed = 0;
    RunStress(2000000, 16, 50000, 12345);
}

TEST_F(GcTest, StressWithAWholeCollectionAtEveryStep) {
    Node::destroyed = 0;
    gc_stress = true;
    RunStress(30000, 1, 1000, 777);
}
