/* Preloaded into the real tessory program by bench/game/startup: notes the time from the
 * moment the launcher exec'd the program (TESSORY_PROBE_T0, seconds since the epoch, as
 * bash's $EPOCHREALTIME gives it) to the first menu frame shown, and prints it as
 *   first_frame_ms=<ms>   (any picture at all: window, context and the first render)
 *   first_menu_frame_ms=<ms> frames=<frames before it>
 * on stderr. The loader's picture always contains ovals (triangle fans); the menu's has
 * none, so the first frame without a fan after frames with fans is the menu's first.
 * With TESSORY_PROBE_EXIT set the program ends right there. */
#define _GNU_SOURCE
#include <GL/gl.h>
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

typedef struct GLFWwindow GLFWwindow;

static int fansThisFrame, sawLoader, done, frames;

static double SinceStart(void) {
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    const char* t0 = getenv("TESSORY_PROBE_T0");
    double start = t0 ? strtod(t0, NULL) : 0;
    return (now.tv_sec + now.tv_nsec / 1e9 - start) * 1000.0;
}

void glDrawArrays(GLenum mode, GLint first, GLsizei count) {
    static void (*real)(GLenum, GLint, GLsizei);
    if (!real) real = (void (*)(GLenum, GLint, GLsizei))dlsym(RTLD_NEXT, "glDrawArrays");
    if (mode == GL_TRIANGLE_FAN) fansThisFrame = 1;
    real(mode, first, count);
}

void glfwSwapBuffers(GLFWwindow* window) {
    static void (*real)(GLFWwindow*);
    if (!real) real = (void (*)(GLFWwindow*))dlsym(RTLD_NEXT, "glfwSwapBuffers");
    real(window);
    if (++frames == 1) fprintf(stderr, "first_frame_ms=%.1f\n", SinceStart());
    if (!done && fansThisFrame) sawLoader = 1;
    if (!done && sawLoader && !fansThisFrame) {
        done = 1;
        fprintf(stderr, "first_menu_frame_ms=%.1f frames=%d\n", SinceStart(), frames - 1);
        fflush(stderr);
        if (getenv("TESSORY_PROBE_EXIT")) _exit(0);
    }
    fansThisFrame = 0;
}
