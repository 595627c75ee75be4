// Vorbis decode speed (milliseconds of work per second of audio) on the game's music, and
// the cost of PlayMusic: the same file again (kept sample) against a file not yet seen.
// The device runs on OpenAL Soft's silent null backend.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "audio/audio_device.h"
#include "audio/ogg_loader.h"
#include "runtime/game.h"

namespace {

const std::string kMusic = TESSORY_DATA_DIR "/sfx/jazzed.ogg";

// LoadAudioData as the desktop host does it, for plain file-system paths.
class BenchHost : public QoGame {
public:
    unsigned char* LoadAudioData(String path, int* length, int* channels, int* format,
                                 int* hertz) override {
        return qoAudioDataLoader ? qoAudioDataLoader(path, length, channels, format, hertz)
                                 : nullptr;
    }
};

gxtkAudio* Device() {
    static BenchHost host;
    static gxtkAudio* device = new gxtkAudio;
    return device;
}

void VorbisDecode(benchmark::State& state) {
    double audioSeconds = 0, decodeMs = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        FILE* f = std::fopen(kMusic.c_str(), "rb");
        if (!f) {
            state.SkipWithError("music file missing; build the tessory_data target");
            return;
        }
        int length = 0, channels = 0, format = 0, hertz = 0;
        unsigned char* data = LoadOGG(f, &length, &channels, &format, &hertz);
        std::fclose(f);
        benchmark::DoNotOptimize(data);
        std::free(data);
        decodeMs +=
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        audioSeconds += static_cast<double>(length) / hertz;
    }
    state.counters["ms_per_audio_s"] = decodeMs / audioSeconds;
}

void PlayMusicSameFileAgain(benchmark::State& state) {
    gxtkAudio* device = Device();
    String music = String::FromUtf8(kMusic);
    if (device->PlayMusic(music, 1) != 0) {
        state.SkipWithError("music file missing");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(device->PlayMusic(music, 1));
}

void PlayMusicNewFile(benchmark::State& state) {
    gxtkAudio* device = Device();
    // Two names of the same bytes alternate, so every call decodes afresh.
    std::string copy = "/tmp/tessory-audio-bench-copy.ogg";
    std::error_code ec;
    std::filesystem::copy_file(kMusic, copy, std::filesystem::copy_options::overwrite_existing, ec);
    if (ec) {
        state.SkipWithError("cannot copy the music file");
        return;
    }
    String names[2] = {String::FromUtf8(kMusic), String::FromUtf8(copy)};
    int turn = 0;
    for (auto _ : state) benchmark::DoNotOptimize(device->PlayMusic(names[turn++ & 1], 1));
    std::remove(copy.c_str());
}

}  // namespace

BENCHMARK(VorbisDecode)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(PlayMusicSameFileAgain)->Unit(benchmark::kMicrosecond);
BENCHMARK(PlayMusicNewFile)->Unit(benchmark::kMillisecond)->Iterations(10);

int main(int argc, char** argv) {
    // Silent output, no sound card needed; a caller's own configuration wins.
    std::string conf = "/tmp/tessory-audio-bench.conf";
    if (FILE* f = std::fopen(conf.c_str(), "w")) {
        std::fputs("[general]\ndrivers = null\n", f);
        std::fclose(f);
    }
    setenv("ALSOFT_CONF", conf.c_str(), 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    if (gxtkAudio::audio) gxtkAudio::audio->Shutdown();
    benchmark::Shutdown();
    return 0;
}
