// Restarting the same music file reuses its decoded sample; a changed file is decoded anew.
#include <AL/al.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

#include "audio/audio_device.h"
#include "runtime/gc/collector.h"
#include "tests/audio/device_fixture.h"

namespace {

using MusicCache = AudioDevice;

double MillisecondsOf(const std::function<void()>& body) {
    auto start = std::chrono::steady_clock::now();
    body();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

std::string Tune(double seconds, double pitch) {
    int frames = static_cast<int>(seconds * 22050);
    std::vector<float> pcm(frames);
    for (int i = 0; i < frames; ++i) pcm[i] = 0.3f * std::sin(2 * M_PI * pitch * i / 22050);
    return EncodeVorbis(pcm, 1, 22050);
}

ALint MusicBufferSize(gxtkAudio* device) {
    ALint buffer = 0, size = 0;
    alGetSourcei(device->channels[gxtkAudio::kMusicChannel].source, AL_BUFFER, &buffer);
    alGetBufferi(static_cast<ALuint>(buffer), AL_SIZE, &size);
    return size;
}

}  // namespace

TEST_F(MusicCache, RepeatedPlayMusicOfTheSameFileCostsWellUnderFiveMilliseconds) {
    String music = String::FromUtf8(TESSORY_DATA_DIR "/sfx/jazzed.ogg");
    double first = MillisecondsOf([&] { EXPECT_EQ(device->PlayMusic(music, 1), 0); });
    ALint size = MusicBufferSize(device);
    EXPECT_GT(size, 44100 * 4 * 20);  // half a minute of 16-bit stereo
    double again = MillisecondsOf([&] { EXPECT_EQ(device->PlayMusic(music, 1), 0); });
    RecordProperty("first_ms", std::to_string(first));
    RecordProperty("again_ms", std::to_string(again));
    EXPECT_LT(again, 5.0) << "first decode took " << first << " ms";
    EXPECT_EQ(device->MusicState(), 1);
    EXPECT_EQ(SourceStateOf(gxtkAudio::kMusicChannel), AL_PLAYING);
    EXPECT_EQ(MusicBufferSize(device), size);
}

TEST_F(MusicCache, KeptMusicSurvivesACollectionAfterItWasStopped) {
    data.Write("tune.ogg", Tune(1.0, 330));
    ASSERT_EQ(device->PlayMusic("kavoro://data/tune.ogg", 0), 0);
    device->StopMusic();
    gc_collect_all();
    gc_collect_all();
    gc_release_garbage();
    EXPECT_EQ(gxtkAudioDiscardedCount(), 0);
    ASSERT_EQ(device->PlayMusic("kavoro://data/tune.ogg", 0), 0);
    EXPECT_EQ(SourceStateOf(gxtkAudio::kMusicChannel), AL_PLAYING);
    EXPECT_EQ(MusicBufferSize(device), 22050 * 2);
}

TEST_F(MusicCache, ChangedFileIsDecodedAfreshAfterAPlayAndAfterAPrefetch) {
    data.Write("tune.ogg", Tune(1.0, 330));
    ASSERT_EQ(device->PlayMusic("kavoro://data/tune.ogg", 1), 0);
    EXPECT_EQ(MusicBufferSize(device), 22050 * 2);
    data.Write("tune.ogg", Tune(2.0, 330));
    ASSERT_EQ(device->PlayMusic("kavoro://data/tune.ogg", 1), 0);
    EXPECT_EQ(MusicBufferSize(device), 2 * 22050 * 2);

    data.Write("other.ogg", Tune(1.0, 330));
    ASSERT_EQ(device->PrefetchMusic("kavoro://data/other.ogg"), 0);
    data.Write("other.ogg", Tune(0.5, 330));
    ASSERT_EQ(device->PlayMusic("kavoro://data/other.ogg", 1), 0);
    EXPECT_EQ(MusicBufferSize(device), 22050);
}

TEST_F(MusicCache, AnotherFileInBetweenIsNotConfusedWithTheFirst) {
    data.Write("a.ogg", Tune(1.0, 330));
    data.Write("b.ogg", Tune(0.5, 330));
    ASSERT_EQ(device->PlayMusic("kavoro://data/a.ogg", 1), 0);
    ASSERT_EQ(device->PlayMusic("kavoro://data/b.ogg", 1), 0);
    EXPECT_EQ(MusicBufferSize(device), 22050);
    ASSERT_EQ(device->PlayMusic("kavoro://data/a.ogg", 1), 0);
    EXPECT_EQ(MusicBufferSize(device), 22050 * 2);
}

TEST_F(MusicCache, RemovedFileIsMissingEvenAfterItWasKept) {
    std::string path = data.Write("tune.ogg", Tune(0.5, 330));
    ASSERT_EQ(device->PlayMusic("kavoro://data/tune.ogg", 1), 0);
    std::remove(path.c_str());
    EXPECT_EQ(device->PlayMusic("kavoro://data/tune.ogg", 1), -1);
    EXPECT_EQ(device->MusicState(), 0);
}

namespace {

double ThreadCpuMillisecondsOf(const std::function<void()>& body) {
    auto now = [] {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
    };
    double start = now();
    body();
    return now() - start;
}

std::string ShippedMusic() {
    std::FILE* f = std::fopen(TESSORY_DATA_DIR "/sfx/jazzed.ogg", "rb");
    std::string bytes;
    char chunk[65536];
    for (size_t n; f && (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;) bytes.append(chunk, n);
    if (f) std::fclose(f);
    return bytes;
}

}  // namespace

// The decode happens on the worker; the game's thread only waits for it and uploads.
TEST_F(MusicCache, PrefetchedMusicStartsWithoutDecodingOnTheGameThread) {
    std::string music = ShippedMusic();
    ASSERT_GT(music.size(), 100000u);
    data.Write("cold.ogg", music);
    data.Write("warm.ogg", music);
    double cold = ThreadCpuMillisecondsOf(
        [&] { ASSERT_EQ(device->PlayMusic("kavoro://data/cold.ogg", 1), 0); });
    ALint size = MusicBufferSize(device);
    ASSERT_EQ(device->PrefetchMusic("kavoro://data/warm.ogg"), 0);
    double warm = ThreadCpuMillisecondsOf(
        [&] { ASSERT_EQ(device->PlayMusic("kavoro://data/warm.ogg", 1), 0); });
    RecordProperty("cold_cpu_ms", std::to_string(cold));
    RecordProperty("warm_cpu_ms", std::to_string(warm));
#if !defined(__SANITIZE_THREAD__)
    // (ThreadSanitizer checks every byte of the upload's copy, which then costs as much.)
    EXPECT_LT(warm, cold / 4) << "cold " << cold << " ms, after a prefetch " << warm << " ms";
#endif
    EXPECT_EQ(MusicBufferSize(device), size);
    EXPECT_EQ(SourceStateOf(gxtkAudio::kMusicChannel), AL_PLAYING);
    // Once played, it is the kept music like any other.
    ASSERT_EQ(device->PrefetchMusic("kavoro://data/warm.ogg"), 0);
    ASSERT_EQ(device->PlayMusic("kavoro://data/warm.ogg", 1), 0);
    EXPECT_EQ(MusicBufferSize(device), size);
}

// The loader's second call: the upload happens there, and PlayMusic only starts the source.
TEST_F(MusicCache, SecondPrefetchUploadsSoThatPlayMusicOnlyStartsIt) {
    data.Write("a.ogg", Tune(2.0, 330));
    data.Write("b.ogg", Tune(1.0, 330));
    ASSERT_EQ(device->PlayMusic("kavoro://data/b.ogg", 1), 0);
    ASSERT_EQ(device->PrefetchMusic("kavoro://data/a.ogg"), 0);
    ASSERT_EQ(device->PrefetchMusic("kavoro://data/a.ogg"), 0);
    EXPECT_EQ(MusicBufferSize(device), 22050 * 2) << "the music playing is left alone";
    double play =
        ThreadCpuMillisecondsOf([&] { ASSERT_EQ(device->PlayMusic("kavoro://data/a.ogg", 1), 0); });
    RecordProperty("play_cpu_ms", std::to_string(play));
    EXPECT_EQ(MusicBufferSize(device), 2 * 22050 * 2);
    EXPECT_EQ(SourceStateOf(gxtkAudio::kMusicChannel), AL_PLAYING);
    EXPECT_LT(play, 1.0);
    // Music that cannot be decoded is named, as the loader's other files are.
    data.Write("bad.ogg", std::string(4000, 'x'));
    ASSERT_EQ(mkfifo((data.path() + "/fifo.ogg").c_str(), 0600), 0);
    testing::internal::CaptureStderr();
    for (const char* name : {"bad.ogg", "fifo.ogg"}) {
        ASSERT_EQ(device->PrefetchMusic(String("kavoro://data/") + String(name)), 0);
        EXPECT_EQ(device->PrefetchMusic(String("kavoro://data/") + String(name)), -1) << name;
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "[data] could not load " + data.path() +
                  "/bad.ogg (damaged, or not in a format it reads)\n[data] could not load " +
                  data.path() + "/fifo.ogg (not a regular file)\n");
}

TEST_F(MusicCache, PrefetchSurvivesOtherMusicAndRefusesWhatCannotBeDecoded) {
    data.Write("a.ogg", Tune(1.0, 330));
    data.Write("b.ogg", Tune(0.5, 330));
    data.Write("c.mp3", Tune(0.5, 330));
    EXPECT_EQ(device->PrefetchMusic("kavoro://data/gone.ogg"), -1);
    EXPECT_EQ(device->PrefetchMusic("kavoro://data/c.mp3"), -1);
    ASSERT_EQ(device->PrefetchMusic("kavoro://data/a.ogg"), 0);
    ASSERT_EQ(device->PlayMusic("kavoro://data/b.ogg", 1), 0);
    EXPECT_EQ(MusicBufferSize(device), 22050);
    ASSERT_EQ(device->PlayMusic("kavoro://data/a.ogg", 1), 0);
    EXPECT_EQ(MusicBufferSize(device), 22050 * 2);
    // A prefetch never played is dropped with the device.
    ASSERT_EQ(device->PrefetchMusic("kavoro://data/b.ogg"), 0);
}
