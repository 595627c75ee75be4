// The application icon for desktop menus: the cube in its three colours on a night
// tile, drawn from vectors at every hicolor size.
#pragma once

#include <cstdint>
#include <vector>

namespace assetgen {

// The sizes installed under share/icons/hicolor (packaging/CMakeLists.txt lists the same).
const std::vector<int>& AppIconSizes();
// PNG bytes of the icon, `size` pixels square.
std::vector<uint8_t> RenderAppIcon(int size);

}  // namespace assetgen
