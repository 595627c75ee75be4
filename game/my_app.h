// c_MyApp: the whole game as one application object. The host drives it through the
// c_App callbacks; every screen records its picture into the draw list during the
// update, and p_OnRender replays the last list. Methods live in one file per concern.
#pragma once

#include <array>
#include <vector>

#include "audio/sound.h"
#include "game/vocabulary.h"
#include "graphics/image.h"
#include "net/http_request.h"
#include "runtime/array.h"
#include "runtime/host/app.h"
#include "runtime/string.h"

// Marker for an omitted optional float argument of the drawing helpers.
constexpr float kOmitted = -3717.0f;

// Draw-list record kinds below zero; kinds >= 0 are image slots.
constexpr float kDrawRect = -3717.0f;
constexpr float kDrawOval = -3716.0f;
constexpr float kDrawLine = -3715.0f;
constexpr float kDrawTri = -3714.0f;

class c_MyApp : public c_App, public virtual c_IOnHttpRequestComplete {
public:
    // 2,500 records of 15 floats; one slot stays unused because the append test is
    // "count > 37,484", so 2,499 records fit.
    static constexpr int kDrawFloats = 37500;
    static constexpr int kRecordFloats = 15;
    static constexpr int kDrawLimit = 37484;
    static constexpr int kImageSlots = 100;
    static constexpr int kSoundSlots = 100;
    static constexpr int kSfxRing = 24;
    static constexpr int kGridFloats = grid::kFloats;
    static constexpr int kPoolFloats = 5100;

    // ---- shell: modes, input state, locks, settings ---------------------------------------
    int m_Mode = 1;
    int m_LoadStep = 0;
    int m_Paused = 0;
    int m_PauseCursor = -1;
    int m_PausePanelY = -64;
    int m_InputMethod = 0;
    Array<int> m_VButton;     // 20
    Array<int> m_Settings;    // 25, element 5 = 1
    Array<int> m_Scores;      // 150
    Array<bool> m_BadgeGot;   // 256
    Array<int> m_BadgeQueue;  // 15
    Array<int> m_BadgeTimer;  // 15
    int m_LevelSize = 2;
    int m_HideOverlay = 0;
    int m_MusicOn = 0;
    int m_LastUpdateMs = 0;
    int m_UpdateFps = 0;
    int m_UpdateFpsAvg = 0;
    int m_PointerX = 0, m_PointerY = 0;
    int m_PointerPrevX = 0, m_PointerPrevY = 0;
    int m_PointerWasDown = 0;
    int m_PointerDown = 0;
    int m_PointerHits = 0;
    Array<int> m_TouchDown;  // 10
    Array<int> m_TouchX;     // 10; -3717 while the slot is up
    Array<int> m_TouchY;     // 10
    int m_ClickLock = 0;
    int m_KeyLock = 0;
    int m_OptionsOpen = 0;
    int m_OptionsSlide = 0;
    int m_SidePanelOpen = 0;
    float m_SidePanelX = 0;
    int m_LastChar = 0;
    int m_StartDevWidth = 0, m_StartDevHeight = 0;
    float m_TiltZeroX = 0, m_TiltZeroY = 0;
    String m_HttpText;
    c_HttpRequest* m_HttpRequest = nullptr;
    int m_HttpDone = 0;

    // ---- level, cube and play --------------------------------------------------------------
    Array<float> m_Grid;  // laid out as game/vocabulary.h describes (grid::)
    int m_GridW = 0, m_GridH = 0;
    Array<float> m_Cube;  // 512; element meanings in game/vocabulary.h (cube::)
    Array<float> m_Objs;  // 5,100: flying pieces of 10 floats
    float m_CamX = 0, m_CamY = 0;
    float m_CamTargetX = 0, m_CamTargetY = 0;
    int m_Score = 0;
    int m_ShownScore = 0;
    int m_GameOver = 0;
    int m_GameOverTime = 0;
    int m_QuitGame = 0;
    int m_ButtonHit = 0;
    // Place (0 to 9) of the last score in its top ten, -1 when it is not filed there: the
    // would-be place while the game-over overlay builds, the filed one after.
    int m_NewRank = 0;
    // The notice of a failed save: its age in updates (0 none), whether this run has
    // shown it, and what it says was not saved.
    int m_SaveNoticeTimer = 0;
    int m_SaveNoticeShown = 0;
    String m_SaveNoticeText;
    // Games filed in each size's tables since the state was loaded, sent with every save
    // so that a merge with another copy's file takes exactly the new ones.
    std::array<int, 3> m_GamesFiled{};
    // The state and note of the last save asked for: a merge that comes back belongs to it.
    String m_QueuedState, m_QueuedNote;
    // Allocated with the other tables; no screen reads it.
    Array<int> m_SpareInts;  // 5

    // ---- controls --------------------------------------------------------------------------
    float m_MoveX = 0, m_MoveY = 0;
    float m_KeyMoveX = 0, m_KeyMoveY = 0;
    int m_DragX = 0, m_DragY = 0;  // shared by the drag stick and the menu's wheel drag

    // ---- effects ---------------------------------------------------------------------------
    float m_BGTargetR = 0, m_BGTargetG = 0, m_BGTargetB = 0;
    float m_BGR = 0, m_BGG = 0, m_BGB = 0;
    Array<float> m_Stars;      // 5,100: star records of 10 floats
    int m_StarCount = 100;     // index of the last star, inclusive
    Array<float> m_Particles;  // 5,100: particle records of 10 floats
    int m_ParticleCount = 250;

    // ---- audio -----------------------------------------------------------------------------
    Array<c_Sound*> m_Sounds;  // 100
    int m_SfxSlot = 0;
    Array<int> m_SfxChannels;  // 33
    String m_TuneName;

    // ---- drawing state, draw list, image slots, fit ---------------------------------------
    float m_SizeX = 0, m_SizeY = 0;
    float m_Rot = 0;  // the negated p_SetRot argument
    float m_Red = 0, m_Green = 0, m_Blue = 0;
    float m_Alpha = 0;
    int m_Blend = 0;
    float m_ClsR = 0, m_ClsG = 0, m_ClsB = 0, m_ClsA = 0;
    Array<float> m_DrawList;   // 37,500
    int m_DrawCount = 0;       // float index of the next record
    Array<c_Image*> m_Images;  // 100
    Array<int> m_ImgSize;      // 300: frame width, height, count per slot
    int m_Font = 0;
    int m_HDLevel = 0;
    float m_ImgScale = 0;
    int m_LastRenderMs = 0;
    int m_RenderFps = 0, m_RenderFpsAvg = 0;
    float m_ScaleX = 0, m_ScaleY = 0;

    // ---- menus, options, pause, loader -----------------------------------------------------
    int m_MenuFocus = 1;
    int m_WheelSel = 0;
    float m_WheelTarget = -0.0f;
    float m_WheelAngle = 0;
    float m_WheelSpin = 0;
    int m_WheelTouched = 0;
    int m_MenuIntro = -32;
    float m_GearAngle = 0;
    float m_CreditScroll = 0;
    int m_CreditLine = 0;
    int m_OptCursor = 0;
    int m_OptKeyWait = 0;
    int m_OptTouchWait = 0;
    int m_OptRow = 0;
    int m_Fullscreen = 0;
    int m_PauseSel = 0;
    float m_ToyA1 = 0, m_ToyA2 = 0, m_ToyA3 = 0;
    float m_ToySpeed = 25.0f;
    float m_ToyArm = 25.0f;
    Array<float> m_ToyTrail;  // 512
    int m_SpinAngle = 0;

    // Allocates every table once; registers the application with the host.
    c_MyApp* m_new();
    void mark() override;

    // ---- host callbacks (game/my_app.cpp, game/draw_list.cpp) ------------------------------
    int p_OnCreate() override;
    int p_OnRender() override;
    int p_OnHttpRequestComplete(c_HttpRequest* request) override;
    // game/dispatcher.cpp
    int p_OnUpdate() override;
    int p_OnSuspend() override;
    int p_OnResume() override;

    // ---- draw list (game/draw_list.cpp) ----------------------------------------------------
    int p_ResetDraw();
    int p_CLS2D(float r, float g, float b, float a);
    int p_SetSize(float x, float y);
    int p_SetCol(float r, float g, float b, float a);
    int p_Alpha(float a);
    int p_SetRot(float r);
    int p_Ink(int index, float brightness);
    int p_DrawImg(int slot, float x, float y, float frame);
    int p_Rect(float x, float y, float w, float h);
    int p_Oval(float x, float y, float rx, float ry);
    int p_Line(float x1, float y1, float x2, float y2);
    int p_Tri(float x1, float y1, float x2, float y2, float x3, float y3);

    // ---- text and image slots (game/text.cpp, game/image_slots.cpp) ------------------------
    int p_Text(float x, float y, String text, float alignX, float alignY, int slotOffset);
    // The width p_Text aligns `text` by: all but its last glyph, at the current size.
    int p_TextWidth(String text);
    String p_rstr(int value, int width, String pad);
    int p_LoadImg(int slot, String name, int w, int h, int frames, int flags);
    int p_LoadFont(int slot, String name, int charW, int charH);
    int p_ReserveImg(int slot, int w, int h);
    int p_Reload();
    void ChooseImageTier();  // m_HDLevel and m_ImgScale for the device size
    // Without the text font and the level art, in every resolution level, a window would
    // show nothing of use; the host refuses to start without them.
    static void RequireFontAndLevelArt();
    void ReleaseImageSlot(int slot);
    // The logo and the font that p_Reload loads before the loader runs.
    static constexpr const char* kReloadLogo = "common/TolvLogo";
    static constexpr const char* kReloadFont = "fonts/shadow_editundo";
    // Starts decoding the named images, in the current level's files, on worker threads
    // in the order given (game/image_slots.cpp); the loader's images in its order, after
    // p_Reload's logo and font when `withReload` (game/loader.cpp).
    void DecodeImagesAhead(const std::vector<const char*>& names);
    void DecodeLoaderImagesAhead(bool withReload);

    // ---- controls (game/controls.cpp) ------------------------------------------------------
    int p_PlayKey(int button, int analogue, int player);
    int p_PlayKeyAll(int button, int analogue);
    float p_StickX(int axis, int player);
    float p_StickY(int axis, int player);
    int p_AnalogueControl();
    int p_iCade(int on);

    // ---- effects and the random stream (game/effects.cpp) ----------------------------------
    int p_DoBG(int r, int g, int b, float alpha);
    int p_ResetStars(int n);
    int p_DoStars(float dx, float dy);
    int p_ResetParticles(int n);
    int p_DoParticles(float scale);
    int p_SeedRnd(int seed);
    int p_Rand(float lo, float hi);

    // ---- game audio (game/game_audio.cpp) --------------------------------------------------
    int p_LoadSFX(int slot);
    int p_PlaySFX(int slot, float rate, float volume, float pan);
    int p_PlayTune(String name, int loop);
    int p_PrefetchTune(String name);
    bool MusicWanted() const;  // the sound mode plays music
    int p_StopTune();
    // "sfx/" and the slot number padded to three digits, ".wav".
    static String SfxFileName(int slot);

    // ---- screens of the other game files ---------------------------------------------------
    int p_Loader();
    int p_WaitStart(int loading);
    int p_LoadGame();
    int p_Menu();
    int p_LoadMenu();
    int p_OptionBox();
    int p_FullscreenFlip();
    int p_PauseMenu();
    int p_OuyaQuit();
    int p_Game();
    int p_InGame();
    int p_GameOver();
    int p_ScoreDisplay();
    String p_MyNth();
    int p_ShowBadges();
    // Badge texts (game/saved_state.cpp): "name|detail", and its two halves.
    String p_BadgeID(int id);
    String p_BadgeName(int id);
    String p_BadgeDetail(int id);
    int p_GC_Badges();
    int p_Load();
    int p_Save();
    // The state string p_Save writes.
    String p_StateString();
    // Installs the merge of saved states and the naming of damaged parts into the host.
    void p_InstallStateMerge();
    // After a save (`result` its answer, 0 when polled each update): the failure
    // notice, and the state merged with another copy's, which becomes this copy's.
    int p_SaveNews(int result);
    // Restores what `state` holds; `report` prints the load's messages.
    int p_Restore(String state, bool report);
    // The notice drawn over the last picture while the program waits to end on a save.
    int p_EndingNotice();
    // The place (0 to 9) where m_Score is filed in m_LevelSize's top ten: the first
    // entry strictly below it. -1 when it is not filed.
    int p_FilingPlace();
    int p_GetLev(int step);
    int p_Put(int x, int y, int v);
    int p_Clear(int x, int y);
    int p_ResetGrid();
    int p_Collect(int x, int y);
    int p_CollectB(int x, int y);
    int p_ResetPlayers();
    int p_ResetObj();
    int p_GetURL(String url, String query);
    int p_MouseIn(float x, float y, float w, float h);
    int p_MouseIn_Centered(float cx, float cy, float w, float h);
    int p_MouseIn_Radius(float cx, float cy, float w, float h);
    int p_Touch(float x, float y, float w, float h);
    int p_Button(int image, float x, float y, int frame);
    int p_Button0(int image, float x, float y, int frame);
    bool Gear(float x, float y, bool pressable);
    // Where wheel item `item` (0 Small .. 2 Large, -1 the console's quit) stands, and at
    // which angle, with the wheel turned to `wheelAngle` around the hub (hx, hy).
    static void WheelItemAt(int item, float wheelAngle, float hx, float hy, float* angle, float* x,
                            float* y);
    // The console's overscan slider: game keys 14 and 15 step setting 14 by 16, once per
    // press while `wait` is 0 (then set), and keep it within 1 to 96.
    void OverscanSlider(float ox, float oy, int& wait, int analogue);

    // The steps of p_OnUpdate (game/dispatcher.cpp), in the order it runs them; a test
    // that runs one screen on its own runs the steps around it through these.
    void UpdateSpecialKeys();
    void UpdateRateMeter();
    void UpdatePointer();
    void UpdateKeyLock();
    void RunScreen();
    void RunOverlays();
    void UpdateVirtualButtons();
    void DrawDebugLine();

private:
    // A character's advance in the current font and size for the given kern.
    float Advance(int kern) const;
    // After the exit is placed: no trap under the start, and always one exit cell.
    void RepairStartAndExit(int cx, int cy);
    int AppendRecord(float kind, float o1, float o2, float o3, float o4, float o5, float o6);
    // A notice's navy panel 32 units high with its white text, as the badges show theirs.
    void NoticePanel(float x, float y, float width, const String& text);

    // The steps of p_Game (game/play.cpp), in the order it runs them.
    void PlayBackdropAndCamera(bool targetsLeft);
    bool PlayRollStep();
    void PlayDrawLevel(bool rollEnded, bool targetsLeft);
    void PlayDrawCube();
    void PlayFlyingPieces();
    void PlayDropAndCameraTarget();
    void PlayAtRest();
    void PlayMoveDelay();
    void PlaySlowMotion();
    void PlayCounters();

    // The steps of p_Menu (game/menu.cpp), in the order it runs them.
    struct MenuLayout;
    MenuLayout MenuBegin();
    void MenuBackKey();
    void MenuTitle(const MenuLayout& at);
    bool MenuSidePanel(const MenuLayout& at);
    void MenuHighscores(const MenuLayout& at);
    void MenuWheelMotion();
    void MenuGearAndDisc(const MenuLayout& at);
    void MenuDrag(const MenuLayout& at);
    bool MenuWheelItems(const MenuLayout& at);
    bool MenuKeys(const MenuLayout& at);
    void MenuAction();
    void MenuMakerLogo(const MenuLayout& at);
    void MenuCredits(const MenuLayout& at);
    void MenuBlip(int sfx);

    // The steps of p_PauseMenu (game/pause.cpp).
    void PauseBackdropAndSlide();
    void PauseToy(float mx, float my);
    void PauseButtons();

    // The steps of p_OptionBox (game/options.cpp).
    void OptionCornerMarks();
    bool OptionBackButton(bool* byKey);
    void OptionRows(float y0);
    bool OptionKeyNavigation();
};

// ---- module globals of the game --------------------------------------------------------------
extern int qo_Game_GameNum;
extern int qo_Game_J_On_Allow;
extern int qo_Game_J_On_Able;
extern int qo_Game_isOuya;
extern float qo_Game_overscan;
extern int qo_Game_iCadeControls;
extern int qo_Game_OnScreenControls;
extern int qo_Game_AccelerometerControls;
extern int qo_Game_HasMusicStream;
extern int qo_Game_FadeOutStyle;
extern int qo_Game_DebugMode;
extern int qo_Game_UseHDImages;
extern float qo_Game_rawscrw, qo_Game_rawscrh;
extern float qo_Game_jscrw, qo_Game_jscrh;
extern Array<String> qo_Game_MenuSet;
extern Array<String> qo_Game_CreditText;
// The check-in's address (game/check_in.cpp); a test may point it at a local server.
extern String qo_Game_CheckInUrl;
void qo_Game_InitCheckIn();

// The game module's share of qoInit: every global above to its initial value.
void qo_Game_Init();
