// The per-update dispatcher: raw input turned into pointer, touch and virtual-button
// state with its click and key locks, then the screen of the current mode, the
// overlays that sit on every screen, and the suspend/resume pause rule.
#include <cmath>

#include "audio/sound.h"
#include "game/my_app.h"
#include "game/vocabulary.h"
#include "input/input_device.h"
#include "input/key_codes.h"
#include "net/async_event.h"

namespace {

constexpr int kKeyF1 = 112, kKeyF2 = 113, kKeyF4 = 115, kKeyF11 = 122;
// Button 14 of joystick port 0: the console pad's menu button.
constexpr int kConsoleBack = keys::kJoyButtons + 14;
constexpr int kTouchSlots = 10;
constexpr int kTouchUp = -3717;
constexpr int kOptionsSlideIn = 30;
constexpr float kSidePanelWidth = 140.0f;
constexpr float kSnap = 8.0f;
// The game keys whose hold keeps the key lock armed.
constexpr int kLockKeys[] = {
    button::kUp, button::kLeft, button::kRight, button::kDown, 10, 11, 12, 13, 14, 15, 16,
    17,          button::kBack,
};

// An arcade cabinet's controller types one letter when a button goes down and another
// when it comes up.
struct ICadeLetter {
    char press, release;
    int button;
};
constexpr ICadeLetter kICade[] = {
    {'W', 'E', 0},  {'X', 'Z', 8},  {'A', 'Q', 3},  {'D', 'C', 5},  {'Y', 'T', 13}, {'U', 'F', 14},
    {'I', 'M', 15}, {'O', 'G', 16}, {'H', 'R', 10}, {'J', 'N', 11}, {'K', 'P', 12}, {'L', 'V', 17},
};

// Device pixels to virtual units, truncated toward zero. A scale of 0 (no render has
// fitted the screen yet) or a position far off the screen must not divide by zero or
// overflow the conversion.
int ToVirtual(float device, float margin, float scale) {
    if (!(scale > 0)) scale = 1.0f;
    float v = std::trunc((device - margin) / scale);
    constexpr float kLimit = 1.0e9f;
    if (!(v > -kLimit)) return -static_cast<int>(kLimit);
    if (!(v < kLimit)) return static_cast<int>(kLimit);
    return static_cast<int>(v);
}

}  // namespace

int c_MyApp::p_OnUpdate() {
    UpdateSpecialKeys();
    // 3. Asynchronous completions (the check-in), and the music follows the pause.
    qo_asyncevent_UpdateAsyncEvents();
    if (qo_Game_HasMusicStream == 1 && m_MusicOn == 1) {
        if (m_Paused == 1) {
            qo_audio_PauseMusic();
        } else {
            qo_audio_ResumeMusic();
        }
    }
    UpdateRateMeter();
    UpdatePointer();
    UpdateKeyLock();
    if (m_LoadStep == 0) RunScreen();
    // 8. The loader runs instead while assets are (re)loading.
    if (m_LoadStep > 0) p_Loader();
    UpdateVirtualButtons();
    // 10. (Tilt readings exist only for the switched-off tilt controls.)
    if (qo_Game_DebugMode == 1 && m_Mode != mode::kStartScreen) DrawDebugLine();
    // 12. News of saves that finish later (the browser's), then the notices.
    p_SaveNews(0);
    p_ShowBadges();
    return 0;
}

// 1-2. The back button, the debug keys and the window's close button. Nothing is saved
// on these exits.
void c_MyApp::UpdateSpecialKeys() {
    if (qo_Game_isOuya == 1) {
        m_VButton[button::kBackVirtual] = qo_input_KeyHit(kConsoleBack) > 0 ? 1 : 0;
    } else {
        m_VButton[button::kBackVirtual] = qo_input_KeyHit(keys::kBack);
    }
    if (qo_input_KeyHit(kKeyF1) > 0) qo_Game_DebugMode = 1 - qo_Game_DebugMode;
    if (qo_input_KeyHit(kKeyF2) > 0) m_HideOverlay = 1 - m_HideOverlay;
    if (qo_input_KeyHit(kKeyF11) > 0) p_FullscreenFlip();
    if (qo_input_KeyHit(kKeyF4) > 0 || qo_input_KeyHit(keys::kClose) > 0) qo_app_EndApp();
}

// 4. Update rate, smoothed over about ten updates.
void c_MyApp::UpdateRateMeter() {
    int now = qo_app_Millisecs();
    if (now - m_LastUpdateMs > 0)
        m_UpdateFps = static_cast<int>(1000.0f / static_cast<float>(now - m_LastUpdateMs));
    m_UpdateFpsAvg =
        static_cast<int>((static_cast<float>(m_UpdateFps) + 9.0f * m_UpdateFpsAvg) / 10.0f);
    m_LastUpdateMs = now;
}

// 5. Pointer and touches in virtual units.
void c_MyApp::UpdatePointer() {
    const bool console = qo_Game_isOuya == 1;
    m_PointerPrevX = m_PointerX;
    m_PointerPrevY = m_PointerY;
    float margin = qo_Game_overscan;
    int devW = qo_app_DeviceWidth(), devH = qo_app_DeviceHeight();
    float marginY = devW != 0 ? margin * static_cast<float>(devH) / static_cast<float>(devW) : 0.0f;
    m_PointerX = ToVirtual(qo_input_MouseX(), margin, m_ScaleX);
    m_PointerY = ToVirtual(qo_input_MouseY(), marginY, m_ScaleY);
    bool leftDown = qo_input_MouseDown(0);
    if (leftDown && m_PointerWasDown == 0) {
        // A press starts where it lands: no jump from the last hover position.
        m_PointerPrevX = m_PointerX;
        m_PointerPrevY = m_PointerY;
    }
    m_PointerDown = leftDown ? 1 : 0;
    m_PointerHits = qo_input_MouseHit(0);
    for (int i = 0; i < kTouchSlots; ++i) {
        m_TouchDown[i] = 0;
        m_TouchX[i] = kTouchUp;
        m_TouchY[i] = kTouchUp;
        if (console || !qo_input_TouchDown(i)) continue;
        m_TouchDown[i] = 1;
        m_TouchX[i] = ToVirtual(qo_input_TouchX(i), margin, m_ScaleX);
        m_TouchY[i] = ToVirtual(qo_input_TouchY(i), marginY, m_ScaleY);
        m_PointerDown = 1;
    }
    m_PointerWasDown = leftDown ? 1 : 0;
    if (m_PointerDown == 0) m_ClickLock = 0;
    if (console) {
        m_PointerWasDown = 0;
        m_PointerDown = 0;
        m_ClickLock = 0;
        m_InputMethod = 1;
    }
}

// 6. Key lock: released only once no game key is held by anyone.
void c_MyApp::UpdateKeyLock() {
    bool held = false, backHeld = false;
    for (int player = 0; player < 4; ++player) {
        for (int key : kLockKeys) {
            if (p_PlayKey(key, 1, player) == 0) continue;
            held = true;
            if (key == button::kBack) backHeld = true;
        }
    }
    if (!held) {
        m_KeyLock = 0;
    } else if (m_KeyLock == 0 && m_ClickLock == 0 && backHeld && m_Mode == mode::kMenu &&
               (m_OptionsOpen == 1 || m_SidePanelOpen == 1)) {
        m_SidePanelOpen = 0;
        m_KeyLock = 1;
        m_ClickLock = 1;
    }
    // The options box reads its own input; the screen below must see none.
    if (m_OptionsOpen == 1) {
        m_KeyLock = 1;
        m_ClickLock = 1;
    }
}

// 7. The screen of the mode, then the overlays on top of it.
void c_MyApp::RunScreen() {
    switch (m_Mode) {
        case mode::kMenu:
            p_Menu();
            break;
        case mode::kToMenu:
            p_LoadMenu();
            p_PlaySFX(slots::kSfxMenu, 1.0f, 1.0f, 0);
            m_Mode = mode::kMenu;
            p_Menu();
            break;
        case mode::kQuitAsk:
            p_OuyaQuit();
            break;
        case mode::kStartScreen:
            p_WaitStart(0);
            break;
        case mode::kPlay:
            if (m_Paused == 0) p_Game();
            p_InGame();
            break;
        case mode::kStarting:
            p_LoadGame();
            break;
        default:
            break;
    }
    RunOverlays();
}

// The overlays over every screen: game over, the options box with its slide, and the
// side panel's slide.
void c_MyApp::RunOverlays() {
    if (m_Mode == mode::kMenu || m_Mode == mode::kToMenu ||
        (m_Mode == mode::kPlay && m_GameOver > 0)) {
        p_GameOver();
    }
    if (m_OptionsOpen == 1 || m_OptionsSlide > 0) p_OptionBox();
    if (m_OptionsOpen == 1) {
        if (m_OptionsSlide < kOptionsSlideIn) ++m_OptionsSlide;
    } else if (m_OptionsSlide > 0) {
        --m_OptionsSlide;
    }
    if (m_SidePanelOpen == 0) {
        m_SidePanelX -= m_SidePanelX / 8.0f;
        if (m_SidePanelX < kSnap) m_SidePanelX = 0;
    } else {
        float target = qo_Game_jscrw - kSidePanelWidth;
        if (m_SidePanelX < target) {
            m_SidePanelX += (target - m_SidePanelX) / 8.0f;
            if (target - m_SidePanelX < kSnap) m_SidePanelX = target;
        }
    }
}

// 9. iCade letters into virtual buttons; presses last one update.
void c_MyApp::UpdateVirtualButtons() {
    if (qo_Game_iCadeControls == 1) {
        for (int c = qo_input_GetChar(); c != 0; c = qo_input_GetChar()) {
            m_LastChar = c;
            int upper = c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c;
            for (const ICadeLetter& letter : kICade) {
                if (upper == letter.press) m_VButton[letter.button] = 2;
                if (upper == letter.release) m_VButton[letter.button] = 0;
            }
        }
    }
    for (int i = 0; i <= button::kLastPress; ++i) {
        if (m_VButton[i] == 1) m_VButton[i] = 0;
    }
}

// 11. Debug line.
void c_MyApp::DrawDebugLine() {
    p_ResetDraw();
    p_SetCol(255, 255, 255, 1.0f);
    p_SetSize(1.0f, kOmitted);
    String line = String(m_RenderFpsAvg) + String(":") + String(m_ScaleX) + String(",") +
                  String(m_ScaleY) + String(" - ") + String(m_DrawCount / kRecordFloats);
    p_Text(16, qo_Game_jscrh - 16, line, 0, 0, 0);
}

namespace {

// A running game pauses with its panel mid-screen; anywhere else nothing is paused.
void PauseForSuspend(c_MyApp* app) {
    if (app->m_Mode >= mode::kPlay) {
        app->m_Paused = 1;
        app->m_PauseCursor = 1;
        app->m_PausePanelY = static_cast<int>(qo_Game_jscrh * 0.5f);
    } else {
        app->m_Paused = 0;
        app->m_PauseCursor = 0;
        app->m_PausePanelY = 0;
    }
}

void DropControllerInput(c_MyApp* app) {
    qo_input_DisableKeyboard();
    qo_Game_iCadeControls = 0;
    for (int i = 0; i <= button::kLastPress; ++i) app->m_VButton[i] = 0;
}

}  // namespace

int c_MyApp::p_OnSuspend() {
    DropControllerInput(this);
    PauseForSuspend(this);
    qo_app_SetUpdateRate(5);
    p_Save();
    return 0;
}

int c_MyApp::p_OnResume() {
    PauseForSuspend(this);
    qo_app_SetUpdateRate(60);
    DropControllerInput(this);
    return 0;
}
