// The incremental, non-moving, tri-colour mark-and-sweep collector that owns every
// translated object and array body. It never scans the stack: it runs only between
// host events, and every store of an object reference into an object field or a
// registered root passes the write barrier gc_assign.
//
// Invariant (insertion barrier): no black object refers to a white one. White means
// "colour bits == gc_markbit"; objects on gc_queued_list are grey, on gc_marked_list
// black. gc_check_invariants() verifies it; tests call it.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <type_traits>

class gc_interface;

class gc_object {
public:
    gc_object();
    virtual ~gc_object();
    // Trace references: gc_mark_q every object field, gc_mark_now array elements.
    virtual void mark() {}

    // Translated classes are allocated through the collector.
    static void* operator new(size_t size);
    static void operator delete(void* p, size_t size);
    // Array bodies carry their elements after the object: new (gc_extra{bytes}) Rep.
    // A zeroed block of plain elements comes from calloc, which hands out fresh pages
    // without writing them: the 20 MB level grid then costs nothing until it is used.
    struct gc_extra {
        size_t bytes;
        bool zeroed = false;
    };
    static void* operator new(size_t size, gc_extra extra);
    static void operator delete(void* p, gc_extra extra);

    int gc_size() const { return flags & ~7; }
    int gc_colour() const { return flags & 3; }

    gc_object* succ;
    gc_object* pred;
    int flags;

    // Marks the constructor of static objects (the empty array bodies).
    struct static_tag {};

protected:
    // Static objects: colour 3, in no list, never collected.
    constexpr explicit gc_object(static_tag) : succ(nullptr), pred(nullptr), flags(3) {}
};

// Colour value meaning "white" in the current cycle; starts at 1.
extern int gc_markbit;

extern int gc_new_bytes;
extern std::atomic<int> gc_ext_new_bytes;
extern int gc_alloced_bytes;
extern int gc_max_alloced_bytes;
extern int gc_marked_bytes;
extern int gc_free_bytes;

// A cycle ends when this much has been allocated (collector + external) since the last.
constexpr int gc_cycle_bytes = 8 * 1024 * 1024;

// The share, in percent, of the worst-case marking pace that a step keeps to: the previous
// cycles' finish point sets it, so that marking spreads over most of a cycle instead of
// finishing early with steps that each do several times the work needed. 100 at start.
extern int gc_pace_percent;

void gc_init1();
void gc_init2();
void* gc_object_alloc(int request, bool zeroed = false);
void gc_object_free(gc_object* object);
void gc_enqueue(gc_object* object);
void gc_mark_now(gc_object* object);
void gc_mark();
void gc_mark_queued(int budget);
void gc_collect();
void gc_collect_all();
void gc_ext_malloced(int bytes);

// Destroys every swept object now instead of pacing it by allocation (tests, shutdown).
void gc_release_garbage();

// Debug aids for tests and the debugger hand-off.
bool gc_check_invariants();             // no black object refers to a white one
bool gc_is_live_object(const void* p);  // p is an object on the white, grey or black list
int gc_list_count(int which);           // 0 white, 1 grey, 2 black, 3 free

// Stress switch: when set, every gc_collect() finishes a whole cycle.
extern bool gc_stress;

// ---- turning references into collector objects ----------------------------------------

inline gc_object* gc_object_of(gc_object* p) {
    return p;
}
gc_object* gc_object_of(gc_interface* p);  // dynamic cast; null stays null
template <class T, class = decltype(std::declval<T>().gc_rep())>
inline gc_object* gc_object_of(const T& handle) {
    return handle.gc_rep();
}

inline bool gc_is_white(const gc_object* p) {
    return (p->flags & 3) == gc_markbit;
}

// Observer used by gc_check_invariants: while set, marking only reports references.
using gc_visitor = void (*)(gc_object* referent);
extern gc_visitor gc_visit;

// Queue a reference found while tracing (grey it when it is still white).
template <class R>
inline void gc_mark_q(const R& ref) {
    gc_object* p = gc_object_of(ref);
    if (!p) return;
    if (gc_visit) {
        gc_visit(p);
    } else if (gc_is_white(p)) {
        gc_enqueue(p);
    }
}

// Mark a reference at once (array elements, the delegate, resized arrays).
template <class R>
inline void gc_mark_now_q(const R& ref) {
    gc_object* p = gc_object_of(ref);
    if (!p) return;
    if (gc_visit) {
        gc_visit(p);
    } else if (gc_is_white(p)) {
        gc_mark_now(p);
    }
}

// The write barrier: every store of a reference into an object field or root.
template <class F, class V>
inline void gc_assign(F& field, const V& value) {
    gc_object* p = gc_object_of(value);
    if (p && gc_is_white(p)) gc_enqueue(p);
    field = value;
}

// ---- roots ------------------------------------------------------------------------------

struct gc_root_entry {
    const void* address;
    gc_object* (*get)(const void* address);
};
void gc_add_root(gc_root_entry entry);
void gc_remove_root(const void* address);

template <class T>
struct gc_root_registrar {
    explicit gc_root_registrar(T* global) {
        gc_add_root(
            {global, [](const void* a) { return gc_object_of(*static_cast<const T*>(a)); }});
    }
};

// Registers a module global that holds an object, interface or array as a root:
//   GC_ROOT(qo_app__app);
#define GC_ROOT_CAT2(a, b) a##b
#define GC_ROOT_CAT(a, b) GC_ROOT_CAT2(a, b)
#define GC_ROOT(global) \
    static gc_root_registrar<decltype(global)> GC_ROOT_CAT(gc_root_, __LINE__)(&(global))
