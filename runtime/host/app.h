// The application module: c_App, the base of the game's application class, the
// c_GameDelegate through which the host drives it, and the module's functions and
// globals (device size, update rate, display modes, state, ending the program).
#pragma once

#include "runtime/array.h"
#include "runtime/display_mode.h"
#include "runtime/game.h"
#include "runtime/object.h"

class c_InputDevice;
class gxtkGraphics;
class gxtkAudio;

class c_App : public Object {
public:
    // Registers the one application; a second raises "App has already been created".
    c_App* m_new();

    virtual int p_OnCreate() { return 0; }
    virtual int p_OnSuspend() { return 0; }
    virtual int p_OnResume() { return 0; }
    virtual int p_OnUpdate() { return 0; }
    virtual int p_OnRender() { return 0; }
    int p_OnLoading() { return 0; }
    int p_OnResize() { return 0; }
    // Both end the program (qo_app_EndApp).
    int p_OnClose();
    int p_OnBack();
};

class c_GameDelegate : public QoGameDelegate {
public:
    gxtkGraphics* m__graphics = nullptr;
    gxtkAudio* m__audio = nullptr;
    c_InputDevice* m__input = nullptr;

    c_GameDelegate* m_new() { return this; }
    void mark() override;

    void StartGame() override;
    void SuspendGame() override;
    void ResumeGame() override;
    void UpdateGame() override;
    void RenderGame() override;
    void KeyEvent(int event, int data) override;
    void MouseEvent(int event, int data, float x, float y) override;
    void TouchEvent(int event, int data, float x, float y) override;
    void MotionEvent(int event, int data, float x, float y, float z) override;
    void DiscardGraphics() override;
};

extern QoGame* qo_app__game;
extern c_App* qo_app__app;
extern c_GameDelegate* qo_app__delegate;
extern int qo_app__devWidth;
extern int qo_app__devHeight;
extern Array<c_DisplayMode*> qo_app__displayModes;
extern c_DisplayMode* qo_app__desktopMode;
extern int qo_app__updateRate;

// This module's share of qoInit: every global above to its initial value.
void qo_app_Init();
// The runtime's share of qoInit: the application, graphics and audio modules' globals
// (the graphics context is created here). Programs and test hosts call this first.
void qo_runtime_Init();

int qo_app_SetUpdateRate(int hertz);
int qo_app_UpdateRate();
int qo_app_Millisecs();
// The host's fixed first-level seed, or -1 when the clock chooses.
int qo_app_LevelSeed();
int qo_app_DeviceWidth();
int qo_app_DeviceHeight();
int qo_app_ValidateDeviceWindow(bool notify);
int qo_app_EnumDisplayModes();
Array<c_DisplayMode*> qo_app_DisplayModes();
c_DisplayMode* qo_app_DesktopMode();
// The host's save result: 0 saved (or, in the browser, on its way), negative failed.
// `note` goes with the state to a merge with another copy's (QoStateVersion).
int qo_app_SaveState(String state, String note = String());
// A save merged with another copy's changes, once, for the game to take; else "".
String qo_app_TakeMergedState();
// What the file holds of this copy's state as far as the host knows.
String qo_app_SavedState();
// A failure of a save that finished after qo_app_SaveState answered, once; else 0.
int qo_app_TakeSaveFailure();
String qo_app_LoadState();
String qo_app_LoadString(String path);
int qo_app_OpenUrl(String url);
int qo_app_GetDate(Array<int> date);
// Ends the program. When a save is still under way it returns, and the host ends the
// program once the save is written (drawing meanwhile, with qo_app_Ending() true).
int qo_app_EndApp();
int qo_app_Ending();

// The translated program: qoInit gives every module global its initial value (calling
// qo_app_Init and the other modules' initialisers); qoMain creates the application.
void qoInit();
void qoMain();
