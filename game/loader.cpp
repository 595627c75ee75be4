// The asset loader: one or two files per update so the window keeps drawing its
// loading screen, the loading (and start) screen itself, and the start of a new game.
#include <algorithm>
#include <cmath>
#include <vector>

#include "game/my_app.h"
#include "game/random.h"
#include "game/slots.h"

namespace {

using namespace slots;

// Eleven dots on a circle, fading in from the tail.
void Ring(c_MyApp* app, float cx, float cy, float radius, float startAngle, float diameter) {
    for (int i = 0; i <= 10; ++i) {
        float a = startAngle + 4.0f * static_cast<float>(i);
        app->p_Alpha(static_cast<float>(i) / 10.0f);
        app->p_Oval(cx + SinD(a) * radius, cy - CosD(a) * radius, diameter / 2, diameter / 2);
    }
}

// The images each loader step loads, in order; the font's entry has no frame count.
struct StepImage {
    int step, slot;
    const char* name;
    int w, h, frames;
};
constexpr StepImage kStepImages[] = {
    {1, kImgIcons, "common/icons", 32, 32, 16},
    {2, kImgButtons, "common/Buttons", 64, 64, 16},
    {3, kImgDpad, "common/dpad", 32, 32, 16},
    {4, kImgMakerLogo, "common/TolvLogo", 256, 256, 1},
    {5, kFontShadow, "fonts/shadow_editundo", 7, 10, 0},
    {6, kImgMenu, "menu", 256, 256, 4},
    {6, kImgTitle, "logo", 256, 128, 1},
    {7, kImgBadges, "BadgesA", 64, 64, 64},
    {7, kImgParts, "parts", 8, 8, 256},
    {8, kImgCircle, "common/circle", 256, 256, 4},
    {8, kImgLight, "common/light", 32, 32, 4},
    {9, kImgCube, "0", 32, 32, 64},
    {10, kImgCube + 1, "1", 32, 32, 64},
    {11, kImgCube + 2, "2", 32, 32, 64},
    {12, kImgCube + 3, "3", 32, 32, 64},
    {13, kImgLevel, "9", 32, 32, 16},
};

}  // namespace

void c_MyApp::DecodeLoaderImagesAhead(bool withReload) {
    std::vector<const char*> names;
    if (withReload) names = {kReloadLogo, kReloadFont};
    for (const StepImage& image : kStepImages) names.push_back(image.name);
    DecodeImagesAhead(names);
}

int c_MyApp::p_Loader() {
    ChooseImageTier();
    // Every image of this load decodes on worker threads from the first step on.
    if (m_LoadStep == 1) DecodeLoaderImagesAhead(false);
    for (const StepImage& image : kStepImages) {
        if (image.step != m_LoadStep) continue;
        // Images load with flags 1: their handle in the middle.
        if (image.frames == 0) {
            p_LoadFont(image.slot, String(image.name), image.w, image.h);
        } else {
            p_LoadImg(image.slot, String(image.name), image.w, image.h, image.frames, 1);
        }
    }
    switch (m_LoadStep) {
        case 1:
            p_LoadSFX(96);
            p_PrefetchTune(String("jazzed"));
            // Slot 81's 2048 x 2048 drawable image is left out: no screen draws it.
            break;
        case 2:
            p_LoadSFX(1);
            break;
        case 3:
            p_LoadSFX(98);
            break;
        case 4:
            p_PlaySFX(slots::kSfxMenu, 1.0f, 1.0f, 0);
            break;
        case 5:
            p_LoadSFX(99);
            break;
        case 6:
            p_LoadSFX(95);
            break;
        case 14:
        case 15:
        case 16:
        case 17:
        case 18:
            p_LoadSFX(m_LoadStep - 13);
            break;
        case 19:
            p_LoadSFX(6);
            // The tune has been decoding since step 1: upload it now, in the loader,
            // rather than in the update where the first game's cube lands.
            p_PrefetchTune(String("jazzed"));
            break;
        default:
            // Steps 7 to 13 load images only; after step 19 loading is complete.
            if (m_LoadStep > 19) m_LoadStep = 0;
            break;
    }
    if (m_LoadStep > 0) ++m_LoadStep;
    p_WaitStart(1);
    return 0;
}

int c_MyApp::p_WaitStart(int loading) {
    m_BGTargetR = m_BGTargetG = m_BGTargetB = 0;
    m_BGR -= m_BGR / 8.0f;
    m_BGG -= m_BGG / 8.0f;
    m_BGB -= m_BGB / 8.0f;
    m_ClsR = m_BGR;
    m_ClsG = m_BGG;
    m_ClsB = m_BGB;
    m_ClsA = 1.0f;

    m_DrawCount = 0;
    p_ResetDraw();

    float w = qo_Game_jscrw, h = qo_Game_jscrh;
    float cx = w / 2, cy = h / 2;
    auto s = static_cast<float>(static_cast<int>(std::min(w, h)));
    m_SpinAngle += 3;
    auto spin = static_cast<float>(m_SpinAngle);

    if (loading == 1) {
        p_SetCol(0, 125, 255, kOmitted);
        Ring(this, cx, cy, 0.45f * s, spin, 16);
    }
    p_SetCol(255, 255, 255, 1.0f);
    p_SetSize(2.0f, kOmitted);
    p_DrawImg(93, cx, 0.48f * h, 0);
    p_SetSize(1.0f, kOmitted);
    if (loading == 1) {
        p_SetCol(255, 125, 0, kOmitted);
        Ring(this, cx, cy, 0.4f * s, spin + 120, 12);
        Ring(this, cx, cy, 0.35f * s, spin + 240, 8);
    }
    p_SetCol(255, 255, 255, 1.0f);
    p_Text(cx, h - 32, String("Loading..."), 1.0f, 1.0f, 0);

    if (loading == 0) {
        m_ClickLock = 1;
        m_Mode = mode::kMenu;
        p_Reload();
        qo_app_SetUpdateRate(60);
    }
    return 0;
}

int c_MyApp::p_LoadGame() {
    m_Mode = mode::kPlay;

    p_ResetPlayers();
    m_Cube[cube::kDir] = cube::kResting;
    p_ResetObj();
    // The 20 MB grid is not cleared here: p_GetLev below clears it before anything reads
    // it, and a second clear cost almost a millisecond of the starting update.
    p_ResetStars(100);
    m_ParticleCount = 250;
    std::fill(m_Particles.Data(), m_Particles.Data() + m_Particles.Length(), 0.0f);
    m_CamX = m_CamY = 0;
    m_CamTargetX = m_CamTargetY = 0;
    m_MoveX = m_MoveY = 0;
    m_KeyMoveX = m_KeyMoveY = 0;
    m_ButtonHit = 0;
    m_Paused = 0;
    m_Score = 0;
    m_GameOver = 0;
    m_GameOverTime = 0;
    m_QuitGame = 0;

    p_SeedRnd(qo_app_Millisecs());
    float r = qo_random_Rnd();
    int fixed = qo_app_LevelSeed();
    m_Cube[cube::kSeed] = fixed >= 0 ? static_cast<float>(fixed) : std::floor(r * 37171648.0f);
    m_Cube[cube::kProgress] = 0;

    m_GridW = grid::kLevelSize;
    m_GridH = grid::kLevelSize;
    p_GetLev(1);
    return 0;
}
