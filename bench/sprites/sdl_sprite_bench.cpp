// The same scene as sprite_bench, drawn by SDL2's renderer on its OpenGL driver: one
// SDL_RenderCopyExF per sprite with a colour mod for the tint.
#include <SDL.h>

#include <chrono>
#include <cstdio>

#include "bench/sprites/sprite_scene.h"

namespace {

void RenderFrame(SDL_Renderer* renderer, SDL_Texture* texture, int size,
                 std::vector<sprites::Sprite>& scene) {
    SDL_SetRenderDrawColor(renderer, 16, 16, 32, 255);
    SDL_RenderClear(renderer);
    float half = size * 0.5f;
    SDL_FPoint centre{half, half};
    for (sprites::Sprite& s : scene) {
        SDL_SetTextureColorMod(texture, s.r, s.g, s.b);
        SDL_FRect dst{s.x - half, s.y - half, static_cast<float>(size), static_cast<float>(size)};
        // SDL turns clockwise for positive angles; ours turn counter-clockwise.
        SDL_RenderCopyExF(renderer, texture, nullptr, &dst, -s.angle, &centre, SDL_FLIP_NONE);
        s.angle += s.spin;
    }
    SDL_RenderPresent(renderer);
}

}  // namespace

int main(int argc, char** argv) {
    sprites::Options options = sprites::ParseOptions(argc, argv);
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "opengl");
    SDL_SetHint(SDL_HINT_RENDER_BATCHING, "1");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "SDL_Init: %s\n", SDL_GetError());
        return 1;
    }
    SDL_Window* window =
        SDL_CreateWindow("sdl_sprite_bench", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                         sprites::kScreenWidth, sprites::kScreenHeight, SDL_WINDOW_OPENGL);
    SDL_Renderer* renderer =
        window ? SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED) : nullptr;
    if (!renderer) {
        std::fprintf(stderr, "SDL renderer: %s\n", SDL_GetError());
        return 1;
    }
    SDL_RendererInfo info;
    SDL_GetRendererInfo(renderer, &info);

    std::vector<uint8_t> rgba = sprites::SpritePixels(options.size);
    SDL_Texture* texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ABGR8888,
                                             SDL_TEXTUREACCESS_STATIC, options.size, options.size);
    SDL_UpdateTexture(texture, nullptr, rgba.data(), options.size * 4);
    SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_BLEND);
    SDL_SetTextureScaleMode(texture, SDL_ScaleModeNearest);

    std::vector<sprites::Sprite> scene = sprites::MakeSprites(options.count);
    for (int i = 0; i < 10; ++i) RenderFrame(renderer, texture, options.size, scene);
    using Clock = std::chrono::steady_clock;
    auto start = Clock::now();
    int frames = 0;
    double elapsed = 0;
    while (elapsed < options.seconds) {
        RenderFrame(renderer, texture, options.size, scene);
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
        }
        ++frames;
        elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    }
    char name[64];
    std::snprintf(name, sizeof name, "sdl2-%s", info.name);
    sprites::Report(name, options, frames, elapsed);
    SDL_DestroyTexture(texture);
    SDL_DestroyRenderer(renderer);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}
