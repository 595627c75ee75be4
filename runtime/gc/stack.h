// Growable stacks (array-backed lists). Capacity grows 0 → 10 → 30 → 70 → 150 … (2n + 10
// whenever a push finds the stack full), so pushes cost amortised constant time. Slots
// past the length always hold the empty value, so dropped strings are released and
// dropped objects can be collected.
#pragma once

#include "runtime/array.h"
#include "runtime/async_event_source.h"
#include "runtime/object.h"

template <class T>
class gc_stack : public Object {
public:
    Array<T> m_data;
    int m_length = 0;

    void mark() override { gc_mark_q(m_data); }

protected:
    static T Empty() { return T(); }

    void Init() {
        gc_assign(m_data, Array<T>());
        m_length = 0;
    }
    void InitFrom(const Array<T>& values) {
        gc_assign(m_data, Array<T>(values.Data(), values.Length()));
        m_length = values.Length();
    }
    void Push(const T& value) {
        if (m_length == m_data.Length()) gc_assign(m_data, m_data.Resize(m_length * 2 + 10));
        m_data[m_length] = value;
        m_length += 1;
    }
    void PushRange(const Array<T>& values, int offset, int count) {
        for (int i = 0; i < count; ++i) Push(values[offset + i]);
    }
    void PushTail(const Array<T>& values, int offset) {
        PushRange(values, offset, values.Length() - offset);
    }
    Array<T> ToArray() const { return Array<T>(m_data.Data(), m_length); }
    void SetLength(int n) {
        for (int i = n; i < m_length; ++i) m_data[i] = Empty();
        if (n > m_data.Length()) {
            int grown = m_length * 2 + 10;
            gc_assign(m_data, m_data.Resize(grown > n ? grown : n));
        }
        m_length = n;
    }
    T Get(int index) const { return m_data[index]; }
    void Clear() {
        for (int i = 0; i < m_length; ++i) m_data[i] = Empty();
        m_length = 0;
    }
};

// A stack of collector objects of class T; the instance the runtime uses is named
// beside its element type (runtime/display_mode.h).
template <class T>
class gc_object_stack : public gc_stack<T*> {
public:
    gc_object_stack* m_new() {
        this->Init();
        return this;
    }
    gc_object_stack* m_new2(Array<T*> data) {
        this->InitFrom(data);
        return this;
    }
    int p_Push(T* value) {
        this->Push(value);
        return 0;
    }
    int p_Push2(Array<T*> values, int offset, int count) {
        this->PushRange(values, offset, count);
        return 0;
    }
    int p_Push3(Array<T*> values, int offset) {
        this->PushTail(values, offset);
        return 0;
    }
    Array<T*> p_ToArray() { return this->ToArray(); }
};

class c_Stack2 : public gc_stack<String> {
public:
    static inline String m_NIL;

    c_Stack2* m_new() {
        Init();
        return this;
    }
    c_Stack2* m_new2(Array<String> data) {
        InitFrom(data);
        return this;
    }
    int p_Push4(String value) {
        Push(value);
        return 0;
    }
    int p_Push5(Array<String> values, int offset, int count) {
        PushRange(values, offset, count);
        return 0;
    }
    int p_Push6(Array<String> values, int offset) {
        PushTail(values, offset);
        return 0;
    }
    Array<String> p_ToArray() { return ToArray(); }
    int p_Clear2() {
        Clear();
        return 0;
    }
    int p_Length(int n) {
        SetLength(n);
        return 0;
    }
    int p_Length2() { return m_length; }
    String p_Get(int index) { return Get(index); }
};

class c_StringStack : public c_Stack2 {
public:
    c_StringStack* m_new(Array<String> data) {
        c_Stack2::m_new2(data);
        return this;
    }
    c_StringStack* m_new2() {
        c_Stack2::m_new();
        return this;
    }
    String p_Join(String separator) { return separator.Join(p_ToArray()); }
};

class c_Stack3 : public gc_stack<c_IAsyncEventSource*> {
public:
    static inline c_IAsyncEventSource* m_NIL = nullptr;

    c_Stack3* m_new() {
        Init();
        return this;
    }
    c_Stack3* m_new2(Array<c_IAsyncEventSource*> data) {
        InitFrom(data);
        return this;
    }
    bool p_Equals(c_IAsyncEventSource* a, c_IAsyncEventSource* b) { return a == b; }
    bool p_Contains2(c_IAsyncEventSource* value) {
        for (int i = 0; i < m_length; ++i) {
            if (p_Equals(m_data[i], value)) return true;
        }
        return false;
    }
    int p_Push7(c_IAsyncEventSource* value) {
        Push(value);
        return 0;
    }
    int p_Push8(Array<c_IAsyncEventSource*> values, int offset, int count) {
        PushRange(values, offset, count);
        return 0;
    }
    int p_Push9(Array<c_IAsyncEventSource*> values, int offset) {
        PushTail(values, offset);
        return 0;
    }
    int p_Length(int n) {
        SetLength(n);
        return 0;
    }
    int p_Length2() { return m_length; }
    c_IAsyncEventSource* p_Get(int index) { return Get(index); }
};
