// Our own RIFF/WAVE reader: uncompressed PCM only, whole file into one block.
#pragma once

#include <cstdio>

// Decodes the stream from its current position (its start). Returns a malloc'd block of
// the samples exactly as stored (8-bit unsigned or 16-bit signed, interleaved), or null.
// length is in sample frames, format in bytes per sample. The stream is left open.
unsigned char* LoadWAV(FILE* file, int* length, int* channels, int* format, int* hertz);
