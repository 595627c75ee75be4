// The program entry: GLFW, the host, the translated program's qoInit and qoMain, the run.
#include <GLFW/glfw3.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "audio/audio_device.h"
#include "runtime/errors.h"
#include "runtime/host/app.h"
#include "runtime/host/glfw_backend.h"
#include "runtime/host/glfw_game.h"
#include "runtime/platform.h"

int QoKavoroGame::Main(int argc, char** argv) {
    auto* game = new QoKavoroGame;
    std::string why;
    bool read = game->ReadOptions(argc, argv, &why);
    if (!read || game->OptionsAsked() != QoGame::Asked::kGame) {
        std::string text = !read ? "tessory: " + why + "\n" + QoGame::kUsage
                           : game->OptionsAsked() == QoGame::Asked::kHelp
                               ? QoGame::kUsage
                               : std::string(qoGlfwWindowTitle) + " " + qoProgramVersion + "\n";
        qoTellPlayer(text, !read);
        return read ? 0 : 2;
    }
    qoStartPlatform();
    qoTuneAllocator();
    gxtkAudio::OpenDeviceAhead();
    // GLFW says why a window or the library failed; without this only "failed" is known.
    // A complaint that repeats (a full-screen window losing focus without a window
    // manager, at every switch) is said once.
    glfwSetErrorCallback([](int code, const char* what) {
        static std::string last;
        std::string text = "GLFW error " + std::to_string(code) + ": " + (what ? what : "");
        if (text == last) return;
        last = text;
        std::fprintf(stderr, "%s\n", text.c_str());
    });
    if (!glfwInit()) {
        qoPrint(String("glfwInit failed"));
        std::exit(-1);
    }
    game->LoadGamepadMappings();
    QoKavoroGame::argc = argc;
    QoKavoroGame::argv = argv;
    qoInstallSignalHandlers();
    if (!std::setlocale(LC_CTYPE, "en_US.UTF-8")) std::setlocale(LC_CTYPE, "");
    gc_init1();

    try {
        qoInit();
        gc_init2();
        qoMain();
    } catch (ThrowableObject* exception) {
        glfwTerminate();
        game->Die(exception);
    }

    if (game->Delegate()) {
        // Without its data the window would open blank; say why and how to mend it instead.
        std::string problem = qoGlfwDataProblem(*game);
        if (!problem.empty()) {
            qoTellPlayer(problem, true);
            glfwTerminate();
            return 1;
        }
        game->Run();
    }
    glfwTerminate();
    return 0;
}

int main(int argc, char** argv) {
    return QoKavoroGame::Main(argc, argv);
}
