// Sound effects from numbered slots on a ring of 24 channels, and the one music track,
// both obeying the sound mode and the two volume settings.
#include "audio/sound.h"
#include "game/my_app.h"

namespace {

// Settings read here.
constexpr int kSoundMode = 5;    // 0 silent, 1 effects and music, 2 effects only, 3 music only
constexpr int kSfxVolume = 6;    // 0 loud, 1 normal, 2 quiet, 3 off
constexpr int kMusicVolume = 7;  // the same values

String TuneFileName(const String& name) {
    return String("sfx/") + name + String(".ogg");
}

}  // namespace

bool c_MyApp::MusicWanted() const {
    int mode = m_Settings[kSoundMode];
    return mode == 1 || mode == 3;
}

String c_MyApp::SfxFileName(int slot) {
    const char* pad = slot < 10 ? "sfx/00" : slot < 100 ? "sfx/0" : "sfx/";
    return String(pad) + String(slot) + String(".wav");
}

int c_MyApp::p_LoadSFX(int slot) {
    // The slot table ends at 99; a larger number would be stored past its end.
    if (slot < 0 || slot >= kSoundSlots) return 0;
    m_Sounds[slot] = static_cast<c_Sound*>(nullptr);
    m_Sounds[slot] = qo_audio_LoadSound(SfxFileName(slot));
    return 0;
}

int c_MyApp::p_PlaySFX(int slot, float rate, float volume, float pan) {
    int mode = m_Settings[kSoundMode];
    if (mode != 1 && mode != 2) return 0;
    if (slot < 0 || slot >= kSoundSlots) return 0;
    c_Sound* sound = m_Sounds[slot];
    if (!sound) return 0;
    float factor;
    switch (m_Settings[kSfxVolume]) {
        case 1:
            factor = 0.75f;
            break;
        case 2:
            factor = 0.4f;
            break;
        case 3:
            return 0;
        default:
            factor = 1.0f;
            break;
    }
    m_SfxSlot = (m_SfxSlot + 1) % kSfxRing;
    int channel = m_SfxChannels[m_SfxSlot];
    qo_audio_StopChannel(channel);
    qo_audio_PlaySound(sound, channel, 0);
    qo_audio_SetChannelRate(channel, rate);
    qo_audio_SetChannelVolume(channel, factor * volume);
    qo_audio_SetChannelPan(channel, pan);
    return 0;
}

// Decoding a tune takes tens of milliseconds; the loader has it done on the side (first
// call) and uploaded before the menu shows (second call).
int c_MyApp::p_PrefetchTune(String name) {
    if (qo_Game_HasMusicStream == 0 || !MusicWanted()) return 0;
    qo_audio_PrefetchMusic(TuneFileName(name));
    return 0;
}

int c_MyApp::p_PlayTune(String name, int loop) {
    if (qo_Game_HasMusicStream == 0) return 0;
    if (name == String("-1")) {
        name = m_TuneName;
    } else if (name.Length() > 0) {
        m_TuneName = name;
    }
    if (name.Length() == 0) return 0;
    if (m_MusicOn == 1) {
        qo_audio_StopMusic();
        m_MusicOn = 0;
    }
    if (!MusicWanted()) return 0;
    qo_audio_PlayMusic(TuneFileName(name), loop);
    m_MusicOn = 1;
    switch (m_Settings[kMusicVolume]) {
        case 0:
            qo_audio_SetMusicVolume(1.0f);
            break;
        case 1:
            qo_audio_SetMusicVolume(0.7f);
            break;
        case 2:
            qo_audio_SetMusicVolume(0.4f);
            break;
        case 3:
            qo_audio_SetMusicVolume(0.0f);
            break;
        default:
            break;
    }
    return 0;
}

int c_MyApp::p_StopTune() {
    qo_audio_StopMusic();
    m_MusicOn = 0;
    return 0;
}
