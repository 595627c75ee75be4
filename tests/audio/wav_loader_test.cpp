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
    WaveSpec spec;
    spec.hertz = 22050;
    spec.data = Pcm16({0, 1000, -1000, 32767, -32768});
    Decoded d;
    Decode(WaveBytes(spec), &d);
    ASSERT_NE(d.data, nullptr);
    EXPECT_EQ(d.length, 5);
    EXPECT_EQ(d.channels, 1);
    EXPECT_EQ(d.format, 2);
    EXPECT_EQ(d.hertz, 22050);
    EXPECT_EQ(std::memcmp(d.data, spec.data.data(), spec.data.size()), 0);
}

TEST(WavLoader, StereoSixteenBitFortyThousandDataBytesGiveTenThousandFrames) {
    WaveSpec spec;
    spec.channels = 2;
    spec.data = Ramp(40000);
    Decoded d;
    Decode(WaveBytes(spec), &d);
    ASSERT_NE(d.data, nullptr);
    EXPECT_EQ(d.length, 10000);
    EXPECT_EQ(d.channels, 2);
    EXPECT_EQ(d.format, 2);
    EXPECT_EQ(std::memcmp(d.data, spec.data.data(), spec.data.size()), 0);
}

TEST(WavLoader, StereoEightBitGivesOneBytePerSample) {
    WaveSpec spec;
    spec.channels = 2;
    spec.bits = 8;
    spec.data = Ramp(600);
    Decoded d;
    Decode(WaveBytes(spec), &d);
    ASSERT_NE(d.data, nullptr);
    EXPECT_EQ(d.length, 300);
    EXPECT_EQ(d.format, 1);
    EXPECT_EQ(d.channels, 2);
}

TEST(WavLoader, EighteenByteFormatChunkHasItsExtraBytesSkipped) {
    WaveSpec spec;
    spec.fmtSize = 18;
    spec.data = Pcm16({11, 22, 33});
    Decoded d;
    Decode(WaveBytes(spec), &d);
    ASSERT_NE(d.data, nullptr);
    EXPECT_EQ(d.length, 3);
    EXPECT_EQ(std::memcmp(d.data, spec.data.data(), spec.data.size()), 0);
}

TEST(WavLoader, ListChunkBeforeDataIsSkippedBySize) {
    WaveSpec spec;
    spec.chunksBeforeData = Chunk("LIST", "INFOISFT\x05\0\0\0test\0\0") + Chunk("junk", "data");
    spec.data = Pcm16({5, 6, 7, 8});
    Decoded d;
    Decode(WaveBytes(spec), &d);
    ASSERT_NE(d.data, nullptr);
    EXPECT_EQ(d.length, 4);
    EXPECT_EQ(std::memcmp(d.data, spec.data.data(), spec.data.size()), 0);
}

TEST(WavLoader, EmptyDataChunkIsAValidSoundOfNoFrames) {
    WaveSpec spec;
    Decoded d;
    Decode(WaveBytes(spec), &d);
    EXPECT_NE(d.data, nullptr);
    EXPECT_EQ(d.length, 0);
}

TEST(WavLoader, FloatingPointFormatIsRejected) {
    WaveSpec spec;
    spec.formatCode = 3;
    spec.bits = 32;
    spec.data = Ramp(64);
    Decoded d;
    Decode(WaveBytes(spec), &d);
    EXPECT_EQ(d.data, nullptr);
}

TEST(WavLoader, FilesThatAreNotRiffWaveAreRejected) {
    WaveSpec spec;
    spec.data = Pcm16({1, 2});
    std::string good = WaveBytes(spec);
    for (auto [at, tag] : {std::pair{0, "RIFX"}, {8, "AVI "}, {12, "LIST"}}) {
        std::string bad = good;
        bad.replace(at, 4, tag);
        Decoded d;
        Decode(bad, &d);
        EXPECT_EQ(d.data, nullptr) << "tag " << tag << " at " << at;
    }
}

TEST(WavLoader, FormatChunkMustComeFirst) {
    WaveSpec spec;
    spec.data = Pcm16({1, 2});
    std::string good = WaveBytes(spec);
    std::string bad = good.substr(0, 12) + Chunk("LIST", "abcd") + good.substr(12);
    Decoded d;
    Decode(bad, &d);
    EXPECT_EQ(d.data, nullptr);
}

TEST(WavLoader, ZeroChannelsOrZeroBitsAreRejectedRatherThanDividedBy) {
    for (auto [channels, bits] : {std::pair{0, 16}, {2, 0}, {1, 7}}) {
        WaveSpec spec;
        spec.channels = channels;
        spec.bits = bits;
        spec.data = Ramp(32);
        Decoded d;
        Decode(WaveBytes(spec), &d);
        EXPECT_EQ(d.data, nullptr) << channels << " channels, " << bits << " bits";
    }
}

TEST(WavLoader, EveryTruncationOfAGoodFileIsRejected) {
    WaveSpec spec;
    spec.fmtSize = 18;
    spec.chunksBeforeData = Chunk("LIST", "info");
    spec.data = Pcm16({1, 2, 3, 4});
    std::string good = WaveBytes(spec);
    for (size_t n = 0; n < good.size(); ++n) {
        Decoded d;
        Decode(good.substr(0, n), &d);
        EXPECT_EQ(d.data, nullptr) << "cut at " << n;
    }
}

TEST(WavLoader, DataChunkClaimingMoreThanTheFileHoldsIsRejectedWithoutAllocatingIt) {
    // One claim within int range and one beyond it, both far larger than the file.
    for (int64_t claimed : {int64_t{0x7ffffff0}, int64_t{0xfffffff0}}) {
        WaveSpec spec;
        spec.data = Pcm16({1, 2, 3});
        spec.dataSizeField = claimed;
        std::string bytes = WaveBytes(spec);
        Decoded d;
        MallocWatch watch;
        Decode(bytes, &d);
        EXPECT_EQ(d.data, nullptr) << claimed;
        EXPECT_LE(watch.Largest(), bytes.size()) << claimed;
    }
}

TEST(WavLoader, OtherChunkClaimingMoreThanTheFileHoldsIsRejected) {
    WaveSpec spec;
    spec.chunksBeforeData = "LIST" + Le32(0x7ffffff0u) + "abcd";
    spec.data = Pcm16({1, 2, 3});
    std::string bytes = WaveBytes(spec);
    Decoded d;
    MallocWatch watch;
    Decode(bytes, &d);
    EXPECT_EQ(d.data, nullptr);
    EXPECT_LE(watch.Largest(), bytes.size());
}

TEST(WavLoader, FormatChunkClaimingMoreThanTheFileHoldsIsRejected) {
    WaveSpec spec;
    spec.data = Pcm16({1, 2, 3});
    std::string bytes = WaveBytes(spec);
    bytes.replace(16, 4, Le32(0xffffffffu));
    Decoded d;
    Decode(bytes, &d);
    EXPECT_EQ(d.data, nullptr);
}

TEST(WavLoader, ManyTinyChunksWithoutDataEndAtTheEndOfTheFile) {
    WaveSpec spec;
    for (int i = 0; i < 2000; ++i) spec.chunksBeforeData += Chunk("pad ", "");
    std::string bytes = WaveBytes(spec);
    bytes.resize(bytes.size() - 8);  // drop the data chunk itself
    Decoded d;
    Decode(bytes, &d);
    EXPECT_EQ(d.data, nullptr);
}

TEST(WavLoader, ReadsFromTheStreamsCurrentPositionAndLeavesItOpen) {
    WaveSpec spec;
    spec.data = Pcm16({9, 8, 7});
    std::string bytes = "xyz" + WaveBytes(spec);
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
