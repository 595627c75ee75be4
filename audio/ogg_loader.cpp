// Vorbis decoding: frame by frame into a buffer that doubles while it fills, trimmed once
// at the end.
#include "audio/ogg_loader.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#define STB_VORBIS_HEADER_ONLY
#include <stb/stb_vorbis.h>

namespace {

// Frames kept free before each decode: a Vorbis frame yields at most half of the largest
// block size (8192), so one frame always fits and stb_vorbis never truncates it.
constexpr int kFreeFrames = 4096;

struct VorbisCloser {
    void operator()(stb_vorbis* v) const { stb_vorbis_close(v); }
};
struct FreeDeleter {
    void operator()(short* p) const { std::free(p); }
};

// The packets at the start of an Ogg stream, put together from its pages as stb_vorbis
// reads them: a page is "OggS", 22 bytes of header, a segment count and that many
// segment sizes, then the segments; a packet runs on through segments of 255 bytes,
// across pages if need be, and ends with the first shorter one.
class OggPackets {
public:
    explicit OggPackets(FILE* file) : file_(file) {}

    bool Next(std::vector<unsigned char>* packet) {
        packet->clear();
        for (;;) {
            if (next_ == count_ && !NextPage()) return false;
            size_t size = segments_[next_++];
            packet->resize(packet->size() + size);
            if (std::fread(packet->data() + packet->size() - size, 1, size, file_) != size) {
                return false;
            }
            if (size < 255) return true;
        }
    }

private:
    bool NextPage() {
        unsigned char header[27];
        if (std::fread(header, 1, sizeof header, file_) != sizeof header ||
            std::memcmp(header, "OggS", 4) != 0) {
            return false;
        }
        count_ = header[26];
        next_ = 0;
        return std::fread(segments_, 1, count_, file_) == static_cast<size_t>(count_);
    }

    FILE* file_;
    unsigned char segments_[255];
    int count_ = 0, next_ = 0;
};

// The comment header (the second packet): type, "vorbis", the vendor's length and text,
// the comment count, then each comment's length and text. True when every length and
// the count fit in the packet.
bool CommentLengthsFit(const std::vector<unsigned char>& packet) {
    size_t at = 7;
    auto next32 = [&](uint32_t* value) {
        if (packet.size() < at + 4) return false;
        *value = packet[at] | packet[at + 1] << 8 | packet[at + 2] << 16 |
                 static_cast<uint32_t>(packet[at + 3]) << 24;
        at += 4;
        return true;
    };
    uint32_t vendor = 0, count = 0, length = 0;
    if (!next32(&vendor) || vendor > packet.size() - at) return false;
    at += vendor;
    if (!next32(&count) || count > (packet.size() - at) / 4) return false;
    for (uint32_t i = 0; i < count; ++i) {
        if (!next32(&length) || length > packet.size() - at) return false;
        at += length;
    }
    return true;
}

// stb_vorbis allocates for the vendor text and the comment list by the sizes the header
// claims before it compares them with the packet, and when the packet runs out it frees
// list entries it never filled: a crafted comment header crashes it. So those sizes are
// checked here first, and the stream is put back where it was.
bool CommentHeaderIsSound(FILE* file) {
    long start = std::ftell(file);
    OggPackets packets(file);
    std::vector<unsigned char> identification, comments;
    bool sound =
        packets.Next(&identification) && packets.Next(&comments) && CommentLengthsFit(comments);
    return std::fseek(file, start, SEEK_SET) == 0 && sound;
}

}  // namespace

unsigned char* LoadOGG(FILE* file, int* length, int* channels, int* format, int* hertz) {
    if (!CommentHeaderIsSound(file)) return nullptr;
    int error = 0;
    std::unique_ptr<stb_vorbis, VorbisCloser> vorbis(
        stb_vorbis_open_file(file, /*close_handle_on_close=*/0, &error, nullptr));
    if (!vorbis) return nullptr;
    stb_vorbis_info info = stb_vorbis_get_info(vorbis.get());
    const int chans = info.channels;
    if (chans <= 0) return nullptr;

    const size_t headroom = static_cast<size_t>(chans) * kFreeFrames;
    size_t capacity = headroom;
    size_t used = 0;
    std::unique_ptr<short, FreeDeleter> samples(
        static_cast<short*>(std::malloc(capacity * sizeof(short))));
    if (!samples) return nullptr;

    for (;;) {
        int frames = stb_vorbis_get_frame_short_interleaved(
            vorbis.get(), chans, samples.get() + used, static_cast<int>(capacity - used));
        if (frames <= 0) break;
        used += static_cast<size_t>(frames) * chans;
        if (capacity - used < headroom) {
            capacity *= 2;
            auto* grown =
                static_cast<short*>(std::realloc(samples.get(), capacity * sizeof(short)));
            if (!grown) return nullptr;
            samples.release();
            samples.reset(grown);
        }
    }

    // A stream without a single frame still answers a (one-byte) block, like an empty WAVE.
    size_t bytes = used ? used * sizeof(short) : 1;
    auto* trimmed = static_cast<short*>(std::realloc(samples.get(), bytes));
    if (trimmed) {
        samples.release();
        samples.reset(trimmed);
    }

    *length = static_cast<int>(used / chans);
    *channels = chans;
    *format = 2;
    *hertz = static_cast<int>(info.sample_rate);
    return reinterpret_cast<unsigned char*>(samples.release());
}
