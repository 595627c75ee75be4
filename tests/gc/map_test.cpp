#include "runtime/gc/map.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

#include "runtime/display_mode.h"
#include "tests/gc/gc_fixture.h"

namespace {

c_DisplayMode* Mode(int w) {
    return (new c_DisplayMode)->m_new(w, 0);
}

int Depth(c_Node* n) {
    return n ? 1 + std::max(Depth(n->m_left), Depth(n->m_right)) : 0;
}

}  // namespace

TEST_F(GcTest, MapAscendingInsertsStayAValidRedBlackTree) {
    auto* map = (new c_IntMap)->m_new();
    for (int k = 1; k <= 7; ++k) {
        EXPECT_TRUE(map->p_Set(k, Mode(k)));
        EXPECT_TRUE(map->p_CheckInvariants()) << "after key " << k;
    }
    EXPECT_EQ(map->m_root->m_key, 2);  // what the standard repair makes of 1..7
    EXPECT_LE(Depth(map->m_root), 4);
    for (int k = 1; k <= 7; ++k) EXPECT_EQ(map->p_Get(k)->m__width, k);
    EXPECT_FALSE(map->p_Contains(0));
    EXPECT_FALSE(map->p_Contains(8));
}

TEST_F(GcTest, MapSettingAnExistingKeyReplacesTheValueAndKeepsTheShape) {
    auto* map = (new c_IntMap)->m_new();
    for (int k : {5, 3, 8, 1, 4}) map->p_Insert(k, Mode(k));
    c_Node* root = map->m_root;
    c_Node* node = map->p_FindNode(4);
    EXPECT_FALSE(map->p_Set(4, Mode(40)));
    EXPECT_EQ(map->m_root, root);
    EXPECT_EQ(map->p_FindNode(4), node);
    EXPECT_EQ(map->p_Get(4)->m__width, 40);
}

TEST_F(GcTest, MapRandomInsertsKeepEveryRuleAndKey) {
    auto* map = (new c_IntMap)->m_new();
    gc_assign(root, map);
    std::vector<int> keys(2000);
    std::iota(keys.begin(), keys.end(), -1000);
    std::shuffle(keys.begin(), keys.end(), std::mt19937(42));
    for (size_t i = 0; i < keys.size(); ++i) {
        map->p_Set(keys[i], Mode(keys[i]));
        if (i % 100 == 0) gc_collect_all();  // the tree survives collections as it grows
    }
    EXPECT_TRUE(map->p_CheckInvariants());
    EXPECT_LE(Depth(map->m_root), 2 * 11 + 1);  // 2 log2(n + 1)
    for (int k : keys) ASSERT_EQ(map->p_Get(k)->m__width, k);
}
