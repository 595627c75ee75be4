// The application icon for desktop menus and the browser page: the cube in its three colours on a
// night tile, drawn from vectors at every hicolor size.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace assetgen {

// The sizes installed under share/icons/hicolor (packaging/CMakeLists.txt lists the same).
const std::vector<int>& AppIconSizes();
// The browser page's icons (its web app manifest lists the same names).
struct WebIcon {
    std::string file;
    int size;
    bool maskable;
};
const std::vector<WebIcon>& WebIcons();
// PNG bytes of the icon, `size` pixels square; a maskable one fills the square.
std::vector<uint8_t> RenderAppIcon(int size, bool maskable = false);

}  // namespace assetgen
