// Draws a generated level with the game's level art into an RGBA picture, as the play
// screen lays it out (floor pass, then object pass, back to front), without a display.
#pragma once

#include <string>
#include <vector>

struct LevelPicture {
    int width = 0, height = 0;
    std::vector<unsigned char> rgba;
};

// A cell as the picture needs it: floor and object codes.
struct LevelCell {
    int floor = 0, object = 0;
};

// cells: (size + 1) x (size + 1), row-major; cube at (cubeX, cubeY) drawn with the
// first cube sheet. Art comes from dataDir ("9-hd.png", "0-hd.png": 64-pixel frames,
// the size the play screen draws them at). Empty on a missing file, with `error` set.
LevelPicture DrawLevel(const std::vector<LevelCell>& cells, int size, int cubeX, int cubeY,
                       const std::string& dataDir, std::string* error);

bool SavePng(const LevelPicture& picture, const std::string& path);
