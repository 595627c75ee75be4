// Ogg Vorbis decoding over stb_vorbis: the whole stream into interleaved 16-bit samples,
// at once or a slice at a time.
#pragma once

#include <cstdio>
#include <memory>

// Decodes the stream from its current position (its start). Returns a malloc'd block of
// interleaved signed 16-bit samples, or null; format is always 2 (bytes per sample).
// length is in sample frames. The stream is left open.
unsigned char* LoadOGG(FILE* file, int* length, int* channels, int* format, int* hertz);

// One stream decoded in slices, so that a host without threads can spread the work over
// its frames; the samples are those LoadOGG gives. The file must stay open meanwhile.
class OggDecode {
public:
    OggDecode();
    ~OggDecode();
    OggDecode(const OggDecode&) = delete;
    OggDecode& operator=(const OggDecode&) = delete;

    // Reads the stream's headers from the file's current position; false when it is no
    // sound Vorbis stream.
    bool Open(FILE* file);
    // Decodes up to `frames` more Vorbis frames; false once the stream is done.
    bool Step(int frames);
    bool Done() const;
    // Decodes what is left and hands the samples over as LoadOGG does (null on failure).
    unsigned char* Finish(int* length, int* channels, int* format, int* hertz);

private:
    struct State;
    std::unique_ptr<State> state_;
};
