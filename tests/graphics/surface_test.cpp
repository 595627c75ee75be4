// Surfaces: premultiplied pixels kept in memory, textures re-made per context.
#include "graphics/surface.h"

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "graphics/decode_ahead.h"
#include "graphics/image_data.h"
#include "runtime/host/glfw_game.h"
#include "tests/graphics/gl_fixture.h"
#include "tests/support/proc_status.h"

namespace {

class Surface : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        Begin();
        gfx->Cls(0, 0, 0);
    }

    gxtkSurface* Load(const std::string& path) { return gfx->LoadSurface(String(path.c_str())); }
};

TEST_F(Surface, TransparentTexelsLoadAsZeroAndOthersArePremultiplied) {
    std::string path =
        WritePng("texels.png", 3, 1, 4, {255, 0, 255, 0, 200, 100, 50, 128, 10, 20, 30, 255});
    gxtkSurface* surface = Load(path);
    ASSERT_NE(surface, nullptr);
    const unsigned char* p = surface->data;
    EXPECT_EQ(std::vector<int>(p, p + 12),
              (std::vector<int>{0, 0, 0, 0, 100, 50, 25, 128, 10, 20, 30, 255}));
    EXPECT_EQ(surface->Width(), 3);
    EXPECT_EQ(surface->depth, 4);
    EXPECT_EQ(surface->format, static_cast<uint32_t>(GL_RGBA));
}

TEST_F(Surface, GreyWithAlphaIsPremultipliedAndGreyAloneIsKept) {
    gxtkSurface* ga = Load(WritePng("ga.png", 2, 1, 2, {200, 128, 90, 0}));
    ASSERT_NE(ga, nullptr);
    EXPECT_EQ(std::vector<int>(ga->data, ga->data + 4), (std::vector<int>{100, 128, 0, 0}));
    EXPECT_EQ(ga->format, static_cast<uint32_t>(GL_LUMINANCE_ALPHA));
    gxtkSurface* grey = Load(WritePng("g.png", 2, 1, 1, {200, 7}));
    ASSERT_NE(grey, nullptr);
    EXPECT_EQ(std::vector<int>(grey->data, grey->data + 2), (std::vector<int>{200, 7}));
    EXPECT_EQ(grey->format, static_cast<uint32_t>(GL_LUMINANCE));
}

TEST_F(Surface, HalfTransparentTexelBlendsOverTheBackgroundOnce) {
    gxtkSurface* surface = Load(WritePng("half.png", 1, 1, 4, {200, 100, 50, 128}));
    ASSERT_NE(surface, nullptr);
    gfx->Cls(0, 0, 254);
    gfx->SetMatrix(10, 0, 0, 10, 0, 0);
    gfx->DrawSurface(surface, 0, 0);
    End();
    // (100, 50, 25) + (1 - 128/255) of (0, 0, 254).
    EXPECT_TRUE(RgbNear(Pixel(5, 5), 100, 50, 25 + 126));
}

TEST_F(Surface, LoadingCountsTheDecodedBytesForTheCollector) {
    int before = gc_ext_new_bytes.load();
    ASSERT_NE(Load(WritePng("count.png", 5, 3, 4, std::vector<unsigned char>(60, 255))), nullptr);
    EXPECT_EQ(gc_ext_new_bytes.load() - before, 60);
}

// A batch decoded ahead hands each picture over once, in any order, as its file's
// pixels; asked for again it goes on; a new batch drops what the old one still holds.
TEST_F(Surface, PicturesDecodedAheadAreTakenOnceAndANewBatchDropsTheOld) {
    std::string a = WritePng("a.png", 2, 1, 4, {1, 2, 3, 4, 5, 6, 7, 8});
    std::string b = WritePng("b.png", 1, 1, 3, {9, 8, 7});
    std::string missing = a + ".gone";
    unsigned char* pixels = nullptr;
    int w = 0, h = 0, d = 0;
    qoDecodeAhead({a, b, missing}, 64);
    qoDecodeAhead({a, b, missing}, 64);
    ASSERT_TRUE(qoTakeDecodedAhead(missing, &pixels, &w, &h, &d));
    EXPECT_EQ(pixels, nullptr);
    ASSERT_TRUE(qoTakeDecodedAhead(b, &pixels, &w, &h, &d));
    EXPECT_EQ(std::vector<unsigned char>(pixels, pixels + w * h * d),
              (std::vector<unsigned char>{9, 8, 7}));
    std::free(pixels);
    EXPECT_FALSE(qoTakeDecodedAhead(b, &pixels, &w, &h, &d));
    qoDecodeAhead({b}, 64);
    EXPECT_FALSE(qoTakeDecodedAhead(a, &pixels, &w, &h, &d));
    ASSERT_TRUE(qoTakeDecodedAhead(b, &pixels, &w, &h, &d));
    std::free(pixels);
}

TEST_F(Surface, MissingFileGivesNullAndNoTexture) {
    GLuint probe = 0;
    glGenTextures(1, &probe);
    EXPECT_EQ(Load(TempPath("missing.png")), nullptr);
    GLuint next = 0;
    glGenTextures(1, &next);
    EXPECT_EQ(next, probe + 1) << "no texture name was taken by the failed loads";
}

TEST_F(Surface, UndecodableFileGivesNull) {
    std::string path = TempPath("garbage.png");
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fputs("not an image at all", f);
    std::fclose(f);
    EXPECT_EQ(Load(path), nullptr);
}

TEST_F(Surface, PictureWithoutRowsGivesNull) {
    std::string path = TempPath("empty.pgm");
    std::ofstream(path, std::ios::binary) << "P5\n4 0\n255\n";
    EXPECT_EQ(Load(path), nullptr);
}

TEST_F(Surface, PictureWiderThanTheDriverTakesIsRefusedAndOneAtItsLimitLoads) {
    GLint limit = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &limit);
    ASSERT_GT(limit, 0);
    EXPECT_EQ(Load(WritePng("over.png", limit + 1, 1, 1, std::vector<unsigned char>(limit + 1))),
              nullptr);
    EXPECT_NE(Load(WritePng("at.png", limit, 1, 1, std::vector<unsigned char>(limit))), nullptr);
}

TEST_F(Surface, TextureIsMadeAtLoadWithScalesOfItsOwnSize) {
    gxtkSurface* surface =
        Load(WritePng("npot.png", 100, 50, 4, std::vector<unsigned char>(20000, 255)));
    ASSERT_NE(surface, nullptr);
    EXPECT_EQ(surface->seq, glfwGraphicsSeq);
    EXPECT_TRUE(glIsTexture(surface->texture));
    // This driver takes non-power-of-two sizes, so no padding.
    EXPECT_FLOAT_EQ(surface->uscale, 1.0f / 100);
    EXPECT_FLOAT_EQ(surface->vscale, 1.0f / 50);
}

TEST_F(Surface, ReopenedWindowRemakesTheTextureFromKeptPixelsWithoutTheFile) {
    std::string path = WritePng("kept.png", 2, 2, 4,
                                {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 0, 255});
    gxtkSurface* surface = Load(path);
    ASSERT_NE(surface, nullptr);
    std::filesystem::remove(path);
    int loads = host->imageLoads;
    int oldSeq = surface->seq;

    ReopenWindow();
    Begin();
    gfx->Cls(0, 0, 0);
    gfx->SetMatrix(8, 0, 0, 8, 0, 0);
    gfx->DrawSurface(surface, 0, 0);
    End();

    EXPECT_EQ(host->imageLoads, loads) << "no file was asked for again";
    EXPECT_NE(surface->seq, oldSeq);
    EXPECT_EQ(surface->seq, glfwGraphicsSeq);
    EXPECT_TRUE(RgbNear(Pixel(4, 4), 255, 0, 0));
    EXPECT_TRUE(RgbNear(Pixel(12, 4), 0, 255, 0));
    EXPECT_TRUE(RgbNear(Pixel(4, 12), 0, 0, 255));
    EXPECT_TRUE(RgbNear(Pixel(12, 12), 255, 255, 0));
}

TEST_F(Surface, SetSubDataOnACreatedSurfaceAllocatesAndUploadsPremultiplied) {
    gxtkSurface* surface = gfx->CreateSurface(4, 2);
    ASSERT_EQ(surface->data, nullptr);
    EXPECT_EQ(surface->seq, glfwGraphicsSeq) << "CreateSurface binds at once";
    const int src[] = {static_cast<int>(0xff00ff00u), static_cast<int>(0x80c86432u)};
    surface->SetSubData(1, 1, 2, 1, src, 2);
    ASSERT_NE(surface->data, nullptr);
    const unsigned char* row1 = surface->data + 4 * 4;
    EXPECT_EQ(std::vector<int>(row1 + 4, row1 + 12),
              (std::vector<int>{0, 255, 0, 255, 100, 50, 25, 128}));

    gfx->SetMatrix(8, 0, 0, 8, 0, 0);
    gfx->DrawSurface2(surface, 0, 0, 1, 1, 2, 1);
    End();
    EXPECT_TRUE(RgbNear(Pixel(4, 4), 0, 255, 0));
    EXPECT_TRUE(RgbNear(Pixel(12, 4), 100, 50, 25));
}

TEST_F(Surface, SetSubDataOfFullRowsUploadsInOneGo) {
    gxtkSurface* surface = gfx->CreateSurface(2, 2);
    const int src[] = {static_cast<int>(0xffff0000u), static_cast<int>(0xffff0000u),
                       static_cast<int>(0xff0000ffu), static_cast<int>(0xff0000ffu)};
    surface->SetSubData(0, 0, 2, 2, src, 2);
    gfx->SetMatrix(8, 0, 0, 8, 0, 0);
    gfx->DrawSurface(surface, 0, 0);
    End();
    EXPECT_TRUE(RgbNear(Pixel(12, 4), 255, 0, 0));
    EXPECT_TRUE(RgbNear(Pixel(4, 12), 0, 0, 255));
}

TEST_F(Surface, SetSubDataLeavesGreySurfacesAndOutsideRectanglesAlone) {
    gxtkSurface* grey = Load(WritePng("grey.png", 2, 2, 1, {1, 2, 3, 4}));
    ASSERT_NE(grey, nullptr);
    const int src[] = {-1, -1, -1, -1};
    grey->SetSubData(0, 0, 2, 2, src, 2);
    EXPECT_EQ(std::vector<int>(grey->data, grey->data + 4), (std::vector<int>{1, 2, 3, 4}));

    gxtkSurface* rgba = gfx->CreateSurface(2, 2);
    rgba->SetSubData(1, 1, 2, 2, src, 2);
    EXPECT_EQ(rgba->data, nullptr) << "a rectangle reaching outside is refused";
}

TEST_F(Surface, DiscardDeletesTheTextureAndFreesThePixels) {
    gxtkSurface* surface = Load(WritePng("gone.png", 2, 2, 4, std::vector<unsigned char>(16, 9)));
    ASSERT_NE(surface, nullptr);
    GLuint texture = surface->texture;
    EXPECT_EQ(surface->Discard(), 0);
    EXPECT_EQ(surface->data, nullptr);
    EXPECT_EQ(surface->seq, -1);
    EXPECT_FALSE(glIsTexture(texture));
}

TEST_F(Surface, WritePixels2PassesPixelsFromTheOffsetOn) {
    gxtkSurface* surface = gfx->CreateSurface(1, 1);
    Array<int> pixels(3);
    pixels[2] = static_cast<int>(0xff102030u);
    gfx->WritePixels2(surface, pixels, 0, 0, 1, 1, 2, 1);
    ASSERT_NE(surface->data, nullptr);
    EXPECT_EQ(std::vector<int>(surface->data, surface->data + 4),
              (std::vector<int>{0x10, 0x20, 0x30, 0xff}));
}

// Pictures whose headers claim 16000 x 16000 pixels, loaded with no OpenGL context (so
// the fallback limit of 8192 holds): each is refused without its pixels' memory.
std::string Be16(int v) {
    return {char(v >> 8), char(v)};
}
std::string Be32(uint32_t v) {
    return Be16(v >> 16) + Be16(v & 0xffff);
}
std::string Le16(int v) {
    return {char(v), char(v >> 8)};
}
std::string Le32(uint32_t v) {
    return Le16(v & 0xffff) + Le16(v >> 16);
}
constexpr int kHuge = 16000;

std::string PngChunk(const std::string& tag, const std::string& body) {
    std::string both = tag + body;
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(both.data()), both.size());
    return Be32(body.size()) + both + Be32(crc);
}

// A complete black 1-bit picture: 32 MB of rows that compress to a few hundred kB.
std::string HugePng() {
    std::string rows(static_cast<size_t>(kHuge) * (1 + kHuge / 8), '\0');
    uLongf size = compressBound(rows.size());
    std::string packed(size, '\0');
    compress2(reinterpret_cast<Bytef*>(packed.data()), &size,
              reinterpret_cast<const Bytef*>(rows.data()), rows.size(), 1);
    packed.resize(size);
    return "\x89PNG\r\n\x1a\n" +
           PngChunk("IHDR", Be32(kHuge) + Be32(kHuge) + std::string("\x01\0\0\0\0", 5)) +
           PngChunk("IDAT", packed) + PngChunk("IEND", "");
}

std::string JpegSegment(int marker, const std::string& body) {
    return std::string{'\xff', char(marker)} + Be16(body.size() + 2) + body;
}

struct Claim {
    const char* name;
    std::string (*bytes)();
};

const Claim kClaims[] = {
    {"png", HugePng},
    {"bmp",
     [] {
         return "BM" + Le32(54) + Le32(0) + Le32(54) + Le32(40) + Le32(kHuge) + Le32(kHuge) +
                Le16(1) + Le16(24) + std::string(24, '\0');
     }},
    {"tga",
     [] {
         return std::string("\0\0\2\0\0\0\0\0\0\0\0\0", 12) + Le16(kHuge) + Le16(kHuge) +
                std::string("\x18\0", 2);
     }},
    {"gif",
     [] {
         return "GIF89a" + Le16(kHuge) + Le16(kHuge) + std::string("\0\0\0,", 4) + Le32(0) +
                Le16(kHuge) + Le16(kHuge) + std::string("\0\2\0;", 4);
     }},
    {"psd",
     [] {
         return "8BPS" + Be16(1) + std::string(6, '\0') + Be16(3) + Be32(kHuge) + Be32(kHuge) +
                Be16(8) + Be16(3) + std::string(14, '\0');
     }},
    {"jpeg",
     [] {
         std::string table = std::string(1, '\0') + std::string(64, '\1');
         std::string huffman = std::string("\1", 1) + std::string(15, '\0') + '\0';
         return "\xff\xd8" + JpegSegment(0xdb, table) +
                JpegSegment(0xc0,
                            "\x08" + Be16(kHuge) + Be16(kHuge) + std::string("\1\1\x11\0", 4)) +
                JpegSegment(0xc4, '\0' + huffman) + JpegSegment(0xc4, '\x10' + huffman) +
                JpegSegment(0xda, std::string("\1\1\0\0\x3f\0", 6)) + std::string(16, '\0');
     }},
    {"pnm", [] { return std::string("P5\n16000 16000\n255\n"); }},
    {"pic",
     [] {
         return Be32(0x5380F634) + std::string(84, '\0') + "PICT" + Be16(kHuge) + Be16(kHuge) +
                std::string(8, '\0') + std::string("\0\x08\0\xe0", 4);
     }},
};

void PrintTo(const Claim& claim, std::ostream* out) {
    *out << claim.name;
}

// Pictures loaded from a file through the surface loader's hook, with no OpenGL context
// (so the fallback side limit holds).
class PictureFile : public ::testing::Test {
protected:
    // Also keeps in grownKb how far the given peak ("VmHWM" resident, "VmPeak" virtual)
    // grew meanwhile.
    unsigned char* Load(const std::string& bytes, const std::string& peak = "VmHWM") {
        std::string path = (std::filesystem::temp_directory_path() /
                            ("tessory_picture_" + std::to_string(::getpid())))
                               .string();
        std::ofstream(path, std::ios::binary) << bytes;
        int width = 0, height = 0, depth = 0;
        long before = ProcStatusKb(peak);
        unsigned char* pixels = qoLoadImageFile(String(path.c_str()), &width, &height, &depth);
        grownKb = ProcStatusKb(peak) - before;
        std::filesystem::remove(path);
        return pixels;
    }

    long grownKb = 0;
};

class OversizedPicture : public PictureFile, public ::testing::WithParamInterface<Claim> {};

TEST_P(OversizedPicture, IsRefusedBeforeItsPixelsTakeMemory) {
    unsigned char* pixels = Load(GetParam().bytes());
    std::free(pixels);
    EXPECT_EQ(pixels, nullptr);
    EXPECT_LT(grownKb, 64 * 1024) << "peak resident size grew by " << grownKb << " kB";
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, OversizedPicture, ::testing::ValuesIn(kClaims),
                         [](const auto& info) { return std::string(info.param.name); });

// stb_image grows its buffer for a PNG's image data to a chunk's stated length before
// reading the chunk.
TEST_F(PictureFile, PngChunkLongerThanTheFileIsRefusedWithoutReservingItsLength) {
    std::string png = "\x89PNG\r\n\x1a\n" +
                      PngChunk("IHDR", Be32(4) + Be32(3) + std::string("\x08\6\0\0\0", 5)) +
                      Be32(0x3fffffff) + "IDAT" + std::string(64, '\0');
    EXPECT_EQ(Load(png, "VmPeak"), nullptr);
    EXPECT_LT(grownKb, 64 * 1024) << "peak virtual size grew by " << grownKb << " kB";
}

// stb_image decodes a scan with whatever its allocation holds where the table should be.
TEST_F(PictureFile, JpegScanWithAHuffmanTableNeverDefinedIsRefused) {
    std::string dcTable = std::string("\0\1", 2) + std::string(15, '\0') + '\0';
    std::string jpeg =
        "\xff\xd8" + JpegSegment(0xdb, '\0' + std::string(64, '\1')) +
        JpegSegment(0xc2, "\x08" + Be16(8) + Be16(8) + std::string("\1\1\x11\0", 4)) +
        JpegSegment(0xc4, dcTable) + JpegSegment(0xda, std::string("\1\1\0\0\0\0", 6)) +
        std::string(2, '\0') +
        // An AC scan with AC table 0, which no segment defines.
        JpegSegment(0xda, std::string("\1\1\0\1\x3f\0", 6)) + std::string(16, '\x55') + "\xff\xd9";
    // What a reused allocation might hold.
    void* used = std::malloc(1 << 16);
    std::memset(used, 0xff, 1 << 16);
    std::free(used);
    EXPECT_EQ(Load(jpeg), nullptr);
}

// stb_image's PIC decoder carries on with a null buffer when the pixels end early.
TEST_F(PictureFile, SoftimagePicIsRefused) {
    std::string pic = Be32(0x5380F634) + std::string(84, '\0') + "PICT" + Be16(4) + Be16(3) +
                      std::string(8, '\0') + std::string("\0\x08\0\xe0\1", 5);
    EXPECT_EQ(Load(pic), nullptr);
}

}  // namespace
