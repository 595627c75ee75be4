/* Preloaded into the real tessory program by bench/game/startup: notes the time from the
 * moment the launcher exec'd the program (TESSORY_PROBE_T0, seconds since the epoch, as
 * bash's $EPOCHREALTIME gives it) to the first menu frame shown, and prints on stderr
 *   first_frame_ms=<ms> first_frame_cpu_ms=<ms>   (any picture at all: window, context
 *                          and the first render; the CPU time of all the process's threads)
 *   first_menu_frame_ms=<ms> frames=<frames before it>
 *   menu_frame_epoch=<s>   (every menu frame that follows a loading screen, F11's too)
 *   menu_cpu_ms_per_frame=<ms>   (the process's CPU time over the menu's first
 *                                 TESSORY_PROBE_MENU_FRAMES frames, when set)
 * The loader's picture always contains ovals (triangle fans); the menu's has none, so
 * the first frame without a fan after frames with fans is the menu's first. With
 * TESSORY_PROBE_EXIT set the program ends after the first menu frame (and its CPU time). */
#define _GNU_SOURCE
#include <GL/gl.h>
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

typedef struct GLFWwindow GLFWwindow;

static int fansThisFrame, sawLoader, menus, frames, menuFrames = -1;
static double menuCpuStart;

static double Now(clockid_t clock) {
    struct timespec now;
    clock_gettime(clock, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}

static double SinceStart(void) {
    const char* t0 = getenv("TESSORY_PROBE_T0");
    double start = t0 ? strtod(t0, NULL) : 0;
    return (Now(CLOCK_REALTIME) - start) * 1000.0;
}

void glDrawArrays(GLenum mode, GLint first, GLsizei count) {
    static void (*real)(GLenum, GLint, GLsizei);
    if (!real) real = (void (*)(GLenum, GLint, GLsizei))dlsym(RTLD_NEXT, "glDrawArrays");
    if (mode == GL_TRIANGLE_FAN) fansThisFrame = 1;
    real(mode, first, count);
}

static void Done(void) {
    fflush(stderr);
    if (getenv("TESSORY_PROBE_EXIT")) _exit(0);
}

void glfwSwapBuffers(GLFWwindow* window) {
    static void (*real)(GLFWwindow*);
    if (!real) real = (void (*)(GLFWwindow*))dlsym(RTLD_NEXT, "glfwSwapBuffers");
    real(window);
    if (++frames == 1) {
        fprintf(stderr, "first_frame_ms=%.1f first_frame_cpu_ms=%.1f\n", SinceStart(),
                Now(CLOCK_PROCESS_CPUTIME_ID) * 1000.0);
    }
    if (fansThisFrame) sawLoader = 1;
    if (sawLoader && !fansThisFrame) {
        sawLoader = 0;
        if (++menus == 1) {
            fprintf(stderr, "first_menu_frame_ms=%.1f frames=%d\n", SinceStart(), frames - 1);
            const char* count = getenv("TESSORY_PROBE_MENU_FRAMES");
            if (count) {
                menuFrames = atoi(count);
                menuCpuStart = Now(CLOCK_PROCESS_CPUTIME_ID);
            }
        }
        fprintf(stderr, "menu_frame_epoch=%.6f\n", Now(CLOCK_REALTIME));
        fflush(stderr);
        if (menuFrames < 0) Done();
    } else if (menuFrames > 0 && --menuFrames == 0) {
        double ms = (Now(CLOCK_PROCESS_CPUTIME_ID) - menuCpuStart) * 1000.0;
        fprintf(stderr, "menu_cpu_ms_per_frame=%.3f\n",
                ms / atoi(getenv("TESSORY_PROBE_MENU_FRAMES")));
        Done();
    }
    fansThisFrame = 0;
}
