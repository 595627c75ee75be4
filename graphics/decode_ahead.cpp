#include "graphics/decode_ahead.h"

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "graphics/image_data.h"

namespace {

struct Picture {
    std::string path;
    int maxSide = 0;
    bool started = false;  // a worker has it
    bool done = false;
    bool dropped = false;  // its batch is gone: whoever finishes it frees the pixels
    unsigned char* pixels = nullptr;
    int width = 0, height = 0, depth = 0;
};
using PicturePtr = std::shared_ptr<Picture>;

class Decoder {
public:
    ~Decoder() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
            DropBatch();
        }
        wake_.notify_all();
        for (std::thread& worker : workers_) worker.join();
    }

    void Start(const std::vector<std::string>& paths, int maxSide) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (StillWaitingFor(paths)) return;
        DropBatch();
        for (const std::string& path : paths) {
            auto picture = std::make_shared<Picture>();
            picture->path = path;
            picture->maxSide = maxSide;
            batch_.push_back(picture);
            queue_.push_back(picture);
        }
        unsigned wanted = std::min<unsigned>(qoDecodeAheadWorkers(), queue_.size());
        while (workers_.size() < wanted) workers_.emplace_back([this] { Work(); });
        wake_.notify_all();
    }

    bool Take(const std::string& path, Picture* out) {
        std::unique_lock<std::mutex> lock(mutex_);
        auto it = std::find_if(batch_.begin(), batch_.end(),
                               [&](const PicturePtr& p) { return p->path == path; });
        if (it == batch_.end()) return false;
        PicturePtr picture = *it;
        batch_.erase(it);
        if (!picture->started) {
            // No worker got to it: decoding it here is quicker than waiting for one.
            queue_.erase(std::find(queue_.begin(), queue_.end(), picture));
            lock.unlock();
            Decode(picture.get());
        } else {
            done_.wait(lock, [&] { return picture->done; });
        }
        *out = *picture;
        return true;
    }

private:
    bool StillWaitingFor(const std::vector<std::string>& paths) const {
        return batch_.size() == paths.size() &&
               std::equal(
                   paths.begin(), paths.end(), batch_.begin(),
                   [](const std::string& path, const PicturePtr& p) { return p->path == path; });
    }

    // Called with the mutex held.
    void DropBatch() {
        for (const PicturePtr& picture : batch_) {
            picture->dropped = true;
            if (picture->done) std::free(picture->pixels);
        }
        batch_.clear();
        queue_.clear();
    }

    static void Decode(Picture* picture) {
        picture->pixels = qoDecodeImageFile(picture->path, picture->maxSide, &picture->width,
                                            &picture->height, &picture->depth);
    }

    void Work() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
            if (stopping_) return;
            PicturePtr picture = queue_.front();
            queue_.pop_front();
            picture->started = true;
            lock.unlock();
            Decode(picture.get());
            lock.lock();
            picture->done = true;
            if (picture->dropped) {
                std::free(picture->pixels);
                picture->pixels = nullptr;
            }
            done_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;   // work queued, or stopping
    std::condition_variable done_;   // a picture decoded
    std::deque<PicturePtr> queue_;   // not started yet, in order
    std::vector<PicturePtr> batch_;  // not taken yet, in order
    std::vector<std::thread> workers_;
    bool stopping_ = false;
};

Decoder& TheDecoder() {
    static Decoder decoder;
    return decoder;
}

}  // namespace

unsigned qoDecodeAheadWorkers() {
    // Set by the build: 0 where it has no threads.
    if (QO_DECODE_AHEAD_THREADS == 0) return 0;
    return std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
}

void qoDecodeAhead(const std::vector<std::string>& paths, int maxSide) {
    if (qoDecodeAheadWorkers() == 0) return;
    TheDecoder().Start(paths, maxSide);
}

bool qoTakeDecodedAhead(const std::string& path, unsigned char** pixels, int* width, int* height,
                        int* depth) {
    if (qoDecodeAheadWorkers() == 0) return false;
    Picture picture;
    if (!TheDecoder().Take(path, &picture)) return false;
    *pixels = picture.pixels;
    *width = picture.width;
    *height = picture.height;
    *depth = picture.depth;
    return true;
}
