// The host as the application and the device modules see it: one QoGame per run,
// reached through QoGame::_game. It forwards window-system events to the delegate
// through guarded entry points, maps location-neutral paths to files, reads data files
// and keeps the saved-state file. The window and the frame loop are QoGlfwGame's.
#pragma once

#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "runtime/array.h"
#include "runtime/device_host.h"
#include "runtime/object.h"
#include "runtime/platform.h"
#include "runtime/string.h"

// A display size as the host reports it; the three spare fields stay 0 on this host.
// The desktop's video mode with its colour depths, for a full-screen window.
class QoGlfwVideoMode : public Object {
public:
    int width = 0;
    int height = 0;
    int red = 0;
    int green = 0;
    int blue = 0;
};

class QoDisplayMode : public Object {
public:
    int width = 0;
    int height = 0;
    int format = 0;
    int hertz = 0;
    int flags = 0;
};

// Receiver of every game event; the application's c_GameDelegate overrides these.
class QoGameDelegate : public Object {
public:
    virtual void StartGame() {}
    virtual void SuspendGame() {}
    virtual void ResumeGame() {}
    virtual void UpdateGame() {}
    virtual void RenderGame() {}
    virtual void KeyEvent(int event, int data) { (void)event, (void)data; }
    virtual void MouseEvent(int event, int data, float x, float y) {
        (void)event, (void)data, (void)x, (void)y;
    }
    virtual void TouchEvent(int event, int data, float x, float y) {
        (void)event, (void)data, (void)x, (void)y;
    }
    virtual void MotionEvent(int event, int data, float x, float y, float z) {
        (void)event, (void)data, (void)x, (void)y, (void)z;
    }
    virtual void DiscardGraphics() {}
};

// A state as one copy holds it: the bytes the file holds, and the game's own note of how
// it came to be (what the copy has done since it loaded), which only the merge reads.
struct QoStateVersion {
    std::string bytes;
    std::string note;
};

// The game's reading of its saved state, installed by the game so the host does not
// depend on it. qoStateMerge gives the state to save when another copy has changed the
// file since `base` (what this copy last read or wrote): this copy's changes from
// `base` to `mine` laid over `file`. qoStateDamage names the parts of a state that a
// load resets as damaged or cut off ("" when it is whole). Without them a save writes
// its own state as it is. Both run on the save thread, so they take and give bytes and
// touch nothing of the game's.
extern std::string (*qoStateMerge)(const QoStateVersion& base, const QoStateVersion& mine,
                                   const std::string& file);
extern std::string (*qoStateDamage)(const std::string& text);

class QoGame : public QoDeviceHost {
public:
    QoGame();
    virtual ~QoGame();

    virtual void SetDelegate(QoGameDelegate* delegate);
    virtual QoGameDelegate* Delegate();
    virtual void SetKeyboardEnabled(bool enabled);
    virtual bool KeyboardEnabled();
    virtual void SetUpdateRate(int hertz);
    virtual int UpdateRate();
    virtual bool Started();
    virtual bool Suspended();
    virtual int Millisecs();
    virtual void GetDate(Array<int> date);
    // The seed of every game's first level when a developer fixed it (--seed N), so that
    // a reported level can be played again; -1 (a player's run) draws it from the clock.
    int LevelSeed() const { return _levelSeed; }
    // Reads the program's options; false, with what is wrong in `why`, for an option it
    // does not know or a bad value.
    bool ReadOptions(int argc, const char* const* argv, std::string* why);
    // What the options asked for besides a game: the usage or the version, shown instead.
    enum class Asked { kGame, kHelp, kVersion };
    Asked OptionsAsked() const { return _asked; }
    // The options, as --help and a refused option show them.
    static const char* const kUsage;
    // 0 queued (qoQueueSave: the file work runs later, and a failure of it comes from
    // TakeSaveFailure), -1 this run saves nothing (the file is kept, below); a failed
    // save is -1 when the file could not be opened, -2 when not every byte reached the
    // disk. Locked against other copies for the whole read, merge and write:
    // when the file changed since this copy last read or wrote it, the merged state is
    // written and offered through TakeMergedState. `note` travels with the state to the
    // merge (QoStateVersion). A state file that is a symbolic link stays one: its target
    // is replaced. A damaged file's bytes are first kept beside it (KeepDamaged), and the
    // states that copies ending meanwhile left pending are taken in. When the run ends
    // while another copy holds the lock, the state waits in a pending file of its own.
    virtual int SaveState(String state, String note = String());
    // The merged state of the last save, once it is written and when it differs from
    // what the game saved; otherwise the empty string. Taking it makes it this copy's
    // base: the game lays what it changed since that save over it.
    virtual String TakeMergedState();
    // What this copy last read from the file or wrote to it (once taken, the merge): as
    // far as it knows, what the file holds of its own.
    virtual String SavedState();
    // The result of a save that failed after SaveState had answered, once; otherwise 0.
    virtual int TakeSaveFailure();
    // A state file that is there but cannot be read (no permission, a read error, not a
    // regular file, too large) loads as the empty state and is kept: it is reported once
    // and no save of this run replaces it, so the highscores in it are not lost. States
    // left pending by copies that ended while the lock was held are taken in first, when
    // the lock is free.
    virtual String LoadState();
    // The program's end: false when it may end now, true when a save is still under way
    // and the host's frame loop ends it once that is written (after at most
    // kQuitWaitSeconds, drawing meanwhile). Without a frame loop, always false: the exit
    // itself waits for the saves.
    virtual bool EndApp();
    // Whether the end has begun: nothing more is updated or delivered, only drawn.
    bool Ending() const { return _ending; }
    virtual String LoadString(String path);
    virtual bool PollJoystick(int port, Array<float> joyx, Array<float> joyy, Array<float> joyz,
                              Array<bool> buttons);
    virtual void OpenUrl(String url);
    virtual void SetMouseVisible(bool visible);
    virtual int GetDeviceWidth();
    virtual int GetDeviceHeight();
    virtual void SetDeviceWindow(int width, int height, int flags);
    virtual Array<QoDisplayMode*> GetDisplayModes();
    virtual QoDisplayMode* GetDesktopMode();
    virtual void SetSwapInterval(int interval);
    // The window operations of the options: a host without a window has no desktop mode
    // (null) and ignores the request.
    virtual void SetGlfwWindow(int width, int height, int red, int green, int blue, int alpha,
                               int depth, int stencil, bool fullscreen);
    virtual QoGlfwVideoMode* GetGlfwDesktopMode();
    virtual String PathToFilePath(String path);
    // A stream for a "kavoro:" or file-system path, or null.
    virtual FILE* OpenFile(String path, String mode);
    // The whole file in one malloc'ed block owned by the caller, or null.
    virtual unsigned char* LoadData(String path, int* length);
    virtual unsigned char* LoadImageData(String path, int* width, int* height, int* depth);
    virtual unsigned char* LoadAudioData(String path, int* length, int* channels, int* format,
                                         int* hertz);
    [[noreturn]] virtual void Die(ThrowableObject* exception);
    virtual void gc_collect();

    // Guarded entry points: each checks the host state, calls the delegate inside an
    // exception guard (an escaping ThrowableObject goes to Die), then runs one
    // collector step.
    virtual void StartGame();
    virtual void SuspendGame();
    virtual void ResumeGame();
    virtual void UpdateGame();
    virtual void RenderGame();
    virtual void KeyEvent(int event, int data);
    virtual void MouseEvent(int event, int data, float x, float y);
    virtual void TouchEvent(int event, int data, float x, float y);
    virtual void MotionEvent(int event, int data, float x, float y, float z);
    virtual void DiscardGraphics();

    // Without a window there is no context; the window host tells its own.
    bool HasGraphicsContext() override { return false; }
    void GraphicsWindowSize(int* width, int* height) override { *width = *height = 0; }

    static QoGame* _game;

    // The saved-state file, relative to the current directory.
    static const char* const kStateFileName;
    // A real state file is about 2 KB; anything this large is not one.
    static constexpr size_t kStateFileLimit = 1 << 20;

protected:
    QoGameDelegate* _delegate = nullptr;
    bool _keyboardEnabled = false;
    int _updateRate = 0;
    bool _started = false;
    bool _suspended = false;
    bool _keepStateFile = false;
    bool _ending = false;
    // Guards what the save thread shares with the game's, from here to _saveFailure.
    std::mutex _saveMutex;
    // What the file held when this copy last read or wrote it, with the game's note then:
    // the base of a merge. Once a merge is taken it is the merged state.
    QoStateVersion _stateBase;
    // Counts the saves asked for; a merge of an older one, overtaken by a save still to
    // come, is not offered.
    unsigned _saveSerial = 0;
    QoStateVersion _mergedState;
    bool _hasMergedState = false;
    // The bytes this copy last wrote: a file that still holds them needs no damage check.
    std::string _written;
    int _saveFailure = 0;
    int _levelSeed = -1;
    Asked _asked = Asked::kGame;

    // The save's steps while the lock is held.
    QoSaveResult SaveStateLocked(const std::string& target, const QoStateVersion& mine,
                                 unsigned serial);
    // The file as it is before it is written over, with its damage kept and the pending
    // states taken in (their names in `taken`, to be removed once the result is written).
    QoSaveResult ReadForWrite(const std::string& target, const std::string& written,
                              std::string* file, std::vector<std::string>* taken);
    // The lock stayed with another copy to the end of the run: `mine` waits beside the
    // state in a file of its own.
    QoSaveResult KeepPending(const std::string& target, const QoStateVersion& mine);

private:
    template <class Call>
    void Guarded(Call call);
};
