// The whole game, measured: the real c_MyApp through the real host's frame loop on a
// fake clock (tests/game/game_harness.h), driven by a scripted player through every
// screen (loader, menu, credits, options, play, pause, game over) and then through games
// played one after another for the rest of the chosen length.
//
// Per frame it takes, on the main thread's CPU clock:
//   update - QoGame::UpdateGame (the screen's logic and its draw list, plus the collector
//            step that follows it),
//   render - QoGame::RenderGame (draw list replay into the renderer and the GL calls;
//            llvmpipe's vertex and binning work on this thread is included),
// then glFinish's wall time (the rasteriser's fill, on its own threads) and the renderer's
// draw calls for the frame. Every gc_collect() is timed on its own (thread CPU and wall)
// through a link-time wrapper. One line per screen, then the collector and the run:
//   screen=menu frames=… update_med_us=… update_p99_us=… update_max_us=… render_med_us=…
//   render_p99_us=… render_max_us=… fill_med_us=… calls_med=… calls_max=…
//
//   game_bench [--width 640] [--height 480] [--play-seconds 60] [--shots <dir>]
#include <GL/gl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "game/vocabulary.h"
#include "graphics/graphics.h"
#include "graphics/renderer.h"
#include "input/key_codes.h"
#include "runtime/gc/collector.h"
#include "tests/game/game_harness.h"

namespace {

double ThreadCpuUs() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e6 + t.tv_nsec / 1e3;
}

double WallUs() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e6 + t.tv_nsec / 1e3;
}

// Each collector step: CPU time of this thread, and wall time (which a pre-emption lengthens).
std::vector<double> gcSteps, gcWall;

struct Samples {
    std::vector<double> update, render, fill, calls;
};

double Quantile(std::vector<double> v, double q) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    size_t i = static_cast<size_t>(q * static_cast<double>(v.size() - 1) + 0.5);
    return v[std::min(i, v.size() - 1)];
}

// What the player sees after an update, from the application's state.
const char* ScreenOf(const c_MyApp* app) {
    if (app->m_LoadStep > 0 || app->m_Mode == mode::kStartScreen) return "loader";
    if (app->m_Mode == mode::kPlay) {
        if (app->m_GameOver > 0) return "game over";
        if (app->m_Paused != 0) return "pause";
        return "play";
    }
    if (app->m_Mode == mode::kMenu || app->m_Mode == mode::kToMenu) {
        if (app->m_GameOver > 0) return "game over";
        if (app->m_OptionsOpen == 1 || app->m_OptionsSlide > 0) return "options";
        if (app->m_SidePanelOpen == 1 || app->m_SidePanelX > 0) return "credits";
        return "menu";
    }
    return "other";
}

// The record kinds of the list in order, runs of one kind and blend collapsed: what the
// renderer's batches follow (GAME_BENCH_TRACE=1 prints it for frames over their goal).
void Trace(const c_MyApp* app, const std::string& screen, long long calls) {
    std::printf("trace %s calls=%lld:", screen.c_str(), calls);
    const float* l = app->m_DrawList.Data();
    float prev = 0, prevBlend = 0;
    int run = 0;
    for (int at = 0; at <= app->m_DrawCount; at += c_MyApp::kRecordFloats) {
        bool end = at == app->m_DrawCount;
        float kind = end ? 0 : l[at], blend = end ? 0 : l[at + 13];
        if (!end && run && kind == prev && blend == prevBlend) {
            ++run;
            continue;
        }
        if (run) std::printf(" %g%sx%d", prev, prevBlend == 3 ? "+" : "", run);
        prev = kind, prevBlend = blend, run = 1;
    }
    std::printf("\n");
}

class Player {
public:
    Player(GameHarness& h, c_MyApp* app) : h_(h), app_(app) {}

    void Run(int updates) { h_.RunUpdates(updates); }
    // A press long enough for the game to see the key held, then a short gap.
    void Tap(int key, int hold = 6, int gap = 4) {
        h_.KeyDown(key);
        Run(hold);
        h_.KeyUp(key);
        Run(gap);
    }
    void Hold(int key, int updates) {
        h_.KeyDown(key);
        Run(updates);
        h_.KeyUp(key);
    }

    // From the menu: a game of wandering rolls, then straight on until the floor ends,
    // then through the game-over overlay back to the menu. False if it never ended.
    bool PlayOneGame(std::mt19937& rng, int wanderRolls, bool pause) {
        Tap(keys::kSpace);
        Run(90);  // the cube drops in
        if (pause) {
            Tap(keys::kEscape);
            Run(60);
            Tap(keys::kEscape);
            Run(30);
        }
        const int dirs[4] = {keys::kUp, keys::kDown, keys::kLeft, keys::kRight};
        for (int i = 0; i < wanderRolls && app_->m_GameOver == 0 && app_->m_Mode == mode::kPlay;
             ++i) {
            Hold(dirs[rng() % 4], 3);
            Run(20);
        }
        for (int turn = 0; turn < 40 && app_->m_GameOver == 0 && app_->m_Mode == mode::kPlay;
             ++turn) {
            h_.KeyDown(dirs[turn % 4]);
            for (int i = 0; i < 180 && app_->m_GameOver == 0; ++i) Run(1);
            h_.KeyUp(dirs[turn % 4]);
        }
        for (int i = 0; i < 1200 && app_->m_Mode != mode::kMenu; ++i) Run(1);
        Run(60);
        return app_->m_Mode == mode::kMenu;
    }

private:
    GameHarness& h_;
    c_MyApp* app_;
};

}  // namespace

extern "C" void __real__Z10gc_collectv();
extern "C" void __wrap__Z10gc_collectv() {
    double w0 = WallUs(), c0 = ThreadCpuUs();
    __real__Z10gc_collectv();
    gcSteps.push_back(ThreadCpuUs() - c0);
    gcWall.push_back(WallUs() - w0);
}

int main(int argc, char** argv) {
    int width = 640, height = 480, playSeconds = 60;
    const char* shots = nullptr;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--width"))
            width = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--height"))
            height = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--play-seconds"))
            playSeconds = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--shots"))
            shots = argv[i + 1];
    }

    // The game keeps its state file in the working folder: use a fresh one, not the caller's.
    std::string shotDir = shots ? std::filesystem::absolute(shots).string() : "";
    if (shots) shots = shotDir.c_str();
    char work[] = "/tmp/game_bench.XXXXXX";
    if (!mkdtemp(work) || chdir(work) != 0) {
        std::perror("game_bench: working folder");
        return 2;
    }

    GameHarness h({width, height});
    if (!h.Ready()) {
        std::fprintf(stderr, "game_bench: %s\n", h.Why().c_str());
        return 2;
    }
    auto* app = h.Start(new c_MyApp);
    gcSteps.clear();
    gcWall.clear();

    std::map<std::string, Samples> screens;
    std::map<std::string, int> shotTaken;
    std::string lastScreen = "loader", screenBefore = "loader";
    double renderStart = ThreadCpuUs(), updateStart = 0, updateEnd = 0;
    long long callsBefore = 0;
    bool haveUpdate = false;
    const bool trace = std::getenv("GAME_BENCH_TRACE") != nullptr;

    auto onPoll = h.host().onPoll;
    h.host().onPoll = [&] {
        // The frame so far: the render of the last update's list.
        double renderEnd = ThreadCpuUs();
        long long calls = qo_graphics_device->stats.drawCalls;
        double w0 = WallUs();
        glFinish();
        double fill = WallUs() - w0;
        if (haveUpdate) {
            Samples& s = screens[lastScreen];
            s.render.push_back(renderEnd - renderStart);
            s.fill.push_back(fill);
            s.calls.push_back(static_cast<double>(calls - callsBefore));
            static std::map<std::string, long long> traced;
            if (trace && calls - callsBefore > traced[lastScreen]) {
                traced[lastScreen] = calls - callsBefore;
                Trace(app, lastScreen, calls - callsBefore);
            }
        }
        callsBefore = calls;
        onPoll();
        screenBefore = ScreenOf(app);
        updateStart = ThreadCpuUs();
    };
    h.host().afterUpdate = [&, afterUpdate = h.host().afterUpdate] {
        updateEnd = ThreadCpuUs();
        afterUpdate();
        // A frame whose update changed the screen is counted apart: its list may still
        // be the old screen's, and its update does the change's work.
        lastScreen = ScreenOf(app);
        if (lastScreen != screenBefore) lastScreen = "switch";
        screens[lastScreen].update.push_back(updateEnd - updateStart);
        if (trace && updateEnd - updateStart > std::atof(std::getenv("GAME_BENCH_TRACE")))
            std::printf("slow update %d (%s): %.0f us, mode %d, game over %d, score %d\n",
                        h.Updates(), lastScreen.c_str(), updateEnd - updateStart, app->m_Mode,
                        app->m_GameOver, app->m_Score);
        haveUpdate = true;
        if (shots && shotTaken[lastScreen]++ == 30) {
            std::string name = std::string(shots) + "/" + lastScreen + "_" + std::to_string(width) +
                               "x" + std::to_string(height) + ".png";
            std::replace(name.begin() + static_cast<long>(std::strlen(shots)), name.end(), ' ',
                         '_');
            // The shot renders once more; keep it out of the figures.
            h.Screenshot().Save(name);
            callsBefore = qo_graphics_device->stats.drawCalls;
            renderStart = ThreadCpuUs();
            return;
        }
        renderStart = ThreadCpuUs();
    };

    Player p(h, app);
    std::mt19937 rng(12);
    // Loader, then the menu sliding in and standing.
    for (int i = 0; i < 200 && (app->m_LoadStep > 0 || app->m_Mode != mode::kMenu); ++i) p.Run(1);
    int loaderUpdates = h.Updates();
    p.Run(120);
    // Credits: focus right to the panel, open, stay, back.
    p.Tap(keys::kRight);
    p.Tap(keys::kSpace);
    p.Run(150);
    p.Tap(keys::kEscape);
    p.Run(40);
    // Options: focus to the gear, open, stay, back; focus to the wheel, Small.
    p.Tap(keys::kLeft);
    p.Tap(keys::kLeft);
    p.Tap(keys::kSpace);
    p.Run(90);
    p.Tap(keys::kEscape);
    p.Run(50);
    p.Tap(keys::kRight);
    p.Run(20);
    p.Tap(keys::kUp);
    p.Run(40);
    // Games, the first one paused and resumed, until the play time is used up.
    int games = 0;
    int target = h.Updates() + playSeconds * 60;
    bool ok = true;
    do {
        ok = p.PlayOneGame(rng, 25, games == 0);
        ++games;
    } while (ok && h.Updates() < target);

    std::printf("game_bench size=%dx%d updates=%d loader_updates=%d games=%d%s\n", width, height,
                h.Updates(), loaderUpdates, games, ok ? "" : " (a game did not end)");
    for (const char* name : {"loader", "menu", "credits", "options", "play", "pause", "game over",
                             "switch", "other"}) {
        auto it = screens.find(name);
        if (it == screens.end()) continue;
        const Samples& s = it->second;
        std::string key = name;
        std::replace(key.begin(), key.end(), ' ', '_');
        std::printf(
            "screen=%s frames=%zu update_med_us=%.0f update_p99_us=%.0f update_max_us=%.0f "
            "render_med_us=%.0f "
            "render_p99_us=%.0f render_max_us=%.0f fill_med_us=%.0f calls_med=%.0f "
            "calls_max=%.0f\n",
            key.c_str(), s.update.size(), Quantile(s.update, 0.5), Quantile(s.update, 0.99),
            Quantile(s.update, 1), Quantile(s.render, 0.5), Quantile(s.render, 0.99),
            Quantile(s.render, 1), Quantile(s.fill, 0.5), Quantile(s.calls, 0.5),
            Quantile(s.calls, 1));
    }
    std::printf(
        "collector steps=%zu median_us=%.1f p99_us=%.1f max_us=%.1f wall_p99_us=%.1f "
        "wall_max_us=%.1f\n",
        gcSteps.size(), Quantile(gcSteps, 0.5), Quantile(gcSteps, 0.99), Quantile(gcSteps, 1),
        Quantile(gcWall, 0.99), Quantile(gcWall, 1));
    std::filesystem::current_path("/");
    std::filesystem::remove_all(work);
    return ok ? 0 : 1;
}
