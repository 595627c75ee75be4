// Writes every data file of the game into one directory (none when `outDir` is empty),
// and the icons and installer pictures that are asked for.
#pragma once

#include <string>
#include <vector>

namespace assetgen {

struct Options {
    std::string outDir;             // the game's data/ folder
    std::string contactDir;         // when not empty, contact sheets are written here
    std::string fontDir;            // folder of the DejaVu .ttf files
    std::string iconDir;            // when not empty, the icons go here (NxN/tessory.png, web/)
    std::string installerDir;       // when not empty, the Windows installer's pictures go here
    std::vector<std::string> only;  // when not empty, only sheets/sounds with these names
    int threads = 2;
};

// Returns false (after reporting on stderr) when a file could not be written.
bool GenerateAll(const Options& options);

}  // namespace assetgen
