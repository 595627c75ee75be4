// The Windows installer's pictures (NSIS Modern UI): the header beside each page's title
// and the tall picture of the welcome and finish pages.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace assetgen {

struct InstallerPicture {
    std::string file;  // header.bmp, welcome.bmp
    int width, height;
    bool header;
};
// The sizes Modern UI shows them at, unstretched.
const std::vector<InstallerPicture>& InstallerPictures();
// A 24-bit Windows bitmap (BMP file bytes) of the picture.
std::vector<uint8_t> RenderInstallerPicture(const InstallerPicture& picture);

}  // namespace assetgen
