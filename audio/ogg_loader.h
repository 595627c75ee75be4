// Ogg Vorbis decoding over stb_vorbis: the whole stream into interleaved 16-bit samples.
#pragma once

#include <cstdio>

// Decodes the stream from its current position (its start). Returns a malloc'd block of
// interleaved signed 16-bit samples, or null; format is always 2 (bytes per sample).
// length is in sample frames. The stream is left open.
unsigned char* LoadOGG(FILE* file, int* length, int* channels, int* format, int* hertz);
