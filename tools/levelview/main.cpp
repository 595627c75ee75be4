// levelview: the level the game would generate from a cube state, as text and as a
// picture. Usage:
//   tessory_levelview --accumulator A --size 1|2|3 --progress P [--png FILE] [--data DIR]
// A and P are the seed accumulator and progress as they stand before the level is made
// (a game's first level: A as drawn at the start, P = 0); the level is seeded from
// A + 7 x size and played at progress P + size, as the game does.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "game/my_app.h"
#include "game/vocabulary.h"
#include "runtime/host/app.h"
#include "tools/levelview/level_picture.h"

namespace {

constexpr int kGridSize = grid::kLevelSize;

char Symbol(int floor, int object) {
    using namespace tile;
    switch (object) {
        case kRed:
            return 'R';
        case kGreen:
            return 'G';
        case kBlue:
            return 'B';
        case kStoneA:
            return '#';
        case kStoneB:
            return '%';
        default:
            break;
    }
    switch (floor) {
        case kNone:
            return ' ';
        case kRed:
            return 'r';
        case kGreen:
            return 'g';
        case kBlue:
            return 'b';
        case kPlainA:
            return '.';
        case kPlainB:
            return ':';
        case kExit:
            return 'E';
        default:
            return '?';
    }
}

int Usage() {
    std::fprintf(stderr,
                 "usage: tessory_levelview --accumulator A --size 1|2|3 --progress P [--png FILE] "
                 "[--data DIR]\n");
    return 2;
}

bool ParseNumber(const char* text, double* value) {
    char* end = nullptr;
    *value = std::strtod(text, &end);
    // strtod takes "nan" and "inf", which no range check below would catch.
    return end != text && *end == '\0' && std::isfinite(*value);
}

}  // namespace

int main(int argc, char** argv) {
    double accumulator = -1, progress = -1, size = -1;
    std::string png, dataDir = TESSORY_DATA_DIR;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (!hasValue) return Usage();
        const char* value = argv[++i];
        const char* flag = argv[i - 1];
        bool ok = true;
        if (std::strcmp(flag, "--accumulator") == 0) {
            ok = ParseNumber(value, &accumulator);
        } else if (std::strcmp(flag, "--size") == 0) {
            ok = ParseNumber(value, &size);
        } else if (std::strcmp(flag, "--progress") == 0) {
            ok = ParseNumber(value, &progress);
        } else if (std::strcmp(flag, "--png") == 0) {
            png = value;
        } else if (std::strcmp(flag, "--data") == 0) {
            dataDir = value;
        } else {
            ok = false;
        }
        if (!ok) return Usage();
    }
    // Keep the seed within what a float holds and the progress within a sane game.
    if (accumulator < 0 || accumulator > 1e9 || progress < 0 || progress > 100000 ||
        (size != 1 && size != 2 && size != 3)) {
        return Usage();
    }

    qo_runtime_Init();
    qo_Game_Init();
    c_MyApp* app = (new c_MyApp)->m_new();
    app->m_GridW = app->m_GridH = kGridSize;
    app->m_LevelSize = static_cast<int>(size);
    app->m_Cube[cube::kSeed] = static_cast<float>(accumulator);
    app->m_Cube[cube::kProgress] = static_cast<float>(progress);
    app->p_GetLev(1);

    std::vector<LevelCell> cells(static_cast<size_t>(kGridSize + 1) * (kGridSize + 1));
    const float* grid = app->m_Grid.Data();
    int minX = kGridSize, minY = kGridSize, maxX = 0, maxY = 0;
    int gems[4] = {0, 0, 0, 0};
    for (int y = 0; y <= kGridSize; ++y)
        for (int x = 0; x <= kGridSize; ++x) {
            const float* cell = grid + grid::CellIndex(x, y);
            LevelCell& out = cells[static_cast<size_t>(y) * (kGridSize + 1) + x];
            out.floor = static_cast<int>(cell[grid::kFloor]);
            out.object = static_cast<int>(cell[grid::kObject]);
            if (tile::IsColour(out.object)) ++gems[out.object];
            if (out.floor == 0) continue;
            minX = std::min(minX, x), maxX = std::max(maxX, x);
            minY = std::min(minY, y), maxY = std::max(maxY, y);
        }

    const float* cube = app->m_Cube.Data();
    using namespace cube;
    const int startX = static_cast<int>(cube[kCol]), startY = static_cast<int>(cube[kRow]);
    std::printf("seed accumulator %.0f, size %d, progress %.0f\n", cube[kSeed], app->m_LevelSize,
                cube[kProgress]);
    std::printf("targets: red %.0f of %d, green %.0f of %d, blue %.0f of %d\n", cube[kWanted + 1],
                gems[1], cube[kWanted + 2], gems[2], cube[kWanted + 3], gems[3]);
    std::printf(
        "columns %d..%d, rows %d..%d; S start, E exit, . : floor, r g b traps, R G B gems, # %% "
        "stones\n",
        minX, maxX, minY, maxY);
    for (int y = minY; y <= maxY; ++y) {
        std::string line;
        for (int x = minX; x <= maxX; ++x) {
            const LevelCell& cell = cells[static_cast<size_t>(y) * (kGridSize + 1) + x];
            line += x == startX && y == startY ? 'S' : Symbol(cell.floor, cell.object);
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        std::printf("%s\n", line.c_str());
    }

    if (!png.empty()) {
        std::string error;
        LevelPicture picture = DrawLevel(cells, kGridSize, startX, startY, dataDir, &error);
        if (picture.width == 0) {
            std::fprintf(stderr, "levelview: %s\n", error.c_str());
            return 1;
        }
        if (!SavePng(picture, png)) {
            std::fprintf(stderr, "levelview: cannot write %s\n", png.c_str());
            return 1;
        }
        std::printf("picture: %s (%d x %d)\n", png.c_str(), picture.width, picture.height);
    }
    return 0;
}
