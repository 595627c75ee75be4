// The options box: an overlay that slides up over the menu or the pause screen with
// the sound and music volume, full screen or window, and the direction of each stick.
// It takes all input while open; each key press or touch acts once, and nothing acts
// until the box has fully slid in. Closing it saves the settings.
#include <algorithm>
#include <cstdint>

#include "audio/sound.h"
#include "game/my_app.h"
#include "game/slots.h"
#include "input/input_device.h"

namespace {

using namespace slots;

// m_OptionsSlide once the box has fully slid in.
constexpr int kSlidIn = 30;

const char* const kVolumeText[4] = {"[-  -  - Loud]", "[-  - Normal-]", "[- Quiet -  -]",
                                    "[OFF  -  -  -]"};
constexpr float kMusicVolume[4] = {1.0f, 0.7f, 0.4f, 0.0f};

// A stored volume above 3 (or below 0) reads as Loud.
int Volume(int value) {
    return value >= 0 && value <= 3 ? value : 0;
}

// A stick's Y passes through whenever its setting is not 0 (the stick readers' rule), so
// any stored number other than 0 shows and steps as Normal, 1.
int StickNormal(int value) {
    return value != 0 ? 1 : 0;
}

bool Ready(const c_MyApp& app) {
    return app.m_OptKeyWait == 0 && app.m_OptTouchWait == 0;
}

bool AnyHeld(c_MyApp* app, std::initializer_list<int> buttons) {
    for (int button : buttons) {
        if (app->p_PlayKeyAll(button, 1) > 0) return true;
    }
    return false;
}

}  // namespace

int c_MyApp::p_OptionBox() {
    const float sw = qo_Game_jscrw, sh = qo_Game_jscrh;
    const bool ouya = qo_Game_isOuya == 1;
    m_Settings[5] = 1;
    m_GearAngle += 0.2f;
    p_SetRot(0);
    p_SetSize(1, kOmitted);
    if (ouya) OptionCornerMarks();

    // 2. The screen below gets no input; nothing acts while the box slides.
    m_KeyLock = 1;
    m_ClickLock = 1;
    if (m_OptionsSlide != kSlidIn) {
        m_OptKeyWait = 1;
        m_OptTouchWait = 1;
    }

    // 3. Backdrop.
    const float top = static_cast<float>(kSlidIn - m_OptionsSlide) * 24;
    p_SetCol(0, 0, 0, 0.85f);
    p_Rect(50, top, sw - 100, sh);

    bool closedByKey = false;
    bool close = OptionBackButton(&closedByKey);
    // 5. Overscan (console only).
    if (ouya)
        OverscanSlider(0.6f * sw, 12.0f * static_cast<float>(m_OptionsSlide) - 268, m_OptKeyWait,
                       0);
    OptionRows(top + 130);
    if (OptionKeyNavigation()) close = closedByKey = true;

    // 8. Releases re-arm touch and keys.
    if (m_PointerDown == 0) m_OptTouchWait = 0;
    if (!AnyHeld(this, {button::kUp, button::kLeft, button::kRight, button::kDown, 10, 11, 12, 13,
                        14, 15, 16, 17, button::kBack})) {
        m_OptKeyWait = 0;
    }

    if (close && m_OptionsOpen == 1) {
        m_OptionsOpen = 0;
        p_PlaySFX(kSfxBlip, 1.0f, 1.0f, 0);
        p_Save();
        m_KeyLock = 1;
        m_ClickLock = 1;
        if (closedByKey) m_OptKeyWait = 1;
    }
    p_SetCol(255, 255, 255, 1);
    return 0;
}

// 1. Corner marks for judging the overscan on a television.
void c_MyApp::OptionCornerMarks() {
    const float sw = qo_Game_jscrw, sh = qo_Game_jscrh;
    p_SetCol(255, 255, 255, 1);
    p_Rect(0, 0, 8, 16), p_Rect(0, 0, 16, 8);
    p_Rect(sw - 8, 0, 8, 16), p_Rect(sw - 16, 0, 16, 8);
    p_Rect(0, sh - 16, 8, 16), p_Rect(0, sh - 8, 16, 8);
    p_Rect(sw - 8, sh - 16, 8, 16), p_Rect(sw - 16, sh - 8, 16, 8);
}

// 4. Back button (row 0); true when it, or the back key, closes the box.
bool c_MyApp::OptionBackButton(bool* byKey) {
    const float backX = 12.0f * static_cast<float>(m_OptionsSlide) - 260;
    p_SetCol(255, 255, 255, 1);
    bool backPressed = Gear(backX, 60, true);
    p_SetCol(255, 255, 255, m_OptCursor == 0 ? 1.0f : 0.6f);
    p_Text(backX + 76, 60, String("<[BACK]"), 0, 1, 0);
    bool backKey = p_PlayKeyAll(button::kBack, 0) > 0;
    if (!(backPressed || backKey) || !Ready(*this)) return false;
    *byKey = backKey;
    return true;
}

// 6. The rows, from y0 down, 40 units apart; a press or an action key on the cursor's
// row changes its setting once.
void c_MyApp::OptionRows(float y0) {
    const float sw = qo_Game_jscrw;
    const bool ouya = qo_Game_isOuya == 1;
    bool actionKey = AnyHeld(this, {button::Action(0), button::Action(1), button::Action(2),
                                    button::Action(3), button::Action(4), button::Action(5)});
    int row = 0;
    auto drawRow = [&](const String& text, float x, float y, float w, float h) {
        ++row;
        bool current = m_OptCursor == row;
        p_SetCol(0, current ? 180.0f : 0.0f, current ? 255.0f : 160.0f, 0.5f);
        bool touched = p_Touch(x, y - h / 2, w, h) == 1;
        p_SetCol(255, 255, 255, 1);
        p_Text(x + 16, y, text, 0, 1, 0);
        if (touched && m_PointerDown != 0) m_OptCursor = row;
        bool activated = (touched && m_PointerDown != 0) || (m_OptCursor == row && actionKey);
        if (!activated || !Ready(*this)) return false;
        m_OptKeyWait = 1;
        m_OptTouchWait = 1;
        p_PlaySFX(kSfxBlip, 1.0f, 1.0f, 0);
        return true;
    };
    auto rowY = [&] { return y0 + 40.0f * static_cast<float>(row); };
    const float barW = sw - 168;

    if (drawRow(String("Sound : ") + String(kVolumeText[Volume(m_Settings[6])]), 84, rowY(), barW,
                32)) {
        m_Settings[6] = (Volume(m_Settings[6]) + 1) % 4;
    }
    if (qo_Game_HasMusicStream == 1 &&
        drawRow(String("Music : ") + String(kVolumeText[Volume(m_Settings[7])]), 84, rowY(), barW,
                32)) {
        m_Settings[7] = (Volume(m_Settings[7]) + 1) % 4;
        if (qo_audio_device != nullptr) qo_audio_SetMusicVolume(kMusicVolume[m_Settings[7]]);
    }
    if (drawRow(String(m_Fullscreen == 1 ? "Windowed" : "Fullscreen"), 84, rowY(), barW, 32)) {
        p_FullscreenFlip();
    }
    static const char* const kStickText[2][2] = {
        {"Left Thumbstick Y Flipped", "Left Thumbstick Y Normal"},
        {"Right Thumbstick Y Flipped", "Right Thumbstick Y Normal"}};
    for (int stick = 0; stick < 2; ++stick) {
        int normal = StickNormal(m_Settings[15 + stick]);
        if (drawRow(String(kStickText[stick][normal]), 84, rowY(), barW, 32))
            m_Settings[15 + stick] = (normal + 1) % 2;
    }
    if (ouya && m_Paused == 0 && drawRow(String("Quit"), sw - 264, rowY(), 180, 24)) {
        qo_app_EndApp();
    }
    m_OptRow = row;
}

// 7. Key navigation: the cursor moves between the rows; an action key on row 0 closes
// the box (true).
bool c_MyApp::OptionKeyNavigation() {
    if (m_OptKeyWait != 0) return false;
    if (m_OptCursor == 0 &&
        AnyHeld(this, {button::Action(0), button::Action(1), button::Action(5)}))
        return true;
    if (AnyHeld(this, {button::kUp, button::kLeft})) {
        if (m_OptCursor > 0) m_OptCursor -= 1;
        m_OptKeyWait = 1;
        p_PlaySFX(kSfxBlip, 1.0f, 1.0f, 0);
    } else if (AnyHeld(this, {button::kDown, button::kRight})) {
        if (m_OptCursor < m_OptRow) m_OptCursor += 1;
        m_OptKeyWait = 1;
        p_PlaySFX(kSfxBlip, 1.0f, 1.0f, 0);
    }
    return false;
}

void c_MyApp::OverscanSlider(float ox, float oy, int& wait, int analogue) {
    p_SetCol(255, 255, 255, 1);
    p_Text(ox, oy,
           String::FromUtf8("\xC2\xAC"
                            "U <      Overscan      > \xC2\xAC"
                            "O"),
           1, 1, 0);
    p_SetCol(255, 255, 255, 0.5f);
    p_Rect(ox - 128, oy + 16, 256, 9);
    p_SetCol(255, 255, 255, 1);
    p_Rect(static_cast<float>(m_Settings[14]) * 2.67f + ox - 132, oy + 12, 8, 16);
    int step = 0;
    if (wait == 0)
        step = p_PlayKeyAll(14, analogue) > 0 ? -16 : p_PlayKeyAll(15, analogue) > 0 ? 16 : 0;
    if (step != 0) wait = 1;
    // In 64 bits: a loaded value near the int limits must not overflow before the clamp.
    m_Settings[14] = static_cast<int>(std::clamp<int64_t>(int64_t{m_Settings[14]} + step, 1, 96));
    qo_Game_overscan = static_cast<float>(m_Settings[14]);
}

int c_MyApp::p_FullscreenFlip() {
    QoGame* host = qo_app__game;
    if (host == nullptr) return 0;
    // Without a desktop mode (no monitor reported) fall back to a common 8-bit format
    // rather than failing the flip.
    QoGlfwVideoMode* desktop = host->GetGlfwDesktopMode();
    int width = desktop ? desktop->width : 640, height = desktop ? desktop->height : 480;
    int red = desktop ? desktop->red : 8, green = desktop ? desktop->green : 8,
        blue = desktop ? desktop->blue : 8;
    m_Fullscreen = m_Fullscreen == 1 ? 0 : 1;
    if (m_Fullscreen == 1) {
        host->SetGlfwWindow(width, height, red, green, blue, 0, 0, 0, true);
    } else {
        host->SetGlfwWindow(640, 480, red, green, blue, 0, 0, 0, false);
    }
    return 0;
}
