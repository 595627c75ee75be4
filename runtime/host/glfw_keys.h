// GLFW's key constants to the runtime's key codes, by key identity; 0 for keys the
// runtime ignores (alt, super, locks, F13 and above, keypad enter and equals).
#pragma once

int qoTransGlfwKey(int glfwKey);
