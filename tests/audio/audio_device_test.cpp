// The device on OpenAL Soft's wave backend: what it plays is read back from the capture.
#include "audio/audio_device.h"

#include <AL/al.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "runtime/gc/collector.h"
#include "tests/audio/device_fixture.h"

namespace {
constexpr double kAudible = 0.05;  // a 0.5-amplitude tone mixes to ~0.25 RMS per side
constexpr double kSilent = 0.001;

// Looping stereo music whose sides are a quarter period apart: wherever a cut falls, one
// side is far from zero and the cut shows as a jump.
String QuadratureTune(const ScratchDir& data) {
    std::vector<int16_t> samples;
    for (int i = 0; i < 44100; ++i) {  // one second: whole 441 Hz periods, a seamless loop
        double phase = 2 * M_PI * 441 * i / 44100;
        for (double side : {phase, phase + M_PI / 2}) {
            samples.push_back(static_cast<int16_t>(16384 * std::sin(side)));
        }
    }
    WaveSpec form;
    form.channels = 2;
    form.data = Pcm16(samples);
    data.Write("tune.wav", WaveBytes(form));
    return "kavoro://data/tune.wav";
}

void CollectEverything() {
    gc_collect_all();
    gc_collect_all();
    gc_release_garbage();
}
}  // namespace

TEST_F(AudioDevice, PlayedSampleIsHeardAndStoppedChannelIsSilent) {
    gxtkSample* tone = Load(WriteTone("tone.wav", 2000));
    ASSERT_NE(tone, nullptr);
    SleepUntilMs(100);
    ASSERT_EQ(device->PlaySample(tone, 0, 0), 0);
    EXPECT_EQ(device->ChannelState(0), 1);
    SleepUntilMs(500);
    device->StopChannel(0);
    EXPECT_EQ(device->ChannelState(0), 0);
    SleepUntilMs(900);
    Capture c = Finish();
    EXPECT_LT(c.Rms(0, 0, 80), kSilent);
    EXPECT_GT(c.Rms(0, 250, 450), kAudible);
    EXPECT_GT(c.Rms(1, 250, 450), kAudible);
    EXPECT_NEAR(c.CrossingsPerSecond(0, 250, 450), 880, 40);
    EXPECT_LT(c.Rms(0, 650, 900), kSilent);
}

TEST_F(AudioDevice, LoopingSampleKeepsSoundingAndOneShotEndsAsStateZero) {
    gxtkSample* shortTone = Load(WriteTone("short.wav", 100));
    ASSERT_NE(shortTone, nullptr);
    device->PlaySample(shortTone, 0, 1);
    device->PlaySample(shortTone, 1, 0);
    device->SetPan(0, -M_PI / 2);  // the loop on the left only
    device->SetPan(1, M_PI / 2);   // the one-shot on the right only
    SleepUntilMs(600);
    EXPECT_EQ(device->ChannelState(0), 1);
    EXPECT_EQ(device->ChannelState(1), 0);
    Capture c = Finish();
    EXPECT_GT(c.Rms(0, 400, 600), kAudible);
    EXPECT_LT(c.Rms(1, 400, 600), kSilent);
}

TEST_F(AudioDevice, VolumePanAndRateTakeEffect) {
    gxtkSample* tone = Load(WriteTone("tone.wav", 3000, 441));
    ASSERT_NE(tone, nullptr);
    device->PlaySample(tone, 5, 0);
    SleepUntilMs(400);
    device->SetVolume(5, 0.25f);
    SleepUntilMs(800);
    device->SetVolume(5, 1.0f);
    device->SetPan(5, 1.0f);  // the game's pan, used as an angle: mostly right
    SleepUntilMs(1200);
    device->SetPan(5, 0.0f);
    device->SetRate(5, 2.0f);
    SleepUntilMs(1600);
    Capture c = Finish();

    double full = c.Rms(0, 150, 350), quiet = c.Rms(0, 550, 750);
    ASSERT_GT(full, kAudible);
    EXPECT_NEAR(quiet / full, 0.25, 0.03);
    EXPECT_GT(c.Rms(1, 950, 1150), 2 * c.Rms(0, 950, 1150));
    EXPECT_NEAR(c.CrossingsPerSecond(0, 150, 350), 882, 40);
    EXPECT_NEAR(c.CrossingsPerSecond(0, 1350, 1550), 1764, 60);
}

TEST_F(AudioDevice, PauseOnAnEndedSoundGivesStoppedNotPaused) {
    gxtkSample* blip = Load(WriteTone("blip.wav", 50));
    device->PlaySample(blip, 2, 0);
    SleepUntilMs(300);
    device->PauseChannel(2);
    EXPECT_EQ(device->ChannelState(2), 0);
    device->ResumeChannel(2);
    EXPECT_EQ(device->ChannelState(2), 0);
}

TEST_F(AudioDevice, PauseAndResumeMoveBetweenTwoAndOne) {
    gxtkSample* tone = Load(WriteTone("tone.wav", 2000));
    device->PlaySample(tone, 4, 0);
    device->PauseChannel(4);
    EXPECT_EQ(device->ChannelState(4), 2);
    EXPECT_EQ(SourceStateOf(4), AL_PAUSED);
    device->ResumeChannel(4);
    EXPECT_EQ(device->ChannelState(4), 1);
    EXPECT_EQ(SourceStateOf(4), AL_PLAYING);
}

TEST_F(AudioDevice, SuspendThenResumeRestartsExactlyWhatWasAudiblyPlaying) {
    gxtkSample* tone = Load(WriteTone("tone.wav", 3000));
    gxtkSample* blip = Load(WriteTone("blip.wav", 50));
    device->PlaySample(tone, 0, 0);  // audibly playing
    device->PlaySample(tone, 1, 0);
    device->PauseChannel(1);         // paused by the game
    device->PlaySample(blip, 2, 0);  // ends before the suspend; its state still reads 1
    device->SetPan(0, -M_PI / 2);
    SleepUntilMs(300);
    device->Suspend();
    EXPECT_EQ(SourceStateOf(0), AL_PAUSED);
    EXPECT_EQ(SourceStateOf(1), AL_PAUSED);
    EXPECT_EQ(SourceStateOf(2), AL_STOPPED);
    SleepUntilMs(700);
    device->Resume();
    EXPECT_EQ(SourceStateOf(0), AL_PLAYING);
    EXPECT_EQ(SourceStateOf(1), AL_PAUSED);
    EXPECT_EQ(SourceStateOf(2), AL_STOPPED);
    EXPECT_EQ(device->ChannelState(0), 1);
    EXPECT_EQ(device->ChannelState(1), 2);
    EXPECT_EQ(device->ChannelState(2), 0);
    SleepUntilMs(1000);
    Capture c = Finish();
    EXPECT_GT(c.Rms(0, 100, 280), kAudible);
    EXPECT_LT(c.Rms(0, 400, 650), kSilent);
    EXPECT_GT(c.Rms(0, 800, 1000), kAudible);
    EXPECT_LT(c.Rms(1, 800, 1000), kSilent);  // only channel 0, panned left, came back
}

TEST_F(AudioDevice, RefusedSourceIsTakenFromTheFirstIdleSoundChannel) {
    gxtkSample* tone = Load(WriteTone("tone.wav", 3000));
    gxtkSample* blip = Load(WriteTone("blip.wav", 30));
    for (int ch = 0; ch <= 15; ++ch) ASSERT_EQ(device->PlaySample(ch == 3 ? blip : tone, ch, 0), 0);
    for (int ch = 0; ch <= 15; ++ch) EXPECT_NE(device->channels[ch].source, 0u) << ch;
    uint32_t third = device->channels[3].source;
    SleepUntilMs(300);  // channel 3 has finished, the others still sound

    EXPECT_EQ(device->PlaySample(tone, 16, 0), 0);
    EXPECT_EQ(device->channels[16].source, third);
    EXPECT_EQ(device->channels[3].source, 0u);
    EXPECT_EQ(device->ChannelState(3), 0);
    EXPECT_EQ(SourceStateOf(16), AL_PLAYING);

    // Channel 3's next use finds no idle channel while every other one plays...
    EXPECT_EQ(device->PlaySample(tone, 3, 0), -1);
    // ...and takes the source of the first one that stopped.
    device->StopChannel(9);
    uint32_t ninth = device->channels[9].source;
    EXPECT_EQ(device->PlaySample(tone, 3, 0), 0);
    EXPECT_EQ(device->channels[3].source, ninth);
    EXPECT_EQ(device->channels[9].source, 0u);
}

TEST_F(AudioDevice, StereoEightBitSampleIsBufferedAsStereo8) {
    WaveSpec form;
    form.channels = 2;
    form.bits = 8;
    form.data = std::string(2 * 1000, '\x80');
    data.Write("s8.wav", WaveBytes(form));
    gxtkSample* sample = Load("kavoro://data/s8.wav");
    ASSERT_NE(sample, nullptr);
    ALint bits = 0, channels = 0, size = 0;
    alGetBufferi(sample->buffer, AL_BITS, &bits);
    alGetBufferi(sample->buffer, AL_CHANNELS, &channels);
    alGetBufferi(sample->buffer, AL_SIZE, &size);
    EXPECT_EQ(bits, 8);
    EXPECT_EQ(channels, 2);
    EXPECT_EQ(size, 2000);
}

TEST_F(AudioDevice, MissingOrUndecodableFilesLoadAsNull) {
    data.Write("bad.wav", "RIFF....WAVEnope");
    EXPECT_EQ(Load("kavoro://data/none.wav"), nullptr);
    EXPECT_EQ(Load("kavoro://data/bad.wav"), nullptr);
    EXPECT_EQ(Load("kavoro://data/tone.mp3"), nullptr);
}

TEST_F(AudioDevice, DroppedSampleKeepsPlayingAndItsBufferGoesAtTheFirstPlayAfterItStopped) {
    gxtkSample* tone = Load(WriteTone("tone.wav", 300));
    gxtkSample* other = Load(WriteTone("other.wav", 50));  // kept alive through a channel
    uint32_t buffer = tone->buffer;
    device->PlaySample(tone, 0, 0);
    device->PlaySample(other, 1, 1);
    CollectEverything();  // the test holds `tone` only on its stack, which is not a root
    EXPECT_TRUE(gc_is_live_object(tone));
    EXPECT_EQ(gxtkAudioDiscardedCount(), 0);
    EXPECT_EQ(SourceStateOf(0), AL_PLAYING);

    SleepUntilMs(600);  // the sound has ended
    CollectEverything();
    EXPECT_EQ(gxtkAudioDiscardedCount(), 1);
    EXPECT_TRUE(alIsBuffer(buffer));  // still attached to channel 0's stopped source

    device->PlaySample(other, 2, 0);
    EXPECT_EQ(gxtkAudioDiscardedCount(), 0);
    EXPECT_FALSE(alIsBuffer(buffer));
    EXPECT_EQ(SourceStateOf(1), AL_PLAYING);  // a playing buffer is never touched
}

TEST_F(AudioDevice, LoadingAlsoFlushesTheDiscardedBuffers) {
    gxtkSample* tone = Load(WriteTone("tone.wav", 50));
    uint32_t buffer = tone->buffer;
    tone->Discard();
    EXPECT_EQ(tone->buffer, 0u);
    EXPECT_EQ(gxtkAudioDiscardedCount(), 1);
    EXPECT_TRUE(alIsBuffer(buffer));
    Load("kavoro://data/none.wav");
    EXPECT_EQ(gxtkAudioDiscardedCount(), 0);
    EXPECT_FALSE(alIsBuffer(buffer));
}

TEST_F(AudioDevice, PlayMusicOfAMissingFileStopsTheOldMusicAndAnswersMinusOne) {
    WriteTone("tune.wav", 2000);
    EXPECT_EQ(device->PlayMusic("kavoro://data/tune.wav", 1), 0);
    EXPECT_EQ(device->MusicState(), 1);
    EXPECT_EQ(device->PlayMusic("kavoro://data/gone.ogg", 1), -1);
    EXPECT_EQ(device->MusicState(), 0);
    EXPECT_NE(SourceStateOf(gxtkAudio::kMusicChannel), AL_PLAYING);
}

TEST_F(AudioDevice, MusicChannelPausesResumesAndSetsItsVolume) {
    WriteTone("tune.wav", 2000);
    device->PlayMusic("kavoro://data/tune.wav", 0);
    device->PauseMusic();
    EXPECT_EQ(device->MusicState(), 2);
    device->ResumeMusic();
    EXPECT_EQ(device->MusicState(), 1);
    device->SetMusicVolume(0.5f);
    ALfloat gain = 0;
    alGetSourcef(device->channels[gxtkAudio::kMusicChannel].source, AL_GAIN, &gain);
    EXPECT_FLOAT_EQ(gain, 0.5f);
    device->StopMusic();
    EXPECT_EQ(device->MusicState(), 0);
}

TEST_F(AudioDevice, StoppedMusicFadesOutWithoutAJump) {
    ASSERT_EQ(device->PlayMusic(QuadratureTune(data), 1), 0);
    SleepUntilMs(400);
    device->StopMusic();
    EXPECT_EQ(device->MusicState(), 0);  // at once, though the music still fades
    SleepUntilMs(900);
    Capture c = Finish();
    for (int side : {0, 1}) {
        ASSERT_GT(c.Rms(side, 100, 350), kAudible);
        int own = c.LargestStep(side, 100, 350);
        EXPECT_LE(c.LargestStep(side, 350, 900), own + 2) << "side " << side;  // 2: rounding
        EXPECT_LT(c.Rms(side, 650, 900), kSilent);
    }
}

TEST_F(AudioDevice, MusicStartedRightAfterAStopKeepsItsVolumeAndOutlivesTheFade) {
    WriteTone("tune.wav", 2000);
    device->PlayMusic("kavoro://data/tune.wav", 1);
    device->SetMusicVolume(0.5f);
    device->PlayMusic("kavoro://data/tune.wav", 1);  // the first one fades out
    SleepUntilMs(400);                               // long after the fade
    EXPECT_EQ(device->MusicState(), 1);
    EXPECT_EQ(SourceStateOf(gxtkAudio::kMusicChannel), AL_PLAYING);
    ALfloat gain = 0;
    alGetSourcef(device->channels[gxtkAudio::kMusicChannel].source, AL_GAIN, &gain);
    EXPECT_FLOAT_EQ(gain, 0.5f);
}
