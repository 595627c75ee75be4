#include "runtime/host/app.h"

#include "audio/audio_device.h"
#include "audio/sound.h"
#include "graphics/graphics.h"
#include "graphics/renderer.h"
#include "input/input_device.h"
#include "input/key_codes.h"
#include "net/async_event.h"
#include "runtime/errors.h"
#include "runtime/gc/map.h"
#include "runtime/gc/stack.h"

QoGame* qo_app__game = nullptr;
c_App* qo_app__app = nullptr;
c_GameDelegate* qo_app__delegate = nullptr;
int qo_app__devWidth = 0;
int qo_app__devHeight = 0;
Array<c_DisplayMode*> qo_app__displayModes;
c_DisplayMode* qo_app__desktopMode = nullptr;
int qo_app__updateRate = 0;

GC_ROOT(qo_app__app);
GC_ROOT(qo_app__delegate);
GC_ROOT(qo_app__displayModes);
GC_ROOT(qo_app__desktopMode);

void qo_app_Init() {
    qo_app__game = QoGame::_game;
    gc_assign(qo_app__app, static_cast<c_App*>(nullptr));
    gc_assign(qo_app__delegate, static_cast<c_GameDelegate*>(nullptr));
    qo_input_SetInputDevice(nullptr);
    gc_assign(qo_app__desktopMode, static_cast<c_DisplayMode*>(nullptr));
    qo_app__devWidth = 0;
    qo_app__devHeight = 0;
    gc_assign(qo_app__displayModes, Array<c_DisplayMode*>());
    qo_app__updateRate = 0;
}

void qo_runtime_Init() {
    qo_app_Init();
    qo_graphics_Init();
    qo_audio_SetAudioDevice(nullptr);
    qo_asyncevent_Init();
}

// ---- c_App ---------------------------------------------------------------------------------

c_App* c_App::m_new() {
    if (qo_app__app) qoError(String("App has already been created"));
    gc_assign(qo_app__app, this);
    gc_assign(qo_app__delegate, (new c_GameDelegate)->m_new());
    if (qo_app__game) qo_app__game->SetDelegate(qo_app__delegate);
    return this;
}

int c_App::p_OnClose() {
    return qo_app_EndApp();
}
int c_App::p_OnBack() {
    return qo_app_EndApp();
}

// ---- c_GameDelegate ----------------------------------------------------------------------
//
// The delegate owns the three devices: the renderer, the audio device and the input device.

void c_GameDelegate::mark() {
    gc_mark_q(m__graphics);
    gc_mark_q(m__audio);
    gc_mark_q(m__input);
}

void c_GameDelegate::StartGame() {
    gc_assign(m__graphics, new gxtkGraphics);
    qo_graphics_SetGraphicsDevice(m__graphics);
    qo_graphics_SetFont(nullptr, 32);
    gc_assign(m__audio, new gxtkAudio);
    qo_audio_SetAudioDevice(m__audio);
    gc_assign(m__input, qo_input_NewDevice());
    qo_input_SetInputDevice(m__input);
    qo_app_ValidateDeviceWindow(false);
    qo_app_EnumDisplayModes();
    if (qo_app__app) qo_app__app->p_OnCreate();
}

void c_GameDelegate::SuspendGame() {
    if (qo_app__app) qo_app__app->p_OnSuspend();
    if (m__audio) m__audio->Suspend();
}

void c_GameDelegate::ResumeGame() {
    if (m__audio) m__audio->Resume();
    if (qo_app__app) qo_app__app->p_OnResume();
}

void c_GameDelegate::UpdateGame() {
    qo_app_ValidateDeviceWindow(true);
    if (m__input) m__input->p_BeginUpdate();
    if (qo_app__app) qo_app__app->p_OnUpdate();
    if (m__input) m__input->p_EndUpdate();
}

void c_GameDelegate::RenderGame() {
    qo_app_ValidateDeviceWindow(true);
    int mode = m__graphics ? m__graphics->BeginRender() : 0;
    if (mode != 0) qo_graphics_BeginRender();
    if (qo_app__app) {
        if (mode == 2) {
            qo_app__app->p_OnLoading();
        } else {
            qo_app__app->p_OnRender();
        }
    }
    if (mode != 0) qo_graphics_EndRender();
    if (m__graphics) m__graphics->EndRender();
}

void c_GameDelegate::KeyEvent(int event, int data) {
    if (m__input) m__input->p_KeyEvent(event, data);
    if (event != kEventKeyDown || !qo_app__app) return;
    if (data == keys::kClose) qo_app__app->p_OnClose();
    if (data == keys::kBack) qo_app__app->p_OnBack();
}

void c_GameDelegate::MouseEvent(int event, int data, float x, float y) {
    if (m__input) m__input->p_MouseEvent(event, data, x, y);
}

void c_GameDelegate::TouchEvent(int event, int data, float x, float y) {
    if (m__input) m__input->p_TouchEvent(event, data, x, y);
}

void c_GameDelegate::MotionEvent(int event, int data, float x, float y, float z) {
    if (m__input) m__input->p_MotionEvent(event, data, x, y, z);
}

void c_GameDelegate::DiscardGraphics() {
    if (m__graphics) m__graphics->DiscardGraphics();
}

// ---- module functions --------------------------------------------------------------------

int qo_app_SetUpdateRate(int hertz) {
    qo_app__updateRate = hertz;
    if (qo_app__game) qo_app__game->SetUpdateRate(hertz);
    return 0;
}

int qo_app_UpdateRate() {
    return qo_app__updateRate;
}
int qo_app_Millisecs() {
    return qo_app__game ? qo_app__game->Millisecs() : 0;
}
int qo_app_LevelSeed() {
    return qo_app__game ? qo_app__game->LevelSeed() : -1;
}
int qo_app_DeviceWidth() {
    return qo_app__devWidth;
}
int qo_app_DeviceHeight() {
    return qo_app__devHeight;
}

int qo_app_ValidateDeviceWindow(bool notify) {
    if (!qo_app__game) return 0;
    int width = qo_app__game->GetDeviceWidth();
    int height = qo_app__game->GetDeviceHeight();
    if (width == qo_app__devWidth && height == qo_app__devHeight) return 0;
    qo_app__devWidth = width;
    qo_app__devHeight = height;
    if (notify && qo_app__app) qo_app__app->p_OnResize();
    return 0;
}

int qo_app_EnumDisplayModes() {
    Array<QoDisplayMode*> modes =
        qo_app__game ? qo_app__game->GetDisplayModes() : Array<QoDisplayMode*>();
    // A size reported at several colour depths is listed once, in first-seen order.
    c_IntMap* seen = (new c_IntMap)->m_new();
    c_Stack* unique = (new c_Stack)->m_new();
    for (int i = 0; i < modes.Length(); ++i) {
        QoDisplayMode* mode = modes[i];
        int key = (mode->width << 16) | mode->height;
        if (seen->p_Contains(key)) continue;
        c_DisplayMode* entry = (new c_DisplayMode)->m_new(mode->width, mode->height);
        seen->p_Set(key, entry);
        unique->p_Push(entry);
    }
    gc_assign(qo_app__displayModes, unique->p_ToArray());

    QoDisplayMode* desktop = qo_app__game ? qo_app__game->GetDesktopMode() : nullptr;
    c_DisplayMode* mode = desktop ? (new c_DisplayMode)->m_new(desktop->width, desktop->height)
                                  : (new c_DisplayMode)->m_new(qo_app__devWidth, qo_app__devHeight);
    gc_assign(qo_app__desktopMode, mode);
    return 0;
}

Array<c_DisplayMode*> qo_app_DisplayModes() {
    return qo_app__displayModes;
}
c_DisplayMode* qo_app_DesktopMode() {
    return qo_app__desktopMode;
}

int qo_app_SaveState(String state, String note) {
    return qo_app__game ? qo_app__game->SaveState(state, note) : -1;
}
String qo_app_TakeMergedState() {
    return qo_app__game ? qo_app__game->TakeMergedState() : String();
}
String qo_app_SavedState() {
    return qo_app__game ? qo_app__game->SavedState() : String();
}
int qo_app_TakeSaveFailure() {
    return qo_app__game ? qo_app__game->TakeSaveFailure() : 0;
}

String qo_app_LoadState() {
    return qo_app__game ? qo_app__game->LoadState() : String();
}
String qo_app_LoadString(String path) {
    return qo_app__game ? qo_app__game->LoadString(path) : String();
}

int qo_app_OpenUrl(String url) {
    if (qo_app__game) qo_app__game->OpenUrl(url);
    return 0;
}

int qo_app_GetDate(Array<int> date) {
    if (qo_app__game) qo_app__game->GetDate(date);
    return 0;
}

int qo_app_EndApp() {
    if (qo_app__game && qo_app__game->EndApp()) return 0;
    qoError(String());
}

int qo_app_Ending() {
    return qo_app__game && qo_app__game->Ending() ? 1 : 0;
}
