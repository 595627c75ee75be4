// The one audio device: 33 OpenAL channels playing fully decoded samples. Channels
// 0-31 play sounds, channel 32 plays music. Channel states: 0 stopped, 1 playing,
// 2 paused; a sound that ends by itself is noticed lazily (ChannelState, PauseChannel).
//
// Sources are made lazily, one per channel; when the driver refuses one, the channel
// takes over the source of an idle sound channel. Buffers of collected samples are not
// deleted at once: they wait on a list that is flushed before each load and each play.
// Main thread only.
#pragma once

#include <AL/alc.h>

#include <chrono>
#include <cstdint>
#include <memory>

#include "runtime/object.h"
#include "runtime/platform.h"
#include "runtime/string.h"

class gxtkSample : public Object {
public:
    uint32_t buffer = 0;  // OpenAL buffer name, 0 = none

    gxtkSample();
    explicit gxtkSample(uint32_t alBuffer);
    ~gxtkSample() override;
    void SetBuffer(uint32_t alBuffer) { buffer = alBuffer; }
    // Hands the buffer to the discarded list; it is deleted once no source plays it.
    virtual int Discard();

private:
    // The device opening the buffer belongs to: after a Shutdown its name means nothing.
    int deviceGeneration_;
};

struct gxtkChannel {
    uint32_t source = 0;  // 0 until first needed
    gxtkSample* sample = nullptr;
    int flags = 0;  // non-zero = loop
    int state = 0;

    // The channel's source, made on first use; 0 if none could be had.
    uint32_t AL_Source();
};

class gxtkAudio : public Object {
public:
    static constexpr int kChannels = 33;
    static constexpr int kMusicChannel = 32;

    ALCdevice* alcDevice = nullptr;
    ALCcontext* alcContext = nullptr;
    gxtkChannel channels[kChannels];

    static gxtkAudio* audio;

    gxtkAudio();
    ~gxtkAudio() override;
    // Starts opening the output device on a thread (not in the browser), for the next
    // gxtkAudio to take; the program calls it before it makes its window.
    static void OpenDeviceAhead();
    void mark() override;

    virtual int Suspend();
    virtual int Resume();
    virtual gxtkSample* LoadSample(String path);
    virtual bool LoadSample__UNSAFE__(gxtkSample* sample, String path);
    virtual int PlaySample(gxtkSample* sample, int channel, int flags);
    virtual int StopChannel(int channel);
    virtual int PauseChannel(int channel);
    virtual int ResumeChannel(int channel);
    virtual int ChannelState(int channel);
    virtual int SetVolume(int channel, float volume);
    virtual int SetPan(int channel, float pan);
    virtual int SetRate(int channel, float rate);
    virtual int PlayMusic(String path, int flags);
    virtual int StopMusic();
    virtual int PauseMusic();
    virtual int ResumeMusic();
    virtual int MusicState();
    virtual int SetMusicVolume(float volume);
    // Starts decoding a music file ahead (on a worker thread where the host has threads),
    // so that its first PlayMusic only uploads it instead of stalling the game for the
    // whole decode. A second call for the same file waits for the decode and uploads the samples as
    // the kept music, so that PlayMusic then only starts them; where the decode runs between
    // frames (AdvanceMusicDecode) and is not done yet, that happens once it is. 0 on success (or
    // when the file is already the kept music), -1 when the file cannot be found, has no known
    // decoder or fails to decode.
    virtual int PrefetchMusic(String path);
    // A host without threads calls this after each frame: a music decode ahead that a
    // second PrefetchMusic asked for goes on for about `seconds`.
    void AdvanceMusicDecode(double seconds);

    // Releases the sources, the pending buffers, the context and the OpenAL device. The
    // game keeps its device for the whole run; the device opened last is shut down when
    // the program ends (tests shut theirs down earlier). Buffers of samples still alive
    // die with the device; their later Discard is ignored.
    void Shutdown();
    // Counts Shutdowns, so samples can tell buffers of a closed device.
    static int generation;

private:
    // Which music file the cached sample was decoded from: a changed file (new inode,
    // size or modification time) no longer matches.
    struct MusicKey {
        String path;
        QoFileIdentity file;
        bool operator==(const MusicKey& other) const {
            return path == other.path && file == other.file;
        }
    };
    bool MusicKeyOf(const String& path, MusicKey* key);
    // The music file's sample: the kept one when the file is unchanged, else loaded.
    gxtkSample* MusicSample(const String& path);

    gxtkSample* musicSample_ = nullptr;  // last music decoded, kept for a restart
    MusicKey musicKey_;

    // A music decode ahead of its first play (audio/music_decode.h); at most one at a time.
    struct Prefetch;
    std::unique_ptr<Prefetch> prefetch_;
    // Waits for the decode; what it decoded becomes a sample when it is the file of key
    // (null: drop it in any case), and is freed otherwise.
    gxtkSample* TakePrefetched(const MusicKey* key);
    // The decode ahead of `key`'s file becomes the kept music; -1 when it failed.
    int KeepPrefetched(MusicKey key);

    // Stopped music fades out instead of being cut mid-waveform, which clicks. The
    // source fades on its own while the music channel goes on with a second source, so
    // the channel reads as stopped at once and new music is not touched by the fade.
    struct Fade {
        uint32_t source = 0;  // 0: no fade under way
        gxtkSample* sample = nullptr;
        std::chrono::steady_clock::time_point stopAt;
    };
    Fade fade_;
    uint32_t spareMusicSource_ = 0;
    std::chrono::steady_clock::duration fadeStopDelay_{};
    // Starts the fade of the playing music; false when there is nothing audible to fade
    // or no second source to be had.
    bool FadeOutMusic();
    // Stops the faded source once its fade is surely over, or at once when `now` (a stop
    // during the previous fade cuts that one short). PlaySample and ChannelState, which
    // the game calls all the time, look in on it.
    void SettleFade(bool now);
};

// Buffer names of discarded samples that are still to be deleted.
int gxtkAudioDiscardedCount();
