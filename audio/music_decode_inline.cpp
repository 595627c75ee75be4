// Music decoded on the calling thread, for a host without threads. An Ogg Vorbis file is
// decoded a slice at a time between frames (Advance), so that no update stalls for the
// whole file (140 ms in the browser); Take decodes whatever is left. Other files are
// decoded at once when asked for.
#include <chrono>
#include <cstdlib>

#include "audio/music_decode.h"
#include "audio/ogg_loader.h"
#include "runtime/platform.h"

namespace {
struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};
}  // namespace

struct MusicDecode::Worker {
    std::unique_ptr<FILE, FileCloser> file;
    OggDecode ogg;
};

MusicDecode::MusicDecode(AudioDecoder decode, std::string file) {
    if (decode != LoadOGG) {
        result_.data = DecodeAudioFile(file, decode, &result_.length, &result_.channels,
                                       &result_.bytesPerSample, &result_.hertz);
        return;
    }
    std::string why;
    auto worker = std::make_unique<Worker>();
    worker->file.reset(qoOpenRegularFile(file, &why));
    if (worker->file && worker->ogg.Open(worker->file.get())) worker_ = std::move(worker);
}

MusicDecode::~MusicDecode() {
    std::free(result_.data);
}

void MusicDecode::Advance(double seconds) {
    if (!worker_) return;
    auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (worker_->ogg.Step(1) && std::chrono::steady_clock::now() < end) {
    }
}

bool MusicDecode::Ready() const {
    return !worker_ || worker_->ogg.Done();
}

void MusicDecode::Wait() {
    if (!worker_) return;
    result_.data = worker_->ogg.Finish(&result_.length, &result_.channels, &result_.bytesPerSample,
                                       &result_.hertz);
    worker_.reset();
}

DecodedAudio MusicDecode::Take() {
    Wait();
    DecodedAudio taken = result_;
    result_ = DecodedAudio{};
    return taken;
}
