// The POSIX calls of posix_shim.h on the Windows C library.
#include "tests/windows/posix_shim.h"

#include <direct.h>
#include <io.h>

#include <cstring>

extern "C" char* mkdtemp(char* pattern) {
    if (_mktemp_s(pattern, std::strlen(pattern) + 1) != 0) return nullptr;
    return _mkdir(pattern) == 0 ? pattern : nullptr;
}
