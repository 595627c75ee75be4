// Screen dressing: the background colour that eases toward each screen's choice (and
// starts the picture), the parallax star field that wraps around the screen edges, the
// particle pool; and the seeded random stream the effects and the levels draw from.
#include <algorithm>
#include <cmath>

#include "game/my_app.h"
#include "game/random.h"

namespace {

constexpr int kRecord = 10;
// The pools hold 510 records; counts past that would index beyond the table.
constexpr int kLastRecord = c_MyApp::kPoolFloats / kRecord - 1;
// The marker a caller passes to ask for a clock-based seed.
constexpr int kClockSeed = -37171650;

float StarFrame() {
    return std::floor(qo_random_Rnd() * 255.99f);
}
float StarDepth() {
    return qo_random_Rnd() * 0.6f + 0.2f;
}

}  // namespace

int c_MyApp::p_SeedRnd(int seed) {
    qo_random_Seed = seed == kClockSeed ? qo_app_Millisecs() : seed;
    for (int i = 0; i < 21; ++i) qo_random_Rnd();
    return 0;
}

int c_MyApp::p_Rand(float lo, float hi) {
    float r = qo_random_Rnd();
    return static_cast<int>(std::floor(lo + (hi + kRnd099 - lo) * r));
}

int c_MyApp::p_DoBG(int r, int g, int b, float alpha) {
    if (r >= -122) m_BGTargetR = static_cast<float>(r);
    if (g >= -122) m_BGTargetG = static_cast<float>(g);
    if (b >= -122) m_BGTargetB = static_cast<float>(b);
    m_BGR -= (m_BGR - m_BGTargetR) * 0.125f;
    m_BGG -= (m_BGG - m_BGTargetG) * 0.125f;
    m_BGB -= (m_BGB - m_BGTargetB) * 0.125f;
    float opacity = alpha == -123.0f ? 1.0f : alpha < 0 ? 0.0f : std::min(alpha, 1.0f);
    return p_CLS2D(m_BGR, m_BGG, m_BGB, opacity);
}

int c_MyApp::p_ResetStars(int n) {
    p_SeedRnd(qo_app_Millisecs());
    if (n >= 1 && n <= 499) {
        m_StarCount = n;
    } else {
        n = m_StarCount;
    }
    n = std::min(n, kLastRecord);
    float* stars = m_Stars.Data();
    for (int i = 0; i <= n; ++i) {
        float* star = stars + i * kRecord;
        star[0] = StarFrame();
        star[1] = qo_random_Rnd() * (qo_Game_jscrw + 16) - 8;
        star[2] = qo_random_Rnd() * (qo_Game_jscrh + 16) - 8;
        star[3] = StarDepth();
        star[5] = qo_random_Rnd() * 360;
        star[6] = qo_random_Rnd() - 0.5f;
    }
    return 0;
}

int c_MyApp::p_DoStars(float dx, float dy) {
    // Seeding from the clock here also makes later draws of this update follow it.
    p_SeedRnd(qo_app_Millisecs());
    p_ResetDraw();
    float o = qo_Game_overscan, w = qo_Game_jscrw, h = qo_Game_jscrh;
    int last = std::min(m_StarCount, kLastRecord);
    float* stars = m_Stars.Data();
    for (int i = 0; i <= last; ++i) {
        float* star = stars + i * kRecord;
        float& x = star[1];
        float& y = star[2];
        float& depth = star[3];
        x += dx * depth;
        y += dy * depth;
        auto reenterAcross = [&] {
            y = qo_random_Rnd() * (h + 16) - 8;
            depth = StarDepth();
            star[0] = StarFrame();
        };
        auto reenterAlong = [&] {
            x = qo_random_Rnd() * (w + 16) - 8;
            depth = StarDepth();
            star[0] = StarFrame();
        };
        if (x < -(o + 16)) {
            x += w + 2 * o + 32;
            reenterAcross();
        }
        if (x > w + o + 16) {
            x -= w + 2 * o + 32;
            reenterAcross();
        }
        if (y < -(o + 16)) {
            y += h + 2 * o + 32;
            reenterAlong();
        }
        if (y > h + o + 16) {
            y -= h + 2 * o + 32;
            reenterAlong();
        }
        star[5] += star[6];
        p_SetCol(255, 255, 255, depth);
        p_SetRot(star[5]);
        p_SetSize(1, 1);
        p_DrawImg(slots::kImgParts, x, y, star[0]);
    }
    p_ResetDraw();
    return 0;
}

int c_MyApp::p_ResetParticles(int n) {
    if (n >= 1 && n < 500) {
        m_ParticleCount = n;
    } else {
        n = m_ParticleCount;
    }
    n = std::min(n, kLastRecord);
    for (int i = 0; i <= n; ++i) m_Particles[i * kRecord] = 0;
    return 0;
}

int c_MyApp::p_DoParticles(float scale) {
    int last = std::min(m_ParticleCount, kLastRecord);
    float* pool = m_Particles.Data();
    for (int i = 0; i <= last; ++i) {
        float* p = pool + i * kRecord;
        int kind = static_cast<int>(p[0]);
        if (kind <= 0) continue;
        p[1] += p[3];
        p[2] += p[4];
        // Kind 3 keeps its floor height where the others keep their angle.
        float rotation = 0;
        if (kind != 3 && kind != 99) {
            p[5] += p[6];
            rotation = p[5];
        }
        if (kind == 2) {
            p[3] *= 0.95f;
            p[4] += 0.2f;
        } else if (kind == 3) {
            p[3] *= 0.98f;
            p[4] += 0.2f;
            if (p[5] < p[2]) p[4] = 2 * qo_random_Rnd() - 3;
        }
        p_Alpha(std::min(p[7], 1.0f));
        p_SetSize(scale, scale);
        p_Ink(static_cast<int>(p[8]), 1);
        p_SetRot(rotation);
        float sx = p[1] - m_CamX, sy = p[2] - m_CamY;
        if (kind >= 1 && kind <= 9) {
            p_DrawImg(slots::kImgParts, sx, sy, p[9]);
        } else if (kind == 16) {
            p_Rect(std::floor(sx / 16) * 16, std::floor(sy / 16) * 16, 16, 16);
        } else if (kind == 99) {
            p_Text(sx, sy, String(static_cast<int>(p[9])), 1, 1, 0);
        }
        p[7] -= kind == 4 ? 0.003f : kind == 16 ? 0.013f : 0.01f;
        if (p[7] < 0) p[0] = 0;
    }
    p_ResetDraw();
    return 0;
}
