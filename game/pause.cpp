// The pause screen over a running game: a column of three buttons sliding in from the
// left (quit the game, resume, options), the word PAUSED and a little line toy the
// player steers while waiting. And the console's quit confirmation.
#include <algorithm>
#include <cmath>

#include "game/my_app.h"
#include "game/slots.h"
#include "input/input_device.h"

namespace {

using namespace slots;

constexpr int kTrailPoints = 102;
constexpr int kTrailLast = 2 * (kTrailPoints - 1);  // index of the newest point's X

int Channel(float value) {
    return std::clamp(static_cast<int>(value), 0, 255);
}

}  // namespace

int c_MyApp::p_PauseMenu() {
    const float sw = qo_Game_jscrw, sh = qo_Game_jscrh;
    PauseBackdropAndSlide();
    // The toy turns around M, beside the panel; the word sits on it.
    const float mx = sw / 2 + 96, my = sh / 2;
    PauseToy(mx, my);
    p_SetSize(2, kOmitted);
    p_SetCol(255, 255, 255, 1);
    p_Text(mx, my, String("PAUSED"), 1.0f, 1.0f, 0);
    p_SetSize(1, kOmitted);
    // Overscan (console only).
    if (qo_Game_isOuya == 1)
        OverscanSlider(0.6f * sw, static_cast<float>(m_PausePanelY) - 150, m_KeyLock, 1);
    PauseButtons();
    p_SetCol(255, 255, 255, 1);
    return 0;
}

// 1-2. The dimmed game, and the panel sliding in, or out and then resuming.
void c_MyApp::PauseBackdropAndSlide() {
    const float sw = qo_Game_jscrw, sh = qo_Game_jscrh;
    p_DoBG(-123, -123, -123, -123.0f);
    p_SetRot(0);
    p_SetSize(1, kOmitted);
    p_SetCol(0, 0, 0, std::fabs(static_cast<float>(m_PausePanelY)) / (0.8f * sh));
    p_Rect(0, 0, sw, sh);

    if (m_PauseCursor == 1 && static_cast<float>(m_PausePanelY) < sh / 2) m_PausePanelY += 24;
    if (m_PauseCursor == -1) {
        if (m_PausePanelY < -63) {
            m_Paused = 0;
        } else {
            m_PausePanelY -= 24;
            if (m_PausePanelY < -32) m_Paused = 0;
        }
    }
}

// 3-4. The toy: a point on an arm that turns on the end of another arm, around (mx, my),
// leaving a rainbow trail, oldest point first. Its unset points lie at (0, 0), so a first
// pause draws the trail in from the screen's corner.
void c_MyApp::PauseToy(float mx, float my) {
    const float sw = qo_Game_jscrw, sh = qo_Game_jscrh;
    auto anyHeld = [&](int key) { return p_PlayKeyAll(key, 1) > 0; };
    const float R = std::min(0.45f * sh, 0.45f * (sw - 96));
    m_ToyA1 = std::fmod(m_ToyA1 + 1, 360.0f);
    m_ToyA2 = std::fmod(m_ToyA2 + m_ToySpeed, 360.0f);
    m_ToyA3 = std::fmod(m_ToyA3 + 1.5f, 360.0f);
    if (anyHeld(button::kUp)) m_ToyArm -= 1;
    if (anyHeld(button::kDown)) m_ToyArm += 1;
    if (anyHeld(button::kLeft)) m_ToySpeed -= 0.25f;
    if (anyHeld(button::kRight)) m_ToySpeed += 0.25f;
    // Clamped every update, so a screen that shrank cannot leave the arm longer than R.
    m_ToyArm = std::clamp(m_ToyArm, 0.0f, std::max(R, 0.0f));
    m_ToySpeed = std::clamp(m_ToySpeed, 0.0f, 128.0f);
    const float arm = m_ToyArm;
    float px = mx + (R - arm) * SinD(m_ToyA1) + arm * SinD(m_ToyA2);
    float py = my - (R - arm) * CosD(m_ToyA1) - arm * CosD(m_ToyA2);
    p_SetCol(255, 255, 255, 0.8f);
    p_Text(sw - 8, sh - 8,
           String(static_cast<int>(m_ToySpeed)) + String(":") + String(static_cast<int>(arm)), 2.0f,
           2.0f, 0);

    float* trail = m_ToyTrail.Data();
    trail[kTrailLast] = px;
    trail[kTrailLast + 1] = py;
    for (int i = 0; i <= 100; ++i) {
        float fi = static_cast<float>(i);
        float b = m_ToyA3 + 2 * fi;
        p_SetCol(static_cast<float>(Channel(fi + fi * SinD(b))),
                 static_cast<float>(Channel(fi + fi * CosD(b))),
                 static_cast<float>(Channel(fi - fi * CosD(b))), 1);
        float* p = trail + 2 * i;
        p_Line(p[0], p[1], p[2], p[3]);
        p_Line(p[0] - 0.5f, p[1] - 0.5f, p[2] - 0.5f, p[3] - 0.5f);
        p[0] = p[2];
        p[1] = p[3];
    }
}

// 7-8. The buttons (quit the game, resume, options) sliding in with the panel, the
// keyboard's selection among them, and the back key, which resumes.
void c_MyApp::PauseButtons() {
    const float sh = qo_Game_jscrh;
    auto anyHeld = [&](int key) { return p_PlayKeyAll(key, 1) > 0; };
    const float x =
        static_cast<float>(static_cast<int>(64 - (sh / 2 - static_cast<float>(m_PausePanelY))));
    const bool keyAction = m_KeyLock == 0 && anyHeld(button::kAction);
    auto pressed = [&](int sel, bool hit) {
        return (hit && m_ClickLock == 0) || (m_PauseSel == sel && keyAction);
    };
    p_SetCol(255, 255, 255, 1);
    p_SetSize(2, kOmitted);
    bool quitHit = p_Button(kImgIcons, x, 96, 1) == 1;
    bool resumeHit = p_Button(kImgIcons, x, 196, 3) == 1;
    if (m_OptionsOpen == 0) m_GearAngle += 0.2f;
    p_SetSize(1, kOmitted);
    bool optionsHit = Gear(x, 296, true);
    p_SetSize(2, kOmitted);
    p_DrawImg(kImgIcons, x, 196.0f + 100.0f * static_cast<float>(m_PauseSel), 6);
    p_SetSize(1, kOmitted);

    if (pressed(-1, quitHit)) {
        m_Paused = 0;
        m_PauseCursor = -1;
        m_PausePanelY = -64;
        m_GameOver = 1;
        m_QuitGame = -1;
        m_KeyLock = m_ClickLock = 1;
        p_PlaySFX(kSfxConfirm, 0.5f, 0.5f, 0);
    } else if (pressed(0, resumeHit)) {
        m_PauseCursor = -1;
        m_KeyLock = m_ClickLock = 1;
        p_PlaySFX(kSfxConfirm, 1.0f, 0.5f, 0);
    } else if (pressed(1, optionsHit)) {
        bool byPress = optionsHit && m_ClickLock == 0;
        m_OptionsOpen = 1;
        m_KeyLock = m_ClickLock = 1;
        if (byPress) {
            p_PlaySFX(kSfxBlip, 1.0f, 1.0f, 0);
        } else {
            p_PlaySFX(kSfxConfirm, 1.0f, 0.5f, 0);
        }
    } else if (m_KeyLock == 0) {
        if (anyHeld(button::kUp) && m_PauseSel >= 0) {
            p_PlaySFX(kSfxBlip, 0.8f, 0.5f, 0);
            m_PauseSel -= 1;
            m_KeyLock = 1;
        } else if (anyHeld(button::kDown) && m_PauseSel <= 0) {
            p_PlaySFX(kSfxBlip, m_PauseSel == 0 ? 1.2f : 0.8f, 0.5f, 0);
            m_PauseSel += 1;
            m_KeyLock = 1;
        } else if (p_PlayKeyAll(button::kBack, 0) > 0) {
            m_PauseCursor = -1;
            m_KeyLock = 1;
            p_PlaySFX(kSfxConfirm, 1.0f, 0.5f, 0);
        }
    }
}

int c_MyApp::p_OuyaQuit() {
    const float sw = qo_Game_jscrw, sh = qo_Game_jscrh;
    p_CLS2D(0, 0, 60, 1);
    p_SetCol(255, 60, 60, 1);
    for (int i = 0; i < 3; ++i) p_Oval(sw - 80 + 20.0f * static_cast<float>(i), sh - 32, 5, 5);

    static const char* const kLines[] = {
        "Unexpected Quit",
        "The player is trying to quit",
        "without using the lovely",
        "quit button on the Menu.",
        "What should I do?",
        "Hit \xC2\xAC"
        "K to Quit",
        "or \xC2\xAC"
        "J to Ignore",
    };
    p_SetSize(1.5f, kOmitted);
    p_SetCol(255, 255, 255, 1);
    float y = 0.3f * sh;
    for (const char* line : kLines) {
        p_Text(sw / 2, y, String::FromUtf8(line), 1, 1, 0);
        y += 24;
    }
    p_SetSize(1, kOmitted);

    if (m_KeyLock == 0 && m_ClickLock == 0) {
        // Quitting wins over ignoring when both are held.
        if (p_PlayKeyAll(11, 0) > 0 || p_PlayKeyAll(12, 0) > 0 ||
            p_PlayKeyAll(button::kBack, 0) > 0) {
            qo_app_EndApp();
            return 0;
        }
        if (p_PlayKeyAll(button::kAction, 0) > 0) {
            m_Mode = mode::kMenu;
            m_KeyLock = m_ClickLock = 1;
        }
    }
    return 0;
}
