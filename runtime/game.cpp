#include "runtime/game.h"

#include <cerrno>
#include <chrono>
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
std::string (*qoStateMerge)(const QoStateVersion&, const QoStateVersion&,
                            const std::string&) = nullptr;
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

const char* const QoGame::kUsage =
    "usage: tessory [--seed N]\n"
    "       tessory --help | --version\n"
    "\n"
    "  --seed N     every game starts on the level of seed N (0 to 37171647), so that a\n"
    "               level can be played again\n"
    "  --help       show this and end\n"
    "  --version    show the version and end\n";

bool QoGame::ReadOptions(int argc, const char* const* argv, std::string* why) {
    // The seeds the clock can give: a first level's seed is drawn below 37171648.
    constexpr long kSeeds = 37171648;
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        if (option == "--help" || option == "--version") {
            _asked = option == "--help" ? Asked::kHelp : Asked::kVersion;
            continue;
        }
        // "--seed N" and "--seed=N" alike.
        const char* text = nullptr;
        if (option == "--seed") {
            text = i + 1 < argc ? argv[++i] : "";
        } else if (option.compare(0, 7, "--seed=") == 0) {
            text = argv[i] + 7;
        } else {
            *why = "unknown option " + option;
            return false;
        }
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

namespace {

// Beside the state: the copies of damaged files, and the states of copies that ended
// while another held the lock.
const char kDamagedSuffix[] = ".damaged";
const char kPendingSuffix[] = ".pending.";
// More damaged copies than this are not made; the save then leaves the file alone.
constexpr int kDamagedCopies = 100;

// A pending state: a line with the four parts' lengths, then the parts, so that a file
// cut short is told from a whole one.
std::string PendingBytes(const QoStateVersion& base, const QoStateVersion& mine) {
    std::string head;
    for (const std::string* part : {&base.bytes, &base.note, &mine.bytes, &mine.note})
        head += std::to_string(part->size()) + (part == &mine.note ? "\n" : " ");
    return head + base.bytes + base.note + mine.bytes + mine.note;
}

bool ReadPending(const std::string& bytes, QoStateVersion* base, QoStateVersion* mine) {
    size_t line = bytes.find('\n');
    if (line == std::string::npos || line > 64) return false;
    std::string* parts[] = {&base->bytes, &base->note, &mine->bytes, &mine->note};
    size_t sizes[4], total = 0;
    const char* at = bytes.c_str();
    for (size_t& size : sizes) {
        char* end = nullptr;
        size = std::strtoull(at, &end, 10);
        if (end == at || size > bytes.size()) return false;
        total += size;
        at = end;
    }
    if (at != bytes.c_str() + line || total != bytes.size() - line - 1) return false;
    size_t from = line + 1;
    for (int i = 0; i < 4; ++i) {
        *parts[i] = bytes.substr(from, sizes[i]);
        from += sizes[i];
    }
    return true;
}

// Keeps the bytes of the damaged `source` beside the state `target` before they are
// replaced or removed: a new copy never replaces an earlier one, and bytes kept already
// are not kept twice.
QoSaveResult KeepDamaged(const std::string& target, const std::string& source,
                         const std::string& bytes, const std::string& damage) {
    for (int n = 0; n < kDamagedCopies; ++n) {
        std::string copy = target + kDamagedSuffix + (n > 0 ? "." + std::to_string(n) : "");
        std::string kept, why;
        QoReadResult read = qoReadRegularFile(copy, QoGame::kStateFileLimit, &kept, &why);
        if (read == QoReadResult::kRead && kept == bytes) return QoSaveResult::kSaved;
        if (read != QoReadResult::kMissing) continue;
        QoSaveResult made = qoCreateFile(copy, bytes);
        if (made == QoSaveResult::kCannotOpen && errno == EEXIST) continue;
        if (made != QoSaveResult::kSaved) return made;
        std::fprintf(stderr, "[state] %s was damaged (%s); its old bytes are kept in %s\n",
                     qoAbsolutePath(source).c_str(), damage.c_str(), qoAbsolutePath(copy).c_str());
        return made;
    }
    std::fprintf(stderr,
                 "[state] could not save %s: it is damaged and no name is left for a copy\n",
                 qoAbsolutePath(target).c_str());
    return QoSaveResult::kCannotOpen;
}

// The pending states left beside `target`, oldest first: each is named by the time it was
// left, in 20 digits.
std::vector<std::string> PendingStates(const std::string& target) {
    std::string folder = qoDirectoryOf(target);
    size_t slash = target.find_last_of("/\\");
    const size_t length = target.size() - (slash == std::string::npos ? 0 : slash + 1) +
                          std::strlen(kPendingSuffix) + 20;
    std::vector<std::string> paths;
    for (const std::string& name : qoFilesBeside(target, kPendingSuffix)) {
        if (name.size() == length && name.find_first_not_of("0123456789", length - 20) == name.npos)
            paths.push_back(folder + "/" + name);
    }
    return paths;
}

}  // namespace

int QoGame::SaveState(String state, String note) {
    String path = PathToFilePath(String(kStateFileName));
    if (path.Length() == 0 || _keepStateFile || !qoStateFolderReady())
        return static_cast<int>(QoSaveResult::kCannotOpen);
    std::string file = path.ToUtf8();
    QoStateVersion mine{state.ToUtf8(), note.ToUtf8()};
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
            [this, target, mine, serial] { return SaveStateLocked(target, mine, serial); }, late,
            [this, target, mine] { return KeepPending(target, mine); });
    };
    return static_cast<int>(qoQueueSave(file, save, late));
}

QoSaveResult QoGame::ReadForWrite(const std::string& target, const std::string& written,
                                  std::string* file, std::vector<std::string>* taken) {
    std::string why;
    if (qoReadRegularFile(target, kStateFileLimit, file, &why) == QoReadResult::kUnreadable) {
        std::fprintf(stderr, "[state] could not save %s (read: %s)\n",
                     qoAbsolutePath(target).c_str(), why.c_str());
        return QoSaveResult::kCannotOpen;
    }
    // Whatever a load would reset is kept before it is written over; without the copy
    // the file is not written over either.
    std::string damage =
        qoStateDamage && !file->empty() && *file != written ? qoStateDamage(*file) : std::string();
    if (!damage.empty()) {
        QoSaveResult kept = KeepDamaged(target, target, *file, damage);
        if (kept != QoSaveResult::kSaved) return kept;
    }
    // The pending states, oldest first.
    for (const std::string& path : PendingStates(target)) {
        std::string bytes;
        QoStateVersion base, mine;
        if (qoReadRegularFile(path, 4 * kStateFileLimit, &bytes, &why) != QoReadResult::kRead)
            continue;
        if (!ReadPending(bytes, &base, &mine)) {
            if (KeepDamaged(target, path, bytes, "cut short") != QoSaveResult::kSaved) continue;
        } else if (*file != base.bytes) {
            *file = qoStateMerge ? qoStateMerge(base, mine, *file) : mine.bytes;
        } else {
            *file = mine.bytes;
        }
        taken->push_back(path);
    }
    return QoSaveResult::kSaved;
}

QoSaveResult QoGame::SaveStateLocked(const std::string& target, const QoStateVersion& mine,
                                     unsigned serial) {
    QoStateVersion base;
    std::string written;
    {
        std::lock_guard<std::mutex> lock(_saveMutex);
        base = _stateBase;
        written = _written;
    }
    std::string file;
    std::vector<std::string> taken;
    QoSaveResult read = ReadForWrite(target, written, &file, &taken);
    if (read != QoSaveResult::kSaved) return read;
    std::string merged =
        file != base.bytes && qoStateMerge ? qoStateMerge(base, mine, file) : mine.bytes;
    QoSaveResult result = qoReplaceFile(target, merged);
    if (result != QoSaveResult::kSaved) return result;
    for (const std::string& path : taken) qoRemoveFile(path);
    std::lock_guard<std::mutex> lock(_saveMutex);
    _written = merged;
    // The game's own state holds `mine` until it takes the merge, so `mine` is what both
    // the file and the game have seen.
    _stateBase = mine;
    if (merged != mine.bytes && serial == _saveSerial) {
        _mergedState = {merged, mine.note};
        _hasMergedState = true;
    }
    return QoSaveResult::kSaved;
}

QoSaveResult QoGame::KeepPending(const std::string& target, const QoStateVersion& mine) {
    QoStateVersion base;
    {
        std::lock_guard<std::mutex> lock(_saveMutex);
        base = _stateBase;
    }
    std::string bytes = PendingBytes(base, mine);
    // Named by the time, so that they are taken in the order they were left.
    auto now = std::chrono::system_clock::now().time_since_epoch();
    long long stamp = std::chrono::duration_cast<std::chrono::nanoseconds>(now).count();
    for (int attempt = 0; attempt < 64; ++attempt, ++stamp) {
        char digits[24];
        std::snprintf(digits, sizeof digits, "%020lld", stamp);
        std::string pending = target + kPendingSuffix + digits;
        QoSaveResult made = qoCreateFile(pending, bytes);
        if (made == QoSaveResult::kCannotOpen && errno == EEXIST) continue;
        if (made == QoSaveResult::kSaved) {
            std::fprintf(stderr,
                         "[state] another copy held %s to the end; this copy's state waits in %s "
                         "for the next save or start\n",
                         qoAbsolutePath(target + ".lock").c_str(), qoAbsolutePath(pending).c_str());
        }
        return made;
    }
    return QoSaveResult::kCannotOpen;
}

String QoGame::TakeMergedState() {
    std::lock_guard<std::mutex> lock(_saveMutex);
    if (!_hasMergedState) return String();
    _hasMergedState = false;
    _stateBase = _mergedState;
    return String::FromUtf8(_mergedState.bytes);
}

String QoGame::SavedState() {
    std::lock_guard<std::mutex> lock(_saveMutex);
    return String::FromUtf8(_stateBase.bytes);
}

int QoGame::TakeSaveFailure() {
    std::lock_guard<std::mutex> lock(_saveMutex);
    int failure = _saveFailure;
    _saveFailure = 0;
    return failure;
}

String QoGame::LoadState() {
    String path = PathToFilePath(String(kStateFileName));
    if (path.Length() == 0 || !qoStateFolderReady()) return String();
    std::string file = path.ToUtf8();
    // A save cut off by a kill leaves its temporary file beside the file it replaces;
    // the state is read once, at start. Pending states are taken in while no other copy
    // saves; otherwise the next save does it.
    std::string target, why;
    if (qoFollowLinks(file, &target, &why)) {
        qoRemoveStaleTemporaries(target);
        if (!PendingStates(target).empty()) {
            qoTryLocked(target + ".lock", [this, &target] {
                std::string bytes;
                std::vector<std::string> taken;
                if (ReadForWrite(target, "", &bytes, &taken) != QoSaveResult::kSaved ||
                    taken.empty() || qoReplaceFile(target, bytes) != QoSaveResult::kSaved)
                    return;
                for (const std::string& pending : taken) qoRemoveFile(pending);
            });
        }
    }
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
    _stateBase = {bytes, ""};
    return result == QoReadResult::kRead ? String::FromUtf8(bytes) : String();
}

bool QoGame::EndApp() {
    return false;
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

// Once the end has begun nothing reaches the game but the renders that show it.
void QoGame::SuspendGame() {
    if (!_started || _suspended || _ending) return;
    _suspended = true;
    Guarded([](QoGameDelegate& d) { d.SuspendGame(); });
}

void QoGame::ResumeGame() {
    if (!_started || !_suspended || _ending) return;
    _suspended = false;
    Guarded([](QoGameDelegate& d) { d.ResumeGame(); });
}

void QoGame::UpdateGame() {
    if (!_started || _suspended || _ending) return;
    Guarded([](QoGameDelegate& d) { d.UpdateGame(); });
}

void QoGame::RenderGame() {
    if (!_started) return;
    Guarded([](QoGameDelegate& d) { d.RenderGame(); });
}

void QoGame::KeyEvent(int event, int data) {
    if (!_started || _ending) return;
    Guarded([=](QoGameDelegate& d) { d.KeyEvent(event, data); });
}

void QoGame::MouseEvent(int event, int data, float x, float y) {
    if (!_started || _ending) return;
    Guarded([=](QoGameDelegate& d) { d.MouseEvent(event, data, x, y); });
}

void QoGame::TouchEvent(int event, int data, float x, float y) {
    if (!_started || _ending) return;
    Guarded([=](QoGameDelegate& d) { d.TouchEvent(event, data, x, y); });
}

void QoGame::MotionEvent(int event, int data, float x, float y, float z) {
    if (!_started || _ending) return;
    Guarded([=](QoGameDelegate& d) { d.MotionEvent(event, data, x, y, z); });
}

void QoGame::DiscardGraphics() {
    if (!_started) return;
    Guarded([](QoGameDelegate& d) { d.DiscardGraphics(); });
}
