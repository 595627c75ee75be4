#include "net/data_buffer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "runtime/game.h"

namespace {

c_DataBuffer* Buffer(int length) {
    return (new c_DataBuffer)->m_new(length);
}

c_DataBuffer* BufferOf(const std::vector<int>& bytes) {
    c_DataBuffer* b = Buffer(static_cast<int>(bytes.size()));
    for (size_t i = 0; i < bytes.size(); ++i) b->data[i] = static_cast<unsigned char>(bytes[i]);
    return b;
}

std::vector<int> BytesOf(c_DataBuffer* b) {
    return std::vector<int>(b->data, b->data + b->length);
}

String Chars(std::initializer_list<Char> chars) {
    return String(chars.begin(), static_cast<int>(chars.size()));
}

const String kUtf8("utf8");
const String kAscii("ascii");

}  // namespace

TEST(DataBuffer, PokeBytesIsClippedAtTheEnd) {
    c_DataBuffer* b = BufferOf({0, 0, 0, 0});
    Array<int> src(3);
    for (int i = 0; i < 3; ++i) src[i] = 0x101 * (i + 1);  // only the low byte counts
    b->p_PokeBytes(2, src, 0, 3);
    EXPECT_EQ(BytesOf(b), (std::vector<int>{0, 0, 1, 2}));
    // Past the end, or nothing to copy: no change.
    b->p_PokeBytes(4, src, 0, 3);
    b->p_PokeBytes(-1, src, 0, 3);
    b->p_PokeBytes(0, src, 3, 3);
    EXPECT_EQ(BytesOf(b), (std::vector<int>{0, 0, 1, 2}));
}

TEST(DataBuffer, PeekBytesAreSignedAndClippedToBufferAndArray) {
    c_DataBuffer* b = BufferOf({0x7F, 0x80, 0xFF, 0x01});
    Array<int> out = b->p_PeekBytes2(1, 10);
    ASSERT_EQ(out.Length(), 3);
    EXPECT_EQ(out[0], -128);
    EXPECT_EQ(out[1], -1);
    EXPECT_EQ(out[2], 1);

    Array<int> into(2);
    into[0] = 9;
    into[1] = 9;
    b->p_PeekBytes(0, into, 1, 4);  // room for one element only
    EXPECT_EQ(into[0], 9);
    EXPECT_EQ(into[1], 127);
    EXPECT_EQ(b->p_PeekBytes2(4, 1).Length(), 0);
}

TEST(DataBuffer, PokeStringReturnsTheWholeEncodedLengthEvenWhenClipped) {
    c_DataBuffer* b = BufferOf({0, 0, 0, 0, 0});
    EXPECT_EQ(b->p_PokeString(3, String("abc"), kAscii), 3);
    EXPECT_EQ(BytesOf(b), (std::vector<int>{0, 0, 0, 'a', 'b'}));

    // 'é' and '€' encode to 2 + 3 bytes; only the first 2 fit.
    c_DataBuffer* u = BufferOf({0, 0, 0, 0});
    EXPECT_EQ(u->p_PokeString(2, Chars({0xE9, 0x20AC}), kUtf8), 5);
    EXPECT_EQ(BytesOf(u), (std::vector<int>{0, 0, 0xC3, 0xA9}));
}

TEST(DataBuffer, Utf8WritesOneTwoAndThreeByteForms) {
    c_DataBuffer* b = Buffer(8);
    EXPECT_EQ(b->p_PokeString(0, Chars({'A', 0x7FF, 0x800, 0xD800}), kUtf8), 1 + 2 + 3 + 3);
    // Surrogates are encoded on their own; the last one is clipped away here.
    EXPECT_EQ(BytesOf(b), (std::vector<int>{'A', 0xDF, 0xBF, 0xE0, 0xA0, 0x80, 0xED, 0xA0}));
}

TEST(DataBuffer, AsciiWritesTheLowByteAndReadsBytesAsTheirValues) {
    c_DataBuffer* b = Buffer(2);
    b->p_PokeString(0, Chars({0x1E9, 0x41}), kAscii);
    EXPECT_EQ(BytesOf(b), (std::vector<int>{0xE9, 0x41}));
    EXPECT_EQ(b->p_PeekString(0, 2, kAscii), Chars({0xE9, 0x41}));
}

TEST(DataBuffer, Utf8ReadDecodesSequencesAndRoundTrips) {
    EXPECT_EQ(BufferOf({0xC3, 0xA9})->p_PeekString(0, 2, kUtf8), Chars({0xE9}));
    String text = Chars({'h', 0xE9, 0x20AC, 0xFFFF, 0});
    c_DataBuffer* b = Buffer(16);
    int n = b->p_PokeString(0, text, kUtf8);
    EXPECT_EQ(b->p_PeekString(0, n, kUtf8), text);
}

TEST(DataBuffer, InvalidUtf8FallsBackToOneCharacterPerByte) {
    // Cut off at the end of the range.
    EXPECT_EQ(BufferOf({0xC3})->p_PeekString(0, 1, kUtf8), Chars({0xC3}));
    EXPECT_EQ(BufferOf({'a', 0xC3, 0xA9, 0xE2, 0x82})->p_PeekString2(0, kUtf8),
              Chars({'a', 0xC3, 0xA9, 0xE2, 0x82}));
    // A continuation byte where a lead belongs, a four-byte lead, a wrong continuation.
    EXPECT_EQ(BufferOf({0xA9, 'x'})->p_PeekString2(0, kUtf8), Chars({0xA9, 'x'}));
    EXPECT_EQ(BufferOf({0xF0, 0x9F, 0x98, 0x80})->p_PeekString2(0, kUtf8),
              Chars({0xF0, 0x9F, 0x98, 0x80}));
    EXPECT_EQ(BufferOf({0xC3, 'x'})->p_PeekString2(0, kUtf8), Chars({0xC3, 'x'}));
}

TEST(DataBuffer, PeekStringIsClippedAndEmptyOutsideTheBuffer) {
    c_DataBuffer* b = BufferOf({'a', 'b', 'c'});
    EXPECT_EQ(b->p_PeekString(1, 100, kAscii), String("bc"));
    EXPECT_EQ(b->p_PeekString2(2, kUtf8), String("c"));
    EXPECT_EQ(b->p_PeekString(3, 1, kAscii), String());
    EXPECT_EQ(b->p_PeekString(-1, 2, kAscii), String());
}

TEST(DataBuffer, CopyBytesUpwardWithinOneBufferDoesNotSmear) {
    c_DataBuffer* b = BufferOf({1, 2, 3, 4, 5, 6});
    b->p_CopyBytes(0, b, 1, 4);
    EXPECT_EQ(BytesOf(b), (std::vector<int>{1, 1, 2, 3, 4, 6}));
}

TEST(DataBuffer, CopyBytesDownwardWithinOneBufferDoesNotSmear) {
    c_DataBuffer* b = BufferOf({1, 2, 3, 4, 5, 6});
    b->p_CopyBytes(1, b, 0, 5);
    EXPECT_EQ(BytesOf(b), (std::vector<int>{2, 3, 4, 5, 6, 6}));
}

TEST(DataBuffer, CopyBytesToAnotherBufferIsClippedAtBothEnds) {
    c_DataBuffer* src = BufferOf({1, 2, 3, 4});
    c_DataBuffer* dst = BufferOf({0, 0, 0});
    src->p_CopyBytes(1, dst, 1, 10);
    EXPECT_EQ(BytesOf(dst), (std::vector<int>{0, 2, 3}));
    src->p_CopyBytes(5, dst, 0, 1);
    src->p_CopyBytes(0, dst, 3, 1);
    EXPECT_EQ(BytesOf(dst), (std::vector<int>{0, 2, 3}));
}

TEST(DataBuffer, DiscardFreesAndAllowsANewAllocation) {
    c_DataBuffer* b = Buffer(4);
    EXPECT_FALSE(b->_New(4));
    b->Discard();
    EXPECT_EQ(b->length, 0);
    EXPECT_EQ(b->data, nullptr);
    EXPECT_TRUE(b->_New(2));
    EXPECT_EQ(b->length, 2);
}

TEST(DataBuffer, LoadReadsAWholeFileThroughTheHostOrGivesNull) {
    QoGame host;
    std::string path = ::testing::TempDir() + "/net_data_buffer_load.bin";
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::string bytes(5000, 'z');
    bytes[4999] = '\x80';
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);

    c_DataBuffer* b = c_DataBuffer::m_Load(String(path.c_str()));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->length, 5000);
    EXPECT_EQ(b->data[0], 'z');
    EXPECT_EQ(b->data[4999], 0x80);
    EXPECT_EQ(c_DataBuffer::m_Load(String((path + ".missing").c_str())), nullptr);
    std::remove(path.c_str());
}
