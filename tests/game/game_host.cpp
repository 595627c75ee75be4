#include "tests/game/game_host.h"

String GameHost::PathToFilePath(String path) {
    String prefix("kavoro://data/");
    if (path.StartsWith(prefix)) return String(TESSORY_DATA_DIR "/") + path.Slice(prefix.Length());
    return path;
}
