// Every sound file the game loads, with the code that synthesises it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace assetgen {

struct SoundInfo {
    std::string name;  // path below data/
    std::vector<uint8_t> (*make)();
};

const std::vector<SoundInfo>& SoundCatalog();

}  // namespace assetgen
