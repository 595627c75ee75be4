// With no output device at all (no sound card, or every OpenAL backend excluded by the
// configuration CTest points at), the device reports it and every call stays harmless.
#include <gtest/gtest.h>

#include "audio/audio_device.h"
#include "audio/sound.h"
#include "tests/audio/audio_files.h"
#include "tests/audio/test_host.h"

TEST(NoAudioDevice, PrintsWhyAndEveryCallIsHarmless) {
    ScratchDir data;
    WaveSpec form;
    form.data = Pcm16({1, 2, 3, 4});
    data.Write("sfx/001.wav", WaveBytes(form));
    TestHost host(data.path());

    testing::internal::CaptureStdout();
    auto* device = new gxtkAudio;
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "opening openal device\nOpenAl error: alcOpenDevice failed\n");
    qo_audio_SetAudioDevice(device);

    c_Sound* sound = qo_audio_LoadSound("sfx/001.wav");
    for (int ch : {0, 31}) {
        qo_audio_PlaySound(sound, ch, 1);
        qo_audio_SetChannelVolume(ch, 0.5f);
        qo_audio_SetChannelPan(ch, -1.0f);
        qo_audio_SetChannelRate(ch, 1.5f);
        qo_audio_StopChannel(ch);
        EXPECT_EQ(device->ChannelState(ch), 0);
    }
    qo_audio_PlaySound(nullptr, 0, 0);
    EXPECT_EQ(qo_audio_PlayMusic("sfx/none.ogg", 1), -1);
    qo_audio_PlayMusic("sfx/001.wav", 1);
    qo_audio_PauseMusic();
    qo_audio_ResumeMusic();
    qo_audio_SetMusicVolume(0.3f);
    qo_audio_StopMusic();
    device->Suspend();
    device->Resume();
    EXPECT_EQ(device->MusicState(), 0);
    device->Shutdown();
}

TEST(NoAudioDevice, ModuleCallsBeforeTheDeviceExistsDoNothing) {
    qo_audio_SetAudioDevice(nullptr);
    EXPECT_EQ(qo_audio_LoadSound("sfx/001.wav"), nullptr);
    EXPECT_EQ(qo_audio_PlayMusic("sfx/jazzed.ogg", 1), -1);
    qo_audio_PlaySound(nullptr, 0, 0);
    qo_audio_SetChannelVolume(0, 1.0f);
    qo_audio_SetChannelPan(0, 0.0f);
    qo_audio_SetChannelRate(0, 1.0f);
    qo_audio_StopChannel(0);
    qo_audio_PauseMusic();
    qo_audio_ResumeMusic();
    qo_audio_SetMusicVolume(0.5f);
    qo_audio_StopMusic();
}
