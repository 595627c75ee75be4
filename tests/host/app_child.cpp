// Exit paths of the application module, each run as its own process by app_test; and
// the state file loaded and saved in a given folder, for state_file_test to run as
// another user.
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "input/key_codes.h"
#include "runtime/errors.h"
#include "runtime/host/app.h"
#include "runtime/platform.h"
#include "tests/host/fake_host.h"

namespace {

struct ThrowingApp : c_App {
    int p_OnCreate() override { throw new ThrowableObject; }
};

int renders = 0;
struct CountingApp : c_App {
    int p_OnRender() override { return ++renders; }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const char* scenario = argv[1];
    ScriptedHost host;
    qo_runtime_Init();
    if (!std::strcmp(scenario, "second-app")) {
        (new c_App)->m_new();
        (new c_App)->m_new();
    } else if (!std::strcmp(scenario, "close-key")) {
        (new c_App)->m_new();
        host.StartGame();
        host.KeyEvent(1, keys::kClose);
    } else if (!std::strcmp(scenario, "window-close")) {
        (new c_App)->m_new();
        host.StartGame();
        host.OnWindowClose();
    } else if (!std::strcmp(scenario, "back-key")) {
        (new c_App)->m_new();
        host.StartGame();
        host.KeyEvent(1, keys::kBack);
    } else if (!std::strcmp(scenario, "throw-on-create")) {
        (new ThrowingApp)->m_new();
        host.StartGame();
    } else if (!std::strcmp(scenario, "runtime-error")) {
        (new c_App)->m_new();
        host.StartGame();
        qoError(String("x"));
    } else if (!std::strcmp(scenario, "return-from-main")) {
        (new c_App)->m_new();
        host.StartGame();
        return 0;
    } else if (!std::strcmp(scenario, "state") && argc > 2 && chdir(argv[2]) == 0) {
        int loaded = host.LoadState().Length();
        int first = host.SaveState(String("new state")),
            second = host.SaveState(String("newer state"));
        std::printf("loaded %d, saved %d %d\n", loaded, first, second);
        return 0;
    } else if (!std::strcmp(scenario, "quit-while-locked") && argc > 2 && chdir(argv[2]) == 0) {
        // Another copy holds the lock throughout: the end waits, drawing, then leaves the
        // state pending.
        (new CountingApp)->m_new();
        host.StartGame();
        host.SaveState(String("state at the end"), String("1 0 0"));
        qo_app_EndApp();
        qoAtExit([] { std::printf("%d renders while ending\n", renders); });
        while (host.RunFrame()) {
        }
    } else if (!std::strcmp(scenario, "save-and-quit") && argc > 3 && chdir(argv[2]) == 0) {
        static int ending[2];
        if (pipe(ending) != 0) return 2;
        qoFileOps.fsync = [](int fd) {
            char byte;
            return read(ending[0], &byte, 1) == 1 ? qoRealFileOps().fsync(fd) : -1;
        };
        host.SaveState(String("state at the end"));
        // The disk holds the save up until this exit hook, which runs before the save thread's.
        qoAtExit([] { (void)!write(ending[1], "", 1); });
        qoError(String(argv[3]));
    }
    std::puts("still running");
    return 3;
}
