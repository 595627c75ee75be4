// Array<T>: a fixed-length array whose body is a collector object. Handles are plain
// pointers (not counted); zero-length arrays share one static body per element type,
// which carries colour 3 and so is never moved, traced or freed.
#pragma once

#include <cstring>
#include <new>
#include <type_traits>

#include "runtime/gc/collector.h"
#include "runtime/string.h"

template <class T>
class Array;

// Element types that are references the collector traces: object and interface
// pointers, and arrays.
template <class T>
struct gc_is_ref : std::is_pointer<T> {};
template <class U>
struct gc_is_ref<Array<U>> : std::true_type {};

// Writes of references into array slots pass the write barrier.
template <class T>
class gc_slot {
public:
    explicit gc_slot(T* slot) : slot_(slot) {}
    gc_slot& operator=(const T& value) {
        gc_assign(*slot_, value);
        return *this;
    }
    gc_slot& operator=(const gc_slot& other) { return *this = static_cast<T>(other); }
    operator T() const { return *slot_; }
    T get() const { return *slot_; }
    // slot->member: the object for pointer slots, the handle for array slots.
    auto operator->() const {
        if constexpr (std::is_pointer_v<T>) {
            return *slot_;
        } else {
            return static_cast<const T*>(slot_);
        }
    }

private:
    T* slot_;
};

template <class T>
class Array {
public:
    struct Rep : gc_object {
        int length;

        explicit Rep(int n) : length(n) {}
        constexpr explicit Rep(static_tag tag) : gc_object(tag), length(0) {}
        T* data() { return reinterpret_cast<T*>(this + 1); }

        ~Rep() override {
            if constexpr (std::is_same_v<T, String>) t_destroy(length, data());
        }
        void mark() override {
            if constexpr (gc_is_ref<T>::value) {
                for (int i = 0; i < length; ++i) gc_mark_now_q(data()[i]);
            }
        }

        static Rep nullRep;
    };
    static_assert(sizeof(Rep) % alignof(T) == 0, "elements must follow the header aligned");

    Array() : rep_(&Rep::nullRep) {}
    explicit Array(int length) : rep_(Alloc(length)) {}
    Array(const T* values, int length) : rep_(Alloc(length)) {
        for (int i = 0; i < length; ++i) rep_->data()[i] = values[i];
    }

    int Length() const { return rep_->length; }
    // Reference elements come back as a gc_slot, so stores pass the barrier.
    decltype(auto) operator[](int index) const {
        if constexpr (gc_is_ref<T>::value) {
            return gc_slot<T>(&rep_->data()[index]);
        } else {
            return (rep_->data()[index]);
        }
    }
    T* Data() const { return rep_->data(); }
    T* begin() const { return rep_->data(); }
    T* end() const { return rep_->data() + rep_->length; }

    // A new body of n elements holding the first min(n, Length()) of these.
    Array Resize(int n) const {
        if (n <= 0) return Array();
        Array result(n);
        int keep = n < Length() ? n : Length();
        for (int i = 0; i < keep; ++i) result.rep_->data()[i] = rep_->data()[i];
        // The copies bypassed the barrier, so trace the new body now.
        if (gc_is_white(result.rep_)) gc_mark_now(result.rep_);
        return result;
    }

    bool operator==(const Array& other) const { return rep_ == other.rep_; }
    bool operator!=(const Array& other) const { return rep_ != other.rep_; }
    Rep* gc_rep() const { return rep_; }
    static Array FromRep(Rep* rep) { return Array(rep, 0); }

private:
    Array(Rep* rep, int) : rep_(rep) {}

    static Rep* Alloc(int length) {
        if (length <= 0) return &Rep::nullRep;
        size_t bytes = sizeof(T) * static_cast<size_t>(length);
        constexpr bool plain =
            !std::is_same_v<T, String> && std::is_trivially_default_constructible_v<T>;
        Rep* rep = new (gc_object::gc_extra{bytes, plain}) Rep(length);
        if constexpr (std::is_same_v<T, String>) {
            t_create(length, rep->data());
        } else if constexpr (!plain) {
            for (int i = 0; i < length; ++i) new (&rep->data()[i]) T();  // empty arrays
        }
        return rep;
    }

    Rep* rep_;
};

template <class T>
typename Array<T>::Rep Array<T>::Rep::nullRep{gc_object::static_tag{}};
