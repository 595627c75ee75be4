# The Windows build's stand-ins for the desktop's Debian packages, under the same target
# names: GLFW and OpenAL Soft come from the prefix scripts/windows builds them into; stb's
# decoders are compiled here from Debian's headers. The C, C++ and threads runtimes are
# linked statically, so the program needs no MinGW DLLs beside it. Plain -static takes
# from libwinpthread.a only the members it needs: the whole archive would bring its
# version resource, and Windows would show the game as "POSIX WinThreads for Windows".
add_link_options(-static)
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)

tessory_stb_library(${CMAKE_CURRENT_LIST_DIR}/stb.c)

# OpenAL Soft's headers are included as <AL/al.h>.
include_directories(SYSTEM ${TESSORY_WINDOWS_DEPS}/include)

# The copyright line of the program's and the installer's version strings, from the
# game's own terms.
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/copyright copyright REGEX "^Copyright: " LIMIT_COUNT 1)
string(REPLACE "Copyright: " "© " TESSORY_COPYRIGHT "${copyright}")
