#include "runtime/array.h"

#include <gtest/gtest.h>

#include "runtime/object.h"

namespace {

struct Leaf : Object {
    int value = 0;
};

}  // namespace

TEST(Array, ZeroLengthSharesTheStaticBodyWithColourThree) {
    Array<int> a;
    Array<int> b(0);
    Array<int> c(-5);
    EXPECT_EQ(a.gc_rep(), &Array<int>::Rep::nullRep);
    EXPECT_EQ(b.gc_rep(), a.gc_rep());
    EXPECT_EQ(c.gc_rep(), a.gc_rep());
    EXPECT_EQ(a.gc_rep()->flags, 3);
    EXPECT_NE(Array<float>().gc_rep(), static_cast<void*>(a.gc_rep()));  // one per type
    EXPECT_EQ(a.Resize(0).gc_rep(), a.gc_rep());
}

TEST(Array, NewArraysAreZeroFilled) {
    Array<int> ints(5);
    Array<float> floats(3);
    Array<bool> bools(4);
    Array<Leaf*> leaves(2);
    Array<String> strings(3);
    Array<Array<int>> nested(2);
    for (int v : ints) EXPECT_EQ(v, 0);
    for (float v : floats) EXPECT_EQ(v, 0.0f);
    for (bool v : bools) EXPECT_FALSE(v);
    EXPECT_EQ(static_cast<Leaf*>(leaves[0]), nullptr);
    for (const String& s : strings) EXPECT_EQ(s.Body(), &String::nullRep);
    EXPECT_EQ(nested[1]->Length(), 0);
}

TEST(Array, ElementsReadAndWrite) {
    Array<int> a(3);
    a[1] = 7;
    a[2] += 2;
    EXPECT_EQ(a[1], 7);
    EXPECT_EQ(a[2], 2);
    Array<int> alias = a;  // handles are not counted: the same body
    alias[0] = 9;
    EXPECT_EQ(a[0], 9);
}

TEST(Array, ResizeKeepsThePrefixAndZeroFillsTheRest) {
    Array<String> a(2);
    a[0] = String("x");
    a[1] = String("y");
    Array<String> grown = a.Resize(4);
    ASSERT_EQ(grown.Length(), 4);
    EXPECT_TRUE(grown[0] == String("x"));
    EXPECT_EQ(grown[0].Body(), a[0].Body());  // copied handle, shared body
    EXPECT_EQ(grown[3].Length(), 0);
    Array<String> shrunk = a.Resize(1);
    ASSERT_EQ(shrunk.Length(), 1);
    EXPECT_TRUE(shrunk[0] == String("x"));
}

TEST(Array, ResizedBodyIsMarkedAtOnce) {
    Array<Leaf*> leaves(1);
    Leaf* leaf = new Leaf;
    leaves[0] = leaf;
    Array<Leaf*> grown = leaves.Resize(3);
    // Copied without the barrier, so the new body is black and its element reached.
    EXPECT_FALSE(gc_is_white(grown.gc_rep()));
    EXPECT_FALSE(gc_is_white(leaf));
    EXPECT_TRUE(gc_check_invariants());
}

TEST(Array, StoringAReferencePassesTheBarrier) {
    Array<Leaf*> leaves(1);
    Leaf* leaf = new Leaf;
    ASSERT_TRUE(gc_is_white(leaf));
    leaves[0] = leaf;
    EXPECT_FALSE(gc_is_white(leaf));  // queued grey by the barrier
    EXPECT_EQ(static_cast<Leaf*>(leaves[0]), leaf);
    EXPECT_EQ(leaves[0]->value, 0);
}
