// The translated code's handle to a sample, and the audio module functions the game calls.
#pragma once

#include "audio/audio_device.h"
#include "runtime/object.h"
#include "runtime/string.h"

class c_Sound : public Object {
public:
    gxtkSample* m_sample = nullptr;

    c_Sound* m_new(gxtkSample* sample);
    c_Sound* m_new2();
    void mark() override;
};

extern gxtkAudio* qo_audio_device;

int qo_audio_SetAudioDevice(gxtkAudio* device);
// Null when the file is missing or cannot be decoded.
c_Sound* qo_audio_LoadSound(String path);
int qo_audio_PlaySound(c_Sound* sound, int channel, int flags);
int qo_audio_StopChannel(int channel);
int qo_audio_SetChannelVolume(int channel, float volume);
int qo_audio_SetChannelPan(int channel, float pan);
int qo_audio_SetChannelRate(int channel, float rate);
// 0, or -1 when the music file cannot be loaded.
int qo_audio_PlayMusic(String path, int flags);
int qo_audio_StopMusic();
// Decodes a music file ahead on a worker thread (a later PlayMusic of it only uploads);
// called again for the same file, waits for the decode and uploads it as well.
int qo_audio_PrefetchMusic(String path);
int qo_audio_PauseMusic();
int qo_audio_ResumeMusic();
int qo_audio_SetMusicVolume(float volume);
