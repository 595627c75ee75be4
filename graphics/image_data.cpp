#include "graphics/image_data.h"

#include <GL/gl.h>
#include <stb_image.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <numeric>
#include <vector>

#include "graphics/decode_ahead.h"
#include "runtime/device_host.h"
#include "runtime/gc/collector.h"
#include "runtime/platform.h"

int qoMaxImageSide() {
    GLint side = 0;
    QoDeviceHost* host = QoDeviceHost::Current();
    if (host && host->HasGraphicsContext()) glGetIntegerv(GL_MAX_TEXTURE_SIZE, &side);
    return side > 0 ? side : kQoFallbackMaxImageSide;
}

namespace {

// Puts a stream back where it was when it goes out of scope.
class KeepPosition {
public:
    explicit KeepPosition(FILE* file) : file_(file), at_(std::ftell(file)) {}
    ~KeepPosition() { std::fseek(file_, at_, SEEK_SET); }

private:
    FILE* file_;
    long at_;
};

// stb_image grows its buffer for a PNG's image data to each chunk's stated length before
// reading the chunk, so a few bytes could reserve 2 GB. True unless the stream is a PNG
// with a chunk that runs past its end.
bool PngChunksFit(FILE* file) {
    KeepPosition keep(file);
    const long start = std::ftell(file);
    unsigned char head[8];
    if (std::fread(head, 1, 8, file) != 8 || std::memcmp(head, "\x89PNG\r\n\x1a\n", 8) != 0 ||
        std::fseek(file, 0, SEEK_END) != 0) {
        return true;
    }
    const long end = std::ftell(file);
    std::fseek(file, start + 8, SEEK_SET);
    // Chunk by chunk: length, type, that many bytes and a checksum, up to IEND.
    while (std::fread(head, 1, 8, file) == 8 && std::memcmp(head + 4, "IEND", 4) != 0) {
        uint32_t length =
            static_cast<uint32_t>(head[0]) << 24 | head[1] << 16 | head[2] << 8 | head[3];
        if (length > static_cast<unsigned long>(end - std::ftell(file))) return false;
        std::fseek(file, static_cast<long>(length) + 4, SEEK_CUR);
    }
    return true;
}

// The next JPEG marker: the byte after an 0xFF that is neither fill (more 0xFF) nor a
// stuffed zero inside entropy-coded data. EOF at the end of the stream.
int NextJpegMarker(FILE* file) {
    int c = std::fgetc(file);
    for (;;) {
        while (c != EOF && c != 0xFF) c = std::fgetc(file);
        while (c == 0xFF) c = std::fgetc(file);
        if (c != 0x00) return c;
        c = std::fgetc(file);
    }
}

// A scan header: the component count, per component its id and its DC (high nibble) and
// AC (low nibble) table, then the spectral start, end and approximation bits. Baseline
// scans decode with both tables of each component; progressive ones with the DC table in
// a first DC scan and with the AC table in AC scans. `defined` has bit 4 x class + id.
bool ScanHasItsTables(const std::vector<unsigned char>& scan, bool progressive, unsigned defined) {
    size_t components = scan.empty() ? 0 : scan[0];
    if (scan.size() < 4 + 2 * components) return true;  // stb_image refuses it itself
    int start = scan[1 + 2 * components], approximation = scan[3 + 2 * components] >> 4;
    bool dc = !progressive || (start == 0 && approximation == 0);
    bool ac = !progressive || start > 0;
    for (size_t i = 0; i < components; ++i) {
        int tables = scan[2 + 2 * i];
        if ((dc && !(defined >> (tables >> 4) & 1)) ||
            (ac && !(defined >> (4 + (tables & 15)) & 1))) {
            return false;
        }
    }
    return true;
}

// stb_image decodes a scan with whatever its Huffman tables hold, and a table the file
// never defined holds the garbage of a reused allocation: a crafted JPEG makes it read far
// outside them. True unless the stream is a JPEG with a scan that uses a table no earlier
// segment defined.
bool JpegScansHaveTheirTables(FILE* file) {
    KeepPosition keep(file);
    if (std::fgetc(file) != 0xFF || std::fgetc(file) != 0xD8) return true;
    unsigned defined = 0;
    bool progressive = false;
    std::vector<unsigned char> segment;
    for (;;) {
        int marker = NextJpegMarker(file);
        if (marker == EOF || marker == 0xD9) return true;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length
        int high = std::fgetc(file), low = std::fgetc(file);
        if (low == EOF || (high << 8 | low) < 2) return true;
        segment.resize((high << 8 | low) - 2);
        if (std::fread(segment.data(), 1, segment.size(), file) != segment.size()) return true;
        if (marker >= 0xC0 && marker <= 0xC2) {
            progressive = marker == 0xC2;
        } else if (marker == 0xC4) {
            // Tables: class and id, 16 code counts, then that many symbols.
            for (size_t at = 0; at + 17 <= segment.size();) {
                int table = segment[at];
                auto counts = segment.begin() + static_cast<long>(at) + 1;
                at += 17 + std::accumulate(counts, counts + 16, size_t{0});
                if (table >> 4 > 1 || (table & 15) > 3 || at > segment.size()) break;
                defined |= 1u << (4 * (table >> 4) + (table & 15));
            }
        } else if (marker == 0xDA && !ScanHasItsTables(segment, progressive, defined)) {
            return false;
        }
    }
}

// stb_image's Softimage PIC decoder goes on with a null buffer when the pixel data ends
// early, and aborts on a malformed packet, so no PIC is handed to it: the magic number at
// the start and "PICT" at byte 88, the two marks stb_image knows the format by. The game
// ships no such picture.
bool IsSoftimagePic(FILE* file) {
    KeepPosition keep(file);
    unsigned char head[92];
    return std::fread(head, 1, sizeof head, file) == sizeof head &&
           std::memcmp(head, "\x53\x80\xf6\x34", 4) == 0 && std::memcmp(head + 88, "PICT", 4) == 0;
}

}  // namespace

unsigned char* qoDecodeImage(FILE* file, int maxSide, int* width, int* height, int* depth) {
    // stbi_info reads the header only and puts the stream back where it was; every
    // format stb_image decodes is sized here first. A picture without pixels could
    // never be drawn either. Then the inputs on which stb_image's own decoders go wrong.
    int w = 0, h = 0, n = 0;
    if (!stbi_info_from_file(file, &w, &h, &n) || w < 1 || h < 1 || w > maxSide || h > maxSide) {
        return nullptr;
    }
    if (!PngChunksFit(file) || !JpegScansHaveTheirTables(file) || IsSoftimagePic(file)) {
        return nullptr;
    }
    return stbi_load_from_file(file, width, height, depth, 0);
}

unsigned char* qoDecodeImageFile(const std::string& path, int maxSide, int* width, int* height,
                                 int* depth) {
    std::string why;
    std::unique_ptr<FILE, int (*)(FILE*)> file(qoOpenRegularFile(path, &why), &std::fclose);
    if (!file) return nullptr;
    return qoDecodeImage(file.get(), maxSide, width, height, depth);
}

unsigned char* qoLoadImageFile(const String& filePath, int* width, int* height, int* depth) {
    std::string path = qoEncodePath(filePath);
    unsigned char* pixels = nullptr;
    if (!qoTakeDecodedAhead(path, &pixels, width, height, depth)) {
        pixels = qoDecodeImageFile(path, qoMaxImageSide(), width, height, depth);
    }
    if (!pixels) return nullptr;
    gc_ext_malloced(*width * *height * *depth);
    return pixels;
}

void qoInstallImageDataLoader() {
    if (!qoImageDataLoader) qoImageDataLoader = &qoLoadImageFile;
}
