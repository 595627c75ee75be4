// The game's sounds on OpenAL Soft's null backend, through a device that records what
// the game asks of it: slot file names, the 24-channel ring, the sound modes and
// volumes, and the music's start, restart and stop.
#include <string>
#include <vector>

#include "audio/sound.h"
#include "tests/game/game_fixture.h"

namespace {

// Records the game's calls only: the device's own inner calls (PlayMusic stopping the
// music channel, for one) run with `depth` above zero.
class RecordingAudio : public gxtkAudio {
public:
    struct Inner {
        int& depth;
        explicit Inner(int& d) : depth(d) { ++depth; }
        ~Inner() { --depth; }
    };
    int depth = 0;

    std::vector<std::string> loads, music;
    std::vector<int> plays, stops;  // channels
    std::vector<std::string> calls;
    float volume = -1, rate = -1, pan = -9, musicVolume = -1;
    int musicStops = 0;

    gxtkSample* LoadSample(String path) override {
        if (depth == 0) loads.push_back(path.ToUtf8());
        Inner inner(depth);
        return gxtkAudio::LoadSample(path);
    }
    int PlaySample(gxtkSample* sample, int channel, int flags) override {
        if (depth == 0) {
            plays.push_back(channel);
            calls.push_back("play " + std::to_string(channel) + " loop " + std::to_string(flags));
        }
        Inner inner(depth);
        return gxtkAudio::PlaySample(sample, channel, flags);
    }
    int StopChannel(int channel) override {
        if (depth == 0) {
            stops.push_back(channel);
            calls.push_back("stop " + std::to_string(channel));
        }
        Inner inner(depth);
        return gxtkAudio::StopChannel(channel);
    }
    int SetVolume(int channel, float v) override {
        return Set(volume, v, [&] { return gxtkAudio::SetVolume(channel, v); });
    }
    int SetRate(int channel, float r) override {
        return Set(rate, r, [&] { return gxtkAudio::SetRate(channel, r); });
    }
    int SetPan(int channel, float p) override {
        return Set(pan, p, [&] { return gxtkAudio::SetPan(channel, p); });
    }
    int SetMusicVolume(float v) override {
        return Set(musicVolume, v, [&] { return gxtkAudio::SetMusicVolume(v); });
    }
    int PlayMusic(String path, int flags) override {
        if (depth == 0) {
            music.push_back(path.ToUtf8());
            calls.push_back("music " + path.ToUtf8() + " loop " + std::to_string(flags));
        }
        Inner inner(depth);
        return gxtkAudio::PlayMusic(path, flags);
    }
    int StopMusic() override {
        if (depth == 0) {
            ++musicStops;
            calls.push_back("stop music");
        }
        Inner inner(depth);
        return gxtkAudio::StopMusic();
    }

private:
    template <class Base>
    int Set(float& seen, float value, Base base) {
        if (depth == 0) seen = value;
        Inner inner(depth);
        return base();
    }
};

class GameAudio : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        audio = new RecordingAudio;
        qo_audio_SetAudioDevice(audio);
        for (int i = 0; i <= 32; ++i) app->m_SfxChannels[i] = i;
    }
    void TearDown() override {
        audio->Shutdown();
        qo_audio_SetAudioDevice(nullptr);
        GameTest::TearDown();
    }
    void LoadBlip(int slot) {
        app->p_LoadSFX(1);
        app->m_Sounds[slot] = static_cast<c_Sound*>(app->m_Sounds[1]);
        ASSERT_NE(app->m_Sounds[slot].get(), nullptr) << "sfx/001.wav did not load";
    }

    RecordingAudio* audio = nullptr;
};

TEST_F(GameAudio, SlotNumbersArePaddedToThreeDigits) {
    app->p_LoadSFX(7);
    app->p_LoadSFX(42);
    ASSERT_EQ(audio->loads.size(), 2u);
    EXPECT_EQ(audio->loads[0], "kavoro://data/sfx/007.wav");
    EXPECT_EQ(audio->loads[1], "kavoro://data/sfx/042.wav");
    EXPECT_EQ(c_MyApp::SfxFileName(123).ToUtf8(), "sfx/123.wav");
}

TEST_F(GameAudio, SlotBeyondTheTableIsNotLoaded) {
    app->p_LoadSFX(123);
    app->p_LoadSFX(-1);
    EXPECT_TRUE(audio->loads.empty());
    app->p_PlaySFX(123, 1, 1, 0);
    EXPECT_TRUE(audio->calls.empty());
}

TEST_F(GameAudio, MissingFileLeavesTheSlotEmpty) {
    app->p_LoadSFX(1);
    EXPECT_NE(app->m_Sounds[1].get(), nullptr);
    app->p_LoadSFX(7);
    EXPECT_EQ(app->m_Sounds[7].get(), nullptr);
    app->p_PlaySFX(7, 1, 1, 0);
    EXPECT_TRUE(audio->plays.empty());
    EXPECT_EQ(app->m_SfxSlot, 0);
}

TEST_F(GameAudio, EffectPlaysOnTheNextRingChannelWithRateVolumeAndPan) {
    LoadBlip(5);
    app->m_Settings[6] = 1;
    app->p_PlaySFX(5, 1.25f, 0.8f, -0.5f);
    ASSERT_EQ(audio->calls.size(), 2u);
    EXPECT_EQ(audio->calls[0], "stop 1");
    EXPECT_EQ(audio->calls[1], "play 1 loop 0");
    EXPECT_FLOAT_EQ(audio->rate, 1.25f);
    EXPECT_FLOAT_EQ(audio->volume, 0.75f * 0.8f);
    EXPECT_FLOAT_EQ(audio->pan, -0.5f);
}

TEST_F(GameAudio, QuietSettingScalesByPointFour) {
    LoadBlip(5);
    app->m_Settings[6] = 2;
    app->p_PlaySFX(5, 1, 1, 0);
    EXPECT_FLOAT_EQ(audio->volume, 0.4f);
    app->m_Settings[6] = 9;
    app->p_PlaySFX(5, 1, 0.5f, 0);
    EXPECT_FLOAT_EQ(audio->volume, 0.5f);
}

TEST_F(GameAudio, EffectsVolumeOffPlaysNothingAndKeepsTheRing) {
    LoadBlip(5);
    app->m_Settings[6] = 3;
    app->p_PlaySFX(5, 1, 1, 0);
    EXPECT_TRUE(audio->calls.empty());
    EXPECT_EQ(app->m_SfxSlot, 0);
}

TEST_F(GameAudio, TwentyFifthEffectReusesTheFirstEffectsChannel) {
    LoadBlip(5);
    for (int i = 0; i < 25; ++i) app->p_PlaySFX(5, 1, 1, 0);
    ASSERT_EQ(audio->plays.size(), 25u);
    EXPECT_EQ(audio->plays[24], audio->plays[0]);
    for (int i = 1; i < 24; ++i) EXPECT_NE(audio->plays[i], audio->plays[0]);
    EXPECT_EQ(audio->stops[24], audio->plays[0]);  // cut off before it restarts
}

TEST_F(GameAudio, RingFollowsTheChannelTable) {
    LoadBlip(5);
    app->m_SfxChannels[1] = 30;
    app->p_PlaySFX(5, 1, 1, 0);
    EXPECT_EQ(audio->plays[0], 30);
}

TEST_F(GameAudio, ModeTwoPlaysEffectsButNoMusic) {
    LoadBlip(5);
    app->m_Settings[5] = 2;
    app->p_PlaySFX(5, 1, 1, 0);
    app->p_PlayTune(String("jazzed"), 1);
    EXPECT_EQ(audio->plays.size(), 1u);
    EXPECT_TRUE(audio->music.empty());
    EXPECT_EQ(app->m_MusicOn, 0);
    EXPECT_EQ(app->m_TuneName.ToUtf8(), "jazzed");
}

TEST_F(GameAudio, ModeThreePlaysMusicButNoEffects) {
    LoadBlip(5);
    app->m_Settings[5] = 3;
    app->p_PlaySFX(5, 1, 1, 0);
    app->p_PlayTune(String("jazzed"), 1);
    EXPECT_TRUE(audio->plays.empty());
    ASSERT_EQ(audio->music.size(), 1u);
    EXPECT_EQ(audio->music[0], "kavoro://data/sfx/jazzed.ogg");
    EXPECT_EQ(app->m_MusicOn, 1);
}

TEST_F(GameAudio, SilentModePlaysNothing) {
    LoadBlip(5);
    app->m_Settings[5] = 0;
    app->p_PlaySFX(5, 1, 1, 0);
    app->p_PlayTune(String("jazzed"), 1);
    EXPECT_TRUE(audio->calls.empty());
}

TEST_F(GameAudio, LastTuneBeforeAnyTuneDoesNothing) {
    app->p_PlayTune(String("-1"), 1);
    EXPECT_TRUE(audio->calls.empty());
    EXPECT_EQ(app->m_MusicOn, 0);
    app->p_PlayTune(String(""), 1);
    EXPECT_TRUE(audio->calls.empty());
}

TEST_F(GameAudio, LastTuneRestartsTheRememberedTune) {
    app->p_PlayTune(String("jazzed"), 0);
    app->p_PlayTune(String("-1"), 1);
    ASSERT_EQ(audio->music.size(), 2u);
    EXPECT_EQ(audio->music[1], "kavoro://data/sfx/jazzed.ogg");
    EXPECT_EQ(app->m_TuneName.ToUtf8(), "jazzed");
}

TEST_F(GameAudio, StartingATuneStopsThePreviousOneFirst) {
    app->p_PlayTune(String("jazzed"), 1);
    app->p_PlayTune(String("other"), 0);
    ASSERT_EQ(audio->calls.size(), 3u);
    EXPECT_EQ(audio->calls[0], "music kavoro://data/sfx/jazzed.ogg loop 1");
    EXPECT_EQ(audio->calls[1], "stop music");
    EXPECT_EQ(audio->calls[2], "music kavoro://data/sfx/other.ogg loop 0");
}

TEST_F(GameAudio, MusicVolumeFollowsTheSetting) {
    const float expected[] = {1.0f, 0.7f, 0.4f, 0.0f};
    for (int setting = 0; setting < 4; ++setting) {
        app->m_Settings[7] = setting;
        app->p_PlayTune(String("jazzed"), 1);
        EXPECT_FLOAT_EQ(audio->musicVolume, expected[setting]);
    }
    audio->musicVolume = -1;
    app->m_Settings[7] = 5;
    app->p_PlayTune(String("jazzed"), 1);
    EXPECT_FLOAT_EQ(audio->musicVolume, -1);
}

TEST_F(GameAudio, NoMusicStreamMeansNoMusic) {
    qo_Game_HasMusicStream = 0;
    app->p_PlayTune(String("jazzed"), 1);
    EXPECT_TRUE(audio->calls.empty());
    EXPECT_EQ(app->m_TuneName.ToUtf8(), "");
}

TEST_F(GameAudio, StopTuneStopsTheMusic) {
    app->p_PlayTune(String("jazzed"), 1);
    app->p_StopTune();
    EXPECT_EQ(audio->musicStops, 1);
    EXPECT_EQ(app->m_MusicOn, 0);
}

}  // namespace
