// The level generator: a random walk of overlapping rectangles carves floor out of the
// 128 x 128 grid, scattering gems, stones and (later) trap tiles, ends in a 2 x 2 exit,
// and sets how many gems of each colour the player must collect. A level depends only
// on the seed accumulator, the level size and the progress; every value is drawn from
// the game's one random stream, in 32-bit float arithmetic.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "game/my_app.h"
#include "game/random.h"
#include "game/vocabulary.h"
#include "runtime/platform.h"

namespace {

using grid::CellIndex;
using grid::kFloor;
using grid::kObject;
using namespace tile;

constexpr int kStart = grid::kLevelSize / 2;
constexpr int kClampMargin = 5;

// floor(r * k + b) on a fresh draw, all in float.
int Draw(float k, float b) {
    return static_cast<int>(std::floor(qo_random_Rnd() * k + b));
}

// "Draw r; if r * k - 20 > 3" (or - 30): one draw for the test alone.
bool Chance(float k, float minus) {
    return qo_random_Rnd() * k - minus > 3.0f;
}

bool SameAxis(int d, int previous) {
    return previous != 0 && d % 2 == previous % 2;
}

int Clamp(int value, int size) {
    if (value <= kClampMargin - 1) return kClampMargin;
    if (value >= size - (kClampMargin - 1)) return size - kClampMargin;
    return value;
}

}  // namespace

int c_MyApp::p_ResetGrid() {
    // A level touches only a small part of the 20 MB grid; the rest stays unwritten.
    qoZeroFill(m_Grid.Data(), sizeof(float) * static_cast<size_t>(m_Grid.Length()));
    return 0;
}

int c_MyApp::p_Put(int x, int y, int v) {
    float* cell = m_Grid.Data() + CellIndex(x, y);
    int t = static_cast<int>(cell[kFloor]);
    if (t == 0) {
        t = Draw(kRnd199, 5.0f);
        cell[kFloor] = static_cast<float>(t);
    }
    if (t > 4 && t < 7 && IsColour(v)) {
        t = v;
        cell[kFloor] = static_cast<float>(t);
    }
    // Objects go on plain floor only; trap tiles and the exit are made from plain floor.
    if (t <= kBlue || t >= 9) return 0;
    if (v >= kGemRequest + 1 && v <= kGemRequest + 4)
        cell[kObject] = static_cast<float>(v - kGemRequest);
    if (v == kStoneA || v == kStoneB) {
        cell[kObject] = static_cast<float>(v);
        return 0;
    }
    if (v == kExit) {
        cell[kFloor] = static_cast<float>(kExit);
        // An exit cell carries no object (its surroundings are cleared afterwards too).
        cell[kObject] = 0.0f;
    }
    return 0;
}

// The walk can leave a trap tile under the start, which the dropping cube may collect
// before the player can move, and can end on four trap tiles, which leaves no exit.
// Neither repair draws from the random stream, so every other level stays as it was.
void c_MyApp::RepairStartAndExit(int cx, int cy) {
    float* grid = m_Grid.Data();
    auto floorAt = [&](int x, int y) -> float& { return grid[CellIndex(x, y) + kFloor]; };
    float& start = floorAt(kStart, kStart);
    if (start >= kRed && start <= kBlue) start = static_cast<float>(kPlainA);
    for (int y = cy; y <= cy + 1; ++y)
        for (int x = cx; x <= cx + 1; ++x)
            if (floorAt(x, y) == static_cast<float>(kExit)) return;
    floorAt(cx, cy) = static_cast<float>(kExit);
}

int c_MyApp::p_Clear(int x, int y) {
    for (int cy = y - 2; cy <= y + 2; ++cy) {
        for (int cx = x - 2; cx <= x + 2; ++cx) {
            m_Grid.Data()[CellIndex(cx, cy) + kObject] = 0.0f;
        }
    }
    return 0;
}

int c_MyApp::p_GetLev(int step) {
    using namespace cube;
    float* cube = m_Cube.Data();
    p_ResetGrid();
    cube[kRise] = cube[kDone] = cube[kDelay] = cube[kStuck] = 0.0f;

    int n = step * m_LevelSize;
    cube[kProgress] += static_cast<float>(n);
    cube[kSeed] += static_cast<float>(7 * n);
    p_SeedRnd(static_cast<int>(cube[kSeed]));
    const float progress = cube[kProgress];

    cube[kCol] = cube[kRow] = static_cast<float>(kStart);
    cube[kDrop] = -qo_Game_jscrw;
    cube[kHeight] = 1.0f;
    int cx = kStart, cy = kStart;
    int hw = 1, hh = 1;

    int segments = 3;
    if (m_LevelSize == 2) segments = p_Rand(3.0f, progress + 3.0f);
    if (m_LevelSize == 3) segments = p_Rand(3.0f, 5.0f + progress);
    // Early levels of the smaller sizes have no scattered traps.
    const bool trapsBarred =
        (m_LevelSize == 1 && progress < 6.0f) || (m_LevelSize == 2 && progress < 3.0f);

    int previous = 0;
    for (int s = 0; s <= segments; ++s) {
        int d;
        do {
            d = Draw(kRnd399, 1.0f);
        } while (SameAxis(d, previous));
        previous = d;
        const bool across = d == 2 || d == 4;
        int length = Draw(kRnd499, 4.0f);

        for (int k = 0; k <= length; ++k) {
            hw = Draw(kRnd299, 0.0f);
            hh = Draw(kRnd299, 0.0f);
            // A strip two cells wide across the walk stays passable: no stones in it.
            const bool narrow = across ? hh == 0 : hw == 0;
            for (int x = cx - hw; x <= cx + hw + 1; ++x) {
                for (int y = cy - hh; y <= cy + hh + 1; ++y) {
                    int v = kPlainA;
                    if (Chance(24.0f, 20.0f)) {
                        v = Draw(kRnd299, 1.0f);
                        if (trapsBarred) v = 0;
                    }
                    if (Chance(24.0f, 20.0f))
                        v = Draw(kRnd299Gem, static_cast<float>(kGemRequest + 1));
                    if (Chance(34.0f, 30.0f)) {
                        v = Draw(kRnd199, 7.0f);
                        if (narrow) v = kPlainA;
                    }
                    // Every fifth segment is a gap bridged only by trap tiles.
                    if (s % 5 == 4) {
                        v = 0;
                        if (Draw(kRnd299, 0.0f) == 1) v = Draw(kRnd299, 1.0f);
                    }
                    p_Put(x, y, v);
                }
            }
            switch (d) {
                case 1:
                    --cy;
                    break;
                case 2:
                    ++cx;
                    break;
                case 3:
                    ++cy;
                    break;
                default:
                    --cx;
                    break;
            }
            cx = Clamp(cx, m_GridW);
            cy = Clamp(cy, m_GridH);
        }
    }

    p_Put(cx, cy, kExit);
    p_Put(cx, cy + 1, kExit);
    p_Put(cx + 1, cy, kExit);
    p_Put(cx + 1, cy + 1, kExit);
    p_Put(kStart, kStart, kPlainA);
    RepairStartAndExit(cx, cy);
    p_Clear(cx, cy);
    p_Clear(kStart, kStart);

    int counts[4] = {0, 0, 0, 0};
    const float* grid = m_Grid.Data();
    for (int y = 0; y <= m_GridH; ++y) {
        for (int x = 0; x <= m_GridW; ++x) {
            int object = static_cast<int>(grid[CellIndex(x, y) + kObject]);
            if (IsColour(object)) ++counts[object];
        }
    }

    const int cap = static_cast<int>(2.0f + progress);
    for (int colour = 1; colour <= 3; ++colour) {
        float share = qo_random_Rnd() * 0.4f + 0.4f;
        int wanted = static_cast<int>(std::floor(static_cast<float>(counts[colour]) * share));
        cube[kWanted + colour] = static_cast<float>(std::min(wanted, cap));
    }

    p_PlaySFX(slots::kSfxLevel, 1.0f, 1.0f, 0.0f);
    return 0;
}
