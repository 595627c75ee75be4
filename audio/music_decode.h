// One music file decoded away from the game's update, so that starting the music only
// uploads it: on a worker thread on the desktop (music_decode_thread.cpp); in the browser,
// which runs no threads, a slice at a time between its frames (music_decode_inline.cpp).
// Picked in CMake. Main thread only.
#pragma once

#include <memory>
#include <string>

#include "audio/audio_data.h"

struct DecodedAudio {
    unsigned char* data = nullptr;  // malloc'd, not yet counted as external bytes; null on failure
    int length = 0, channels = 0, bytesPerSample = 0, hertz = 0;
};

class MusicDecode {
public:
    // Starts decoding `file` (a file-system path in UTF-8) with `decode`.
    MusicDecode(AudioDecoder decode, std::string file);
    // Waits for a decode still running and frees a result nobody took.
    ~MusicDecode();
    MusicDecode(const MusicDecode&) = delete;
    MusicDecode& operator=(const MusicDecode&) = delete;

    // Waits until the decode is done and hands its result over (once; later calls get
    // an empty result).
    DecodedAudio Take();
    // Where the decode runs on this thread: decodes for about `seconds` more.
    void Advance(double seconds);
    // True when Take would decode nothing on this thread: a worker's decode, or one
    // that is finished.
    bool Ready() const;

private:
    struct Worker;
    std::unique_ptr<Worker> worker_;
    DecodedAudio result_;
    void Wait();
};
