// The host's audio loader: picks the decoder by the file name's extension.
#pragma once

#include "runtime/string.h"

// Decodes a sound file given by its file-system path: ".wav" as WAVE, ".ogg" as Ogg
// Vorbis (the extension in any case; nothing else is accepted). Returns a malloc'd block
// owned by the caller, counted as external bytes for the collector, or null.
unsigned char* LoadAudioFile(const String& filePath, int* length, int* channels, int* format,
                             int* hertz);
