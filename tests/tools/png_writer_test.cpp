#include "tools/assetgen/png_writer.h"

#include <gtest/gtest.h>
#include <stb_image.h>

#include <cstdint>
#include <vector>

namespace assetgen {
namespace {

std::vector<uint8_t> Pattern(int w, int h) {
    std::vector<uint8_t> px(size_t(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &px[(size_t(y) * w + x) * 4];
            p[0] = uint8_t(x * 37 + y * 11);
            p[1] = uint8_t(x * y);
            p[2] = uint8_t(255 - x * 5);
            p[3] = uint8_t((x + y) % 3 == 0 ? 0 : 40 + y * 7);
        }
    return px;
}

TEST(PngWriter, DecodesBackToTheSamePixels) {
    for (auto [w, h] : {std::pair{1, 1}, {7, 3}, {33, 17}, {128, 64}}) {
        std::vector<uint8_t> px = Pattern(w, h);
        std::vector<uint8_t> png = EncodePng(px.data(), w, h);
        int dw = 0, dh = 0, n = 0;
        uint8_t* back = stbi_load_from_memory(png.data(), int(png.size()), &dw, &dh, &n, 4);
        ASSERT_NE(back, nullptr) << w << "x" << h;
        EXPECT_EQ(dw, w);
        EXPECT_EQ(dh, h);
        EXPECT_EQ(n, 4);
        EXPECT_EQ(std::vector<uint8_t>(back, back + px.size()), px) << w << "x" << h;
        stbi_image_free(back);
    }
}

TEST(PngWriter, SameInputGivesSameBytes) {
    std::vector<uint8_t> px = Pattern(40, 40);
    EXPECT_EQ(EncodePng(px.data(), 40, 40), EncodePng(px.data(), 40, 40));
}

TEST(PngWriter, CairoPixelsAreUnpremultiplied) {
    // ARGB32 native-endian words: opaque orange, half-transparent premultiplied
    // grey, and a fully transparent pixel whose colour must not leak.
    const uint32_t words[3] = {0xFFFF8000u, 0x80404040u, 0x00000000u};
    std::vector<uint8_t> rgba =
        CairoToRgba(reinterpret_cast<const uint8_t*>(words), 3, 1, int(sizeof(words)));
    EXPECT_EQ(std::vector<uint8_t>(rgba.begin(), rgba.begin() + 4),
              (std::vector<uint8_t>{255, 128, 0, 255}));
    EXPECT_EQ(std::vector<uint8_t>(rgba.begin() + 4, rgba.begin() + 8),
              (std::vector<uint8_t>{128, 128, 128, 128}));
    EXPECT_EQ(std::vector<uint8_t>(rgba.begin() + 8, rgba.end()),
              (std::vector<uint8_t>{0, 0, 0, 0}));
}

}  // namespace
}  // namespace assetgen
