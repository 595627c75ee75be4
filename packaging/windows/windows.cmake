# The Windows build's stand-ins for the desktop's Debian packages, under the same target
# names: GLFW and OpenAL Soft come from the prefix scripts/windows builds them into; stb's
# decoders are compiled here from Debian's headers. The C and C++ runtimes are linked
# statically, so the program needs no MinGW DLLs beside it.
add_link_options(-static-libgcc -static-libstdc++ -Wl,-Bstatic,--whole-archive -lwinpthread -Wl,--no-whole-archive,-Bdynamic)
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)

tessory_stb_library(${CMAKE_CURRENT_LIST_DIR}/stb.c)

# OpenAL Soft's headers are included as <AL/al.h>.
include_directories(SYSTEM ${TESSORY_WINDOWS_DEPS}/include)
