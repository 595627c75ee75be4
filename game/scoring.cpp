// The score on screen during play and the game-over overlay: the fade, the two sliding
// bars, the words, and the place the score takes in the current size's top ten.
// Filing the score belongs to the saved state; this file only announces its place.
#include <algorithm>
#include <cmath>

#include "game/my_app.h"
#include "game/vocabulary.h"
#include "runtime/host/app.h"

namespace {

constexpr int kGameMode = mode::kPlay;
constexpr int kMenuMode = mode::kToMenu;
// The overlay builds for this many updates in game mode, then hands over to the menu,
// where it fades from kOverlayHandover by 2 an update.
constexpr int kOverlayUpdates = 90;
constexpr int kOverlayHandover = 73;
constexpr int kTableSize = 10;
constexpr float kRayLength = 800.0f;
constexpr float kPi = 3.14159265f;

// A point at kRayLength from (px, py), `degrees` clockwise from straight up.
void RayPoint(float px, float py, float degrees, float* x, float* y) {
    float radians = degrees * kPi / 180.0f;
    *x = px + std::sin(radians) * kRayLength;
    *y = py - std::cos(radians) * kRayLength;
}

}  // namespace

int c_MyApp::p_ScoreDisplay() {
    m_ShownScore = m_ShownScore - (m_ShownScore - m_Score) / 6;
    if (std::abs(m_ShownScore - m_Score) <= 5) m_ShownScore = m_Score;
    if (m_HideOverlay != 1) {
        p_SetCol(100, 255, 100, 0.8f);
        p_SetSize(2, kOmitted);
        p_Text(0.75f * qo_Game_jscrw, 28, p_rstr(m_ShownScore, 8, String("0")), 1, 1, 0);
        p_ResetDraw();
    }
    return 0;
}

String c_MyApp::p_MyNth() {
    static const char* const kOrdinals[] = {"1st!", "2nd", "3rd", "4th", "5th",
                                            "6th",  "7th", "8th", "9th", "10th"};
    // While the overlay builds in game mode the score is not filed yet: announce where it
    // will be. Over the menu it is in the table, so the place it took is kept.
    if (m_Mode == kGameMode) m_NewRank = p_FilingPlace();
    if (m_NewRank < 0 || m_NewRank >= kTableSize) return String();
    return String(kOrdinals[m_NewRank]);
}

int c_MyApp::p_GameOver() {
    const int t = m_GameOverTime;
    const float w = qo_Game_jscrw, h = qo_Game_jscrh, o = qo_Game_overscan;
    if (t > 0) {
        m_KeyLock = 1;
        m_ClickLock = 1;
        const float a = std::min(static_cast<float>(t) / 40.0f, 0.7f);

        p_SetCol(0, 0, 0, a);
        if (qo_Game_FadeOutStyle == 2) {
            const float px = static_cast<float>(static_cast<int>(w / 2));
            const float py = static_cast<float>(static_cast<int>(h + o));
            const int turn = (qo_app_Millisecs() / 60) % 20;
            int first = -12, last = 12;
            if (m_Mode == kGameMode) {
                last = std::min(t / 2 - 12, 12);
            } else {
                first = std::max(12 - t / 4, -12);
            }
            for (int k = first; k <= last; ++k) {
                float x1, y1, x2, y2;
                RayPoint(px, py, static_cast<float>(turn + 10 * k), &x1, &y1);
                RayPoint(px, py, static_cast<float>(turn + 10 * k + 10), &x2, &y2);
                p_Alpha(k % 2 == 0 ? a * a : a);
                p_Tri(px, py, x1, y1, x2, y2);
            }
        } else if (qo_Game_FadeOutStyle == 1) {
            p_Rect(-(o + 1), -(o + 1), w + 2 * (o + 1), h + 2 * (o + 1));
        } else {
            p_Rect(-1, -1, w + 2, h + 2);
        }

        const int bar = static_cast<int>(std::min(12.0f * static_cast<float>(t), 0.45f * h));
        const float barF = static_cast<float>(bar);
        p_SetCol(255, 255, 0, 0.5f);
        p_Rect(-1, 0.45f * h - 8, 2 * barF, 16);
        p_SetCol(255, 128, 0, 0.5f);
        p_Rect(w - 2 * barF, 0.55f * h - 8, 2 * barF + 1, 16);

        p_SetSize(4, kOmitted);
        p_SetCol(255, 180, 180, 1);
        const bool quit = m_QuitGame == -1;
        p_Text(0.35f * w, barF, String(quit ? "Quit" : "GAME"), 1, 1, 0);
        p_Text(0.65f * w, h - barF, String(quit ? "Game" : "OVER"), 1, 1, 0);

        String place = p_MyNth();
        if (place.Length() > 0) {
            p_SetCol(0, 125, 255, 0.5f);
            p_Rect(0.35f * w, h - barF / 1.5f - 16, 0.3f * w, 32);
            p_SetSize(2, kOmitted);
            p_SetCol(100, 255, 100, 1);
            p_Text(0.5f * w, h - barF / 1.5f, String("New Highscore\\n           ") + place, 0.5f,
                   2, 0);
        }
        p_ResetDraw();
    }

    if (m_Mode == kGameMode) {
        m_GameOverTime = t + 1;
        if (m_GameOverTime >= kOverlayUpdates) {
            m_Mode = kMenuMode;
            m_GameOverTime = kOverlayHandover;
            if (qo_Game_HasMusicStream == 1) {
                p_StopTune();
                m_MusicOn = 0;
            }
        }
    } else if (m_Mode < kGameMode) {
        m_GameOverTime = std::max(t - 2, 0);
    }
    return 0;
}
