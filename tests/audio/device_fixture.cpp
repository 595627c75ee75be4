#include "tests/audio/device_fixture.h"

#include <AL/al.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>

std::string AudioDevice::capturePath;

namespace {

uint32_t U32At(const std::string& b, size_t at) {
    return static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8 |
           static_cast<unsigned char>(b[at + 2]) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

size_t Index(int ms, size_t size) {
    size_t i = static_cast<size_t>(std::max(0, ms)) * Capture::kHertz / 1000;
    return std::min(i, size);
}

}  // namespace

double Capture::Rms(int channel, int fromMs, int toMs) const {
    const std::vector<short>& s = channel == 0 ? left : right;
    size_t from = Index(fromMs, s.size()), to = Index(toMs, s.size());
    if (to <= from) return 0;
    double sum = 0;
    for (size_t i = from; i < to; ++i) sum += (s[i] / 32768.0) * (s[i] / 32768.0);
    return std::sqrt(sum / static_cast<double>(to - from));
}

double Capture::CrossingsPerSecond(int channel, int fromMs, int toMs) const {
    const std::vector<short>& s = channel == 0 ? left : right;
    size_t from = Index(fromMs, s.size()), to = Index(toMs, s.size());
    if (to <= from + 1) return 0;
    int crossings = 0;
    for (size_t i = from + 1; i < to; ++i) crossings += (s[i - 1] < 0) != (s[i] < 0);
    return crossings * static_cast<double>(kHertz) / static_cast<double>(to - from);
}

int Capture::LargestStep(int channel, int fromMs, int toMs) const {
    const std::vector<short>& s = channel == 0 ? left : right;
    int largest = 0;
    for (size_t i = Index(fromMs, s.size()) + 1; i < Index(toMs, s.size()); ++i) {
        largest = std::max(largest, std::abs(s[i] - s[i - 1]));
    }
    return largest;
}

// One configuration per process (OpenAL Soft reads it once); every device opened after
// it starts a new capture in the same file.
void AudioDevice::SetUpTestSuite() {
    if (!capturePath.empty()) return;
    std::string base = "/tmp/tessory-alsoft-" + std::to_string(getpid());
    capturePath = base + ".wav";
    std::ofstream conf(base + ".conf");
    conf << "[general]\ndrivers = wave\nsources = " << kSources
         << "\nchannels = stereo\nsample-type = int16\nfrequency = 44100\n"
         << "[wave]\nfile = " << capturePath << "\n";
    conf.close();
    setenv("ALSOFT_CONF", (base + ".conf").c_str(), 1);
}

void AudioDevice::SetUp() {
    host = std::make_unique<TestHost>(data.path());
    testing::internal::CaptureStdout();
    device = new gxtkAudio;
    std::string printed = testing::internal::GetCapturedStdout();
    ASSERT_EQ(printed, "opening openal device\n") << "the wave backend did not open";
    opened = std::chrono::steady_clock::now();
}

void AudioDevice::TearDown() {
    if (device) device->Shutdown();
    std::remove(capturePath.c_str());
}

std::string AudioDevice::WriteTone(const std::string& name, int ms, double pitch, double amp) {
    int frames = ms * 44100 / 1000;
    std::vector<int16_t> samples(frames);
    for (int i = 0; i < frames; ++i) {
        samples[i] = static_cast<int16_t>(32767 * amp * std::sin(2 * M_PI * pitch * i / 44100));
    }
    WaveSpec form;
    form.data = Pcm16(samples);
    data.Write(name, WaveBytes(form));
    return "kavoro://data/" + name;
}

gxtkSample* AudioDevice::Load(const std::string& name) {
    return device->LoadSample(String::FromUtf8(name));
}

int AudioDevice::SourceStateOf(int channel) {
    ALint state = 0;
    alGetSourcei(device->channels[channel].source, AL_SOURCE_STATE, &state);
    return state;
}

int AudioDevice::NowMs() const {
    return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                std::chrono::steady_clock::now() - opened)
                                .count());
}

void AudioDevice::SleepUntilMs(int ms) const {
    std::this_thread::sleep_until(opened + std::chrono::milliseconds(ms));
}

Capture AudioDevice::Finish() {
    device->Shutdown();
    device = nullptr;
    std::ifstream in(capturePath, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    Capture capture;
    // The backend writes a WAVE_FORMAT_EXTENSIBLE header; walk to the "data" chunk.
    size_t at = 12;
    while (at + 8 <= bytes.size() && std::memcmp(&bytes[at], "data", 4) != 0) {
        at += 8 + U32At(bytes, at + 4);
    }
    if (at + 8 > bytes.size()) {
        ADD_FAILURE() << "no data chunk in " << capturePath;
        return capture;
    }
    size_t size = std::min<size_t>(U32At(bytes, at + 4), bytes.size() - at - 8);
    const char* pcm = bytes.data() + at + 8;
    for (size_t i = 0; i + 4 <= size; i += 4) {
        int16_t l, r;
        std::memcpy(&l, pcm + i, 2);
        std::memcpy(&r, pcm + i + 2, 2);
        capture.left.push_back(l);
        capture.right.push_back(r);
    }
    return capture;
}
