// Draws N textured, tinted, rotated sprites per frame through qo_graphics_DrawImage2 on
// the real renderer and reports frames per second. Compare with sdl_sprite_bench.
#include <GLFW/glfw3.h>

#include <chrono>
#include <cstdio>

#include "bench/sprites/sprite_scene.h"
#include "graphics/graphics.h"
#include "runtime/host/app.h"
#include "runtime/host/glfw_game.h"
#include "runtime/platform.h"

// The host library's entry calls the translated program; this program has none.
void qoInit() {}
void qoMain() {}

namespace {

int RenderFrame(gxtkGraphics* gfx, c_Image* image, std::vector<sprites::Sprite>& scene) {
    gfx->BeginRender();
    qo_graphics_BeginRender();
    gfx->Cls(16, 16, 32);
    for (sprites::Sprite& s : scene) {
        qo_graphics_SetColor(s.r, s.g, s.b);
        qo_graphics_DrawImage2(image, s.x, s.y, s.angle, 1, 1, 0);
        s.angle += s.spin;
    }
    qo_graphics_EndRender();
    gfx->EndRender();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    sprites::Options options = sprites::ParseOptions(argc, argv);
    qoTuneAllocator();  // as the game's own start does
    gc_init1();
    if (!glfwInit()) return 1;
    GLFWwindow* window = glfwCreateWindow(sprites::kScreenWidth, sprites::kScreenHeight,
                                          "sprite_bench", nullptr, nullptr);
    if (!window) return 1;
    glfwMakeContextCurrent(window);
    glfwSwapInterval(0);
    ++glfwGraphicsSeq;

    QoGlfwGame host;  // tells the renderer about the context made above
    auto* gfx = new gxtkGraphics;
    qo_graphics_Init();
    qo_graphics_SetGraphicsDevice(gfx);
    c_Image* image = qo_graphics_CreateImage(options.size, options.size, 1, c_Image::kMidHandle);
    std::vector<uint8_t> rgba = sprites::SpritePixels(options.size);
    Array<int> argb(options.size * options.size);
    for (int i = 0; i < argb.Length(); ++i) {
        const uint8_t* p = &rgba[static_cast<size_t>(i) * 4];
        argb[i] =
            static_cast<int>(static_cast<uint32_t>(p[3]) << 24 | p[0] << 16 | p[1] << 8 | p[2]);
    }
    gfx->WritePixels2(image->m_surface, argb, 0, 0, options.size, options.size, 0, options.size);

    std::vector<sprites::Sprite> scene = sprites::MakeSprites(options.count);
    for (int i = 0; i < 10; ++i) {  // warm-up: textures, driver caches
        RenderFrame(gfx, image, scene);
        glfwSwapBuffers(window);
    }
    gfx->stats.Reset();
    using Clock = std::chrono::steady_clock;
    auto start = Clock::now();
    int frames = 0;
    double elapsed = 0;
    while (elapsed < options.seconds) {
        RenderFrame(gfx, image, scene);
        glfwSwapBuffers(window);
        glfwPollEvents();
        ++frames;
        elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    }
    sprites::Report("kavoro", options, frames, elapsed);
    std::printf("kavoro draw calls per frame=%.1f vertices per frame=%.0f\n",
                static_cast<double>(gfx->stats.drawCalls) / frames,
                static_cast<double>(gfx->stats.vertices) / frames);
    glfwDestroyWindow(window);
    glfwTerminate();
    return 0;
}
