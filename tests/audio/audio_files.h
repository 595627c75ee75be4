// Sound files made on the spot for the audio tests: WAVE images with every header field
// under the test's control, a Vorbis encoder, and a scratch directory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct WaveSpec {
    int formatCode = 1;
    int channels = 1;
    int hertz = 44100;
    int bits = 16;
    int fmtSize = 16;              // extra bytes beyond 16 are written as zeros
    std::string chunksBeforeData;  // whole chunks, header included
    std::string data;
    int64_t dataSizeField = -1;  // -1: the real size of `data`
};

std::string WaveBytes(const WaveSpec& form);
std::string Chunk(const std::string& tag, const std::string& body);
std::string Le16(int value);
std::string Le32(uint32_t value);

// 16-bit little-endian PCM of the given samples, interleaved as given.
std::string Pcm16(const std::vector<int16_t>& samples);

// An Ogg Vorbis stream of the given (per-channel, interleaved) float samples.
std::string EncodeVorbis(const std::vector<float>& interleaved, int channels, int hertz);

class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const { return path_; }
    // Writes the bytes to a file in the directory and returns its full path.
    std::string Write(const std::string& name, const std::string& bytes) const;

private:
    std::string path_;
};
