// The play screen: one update of the rolling cube over the generated level, drawn in an
// isometric view, with the camera, collecting, trap tiles, the exit, falling, the
// flying pieces, the head-up counters and the pause entry.
#include <algorithm>
#include <cstring>

#include "game/my_app.h"
#include "game/random.h"
#include "game/vocabulary.h"
#include "runtime/host/app.h"

namespace {

using namespace cube;
using namespace slots;
using grid::kFloor;
using grid::kObject;
using grid::kTrail;

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
// Half the visible window, in cells.
constexpr int kViewCols = 12, kViewRowsUp = 13, kViewRowsDown = 12, kViewSpan = 25;

float WorldX(int col, int row) {
    return iso::WorldX(static_cast<float>(col), static_cast<float>(row));
}
float WorldY(int col, int row, int layer) {
    return iso::WorldY(static_cast<float>(col), static_cast<float>(row), static_cast<float>(layer));
}

float* CellAt(const Array<float>& grid, int x, int y) {
    return grid::CellAt(grid.Data(), x, y);
}

bool Free(const float* cell) {
    return cell != nullptr && cell[kTrail] <= 0 && cell[kObject] <= 0;
}

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
    std::fill(m_Cube.Data(), m_Cube.Data() + kResetElements, 0.0f);
    return 0;
}

int c_MyApp::p_ResetObj() {
    std::fill(m_Objs.Data(), m_Objs.Data() + m_Objs.Length(), 0.0f);
    return 0;
}

int c_MyApp::p_Collect(int x, int y) {
    float* cell = CellAt(m_Grid, x, y);
    if (cell == nullptr) return 0;
    float wx = WorldX(x, y) + cell[kObject + grid::kOffsetX];
    float wy = WorldY(x, y, 1) + cell[kObject + grid::kOffsetY];
    m_Score += 25;
    Launch(m_Objs, cell[kObject], wx, wy, -1.0f);
    cell[kObject] = 0;
    p_PlaySFX(kSfxGem, 0.7f + qo_random_Rnd() * 0.6f, 1.0f, 0.0f);
    return 0;
}

int c_MyApp::p_CollectB(int x, int y) {
    float* cell = CellAt(m_Grid, x, y);
    if (cell == nullptr) return 0;
    float wx = WorldX(x, y) + cell[kFloor + grid::kOffsetX];
    float wy = WorldY(x, y, 0) + cell[kFloor + grid::kOffsetY];
    Launch(m_Objs, cell[kFloor], wx, wy, 1.0f);
    cell[kFloor] = 0;
    m_Score += 25;
    return 0;
}

int c_MyApp::p_Game() {
    const float* cube = m_Cube.Data();
    const bool targetsLeft =
        cube[kWanted + 1] > 0 || cube[kWanted + 2] > 0 || cube[kWanted + 3] > 0;
    PlayBackdropAndCamera(targetsLeft);
    const bool rollEnded = PlayRollStep();
    PlayDrawLevel(rollEnded, targetsLeft);
    PlayFlyingPieces();
    PlayDropAndCameraTarget();
    if (cube[kDir] == kResting) PlayAtRest();
    PlayMoveDelay();
    p_DoParticles(1.0f);
    PlaySlowMotion();
    PlayCounters();
    p_ScoreDisplay();
    if (cube[kDone] == 1) {
        p_GetLev(1);
        m_Score += 500;
    }
    return 0;
}

// 1-2. Backdrop (green once the targets are met) and the camera easing.
void c_MyApp::PlayBackdropAndCamera(bool targetsLeft) {
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
}

// 3. Roll one step; at the sixteenth the cube settles on its new cell. True when a roll
// ended in this update.
bool c_MyApp::PlayRollStep() {
    float* cube = m_Cube.Data();
    const int dir = static_cast<int>(cube[kDir]);
    switch (dir) {
        case kRollDown:
            cube[kRollY] += kRollStep;
            break;
        case kRollUp:
            cube[kRollY] -= kRollStep;
            break;
        case kRollRight:
            cube[kRollX] += kRollStep;
            break;
        case kRollLeft:
            cube[kRollX] -= kRollStep;
            break;
        default:
            break;
    }
    if (dir != kResting) cube[kStep] += 1;
    bool rollEnded = false;
    if (cube[kStep] > kRollSteps - 1) {
        cube[kRollX] = cube[kRollY] = 0;
        // An upward roll moved the row when it began.
        if (dir == kRollDown) cube[kRow] += 1;
        if (dir == kRollRight) cube[kCol] += 1;
        if (dir == kRollLeft) cube[kCol] -= 1;
        if (float* under =
                CellAt(m_Grid, static_cast<int>(cube[kCol]), static_cast<int>(cube[kRow]))) {
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
    return rollEnded;
}

// 4-7. The level in two passes, floor then objects, back to front in the isometric
// view, with the cube drawn at its cell in both.
void c_MyApp::PlayDrawLevel(bool rollEnded, bool targetsLeft) {
    const float* cube = m_Cube.Data();
    const int blink = !targetsLeft && qo_app_Millisecs() % 600 > 300 ? 1 : 0;

    // 6. The visible window, kept inside the level. Rows are clamped with m_GridW as
    // well: every level is square (128 × 128), so the width bounds both axes.
    const int col = static_cast<int>(cube[kCol]);
    const int row = static_cast<int>(cube[kRow]);
    int x0 = col - kViewCols, x1 = col + kViewCols;
    int y0 = row - kViewRowsUp, y1 = row + kViewRowsDown;
    if (x0 < 0) x0 = 0, x1 = kViewSpan;
    if (x1 > m_GridW) x1 = m_GridW, x0 = m_GridW - kViewSpan;
    if (y0 < 0) y0 = 0, y1 = kViewSpan;
    if (y1 > m_GridW) y1 = m_GridW, y0 = m_GridW - kViewSpan;

    for (int layer = 0; layer <= 1; ++layer) {
        for (int y = y0; y <= y1; ++y) {
            for (int x = x1; x >= x0; --x) {
                float* cell = CellAt(m_Grid, x, y);
                if (cell == nullptr) continue;
                const float* part = grid::Layer(cell, layer);
                const int t = static_cast<int>(part[0]);
                float frame = static_cast<float>(t - 1);
                if (layer == 1 && tile::IsColour(t))
                    frame = static_cast<float>(t + kFrameGemOffset);
                if (t == tile::kExit) frame = static_cast<float>(kFrameExit + blink);
                const float sx = WorldX(x, y) + part[grid::kOffsetX] - m_CamX;
                const float sy = WorldY(x, y, layer) + part[grid::kOffsetY] - m_CamY;
                if (t > 0) p_DrawImg(kImgLevel, sx, sy, frame);
                if (layer == 0) {
                    if (rollEnded && cell[kTrail] > 0) cell[kTrail] -= 1;
                } else if (cell[kTrail] > 0) {
                    p_Alpha(0.6f);
                    p_DrawImg(kImgLevel, sx, sy, kFrameTrail);
                    p_SetCol(255, 255, 255, 1);
                }
                if (x == col && y == row) PlayDrawCube();
            }
        }
    }
}

// 4 and 7. The cube's body in its colour, the next colour fading in over the roll; while
// it leaves through the exit it rises until it is off the screen.
void c_MyApp::PlayDrawCube() {
    float* cube = m_Cube.Data();
    const int rolling = static_cast<int>(cube[kDir]);
    const int colourIndex = static_cast<int>(cube[kColour]);
    const int bodySlot = kImgCube + colourIndex;
    const int overlaySlot = colourIndex + 2 > 3 ? kImgCube : kImgCube + colourIndex + 1;
    const float cubeFrame =
        rolling == kResting ? 0.0f : 16.0f * static_cast<float>(rolling) + cube[kStep];

    const float cr = cube[kRow] + cube[kRollY];
    const float cc = cube[kCol] + cube[kRollX];
    const float cx = iso::WorldX(cc, cr) - m_CamX;
    float cy = iso::WorldY(cc, cr, cube[kHeight]) - cube[kRise] - m_CamY;
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

// 8. Flying pieces: gems float up, crumbled tiles sink.
void c_MyApp::PlayFlyingPieces() {
    p_Alpha(0.5f);
    for (int i = 0; i <= kPieces; ++i) {
        float* piece = m_Objs.Data() + i * kPieceFloats;
        if (piece[0] <= 0) continue;
        piece[4] += piece[5] * 0.1f;
        piece[2] += piece[4];
        const float sx = piece[1] - m_CamX;
        const float sy = piece[2] - m_CamY;
        p_DrawImg(kImgLevel, sx, sy, piece[0] - 1);
        if (sy < -128 || sy > qo_Game_jscrh + 128 || sx < -128 || sx > qo_Game_jscrw + 128)
            piece[0] = 0;
    }
    p_Alpha(1);
}

// 9-10. Dropping in eases to a landing, falling accelerates; the camera follows the cube
// but not its drop or fall.
void c_MyApp::PlayDropAndCameraTarget() {
    float* cube = m_Cube.Data();
    float drop = cube[kDrop];
    if (drop > 0) drop *= 1.25f;
    if (drop < 0) drop *= 0.95f;
    if (drop > -2 && drop < 0) {
        drop = 0;
        p_PlaySFX(kSfxLand, 1, 1, 0);
        p_PlayTune(String("jazzed"), 1);
    }
    cube[kDrop] = drop;

    const float cr = cube[kRow] + cube[kRollY];
    const float cc = cube[kCol] + cube[kRollX];
    const float wx = iso::WorldX(cc, cr);
    const float wy = iso::WorldY(cc, cr, cube[kHeight]) + cube[kDrop];
    m_CamTargetX = wx - qo_Game_jscrw / 2;
    m_CamTargetY = wy - (qo_Game_jscrh / 2 + cube[kDrop]);
    if (wy - m_CamY > qo_Game_jscrh + 128 && cube[kDrop] > 0) m_GameOver = 1;
}

// 11. At rest: collect, the exit, falling, starting a roll, being boxed in.
void c_MyApp::PlayAtRest() {
    float* cube = m_Cube.Data();
    cube[kStep] = 0;
    const int c = static_cast<int>(cube[kColour]) % 3 + 1;
    const int cc = static_cast<int>(cube[kCol]);
    const int cr = static_cast<int>(cube[kRow]);
    float* under = CellAt(m_Grid, cc, cr);
    const int around[4][2] = {{cc, cr - 1}, {cc, cr + 1}, {cc - 1, cr}, {cc + 1, cr}};
    for (const auto& n : around) {
        float* cell = CellAt(m_Grid, n[0], n[1]);
        if (cell != nullptr && cell[kObject] == static_cast<float>(c)) {
            cube[kWanted + c] -= 1;
            p_Collect(n[0], n[1]);
        }
    }
    const float floorCode = under != nullptr ? under[kFloor] : 0.0f;
    if (floorCode == static_cast<float>(c)) {
        cube[kWanted + c] -= 1;
        p_CollectB(cc, cr);
    }
    if (floorCode == tile::kExit && cube[kWanted + 1] < 1 && cube[kWanted + 2] < 1 &&
        cube[kWanted + 3] < 1 && cube[kRise] == 0) {
        cube[kRise] = 1;
        p_StopTune();
        m_MusicOn = 0;
        p_PlaySFX(kSfxExit, 1, 1, 0);
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
        p_PlaySFX(kSfxFall, 1, 1, 0);
    } else if (cube[kDrop] == 0 && cube[kDelay] == 0) {
        // Later tests replace earlier ones: a vertical move wins over a horizontal one.
        auto start = [&](int direction) {
            cube[kDir] = static_cast<float>(direction);
            cube[kDelay] = kMoveDelay;
            p_PlaySFX(kSfxRoll, 0.7f + qo_random_Rnd() * 0.6f, 1, 0);
        };
        if (m_MoveX < -kStickDeadZone && leftFree) start(kRollLeft);
        if (m_MoveX > kStickDeadZone && rightFree) start(kRollRight);
        if (m_MoveY < -kStickDeadZone && upFree) {
            start(kRollUp);
            cube[kRow] -= 1;
            cube[kRollY] = 1;
        }
        if (m_MoveY > kStickDeadZone && downFree) start(kRollDown);
    }

    if (!upFree && !downFree && !leftFree && !rightFree) {
        cube[kStuck] += 1;
        if (cube[kStuck] > kStuckLimit && under != nullptr) under[kFloor] = 0;
    }
}

// 12. Move delay: released directions clear it, so a tap rolls as soon as the cube rests.
void c_MyApp::PlayMoveDelay() {
    float* cube = m_Cube.Data();
    cube[kDelay] -= kMoveDelayDecay;
    const bool held = p_PlayKey(button::kUp, 1, 0) || p_PlayKey(button::kLeft, 1, 0) ||
                      p_PlayKey(button::kRight, 1, 0) || p_PlayKey(button::kDown, 1, 0);
    if (!held || cube[kDelay] < 0) cube[kDelay] = 0;
}

// 14. Slow motion while its button is held, whatever reset the rate meanwhile (a resume
// does). Set only when it differs: each call restarts the host's schedule, and one every
// update would run the game unpaced.
void c_MyApp::PlaySlowMotion() {
    float* cube = m_Cube.Data();
    if (p_PlayKey(button::kSlowMotion, 0, 0)) {
        if (qo_app_UpdateRate() != 5) qo_app_SetUpdateRate(5);
        cube[kSlow] = 1;
    } else if (cube[kSlow] != 0) {
        qo_app_SetUpdateRate(60);
        cube[kSlow] = 0;
    }
}

// 15. Head-up counters of the gems still wanted.
void c_MyApp::PlayCounters() {
    p_ResetDraw();
    if (m_HideOverlay != 0) return;
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
    for (int i = 0; i < 3; ++i) p_DrawImg(kImgLevel, boxX(i) + 24, 20, static_cast<float>(i));
    for (int i = 0; i < 3; ++i) {
        const int left = static_cast<int>(m_Cube[kWanted + 1 + i]);
        const float* ink = left < 1 ? kDim[i] : kBright[i];
        p_SetCol(ink[0], ink[1], ink[2], 1);
        p_Text(boxX(i) + 48, 20, left < 1 ? String("0") : String(left), 1, 1, 0);
    }
    p_ResetDraw();
}

int c_MyApp::p_InGame() {
    p_ResetDraw();
    m_MenuIntro = -32;
    bool asked = false;
    for (int player = 0; player <= 3; ++player) {
        if (p_PlayKey(button::kBack, 0, player)) asked = true;
        if (qo_Game_iCadeControls == 1 && p_PlayKey(button::kSlowMotion, 0, player)) asked = true;
    }
    auto pause = [&](int& lock) {
        lock = 1;
        m_Paused = 1;
        m_PauseCursor = 1;
        m_PauseSel = 0;
        p_PlaySFX(kSfxConfirm, 1, 0.5f, 0);
    };
    if (asked && m_Paused == 0 && m_KeyLock == 0) pause(m_KeyLock);

    if (m_HideOverlay == 0) {
        p_Alpha(m_InputMethod == 2 ? 1.0f : 0.2f);
        p_DrawImg(kImgIcons, 16, 16, 0);
        const float halfW =
            static_cast<float>(m_ImgSize[kImgIcons * 3]) * m_ImgScale * m_SizeX * 0.5f;
        const float halfH =
            static_cast<float>(m_ImgSize[kImgIcons * 3 + 1]) * m_ImgScale * m_SizeY * 0.5f;
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
