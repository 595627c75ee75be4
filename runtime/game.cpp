#include "runtime/game.h"

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "runtime/errors.h"
#include "runtime/gc/collector.h"
#include "runtime/platform.h"
#include "runtime/read_all.h"

unsigned char* (*qoImageDataLoader)(const String&, int*, int*, int*) = nullptr;
unsigned char* (*qoAudioDataLoader)(const String&, int*, int*, int*, int*) = nullptr;
std::string (*qoStateMerge)(const std::string&, const std::string&, const std::string&) = nullptr;
std::string (*qoStateDamage)(const std::string&) = nullptr;

QoGame* QoGame::_game = nullptr;
int glfwGraphicsSeq = 0;
const char* const QoGame::kStateFileName = "./.kavorostate";

QoDeviceHost* QoDeviceHost::Current() {
    return QoGame::_game;
}

void QoGame::SetGlfwWindow(int, int, int, int, int, int, int, int, bool) {}
QoGlfwVideoMode* QoGame::GetGlfwDesktopMode() {
    return nullptr;
}

QoGame::QoGame() {
    _game = this;
}

QoGame::~QoGame() {
    // The save thread still holds this host until its saves are written.
    qoWaitForSaves();
    if (_game == this) _game = nullptr;
}

void QoGame::SetDelegate(QoGameDelegate* delegate) {
    _delegate = delegate;
}
QoGameDelegate* QoGame::Delegate() {
    return _delegate;
}
void QoGame::SetKeyboardEnabled(bool enabled) {
    _keyboardEnabled = enabled;
}
bool QoGame::KeyboardEnabled() {
    return _keyboardEnabled;
}
void QoGame::SetUpdateRate(int hertz) {
    _updateRate = hertz;
}
int QoGame::UpdateRate() {
    return _updateRate;
}
bool QoGame::Started() {
    return _started;
}
bool QoGame::Suspended() {
    return _suspended;
}
int QoGame::Millisecs() {
    return 0;
}

bool QoGame::ReadOptions(int argc, const char* const* argv, std::string* why) {
    // The seeds the clock can give: a first level's seed is drawn below 37171648.
    constexpr long kSeeds = 37171648;
    // Anything else is left alone, as it always was.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seed") != 0) continue;
        const char* text = i + 1 < argc ? argv[++i] : "";
        char* end = nullptr;
        long seed = std::strtol(text, &end, 10);
        if (*text < '0' || *text > '9' || *end != '\0' || seed >= kSeeds) {
            *why = "--seed wants a number from 0 to " + std::to_string(kSeeds - 1);
            return false;
        }
        _levelSeed = static_cast<int>(seed);
    }
    return true;
}

void QoGame::GetDate(Array<int> date) {
    std::tm local = qoLocalTime(std::time(nullptr));
    const int fields[] = {local.tm_year + 1900,
                          local.tm_mon + 1,
                          local.tm_mday,
                          local.tm_hour,
                          local.tm_min,
                          local.tm_sec,
                          0};
    int n = date.Length() < 7 ? date.Length() : 7;
    for (int i = 0; i < n; ++i) date[i] = fields[i];
}

int QoGame::SaveState(String state) {
    String path = PathToFilePath(String(kStateFileName));
    if (path.Length() == 0 || _keepStateFile) return static_cast<int>(QoSaveResult::kCannotOpen);
    std::string file = path.ToUtf8(), mine = state.ToUtf8();
    unsigned serial = 0;
    {
        std::lock_guard<std::mutex> lock(_saveMutex);
        serial = ++_saveSerial;
        _hasMergedState = false;
    }
    auto late = [this](QoSaveResult result) {
        std::lock_guard<std::mutex> lock(_saveMutex);
        _saveFailure = static_cast<int>(result);
    };
    // Everything from here on touches the disk, so it runs on the save thread.
    auto save = [this, file, mine, serial, late] {
        // A link (a dotfiles folder) stays a link: its target is what gets replaced, in
        // the target's own folder, and the lock sits beside it.
        std::string target, why;
        if (!qoFollowLinks(file, &target, &why)) {
            std::fprintf(stderr, "[state] could not save %s (%s)\n", qoAbsolutePath(file).c_str(),
                         why.c_str());
            return QoSaveResult::kCannotOpen;
        }
        return qoRunLocked(
            target + ".lock",
            [this, target, mine, serial] { return SaveStateLocked(target, mine, serial); }, late);
    };
    return static_cast<int>(qoQueueSave(file, save, late));
}

QoSaveResult QoGame::SaveStateLocked(const std::string& target, const std::string& mine,
                                     unsigned serial) {
    std::string base, written;
    {
        std::lock_guard<std::mutex> lock(_saveMutex);
        base = _stateBase;
        written = _written;
    }
    std::string file, why;
    if (qoReadRegularFile(target, kStateFileLimit, &file, &why) == QoReadResult::kUnreadable) {
        std::fprintf(stderr, "[state] could not save %s (read: %s)\n",
                     qoAbsolutePath(target).c_str(), why.c_str());
        return QoSaveResult::kCannotOpen;
    }
    // Whatever a load would reset is kept before it is written over; without the copy
    // the file is not written over either.
    std::string damage =
        qoStateDamage && !file.empty() && file != written ? qoStateDamage(file) : std::string();
    if (!damage.empty()) {
        std::string copy = target + ".damaged";
        QoSaveResult kept = qoReplaceFile(copy, file);
        if (kept != QoSaveResult::kSaved) return kept;
        std::fprintf(stderr, "[state] %s was damaged (%s); its old bytes are kept in %s\n",
                     qoAbsolutePath(target).c_str(), damage.c_str(), qoAbsolutePath(copy).c_str());
    }
    std::string merged = file != base && qoStateMerge ? qoStateMerge(base, mine, file) : mine;
    QoSaveResult result = qoReplaceFile(target, merged);
    if (result != QoSaveResult::kSaved) return result;
    std::lock_guard<std::mutex> lock(_saveMutex);
    _written = merged;
    // The game's own state holds `mine` until it takes the merge, so `mine` is what both
    // the file and the game have seen.
    _stateBase = mine;
    if (merged != mine && serial == _saveSerial) {
        _mergedState = merged;
        _hasMergedState = true;
    }
    return QoSaveResult::kSaved;
}

String QoGame::TakeMergedState() {
    std::lock_guard<std::mutex> lock(_saveMutex);
    if (!_hasMergedState) return String();
    _hasMergedState = false;
    _stateBase = _mergedState;
    return String::FromUtf8(_mergedState);
}

int QoGame::TakeSaveFailure() {
    std::lock_guard<std::mutex> lock(_saveMutex);
    int failure = _saveFailure;
    _saveFailure = 0;
    return failure;
}

String QoGame::LoadState() {
    String path = PathToFilePath(String(kStateFileName));
    if (path.Length() == 0) return String();
    std::string file = path.ToUtf8();
    // A save cut off by a kill leaves its temporary file beside the file it replaces;
    // the state is read once, at start.
    std::string target, why;
    if (qoFollowLinks(file, &target, &why)) qoRemoveStaleTemporaries(target);
    std::string bytes;
    QoReadResult result = qoReadRegularFile(file, kStateFileLimit, &bytes, &why);
    if (result == QoReadResult::kUnreadable) {
        if (!_keepStateFile) {
            std::fprintf(
                stderr,
                "[state] could not read %s (%s); it is kept as it is and this run saves nothing\n",
                qoAbsolutePath(file).c_str(), why.c_str());
        }
        _keepStateFile = true;
    }
    std::lock_guard<std::mutex> lock(_saveMutex);
    _stateBase = bytes;
    return result == QoReadResult::kRead ? String::FromUtf8(bytes) : String();
}

String QoGame::LoadString(String path) {
    FILE* file = OpenFile(path, String("rb"));
    if (!file) return String();
    String text = String::Load(file);
    std::fclose(file);
    return text;
}

bool QoGame::PollJoystick(int, Array<float>, Array<float>, Array<float>, Array<bool>) {
    return false;
}
void QoGame::OpenUrl(String) {}
void QoGame::SetMouseVisible(bool) {}
int QoGame::GetDeviceWidth() {
    return 0;
}
int QoGame::GetDeviceHeight() {
    return 0;
}
void QoGame::SetDeviceWindow(int, int, int) {}
Array<QoDisplayMode*> QoGame::GetDisplayModes() {
    return Array<QoDisplayMode*>();
}
QoDisplayMode* QoGame::GetDesktopMode() {
    return nullptr;
}
void QoGame::SetSwapInterval(int) {}
String QoGame::PathToFilePath(String path) {
    return path;
}

FILE* QoGame::OpenFile(String path, String mode) {
    String filePath = PathToFilePath(path);
    if (filePath.Length() == 0) return nullptr;
    std::string why;
    FILE* file = qoOpenFileUtf8(filePath, mode, &why);
    // A missing file is an answer callers expect; anything else in its place is said.
    if (!file && !why.empty()) qoReportUnloadable(qoEncodePath(filePath), why);
    return file;
}

unsigned char* QoGame::LoadData(String path, int* length) {
    FILE* file = OpenFile(path, String("rb"));
    if (!file) return nullptr;
    std::vector<unsigned char> bytes;
    bool failed = !qoReadAll(file, bytes);
    std::fclose(file);
    // A read error would hand back a silently truncated file.
    if (failed) return nullptr;
    // One spare byte keeps an empty file's block non-null, so success stays distinct.
    auto* data = static_cast<unsigned char*>(std::malloc(bytes.size() + 1));
    if (!data) return nullptr;
    if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
    int size = static_cast<int>(bytes.size());
    if (length) *length = size;
    gc_ext_malloced(size);
    return data;
}

unsigned char* QoGame::LoadImageData(String, int*, int*, int*) {
    return nullptr;
}
unsigned char* QoGame::LoadAudioData(String, int*, int*, int*, int*) {
    return nullptr;
}

void QoGame::Die(ThrowableObject*) {
    qoDieUncaught();
}

void QoGame::gc_collect() {
    // The delegate is reachable only from this plain object, which the collector
    // cannot see, so it is marked on every step.
    if (_delegate) gc_mark_now_q(_delegate);
    ::gc_collect();
}

template <class Call>
void QoGame::Guarded(Call call) {
    try {
        if (_delegate) call(*_delegate);
    } catch (ThrowableObject* exception) {
        Die(exception);
    }
    gc_collect();
}

void QoGame::StartGame() {
    if (_started) return;
    _started = true;
    Guarded([](QoGameDelegate& d) { d.StartGame(); });
}

void QoGame::SuspendGame() {
    if (!_started || _suspended) return;
    _suspended = true;
    Guarded([](QoGameDelegate& d) { d.SuspendGame(); });
}

void QoGame::ResumeGame() {
    if (!_started || !_suspended) return;
    _suspended = false;
    Guarded([](QoGameDelegate& d) { d.ResumeGame(); });
}

void QoGame::UpdateGame() {
    if (!_started || _suspended) return;
    Guarded([](QoGameDelegate& d) { d.UpdateGame(); });
}

void QoGame::RenderGame() {
    if (!_started) return;
    Guarded([](QoGameDelegate& d) { d.RenderGame(); });
}

void QoGame::KeyEvent(int event, int data) {
    if (!_started) return;
    Guarded([=](QoGameDelegate& d) { d.KeyEvent(event, data); });
}

void QoGame::MouseEvent(int event, int data, float x, float y) {
    if (!_started) return;
    Guarded([=](QoGameDelegate& d) { d.MouseEvent(event, data, x, y); });
}

void QoGame::TouchEvent(int event, int data, float x, float y) {
    if (!_started) return;
    Guarded([=](QoGameDelegate& d) { d.TouchEvent(event, data, x, y); });
}

void QoGame::MotionEvent(int event, int data, float x, float y, float z) {
    if (!_started) return;
    Guarded([=](QoGameDelegate& d) { d.MotionEvent(event, data, x, y, z); });
}

void QoGame::DiscardGraphics() {
    if (!_started) return;
    Guarded([](QoGameDelegate& d) { d.DiscardGraphics(); });
}
