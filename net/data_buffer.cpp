#include "net/data_buffer.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "runtime/device_host.h"
#include "runtime/errors.h"

namespace {

enum class Encoding { Utf8, Ascii };

Encoding ParseEncoding(const String& encoding) {
    if (encoding == String("utf8")) return Encoding::Utf8;
    if (encoding == String("ascii")) return Encoding::Ascii;
    qoError(String("Invalid string encoding:") + encoding);
}

// Bytes that fit from `address` on, or 0 or less when nothing does.
int Clip(int address, int count, int length) {
    if (address < 0 || address > length) return 0;
    return count < length - address ? count : length - address;
}

int ClipArray(int offset, int count, int arrayLength) {
    if (offset < 0 || offset > arrayLength) return 0;
    return count < arrayLength - offset ? count : arrayLength - offset;
}

int EncodeUtf8(const String& text, unsigned char* out) {
    unsigned char* p = out;
    for (int i = 0; i < text.Length(); ++i) {
        int c = text[i];
        if (c < 0x80) {
            *p++ = static_cast<unsigned char>(c);
        } else if (c < 0x800) {
            *p++ = static_cast<unsigned char>(0xC0 | c >> 6);
            *p++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
        } else {
            *p++ = static_cast<unsigned char>(0xE0 | c >> 12);
            *p++ = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
            *p++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
        }
    }
    return static_cast<int>(p - out);
}

String Widen(const unsigned char* bytes, int count) {
    if (count <= 0) return String();
    std::vector<Char> chars(bytes, bytes + count);
    return String(chars.data(), count);
}

}  // namespace

int qo_databuffer_Utf8Length(const String& text) {
    int n = 0;
    for (int i = 0; i < text.Length(); ++i) {
        int c = text[i];
        n += c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
    }
    return n;
}

String qo_databuffer_DecodeUtf8(const unsigned char* bytes, int count) {
    if (count <= 0) return String();
    std::vector<Char> chars(static_cast<size_t>(count));
    Char* out = chars.data();
    int n = 0;
    for (int i = 0; i < count;) {
        int c = bytes[i++];
        int more = 0;
        if (c < 0x80) {
            more = 0;
        } else if (c < 0xC0 || c >= 0xF0) {
            return Widen(bytes, count);
        } else if (c < 0xE0) {
            c &= 0x1F;
            more = 1;
        } else {
            c &= 0x0F;
            more = 2;
        }
        if (count - i < more) return Widen(bytes, count);
        for (; more > 0; --more) {
            int d = bytes[i++];
            if ((d & 0xC0) != 0x80) return Widen(bytes, count);
            c = c << 6 | (d & 0x3F);
        }
        out[n++] = static_cast<Char>(c);
    }
    return String(out, n);
}

int qo_databuffer_Utf8CutTail(const unsigned char* bytes, int count) {
    for (int k = 1; k <= 2 && k <= count; ++k) {
        int c = bytes[count - k];
        if ((c & 0xC0) == 0x80) continue;  // a continuation byte: its lead is further back
        int length = c >= 0xC0 && c < 0xE0 ? 2 : c >= 0xE0 && c < 0xF0 ? 3 : 1;
        return length > k ? k : 0;
    }
    return 0;
}

QoDataBuffer::~QoDataBuffer() {
    std::free(data);
}

bool QoDataBuffer::_New(int size, void* bytes) {
    if (data) return false;
    if (size < 0) size = 0;
    if (!bytes) {
        // malloc(0) may answer null; one spare byte keeps "has storage" meaningful.
        bytes = std::malloc(static_cast<size_t>(size) + 1);
        if (!bytes) return false;
    }
    data = static_cast<unsigned char*>(bytes);
    length = size;
    return true;
}

bool QoDataBuffer::_Load(String path) {
    QoDeviceHost* host = QoDeviceHost::Current();
    if (data || !host) return false;
    int size = 0;
    unsigned char* bytes = host->LoadData(path, &size);
    if (!bytes) return false;
    return _New(size, bytes);
}

void QoDataBuffer::Discard() {
    std::free(data);
    data = nullptr;
    length = 0;
}

c_DataBuffer* c_DataBuffer::m_new(int size) {
    if (!_New(size)) qoError(String("Allocate DataBuffer failed"));
    return this;
}

c_DataBuffer* c_DataBuffer::m_Load(String path) {
    c_DataBuffer* buffer = new c_DataBuffer;
    if (buffer->_Load(path)) return buffer;
    return nullptr;
}

int c_DataBuffer::p_PokeBytes(int address, Array<int> bytes, int offset, int count) {
    count = Clip(address, count, length);
    count = ClipArray(offset, count, bytes.Length());
    for (int i = 0; i < count; ++i)
        data[address + i] = static_cast<unsigned char>(bytes[offset + i]);
    return 0;
}

int c_DataBuffer::p_PeekBytes(int address, Array<int> bytes, int offset, int count) {
    count = Clip(address, count, length);
    count = ClipArray(offset, count, bytes.Length());
    for (int i = 0; i < count; ++i) bytes[offset + i] = static_cast<signed char>(data[address + i]);
    return 0;
}

Array<int> c_DataBuffer::p_PeekBytes2(int address, int count) {
    count = Clip(address, count, length);
    if (count <= 0) return Array<int>();
    Array<int> bytes(count);
    p_PeekBytes(address, bytes, 0, count);
    return bytes;
}

int c_DataBuffer::p_CopyBytes(int address, c_DataBuffer* dst, int dstAddress, int count) {
    if (!dst) return 0;
    count = Clip(address, count, length);
    count = Clip(dstAddress, count, dst->length);
    // memmove picks the safe direction when source and target overlap.
    if (count > 0) std::memmove(dst->data + dstAddress, data + address, static_cast<size_t>(count));
    return 0;
}

int c_DataBuffer::p_PokeString(int address, String text, String encoding) {
    Encoding enc = ParseEncoding(encoding);
    if (enc == Encoding::Ascii) {
        int count = Clip(address, text.Length(), length);
        for (int i = 0; i < count; ++i) data[address + i] = static_cast<unsigned char>(text[i]);
        return text.Length();
    }
    int total = qo_databuffer_Utf8Length(text);
    int count = Clip(address, total, length);
    if (count == total) {
        EncodeUtf8(text, data + address);
    } else if (count > 0) {
        std::vector<unsigned char> whole(static_cast<size_t>(total));
        EncodeUtf8(text, whole.data());
        std::memcpy(data + address, whole.data(), static_cast<size_t>(count));
    }
    return total;
}

String c_DataBuffer::p_PeekString(int address, int count, String encoding) {
    Encoding enc = ParseEncoding(encoding);
    count = Clip(address, count, length);
    if (count <= 0) return String();
    if (enc == Encoding::Ascii) return Widen(data + address, count);
    return qo_databuffer_DecodeUtf8(data + address, count);
}

String c_DataBuffer::p_PeekString2(int address, String encoding) {
    return p_PeekString(address, length - address, encoding);
}
