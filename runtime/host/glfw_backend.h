// What the shared host (glfw_game.cpp) and its window-system backend give each other:
// glfw_desktop.cpp on the desktop, glfw_web.cpp in the browser, picked in CMake. The
// backend also defines the QoGlfwGame members that differ between the two: SetGlfwWindow,
// Run, LoadGamepadMappings, WindowActive, PaceFrame and QoJoystickSource::Gamepad.
#pragma once

#include <string>

class QoGlfwGame;
struct GLFWvidmode;

// The window's title, and the program's name in messages.
extern const char* const qoGlfwWindowTitle;

// The screen a full-screen window fills; null when none is reported.
const GLFWvidmode* qoGlfwDesktopVideoMode();

// Empty when the program may start; otherwise why not, for the player. The desktop checks
// the data folder beside the executable (QoGlfwGame::DataFolderProblem).
std::string qoGlfwDataProblem(QoGlfwGame& game);

// Resets GLFW's window hints to its defaults, then asks for these buffer bit depths.
void qoGlfwBufferHints(int red, int green, int blue, int alpha, int depth, int stencil);
