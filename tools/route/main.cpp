// tessory_route: finds a short run of arrow keys that collects a gem on the first level
// of a Small game started with "--seed S" and then rolls off the floor, so that the game
// is over with a score above 0. Usage:
//   tessory_route [--from S] [--seeds N] [--rolls R]
//   tessory_route --check FILE
// The first tries the seeds S, S + 1, ... (N of them) and prints the first route of at
// most R rolls as "seed S score P keys K1 K2 ..." with the keys as xdotool names them.
// The second plays the route on the last such line of FILE, with keys held and pauses
// between rolls as short and as long as a player's, and fails unless each play ends
// with that score and the fall.
//
// Every candidate is played by the real game (c_MyApp and its dispatcher, without a
// window, on a clock that stands still) from the start of the game on: the rules are
// the game's own, never a copy. A candidate counts only when each key rolls the cube
// once and the cube is never boxed in at rest, so that how long a player waits between
// rolls cannot change what happens.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "game/my_app.h"
#include "game/vocabulary.h"
#include "input/input_device.h"
#include "input/key_codes.h"
#include "runtime/game.h"
#include "runtime/host/app.h"

namespace {

struct Key {
    int code;
    const char* name;
};
constexpr Key kKeys[] = {
    {keys::kUp, "Up"}, {keys::kDown, "Down"}, {keys::kLeft, "Left"}, {keys::kRight, "Right"}};
// Updates a key is held: enough for the eased key movement to pass its threshold, and
// short of the roll's end (16 updates after the key is seen): a key still down then,
// or just let go, rolls again, as the eased movement outlasts the key.
constexpr int kShortestHold = 2, kLongestHold = 14;
// Updates at rest between rolls, as a quick player and a slow one wait.
constexpr int kShortestRest = 1, kLongestRest = 300;
// Bounds on waits that end long before in any game that works.
constexpr int kLanding = 600;
constexpr int kRollEnd = 60;

enum class Ending { kBlocked, kResting, kFell };

class RouteGame {
public:
    RouteGame() {
        qo_runtime_Init();
        qo_Game_Init();
        qo_input_SetInputDevice(qo_input_NewDevice());
        app_ = (new c_MyApp)->m_new();
    }

    // The games from now on start on this seed's level, as with "tessory --seed".
    bool Seed(long seed) {
        std::string text = std::to_string(seed), why;
        const char* argv[] = {"tessory", "--seed", text.c_str()};
        return host_.ReadOptions(3, argv, &why);
    }

    // A Small game from its start, played with `route`; how its last key ended.
    Ending Play(const std::vector<int>& route, int hold = kShortestHold, int rest = kShortestRest) {
        app_->m_LevelSize = 1;
        app_->m_Mode = mode::kStarting;
        Update();
        for (int i = 0; i < kLanding && Cube(cube::kDrop) != 0; ++i) Update();
        Ending ending = Ending::kResting;
        for (int k : route) {
            if (ending != Ending::kResting) return Ending::kBlocked;
            ending = Roll(kKeys[k].code, hold, rest);
        }
        return ending;
    }

    int Score() const { return app_->m_Score; }

private:
    float Cube(int element) const { return app_->m_Cube[element]; }

    void Update() {
        qo_input_device->p_BeginUpdate();
        app_->p_OnUpdate();
        qo_input_device->p_EndUpdate();
    }

    Ending Roll(int key, int hold, int rest) {
        qo_input_device->p_KeyEvent(kEventKeyDown, key);
        bool rolled = false;
        for (int i = 0; i < hold; ++i) {
            Update();
            rolled = rolled || Cube(cube::kDir) != cube::kResting;
        }
        qo_input_device->p_KeyEvent(kEventKeyUp, key);
        if (!rolled) return Ending::kBlocked;
        for (int i = 0; i < kRollEnd && Cube(cube::kDir) != cube::kResting; ++i) Update();
        // The updates after the roll test the new cell: its gems, its floor, its ways out.
        for (int i = 0; i < rest; ++i) Update();
        if (Cube(cube::kDrop) > 0) return Ending::kFell;
        return Cube(cube::kStuck) > 0 ? Ending::kBlocked : Ending::kResting;
    }

    QoGame host_;
    c_MyApp* app_ = nullptr;
};

// The shortest route of at most `rolls` rolls on this seed, breadth first; empty if none.
std::vector<int> Search(RouteGame& game, int rolls) {
    std::vector<std::vector<int>> open{{}};
    for (int depth = 1; depth <= rolls; ++depth) {
        std::vector<std::vector<int>> next;
        for (const std::vector<int>& route : open)
            for (int k = 0; k < 4; ++k) {
                std::vector<int> longer = route;
                longer.push_back(k);
                Ending ending = game.Play(longer);
                if (ending == Ending::kFell && game.Score() > 0) return longer;
                if (ending == Ending::kResting) next.push_back(longer);
            }
        open = std::move(next);
    }
    return {};
}

// The route on the last "seed S score P keys ..." line of the file, played at the
// extremes of holding and waiting: 0 when every play scores P and falls.
int Check(RouteGame& game, const char* path) {
    FILE* file = std::fopen(path, "r");
    char line[512];
    long seed = -1, score = -1;
    std::vector<int> route;
    while (file && std::fgets(line, sizeof line, file)) {
        int used = 0;
        if (std::sscanf(line, "seed %ld score %ld keys%n", &seed, &score, &used) < 2 || used == 0)
            continue;
        route.clear();
        for (char* name = std::strtok(line + used, " \n"); name;
             name = std::strtok(nullptr, " \n")) {
            int k = 0;
            while (k < 4 && std::strcmp(name, kKeys[k].name) != 0) ++k;
            route.push_back(k);
        }
    }
    for (int k : route)
        if (k == 4) route.clear();  // a name that is no arrow key
    if (file) std::fclose(file);
    if (route.empty() || !game.Seed(seed)) {
        std::fprintf(stderr, "tessory_route: no route in %s\n", path);
        return 1;
    }
    int failures = 0;
    for (int hold : {kShortestHold, kLongestHold})
        for (int rest : {kShortestRest, kLongestRest}) {
            Ending ending = game.Play(route, hold, rest);
            bool ok = ending == Ending::kFell && game.Score() == score;
            std::printf("seed %ld, keys held %d updates, %d at rest: %s, score %d\n", seed, hold,
                        rest, ending == Ending::kFell ? "fell" : "did not fall", game.Score());
            failures += !ok;
        }
    if (failures) std::printf("FAIL: the route no longer scores %ld, then falls\n", score);
    return failures ? 1 : 0;
}

bool ReadNumber(const char* text, long low, long high, long* value) {
    char* end = nullptr;
    *value = std::strtol(text, &end, 10);
    return end != text && *end == '\0' && *value >= low && *value <= high;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--check") == 0) {
        RouteGame game;
        return Check(game, argv[2]);
    }
    long from = 1, seeds = 1000, rolls = 5;
    for (int i = 1; i < argc; i += 2) {
        long* value = std::strcmp(argv[i], "--from") == 0    ? &from
                      : std::strcmp(argv[i], "--seeds") == 0 ? &seeds
                      : std::strcmp(argv[i], "--rolls") == 0 ? &rolls
                                                             : nullptr;
        if (!value || i + 1 >= argc || !ReadNumber(argv[i + 1], 0, 37171647, value)) {
            std::fprintf(stderr, "usage: tessory_route [--from S] [--seeds N] [--rolls R]\n");
            return 2;
        }
    }
    RouteGame game;
    for (long seed = from; seed < from + seeds && game.Seed(seed); ++seed) {
        std::vector<int> route = Search(game, static_cast<int>(rolls));
        if (route.empty()) continue;
        game.Play(route);
        std::printf("seed %ld score %d keys", seed, game.Score());
        for (int k : route) std::printf(" %s", kKeys[k].name);
        std::printf("\n");
        return 0;
    }
    std::fprintf(stderr, "tessory_route: no route of %ld rolls on %ld seeds from %ld\n", rolls,
                 seeds, from);
    return 1;
}
