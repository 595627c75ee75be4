#include "runtime/string.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "runtime/array.h"

namespace {

std::string Narrow(const String& s) {
    std::string out;
    for (int i = 0; i < s.Length(); ++i) out += static_cast<char>(s[i]);
    return out;
}

std::vector<std::string> Pieces(const Array<String>& a) {
    std::vector<std::string> out;
    for (const String& s : a) out.push_back(Narrow(s));
    return out;
}

String LoadBytes(const std::vector<unsigned char>& bytes) {
    FILE* f = std::tmpfile();
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::rewind(f);
    String s = String::Load(f);
    std::fclose(f);
    return s;
}

std::vector<int> Codes(const String& s) {
    std::vector<int> out;
    for (int i = 0; i < s.Length(); ++i) out.push_back(s[i]);
    return out;
}

}  // namespace

TEST(String, EveryEmptyStringSharesTheStaticBody) {
    EXPECT_EQ(String().Body(), &String::nullRep);
    EXPECT_EQ(String("").Body(), &String::nullRep);
    EXPECT_EQ(String(nullptr, 0).Body(), &String::nullRep);
    EXPECT_EQ(String("abc").Slice(2, 1).Body(), &String::nullRep);
    EXPECT_EQ(String("ab").Replace("ab", "").Body(), &String::nullRep);
}

TEST(String, CopiesShareOneCountedBody) {
    String a("hello");
    EXPECT_EQ(a.Body()->refs, 1);
    {
        String b = a;
        EXPECT_EQ(b.Body(), a.Body());
        EXPECT_EQ(a.Body()->refs, 2);
    }
    EXPECT_EQ(a.Body()->refs, 1);
    a = a;  // self-assignment must not free the body
    EXPECT_EQ(Narrow(a), "hello");
}

TEST(String, SliceClampsAndSharesTheWholeBody) {
    String s("abcdef");
    EXPECT_EQ(Narrow(s.Slice(-3, s.Length())), "def");
    EXPECT_EQ(Narrow(s.Slice(2, 100)), "cdef");
    EXPECT_EQ(s.Slice(4, 2).Length(), 0);
    EXPECT_EQ(s.Slice(0, s.Length()).Body(), s.Body());
    EXPECT_EQ(Narrow(s.Slice(-100, 2)), "ab");
    EXPECT_EQ(Narrow(s.Slice(1, -1)), "bcde");
    EXPECT_EQ(s.Slice(10, 12).Length(), 0);  // from clamped to L, to clamped to L
    EXPECT_EQ(s.Slice(0, -10).Length(), 0);  // to stays negative: from > to
    EXPECT_EQ(Narrow(s.Slice(3)), "def");
}

TEST(String, FindAndFindLast) {
    String s("abcabc");
    EXPECT_EQ(s.Find("bc"), 1);
    EXPECT_EQ(s.Find("bc", 2), 4);
    EXPECT_EQ(s.Find("bc", -5), 1);
    EXPECT_EQ(s.Find("x"), -1);
    EXPECT_EQ(s.Find("abcabcd"), -1);
    EXPECT_EQ(s.FindLast("bc"), 4);
    EXPECT_EQ(s.FindLast("abc"), 3);
    EXPECT_EQ(s.FindLast("zz"), -1);
    EXPECT_EQ(String("ab").FindLast("abc"), -1);
}

TEST(String, SplitAtItsBoundaries) {
    EXPECT_EQ(Pieces(String("a,,b,").Split(",")), (std::vector<std::string>{"a", "", "b", ""}));
    EXPECT_EQ(Pieces(String(",a").Split(",")), (std::vector<std::string>{"", "a"}));
    EXPECT_EQ(Pieces(String("abc").Split("")), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(String("").Split("").Length(), 0);
    EXPECT_EQ(Pieces(String("a::b::c").Split("::")), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(Pieces(String("aaa").Split("aa")), (std::vector<std::string>{"", "a"}));

    String whole("no separator here");
    Array<String> one = whole.Split(",");
    ASSERT_EQ(one.Length(), 1);
    EXPECT_EQ(one[0].Body(), whole.Body());
}

TEST(String, ReplaceIsNonOverlappingLeftToRight) {
    EXPECT_EQ(Narrow(String("aaa").Replace("aa", "b")), "ba");
    EXPECT_EQ(Narrow(String("a.b.c").Replace(".", "--")), "a--b--c");
    EXPECT_EQ(Narrow(String("xabx").Replace("x", "")), "ab");
    String s("nothing");
    EXPECT_EQ(s.Replace("z", "y").Body(), s.Body());
    EXPECT_EQ(s.Replace("", "y").Body(), s.Body());  // empty search text terminates
}

TEST(String, JoinSizesFromItsPieces) {
    String sep(", ");
    EXPECT_EQ(sep.Join(Array<String>()).Body(), &String::nullRep);
    Array<String> one(1);
    one[0] = String("solo");
    EXPECT_EQ(sep.Join(one).Body(), one[0].Body());
    Array<String> three(3);
    three[0] = String("a");
    three[2] = String("c");
    EXPECT_EQ(Narrow(sep.Join(three)), "a, , c");
    EXPECT_EQ(Narrow(String("").Join(three)), "ac");
}

TEST(String, ConcatenationSharesANonEmptyOperand) {
    String s("text");
    EXPECT_EQ((String() + s).Body(), s.Body());
    EXPECT_EQ((s + String()).Body(), s.Body());
    EXPECT_EQ(Narrow(s + String("!")), "text!");
    EXPECT_TRUE(String("ab") == String("a") + String("b"));
    EXPECT_FALSE(String("ab") == String("abc"));
}

TEST(String, NumberConversions) {
    EXPECT_EQ(Narrow(String(3.0f)), "3.0");
    EXPECT_EQ(Narrow(String(1.0f)), "1.0");
    EXPECT_EQ(Narrow(String(0.1f)), "0.10000000149011612");
    EXPECT_EQ(Narrow(String(1e20f)), "1.0000000200408773e+20");
    EXPECT_EQ(Narrow(String(-7)), "-7");
    EXPECT_EQ(Narrow(String(0)), "0");
    EXPECT_EQ(String("  42abc").ToInt(), 42);
    EXPECT_EQ(String("abc").ToInt(), 0);
    EXPECT_EQ(String("-12").ToInt(), -12);
    EXPECT_FLOAT_EQ(String("2.5").ToFloat(), 2.5f);
    // Only the first 63 characters count.
    String longNumber =
        String("000000000000000000000000000000000000000000000000000000000000000") + String("7");
    EXPECT_EQ(longNumber.ToInt(), 0);
}

// Numbers in a saved state pass their checksum whatever their size.
TEST(String, ToIntOfANumberBeyondTheIntRangeIsTheNearestInt) {
    EXPECT_EQ(String("99999999999").ToInt(), INT_MAX);
    EXPECT_EQ(String("-99999999999").ToInt(), INT_MIN);
}

TEST(String, BytesAboveAsciiWidenAsSigned) {
    const char bytes[] = {'a', static_cast<char>(0xE9), 0};
    String s(bytes);
    EXPECT_EQ(Codes(s), (std::vector<int>{0x61, 0xFFE9}));
}

TEST(String, CStringKeepsTheLowByte) {
    Char chars[] = {'h', 0x20AC, 'i'};
    String s(chars, 3);
    String::CString c = s.ToCString();
    EXPECT_EQ(std::string(c), std::string("h\xAC"
                                          "i"));
}

TEST(String, CaseMapping) {
    EXPECT_EQ(Narrow(String("Tessory 3").ToUpper()), "TESSORY 3");
    EXPECT_EQ(Narrow(String("Tessory 3").ToLower()), "tessory 3");
}

TEST(StringLoad, Utf16LittleAndBigEndianDropATrailingOddByte) {
    EXPECT_EQ(Narrow(LoadBytes({0xFF, 0xFE, 0x41, 0x00, 0x42, 0x00, 0x43})), "AB");
    EXPECT_EQ(Narrow(LoadBytes({0xFE, 0xFF, 0x00, 0x41, 0x00, 0x42})), "AB");
    EXPECT_EQ(Codes(LoadBytes({0xFE, 0xFF, 0x20, 0xAC})), (std::vector<int>{0x20AC}));
    EXPECT_EQ(LoadBytes({0xFF, 0xFE}).Length(), 0);
}

TEST(StringLoad, Utf8WithAndWithoutByteOrderMark) {
    EXPECT_EQ(Narrow(LoadBytes({0xEF, 0xBB, 0xBF, 0x61})), "a");
    EXPECT_EQ(Codes(LoadBytes({0xC3, 0xA9, 0xE2, 0x82, 0xAC})), (std::vector<int>{0xE9, 0x20AC}));
    EXPECT_EQ(LoadBytes({}).Body(), &String::nullRep);
}

TEST(StringLoad, InvalidUtf8FallsBackToOneCharacterPerByte) {
    EXPECT_EQ(Codes(LoadBytes({0x61, 0xE9, 0x62})), (std::vector<int>{0x61, 0xE9, 0x62}));
    EXPECT_EQ(Codes(LoadBytes({0x80})), (std::vector<int>{0x80}));  // stray continuation
    EXPECT_EQ(Codes(LoadBytes({0xF0, 0x9F, 0x98, 0x80})),           // 4-byte form
              (std::vector<int>{0xF0, 0x9F, 0x98, 0x80}));
    EXPECT_EQ(Codes(LoadBytes({0x61, 0xE2, 0x82})), (std::vector<int>{0x61, 0xE2, 0x82}));  // cut
    // A mark followed by invalid text: the fallback never reads past the file.
    EXPECT_EQ(Codes(LoadBytes({0xEF, 0xBB, 0xBF, 0xFF})), (std::vector<int>{0xFF}));
}

TEST(StringLoad, ReadsFilesLongerThanOneBlock) {
    std::vector<unsigned char> bytes(8192 + 5, 'x');
    EXPECT_EQ(LoadBytes(bytes).Length(), 8197);
    std::vector<unsigned char> exact(8192, 'y');
    EXPECT_EQ(LoadBytes(exact).Length(), 8192);
}

TEST(StringUtf8, RoundTripsEveryUnitThroughTheStateEncoding) {
    Char chars[] = {0x41, 0xE9, 0x20AC, 0x7FF, 0x800, 0xFFFF, 0xD800};
    String s(chars, 7);
    std::string bytes = s.ToUtf8();
    EXPECT_EQ(bytes.substr(1, 5), "\xC3\xA9\xE2\x82\xAC");
    EXPECT_TRUE(String::FromUtf8(bytes) == s);
}
