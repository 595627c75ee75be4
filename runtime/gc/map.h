// Ordered maps as red-black trees. Rules kept after every insertion:
//   1. the root is black;  2. no red node has a red child;
//   3. every path from a node down to a null child passes the same number of black nodes.
// Keys greater than a node's key go right, smaller ones left.
// Generic over the value's class; the instances the runtime uses are named beside their
// value type (runtime/display_mode.h).
#pragma once

#include "runtime/object.h"

template <class V>
class gc_node : public Object {
public:
    static constexpr int kRed = -1;
    static constexpr int kBlack = 1;

    int m_key = 0;
    gc_node* m_right = nullptr;
    gc_node* m_left = nullptr;
    V* m_value = nullptr;
    int m_color = 0;  // -1 red, 1 black
    gc_node* m_parent = nullptr;

    gc_node* m_new(int key, V* value, int color, gc_node* parent);
    gc_node* m_new2() { return this; }
    void mark() override;
};

template <class V>
class gc_map : public Object {
public:
    using Node = gc_node<V>;

    Node* m_root = nullptr;

    gc_map* m_new() { return this; }
    virtual int p_Compare(int a, int b) = 0;
    Node* p_FindNode(int key);
    bool p_Contains(int key) { return p_FindNode(key) != nullptr; }
    V* p_Get(int key);
    bool p_Set(int key, V* value);
    bool p_Insert(int key, V* value) { return p_Set(key, value); }
    int p_RotateLeft(Node* node);
    int p_RotateRight(Node* node);
    int p_InsertFixup(Node* node);
    void mark() override { gc_mark_q(m_root); }

    // Debug check of the three rules above and of the parent links; tests call it.
    bool p_CheckInvariants();

private:
    // Black height of the subtree, or -1 when a rule or a link is broken below node.
    static int CheckSubtree(gc_map* map, Node* node, Node* parent);
};

template <class V>
class gc_int_map : public gc_map<V> {
public:
    gc_int_map* m_new() {
        gc_map<V>::m_new();
        return this;
    }
    int p_Compare(int a, int b) override { return a - b; }
};

template <class V>
gc_node<V>* gc_node<V>::m_new(int key, V* value, int color, gc_node* parent) {
    m_key = key;
    gc_assign(m_value, value);
    m_color = color;
    gc_assign(m_parent, parent);
    return this;
}

template <class V>
void gc_node<V>::mark() {
    gc_mark_q(m_right);
    gc_mark_q(m_left);
    gc_mark_q(m_value);
    gc_mark_q(m_parent);
}

template <class V>
gc_node<V>* gc_map<V>::p_FindNode(int key) {
    Node* node = m_root;
    while (node) {
        int cmp = p_Compare(key, node->m_key);
        if (cmp > 0) {
            node = node->m_right;
        } else if (cmp < 0) {
            node = node->m_left;
        } else {
            return node;
        }
    }
    return nullptr;
}

template <class V>
V* gc_map<V>::p_Get(int key) {
    Node* node = p_FindNode(key);
    return node ? node->m_value : nullptr;
}

template <class V>
bool gc_map<V>::p_Set(int key, V* value) {
    Node* node = m_root;
    Node* parent = nullptr;
    int cmp = 0;
    while (node) {
        parent = node;
        cmp = p_Compare(key, node->m_key);
        if (cmp > 0) {
            node = node->m_right;
        } else if (cmp < 0) {
            node = node->m_left;
        } else {
            gc_assign(node->m_value, value);
            return false;
        }
    }
    node = (new Node)->m_new(key, value, Node::kRed, parent);
    if (!parent) {
        gc_assign(m_root, node);
    } else if (cmp > 0) {
        gc_assign(parent->m_right, node);
    } else {
        gc_assign(parent->m_left, node);
    }
    p_InsertFixup(node);
    return true;
}

template <class V>
int gc_map<V>::p_RotateLeft(Node* node) {
    Node* child = node->m_right;
    gc_assign(node->m_right, child->m_left);
    if (child->m_left) gc_assign(child->m_left->m_parent, node);
    gc_assign(child->m_parent, node->m_parent);
    if (!node->m_parent) {
        gc_assign(m_root, child);
    } else if (node == node->m_parent->m_left) {
        gc_assign(node->m_parent->m_left, child);
    } else {
        gc_assign(node->m_parent->m_right, child);
    }
    gc_assign(child->m_left, node);
    gc_assign(node->m_parent, child);
    return 0;
}

template <class V>
int gc_map<V>::p_RotateRight(Node* node) {
    Node* child = node->m_left;
    gc_assign(node->m_left, child->m_right);
    if (child->m_right) gc_assign(child->m_right->m_parent, node);
    gc_assign(child->m_parent, node->m_parent);
    if (!node->m_parent) {
        gc_assign(m_root, child);
    } else if (node == node->m_parent->m_right) {
        gc_assign(node->m_parent->m_right, child);
    } else {
        gc_assign(node->m_parent->m_left, child);
    }
    gc_assign(child->m_right, node);
    gc_assign(node->m_parent, child);
    return 0;
}

template <class V>
int gc_map<V>::p_InsertFixup(Node* node) {
    while (node->m_parent && node->m_parent->m_color == Node::kRed && node->m_parent->m_parent) {
        Node* parent = node->m_parent;
        Node* grand = parent->m_parent;
        bool parentIsLeft = parent == grand->m_left;
        Node* uncle = parentIsLeft ? grand->m_right : grand->m_left;
        if (uncle && uncle->m_color == Node::kRed) {
            parent->m_color = Node::kBlack;
            uncle->m_color = Node::kBlack;
            grand->m_color = Node::kRed;
            node = grand;
            continue;
        }
        if (parentIsLeft) {
            if (node == parent->m_right) {
                node = parent;
                p_RotateLeft(node);
            }
            node->m_parent->m_color = Node::kBlack;
            node->m_parent->m_parent->m_color = Node::kRed;
            p_RotateRight(node->m_parent->m_parent);
        } else {
            if (node == parent->m_left) {
                node = parent;
                p_RotateRight(node);
            }
            node->m_parent->m_color = Node::kBlack;
            node->m_parent->m_parent->m_color = Node::kRed;
            p_RotateLeft(node->m_parent->m_parent);
        }
    }
    m_root->m_color = Node::kBlack;
    return 0;
}

template <class V>
int gc_map<V>::CheckSubtree(gc_map* map, Node* node, Node* parent) {
    if (!node) return 1;
    if (node->m_parent != parent) return -1;
    if (node->m_color != Node::kRed && node->m_color != Node::kBlack) return -1;
    if (node->m_color == Node::kRed && ((node->m_left && node->m_left->m_color == Node::kRed) ||
                                        (node->m_right && node->m_right->m_color == Node::kRed))) {
        return -1;
    }
    if (node->m_left && map->p_Compare(node->m_left->m_key, node->m_key) >= 0) return -1;
    if (node->m_right && map->p_Compare(node->m_right->m_key, node->m_key) <= 0) return -1;
    int left = CheckSubtree(map, node->m_left, node);
    int right = CheckSubtree(map, node->m_right, node);
    if (left < 0 || left != right) return -1;
    return left + (node->m_color == Node::kBlack ? 1 : 0);
}

template <class V>
bool gc_map<V>::p_CheckInvariants() {
    if (m_root && m_root->m_color != Node::kBlack) return false;
    return CheckSubtree(this, m_root, nullptr) > 0;
}
