// The main menu: a wheel of level sizes around a settings gear in the bottom-left
// corner, a side panel with the chosen size's highscores and the play icon, and the
// credits, for which the side panel slides over the whole screen. Keys, pointer and
// touch all act on it; every selection sets both locks so a held input acts once.
#include <algorithm>
#include <cmath>

#include "game/my_app.h"
#include "game/slots.h"
#include "input/input_device.h"
#include "input/key_codes.h"
#include "runtime/errors.h"

namespace {

using namespace slots;

// The credit circles' colours, red round to violet.
constexpr float kRainbow[11][3] = {
    {255, 60, 60},  {255, 140, 40}, {255, 210, 40}, {200, 255, 40}, {80, 255, 80},  {40, 255, 190},
    {40, 200, 255}, {60, 120, 255}, {130, 80, 255}, {200, 70, 255}, {255, 70, 200},
};

bool Unlocked(const c_MyApp& app) {
    return app.m_KeyLock == 0 && app.m_ClickLock == 0;
}
bool NoPanel(const c_MyApp& app) {
    return app.m_OptionsOpen == 0 && app.m_SidePanelOpen == 0;
}
void LockBoth(c_MyApp& app, int value) {
    app.m_KeyLock = app.m_ClickLock = value;
}

}  // namespace

// Where this update's menu sits: the screen, the intro slide, the side panel's width W
// and left edge L, the play icon and the wheel's hub.
struct c_MyApp::MenuLayout {
    float sw, sh, intro, W, L, iconX, iconY, hx, hy;
    int lowest;  // the lowest wheel item: -1 (quit) on the console
};

int c_MyApp::p_Menu() {
    const MenuLayout at = MenuBegin();
    MenuBackKey();
    MenuTitle(at);
    bool trigger = MenuSidePanel(at);
    if (m_OptionsOpen == 0) MenuHighscores(at);
    MenuWheelMotion();
    MenuGearAndDisc(at);
    MenuDrag(at);
    if (MenuWheelItems(at)) trigger = true;
    if (MenuKeys(at)) trigger = true;
    if (trigger && NoPanel(*this)) MenuAction();
    MenuMakerLogo(at);
    if (m_SidePanelOpen == 1) MenuCredits(at);
    p_SetCol(255, 255, 255, 1);
    return 0;
}

void c_MyApp::MenuBlip(int sfx) {
    p_PlaySFX(sfx, 1.0f, 1.0f, 0);
}

// 1. Background, intro slide, panel geometry.
c_MyApp::MenuLayout c_MyApp::MenuBegin() {
    m_WheelSel = std::min(m_WheelSel, 2);
    m_LevelSize = std::clamp(m_WheelSel + 1, 1, 3);
    p_DoBG(20, 40, 80, -123.0f);
    if (m_MenuIntro < 0) m_MenuIntro = static_cast<int>(static_cast<float>(m_MenuIntro) + 0.25f);
    MenuLayout at;
    at.sw = qo_Game_jscrw;
    at.sh = qo_Game_jscrh;
    at.intro = static_cast<float>(m_MenuIntro);
    at.W = m_SidePanelX + 140;
    at.L = at.sw - at.W - 8 * at.intro;
    at.iconX = at.sw - at.W / 2;
    at.iconY = at.sh - 48;
    at.hx = 12 * at.intro + 38;
    at.hy = at.sh - 64 - 8 * at.intro;
    at.lowest = qo_Game_isOuya == 1 ? -1 : 0;
    return at;
}

// 2. Back key: leaves the program, or on the console asks first.
void c_MyApp::MenuBackKey() {
    if (Unlocked(*this) && p_PlayKeyAll(button::kBack, 0) > 0) {
        if (qo_Game_isOuya != 1) {
            qo_app_EndApp();
            return;
        }
        if (p_PlayKeyAll(button::kConsoleBack, 0) > 0 || qo_input_KeyDown(keys::kEscape)) {
            m_Mode = mode::kQuitAsk;
            LockBoth(*this, 1);
        }
    }
    if (m_ClickLock == 0) m_WheelTouched = 0;
}

// 3. Title.
void c_MyApp::MenuTitle(const MenuLayout& at) {
    p_SetRot(0);
    p_SetSize(1.5f, kOmitted);
    p_SetCol(255, 255, 255, 1);
    p_DrawImg(kImgTitle, (at.sw - at.W) / 2, 12 * at.intro + 96, 0);
}

// 4-5. Side panel and play icon; the first touch on the panel focuses it, the next opens
// the credits. The play icon's square is left to the icon, which would otherwise never
// see a press. True when a press asks for the focused part's action.
bool c_MyApp::MenuSidePanel(const MenuLayout& at) {
    bool trigger = false;
    bool focus2 = m_MenuFocus == 2;
    p_SetSize(1, kOmitted);
    p_SetCol(255, 255, 255, focus2 ? 1.0f : 0.2f);
    p_Rect(at.L - 2, -128, 3, at.sh + 128);
    p_SetCol(0, 0, 0, focus2 ? 0.75f : 0.45f);
    p_Rect(at.L, -128, at.W + 32, at.sh + 128);
    bool overPanel = p_MouseIn(at.L, -128, at.W + 32, at.sh) == 1;
    bool overIcon = p_MouseIn_Centered(at.iconX, at.iconY, 128, 128) == 1;
    if (overPanel && !overIcon && Unlocked(*this)) {
        if (m_MenuFocus != 2) {
            m_MenuFocus = 2;
            MenuBlip(kSfxBlip);
            LockBoth(*this, 1);
        } else if (NoPanel(*this)) {
            MenuBlip(kSfxBlip);
            LockBoth(*this, 1);
            trigger = true;
        }
    }

    p_SetSize(3, kOmitted);
    p_SetCol(100, 255, 100, m_MenuFocus == 1 && !overPanel ? 0.5f : 0.0f);
    p_DrawImg(kImgIcons, at.iconX, at.iconY, 3);
    if (overIcon && Unlocked(*this) && NoPanel(*this)) {
        m_MenuFocus = 1;
        m_ClickLock = 1;
        MenuBlip(kSfxConfirm);
        trigger = true;
    }
    return trigger;
}

// 6. Highscores of the chosen size.
void c_MyApp::MenuHighscores(const MenuLayout& at) {
    const float sh = at.sh;
    int glyphH = static_cast<int>(1.5f * static_cast<float>(m_ImgSize[m_Font * 3 + 1]));
    int rows =
        glyphH > 0
            ? static_cast<int>(sh - 90 - static_cast<float>(static_cast<int>(sh / 2))) / glyphH
            : 1;
    rows = std::clamp(rows, 1, 10);
    int base = 10 * (m_LevelSize - 1);
    String top = rows == 1 ? String("Highscore") : String("Top ") + String(rows);
    String last = rows == 1 ? String("Last") : String("Last ") + String(rows);
    for (int j = 0; j < rows; ++j) {
        top += String("\\n") + p_rstr(m_Scores[base + j], 11, String(" "));
        last += String("\\n") + p_rstr(m_Scores[base + 30 + j], 11, String(" "));
    }
    // Opaque: the play icon above leaves the alpha at 0 whenever the wheel lacks focus.
    float x = at.sw - at.W - 4 * at.intro + 20;
    p_SetSize(1.5f, kOmitted);
    p_SetCol(255, 200, 100, 1);
    p_Text(x, 60, top, 0, 1, 0);
    p_SetCol(200, 255, 100, 1);
    p_Text(x, static_cast<float>(static_cast<int>(sh / 2)) + 20, last, 0, 1, 0);
}

// 7. Wheel motion: a spin carries the target on and dies out; the wheel rests where the
// spin leaves it.
void c_MyApp::MenuWheelMotion() {
    if (m_WheelSpin != 0) {
        m_WheelTarget += m_WheelSpin;
        m_WheelSpin *= 0.75f;
        if (std::fabs(m_WheelSpin) < 1) m_WheelSpin = 0;
    }
    m_WheelAngle += (m_WheelTarget - m_WheelAngle) / 8;
    if (std::fabs(m_WheelTarget - m_WheelAngle) < 0.5f) m_WheelAngle = m_WheelTarget;
}

// 8. Gear and the wheel's disc.
void c_MyApp::MenuGearAndDisc(const MenuLayout& at) {
    if (NoPanel(*this)) {
        p_SetRot(0);
        p_SetSize(0.5f, kOmitted);
        p_SetCol(255, 255, 255, m_MenuFocus == 0 ? 0.8f : 0.25f);
        p_DrawImg(kImgCircle, at.hx, at.hy, 1);
        if (m_MenuFocus == 0) m_GearAngle = std::fmod(m_GearAngle + 0.3f, 360.0f);
        p_SetSize(1.5f, kOmitted);
        Gear(at.hx, at.hy, false);
        if (p_MouseIn_Centered(at.hx, at.hy, 64, 64) == 1 && Unlocked(*this)) {
            m_OptionsOpen = 1;
            m_ClickLock = 1;
            MenuBlip(kSfxBlip);
            m_MenuFocus = 0;
        }
    }
    p_SetSize(1.5625f, kOmitted);
    p_SetRot(-m_WheelAngle);
    p_SetCol(255, 255, 255, m_MenuFocus == 1 ? 0.8f : 0.25f);
    p_DrawImg(kImgCircle, at.hx, at.hy, 3);
    p_SetRot(0);
}

// 9. Dragging the wheel spins it; a drag is never also a click.
void c_MyApp::MenuDrag(const MenuLayout& at) {
    if (m_PointerDown == 0) m_DragX = -1;
    if (p_MouseIn_Centered(at.hx, at.hy, 500, 500) == 1 &&
        p_MouseIn_Centered(at.hx, at.hy, 64, 64) == 0 && m_ClickLock < 1) {
        if (m_DragX == -1) {
            m_DragX = m_PointerX;
            m_DragY = m_PointerY;
        }
        float d = static_cast<float>(m_DragX - m_PointerX - m_PointerY + m_DragY) * 0.25f;
        m_WheelSpin = std::clamp(m_WheelSpin - d, -40.0f, 40.0f);
        if (std::fabs(d) > 1) LockBoth(*this, -1);
        m_MenuFocus = 1;
        m_DragX = m_PointerX;
        m_DragY = m_PointerY;
    }
}

// 10. Wheel items; a spin selects the item passing the pointer's mark, a press on the
// selected item asks for its action (true), on another selects it.
bool c_MyApp::MenuWheelItems(const MenuLayout& at) {
    bool trigger = false;
    bool spinning = std::fabs(m_WheelSpin) > 0.05f;
    bool settled = std::fabs(m_WheelAngle - m_WheelTarget) < 2;
    int selected = m_WheelSel;
    for (int i = selected - 3; i <= selected + 3; ++i) {
        if (i < at.lowest || i > 2) continue;
        float a, x, y;
        WheelItemAt(i, m_WheelAngle, at.hx, at.hy, &a, &x, &y);
        if (spinning) {
            if (i == 2 && (a < 30 || a > 200)) m_WheelSpin = 4;
            if (i == 0 && a > 60 && a < 200) m_WheelSpin = -4;
            bool neighbour = std::abs(i - m_WheelSel) == 1;
            if (i != m_WheelSel && a > 30 && a < 60 && !(m_WheelTouched != 0 && neighbour)) {
                m_WheelSel = i;
                MenuBlip(kSfxBlip);
            }
        }
        float scale = i == selected ? 1.75f : 0.75f;
        p_SetCol(255, 255, 255, m_MenuFocus == 1 ? 1.0f : 0.3f);
        p_SetRot(-(a - 55) / 2);
        if (i >= 0) {
            p_SetSize(scale, kOmitted);
            p_DrawImg(kImgButtons, x, y, static_cast<float>(i % 6));
            p_SetSize(1.5f * scale, kOmitted);
            p_Text(x, y, qo_Game_MenuSet[2 * i], 1, 1, 0);
        } else {
            p_SetSize(2 * scale, kOmitted);
            p_SetCol(255, 180, 180, kOmitted);
            p_DrawImg(kImgIcons, x, y, 1);
        }
        p_SetRot(0);
        if (p_MouseIn_Radius(x, y, 64, 64) == 1 && m_ClickLock == 0 && m_PointerDown != 0 &&
            m_WheelTouched == 0 && settled && NoPanel(*this)) {
            if (i == m_WheelSel) {
                MenuBlip(kSfxConfirm);
                m_ClickLock = 1;
                m_MenuFocus = 1;
                trigger = true;
            } else {
                m_MenuFocus = 1;
                m_ClickLock = -1;
                m_WheelSel = i;
                m_WheelTarget = -32.0f * static_cast<float>(i);
                MenuBlip(kSfxBlip);
                m_WheelTouched = 1;
            }
        }
    }
    return trigger;
}

void c_MyApp::WheelItemAt(int item, float wheelAngle, float hx, float hy, float* angle, float* x,
                          float* y) {
    const float a = 32.0f * static_cast<float>(item) + 48 + wheelAngle;
    // Items bulge outward near 45 degrees, where the selection mark is.
    const float off = std::fabs(a - 45);
    const float bump = off <= 45 ? 1.5f * (45 - off) : 0.0f;
    *angle = a;
    *x = hx + (116 + bump) * SinD(a);
    *y = hy - (116 + bump) * CosD(a);
}

// 11. Keys of player 0, with auto-repeat on up and down; true when an action key asks
// for the focused part's action. The description of the selected size follows.
bool c_MyApp::MenuKeys(const MenuLayout& at) {
    bool trigger = false;
    bool up = p_PlayKey(button::kUp, 1, 0) == 1, down = p_PlayKey(button::kDown, 1, 0) == 1;
    float& repeatTimer = m_Cube[cube::kRepeatTimer];
    float& repeatDelay = m_Cube[cube::kRepeatDelay];
    if (up || down) {
        repeatTimer -= 1;
        if (repeatTimer < 0) m_KeyLock = 0;
    } else {
        repeatTimer = 0;
        repeatDelay = 30;
    }
    if (Unlocked(*this) && NoPanel(*this)) {
        int step = 0;
        if (up && m_WheelSel > at.lowest && repeatTimer < 1)
            step = -1;
        else if (down && m_WheelSel < 2 && repeatTimer < 1)
            step = 1;
        if (step != 0) {
            m_WheelSel += step;
            repeatTimer = repeatDelay;
            repeatDelay = std::max(3.0f, repeatDelay - 12);
            LockBoth(*this, 1);
            MenuBlip(kSfxBlip);
            m_WheelTarget = -32.0f * static_cast<float>(m_WheelSel);
        } else if (p_PlayKey(button::kLeft, 1, 0) == 1 && m_MenuFocus > 0) {
            m_MenuFocus -= 1;
            MenuBlip(kSfxBlip);
            LockBoth(*this, 1);
        } else if (p_PlayKey(button::kRight, 1, 0) == 1 && m_MenuFocus < 2) {
            m_MenuFocus += 1;
            MenuBlip(kSfxBlip);
            LockBoth(*this, 1);
        } else if (p_PlayKey(button::Action(0), 0, 0) == 1 ||
                   p_PlayKey(button::Action(1), 0, 0) == 1 ||
                   p_PlayKey(button::Action(2), 0, 0) == 1) {
            MenuBlip(kSfxConfirm);
            m_KeyLock = 1;
            trigger = true;
        }
    }
    if (m_MenuFocus == 1 && at.sw > 600 && m_WheelSel >= 0) {
        p_SetSize(1.5f, kOmitted);
        p_SetCol(255, 255, 255, 1);
        p_Text(240, at.sh - 52 - 3 * at.intro, qo_Game_MenuSet[2 * m_WheelSel + 1], 0, 1, 0);
    }
    return trigger;
}

// 12. The action of the focused part: the options, a game of the selected size (or
// leaving, on the console's quit item), or the credits.
void c_MyApp::MenuAction() {
    if (m_MenuFocus == 0) {
        m_OptionsOpen = 1;
        m_ClickLock = 1;
        MenuBlip(kSfxBlip);
        m_MenuFocus = 0;
        m_KeyLock = 1;
    } else if (m_MenuFocus == 1) {
        // The program ends (or, with a save under way, ends once it is written).
        if (m_WheelSel == -1) {
            qo_app_EndApp();
            return;
        }
        if (m_PointerDown != 0) {
            m_InputMethod = 2;
        } else {
            m_InputMethod = 1;
            for (int k = 10; k <= 15; ++k) {
                if (p_PlayKey(k, 0, -1) == 1) m_InputMethod = 0;
            }
        }
        LockBoth(*this, 1);
        m_WheelTarget = -32.0f * static_cast<float>(m_WheelSel);
        m_Mode = mode::kStarting;
    } else {
        m_SidePanelOpen = 1;
        LockBoth(*this, 1);
        MenuBlip(kSfxBlip);
    }
}

// 13. Maker logo.
void c_MyApp::MenuMakerLogo(const MenuLayout& at) {
    p_SetSize(m_MenuFocus == 2 ? 0.35f : 0.25f, kOmitted);
    p_SetCol(255, 255, 255, 1);
    p_DrawImg(kImgMakerLogo, at.sw - at.W / 2, 32, 0);
    p_SetSize(1, kOmitted);
}

// The credits: the side panel slid over the whole screen.
void c_MyApp::MenuCredits(const MenuLayout& at) {
    const float sw = at.sw, sh = at.sh;
    // 1. Scroll; up or down hurries it.
    m_CreditScroll -= 0.3f;
    if (p_PlayKeyAll(button::kUp, 1) > 0 || p_PlayKeyAll(button::kDown, 1) > 0)
        m_CreditScroll -= 1.5f;
    if (m_CreditScroll < -16) {
        m_CreditScroll += 16;
        m_CreditLine += 1;
    }
    const float shift = sw - at.W;
    // 2. The lines, folded away at the top and bottom.
    int count = qo_Game_CreditText.Length() - 1;
    for (int k = -3; k <= 4 && count > 0; ++k) {
        int index = ((m_CreditLine + k) % count + count) % count;
        float v = (16.0f * static_cast<float>(k) + m_CreditScroll) / 40.0f;
        float u = std::fabs(v) - 0.3f;
        float alpha = 1, drop = 0;
        if (u >= 0) {
            alpha = std::max(0.0f, 1 - u);
            drop = 24 * std::min(u, 1.0f);
        }
        p_SetCol(255, 255, 255, alpha);
        p_Text(sw - 160 + shift,
               sh / 2 + 24 - drop + 16.0f * static_cast<float>(k) + m_CreditScroll,
               qo_Game_CreditText[index], 0.8f, 0.8f, 0);
    }
    // 3. Statistics.
    float x = sw - 20 + shift, y = 16;
    p_SetCol(255, 255, 255, 1);
    auto line = [&](const String& text, float advance) {
        p_Text(x, y, text, 2.0f, 1.0f, 0);
        y += advance;
    };
    line(String("Debug Stats"), 16);
    line(String("Engine"), 12);
    line(String(static_cast<int>(sw)) + String("x") + String(static_cast<int>(sh)), 16);
    line(String("Screen"), 12);
    line(String(qo_app_DeviceWidth()) + String("x") + String(qo_app_DeviceHeight()), 16);
    line(String("FPS"), 12);
    line(String(m_UpdateFpsAvg) + String(" : ") + String(m_RenderFpsAvg), 12);
    // 4. The circles.
    for (int k = 0; k < 11; ++k) {
        float angle = 4 * (6.0f * static_cast<float>(k) - m_CreditScroll / 16 +
                           static_cast<float>(m_CreditLine));
        p_SetCol(kRainbow[k][0], kRainbow[k][1], kRainbow[k][2], 0.3f);
        p_Oval(sw - 150 + shift + 100 * SinD(angle), sh / 2 - 100 * CosD(angle), 16, 16);
    }
    // 5. Closing.
    bool closeKey = false;
    for (int key = 10; key <= 13; ++key) closeKey = closeKey || p_PlayKeyAll(key, 0) > 0;
    if ((closeKey || m_PointerDown != 0) && Unlocked(*this)) {
        m_SidePanelOpen = 0;
        MenuBlip(kSfxBlip);
        LockBoth(*this, 1);
    }
    // 6. Footer.
    float fx = 0.3f * sw + shift, fy = sh - 64;
    p_SetCol(255, 255, 255, 1);
    p_DrawImg(kImgButtons, fx, fy, 12);
    p_Text(fx + 32, fy + 16, String("Coded in"), 0, 1, 0);
    p_Text(fx + 32, fy + 28, String("C++"), 0, 1, 0);
}
