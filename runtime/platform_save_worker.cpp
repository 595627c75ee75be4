// The desktop's and Windows' save thread: one, started with the first save, so that the
// disk's latency (an fsync can take tens of milliseconds) never falls on an update.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

#include "runtime/errors.h"
#include "runtime/platform.h"

namespace {

struct Save {
    std::string path;
    std::function<QoSaveResult()> save;
    std::function<void(QoSaveResult)> late;
};

struct SaveThread {
    std::mutex mutex;
    std::condition_variable queued, done;
    std::deque<Save> waiting;
    bool running = false;
    bool started = false;
};

// Never destroyed: its thread still waits on it while the process's statics go.
SaveThread& Saves() {
    static SaveThread* saves = new SaveThread;
    return *saves;
}

void RunSaves(SaveThread* saves) {
    std::unique_lock<std::mutex> lock(saves->mutex);
    for (;;) {
        saves->queued.wait(lock, [saves] { return !saves->waiting.empty(); });
        Save next = std::move(saves->waiting.front());
        saves->waiting.pop_front();
        saves->running = true;
        lock.unlock();
        QoSaveResult result = next.save();
        if (result != QoSaveResult::kSaved) next.late(result);
        next = Save();
        lock.lock();
        saves->running = false;
        if (saves->waiting.empty()) saves->done.notify_all();
    }
}

std::atomic<bool> givenUp{false};

// The end of the run: the saves asked for are written, but a lock another copy holds is
// waited for only briefly; after that the save goes to a pending file (qoRunLocked's busy).
void FinishSavesAtExit() {
    if (!qoLockWaitsGivenUp() && qoWaitForSaves(kQuitWaitSeconds)) return;
    qoGiveUpLockWaits();
    qoWaitForSaves();
}

}  // namespace

QoSaveResult qoQueueSave(const std::string& path, std::function<QoSaveResult()> save,
                         std::function<void(QoSaveResult)> late) {
    SaveThread& saves = Saves();
    bool first = false;
    {
        std::lock_guard<std::mutex> lock(saves.mutex);
        if (!saves.waiting.empty() && saves.waiting.back().path == path) {
            saves.waiting.back() = {path, std::move(save), std::move(late)};
        } else {
            saves.waiting.push_back({path, std::move(save), std::move(late)});
        }
        if (!saves.started) {
            saves.started = first = true;
            std::thread(RunSaves, &saves).detach();
        }
    }
    saves.queued.notify_one();
    // Quitting, a runtime error's end included, loses no save that was asked for.
    if (first) qoAtExit(FinishSavesAtExit);
    return QoSaveResult::kSaved;
}

void qoWaitForSaves() {
    SaveThread& saves = Saves();
    std::unique_lock<std::mutex> lock(saves.mutex);
    saves.done.wait(lock, [&saves] { return saves.waiting.empty() && !saves.running; });
}

bool qoWaitForSaves(double seconds) {
    SaveThread& saves = Saves();
    std::unique_lock<std::mutex> lock(saves.mutex);
    return saves.done.wait_for(lock, std::chrono::duration<double>(seconds),
                               [&saves] { return saves.waiting.empty() && !saves.running; });
}

bool qoSavesPending() {
    SaveThread& saves = Saves();
    std::lock_guard<std::mutex> lock(saves.mutex);
    return !saves.waiting.empty() || saves.running;
}

void qoGiveUpLockWaits() {
    givenUp = true;
}

bool qoLockWaitsGivenUp() {
    return givenUp;
}
