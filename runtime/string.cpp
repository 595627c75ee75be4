#include "runtime/string.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <vector>

#include "runtime/array.h"
#include "runtime/read_all.h"

String::Rep String::nullRep = {0, 0, {0}};

// ---- bodies -------------------------------------------------------------------------------

String::Rep* String::Alloc(int length) {
    if (length <= 0) {
        nullRep.refs++;
        return &nullRep;
    }
    // Never less than a whole Rep, so the header is always backed by the block.
    size_t bytes = offsetof(Rep, data) + sizeof(Char) * static_cast<size_t>(length);
    auto* rep = static_cast<Rep*>(std::malloc(bytes < sizeof(Rep) ? sizeof(Rep) : bytes));
    rep->refs = 1;
    rep->length = length;
    return rep;
}

void String::Release(Rep* rep) {
    if (--rep->refs == 0 && rep != &nullRep) std::free(rep);
}

String& String::operator=(const String& other) {
    other.rep_->refs++;
    Release(rep_);
    rep_ = other.rep_;
    return *this;
}

String& String::operator=(String&& other) noexcept {
    if (this != &other) {
        Release(rep_);
        rep_ = other.rep_;
        other.rep_ = &nullRep;
        nullRep.refs++;
    }
    return *this;
}

// ---- construction -------------------------------------------------------------------------

String::String(const Char* data, int length) : rep_(Alloc(length)) {
    if (length > 0) std::memcpy(rep_->data, data, sizeof(Char) * length);
}

String::Rep* String::AllocBytes(const char* text) {
    Rep* rep = Alloc(static_cast<int>(std::strlen(text)));
    for (int i = 0; i < rep->length; ++i) {
        rep->data[i] = static_cast<Char>(static_cast<signed char>(text[i]));
    }
    return rep;
}

String::String(const char* text) : rep_(AllocBytes(text)) {}

namespace {
const char* FormatInt(int value, char (&buf)[16]) {
    std::snprintf(buf, sizeof buf, "%i", value);
    return buf;
}

const char* FormatFloat(float value, char (&buf)[64]) {
    std::snprintf(buf, sizeof buf, "%.17lg", static_cast<double>(value));
    if (!std::strchr(buf, '.') && !std::strchr(buf, 'e')) std::strcat(buf, ".0");
    return buf;
}
}  // namespace

String::String(int value) {
    char buf[16];
    rep_ = AllocBytes(FormatInt(value, buf));
}

String::String(float value) {
    char buf[64];
    rep_ = AllocBytes(FormatFloat(value, buf));
}

String String::FromChar(int ch) {
    Char c = static_cast<Char>(ch);
    return String(&c, 1);
}

String::CString::CString(const String& text) {
    int n = text.Length();
    block_ = static_cast<int*>(std::malloc(sizeof(int) + n + 1));
    *block_ = 1;
    char* bytes = reinterpret_cast<char*>(block_ + 1);
    for (int i = 0; i < n; ++i) bytes[i] = static_cast<char>(text[i] & 0xff);
    bytes[n] = 0;
}

String::CString::CString(const CString& other) : block_(other.block_) {
    ++*block_;
}

String::CString::~CString() {
    if (--*block_ == 0) std::free(block_);
}

// ---- conversions --------------------------------------------------------------------------

int String::ToInt() const {
    char buf[64];
    int n = Length() < 63 ? Length() : 63;
    for (int i = 0; i < n; ++i) buf[i] = static_cast<char>((*this)[i] & 0xff);
    buf[n] = 0;
    // atoi leaves a number beyond the int range undefined; such a number becomes the
    // nearest int instead of wrapping round to an unrelated one.
    long value = std::strtol(buf, nullptr, 10);
    return static_cast<int>(std::clamp<long>(value, INT_MIN, INT_MAX));
}

float String::ToFloat() const {
    char buf[64];
    int n = Length() < 63 ? Length() : 63;
    for (int i = 0; i < n; ++i) buf[i] = static_cast<char>((*this)[i] & 0xff);
    buf[n] = 0;
    return static_cast<float>(std::atof(buf));
}

String String::ToUpper() const {
    Rep* rep = Alloc(Length());
    for (int i = 0; i < Length(); ++i) rep->data[i] = static_cast<Char>(std::towupper((*this)[i]));
    return String(rep);
}

String String::ToLower() const {
    Rep* rep = Alloc(Length());
    for (int i = 0; i < Length(); ++i) rep->data[i] = static_cast<Char>(std::towlower((*this)[i]));
    return String(rep);
}

std::string String::ToUtf8() const {
    std::string out;
    out.reserve(Length());
    for (int i = 0; i < Length(); ++i) {
        unsigned c = (*this)[i];
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

namespace {

// UTF-8 in 1-, 2- and 3-byte forms only; false on anything else (stray continuation,
// 4-byte lead, cut-off sequence). Overlong forms and surrogates pass.
bool DecodeUtf8(const unsigned char* p, size_t n, std::vector<Char>& out) {
    size_t i = 0;
    auto cont = [&](size_t k) { return i + k < n && (p[i + k] & 0xC0) == 0x80; };
    while (i < n) {
        unsigned c = p[i];
        if (c < 0x80) {
            out.push_back(static_cast<Char>(c));
            i += 1;
        } else if ((c & 0xE0) == 0xC0 && cont(1)) {
            out.push_back(static_cast<Char>(((c & 0x1F) << 6) | (p[i + 1] & 0x3F)));
            i += 2;
        } else if ((c & 0xF0) == 0xE0 && cont(1) && cont(2)) {
            out.push_back(static_cast<Char>(((c & 0x0F) << 12) | ((p[i + 1] & 0x3F) << 6) |
                                            (p[i + 2] & 0x3F)));
            i += 3;
        } else {
            return false;
        }
    }
    return true;
}

String Decode(const unsigned char* p, size_t n) {
    std::vector<Char> chars;
    if (n >= 2 && ((p[0] == 0xFE && p[1] == 0xFF) || (p[0] == 0xFF && p[1] == 0xFE))) {
        bool big = p[0] == 0xFE;
        for (size_t i = 2; i + 1 < n; i += 2) {
            chars.push_back(big ? static_cast<Char>((p[i] << 8) | p[i + 1])
                                : static_cast<Char>((p[i + 1] << 8) | p[i]));
        }
    } else {
        size_t start = (n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) ? 3 : 0;
        if (!DecodeUtf8(p + start, n - start, chars)) {
            // Not UTF-8: one character per byte (the mark, if any, stays skipped).
            chars.assign(p + start, p + n);
        }
    }
    return String(chars.data(), static_cast<int>(chars.size()));
}

}  // namespace

String String::FromUtf8(const std::string& bytes) {
    return Decode(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

String String::Load(FILE* file) {
    std::vector<unsigned char> bytes;
    qoReadAll(file, bytes);
    return Decode(bytes.data(), bytes.size());
}

// ---- combinations -------------------------------------------------------------------------

String String::operator+(const String& other) const {
    if (Length() == 0) return other;
    if (other.Length() == 0) return *this;
    Rep* rep = Alloc(Length() + other.Length());
    std::memcpy(rep->data, Data(), sizeof(Char) * Length());
    std::memcpy(rep->data + Length(), other.Data(), sizeof(Char) * other.Length());
    return String(rep);
}

String operator+(const char* left, const String& right) {
    return String(left) + right;
}

bool String::operator==(const String& other) const {
    if (rep_ == other.rep_) return true;
    return Length() == other.Length() &&
           std::memcmp(Data(), other.Data(), sizeof(Char) * Length()) == 0;
}

int String::Compare(const String& other) const {
    int n = Length() < other.Length() ? Length() : other.Length();
    for (int i = 0; i < n; ++i) {
        if ((*this)[i] != other[i]) return (*this)[i] - other[i];
    }
    return Length() - other.Length();
}

String String::Slice(int from, int to) const {
    int len = Length();
    if (from < 0) {
        from += len;
        if (from < 0) from = 0;
    } else if (from > len) {
        from = len;
    }
    if (to < 0) {
        to += len;
    } else if (to > len) {
        to = len;
    }
    if (from >= to) return String();
    if (from == 0 && to == len) return *this;
    return String(Data() + from, to - from);
}

bool String::MatchesAt(int index, const String& text) const {
    return std::memcmp(Data() + index, text.Data(), sizeof(Char) * text.Length()) == 0;
}

int String::Find(const String& text, int start) const {
    if (start < 0) start = 0;
    for (int i = start; i + text.Length() <= Length(); ++i) {
        if (MatchesAt(i, text)) return i;
    }
    return -1;
}

int String::FindLast(const String& text) const {
    for (int i = Length() - text.Length(); i >= 0; --i) {
        if (MatchesAt(i, text)) return i;
    }
    return -1;
}

bool String::StartsWith(const String& text) const {
    return text.Length() <= Length() && MatchesAt(0, text);
}

bool String::EndsWith(const String& text) const {
    return text.Length() <= Length() && MatchesAt(Length() - text.Length(), text);
}

int String::CountOccurrences(const String& text) const {
    int count = 0;
    for (int i = Find(text); i != -1; i = Find(text, i + text.Length())) ++count;
    return count;
}

Array<String> String::Split(const String& separator) const {
    if (separator.Length() == 0) {
        Array<String> chars(Length());
        for (int i = 0; i < Length(); ++i) chars[i] = String(Data() + i, 1);
        return chars;
    }
    Array<String> pieces(CountOccurrences(separator) + 1);
    if (pieces.Length() == 1) {
        pieces[0] = *this;
        return pieces;
    }
    int start = 0;
    int k = 0;
    for (int i = Find(separator); i != -1; i = Find(separator, start)) {
        pieces[k++] = Slice(start, i);
        start = i + separator.Length();
    }
    pieces[k] = Slice(start);
    return pieces;
}

String String::Join(const Array<String>& pieces) const {
    int n = pieces.Length();
    if (n == 0) return String();
    if (n == 1) return pieces[0];
    int length = (n - 1) * Length();
    for (const String& piece : pieces) length += piece.Length();
    Rep* rep = Alloc(length);
    Char* out = rep->data;
    for (int i = 0; i < n; ++i) {
        if (i > 0) {
            std::memcpy(out, Data(), sizeof(Char) * Length());
            out += Length();
        }
        std::memcpy(out, pieces[i].Data(), sizeof(Char) * pieces[i].Length());
        out += pieces[i].Length();
    }
    return String(rep);
}

String String::Replace(const String& find, const String& with) const {
    // An empty search text would match everywhere without advancing: leave the text as is.
    if (find.Length() == 0) return *this;
    int count = CountOccurrences(find);
    if (count == 0) return *this;
    Rep* rep = Alloc(Length() + count * (with.Length() - find.Length()));
    Char* out = rep->data;
    int start = 0;
    for (int i = Find(find); i != -1; i = Find(find, start)) {
        std::memcpy(out, Data() + start, sizeof(Char) * (i - start));
        out += i - start;
        std::memcpy(out, with.Data(), sizeof(Char) * with.Length());
        out += with.Length();
        start = i + find.Length();
    }
    std::memcpy(out, Data() + start, sizeof(Char) * (Length() - start));
    return String(rep);
}

// ---- element helpers for String arrays ----------------------------------------------------

void t_create(int n, String* p) {
    for (int i = 0; i < n; ++i) new (&p[i]) String();
}

void t_create(int n, String* p, const String* src) {
    for (int i = 0; i < n; ++i) new (&p[i]) String(src[i]);
}

void t_destroy(int n, String* p) {
    for (int i = 0; i < n; ++i) p[i].~String();
}
