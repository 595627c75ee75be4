// The application object's construction, marking and start-up, and the game's module
// globals. The tables are allocated once here and reused for the whole run.
#include "game/my_app.h"

#include "audio/sound.h"
#include "game/random.h"
#include "graphics/image.h"

int qo_Game_GameNum = 0;
int qo_Game_J_On_Allow = 0;
int qo_Game_J_On_Able = 0;
int qo_Game_isOuya = 0;
float qo_Game_overscan = 0;
int qo_Game_iCadeControls = 0;
int qo_Game_OnScreenControls = 0;
int qo_Game_AccelerometerControls = 0;
int qo_Game_HasMusicStream = 0;
int qo_Game_FadeOutStyle = 0;
int qo_Game_DebugMode = 0;
int qo_Game_UseHDImages = 0;
float qo_Game_rawscrw = 0, qo_Game_rawscrh = 0;
float qo_Game_jscrw = 0, qo_Game_jscrh = 0;
Array<String> qo_Game_MenuSet;
Array<String> qo_Game_CreditText;

GC_ROOT(qo_Game_MenuSet);
GC_ROOT(qo_Game_CreditText);

namespace {

// The number the check-in sends as gameID.
constexpr int kGameNumber = 4107;

const char* const kMenuSet[] = {
    "Small",  "Short and Simple\\nLittle levels.",
    "Medium", "The Goldilocks Zone\\nMedium sized levels.",
    "Large",  "Larger Levels\\nwith tricky bits.",
};

const char* const kCredits[] = {
    "-=-=-",
    "Tessory",
    "",
    "A game by",
    "the Tessory team",
    "",
    "-=-=-",
    "Made in C++",
    "with GLFW, OpenGL,",
    "OpenAL, stb and Cairo",
    "Thanks to everyone",
    "who builds them",
    "",
    "-=-=-",
    "Framework Helpers",
    "GLFW, OpenAL Soft",
    "stb_image, stb_vorbis",
    "",
    "-=-=-",
    "Graphics",
    "drawn by code with cairo",
    "",
    "-=-=-",
    "Audio",
    "synthesised by code",
    "",
    "-=-=-",
    "Thanks To",
    "our playtesters",
    "",
    "-=-=-",
    "Hello to",
    "everyone rolling cubes",
    "Thanks to",
    "you, for playing",
    "",
};

Array<String> StringArray(const char* const* lines, int count) {
    Array<String> result(count);
    for (int i = 0; i < count; ++i) result[i] = String::FromUtf8(lines[i]);
    return result;
}

}  // namespace

void qo_Game_Init() {
    qo_random_Seed = 0;
    qo_Game_GameNum = kGameNumber;
    qo_Game_J_On_Allow = 0;
    qo_Game_J_On_Able = 0;
    qo_Game_isOuya = 0;
    qo_Game_overscan = 0.0f;
    qo_Game_iCadeControls = 0;
    qo_Game_OnScreenControls = 0;
    qo_Game_AccelerometerControls = 0;
    qo_Game_HasMusicStream = 1;
    qo_Game_FadeOutStyle = 1;
    qo_Game_DebugMode = 0;
    qo_Game_UseHDImages = 1;
    qo_Game_rawscrw = 640.0f;
    qo_Game_rawscrh = 480.0f;
    qo_Game_jscrw = 640.0f;
    qo_Game_jscrh = 480.0f;
    gc_assign(qo_Game_MenuSet, StringArray(kMenuSet, sizeof kMenuSet / sizeof *kMenuSet));
    gc_assign(qo_Game_CreditText, StringArray(kCredits, sizeof kCredits / sizeof *kCredits));
    qo_Game_InitCheckIn();
}

c_MyApp* c_MyApp::m_new() {
    c_App::m_new();
    m_HttpText = String("N/A");
    gc_assign(m_VButton, Array<int>(20));
    gc_assign(m_Settings, Array<int>(25));
    m_Settings[5] = 1;
    gc_assign(m_Scores, Array<int>(150));
    gc_assign(m_BadgeGot, Array<bool>(256));
    gc_assign(m_BadgeQueue, Array<int>(15));
    gc_assign(m_BadgeTimer, Array<int>(15));
    gc_assign(m_TouchDown, Array<int>(10));
    gc_assign(m_TouchX, Array<int>(10));
    gc_assign(m_TouchY, Array<int>(10));
    gc_assign(m_Grid, Array<float>(kGridFloats));
    gc_assign(m_Cube, Array<float>(512));
    gc_assign(m_Objs, Array<float>(kPoolFloats));
    gc_assign(m_SpareInts, Array<int>(5));
    gc_assign(m_Stars, Array<float>(kPoolFloats));
    gc_assign(m_Particles, Array<float>(kPoolFloats));
    gc_assign(m_Sounds, Array<c_Sound*>(kSoundSlots));
    gc_assign(m_SfxChannels, Array<int>(33));
    gc_assign(m_DrawList, Array<float>(kDrawFloats));
    gc_assign(m_Images, Array<c_Image*>(kImageSlots));
    gc_assign(m_ImgSize, Array<int>(kImageSlots * 3));
    gc_assign(m_ToyTrail, Array<float>(512));
    return this;
}

void c_MyApp::mark() {
    c_App::mark();
    gc_mark_q(m_VButton);
    gc_mark_q(m_Settings);
    gc_mark_q(m_Scores);
    gc_mark_q(m_BadgeGot);
    gc_mark_q(m_BadgeQueue);
    gc_mark_q(m_BadgeTimer);
    gc_mark_q(m_TouchDown);
    gc_mark_q(m_TouchX);
    gc_mark_q(m_TouchY);
    gc_mark_q(m_HttpRequest);
    gc_mark_q(m_Grid);
    gc_mark_q(m_Cube);
    gc_mark_q(m_Objs);
    gc_mark_q(m_SpareInts);
    gc_mark_q(m_Stars);
    gc_mark_q(m_Particles);
    gc_mark_q(m_Sounds);
    gc_mark_q(m_SfxChannels);
    gc_mark_q(m_DrawList);
    gc_mark_q(m_Images);
    gc_mark_q(m_ImgSize);
    gc_mark_q(m_ToyTrail);
}

int c_MyApp::p_OnCreate() {
    m_Fullscreen = 0;
    m_WheelSel = 0;
    m_WheelTarget = -0.0f;
    if (qo_Game_isOuya == 1) {
        m_InputMethod = 1;
        qo_Game_overscan = 64.0f;
    }
    if (qo_Game_J_On_Allow == 1) {
        p_GetURL(qo_Game_CheckInUrl, String("hello=1&gameID=") + String(qo_Game_GameNum));
    }
    m_Mode = 1;
    qo_app_SetUpdateRate(60);
    m_StartDevWidth = qo_app_DeviceWidth();
    m_StartDevHeight = qo_app_DeviceHeight();
    m_TiltZeroX = 0;
    m_TiltZeroY = 0;
    p_Reload();

    m_LevelSize = 2;
    m_MenuIntro = -32;
    m_PauseCursor = -1;
    m_PausePanelY = -64;
    m_Paused = 0;
    for (int i = 0; i < 15; ++i) m_BadgeQueue[i] = m_BadgeTimer[i] = 0;
    for (int i = 0; i < 128; ++i) m_BadgeGot[i] = false;
    for (int i = 0; i < 19; ++i) m_VButton[i] = 0;
    for (int i = 0; i < 25; ++i) m_Settings[i] = 0;
    m_Settings[5] = 1;
    for (int i = 0; i <= 30; ++i) m_Scores[i] = 0;
    p_Load();
    for (int i = 0; i <= 32; ++i) m_SfxChannels[i] = i;
    return 0;
}
