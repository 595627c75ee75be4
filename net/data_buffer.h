// Fixed-size byte buffers: what sockets send from and receive into, and what the HTTP
// client keeps its head, body and receive window in. Every access is clipped to the
// buffer; text goes in and out as "utf8" or "ascii".
#pragma once

#include "runtime/array.h"
#include "runtime/object.h"

// Owns the bytes (malloc/free). A worker thread may read or write `data` while a socket
// operation on the buffer runs; the buffer takes no lock, so callers leave it alone then.
class QoDataBuffer : public Object {
public:
    unsigned char* data = nullptr;
    int length = 0;

    ~QoDataBuffer() override;

    // Takes `bytes` (malloc'ed, now ours) or allocates `size` bytes when it is null;
    // false when the buffer already has storage.
    bool _New(int size, void* bytes = nullptr);
    // Fills an empty buffer with a whole file read through the host; false if it fails.
    bool _Load(String path);
    void Discard();
};

class c_DataBuffer : public QoDataBuffer {
public:
    c_DataBuffer* m_new(int length);
    // The whole file, or null when it cannot be read.
    static c_DataBuffer* m_Load(String path);

    int p_Length() { return length; }

    int p_PokeBytes(int address, Array<int> bytes, int offset, int count);
    int p_PeekBytes(int address, Array<int> bytes, int offset, int count);
    Array<int> p_PeekBytes2(int address, int count);
    // Within one buffer too: overlapping ranges move without smearing.
    int p_CopyBytes(int address, c_DataBuffer* dst, int dstAddress, int count);

    // Returns the length of the whole encoded text, even when fewer bytes fitted.
    int p_PokeString(int address, String text, String encoding);
    String p_PeekString(int address, int count, String encoding);
    String p_PeekString2(int address, String encoding);
};

// UTF-8 of 16-bit characters, each on its own (no surrogate pairs): 1, 2 or 3 bytes.
int qo_databuffer_Utf8Length(const String& text);
// Decodes 1-, 2- and 3-byte sequences; bytes that are not such a sequence make the
// whole range one character per byte (the byte's value).
String qo_databuffer_DecodeUtf8(const unsigned char* bytes, int count);
// The bytes at the end of a range that begin a 2- or 3-byte sequence the range cuts off
// (0, 1 or 2): what a reader of a stream keeps back until the rest has arrived.
int qo_databuffer_Utf8CutTail(const unsigned char* bytes, int count);
