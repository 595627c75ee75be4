// Decoding image files for the host's LoadImageData, which maps the path and then
// calls the loader installed in qoImageDataLoader.
#pragma once

#include "runtime/string.h"

// Decodes a file-system path into 8-bit pixels with the file's own component count
// (1 grey, 2 grey+alpha, 3 RGB, 4 RGBA): any format stb_image reads. Null when the file
// cannot be opened or decoded. The block belongs to the caller (free) and its size is
// added to the collector's count of external bytes.
unsigned char* qoLoadImageFile(const String& filePath, int* width, int* height, int* depth);

// Points the host's qoImageDataLoader hook at qoLoadImageFile.
void qoInstallImageDataLoader();
