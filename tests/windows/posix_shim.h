// Included before every shared test file in the Windows build: the POSIX calls the
// shared test support makes that MinGW's C library lacks.
#pragma once

extern "C" char* mkdtemp(char* pattern);
