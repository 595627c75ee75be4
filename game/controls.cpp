// The game's buttons: one question, "is virtual button b down for player p", answered
// from the keyboard, the player's joystick (pad buttons and stick), and the on-screen
// virtual buttons, with a reduced layout for an arcade cabinet's key encoding. And the
// movement vector that steers the cube from a dragged finger, the stick and the keys.
#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "game/my_app.h"
#include "game/vocabulary.h"
#include "input/input_device.h"
#include "input/key_codes.h"

namespace {

// Sources of one button: key codes, pad buttons of the player's port, virtual buttons;
// each list ends at its first -1.
struct Sources {
    int keys[5] = {-1, -1, -1, -1, -1};
    int pads[4] = {-1, -1, -1, -1};
    int virtuals[4] = {-1, -1, -1, -1};
};

Sources S(std::initializer_list<int> keyList, std::initializer_list<int> padList,
          std::initializer_list<int> virtualList) {
    Sources sources;
    std::copy(keyList.begin(), keyList.end(), sources.keys);
    std::copy(padList.begin(), padList.end(), sources.pads);
    std::copy(virtualList.begin(), virtualList.end(), sources.virtuals);
    return sources;
}

template <size_t N>
bool AnyDown(const int (&list)[N], int base, bool (*down)(int, int), int arg) {
    for (size_t i = 0; i < N && list[i] >= 0; ++i) {
        if (down(base + list[i], arg)) return true;
    }
    return false;
}

constexpr float kStickThreshold = 0.4f;

bool Standard(int button, Sources* out) {
    using namespace keys;
    switch (button) {
        case button::kUp:
            *out = S({kUp, Letter('W')}, {9}, {0});
            return true;
        case button::kLeft:
            *out = S({kLeft, Letter('A')}, {8}, {3});
            return true;
        case button::kRight:
            *out = S({kRight, Letter('D')}, {10}, {5});
            return true;
        case button::kDown:
            *out = S({kDown, Letter('S')}, {11}, {8});
            return true;
        case 10:
            *out = S({Letter('Z'), Letter('J'), kSpace, kEnter}, {0}, {10});
            return true;
        case 11:
            *out = S({Letter('X'), Letter('K'), kControl}, {1}, {11});
            return true;
        case 12:
            *out = S({Letter('C'), Letter('L'), kShift}, {2}, {12});
            return true;
        case 13:
            *out = S({Letter('V'), Letter('I')}, {3}, {13});
            return true;
        case 14:
            *out = S({Letter('B'), Letter('U')}, {4}, {14});
            return true;
        case 15:
            *out = S({Letter('N'), Letter('O')}, {5}, {15});
            return true;
        default:
            return false;
    }
}

bool Arcade(int button, Sources* out) {
    using namespace keys;
    switch (button) {
        case button::kUp:
            *out = S({kUp}, {9}, {0});
            return true;
        case button::kLeft:
            *out = S({kLeft}, {8}, {3});
            return true;
        case button::kRight:
            *out = S({kRight}, {10}, {5});
            return true;
        case button::kDown:
            *out = S({kDown}, {11}, {8});
            return true;
        case 10:
            *out = S({kSpace, kEnter}, {0}, {10});
            return true;
        case 11:
            *out = S({kControl}, {1}, {11});
            return true;
        case 12:
            *out = S({kShift}, {2}, {12});
            return true;
        case 13:
            *out = S({}, {3}, {13});
            return true;
        case 14:
            *out = S({}, {4}, {14});
            return true;
        case 15:
            *out = S({}, {5}, {15});
            return true;
        case button::kConsoleBack:
        case button::kBack:
            *out = S({kEscape, kDelete, kBackspace}, {6, 7, 14}, {16, 17, 19});
            return true;
        default:
            return false;
    }
}

// The back buttons of the standard layout, desktop or console.
bool Back(int button, Sources* out) {
    using namespace keys;
    if (qo_Game_isOuya == 0) {
        *out = S({kEscape, kBackquote, kDelete, kBackspace}, {6, 7, 14}, {16, 17, 19});
        return true;
    }
    if (qo_Game_isOuya != 1) return false;
    if (button == button::kBack) {
        *out = S({kEscape}, {6, 7}, {19});
    } else {
        *out = S({kEscape}, {6}, {19});
    }
    return true;
}

}  // namespace

int c_MyApp::p_PlayKey(int button, int analogue, int player) {
    if (player < -1) return 0;
    Sources sources;
    bool known;
    if (qo_Game_iCadeControls == 0) {
        known = button == button::kConsoleBack || button == button::kBack
                    ? Back(button, &sources)
                    : Standard(button, &sources);
    } else if (qo_Game_iCadeControls == 1) {
        known = Arcade(button, &sources);
    } else {
        return 0;
    }
    if (!known) return 0;

    auto keyDown = [](int code, int) { return qo_input_KeyDown(code); };
    if (AnyDown(sources.keys, 0, keyDown, 0)) return 1;
    for (int i = 0; i < 4 && sources.virtuals[i] >= 0; ++i) {
        if (m_VButton[sources.virtuals[i]] > 0) return 1;
    }
    if (player < 0 || player > 3) return 0;
    if (AnyDown(sources.pads, keys::kJoyButtons + 32 * player, keyDown, 0)) return 1;
    // The stick only stands in for the directions, and only in the standard layout.
    if (analogue != 1 || qo_Game_iCadeControls != 0) return 0;
    switch (button) {
        case 0:
            return p_StickY(0, player) < -kStickThreshold ? 1 : 0;
        case 3:
            return p_StickX(0, player) < -kStickThreshold ? 1 : 0;
        case 5:
            return p_StickX(0, player) > kStickThreshold ? 1 : 0;
        case 8:
            return p_StickY(0, player) > kStickThreshold ? 1 : 0;
        default:
            return 0;
    }
}

int c_MyApp::p_PlayKeyAll(int button, int analogue) {
    int count = 0;
    for (int player = 0; player < 4; ++player) count += p_PlayKey(button, analogue, player);
    return count;
}

float c_MyApp::p_StickX(int axis, int player) {
    if (player < 0) return 0;
    return qo_input_JoyX(axis, player);
}

float c_MyApp::p_StickY(int axis, int player) {
    if (player < 0) return 0;
    float reading = qo_input_JoyY(axis, player);
    int setting = 15 + axis;
    bool passThrough = setting >= 0 && setting < m_Settings.Length() && m_Settings[setting] != 0;
    return passThrough ? reading : -reading;
}

int c_MyApp::p_AnalogueControl() {
    m_MoveX = 0;
    m_MoveY = 0;

    // Drag stick: the anchor is where the finger landed, trailing it when it strays far.
    if (!m_PointerDown) {
        m_DragX = -1;
    } else {
        if (m_DragX < 0) {
            m_DragX = m_PointerX;
            m_DragY = m_PointerY;
        } else {
            m_MoveX = static_cast<float>(m_PointerX - m_DragX) / 72.0f;
            m_MoveY = static_cast<float>(m_PointerY - m_DragY) / 72.0f;
            if (std::fabs(m_MoveX) < 0.1f) m_MoveX = 0;
            if (std::fabs(m_MoveY) < 0.1f) m_MoveY = 0;
            auto trail = [](int& anchor, int pointer) {
                if (pointer - anchor > 64) anchor += 4;
                if (anchor - pointer > 64) anchor -= 4;
            };
            trail(m_DragX, m_PointerX);
            trail(m_DragY, m_PointerY);
            if (m_DragX < 0) {
                m_DragX = m_PointerX;
                m_DragY = m_PointerY;
            }
        }
        p_SetCol(0, 100, 250, 0.25f);
        p_Oval(static_cast<float>(m_DragX), static_cast<float>(m_DragY), 12, 12);
        p_Oval(static_cast<float>(m_PointerX), static_cast<float>(m_PointerY), 8, 8);
    }

    float jx = p_StickX(0, 0);
    float jy = p_StickY(0, 0);
    if (std::fabs(jx) > 0.2f || std::fabs(jy) > 0.2f) {
        m_MoveX = jx;
        m_MoveY = jy;
    }

    // Keys ease in and out, so a tap and a hold both read as a clear direction.
    auto ease = [this](int negativeButton, int positiveButton, float& keyMove, float& move) {
        if (p_PlayKey(negativeButton, 0, 0)) {
            keyMove -= 0.15f;
            move = keyMove;
        } else if (keyMove < 0) {
            keyMove = std::min(keyMove + 0.2f, 0.0f);
            move = keyMove;
        }
        if (p_PlayKey(positiveButton, 0, 0)) {
            keyMove += 0.15f;
            move = keyMove;
        } else if (keyMove > 0) {
            keyMove = std::max(keyMove - 0.2f, 0.0f);
            move = keyMove;
        }
    };
    ease(0, 8, m_KeyMoveY, m_MoveY);
    ease(3, 5, m_KeyMoveX, m_MoveX);

    m_MoveX = std::clamp(m_MoveX, -1.0f, 1.0f);
    m_MoveY = std::clamp(m_MoveY, -1.0f, 1.0f);
    m_KeyMoveX = std::clamp(m_KeyMoveX, -1.0f, 1.0f);
    m_KeyMoveY = std::clamp(m_KeyMoveY, -1.0f, 1.0f);

    if (qo_Game_DebugMode == 1 && (std::fabs(m_MoveX) > 0.05f || std::fabs(m_MoveY) > 0.05f)) {
        float cx = qo_Game_jscrw - 64, cy = qo_Game_jscrh - 64;
        p_SetCol(0, 180, 250, 0.5f);
        p_Oval(cx, cy, 12, 12);
        p_Oval(cx + 52 * m_MoveX, cy + 52 * m_MoveY, 8, 8);
    }
    p_ResetDraw();
    return 0;
}

int c_MyApp::p_iCade(int on) {
    if (on == 1) {
        qo_input_EnableKeyboard();
        qo_Game_iCadeControls = 1;
        do {
            m_LastChar = qo_input_GetChar();
        } while (m_LastChar != 0);
    } else if (on == 0) {
        qo_input_DisableKeyboard();
        qo_Game_iCadeControls = 0;
        for (int i = 0; i <= 18; ++i) m_VButton[i] = 0;
    }
    return 0;
}
