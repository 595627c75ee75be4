// The scene both sprite benchmarks draw, so they do the same work: N sprites with
// positions, angles and tints from one seeded stream, the same sprite picture, and the
// same command line.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace sprites {

constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;

struct Options {
    int count = 5000;
    int size = 32;
    double seconds = 3.0;
};

inline Options ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--sprites")) options.count = std::atoi(argv[i + 1]);
        if (!std::strcmp(argv[i], "--size")) options.size = std::atoi(argv[i + 1]);
        if (!std::strcmp(argv[i], "--seconds")) options.seconds = std::atof(argv[i + 1]);
    }
    return options;
}

struct Sprite {
    float x, y;
    float angle, spin;  // degrees, degrees per frame
    uint8_t r, g, b;
};

inline std::vector<Sprite> MakeSprites(int count) {
    uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) / 16777216.0f;
    };
    std::vector<Sprite> sprites(count);
    for (Sprite& s : sprites) {
        s.x = next() * kScreenWidth;
        s.y = next() * kScreenHeight;
        s.angle = next() * 360;
        s.spin = next() * 4 - 2;
        s.r = static_cast<uint8_t>(128 + next() * 127);
        s.g = static_cast<uint8_t>(128 + next() * 127);
        s.b = static_cast<uint8_t>(128 + next() * 127);
    }
    return sprites;
}

// A white disc with a soft edge and a dark mark, as straight (not premultiplied) RGBA.
inline std::vector<uint8_t> SpritePixels(int size) {
    std::vector<uint8_t> rgba(static_cast<size_t>(size) * size * 4);
    float c = (size - 1) * 0.5f;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            float dx = x - c, dy = y - c;
            float d2 = (dx * dx + dy * dy) / ((c + 0.5f) * (c + 0.5f));
            uint8_t* p = &rgba[(static_cast<size_t>(y) * size + x) * 4];
            uint8_t v = (x < size / 2 && y < size / 2) ? 96 : 255;
            p[0] = p[1] = p[2] = v;
            p[3] = d2 <= 1.0f ? 255 : 0;
        }
    }
    return rgba;
}

inline void Report(const char* name, const Options& options, int frames, double seconds) {
    std::printf("%s sprites=%d size=%d frames=%d seconds=%.2f fps=%.2f\n", name, options.count,
                options.size, frames, seconds, frames / seconds);
}

}  // namespace sprites
