// Reads just enough of a Vorbis stream's three header packets (identification,
// comments, setup) to find the values stb_vorbis mishandles; see vorbis_headers.h.
#include "audio/vorbis_headers.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

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
            size_t size = segments_[next_++], old = packet->size();
            packet->resize(old + size);
            size_t got = std::fread(packet->data() + old, 1, size, file_);
            packet->resize(old + got);
            if (got != size) return false;
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

// The setup header's bits as stb_vorbis reads them: least significant first, from the
// byte after "vorbis". A read that would run past the packet gives 0 (one of more than
// 24 bits is made of two, as stb_vorbis makes it), and so does every read after it.
class SetupBits {
public:
    explicit SetupBits(const std::vector<unsigned char>& packet)
        : packet_(packet), end_(packet.size() * 8) {}

    uint32_t Read(int n) {
        if (ended_) return 0;
        if (at_ + n > end_) {
            if (n > 24) {
                uint32_t low = Read(24);
                return low + (Read(n - 24) << 24);
            }
            ended_ = true;
            return 0;
        }
        uint32_t value = 0;
        for (int i = 0; i < n; ++i, ++at_) {
            value |= static_cast<uint32_t>(packet_[at_ >> 3] >> (at_ & 7) & 1) << i;
        }
        return value;
    }

    // `count` reads of `n` bits each.
    void Skip(uint64_t count, int n) {
        if (ended_ || count * n > end_ - at_) {
            ended_ = true;
        } else {
            at_ += count * n;
        }
    }

private:
    const std::vector<unsigned char>& packet_;
    uint64_t end_, at_ = 7 * 8;
    bool ended_ = false;
};

// Bits needed to write n.
int BitsFor(uint32_t n) {
    int bits = 0;
    for (; n; n >>= 1) ++bits;
    return bits;
}

// A double made an int as x86 makes it where C leaves it undefined (stb_vorbis does
// this): out of range, or not a number, gives INT_MIN.
int TruncateToInt(double value) {
    return value >= -2147483648.0 && value < 2147483648.0 ? static_cast<int>(value) : INT_MIN;
}

// The number of values in a type 1 lookup table, computed in stb_vorbis's own floating
// point steps so that the same number of bits is skipped; -1 where it rejects the book.
int Lookup1Values(int entries, int dimensions) {
    if (dimensions == 0) return -1;  // where the steps below come out, without dividing by 0
    float logarithm =
        static_cast<float>(std::log(static_cast<double>(static_cast<float>(entries))));
    int r = TruncateToInt(std::floor(std::exp(static_cast<double>(logarithm / dimensions))));
    auto power = [dimensions](int base) {
        return std::pow(static_cast<double>(static_cast<float>(base)), dimensions);
    };
    if (TruncateToInt(std::floor(power(r + 1))) <= entries) ++r;
    if (power(r + 1) <= entries) return -1;
    if (TruncateToInt(std::floor(power(r))) > entries) return -1;
    return r;
}

// The most entries all codebooks of a stream may declare, and the most values their
// lookup tables may hold (entries x dimensions each). The encoders seen write up to about
// 20 000 and 90 000; stb_vorbis allocates for these counts before it reads a single
// entry, and works out the lookup tables' sizes in int, which a crafted book overflows
// into a small block that it then writes gigabytes into.
constexpr uint64_t kMaxCodebookEntries = uint64_t{1} << 21;
constexpr uint64_t kMaxLookupValues = uint64_t{1} << 21;

// The codebooks at the start of the setup header: their count less one, then each book's
// sync pattern, dimensions, entries and code lengths (ordered in runs, or one by one and
// maybe sparse), then its lookup table. False when the books declare more entries or
// lookup values than the limits above, or when a book has a code length of 32, more
// codes than the lengths leave room for (the sum of 2^-length over the codes above 1),
// or is sparse without entries: stb_vorbis rejects those three only after allocating the
// book's lengths, and loses a sparse book's. True where stb_vorbis stops for any other
// reason.
bool CodebooksFit(const std::vector<unsigned char>& setup) {
    SetupBits bits(setup);
    const int books = static_cast<int>(bits.Read(8)) + 1;
    uint64_t allEntries = 0, allLookupValues = 0;
    for (int book = 0; book < books; ++book) {
        if (bits.Read(8) != 0x42 || bits.Read(8) != 0x43 || bits.Read(8) != 0x56) return true;
        uint32_t low = bits.Read(8);
        const uint32_t dimensions = (bits.Read(8) << 8) + low;
        low = bits.Read(8);
        uint32_t middle = bits.Read(8);
        const uint32_t entries = (bits.Read(8) << 16) + (middle << 8) + low;
        const bool ordered = bits.Read(1);
        const bool sparse = !ordered && bits.Read(1);
        if (dimensions == 0 && entries != 0) return true;
        allEntries += entries;
        if (allEntries > kMaxCodebookEntries || (sparse && entries == 0)) return false;
        if (ordered) {
            uint32_t entry = 0;
            for (uint32_t length = bits.Read(5) + 1; entry < entries; ++length) {
                uint32_t run = bits.Read(BitsFor(entries - entry));
                if (length >= 32 || run > entries - entry) return true;
                entry += run;
            }
        } else {
            const uint64_t whole = uint64_t{1} << 31;  // a code of length l takes 2^(31-l)
            uint64_t taken = 0;
            for (uint32_t entry = 0; entry < entries; ++entry) {
                if (sparse && !bits.Read(1)) continue;
                uint32_t length = bits.Read(5) + 1;
                if (length == 32) return false;
                taken += whole >> length;
                if (taken > whole) return false;
            }
        }
        const uint32_t lookup = bits.Read(4);
        if (lookup > 2) return true;
        if (lookup == 0) continue;
        allLookupValues += uint64_t{entries} * dimensions;
        if (allLookupValues > kMaxLookupValues) return false;
        bits.Read(32);  // minimum
        bits.Read(32);  // delta
        const int valueBits = static_cast<int>(bits.Read(4)) + 1;
        bits.Read(1);                            // sequence flag
        uint32_t values = entries * dimensions;  // type 2: one per entry and dimension
        if (lookup == 1) {
            int counted = Lookup1Values(static_cast<int>(entries), static_cast<int>(dimensions));
            if (counted < 0) return true;
            values = static_cast<uint32_t>(counted);
        }
        if (values == 0) return true;
        bits.Skip(values, valueBits);
    }
    return true;
}

}  // namespace

bool VorbisHeadersAreSound(FILE* file) {
    long start = std::ftell(file);
    OggPackets packets(file);
    std::vector<unsigned char> identification, comments, setup;
    // The comment header must be whole; the setup header is read as far as it goes, as
    // stb_vorbis reads it.
    bool sound =
        packets.Next(&identification) && packets.Next(&comments) && CommentLengthsFit(comments);
    if (sound) {
        packets.Next(&setup);
        sound = CodebooksFit(setup);
    }
    return std::fseek(file, start, SEEK_SET) == 0 && sound;
}
