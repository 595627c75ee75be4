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

c_Sound* qo_audio_LoadSound(String path) {
    gxtkSample* sample = qo_audio_device->LoadSample(qo_data_FixDataPath(path));
    if (!sample) return nullptr;
    return (new c_Sound)->m_new(sample);
}

int qo_audio_PlaySound(c_Sound* sound, int channel, int flags) {
    if (sound && sound->m_sample) qo_audio_device->PlaySample(sound->m_sample, channel, flags);
    return 0;
}

int qo_audio_StopChannel(int channel) {
    qo_audio_device->StopChannel(channel);
    return 0;
}

int qo_audio_SetChannelVolume(int channel, float volume) {
    qo_audio_device->SetVolume(channel, volume);
    return 0;
}

int qo_audio_SetChannelPan(int channel, float pan) {
    qo_audio_device->SetPan(channel, pan);
    return 0;
}

int qo_audio_SetChannelRate(int channel, float rate) {
    qo_audio_device->SetRate(channel, rate);
    return 0;
}

int qo_audio_PlayMusic(String path, int flags) {
    return qo_audio_device->PlayMusic(qo_data_FixDataPath(path), flags);
}

int qo_audio_StopMusic() {
    qo_audio_device->StopMusic();
    return 0;
}

int qo_audio_PauseMusic() {
    qo_audio_device->PauseMusic();
    return 0;
}

int qo_audio_ResumeMusic() {
    qo_audio_device->ResumeMusic();
    return 0;
}

int qo_audio_SetMusicVolume(float volume) {
    qo_audio_device->SetMusicVolume(volume);
    return 0;
}
