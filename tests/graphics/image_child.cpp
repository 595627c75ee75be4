// Misuses images on purpose, for the tests of the runtime error path.
#include <cstdio>
#include <cstring>

#include "graphics/image.h"
#include "graphics/surface.h"
#include "runtime/errors.h"

namespace {

gxtkSurface* SurfaceOfSize(int width, int height) {
    auto* surface = new gxtkSurface;
    surface->width = width;
    surface->height = height;
    return surface;
}

}  // namespace

int main(int argc, char** argv) {
    gc_init1();
    if (argc < 2) return 2;
    const char* scenario = argv[1];
    if (std::strcmp(scenario, "init-twice") == 0) {
        c_Image* image = (new c_Image)->m_new()->p_Init(SurfaceOfSize(8, 8), 1, 0);
        image->p_Init(SurfaceOfSize(8, 8), 1, 0);
    } else if (std::strcmp(scenario, "grid-overflow") == 0) {
        // 16 frames fit; the 17th wraps to y = 64 and raises the error.
        c_Image* fits =
            (new c_Image)
                ->m_new()
                ->p_Init2(SurfaceOfSize(64, 64), 0, 0, 16, 16, 16, 0, nullptr, 0, 0, 64, 64);
        std::printf("frames placed: %d\n", fits->m_frames.Length());
        std::fflush(stdout);
        (new c_Image)
            ->m_new()
            ->p_Init2(SurfaceOfSize(64, 64), 0, 0, 16, 16, 20, 0, nullptr, 0, 0, 64, 64);
    } else if (std::strcmp(scenario, "frame-too-wide") == 0) {
        (new c_Image)
            ->m_new()
            ->p_Init2(SurfaceOfSize(64, 64), 0, 0, 65, 16, 1, 0, nullptr, 0, 0, 64, 64);
    }
    std::puts("no error");
    return 0;
}
