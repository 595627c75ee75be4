// The collector's lists, allocator, barrier, incremental step and cycle end.
#include "runtime/gc/collector.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "runtime/object.h"

namespace {

// A list head; never traced, never freed.
struct gc_sentinel final : gc_object {
    gc_sentinel() : gc_object(static_tag{}) { succ = pred = this; }
    ~gc_sentinel() override { succ = pred = nullptr; }
};

gc_sentinel gc_unmarked_list;
gc_sentinel gc_queued_list;
gc_sentinel gc_marked_list;
gc_sentinel gc_free_list;

// Free blocks below 64 bytes, one stack per size / 8, linked through their first word.
void* gc_cache[8];

// Size of the block that operator new just handed out; the gc_object constructor
// takes it, so objects not made by operator new (stack, statics) stay unmanaged.
int gc_pending_size;
void* gc_pending_block;

std::vector<gc_root_entry>& gc_roots() {
    static std::vector<gc_root_entry> roots;
    return roots;
}

void gc_unlink(gc_object* p) {
    p->pred->succ = p->succ;
    p->succ->pred = p->pred;
}

void gc_append(gc_object* p, gc_object* list) {
    p->succ = list;
    p->pred = list->pred;
    list->pred->succ = p;
    list->pred = p;
}

bool gc_list_empty(const gc_object* list) {
    return list->succ == list;
}

// Move all of `from` to the end of `to`.
void gc_splice(gc_object* from, gc_object* to) {
    if (gc_list_empty(from)) return;
    gc_object* first = from->succ;
    gc_object* last = from->pred;
    first->pred = to->pred;
    to->pred->succ = first;
    last->succ = to;
    to->pred = last;
    from->succ = from->pred = from;
}

int gc_round(size_t request) {
    return static_cast<int>((request + 7) & ~size_t{7});
}

void gc_release_block(void* p, int size) {
    if (size < 64) {
        *static_cast<void**>(p) = gc_cache[size / 8];
        gc_cache[size / 8] = p;
    } else {
        std::free(p);
    }
}

void gc_end_cycle() {
    gc_ext_new_bytes.fetch_sub(gc_ext_new_bytes.load());
    gc_mark_queued(0x7fffffff);
    if (gc_alloced_bytes != gc_marked_bytes) {
        gc_free_bytes += gc_alloced_bytes - gc_marked_bytes;
        gc_splice(&gc_unmarked_list, &gc_free_list);
    }
    gc_splice(&gc_marked_list, &gc_unmarked_list);
    gc_alloced_bytes = gc_marked_bytes;
    gc_marked_bytes = 0;
    gc_markbit ^= 1;
    gc_mark();
}

}  // namespace

int gc_markbit = 1;
int gc_new_bytes;
std::atomic<int> gc_ext_new_bytes;
int gc_alloced_bytes;
int gc_max_alloced_bytes;
int gc_marked_bytes;
int gc_free_bytes;
bool gc_stress;
gc_visitor gc_visit;

// ---- objects ------------------------------------------------------------------------------

gc_object::gc_object() {
    if (gc_pending_size == 0) {
        succ = pred = nullptr;
        flags = 3;
        return;
    }
    // The collector frees objects through their gc_object address, so it must be the
    // block's start: translated classes put Object first and interfaces as virtual bases.
    if (this != gc_pending_block) {
        std::fputs("gc: a class puts another base before Object\n", stderr);
        std::abort();
    }
    flags = gc_pending_size | gc_markbit;
    gc_pending_size = 0;
    gc_append(this, &gc_unmarked_list);
    gc_alloced_bytes += gc_size();
    gc_max_alloced_bytes = std::max(gc_max_alloced_bytes, gc_alloced_bytes);
}

gc_object::~gc_object() {
    // Still listed only when a constructor threw: the collector unlinks (and clears
    // succ) before it destroys anything itself.
    if (succ) {
        gc_unlink(this);
        gc_alloced_bytes -= gc_size();
        gc_free_bytes += gc_size();
        succ = pred = nullptr;
    }
}

void* gc_object::operator new(size_t size) {
    return gc_object_alloc(gc_round(size));
}

namespace {
// Reached only when a new-expression throws. When gc_object's constructor ran, its
// destructor has already moved the block's bytes to gc_free_bytes.
void gc_release_unconstructed(void* p, int size) {
    if (gc_pending_size) {
        gc_pending_size = 0;
    } else {
        gc_free_bytes -= size;
    }
    gc_release_block(p, size);
}
}  // namespace

void gc_object::operator delete(void* p, size_t size) {
    gc_release_unconstructed(p, gc_round(size));
}

void* gc_object::operator new(size_t size, gc_extra extra) {
    return gc_object_alloc(gc_round(size + extra.bytes), extra.zeroed);
}

void gc_object::operator delete(void* p, gc_extra extra) {
    // The size of the object itself is not passed here; the block's size is the one
    // gc_object's constructor recorded, or the pending one if it never ran.
    int size = gc_pending_size ? gc_pending_size : static_cast<gc_object*>(p)->gc_size();
    gc_release_unconstructed(p, size);
    (void)extra;
}

gc_object* gc_object_of(gc_interface* p) {
    return p ? dynamic_cast<gc_object*>(p) : nullptr;
}

// ---- allocation ---------------------------------------------------------------------------

void gc_init1() {
    for (gc_object* list :
         {static_cast<gc_object*>(&gc_unmarked_list), static_cast<gc_object*>(&gc_queued_list),
          static_cast<gc_object*>(&gc_marked_list), static_cast<gc_object*>(&gc_free_list)}) {
        list->succ = list->pred = list;
    }
}

void gc_init2() {
    gc_mark();
}

namespace {
void gc_destroy_first_free() {
    gc_object* p = gc_free_list.succ;
    gc_unlink(p);
    p->succ = p->pred = nullptr;
    int size = p->gc_size();
    p->~gc_object();
    gc_free_bytes -= size;
    gc_release_block(p, size);
}
}  // namespace

void gc_release_garbage() {
    while (!gc_list_empty(&gc_free_list)) gc_destroy_first_free();
}

void* gc_object_alloc(int request, bool zeroed) {
    int size = (request + 7) & ~7;
    gc_new_bytes += size;

    // Lazy destruction: destroy at least as many bytes of garbage as are asked for.
    int keep = std::max(gc_free_bytes - size, 0);
    while (gc_free_bytes > keep && !gc_list_empty(&gc_free_list)) gc_destroy_first_free();

    void* block = nullptr;
    if (size < 64 && gc_cache[size / 8]) {
        block = gc_cache[size / 8];
        gc_cache[size / 8] = *static_cast<void**>(block);
        if (zeroed) std::memset(block, 0, size);
    } else {
        block = zeroed ? std::calloc(1, size) : std::malloc(size);
    }
    gc_pending_size = size;
    gc_pending_block = block;
    return block;
}

void gc_object_free(gc_object* object) {
    int size = object->gc_size();
    gc_free_bytes -= size;
    gc_release_block(object, size);
}

// ---- marking ------------------------------------------------------------------------------

// To the front: the next step traces it while it is likely still in the cache (most are
// objects just made and stored). At the back, a cycle's new objects waited behind the old
// heap and were traced many steps later, one cache miss per object down the list.
void gc_enqueue(gc_object* object) {
    object->flags ^= 1;
    gc_unlink(object);
    gc_append(object, gc_queued_list.succ);
}

void gc_mark_now(gc_object* object) {
    object->flags ^= 1;
    gc_marked_bytes += object->gc_size();
    gc_unlink(object);
    gc_append(object, &gc_marked_list);
    object->mark();
}

void gc_mark() {
    for (const gc_root_entry& root : gc_roots()) gc_mark_q(root.get(root.address));
}

void gc_mark_queued(int budget) {
    while (gc_marked_bytes < budget && !gc_list_empty(&gc_queued_list)) {
        gc_object* p = gc_queued_list.succ;
        gc_unlink(p);
        gc_append(p, &gc_marked_list);
        gc_marked_bytes += p->gc_size();
        p->mark();
    }
}

namespace {
// Bytes allocated in this cycle when its grey work first ran out; 0 while some is left.
int gc_finished_at;

// After a cycle whose marking finished at `finished_at` bytes of its allocation (0: it did
// not finish before the cycle's end): pace the next so that it finishes at about three
// quarters of the way. Unfinished marking says nothing when external memory (or a stress
// test) cut the cycle short.
void gc_adjust_pace(int finished_at, int allocated) {
    constexpr int64_t target = int64_t{gc_cycle_bytes} * 3 / 4;
    if (finished_at == 0 && allocated < gc_cycle_bytes) return;
    int64_t at = finished_at ? finished_at : gc_cycle_bytes;
    int64_t pace = gc_pace_percent * at / target;
    gc_pace_percent = static_cast<int>(std::clamp<int64_t>(pace, 25, 100));
}
}  // namespace

int gc_pace_percent = 100;

void gc_collect() {
    if (gc_stress || gc_new_bytes + gc_ext_new_bytes.load() > gc_cycle_bytes) {
        gc_adjust_pace(gc_finished_at, gc_new_bytes);
        gc_finished_at = 0;
        gc_end_cycle();
        gc_new_bytes = 0;
        return;
    }
    // The worst case: everything the last cycle marked is still reachable, and so is every
    // new object. The paced share of it spreads the old heap over the cycle; from 4/5 to
    // 19/20 of the cycle the budget climbs to the worst case, so a cycle whose live set
    // grew still finishes marking step by step, not all at once at its end.
    int64_t n = gc_new_bytes;
    int64_t live = gc_alloced_bytes - n;
    int64_t paced = live * n * gc_pace_percent / 100 / gc_cycle_bytes;
    int64_t rampStart = int64_t{gc_cycle_bytes} * 4 / 5,
            rampEnd = int64_t{gc_cycle_bytes} * 19 / 20;
    int64_t ramp = live * std::min(n - rampStart, rampEnd - rampStart) / (rampEnd - rampStart);
    gc_mark_queued(static_cast<int>(n + std::max(paced, ramp)));
    if (!gc_finished_at && n > 0 && gc_list_empty(&gc_queued_list)) gc_finished_at = gc_new_bytes;
}

void gc_collect_all() {
    gc_finished_at = 0;
    gc_end_cycle();
}

void gc_ext_malloced(int bytes) {
    gc_ext_new_bytes.fetch_add(bytes);
}

// ---- roots --------------------------------------------------------------------------------

void gc_add_root(gc_root_entry entry) {
    gc_roots().push_back(entry);
}

void gc_remove_root(const void* address) {
    auto& roots = gc_roots();
    roots.erase(std::remove_if(roots.begin(), roots.end(),
                               [&](const gc_root_entry& r) { return r.address == address; }),
                roots.end());
}

// ---- debug checks -------------------------------------------------------------------------

namespace {
bool gc_check_ok;
void gc_check_referent(gc_object* p) {
    if (gc_is_white(p)) gc_check_ok = false;
}
}  // namespace

bool gc_check_invariants() {
    gc_check_ok = true;
    gc_visitor saved = gc_visit;
    gc_visit = gc_check_referent;
    for (gc_object* p = gc_marked_list.succ; p != &gc_marked_list; p = p->succ) {
        if (gc_is_white(p)) gc_check_ok = false;
        p->mark();
    }
    for (gc_object* p = gc_queued_list.succ; p != &gc_queued_list; p = p->succ) {
        if (gc_is_white(p)) gc_check_ok = false;
    }
    for (gc_object* p = gc_unmarked_list.succ; p != &gc_unmarked_list; p = p->succ) {
        if (!gc_is_white(p)) gc_check_ok = false;
    }
    gc_visit = saved;
    return gc_check_ok;
}

bool gc_is_live_object(const void* target) {
    for (const gc_object* list : {static_cast<const gc_object*>(&gc_unmarked_list),
                                  static_cast<const gc_object*>(&gc_queued_list),
                                  static_cast<const gc_object*>(&gc_marked_list)}) {
        for (const gc_object* p = list->succ; p != list; p = p->succ) {
            if (p == target) return true;
        }
    }
    return false;
}

int gc_list_count(int which) {
    const gc_object* lists[] = {&gc_unmarked_list, &gc_queued_list, &gc_marked_list, &gc_free_list};
    int n = 0;
    for (const gc_object* p = lists[which]->succ; p != lists[which]; p = p->succ) ++n;
    return n;
}
