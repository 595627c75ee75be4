#include "runtime/gc/map.h"

namespace {
constexpr int kRed = -1;
constexpr int kBlack = 1;
}  // namespace

c_Node* c_Node::m_new(int key, c_DisplayMode* value, int color, c_Node* parent) {
    m_key = key;
    gc_assign(m_value, value);
    m_color = color;
    gc_assign(m_parent, parent);
    return this;
}

void c_Node::mark() {
    gc_mark_q(m_right);
    gc_mark_q(m_left);
    gc_mark_q(m_value);
    gc_mark_q(m_parent);
}

c_Node* c_Map::p_FindNode(int key) {
    c_Node* node = m_root;
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

c_DisplayMode* c_Map::p_Get(int key) {
    c_Node* node = p_FindNode(key);
    return node ? node->m_value : nullptr;
}

bool c_Map::p_Set(int key, c_DisplayMode* value) {
    c_Node* node = m_root;
    c_Node* parent = nullptr;
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
    node = (new c_Node)->m_new(key, value, kRed, parent);
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

int c_Map::p_RotateLeft(c_Node* node) {
    c_Node* child = node->m_right;
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

int c_Map::p_RotateRight(c_Node* node) {
    c_Node* child = node->m_left;
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

int c_Map::p_InsertFixup(c_Node* node) {
    while (node->m_parent && node->m_parent->m_color == kRed && node->m_parent->m_parent) {
        c_Node* parent = node->m_parent;
        c_Node* grand = parent->m_parent;
        bool parentIsLeft = parent == grand->m_left;
        c_Node* uncle = parentIsLeft ? grand->m_right : grand->m_left;
        if (uncle && uncle->m_color == kRed) {
            parent->m_color = kBlack;
            uncle->m_color = kBlack;
            grand->m_color = kRed;
            node = grand;
            continue;
        }
        if (parentIsLeft) {
            if (node == parent->m_right) {
                node = parent;
                p_RotateLeft(node);
            }
            node->m_parent->m_color = kBlack;
            node->m_parent->m_parent->m_color = kRed;
            p_RotateRight(node->m_parent->m_parent);
        } else {
            if (node == parent->m_left) {
                node = parent;
                p_RotateRight(node);
            }
            node->m_parent->m_color = kBlack;
            node->m_parent->m_parent->m_color = kRed;
            p_RotateLeft(node->m_parent->m_parent);
        }
    }
    m_root->m_color = kBlack;
    return 0;
}

namespace {
// Black height of the subtree, or -1 when a rule or a link is broken below node.
int CheckSubtree(c_Map* map, c_Node* node, c_Node* parent) {
    if (!node) return 1;
    if (node->m_parent != parent) return -1;
    if (node->m_color != kRed && node->m_color != kBlack) return -1;
    if (node->m_color == kRed && ((node->m_left && node->m_left->m_color == kRed) ||
                                  (node->m_right && node->m_right->m_color == kRed))) {
        return -1;
    }
    if (node->m_left && map->p_Compare(node->m_left->m_key, node->m_key) >= 0) return -1;
    if (node->m_right && map->p_Compare(node->m_right->m_key, node->m_key) <= 0) return -1;
    int left = CheckSubtree(map, node->m_left, node);
    int right = CheckSubtree(map, node->m_right, node);
    if (left < 0 || left != right) return -1;
    return left + (node->m_color == kBlack ? 1 : 0);
}
}  // namespace

bool c_Map::p_CheckInvariants() {
    if (m_root && m_root->m_color != kBlack) return false;
    return CheckSubtree(this, m_root, nullptr) > 0;
}
