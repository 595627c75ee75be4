// The browser's side of the platform layer. The page lays the program out in its
// in-memory file system as on the desktop: the data under /tessory/data beside a
// notional /tessory/tessory, the working folder on the page's IndexedDB (IDBFS), which
// only holds what has been written back to it.
#include <emscripten.h>

#include <deque>
#include <utility>

#include "runtime/platform.h"

namespace {

// JavaScript: the formatter would break its operators.
// clang-format off
EM_JS(void, WebOpenUrl, (const char* url), {
    window.open(UTF8ToString(url), "_blank", "noopener");
});
// clang-format on

// The page takes its lock on the saved state (pages on one address share the storage),
// reads the storage back, runs qoWebRunSave, writes the storage and lets go.
// JavaScript: the formatter would break its operators.
// clang-format off
EM_JS(void, WebRequestSave, (), {
    if (Module["tessorySaveState"]) {
        Module["tessorySaveState"]();
    } else {
        Module["_qoWebRunSave"](1);
    }
});
// clang-format on

struct PendingSave {
    std::function<QoSaveResult()> save;
    std::function<void(QoSaveResult)> late;
};
std::deque<PendingSave> pendingSaves;
std::function<void(QoSaveResult)> lastLate;

}  // namespace

// One queued save, in the order asked, with the storage read back (`storageRead` 0:
// it could not be, so the save fails rather than merge with a stale file).
extern "C" EMSCRIPTEN_KEEPALIVE void qoWebRunSave(int storageRead) {
    if (pendingSaves.empty()) return;
    PendingSave next = std::move(pendingSaves.front());
    pendingSaves.pop_front();
    QoSaveResult result = storageRead ? next.save() : QoSaveResult::kCannotOpen;
    if (result != QoSaveResult::kSaved) next.late(result);
    lastLate = next.late;
}

// The storage could not be written after the last save.
extern "C" EMSCRIPTEN_KEEPALIVE void qoWebSaveFailed() {
    if (lastLate) lastLate(QoSaveResult::kIncomplete);
}

String qoExecutablePath() {
    return String("/tessory/tessory");
}

bool qoOpenUrlExternally(const String& url) {
    std::string text = url.ToUtf8();
    if (text.find('\0') != std::string::npos) return false;
    WebOpenUrl(text.c_str());
    return true;
}

// The page's lock is always waited for: a page that ends stays open, and its save still
// lands then.
QoSaveResult qoRunLocked(const std::string&, std::function<QoSaveResult()> save,
                         std::function<void(QoSaveResult)> late, std::function<QoSaveResult()>) {
    pendingSaves.push_back({std::move(save), std::move(late)});
    WebRequestSave();
    return QoSaveResult::kSaved;
}

// The page's lock is only ever waited for, asynchronously.
bool qoTryLocked(const std::string&, const std::function<void()>&) {
    return false;
}

// The page's own queue (qoRunLocked) already keeps the saves off the frame.
QoSaveResult qoQueueSave(const std::string&, std::function<QoSaveResult()> save,
                         std::function<void(QoSaveResult)>) {
    return save();
}

void qoWaitForSaves() {}

bool qoWaitForSaves(double) {
    return !qoSavesPending();
}

bool qoSavesPending() {
    return !pendingSaves.empty();
}

void qoGiveUpLockWaits() {}

bool qoLockWaitsGivenUp() {
    return false;
}

void qoStartPlatform() {}

bool qoStateFolderReady() {
    return true;
}

void qoTellPlayer(const std::string& text, bool problem) {
    std::fputs(text.c_str(), problem ? stderr : stdout);
}

const char* const qoMendInstall = "Reload the page.";
