// The WAVE parser on hand-made files: chunk walk, formats, and headers that lie.
#include "audio/wav_loader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/audio/audio_files.h"
#include "tests/audio/malloc_watch.h"

namespace {

struct Decoded {
    unsigned char* data = nullptr;
    int length = -1, channels = -1, format = -1, hertz = -1;
    ~Decoded() { std::free(data); }
};

// Decodes bytes through a real file stream, as the loader sees files.
void Decode(const std::string& bytes, Decoded* out) {
    FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::rewind(f);
    out->data = LoadWAV(f, &out->length, &out->channels, &out->format, &out->hertz);
    std::fclose(f);
}

std::string Ramp(int count) {
    std::string bytes;
    for (int i = 0; i < count; ++i) bytes += static_cast<char>(i * 7);
    return bytes;
}

}  // namespace

TEST(WavLoader, MonoSixteenBitFileGivesItsSamplesAsStored) {
    WaveSpec form;
    form.hertz = 22050;
    form.data = Pcm16({0, 1000, -1000, 32767, -32768});
    Decoded d;
    Decode(WaveBytes(form), &d);
    ASSERT_NE(d.data, nullptr);
    EXPECT_EQ(d.length, 5);
    EXPECT_EQ(d.channels, 1);
    EXPECT_EQ(d.format, 2);
    EXPECT_EQ(d.hertz, 22050);
    EXPECT_EQ(std::memcmp(d.data, form.data.data(), form.data.size()), 0);
}

TEST(WavLoader, StereoSixteenBitFortyThousandDataBytesGiveTenThousandFrames) {
    WaveSpec form;
    form.channels = 2;
    form.data = Ramp(40000);
    Decoded d;
    Decode(WaveBytes(form), &d);
    ASSERT_NE(d.data, nullptr);
    EXPECT_EQ(d.length, 10000);
    EXPECT_EQ(d.channels, 2);
    EXPECT_EQ(d.format, 2);
    EXPECT_EQ(std::memcmp(d.data, form.data.data(), form.data.size()), 0);
}

TEST(WavLoader, StereoEightBitGivesOneBytePerSample) {
    WaveSpec form;
    form.channels = 2;
    form.bits = 8;
    form.data = Ramp(600);
    Decoded d;
    Decode(WaveBytes(form), &d);
    ASSERT_NE(d.data, nullptr);
    EXPECT_EQ(d.length, 300);
    EXPECT_EQ(d.format, 1);
    EXPECT_EQ(d.channels, 2);
}

TEST(WavLoader, EighteenByteFormatChunkHasItsExtraBytesSkipped) {
    WaveSpec form;
    form.fmtSize = 18;
    form.data = Pcm16({11, 22, 33});
    Decoded d;
    Decode(WaveBytes(form), &d);
    ASSERT_NE(d.data, nullptr);
    EXPECT_EQ(d.length, 3);
    EXPECT_EQ(std::memcmp(d.data, form.data.data(), form.data.size()), 0);
}

TEST(WavLoader, ListChunkBeforeDataIsSkippedBySize) {
    WaveSpec form;
    form.chunksBeforeData = Chunk("LIST", "INFOISFT\x05\0\0\0test\0\0") + Chunk("junk", "data");
    form.data = Pcm16({5, 6, 7, 8});
    Decoded d;
    Decode(WaveBytes(form), &d);
    ASSERT_NE(d.data, nullptr);
    EXPECT_EQ(d.length, 4);
    EXPECT_EQ(std::memcmp(d.data, form.data.data(), form.data.size()), 0);
}

TEST(WavLoader, EmptyDataChunkIsAValidSoundOfNoFrames) {
    WaveSpec form;
    Decoded d;
    Decode(WaveBytes(form), &d);
    EXPECT_NE(d.data, nullptr);
    EXPECT_EQ(d.length, 0);
}

TEST(WavLoader, FloatingPointFormatIsRejected) {
    WaveSpec form;
    form.formatCode = 3;
    form.bits = 32;
    form.data = Ramp(64);
    Decoded d;
    Decode(WaveBytes(form), &d);
    EXPECT_EQ(d.data, nullptr);
}

TEST(WavLoader, FilesThatAreNotRiffWaveAreRejected) {
    WaveSpec form;
    form.data = Pcm16({1, 2});
    std::string good = WaveBytes(form);
    for (auto [at, tag] : {std::pair{0, "RIFX"}, {8, "AVI "}, {12, "LIST"}}) {
        std::string bad = good;
        bad.replace(at, 4, tag);
        Decoded d;
        Decode(bad, &d);
        EXPECT_EQ(d.data, nullptr) << "tag " << tag << " at " << at;
    }
}

TEST(WavLoader, FormatChunkMustComeFirst) {
    WaveSpec form;
    form.data = Pcm16({1, 2});
    std::string good = WaveBytes(form);
    std::string bad = good.substr(0, 12) + Chunk("LIST", "abcd") + good.substr(12);
    Decoded d;
    Decode(bad, &d);
    EXPECT_EQ(d.data, nullptr);
}

TEST(WavLoader, ZeroChannelsOrZeroBitsAreRejectedRatherThanDividedBy) {
    for (auto [channels, bits] : {std::pair{0, 16}, {2, 0}, {1, 7}}) {
        WaveSpec form;
        form.channels = channels;
        form.bits = bits;
        form.data = Ramp(32);
        Decoded d;
        Decode(WaveBytes(form), &d);
        EXPECT_EQ(d.data, nullptr) << channels << " channels, " << bits << " bits";
    }
}

TEST(WavLoader, EveryTruncationOfAGoodFileIsRejected) {
    WaveSpec form;
    form.fmtSize = 18;
    form.chunksBeforeData = Chunk("LIST", "info");
    form.data = Pcm16({1, 2, 3, 4});
    std::string good = WaveBytes(form);
    for (size_t n = 0; n < good.size(); ++n) {
        Decoded d;
        Decode(good.substr(0, n), &d);
        EXPECT_EQ(d.data, nullptr) << "cut at " << n;
    }
}

TEST(WavLoader, DataChunkClaimingMoreThanTheFileHoldsIsRejectedWithoutAllocatingIt) {
    // One claim within int range and one beyond it, both far larger than the file.
    for (int64_t claimed : {int64_t{0x7ffffff0}, int64_t{0xfffffff0}}) {
        WaveSpec form;
        form.data = Pcm16({1, 2, 3});
        form.dataSizeField = claimed;
        std::string bytes = WaveBytes(form);
        Decoded d;
        MallocWatch watch;
        Decode(bytes, &d);
        EXPECT_EQ(d.data, nullptr) << claimed;
        EXPECT_LE(watch.Largest(), bytes.size()) << claimed;
    }
}

TEST(WavLoader, OtherChunkClaimingMoreThanTheFileHoldsIsRejected) {
    WaveSpec form;
    form.chunksBeforeData = "LIST" + Le32(0x7ffffff0u) + "abcd";
    form.data = Pcm16({1, 2, 3});
    std::string bytes = WaveBytes(form);
    Decoded d;
    MallocWatch watch;
    Decode(bytes, &d);
    EXPECT_EQ(d.data, nullptr);
    EXPECT_LE(watch.Largest(), bytes.size());
}

TEST(WavLoader, FormatChunkClaimingMoreThanTheFileHoldsIsRejected) {
    WaveSpec form;
    form.data = Pcm16({1, 2, 3});
    std::string bytes = WaveBytes(form);
    bytes.replace(16, 4, Le32(0xffffffffu));
    Decoded d;
    Decode(bytes, &d);
    EXPECT_EQ(d.data, nullptr);
}

TEST(WavLoader, ManyTinyChunksWithoutDataEndAtTheEndOfTheFile) {
    WaveSpec form;
    for (int i = 0; i < 2000; ++i) form.chunksBeforeData += Chunk("pad ", "");
    std::string bytes = WaveBytes(form);
    bytes.resize(bytes.size() - 8);  // drop the data chunk itself
    Decoded d;
    Decode(bytes, &d);
    EXPECT_EQ(d.data, nullptr);
}

TEST(WavLoader, ReadsFromTheStreamsCurrentPositionAndLeavesItOpen) {
    WaveSpec form;
    form.data = Pcm16({9, 8, 7});
    std::string bytes = "xyz" + WaveBytes(form);
    FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fseek(f, 3, SEEK_SET);
    Decoded d;
    d.data = LoadWAV(f, &d.length, &d.channels, &d.format, &d.hertz);
    EXPECT_NE(d.data, nullptr);
    EXPECT_EQ(d.length, 3);
    EXPECT_EQ(std::fclose(f), 0);
}
