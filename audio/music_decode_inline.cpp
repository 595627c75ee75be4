// Music decoded at once on the calling thread, for a host without threads: the decode
// happens when the game asks for it ahead, still before the music starts.
#include <cstdlib>

#include "audio/music_decode.h"

struct MusicDecode::Worker {};

MusicDecode::MusicDecode(AudioDecoder decode, std::string file) {
    result_.data = DecodeAudioFile(file, decode, &result_.length, &result_.channels,
                                   &result_.bytesPerSample, &result_.hertz);
}

MusicDecode::~MusicDecode() {
    std::free(result_.data);
}

void MusicDecode::Wait() {}

DecodedAudio MusicDecode::Take() {
    DecodedAudio taken = result_;
    result_ = DecodedAudio{};
    return taken;
}
