// Ordered maps as red-black trees. Rules kept after every insertion:
//   1. the root is black;  2. no red node has a red child;
//   3. every path from a node down to a null child passes the same number of black nodes.
// Keys greater than a node's key go right, smaller ones left.
#pragma once

#include "runtime/display_mode.h"
#include "runtime/object.h"

class c_Node : public Object {
public:
    int m_key = 0;
    c_Node* m_right = nullptr;
    c_Node* m_left = nullptr;
    c_DisplayMode* m_value = nullptr;
    int m_color = 0;  // -1 red, 1 black
    c_Node* m_parent = nullptr;

    c_Node* m_new(int key, c_DisplayMode* value, int color, c_Node* parent);
    c_Node* m_new2() { return this; }
    void mark() override;
};

class c_Map : public Object {
public:
    c_Node* m_root = nullptr;

    c_Map* m_new() { return this; }
    virtual int p_Compare(int a, int b) = 0;
    c_Node* p_FindNode(int key);
    bool p_Contains(int key) { return p_FindNode(key) != nullptr; }
    c_DisplayMode* p_Get(int key);
    bool p_Set(int key, c_DisplayMode* value);
    bool p_Insert(int key, c_DisplayMode* value) { return p_Set(key, value); }
    int p_RotateLeft(c_Node* node);
    int p_RotateRight(c_Node* node);
    int p_InsertFixup(c_Node* node);
    void mark() override { gc_mark_q(m_root); }

    // Debug check of the three rules above and of the parent links; tests call it.
    bool p_CheckInvariants();
};

class c_IntMap : public c_Map {
public:
    c_IntMap* m_new() {
        c_Map::m_new();
        return this;
    }
    int p_Compare(int a, int b) override { return a - b; }
};
