// Hit tests and buttons shared by every screen. A mouse press counts as touch slot 0,
// and slots that are up hold -3717, far outside any box on screen, so they never hit.
#include "game/my_app.h"
#include "game/slots.h"

namespace {

constexpr int kTouchSlots = 10;

}  // namespace

int c_MyApp::p_MouseIn(float x, float y, float w, float h) {
    for (int i = 0; i < kTouchSlots; ++i) {
        if (m_TouchDown[i] == 0) continue;
        float tx = static_cast<float>(m_TouchX[i]), ty = static_cast<float>(m_TouchY[i]);
        if (tx > x && tx < x + w && ty > y && ty < y + h) return 1;
    }
    return 0;
}

int c_MyApp::p_MouseIn_Centered(float cx, float cy, float w, float h) {
    return p_MouseIn(cx - w / 2, cy - h / 2, w, h);
}

int c_MyApp::p_MouseIn_Radius(float cx, float cy, float w, float h) {
    float radius2 = (w / 2) * (w / 2) + (h / 2) * (h / 2);
    for (int i = 0; i < kTouchSlots; ++i) {
        if (m_TouchDown[i] == 0) continue;
        float dx = static_cast<float>(m_TouchX[i]) - cx, dy = static_cast<float>(m_TouchY[i]) - cy;
        if (dx * dx + dy * dy <= radius2) return 1;
    }
    return 0;
}

int c_MyApp::p_Touch(float x, float y, float w, float h) {
    p_Rect(x, y, w, h);
    // A little slack around the bar, so a finger just off its edge still counts.
    for (int i = 0; i < kTouchSlots; ++i) {
        if (m_TouchDown[i] == 0) continue;
        float tx = static_cast<float>(m_TouchX[i]), ty = static_cast<float>(m_TouchY[i]);
        if (tx > x - 6 && tx < x + w + 12 && ty > y - 6 && ty < y + h + 12) return 1;
    }
    return 0;
}

namespace {

// Half the on-screen size of one frame of the slot, in virtual units.
void HalfFrame(const Array<int>& sizes, int slot, float scale, float sizeX, float sizeY, float* hw,
               float* hh) {
    *hw = *hh = 0;
    if (slot < 0 || slot >= c_MyApp::kImageSlots) return;
    *hw = static_cast<float>(sizes[slot * 3]) * 0.5f * scale * sizeX;
    *hh = static_cast<float>(sizes[slot * 3 + 1]) * 0.5f * scale * sizeY;
}

}  // namespace

int c_MyApp::p_Button(int image, float x, float y, int frame) {
    p_DrawImg(image, x, y, static_cast<float>(frame));
    m_ButtonHit = 0;
    if (m_PointerDown < 1) return 0;
    float hw, hh;
    HalfFrame(m_ImgSize, image, m_ImgScale, m_SizeX, m_SizeY, &hw, &hh);
    for (int i = 0; i < kTouchSlots; ++i) {
        float tx = static_cast<float>(m_TouchX[i]), ty = static_cast<float>(m_TouchY[i]);
        if (tx > x - hw && tx < x + hw && ty > y - hh && ty < y + hh) {
            m_ButtonHit = 1;
            return 1;
        }
    }
    return 0;
}

// The gear: three rings turning against each other about one hub at m_GearAngle. As a
// button (pressable) it answers whether it was pressed; rotation is 0 afterwards.
bool c_MyApp::Gear(float x, float y, bool pressable) {
    p_SetRot(-m_GearAngle);
    p_DrawImg(slots::kImgButtons, x, y, 8);
    p_SetRot(2 * m_GearAngle);
    p_DrawImg(slots::kImgButtons, x, y, 9);
    p_SetRot(-4 * m_GearAngle);
    bool pressed = false;
    if (pressable) {
        pressed = p_Button(slots::kImgButtons, x, y, 10) == 1;
    } else {
        p_DrawImg(slots::kImgButtons, x, y, 10);
    }
    p_SetRot(0);
    return pressed;
}

int c_MyApp::p_Button0(int image, float x, float y, int frame) {
    p_DrawImg(image, x, y, static_cast<float>(frame));
    m_ButtonHit = 0;
    if (m_PointerDown < 1) return 0;
    float hw, hh;
    HalfFrame(m_ImgSize, image, m_ImgScale, m_SizeX, m_SizeY, &hw, &hh);
    float tx = static_cast<float>(m_TouchX[0]), ty = static_cast<float>(m_TouchY[0]);
    if (tx > x - hw && tx < x + hw && ty > y - hh && ty < y + hh) {
        m_ButtonHit = 1;
        return 1;
    }
    return 0;
}
