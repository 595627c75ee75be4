// gxtkAudio over OpenAL (OpenAL Soft on the desktop, Web Audio in the browser).
#include "audio/audio_device.h"

#include <AL/al.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>
#include <utility>
#include <vector>

#include "audio/audio_data.h"
#include "audio/music_decode.h"
#include "runtime/device_host.h"
#include "runtime/errors.h"
#include "runtime/platform.h"

gxtkAudio* gxtkAudio::audio = nullptr;
int gxtkAudio::generation = 0;
GC_ROOT(gxtkAudio::audio);

namespace {

// Buffers of discarded samples; a name whose deletion fails waits for the next flush.
std::vector<ALuint> discarded;

ALint SourceState(ALuint source) {
    ALint state = AL_STOPPED;
    alGetSourcei(source, AL_SOURCE_STATE, &state);
    return state;
}

// Buffers stay attached to stopped sources until here, where a buffer that no source
// plays any more can finally be deleted.
void FlushDiscarded() {
    if (discarded.empty() || !gxtkAudio::audio) return;
    for (gxtkChannel& chan : gxtkAudio::audio->channels) {
        if (chan.state != 0 && SourceState(chan.source) == AL_STOPPED) {
            alSourcei(chan.source, AL_BUFFER, 0);
        }
    }
    std::vector<ALuint> kept;
    for (ALuint buffer : discarded) {
        alGetError();
        alDeleteBuffers(1, &buffer);
        if (alGetError() != AL_NO_ERROR) kept.push_back(buffer);
    }
    discarded.swap(kept);
}

ALenum AlFormat(int bytesPerSample, int channels) {
    if (bytesPerSample == 1 && channels == 1) return AL_FORMAT_MONO8;
    if (bytesPerSample == 1 && channels == 2) return AL_FORMAT_STEREO8;
    if (bytesPerSample == 2 && channels == 1) return AL_FORMAT_MONO16;
    if (bytesPerSample == 2 && channels == 2) return AL_FORMAT_STEREO16;
    return 0;  // OpenAL rejects the data; the sample stays silent
}

// Gives the sample a buffer holding the decoded samples, and frees them.
void UploadTo(gxtkSample* sample, unsigned char* data, int length, int channels, int bytesPerSample,
              int hertz) {
    ALuint buffer = 0;
    alGenBuffers(1, &buffer);
    alBufferData(buffer, AlFormat(bytesPerSample, channels), data,
                 bytesPerSample * channels * length, hertz);
    std::free(data);
    sample->SetBuffer(buffer);
}

// OpenAL Soft reports a device still open when the program ends ("device not closed"),
// and a wave capture keeps placeholder sizes in its header: every way out closes it.
void CloseAtExit() {
    if (gxtkAudio::audio) gxtkAudio::audio->Shutdown();
}

// OpenAL Soft spreads every gain change over its next mixer update, so a gain of 0 is
// a clean ramp of one update (1024 frames, 23 ms, by default). A faded source is stopped
// four updates on: the update under way when the gain changed, the ramp, and two for a
// late mixer thread. Stopping it sooner would cut the ramp off in the mix.
std::chrono::steady_clock::duration FadeStopDelay(ALCdevice* device) {
    ALCint updatesPerSecond = 0;
    if (device) alcGetIntegerv(device, ALC_REFRESH, 1, &updatesPerSecond);
    if (updatesPerSecond <= 0) updatesPerSecond = 44100 / 1024;
    return std::chrono::microseconds(4 * 1000000 / updatesPerSecond);
}

void CopySourceSettings(ALuint from, ALuint to) {
    ALfloat gain = 1, pitch = 1, x = 0, y = 0, z = 0;
    alGetSourcef(from, AL_GAIN, &gain);
    alGetSourcef(from, AL_PITCH, &pitch);
    alGetSource3f(from, AL_POSITION, &x, &y, &z);
    alSourcef(to, AL_GAIN, gain);
    alSourcef(to, AL_PITCH, pitch);
    alSource3f(to, AL_POSITION, x, y, z);
}

ALCdevice* OpenOutputDevice() {
    for (const char* name :
         {static_cast<const char*>(nullptr), "Generic Hardware", "Generic Software"}) {
        if (ALCdevice* device = alcOpenDevice(name)) return device;
    }
    return nullptr;
}

// A device and context opened on a thread while the window and its GL context are made:
// the driver's start-up (its mixer, a sound server's handshake) is then off the way to
// the first frame. Joined by the first gxtkAudio; one never taken is closed at exit.
struct OpenedAhead {
    std::thread opener;
    ALCdevice* device = nullptr;
    ALCcontext* context = nullptr;

    ~OpenedAhead() {
        if (opener.joinable()) opener.join();
        if (context) alcDestroyContext(context);
        if (device) alcCloseDevice(device);
    }
};

OpenedAhead& Ahead() {
    static OpenedAhead ahead;
    return ahead;
}

}  // namespace

void gxtkAudio::OpenDeviceAhead() {
#ifndef __EMSCRIPTEN__
    OpenedAhead& ahead = Ahead();
    if (ahead.opener.joinable() || ahead.device) return;
    ahead.opener = std::thread([&ahead] {
        ahead.device = OpenOutputDevice();
        if (ahead.device) ahead.context = alcCreateContext(ahead.device, nullptr);
    });
#endif
}

int gxtkAudioDiscardedCount() {
    return static_cast<int>(discarded.size());
}

// ---- samples ------------------------------------------------------------------------------

gxtkSample::gxtkSample() : deviceGeneration_(gxtkAudio::generation) {}

gxtkSample::gxtkSample(uint32_t alBuffer)
    : buffer(alBuffer), deviceGeneration_(gxtkAudio::generation) {}

gxtkSample::~gxtkSample() {
    Discard();
}

int gxtkSample::Discard() {
    if (buffer && deviceGeneration_ == gxtkAudio::generation) discarded.push_back(buffer);
    buffer = 0;
    return 0;
}

// ---- channels -----------------------------------------------------------------------------

uint32_t gxtkChannel::AL_Source() {
    if (source) return source;
    alGetError();
    ALuint made = 0;
    alGenSources(1, &made);
    if (alGetError() == AL_NO_ERROR) {
        source = made;
        return source;
    }
    source = 0;
    gxtkAudio* device = gxtkAudio::audio;
    if (!device) return 0;
    for (int i = 0; i < gxtkAudio::kMusicChannel; ++i) {
        gxtkChannel& idle = device->channels[i];
        if (&idle == this || !idle.source || device->ChannelState(i) != 0) continue;
        source = idle.source;
        idle.source = 0;
        break;
    }
    return source;
}

// ---- the device ---------------------------------------------------------------------------

gxtkAudio::gxtkAudio() {
    static bool closedAtExit = false;
    if (!closedAtExit) {
        qoAtExit(CloseAtExit);
        closedAtExit = true;
    }
    gc_assign(audio, this);
    if (!qoAudioDataLoader) qoAudioDataLoader = LoadAudioFile;  // unless the host has its own

    OpenedAhead& ahead = Ahead();
    if (ahead.opener.joinable()) ahead.opener.join();
    std::swap(alcDevice, ahead.device);
    std::swap(alcContext, ahead.context);
    if (!alcDevice) alcDevice = OpenOutputDevice();
    qoPrint("opening openal device");
    if (!alcDevice) {
        qoPrint("OpenAl error: alcOpenDevice failed");
    } else if (!alcContext && !(alcContext = alcCreateContext(alcDevice, nullptr))) {
        qoPrint("OpenAl error: alcCreateContext failed");
    } else if (!alcMakeContextCurrent(alcContext)) {
        qoPrint("OpenAl error: alcMakeContextCurrent failed");
    }
    alDistanceModel(AL_NONE);
    channels[kMusicChannel].AL_Source();
    fadeStopDelay_ = FadeStopDelay(alcDevice);
}

gxtkAudio::~gxtkAudio() {
    TakePrefetched(nullptr);
}

void gxtkAudio::mark() {
    for (gxtkChannel& chan : channels) {
        if (chan.state != 0 && SourceState(chan.source) != AL_STOPPED) gc_mark_q(chan.sample);
    }
    gc_mark_q(musicSample_);
    gc_mark_q(fade_.sample);
}

int gxtkAudio::Suspend() {
    for (gxtkChannel& chan : channels) {
        if (chan.state == 1 && SourceState(chan.source) == AL_PLAYING) alSourcePause(chan.source);
    }
    return 0;
}

int gxtkAudio::Resume() {
    for (gxtkChannel& chan : channels) {
        if (chan.state == 1 && SourceState(chan.source) == AL_PAUSED) alSourcePlay(chan.source);
    }
    return 0;
}

gxtkSample* gxtkAudio::LoadSample(String path) {
    FlushDiscarded();
    gxtkSample* sample = new gxtkSample;
    return LoadSample__UNSAFE__(sample, path) ? sample : nullptr;
}

bool gxtkAudio::LoadSample__UNSAFE__(gxtkSample* sample, String path) {
    QoDeviceHost* host = QoDeviceHost::Current();
    if (!host) return false;
    int length = 0, chans = 0, bytesPerSample = 0, hertz = 0;
    unsigned char* data = host->LoadAudioData(path, &length, &chans, &bytesPerSample, &hertz);
    if (!data) return false;
    UploadTo(sample, data, length, chans, bytesPerSample, hertz);
    return true;
}

int gxtkAudio::PlaySample(gxtkSample* sample, int channel, int flags) {
    SettleFade(false);
    FlushDiscarded();
    gxtkChannel& chan = channels[channel];
    ALuint source = chan.AL_Source();
    if (!source) return -1;
    alSourceStop(source);
    alSourcei(source, AL_BUFFER, static_cast<ALint>(sample->buffer));
    alSourcei(source, AL_LOOPING, flags ? AL_TRUE : AL_FALSE);
    alSourcePlay(source);
    gc_assign(chan.sample, sample);
    chan.flags = flags;
    chan.state = 1;
    return 0;
}

int gxtkAudio::StopChannel(int channel) {
    gxtkChannel& chan = channels[channel];
    if (chan.state != 0) {
        if (channel != kMusicChannel || !FadeOutMusic()) alSourceStop(chan.source);
        chan.state = 0;
    }
    return 0;
}

bool gxtkAudio::FadeOutMusic() {
    gxtkChannel& chan = channels[kMusicChannel];
    if (SourceState(chan.source) != AL_PLAYING) return false;
    SettleFade(true);
    ALuint next = spareMusicSource_;
    if (!next) {
        alGetError();
        alGenSources(1, &next);
        if (alGetError() != AL_NO_ERROR) return false;
    }
    spareMusicSource_ = 0;
    CopySourceSettings(chan.source, next);
    alSourcef(chan.source, AL_GAIN, 0.0f);
    fade_.source = chan.source;
    gc_assign(fade_.sample, chan.sample);
    fade_.stopAt = std::chrono::steady_clock::now() + fadeStopDelay_;
    chan.source = next;
    return true;
}

void gxtkAudio::SettleFade(bool now) {
    if (!fade_.source || (!now && std::chrono::steady_clock::now() < fade_.stopAt)) return;
    alSourceStop(fade_.source);
    alSourcei(fade_.source, AL_BUFFER, 0);
    spareMusicSource_ = fade_.source;
    fade_.source = 0;
    gc_assign(fade_.sample, static_cast<gxtkSample*>(nullptr));
}

int gxtkAudio::PauseChannel(int channel) {
    gxtkChannel& chan = channels[channel];
    if (chan.state == 1) {
        if (SourceState(chan.source) == AL_STOPPED) {
            chan.state = 0;
        } else {
            alSourcePause(chan.source);
            chan.state = 2;
        }
    }
    return 0;
}

int gxtkAudio::ResumeChannel(int channel) {
    gxtkChannel& chan = channels[channel];
    if (chan.state == 2) {
        alSourcePlay(chan.source);
        chan.state = 1;
    }
    return 0;
}

int gxtkAudio::ChannelState(int channel) {
    SettleFade(false);
    gxtkChannel& chan = channels[channel];
    if (chan.state == 1 && SourceState(chan.source) == AL_STOPPED) chan.state = 0;
    return chan.state;
}

int gxtkAudio::SetVolume(int channel, float volume) {
    alSourcef(channels[channel].AL_Source(), AL_GAIN, volume);
    return 0;
}

int gxtkAudio::SetPan(int channel, float pan) {
    alSource3f(channels[channel].AL_Source(), AL_POSITION, std::sin(pan), 0.0f, -std::cos(pan));
    return 0;
}

int gxtkAudio::SetRate(int channel, float rate) {
    alSourcef(channels[channel].AL_Source(), AL_PITCH, rate);
    return 0;
}

struct gxtkAudio::Prefetch {
    MusicKey key;
    std::string file;
    std::unique_ptr<MusicDecode> decode;
    bool keep = false;  // asked for again before it was decoded: kept once it is
};

bool gxtkAudio::MusicKeyOf(const String& path, MusicKey* key) {
    QoDeviceHost* host = QoDeviceHost::Current();
    if (!host) return false;
    if (!qoFileIdentity(qoEncodePath(host->PathToFilePath(path)), &key->file)) return false;
    key->path = path;
    return true;
}

int gxtkAudio::PlayMusic(String path, int flags) {
    StopMusic();
    gxtkSample* sample = MusicSample(path);
    if (!sample) return -1;
    PlaySample(sample, kMusicChannel, flags);
    return 0;
}

// The level music restarts on every new level; decoding it afresh each time would stall
// the game, so the sample of the last music file is kept while that file stays the same.
gxtkSample* gxtkAudio::MusicSample(const String& path) {
    MusicKey key;
    bool keyed = MusicKeyOf(path, &key);
    if (keyed && musicSample_ && key == musicKey_) return musicSample_;
    gc_assign(musicSample_, static_cast<gxtkSample*>(nullptr));
    gxtkSample* sample =
        keyed && prefetch_ && prefetch_->key == key ? TakePrefetched(&key) : nullptr;
    if (!sample) sample = LoadSample(path);
    if (sample && keyed) {
        gc_assign(musicSample_, sample);
        musicKey_ = key;
    }
    return sample;
}

int gxtkAudio::PrefetchMusic(String path) {
    QoDeviceHost* host = QoDeviceHost::Current();
    MusicKey key;
    // The worker calls the decoder directly: right only when the host loads audio with it.
    if (!host || qoAudioDataLoader != LoadAudioFile || !MusicKeyOf(path, &key)) return -1;
    if (musicSample_ && key == musicKey_) return 0;
    if (prefetch_ && prefetch_->key == key) {
        // The second call finishes the job: the decode becomes the kept music now, or,
        // where it is still decoded between frames, as soon as it is done.
        if (prefetch_->decode->Ready()) return KeepPrefetched(key);
        prefetch_->keep = true;
        return 0;
    }
    String filePath = host->PathToFilePath(path);
    AudioDecoder decode = AudioDecoderFor(filePath);
    if (!decode) return -1;
    TakePrefetched(nullptr);
    prefetch_ = std::make_unique<Prefetch>();
    prefetch_->key = key;
    prefetch_->file = qoEncodePath(filePath);
    prefetch_->decode = std::make_unique<MusicDecode>(decode, prefetch_->file);
    return 0;
}

int gxtkAudio::KeepPrefetched(MusicKey key) {
    gxtkSample* sample = TakePrefetched(&key);
    if (!sample) return -1;
    gc_assign(musicSample_, sample);
    musicKey_ = key;
    return 0;
}

void gxtkAudio::AdvanceMusicDecode(double seconds) {
    // Only once the second call asked for it: until then the game is still loading, and
    // the frames go to the loader.
    if (!prefetch_ || !prefetch_->keep) return;
    prefetch_->decode->Advance(seconds);
    if (prefetch_->decode->Ready()) KeepPrefetched(prefetch_->key);
}

gxtkSample* gxtkAudio::TakePrefetched(const MusicKey* key) {
    if (!prefetch_) return nullptr;
    std::unique_ptr<Prefetch> job = std::move(prefetch_);
    DecodedAudio music = job->decode->Take();
    // The music the game will ask for is missing: said now, as the loader's other files are.
    if (!music.data && key && job->key == *key) qoReportUnloadableFile(job->file);
    if (!music.data) return nullptr;
    if (!key || !(job->key == *key)) {
        std::free(music.data);
        return nullptr;
    }
    gc_ext_malloced(music.length * music.channels * music.bytesPerSample);
    FlushDiscarded();
    auto* sample = new gxtkSample;
    UploadTo(sample, music.data, music.length, music.channels, music.bytesPerSample, music.hertz);
    return sample;
}

int gxtkAudio::StopMusic() {
    return StopChannel(kMusicChannel);
}
int gxtkAudio::PauseMusic() {
    return PauseChannel(kMusicChannel);
}
int gxtkAudio::ResumeMusic() {
    return ResumeChannel(kMusicChannel);
}
int gxtkAudio::MusicState() {
    return ChannelState(kMusicChannel);
}
int gxtkAudio::SetMusicVolume(float volume) {
    return SetVolume(kMusicChannel, volume);
}

void gxtkAudio::Shutdown() {
    SettleFade(true);
    if (spareMusicSource_) alDeleteSources(1, &spareMusicSource_);
    spareMusicSource_ = 0;
    for (gxtkChannel& chan : channels) {
        if (chan.source) {
            alSourceStop(chan.source);
            alSourcei(chan.source, AL_BUFFER, 0);
            alDeleteSources(1, &chan.source);
        }
        chan = gxtkChannel{};
    }
    TakePrefetched(nullptr);
    gc_assign(musicSample_, static_cast<gxtkSample*>(nullptr));
    musicKey_ = MusicKey{};
    for (ALuint buffer : discarded) alDeleteBuffers(1, &buffer);
    discarded.clear();
    ++generation;
    if (alcContext) {
        alcMakeContextCurrent(nullptr);
        alcDestroyContext(alcContext);
        alcContext = nullptr;
    }
    if (alcDevice) {
        alcCloseDevice(alcDevice);
        alcDevice = nullptr;
    }
}
