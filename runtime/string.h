// String: immutable text of 16-bit characters in a shared, reference-counted body.
// Every empty string points at the one static String::nullRep. Counts are plain, not
// atomic: strings belong to the main thread, and workers get their own copies.
#pragma once

#include <cstdio>
#include <string>

typedef unsigned short Char;

template <class T>
class Array;

class String {
public:
    struct Rep {
        int refs;
        int length;
        Char data[1];  // `length` characters follow; no terminator
    };
    static Rep nullRep;

    // An 8-bit copy for system interfaces: each character cut to its low byte, NUL-ended.
    class CString {
    public:
        explicit CString(const String& text);
        CString(const CString& other);
        CString& operator=(const CString&) = delete;
        ~CString();
        operator const char*() const { return chars(); }
        const char* chars() const { return reinterpret_cast<const char*>(block_ + 1); }

    private:
        int* block_;  // count, then the bytes
    };

    String() : rep_(&nullRep) { rep_->refs++; }
    String(const Char* data, int length);
    String(const char* text);  // one character per byte, bytes widened as signed
    explicit String(int value);
    explicit String(float value);
    static String FromChar(int ch);
    String(const String& other) : rep_(other.rep_) { rep_->refs++; }
    String(String&& other) noexcept : rep_(other.rep_) {
        other.rep_ = &nullRep;
        nullRep.refs++;
    }
    String& operator=(const String& other);
    String& operator=(String&& other) noexcept;
    ~String() { Release(rep_); }

    int Length() const { return rep_->length; }
    int operator[](int index) const { return rep_->data[index]; }
    const Char* Data() const { return rep_->data; }
    // Identity of the body, so tests and callers can tell a shared result from a copy.
    const Rep* Body() const { return rep_; }

    CString ToCString() const { return CString(*this); }
    int ToInt() const;
    float ToFloat() const;
    String ToUpper() const;
    String ToLower() const;
    // UTF-8 with no surrogate pairing: each 16-bit unit becomes 1, 2 or 3 bytes.
    std::string ToUtf8() const;
    static String FromUtf8(const std::string& bytes);  // Load's decoder on a byte string
    static String Load(FILE* file);

    String operator+(const String& other) const;
    String& operator+=(const String& other) { return *this = *this + other; }
    bool operator==(const String& other) const;
    bool operator!=(const String& other) const { return !(*this == other); }
    bool operator<(const String& other) const { return Compare(other) < 0; }
    int Compare(const String& other) const;

    String Slice(int from) const { return Slice(from, Length()); }
    String Slice(int from, int to) const;
    int Find(const String& text, int start = 0) const;
    int FindLast(const String& text) const;
    bool Contains(const String& text) const { return Find(text) != -1; }
    bool StartsWith(const String& text) const;
    bool EndsWith(const String& text) const;
    Array<String> Split(const String& separator) const;
    String Join(const Array<String>& pieces) const;
    String Replace(const String& find, const String& with) const;

private:
    explicit String(Rep* rep) : rep_(rep) {}
    static Rep* Alloc(int length);
    static Rep* AllocBytes(const char* text);
    static void Release(Rep* rep);
    bool MatchesAt(int index, const String& text) const;
    int CountOccurrences(const String& text) const;

    Rep* rep_;
};

String operator+(const char* left, const String& right);

// Element constructors and destructors for arrays of strings.
void t_create(int n, String* p);
void t_create(int n, String* p, const String* src);
void t_destroy(int n, String* p);
