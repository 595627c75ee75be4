#include "tests/graphics/gl_fixture.h"

#include <GLFW/glfw3.h>
#include <stb_image_write.h>

#include <cstdlib>
#include <filesystem>

#include "graphics/image_data.h"
#include "runtime/host/glfw_game.h"

TestHost* GlTest::host = nullptr;

String TestHost::PathToFilePath(String path) {
    String prefix("kavoro://data/");
    if (path.StartsWith(prefix)) return String(TESSORY_DATA_DIR "/") + path.Slice(prefix.Length());
    return path;
}

unsigned char* TestHost::LoadImageData(String path, int* width, int* height, int* depth) {
    ++imageLoads;
    if (!qoImageDataLoader) return nullptr;
    return qoImageDataLoader(PathToFilePath(path), width, height, depth);
}

::testing::AssertionResult RgbNear(const Rgba& actual, int r, int g, int b, int tolerance) {
    if (std::abs(actual.r - r) <= tolerance && std::abs(actual.g - g) <= tolerance &&
        std::abs(actual.b - b) <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "pixel (" << actual.r << ", " << actual.g << ", " << actual.b << ") expected (" << r
           << ", " << g << ", " << b << ") within " << tolerance;
}

void GlTest::SetUp() {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display to open a window on";
    static bool glfwReady = glfwInit() == GLFW_TRUE;
    ASSERT_TRUE(glfwReady) << "glfwInit failed with DISPLAY set";
    if (!host) host = new TestHost;
    host->imageLoads = 0;
    OpenWindow();
    ASSERT_NE(window, nullptr);
    gfx = new gxtkGraphics;
    qo_graphics_Init();
    qo_graphics_SetGraphicsDevice(gfx);

    tempDir = (std::filesystem::temp_directory_path() /
               ("tessory_graphics_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name()))
                  .string();
    std::filesystem::create_directories(tempDir);
}

void GlTest::TearDown() {
    CloseWindow();
    if (!tempDir.empty()) std::filesystem::remove_all(tempDir);
}

void GlTest::OpenWindow() {
    glfwWindowHint(GLFW_RESIZABLE, GLFW_FALSE);
    glfwWindowHint(GLFW_ALPHA_BITS, 0);
    window = glfwCreateWindow(kWidth, kHeight, "graphics test", nullptr, nullptr);
    if (!window) return;
    glfwMakeContextCurrent(window);
    ++glfwGraphicsSeq;
}

void GlTest::CloseWindow() {
    if (!window) return;
    glfwMakeContextCurrent(nullptr);
    glfwDestroyWindow(window);
    window = nullptr;
}

void GlTest::ReopenWindow() {
    CloseWindow();
    OpenWindow();
    ASSERT_NE(window, nullptr);
}

void GlTest::Begin() {
    gfx->BeginRender();
    qo_graphics_BeginRender();
}

void GlTest::End() {
    qo_graphics_EndRender();
    gfx->EndRender();
}

Rgba GlTest::Pixel(int x, int y) {
    Array<int> one(1);
    gfx->ReadPixels(one, x, y, 1, 1, 0, 1);
    auto p = static_cast<uint32_t>(one[0]);
    return {static_cast<int>(p >> 16 & 0xff), static_cast<int>(p >> 8 & 0xff),
            static_cast<int>(p & 0xff), static_cast<int>(p >> 24)};
}

void GlTest::SaveScreenshot(const std::string& name) {
    Array<int> pixels(kWidth * kHeight);
    gfx->ReadPixels(pixels, 0, 0, kWidth, kHeight, 0, kWidth);
    std::vector<unsigned char> rgb(kWidth * kHeight * 3);
    for (int i = 0; i < kWidth * kHeight; ++i) {
        auto p = static_cast<uint32_t>(pixels[i]);
        rgb[i * 3] = p >> 16 & 0xff;
        rgb[i * 3 + 1] = p >> 8 & 0xff;
        rgb[i * 3 + 2] = p & 0xff;
    }
    stbi_write_png(name.c_str(), kWidth, kHeight, 3, rgb.data(), kWidth * 3);
}

std::string GlTest::TempPath(const std::string& name) {
    return tempDir + "/" + name;
}

std::string GlTest::WritePng(const std::string& name, int width, int height, int depth,
                             const std::vector<unsigned char>& pixels) {
    std::string path = TempPath(name);
    EXPECT_NE(stbi_write_png(path.c_str(), width, height, depth, pixels.data(), width * depth), 0);
    return path;
}
