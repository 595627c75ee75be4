// The GLFW host: one window with an OpenGL context, the frame loop (render, swap, sleep
// until the next update, poll, follow focus, run due updates), display modes, data paths
// beside the executable and joystick polling. The window-system side has two backends
// (runtime/host/glfw_backend.h): the desktop, and the browser's canvas. The clock, the
// window-system calls of the loop and the joystick queries are seams that tests replace.
#pragma once

#include <string>
#include <vector>

#include "runtime/game.h"

struct GLFWwindow;

// Seconds on the host clock, and sleeping on it.
class QoClock {
public:
    virtual ~QoClock() = default;
    virtual double Now();
    virtual void Sleep(double seconds);
};

struct GamepadState;

// GLFW's joystick queries (slots 0-15); counts are what the device reports. Gamepad
// answers true, with the pad's state, for a joystick GLFW's mappings know as a gamepad.
class QoJoystickSource {
public:
    virtual ~QoJoystickSource() = default;
    virtual bool Present(int slot);
    virtual bool Gamepad(int slot, GamepadState* pad);
    virtual const float* Axes(int slot, int* count);
    virtual const unsigned char* Buttons(int slot, int* count);
};

class QoGlfwGame : public QoGame {
public:
    QoGlfwGame();
    ~QoGlfwGame() override;

    void SetUpdateRate(int hertz) override;
    int Millisecs() override;
    bool PollJoystick(int port, Array<float> joyx, Array<float> joyy, Array<float> joyz,
                      Array<bool> buttons) override;
    void OpenUrl(String url) override;
    void SetMouseVisible(bool visible) override;
    int GetDeviceWidth() override;
    int GetDeviceHeight() override;
    void SetDeviceWindow(int width, int height, int flags) override;
    Array<QoDisplayMode*> GetDisplayModes() override;
    QoDisplayMode* GetDesktopMode() override;
    void SetSwapInterval(int interval) override;
    String PathToFilePath(String path) override;
    unsigned char* LoadImageData(String path, int* width, int* height, int* depth) override;
    unsigned char* LoadAudioData(String path, int* length, int* channels, int* format,
                                 int* hertz) override;

    void SetGlfwWindow(int width, int height, int red, int green, int blue, int alpha, int depth,
                       int stencil, bool fullscreen) override;
    QoGlfwVideoMode* GetGlfwDesktopMode() override;
    bool HasGraphicsContext() override;
    void GraphicsWindowSize(int* width, int* height) override;
    virtual Array<QoGlfwVideoMode*> GetGlfwVideoModes();
    // Opens the first window, starts the game and runs frames until the window is gone.
    virtual void Run();
    // Adds the gamepad mappings of "gamecontrollerdb.txt" beside the data folder, when
    // there is one; true when GLFW took them.
    bool LoadGamepadMappings();
    // Empty when the data folder beside the executable holds every file the program
    // requires (qo_data_Require; nothing required, nothing checked); otherwise what is
    // wrong and how to mend it, for the player.
    std::string DataFolderProblem();

    // One pass of the frame loop; false once the window is no longer open.
    bool RunFrame();
    // Ends the program at once when no save is under way; otherwise the frame loop goes on
    // drawing (the game shows that it is saving) without updates until the saves are
    // written, or until kQuitWaitSeconds have passed on another copy's lock.
    bool EndApp() override;

    // Null restores the real clock / GLFW's joysticks. Not owned.
    void SetClock(QoClock* clock);
    void SetJoystickSource(QoJoystickSource* source);
    GLFWwindow* Window() const { return _window; }

    // GLFW's callbacks, public so tests can drive the same paths.
    void OnKey(int glfwKey, int action, int mods = 0);
    void OnChar(unsigned int character);
    void OnMouseButton(int button, int action);
    void OnMousePos(double x, double y);
    void OnWindowClose();

    static QoGlfwGame* _glfwGame;

protected:
    // The window-system side of the frame loop.
    virtual bool WindowOpen();
    virtual bool WindowActive();
    virtual void SwapBuffers();
    virtual void PollEvents();
    virtual void WaitEvents();

    double _updatePeriod = 0;
    double _nextUpdate = 0;
    String _baseDir;
    String _internalDir;
    int _swapInterval = 1;
    double _endBy = 0;
    bool _altEnter = false;

private:
    void ReleaseHeldKeys();
    // The backend's wait inside a frame: on the desktop until the next update is due, and
    // for events while suspended; in the browser none, the animation frame paces it.
    void PaceFrame();
    void RunDueUpdates();
    // A frame of the end: paced, then the end itself once the saves are done or late.
    void EndingFrame();
    void RegisterCallbacks();
    const String& BaseDir();
    // A data file the game asked for and did not get: the game goes on without it,
    // silently as its loaders do, and standard error hears of it once.
    void ReportUnloadable(const String& filePath);

    GLFWwindow* _window = nullptr;
    QoClock* _clock;
    QoJoystickSource* _joysticks;
    int _joystickPorts[4] = {-1, -1, -1, -1};
};

class QoKavoroGame : public QoGlfwGame {
public:
    // The program: GLFW, the host, the translated program's qoInit and qoMain, the run.
    static int Main(int argc, char** argv);

    static int argc;
    static char** argv;
};
