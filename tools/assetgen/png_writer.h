// Minimal PNG encoder: the generator owns every byte it writes, so output is
// reproducible across runs regardless of libpng's version or defaults.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace assetgen {

// Encodes 8-bit straight-alpha RGBA rows (width * 4 bytes each) as a PNG file image.
std::vector<uint8_t> EncodePng(const uint8_t* rgba, int width, int height);

// Converts a Cairo ARGB32 surface buffer (premultiplied, native endian) to straight RGBA.
std::vector<uint8_t> CairoToRgba(const uint8_t* data, int width, int height, int stride);

// Writes bytes to a file, creating parent directories; false on failure.
bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace assetgen
