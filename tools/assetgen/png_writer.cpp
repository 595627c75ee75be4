#include "tools/assetgen/png_writer.h"

#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace assetgen {
namespace {

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v >> 24));
    out.push_back(uint8_t(v >> 16));
    out.push_back(uint8_t(v >> 8));
    out.push_back(uint8_t(v));
}

void PutChunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& body) {
    PutU32(out, uint32_t(body.size()));
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), body.begin(), body.end());
    uLong crc = crc32(0L, out.data() + start, uInt(out.size() - start));
    PutU32(out, uint32_t(crc));
}

int Paeth(int a, int b, int c) {
    int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return a;
    return pb <= pc ? b : c;
}

}  // namespace

std::vector<uint8_t> EncodePng(const uint8_t* rgba, int width, int height) {
    const size_t row = size_t(width) * 4;
    // Paeth on every row: one fixed filter keeps the encoder simple and
    // compresses smooth-shaded art about as well as per-row heuristics.
    std::vector<uint8_t> raw((row + 1) * size_t(height));
    for (int y = 0; y < height; ++y) {
        uint8_t* dst = &raw[(row + 1) * size_t(y)];
        const uint8_t* cur = rgba + row * size_t(y);
        const uint8_t* up = y > 0 ? cur - row : nullptr;
        dst[0] = 4;
        for (size_t i = 0; i < row; ++i) {
            int a = i >= 4 ? cur[i - 4] : 0;
            int b = up ? up[i] : 0;
            int c = (up && i >= 4) ? up[i - 4] : 0;
            dst[1 + i] = uint8_t(cur[i] - Paeth(a, b, c));
        }
    }
    uLongf packedSize = compressBound(uLong(raw.size()));
    std::vector<uint8_t> packed(packedSize);
    // Level 6 balances file size against the generator's time budget.
    compress2(packed.data(), &packedSize, raw.data(), uLong(raw.size()), 6);
    packed.resize(packedSize);

    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> ihdr;
    PutU32(ihdr, uint32_t(width));
    PutU32(ihdr, uint32_t(height));
    ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});  // 8-bit RGBA, deflate, no interlace
    PutChunk(out, "IHDR", ihdr);
    PutChunk(out, "IDAT", packed);
    PutChunk(out, "IEND", {});
    return out;
}

std::vector<uint8_t> CairoToRgba(const uint8_t* data, int width, int height, int stride) {
    std::vector<uint8_t> out(size_t(width) * size_t(height) * 4);
    for (int y = 0; y < height; ++y) {
        const uint32_t* src = reinterpret_cast<const uint32_t*>(data + size_t(stride) * size_t(y));
        uint8_t* dst = &out[size_t(width) * 4 * size_t(y)];
        for (int x = 0; x < width; ++x) {
            uint32_t p = src[x];
            uint32_t a = p >> 24;
            uint32_t r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255;
            if (a == 0) {
                r = g = b = 0;
            } else if (a < 255) {
                r = (r * 255 + a / 2) / a;
                g = (g * 255 + a / 2) / a;
                b = (b * 255 + a / 2) / a;
            }
            dst[4 * x + 0] = uint8_t(r > 255 ? 255 : r);
            dst[4 * x + 1] = uint8_t(g > 255 ? 255 : g);
            dst[4 * x + 2] = uint8_t(b > 255 ? 255 : b);
            dst[4 * x + 3] = uint8_t(a);
        }
    }
    return out;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace assetgen
