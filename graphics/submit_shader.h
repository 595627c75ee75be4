// The shader backend's program builder (submit_shader.cpp), reachable for its tests.
#pragma once

// Compiles and links a program with the renderer's vertex attributes (position, uv,
// color) from GLSL ES 1.00 sources in the current context. When the driver refuses
// them, writes one report naming the stage and the driver's log to standard error and
// returns 0.
unsigned gxtkBuildProgram(const char* vertexSource, const char* fragmentSource);
