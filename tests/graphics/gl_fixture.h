// Runs the real renderer in a window of its own under the test display, and reads the
// pixels back. The fixture plays the window code's part: every window it opens is a new
// OpenGL context, so it advances glfwGraphicsSeq.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "graphics/graphics.h"
#include "runtime/host/glfw_game.h"

struct GLFWwindow;

// The GLFW host without its window (the fixture opens its own): maps "kavoro://data/"
// to the build's data folder, loads images through the installed decoder, and counts
// the files it was asked to decode.
class TestHost : public QoGlfwGame {
public:
    String PathToFilePath(String path) override;
    unsigned char* LoadImageData(String path, int* width, int* height, int* depth) override;
    int imageLoads = 0;
};

struct Rgba {
    int r, g, b, a;
};

class GlTest : public ::testing::Test {
public:
    static constexpr int kWidth = 96;
    static constexpr int kHeight = 64;

protected:
    void SetUp() override;
    void TearDown() override;

    // Closes the window (losing every texture) and opens a new one.
    void ReopenWindow();
    // The renderer's frame bracket, as the host's RenderGame does it.
    void Begin();
    void End();

    // Screen pixel (x, y from the top left) through the renderer's read-back.
    Rgba Pixel(int x, int y);
    // Writes the whole window as a PNG, for looking at a failure.
    void SaveScreenshot(const std::string& name);

    // A file in a fresh directory for this test.
    std::string TempPath(const std::string& name);
    // Writes an RGBA (or other depth) PNG; returns its path.
    std::string WritePng(const std::string& name, int width, int height, int depth,
                         const std::vector<unsigned char>& pixels);

    static TestHost* host;
    gxtkGraphics* gfx = nullptr;
    GLFWwindow* window = nullptr;
    std::string tempDir;

private:
    void OpenWindow();
    void CloseWindow();
};

// Colour channels within `tolerance` units: Mesa may round a unit or two differently.
::testing::AssertionResult RgbNear(const Rgba& actual, int r, int g, int b, int tolerance = 3);
