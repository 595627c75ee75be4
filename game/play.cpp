// The play screen: one update of the rolling cube over the generated level, drawn in an
// isometric view, with the camera, collecting, trap tiles, the exit, falling, the
// flying pieces, the head-up counters and the pause entry.
#include <algorithm>
#include <cstring>

#include "game/my_app.h"
#include "game/random.h"
#include "runtime/host/app.h"

namespace {

constexpr int kGridStride = 160;
constexpr int kCellFloats = 20;
constexpr int kGridRows = c_MyApp::kGridFloats / (kGridStride * kCellFloats);
constexpr int kFloor = 0;
constexpr int kTrail = 9;
constexpr int kObject = 10;

// A roll takes 16 steps of a sixteenth of a cell.
constexpr float kRollStep = 0.0625f;
constexpr int kRollSteps = 16;
// Rolls completed before a cell rested on can be entered again.
constexpr float kTrailLength = 16.0f;
constexpr float kMoveDelay = 12.0f;
// Lowered by this every update, a held direction rolls again about every 21 updates.
constexpr float kMoveDelayDecay = 0.58f;
constexpr float kStickDeadZone = 0.25f;
constexpr int kStuckLimit = 30;
constexpr int kPieces = 100;
constexpr int kGemPieces = 10;
constexpr int kPieceFloats = 10;
constexpr int kLevelImage = 9;
constexpr int kPauseImage = 97;

// Cube elements.
enum : int {
    kCol = 1, kRow = 2, kRollX = 3, kRollY = 4,
    kDir = 11, kStep = 12, kColour = 13, kColours = 14,
    kHeight = 22, kLeft = 30,  // kLeft + c: gems of colour c still wanted
    kDrop = 42, kRise = 43, kDone = 44, kDelay = 45, kStuck = 47, kSlow = 67,
};

enum Direction : int { kResting = -1, kDown = 0, kUp = 1, kRight = 2, kLeftward = 3 };

float WorldX(float col, float row) { return row * 8.0f + col * 32.0f; }
float WorldY(float col, float row, int layer) { return row * 22.0f - col * 5.5f - static_cast<float>(layer) * 18.0f; }

// The cell at (x, y), or null outside the stored grid.
float* CellAt(const Array<float>& grid, int x, int y) {
    if (x < 0 || x >= kGridStride || y < 0 || y >= kGridRows) return nullptr;
    return grid.Data() + (y * kGridStride + x) * kCellFloats;
}

bool Free(const float* cell) { return cell != nullptr && cell[kTrail] <= 0 && cell[kObject] <= 0; }

// Sends a piece flying from a world position; none when every slot 0..10 is taken.
void Launch(Array<float>& objs, float code, float x, float y, float sign) {
    for (int i = 0; i <= kGemPieces; ++i) {
        float* piece = objs.Data() + i * kPieceFloats;
        if (piece[0] != 0) continue;
        piece[0] = code;
        piece[1] = x;
        piece[2] = y;
        piece[4] = 0;
        piece[5] = sign;
        return;
    }
}

}  // namespace

int c_MyApp::p_ResetPlayers() {
    std::fill(m_Cube.Data(), m_Cube.Data() + 500, 0.0f);
    return 0;
}

int c_MyApp::p_ResetObj() {
    std::fill(m_Objs.Data(), m_Objs.Data() + m_Objs.Length(), 0.0f);
    return 0;
}

int c_MyApp::p_Collect(int x, int y) {
    float* cell = CellAt(m_Grid, x, y);
    if (cell == nullptr) return 0;
    float wx = WorldX(static_cast<float>(x), static_cast<float>(y)) + cell[kObject + 1];
    float wy = WorldY(static_cast<float>(x), static_cast<float>(y), 1) + cell[kObject + 2];
    m_Score += 25;
    Launch(m_Objs, cell[kObject], wx, wy, -1.0f);
    cell[kObject] = 0;
    p_PlaySFX(6, 0.7f + qo_random_Rnd() * 0.6f, 1.0f, 0.0f);
    return 0;
}

int c_MyApp::p_CollectB(int x, int y) {
    float* cell = CellAt(m_Grid, x, y);
    if (cell == nullptr) return 0;
    float wx = WorldX(static_cast<float>(x), static_cast<float>(y)) + cell[kFloor + 1];
    float wy = WorldY(static_cast<float>(x), static_cast<float>(y), 0) + cell[kFloor + 2];
    Launch(m_Objs, cell[kFloor], wx, wy, 1.0f);
    cell[kFloor] = 0;
    m_Score += 25;
    return 0;
}

int c_MyApp::p_Game() {
    float* cube = m_Cube.Data();
    const bool targetsLeft = cube[31] > 0 || cube[32] > 0 || cube[33] > 0;

    // 1-2. Backdrop (green once the targets are met) and the camera easing.
    if (targetsLeft) {
        p_DoBG(0, 0, 80, -123);
    } else {
        p_DoBG(20, 90, 20, -123);
    }
    float camDX = (m_CamX - m_CamTargetX) * 0.125f;
    float camDY = (m_CamY - m_CamTargetY) * 0.125f;
    m_CamX -= camDX;
    m_CamY -= camDY;
    p_DoStars(camDX, camDY);
    p_AnalogueControl();
    p_SetSize(2, 2);

    // 3. Roll one step; at the sixteenth the cube settles on its new cell.
    const int dir = static_cast<int>(cube[kDir]);
    switch (dir) {
        case kDown: cube[kRollY] += kRollStep; break;
        case kUp: cube[kRollY] -= kRollStep; break;
        case kRight: cube[kRollX] += kRollStep; break;
        case kLeftward: cube[kRollX] -= kRollStep; break;
        default: break;
    }
    if (dir != kResting) cube[kStep] += 1;
    bool rollEnded = false;
    if (cube[kStep] > kRollSteps - 1) {
        cube[kRollX] = cube[kRollY] = 0;
        // An upward roll moved the row when it began.
        if (dir == kDown) cube[kRow] += 1;
        if (dir == kRight) cube[kCol] += 1;
        if (dir == kLeftward) cube[kCol] -= 1;
        if (float* under = CellAt(m_Grid, static_cast<int>(cube[kCol]), static_cast<int>(cube[kRow]))) {
            under[kTrail] = kTrailLength;
        }
        cube[kStep] = 0;
        cube[kDir] = kResting;
        // The count is rewritten below every update; a roll cannot end before the first.
        const int colours = std::max(static_cast<int>(cube[kColours]), 1);
        cube[kColour] = static_cast<float>(static_cast<int>(cube[kColour] + 1) % colours);
        rollEnded = true;
    }
    cube[kColours] = 3;

    // 4-5. Cube images and the exit blink.
    const int rolling = static_cast<int>(cube[kDir]);
    const int colourIndex = static_cast<int>(cube[kColour]);
    const int bodySlot = colourIndex + 1;
    const int overlaySlot = colourIndex + 2 > 3 ? 1 : colourIndex + 2;
    const float cubeFrame = rolling == kResting ? 0.0f : 16.0f * static_cast<float>(rolling) + cube[kStep];
    const int blink = !targetsLeft && qo_app_Millisecs() % 600 > 300 ? 1 : 0;

    // 6. The visible window, kept inside the level.
    const int col = static_cast<int>(cube[kCol]);
    const int row = static_cast<int>(cube[kRow]);
    int x0 = col - 12, x1 = col + 12;
    int y0 = row - 13, y1 = row + 12;
    if (x0 < 0) x0 = 0, x1 = 25;
    if (x1 > m_GridW) x1 = m_GridW, x0 = m_GridW - 25;
    if (y0 < 0) y0 = 0, y1 = 25;
    if (y1 > m_GridW) y1 = m_GridW, y0 = m_GridW - 25;

    // 7. Floor pass, then object pass: back to front in the isometric view.
    for (int layer = 0; layer <= 1; ++layer) {
        for (int y = y0; y <= y1; ++y) {
            for (int x = x1; x >= x0; --x) {
                float* cell = CellAt(m_Grid, x, y);
                if (cell == nullptr) continue;
                const float* part = cell + layer * 10;
                const int t = static_cast<int>(part[0]);
                float frame = static_cast<float>(t - 1);
                if (layer == 1 && t >= 1 && t <= 3) frame = static_cast<float>(t + 11);
                if (t == 10) frame = static_cast<float>(9 + blink);
                const float sx = WorldX(static_cast<float>(x), static_cast<float>(y)) + part[1] - m_CamX;
                const float sy = WorldY(static_cast<float>(x), static_cast<float>(y), layer) + part[2] - m_CamY;
                if (t > 0) p_DrawImg(kLevelImage, sx, sy, frame);
                if (layer == 0) {
                    if (rollEnded && cell[kTrail] > 0) cell[kTrail] -= 1;
                } else if (cell[kTrail] > 0) {
                    p_Alpha(0.6f);
                    p_DrawImg(kLevelImage, sx, sy, 8);
                    p_SetCol(255, 255, 255, 1);
                }
                if (x != col || y != row) continue;

                const float cr = cube[kRow] + cube[kRollY];
                const float cc = cube[kCol] + cube[kRollX];
                const float cx = WorldX(cc, cr) - m_CamX;
                float cy = cr * 22.0f - cc * 5.5f - cube[kHeight] * 18.0f - cube[kRise] - m_CamY;
                if (cube[kRise] > 0) {
                    cube[kDrop] = 0.1f;
                    cube[kRise] *= 1.05f;
                    if (cy < -128) cube[kDone] = 1;
                }
                cy = cy + cube[kDrop] - 2;
                p_Alpha(1);
                p_DrawImg(bodySlot, cx, cy, cubeFrame);
                p_Alpha(cube[kStep] / 16.0f);
                p_DrawImg(overlaySlot, cx, cy, cubeFrame);
                p_Alpha(1);
            }
        }
    }

    // 8. Flying pieces: gems float up, crumbled tiles sink.
    p_Alpha(0.5f);
    for (int i = 0; i <= kPieces; ++i) {
        float* piece = m_Objs.Data() + i * kPieceFloats;
        if (piece[0] <= 0) continue;
        piece[4] += piece[5] * 0.1f;
        piece[2] += piece[4];
        const float sx = piece[1] - m_CamX;
        const float sy = piece[2] - m_CamY;
        p_DrawImg(kLevelImage, sx, sy, piece[0] - 1);
        if (sy < -128 || sy > qo_Game_jscrh + 128 || sx < -128 || sx > qo_Game_jscrw + 128) piece[0] = 0;
    }
    p_Alpha(1);

    // 9. Dropping in eases to a landing; falling accelerates.
    float drop = cube[kDrop];
    if (drop > 0) drop *= 1.25f;
    if (drop < 0) drop *= 0.95f;
    if (drop > -2 && drop < 0) {
        drop = 0;
        p_PlaySFX(2, 1, 1, 0);
        p_PlayTune(String("jazzed"), 1);
    }
    cube[kDrop] = drop;

    // 10. The camera follows the cube but not its drop or fall.
    {
        const float cr = cube[kRow] + cube[kRollY];
        const float cc = cube[kCol] + cube[kRollX];
        const float wx = WorldX(cc, cr);
        const float wy = cr * 22.0f - cc * 5.5f - cube[kHeight] * 18.0f + cube[kDrop];
        m_CamTargetX = wx - qo_Game_jscrw / 2;
        m_CamTargetY = wy - (qo_Game_jscrh / 2 + cube[kDrop]);
        if (wy - m_CamY > qo_Game_jscrh + 128 && cube[kDrop] > 0) m_GameOver = 1;
    }

    // 11. At rest: collect, the exit, falling, starting a roll, being boxed in.
    if (cube[kDir] == kResting) {
        cube[kStep] = 0;
        const int c = static_cast<int>(cube[kColour]) % 3 + 1;
        const int cc = static_cast<int>(cube[kCol]);
        const int cr = static_cast<int>(cube[kRow]);
        float* under = CellAt(m_Grid, cc, cr);
        const int around[4][2] = {{cc, cr - 1}, {cc, cr + 1}, {cc - 1, cr}, {cc + 1, cr}};
        for (const auto& n : around) {
            float* cell = CellAt(m_Grid, n[0], n[1]);
            if (cell != nullptr && cell[kObject] == static_cast<float>(c)) {
                cube[kLeft + c] -= 1;
                p_Collect(n[0], n[1]);
            }
        }
        const float floorCode = under != nullptr ? under[kFloor] : 0.0f;
        if (floorCode == static_cast<float>(c)) {
            cube[kLeft + c] -= 1;
            p_CollectB(cc, cr);
        }
        if (floorCode == 10 && cube[31] < 1 && cube[32] < 1 && cube[33] < 1 && cube[kRise] == 0) {
            cube[kRise] = 1;
            p_StopTune();
            m_MusicOn = 0;
            p_PlaySFX(3, 1, 1, 0);
        }

        const bool upFree = Free(CellAt(m_Grid, cc, cr - 1));
        const bool downFree = Free(CellAt(m_Grid, cc, cr + 1));
        const bool leftFree = Free(CellAt(m_Grid, cc - 1, cr));
        const bool rightFree = Free(CellAt(m_Grid, cc + 1, cr));

        const float floorNow = under != nullptr ? under[kFloor] : 0.0f;
        if (floorNow == 0 && cube[kDrop] == 0) {
            cube[kDrop] = 0.25f;
            p_StopTune();
            m_MusicOn = 0;
            p_PlaySFX(4, 1, 1, 0);
        } else if (cube[kDrop] == 0 && cube[kDelay] == 0) {
            // Later tests replace earlier ones: a vertical move wins over a horizontal one.
            auto start = [&](int direction) {
                cube[kDir] = static_cast<float>(direction);
                cube[kDelay] = kMoveDelay;
                p_PlaySFX(5, 0.7f + qo_random_Rnd() * 0.6f, 1, 0);
            };
            if (m_MoveX < -kStickDeadZone && leftFree) start(kLeftward);
            if (m_MoveX > kStickDeadZone && rightFree) start(kRight);
            if (m_MoveY < -kStickDeadZone && upFree) {
                start(kUp);
                cube[kRow] -= 1;
                cube[kRollY] = 1;
            }
            if (m_MoveY > kStickDeadZone && downFree) start(kDown);
        }

        if (!upFree && !downFree && !leftFree && !rightFree) {
            cube[kStuck] += 1;
            if (cube[kStuck] > kStuckLimit && under != nullptr) under[kFloor] = 0;
        }
    }

    // 12. Move delay: released directions clear it, so a tap rolls as soon as the cube rests.
    cube[kDelay] -= kMoveDelayDecay;
    const bool held = p_PlayKey(0, 1, 0) || p_PlayKey(3, 1, 0) || p_PlayKey(5, 1, 0) || p_PlayKey(8, 1, 0);
    if (!held || cube[kDelay] < 0) cube[kDelay] = 0;

    p_DoParticles(1.0f);

    // 14. Slow motion while button 13 is held, whatever reset the rate meanwhile (a
    // resume does). Set only when it differs: each call restarts the host's schedule,
    // and one every update would run the game unpaced.
    if (p_PlayKey(13, 0, 0)) {
        if (qo_app_UpdateRate() != 5) qo_app_SetUpdateRate(5);
        cube[kSlow] = 1;
    } else if (cube[kSlow] != 0) {
        qo_app_SetUpdateRate(60);
        cube[kSlow] = 0;
    }

    // 15. Head-up counters of the gems still wanted.
    p_ResetDraw();
    if (m_HideOverlay == 0) {
        static const float kBright[3][3] = {{255, 100, 100}, {100, 255, 100}, {100, 180, 255}};
        static const float kDim[3][3] = {{180, 0, 0}, {0, 180, 0}, {0, 80, 180}};
        const float w = qo_Game_jscrw;
        auto boxX = [&](int i) { return w / 2 - 94 + 64.0f * static_cast<float>(i); };
        // The three boxes do not overlap, so all backgrounds, then all icons, then all
        // counts give the same picture as box by box, in three batches instead of nine.
        p_SetCol(255, 255, 255, 1);
        p_Rect(w / 2 - 96, 0, 192, 44);
        p_SetCol(0, 0, 0, 1);
        for (int i = 0; i < 3; ++i) p_Rect(boxX(i), 2, 60, 40);
        p_SetCol(255, 255, 255, 1);
        for (int i = 0; i < 3; ++i) p_DrawImg(kLevelImage, boxX(i) + 24, 20, static_cast<float>(i));
        for (int i = 0; i < 3; ++i) {
            const int left = static_cast<int>(cube[31 + i]);
            const float* ink = left < 1 ? kDim[i] : kBright[i];
            p_SetCol(ink[0], ink[1], ink[2], 1);
            p_Text(boxX(i) + 48, 20, left < 1 ? String("0") : String(left), 1, 1, 0);
        }
        p_ResetDraw();
    }

    p_ScoreDisplay();

    if (cube[kDone] == 1) {
        p_GetLev(1);
        m_Score += 500;
    }
    return 0;
}

int c_MyApp::p_InGame() {
    p_ResetDraw();
    m_MenuIntro = -32;
    bool asked = false;
    for (int player = 0; player <= 3; ++player) {
        if (p_PlayKey(99, 0, player)) asked = true;
        if (qo_Game_iCadeControls == 1 && p_PlayKey(13, 0, player)) asked = true;
    }
    auto pause = [&](int& lock) {
        lock = 1;
        m_Paused = 1;
        m_PauseCursor = 1;
        m_PauseSel = 0;
        p_PlaySFX(98, 1, 0.5f, 0);
    };
    if (asked && m_Paused == 0 && m_KeyLock == 0) pause(m_KeyLock);

    if (m_HideOverlay == 0) {
        p_Alpha(m_InputMethod == 2 ? 1.0f : 0.2f);
        p_DrawImg(kPauseImage, 16, 16, 0);
        const float halfW = static_cast<float>(m_ImgSize[kPauseImage * 3]) * m_ImgScale * m_SizeX * 0.5f;
        const float halfH = static_cast<float>(m_ImgSize[kPauseImage * 3 + 1]) * m_ImgScale * m_SizeY * 0.5f;
        if (m_PointerDown != 0 && m_Paused == 0 && m_ClickLock == 0) {
            for (int i = 0; i < m_TouchDown.Length(); ++i) {
                if (m_TouchDown[i] == 0) continue;
                const float tx = static_cast<float>(m_TouchX[i]);
                const float ty = static_cast<float>(m_TouchY[i]);
                if (tx > 16 - halfW && tx < 16 + halfW && ty > 16 - halfH && ty < 16 + halfH) {
                    pause(m_ClickLock);
                    break;
                }
            }
        }
        p_Alpha(1);
    }
    if (m_Paused == 1) p_PauseMenu();
    return 0;
}
