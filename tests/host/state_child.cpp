// Loads the state in the folder it is given and saves over it, as the game does at start
// and at its first save; state_file_test runs it as a user without root's reach.
#include <unistd.h>

#include <cstdio>

#include "runtime/game.h"

int main(int argc, char** argv) {
    if (argc < 2 || chdir(argv[1]) != 0) return 2;
    QoGame host;
    String loaded = host.LoadState();
    int saved = host.SaveState(String("new state"));
    std::printf("loaded %d, saved %d\n", loaded.Length(), saved);
    return 0;
}
