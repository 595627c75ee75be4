// Included first in every shared test file of the Windows build: mkdtemp, which the
// shared test support calls and MinGW's C library lacks.
#include <direct.h>
#include <io.h>

#include <cstring>

static inline char* mkdtemp(char* pattern) {
    return _mktemp_s(pattern, std::strlen(pattern) + 1) == 0 && _mkdir(pattern) == 0 ? pattern
                                                                                     : nullptr;
}
