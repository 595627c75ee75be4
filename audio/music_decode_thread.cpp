// Music decoded on a worker thread: the worker writes only result_, which the main
// thread reads after the join.
#include <cstdlib>
#include <thread>

#include "audio/music_decode.h"

struct MusicDecode::Worker {
    std::thread thread;
};

MusicDecode::MusicDecode(AudioDecoder decode, std::string file)
    : worker_(std::make_unique<Worker>()) {
    DecodedAudio* out = &result_;
    // Runs on the worker thread.
    worker_->thread = std::thread([out, decode, file = std::move(file)] {
        out->data = DecodeAudioFile(file, decode, &out->length, &out->channels,
                                    &out->bytesPerSample, &out->hertz);
    });
}

MusicDecode::~MusicDecode() {
    Wait();
    std::free(result_.data);
}

void MusicDecode::Wait() {
    if (worker_ && worker_->thread.joinable()) worker_->thread.join();
}

DecodedAudio MusicDecode::Take() {
    Wait();
    DecodedAudio taken = result_;
    result_ = DecodedAudio{};
    return taken;
}

void MusicDecode::Advance(double) {}

bool MusicDecode::Ready() const {
    return true;
}
