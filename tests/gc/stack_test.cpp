#include "runtime/gc/stack.h"

#include <gtest/gtest.h>

#include "runtime/display_mode.h"
#include "tests/gc/gc_fixture.h"

namespace {

struct Source : Object, c_IAsyncEventSource {
    int p_UpdateAsyncEvents() override { return 0; }
};

c_DisplayMode* Mode(int w, int h) {
    return (new c_DisplayMode)->m_new(w, h);
}

}  // namespace

TEST_F(GcTest, StackGrowsTenThirtySeventy) {
    auto* stack = (new c_Stack)->m_new();
    EXPECT_EQ(stack->m_data.Length(), 0);
    stack->p_Push(Mode(1, 1));
    EXPECT_EQ(stack->m_data.Length(), 10);
    for (int i = 0; i < 9; ++i) stack->p_Push(Mode(i, i));
    EXPECT_EQ(stack->m_data.Length(), 10);
    stack->p_Push(Mode(11, 11));
    EXPECT_EQ(stack->m_data.Length(), 30);
    for (int i = 0; i < 20; ++i) stack->p_Push(Mode(i, i));
    stack->p_Push(Mode(0, 0));
    EXPECT_EQ(stack->m_data.Length(), 70);
    EXPECT_EQ(stack->m_length, 32);
    EXPECT_EQ(stack->p_ToArray().Length(), 32);
}

TEST_F(GcTest, StackPushesRangesAndTails) {
    Array<c_DisplayMode*> modes(5);
    for (int i = 0; i < 5; ++i) modes[i] = Mode(i, 0);
    auto* stack = (new c_Stack)->m_new();
    stack->p_Push2(modes, 1, 2);
    stack->p_Push3(modes, 3);
    Array<c_DisplayMode*> out = stack->p_ToArray();
    ASSERT_EQ(out.Length(), 4);
    EXPECT_EQ(out[0]->m__width, 1);
    EXPECT_EQ(out[1]->m__width, 2);
    EXPECT_EQ(out[2]->m__width, 3);
    EXPECT_EQ(out[3]->m__width, 4);

    auto* copy = (new c_Stack)->m_new2(modes);
    EXPECT_EQ(copy->m_length, 5);
    EXPECT_NE(copy->m_data, modes);  // its own storage
    EXPECT_EQ(((new c_Stack)->m_new())->p_ToArray().Length(), 0);
}

TEST_F(GcTest, StringStackLengthResetsAndGrows) {
    auto* stack = (new c_StringStack)->m_new2();
    for (const char* s : {"a", "b", "c", "d", "e"}) stack->p_Push4(String(s));
    stack->p_Length(2);
    EXPECT_EQ(stack->p_Length2(), 2);
    for (int i = 2; i < 5; ++i) EXPECT_EQ(stack->m_data[i].Body(), &String::nullRep);
    EXPECT_TRUE(stack->p_Get(1) == String("b"));

    for (int i = 0; i < 28; ++i) stack->p_Push4(String("x"));  // capacity 30, length 30
    stack->p_Length(5);
    EXPECT_EQ(stack->m_data.Length(), 30);
    stack->p_Length(40);
    EXPECT_EQ(stack->m_data.Length(), 40);
    EXPECT_EQ(stack->p_Length2(), 40);
    stack->p_Length(90);
    EXPECT_EQ(stack->m_data.Length(), 90);  // max(40 × 2 + 10, 90)
}

TEST_F(GcTest, StringStackJoinAndClear) {
    auto* stack = (new c_StringStack)->m_new2();
    EXPECT_EQ(stack->p_Join(String(",")).Body(), &String::nullRep);
    stack->p_Push4(String("one"));
    EXPECT_EQ(stack->p_Join(String(",")).Body(), stack->p_Get(0).Body());
    Array<String> more(2);
    more[0] = String("two");
    more[1] = String("three");
    stack->p_Push6(more, 0);
    EXPECT_TRUE(stack->p_Join(String(", ")) == String("one, two, three"));
    stack->p_Clear2();
    EXPECT_EQ(stack->p_Length2(), 0);
    EXPECT_EQ(stack->m_data[0].Body(), &String::nullRep);

    auto* fromArray = (new c_StringStack)->m_new(more);
    EXPECT_TRUE(fromArray->p_Join(String("+")) == String("two+three"));
}

TEST_F(GcTest, InterfaceStackFindsItsSources) {
    auto* stack = (new c_Stack3)->m_new();
    auto* a = new Source;
    auto* b = new Source;
    stack->p_Push7(a);
    EXPECT_TRUE(stack->p_Contains2(a));
    EXPECT_FALSE(stack->p_Contains2(b));
    stack->p_Length(0);
    EXPECT_FALSE(stack->p_Contains2(a));
    EXPECT_EQ(stack->m_data[0], nullptr);
}

TEST_F(GcTest, StackKeepsItsElementsAliveAndReleasesDropped) {
    auto* stack = (new c_Stack3)->m_new();
    gc_assign(root, stack);
    struct TrackedSource : Tracked, c_IAsyncEventSource {
        int p_UpdateAsyncEvents() override { return 0; }
    };
    for (int i = 0; i < 3; ++i) stack->p_Push7(new TrackedSource);
    Drain();
    EXPECT_EQ(Tracked::destroyed, 0);
    stack->p_Length(1);
    Drain();
    EXPECT_EQ(Tracked::destroyed, 2);
}
