# The browser build's stand-ins for the desktop's packages, under the same target names:
# Emscripten brings GLFW 3 on a canvas, WebGL 1 and OpenAL over Web Audio as link
# options; stb's implementations are compiled here from Debian's headers; there are no
# threads. C++ exceptions stay on: the runtime throws ThrowableObject*.
add_compile_options(-fexceptions)
add_link_options(-fexceptions)

add_library(glfw INTERFACE)
target_link_options(glfw INTERFACE -sUSE_GLFW=3 -sMIN_WEBGL_VERSION=1 -sMAX_WEBGL_VERSION=1)
add_library(OpenAL::OpenAL INTERFACE IMPORTED GLOBAL)
target_link_options(OpenAL::OpenAL INTERFACE -lopenal)
add_library(Threads::Threads INTERFACE IMPORTED GLOBAL)

tessory_stb_library(${CMAKE_CURRENT_LIST_DIR}/stb.c)

# The HTTP transport's check in a real browser (tests/web/web_play.py); not part of the page.
add_executable(http_probe EXCLUDE_FROM_ALL ${CMAKE_CURRENT_LIST_DIR}/http_probe.cpp)
target_link_libraries(http_probe PRIVATE kavoro_net)
target_link_options(http_probe PRIVATE -sFETCH=1 -sENVIRONMENT=web)
set_target_properties(http_probe PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
