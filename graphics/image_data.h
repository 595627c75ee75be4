// Decoding image files for the host's LoadImageData, which maps the path and then
// calls the loader installed in qoImageDataLoader.
#pragma once

#include <cstdio>
#include <string>

#include "runtime/string.h"

// The side limit when no OpenGL context can tell (before the window opens): every GPU of
// the Direct3D 10 generation (2006) and later makes textures of 8192 texels a side.
constexpr int kQoFallbackMaxImageSide = 8192;

// The largest texture side of the current OpenGL context, or the fallback when none is
// current. A picture larger than this could never be drawn.
int qoMaxImageSide();

// Decodes an open image stream from its current position (the stream stays open) into
// 8-bit pixels with the file's own component count (1 grey, 2 grey+alpha, 3 RGB,
// 4 RGBA): any format stb_image reads but Softimage PIC. Refused before anything is
// decoded: a header that claims a side over maxSide (a few bytes can claim gigabytes), a
// picture without pixels, and the PNG, JPEG and PIC inputs on which stb_image itself goes
// wrong. Null when refused or undecodable; the block belongs to the caller (free).
unsigned char* qoDecodeImage(FILE* file, int maxSide, int* width, int* height, int* depth);

// qoDecodeImage of the file at `path` (file-system bytes). Safe on any thread.
unsigned char* qoDecodeImageFile(const std::string& path, int maxSide, int* width, int* height,
                                 int* depth);

// The pixels decoded ahead for `filePath` if there are, otherwise qoDecodeImageFile with
// the current context's limit; the block's size is added to the collector's count of
// external bytes.
unsigned char* qoLoadImageFile(const String& filePath, int* width, int* height, int* depth);

// Points the host's qoImageDataLoader hook at qoLoadImageFile, unless a host has put a
// loader of its own there first.
void qoInstallImageDataLoader();
