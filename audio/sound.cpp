#include "audio/sound.h"

#include "runtime/data.h"

gxtkAudio* qo_audio_device = nullptr;
GC_ROOT(qo_audio_device);

c_Sound* c_Sound::m_new(gxtkSample* sample) {
    gc_assign(m_sample, sample);
    return this;
}

c_Sound* c_Sound::m_new2() {
    return this;
}

void c_Sound::mark() {
    gc_mark_q(m_sample);
}

int qo_audio_SetAudioDevice(gxtkAudio* device) {
    gc_assign(qo_audio_device, device);
    return 0;
}

// Every call is harmless before the host has created the audio device (and in programs
// that never create one): loads give null, plays and settings do nothing.

c_Sound* qo_audio_LoadSound(String path) {
    if (!qo_audio_device) return nullptr;
    gxtkSample* sample = qo_audio_device->LoadSample(qo_data_FixDataPath(path));
    if (!sample) return nullptr;
    return (new c_Sound)->m_new(sample);
}

int qo_audio_PlaySound(c_Sound* sound, int channel, int flags) {
    if (!qo_audio_device) return 0;
    if (sound && sound->m_sample) qo_audio_device->PlaySample(sound->m_sample, channel, flags);
    return 0;
}

int qo_audio_StopChannel(int channel) {
    if (!qo_audio_device) return 0;
    qo_audio_device->StopChannel(channel);
    return 0;
}

int qo_audio_SetChannelVolume(int channel, float volume) {
    if (!qo_audio_device) return 0;
    qo_audio_device->SetVolume(channel, volume);
    return 0;
}

int qo_audio_SetChannelPan(int channel, float pan) {
    if (!qo_audio_device) return 0;
    qo_audio_device->SetPan(channel, pan);
    return 0;
}

int qo_audio_SetChannelRate(int channel, float rate) {
    if (!qo_audio_device) return 0;
    qo_audio_device->SetRate(channel, rate);
    return 0;
}

int qo_audio_PlayMusic(String path, int flags) {
    if (!qo_audio_device) return -1;
    return qo_audio_device->PlayMusic(qo_data_FixDataPath(path), flags);
}

int qo_audio_PrefetchMusic(String path) {
    if (!qo_audio_device) return -1;
    return qo_audio_device->PrefetchMusic(qo_data_FixDataPath(path));
}

int qo_audio_StopMusic() {
    if (!qo_audio_device) return 0;
    qo_audio_device->StopMusic();
    return 0;
}

int qo_audio_PauseMusic() {
    if (!qo_audio_device) return 0;
    qo_audio_device->PauseMusic();
    return 0;
}

int qo_audio_ResumeMusic() {
    if (!qo_audio_device) return 0;
    qo_audio_device->ResumeMusic();
    return 0;
}

int qo_audio_SetMusicVolume(float volume) {
    if (!qo_audio_device) return 0;
    qo_audio_device->SetMusicVolume(volume);
    return 0;
}
