// The Vorbis loader on streams encoded by the test itself.
#include "audio/ogg_loader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/audio/audio_files.h"
#include "tests/support/proc_status.h"

namespace {

struct Decoded {
    unsigned char* data = nullptr;
    int length = -1, channels = -1, format = -1, hertz = -1;
    ~Decoded() { std::free(data); }
    const short* samples() const { return reinterpret_cast<const short*>(data); }
};

void Decode(const std::string& bytes, Decoded* out) {
    FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::rewind(f);
    out->data = LoadOGG(f, &out->length, &out->channels, &out->format, &out->hertz);
    EXPECT_EQ(std::fclose(f), 0);
}

std::vector<float> Sine(int frames, int channels, int hertz, double pitch, int silentChannel = -1) {
    std::vector<float> out(static_cast<size_t>(frames) * channels);
    for (int i = 0; i < frames; ++i) {
        float v = static_cast<float>(0.5 * std::sin(2 * M_PI * pitch * i / hertz));
        for (int c = 0; c < channels; ++c)
            out[static_cast<size_t>(i) * channels + c] = c == silentChannel ? 0 : v;
    }
    return out;
}

double Rms(const Decoded& d, int channel, int from, int to) {
    double sum = 0;
    for (int i = from; i < to; ++i) {
        double v = d.samples()[static_cast<size_t>(i) * d.channels + channel] / 32768.0;
        sum += v * v;
    }
    return std::sqrt(sum / (to - from));
}

}  // namespace

TEST(OggLoader, MonoFileAt22050HertzGivesOneChannelTwoBytesAndEveryFrame) {
    const int frames = 22050;
    Decoded d;
    Decode(EncodeVorbis(Sine(frames, 1, 22050, 440), 1, 22050), &d);
    ASSERT_NE(d.data, nullptr);
    EXPECT_EQ(d.channels, 1);
    EXPECT_EQ(d.format, 2);
    EXPECT_EQ(d.hertz, 22050);
    EXPECT_EQ(d.length, frames);
    EXPECT_NEAR(Rms(d, 0, 2000, 20000), 0.5 / std::sqrt(2.0), 0.02);
}

TEST(OggLoader, StereoSamplesComeInterleavedLeftThenRight) {
    const int frames = 44100 / 2;
    Decoded d;
    Decode(EncodeVorbis(Sine(frames, 2, 44100, 1000, /*silentChannel=*/1), 2, 44100), &d);
    ASSERT_NE(d.data, nullptr);
    EXPECT_EQ(d.channels, 2);
    EXPECT_EQ(d.hertz, 44100);
    EXPECT_EQ(d.length, frames);
    EXPECT_GT(Rms(d, 0, 1000, 20000), 0.3);
    EXPECT_LT(Rms(d, 1, 1000, 20000), 0.02);
}

TEST(OggLoader, LongStreamGrowsItsBufferWithoutLosingFrames) {
    const int frames = 44100 * 12 + 123;  // many doublings past the first 4096 frames
    std::vector<float> pcm = Sine(frames, 2, 44100, 300);
    Decoded d;
    Decode(EncodeVorbis(pcm, 2, 44100), &d);
    ASSERT_NE(d.data, nullptr);
    EXPECT_EQ(d.length, frames);
    // The end of the stream carries the tone too: nothing was dropped at a doubling.
    EXPECT_NEAR(Rms(d, 1, frames - 20000, frames - 1000), 0.5 / std::sqrt(2.0), 0.02);
}

// Decoded a slice at a time, between a host's frames, the stream gives LoadOGG's samples.
TEST(OggLoader, DecodedInSlicesGivesTheSameSamplesAsInOneGo) {
    const int frames = 44100 * 3 + 77;
    std::string bytes = EncodeVorbis(Sine(frames, 2, 44100, 300), 2, 44100);
    Decoded whole;
    Decode(bytes, &whole);
    ASSERT_NE(whole.data, nullptr);
    for (int slice : {1, 7, 1000}) {
        FILE* f = std::tmpfile();
        ASSERT_NE(f, nullptr);
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::rewind(f);
        OggDecode decode;
        ASSERT_TRUE(decode.Open(f));
        int steps = 1;
        while (decode.Step(slice)) ++steps;
        EXPECT_TRUE(decode.Done());
        EXPECT_GE(steps, slice == 1 ? 100 : 1);
        Decoded d;
        d.data = decode.Finish(&d.length, &d.channels, &d.format, &d.hertz);
        ASSERT_NE(d.data, nullptr) << slice;
        EXPECT_EQ(d.length, whole.length);
        EXPECT_EQ(d.hertz, 44100);
        EXPECT_EQ(std::memcmp(d.data, whole.data, static_cast<size_t>(frames) * 4), 0) << slice;
        EXPECT_EQ(std::fclose(f), 0);
    }
}

TEST(OggLoader, BytesThatAreNotVorbisGiveNull) {
    for (const std::string& bytes :
         {std::string(), std::string("OggS"), std::string(5000, 'x'),
          EncodeVorbis(Sine(5000, 1, 8000, 100), 1, 8000).substr(0, 40)}) {
        Decoded d;
        Decode(bytes, &d);
        EXPECT_EQ(d.data, nullptr) << bytes.size() << " bytes";
    }
}

// stb_vorbis sizes its comment list from the count before comparing it with the packet,
// and frees the unfilled list when the packet runs out: a crafted count crashed it.
TEST(OggLoader, CommentCountLargerThanItsPacketGivesNull) {
    std::string bytes = EncodeVorbis(Sine(5000, 1, 8000, 100), 1, 8000);
    size_t comments = bytes.find("\x03vorbis");
    ASSERT_NE(comments, std::string::npos);
    uint32_t vendor = 0;
    std::memcpy(&vendor, &bytes[comments + 7], 4);
    bytes.replace(comments + 11 + vendor, 4, "\xff\xff\xff\x7f");
    Decoded d;
    Decode(bytes, &d);
    EXPECT_EQ(d.data, nullptr);
}

namespace {

// One Ogg page of whole packets, each under 255 bytes.
std::string OggPage(int flags, int sequence, const std::vector<std::string>& packets) {
    std::string lacing, body;
    for (const std::string& packet : packets) {
        lacing += static_cast<char>(packet.size());
        body += packet;
    }
    return "OggS" + std::string(1, '\0') + static_cast<char>(flags) + std::string(8, '\0') +
           Le32(1) + Le32(sequence) + Le32(0) + static_cast<char>(lacing.size()) + lacing + body;
}

// A Vorbis setup header of one codebook: its fields packed least significant bit first.
class SetupHeader {
public:
    SetupHeader& Put(uint32_t value, int bits) {
        for (int i = 0; i < bits; ++i, ++at_) {
            if (at_ % 8 == 0) bytes_ += '\0';
            bytes_.back() = static_cast<char>(bytes_.back() | (value >> i & 1) << (at_ % 8));
        }
        return *this;
    }
    // Book count less one, sync pattern, dimensions, entries.
    SetupHeader& Book(uint32_t dimensions, uint32_t entries) {
        return Put(0, 8).Put(0x564342, 24).Put(dimensions, 16).Put(entries, 24);
    }
    // An identification page (mono, 8000 Hz), then comments and this header.
    std::string Stream() const {
        std::string identification = "\x01vorbis" + Le32(0) + '\1' + Le32(8000) +
                                     std::string(12, '\0') + "\xb8\x01";  // blocks 256, 2048
        std::string comments = "\x03vorbis" + Le32(0) + Le32(0) + '\1';
        return OggPage(2, 0, {identification}) +
               OggPage(0, 1, {comments, "\x05vorbis" + bytes_ + std::string(8, '\0')});
    }

private:
    std::string bytes_;
    int at_ = 0;
};

}  // namespace

// stb_vorbis allocates a sparse codebook's lengths (here 1 MB), then rejects the length
// of 32 of its first entry and loses the allocation.
TEST(OggLoader, CodebookWithALengthOf32GivesNullAndKeepsNoMemory) {
    SetupHeader setup;
    setup.Book(1, 1 << 20).Put(0, 1).Put(1, 1).Put(1, 1).Put(31, 5);  // sparse; present; 32
    long before = ProcStatusKb("VmSize");
    Decoded d;
    Decode(setup.Stream(), &d);
    EXPECT_EQ(d.data, nullptr);
    EXPECT_LT(ProcStatusKb("VmSize") - before, 512) << "kB of address space kept";
}

// stb_vorbis sizes the table of 19825 x 54161 floats in int: 4 x 1073741825 bytes wrap to
// 4, and it writes the whole table into them.
TEST(OggLoader, CodebookWhoseLookupTableOverflowsItsSizeGivesNull) {
    SetupHeader setup;
    setup.Book(54161, 19825)
        .Put(1, 1)       // ordered
        .Put(14, 5)      // from length 15,
        .Put(19825, 15)  // all entries: a complete enough code
        .Put(1, 4)       // lookup type 1
        .Put(0, 32)      // minimum
        .Put(0, 32)      // delta
        .Put(0, 4)       // 1-bit values
        .Put(0, 1)       // no sequence
        .Put(1, 1);      // the one value
    Decoded d;
    Decode(setup.Stream(), &d);
    EXPECT_EQ(d.data, nullptr);
}
