// The host's audio loader: picks the decoder by the file name's extension.
#pragma once

#include <cstdio>
#include <string>

#include "runtime/string.h"

// Decodes a sound file given by its file-system path: ".wav" as WAVE, ".ogg" as Ogg
// Vorbis (the extension in any case; nothing else is accepted). Returns a malloc'd block
// owned by the caller, counted as external bytes for the collector, or null.
unsigned char* LoadAudioFile(const String& filePath, int* length, int* channels, int* format,
                             int* hertz);

// The same in two halves, for decoding on another thread: the decoder is chosen on the
// caller's thread (null for an unknown extension), and DecodeAudioFile touches neither
// strings nor the collector. Its block is not yet counted as external bytes:
// gc_ext_malloced it on the game's thread when it is taken over.
using AudioDecoder = unsigned char* (*)(FILE*, int*, int*, int*, int*);
AudioDecoder AudioDecoderFor(const String& filePath);
// `fileName` is the file-system name, as qoEncodePath gives it.
unsigned char* DecodeAudioFile(const std::string& fileName, AudioDecoder decode, int* length,
                               int* channels, int* format, int* hertz);
