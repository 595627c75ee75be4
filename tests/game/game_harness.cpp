#include "tests/game/game_harness.h"

#include <GLFW/glfw3.h>
#include <stb_image_write.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "audio/audio_data.h"
#include "audio/sound.h"
#include "game/vocabulary.h"
#include "graphics/graphics.h"
#include "graphics/image_data.h"
#include "input/input_device.h"
#include "input/key_codes.h"
#include "runtime/device_host.h"
#include "runtime/gc/collector.h"
#include "runtime/host/app.h"
#include "runtime/host/glfw_game.h"
#include "runtime/platform.h"

namespace {

const std::vector<float> kNoList;

#ifdef TESSORY_DECODE_CACHE
// Every whole-game test program loads the same pictures and the same music, and decoding
// them was most of such a program's time. What they decode to is kept in the build
// folder between programs, named after the file's path, size and time, so a changed file
// is decoded again. A copy that cannot be read or written is no failure: the file is then
// decoded as the game decodes it. The game's own decoding has tests of its own.
// `fields`: width, height and depth of a picture, or length, channels, bytes per sample
// and rate of a sound; the block is the product of the first three. `decode` fills them
// and counts the block as external bytes for the collector, as a copy read here is.
template <typename Decode>
unsigned char* CachedDecode(const String& filePath, int (&fields)[4], Decode decode) {
    namespace fs = std::filesystem;
    std::string path = qoEncodePath(filePath);
    std::error_code error;
    auto size = fs::file_size(path, error);
    auto time = fs::last_write_time(path, error).time_since_epoch().count();
    if (error) return decode();
    std::string key = path + '\n' + std::to_string(size) + '\n' + std::to_string(time);
    std::string cache = std::string(TESSORY_DECODE_CACHE "/") +
                        std::to_string(std::hash<std::string>{}(key)) + ".decoded";
    auto bytes = [&fields] { return static_cast<size_t>(fields[0]) * fields[1] * fields[2]; };
    if (FILE* f = std::fopen(cache.c_str(), "rb")) {
        // A copy is whole when its length is its four fields and the block they give.
        unsigned char* block = nullptr;
        if (std::fread(fields, sizeof fields, 1, f) == 1 &&
            fs::file_size(cache, error) == sizeof fields + bytes() && bytes() > 0) {
            block = static_cast<unsigned char*>(std::malloc(bytes()));
            if (block && std::fread(block, 1, bytes(), f) != bytes()) {
                std::free(block);
                block = nullptr;
            }
        }
        std::fclose(f);
        if (block) {
            gc_ext_malloced(static_cast<int>(bytes()));
            return block;
        }
    }
    unsigned char* block = decode();
    if (!block) return nullptr;
    // Written aside and renamed into place: programs running side by side never read a
    // half-written copy.
    fs::create_directories(TESSORY_DECODE_CACHE, error);
    std::string temporary = cache + "." + std::to_string(getpid());
    if (FILE* f = std::fopen(temporary.c_str(), "wb")) {
        bool written = std::fwrite(fields, sizeof fields, 1, f) == 1 &&
                       std::fwrite(block, 1, bytes(), f) == bytes();
        if (std::fclose(f) == 0 && written) fs::rename(temporary, cache, error);
        fs::remove(temporary, error);
    }
    return block;
}

unsigned char* LoadCachedImage(const String& filePath, int* width, int* height, int* depth) {
    int f[4] = {};
    unsigned char* pixels =
        CachedDecode(filePath, f, [&] { return qoLoadImageFile(filePath, &f[0], &f[1], &f[2]); });
    *width = f[0];
    *height = f[1];
    *depth = f[2];
    return pixels;
}

unsigned char* LoadCachedSound(const String& filePath, int* length, int* channels, int* format,
                               int* hertz) {
    int f[4] = {};
    unsigned char* samples = CachedDecode(
        filePath, f, [&] { return LoadAudioFile(filePath, &f[0], &f[1], &f[2], &f[3]); });
    *length = f[0];
    *channels = f[1];
    *format = f[2];
    *hertz = f[3];
    return samples;
}
#endif  // a build of the harness for the benchmarks decodes as the game does

}  // namespace

GameHarness::Rgb GameHarness::Shot::Pixel(int x, int y) const {
    uint32_t p = argb[static_cast<size_t>(y) * width + x];
    return {static_cast<int>(p >> 16 & 0xff), static_cast<int>(p >> 8 & 0xff),
            static_cast<int>(p & 0xff)};
}

bool GameHarness::Shot::Save(const std::string& path) const {
    std::vector<unsigned char> rgb(argb.size() * 3);
    for (size_t i = 0; i < argb.size(); ++i) {
        rgb[i * 3] = argb[i] >> 16 & 0xff;
        rgb[i * 3 + 1] = argb[i] >> 8 & 0xff;
        rgb[i * 3 + 2] = argb[i] & 0xff;
    }
    return stbi_write_png(path.c_str(), width, height, 3, rgb.data(), width * 3) != 0;
}

std::string GameHarness::ShotPath(const std::string& name) {
    const char* dir = std::getenv("TESSORY_SHOT_DIR");
    std::filesystem::path base = dir ? dir : std::filesystem::temp_directory_path();
    std::filesystem::create_directories(base);
    return (base / name).string();
}

GameHarness::GameHarness(Config config, std::unique_ptr<GameHost> host) : config_(config) {
    if (!std::getenv("DISPLAY")) {
        why_ = "no display to open a window on";
        return;
    }
    static bool glfwReady = glfwInit() == GLFW_TRUE;
    if (!glfwReady) {
        why_ = "glfwInit failed";
        return;
    }
    glfwWindowHint(GLFW_RESIZABLE, GLFW_FALSE);
    glfwWindowHint(GLFW_ALPHA_BITS, 0);
    window_ = glfwCreateWindow(config.width, config.height, "Tessory", nullptr, nullptr);
    if (!window_) {
        why_ = "no window could be made";
        return;
    }
    glfwMakeContextCurrent(window_);
    ++glfwGraphicsSeq;

    host_ = host ? std::move(host) : std::make_unique<GameHost>();
    host_->width = config.width;
    host_->height = config.height;
    qo_runtime_Init();
    qo_Game_Init();
    // In place before the devices are made, which then keep them; null: the game's own.
    qoImageDataLoader = nullptr;
    qoAudioDataLoader = nullptr;
#ifdef TESSORY_DECODE_CACHE
    if (config.cachedDecodes) {
        qoImageDataLoader = &LoadCachedImage;
        qoAudioDataLoader = &LoadCachedSound;
    }
#endif

    host_->onPoll = [this] {
        auto range = actions_.equal_range(updates_ + 1);
        for (auto it = range.first; it != range.second; ++it) it->second();
    };
    host_->afterUpdate = [this] {
        ++updates_;
        const float* list = app_->m_DrawList.Data();
        lists_[updates_].assign(list, list + app_->m_DrawCount);
    };
}

GameHarness::~GameHarness() {
    gc_assign(qo_app__app, static_cast<c_App*>(nullptr));
    qo_input_SetInputDevice(nullptr);
    // The delegate's devices live as long as the run; this run ends here.
    if (qo_audio_device) qo_audio_device->Shutdown();
    qo_audio_SetAudioDevice(nullptr);
    qo_graphics_SetGraphicsDevice(nullptr);
    host_.reset();
    qoImageDataLoader = nullptr;
    qoAudioDataLoader = nullptr;
    if (window_) {
        glfwMakeContextCurrent(nullptr);
        glfwDestroyWindow(window_);
    }
    // Each application holds a 20 MB grid: free it now. A whole collection does not
    // clear the collector's count of new bytes, which only a paced cycle end resets,
    // so a long run of tests would overflow it.
    gc_collect_all();
    gc_release_garbage();
    gc_new_bytes = 0;
}

void GameHarness::StartHost(c_MyApp* app) {
    app_ = app;
    host_->StartGame();
}

c_MyApp* GameHarness::StartMenu() {
    Start(new c_MyApp);
    // The loader takes one step an update; the bound only stops a loader that stalled.
    for (int i = 0; i < 100 && app_->m_LoadStep != 0; ++i) RunUpdates(1);
    return app_;
}

void GameHarness::EnterGame() {
    After(1, [this] { KeyDown(keys::kSpace); });
    After(2, [this] { KeyUp(keys::kSpace); });
    for (int i = 0; i < 10 && app_->m_Mode != mode::kPlay; ++i) RunUpdates(1);
}

void GameHarness::At(int update, std::function<void()> action) {
    actions_.emplace(update, std::move(action));
}

void GameHarness::RunUpdates(int count) {
    int target = updates_ + count;
    // Each frame runs one update; the bound only stops a loop that has stalled.
    for (int frames = 0; updates_ < target && frames < 4 * count + 8; ++frames) host_->RunFrame();
}

const std::vector<float>& GameHarness::DrawList(int update) const {
    auto it = lists_.find(update);
    return it == lists_.end() ? kNoList : it->second;
}

std::optional<GameHarness::Spot> GameHarness::Drawn(int update, int slot, int frame) const {
    const std::vector<float>& list = DrawList(update);
    for (size_t i = 0; i + c_MyApp::kRecordFloats <= list.size(); i += c_MyApp::kRecordFloats) {
        if (list[i] == static_cast<float>(slot) && list[i + 6] == static_cast<float>(frame))
            return Spot{list[i + 1], list[i + 2]};
    }
    return std::nullopt;
}

GameHarness::Shot GameHarness::Screenshot() {
    host_->RenderGame();
    Shot shot;
    shot.width = config_.width;
    shot.height = config_.height;
    Array<int> pixels(shot.width * shot.height);
    qo_graphics_device->ReadPixels(pixels, 0, 0, shot.width, shot.height, 0, shot.width);
    shot.argb.assign(reinterpret_cast<const uint32_t*>(pixels.Data()),
                     reinterpret_cast<const uint32_t*>(pixels.Data()) + pixels.Length());
    return shot;
}

void GameHarness::KeyDown(int code) {
    host_->KeyEvent(kEventKeyDown, code);
}
void GameHarness::KeyUp(int code) {
    host_->KeyEvent(kEventKeyUp, code);
}
void GameHarness::Char(int character) {
    host_->KeyEvent(kEventKeyChar, character);
}
void GameHarness::MouseMove(float x, float y) {
    host_->MouseEvent(kEventMouseMove, 0, x, y);
}
void GameHarness::MouseDown(float x, float y) {
    host_->MouseEvent(kEventMouseDown, 0, x, y);
}
void GameHarness::MouseUp(float x, float y) {
    host_->MouseEvent(kEventMouseUp, 0, x, y);
}

void GameHarness::Joystick(int port, float x, float y, std::vector<int> buttonsDown) {
    FakeJoysticks& joy = host_->joysticks;
    joy.present[port] = true;
    joy.axes[port][0] = x;
    joy.axes[port][1] = y;
    for (unsigned char& b : joy.buttons[port]) b = 0;
    for (int b : buttonsDown) {
        if (b >= 0 && b < 14) joy.buttons[port][b] = 1;
    }
}
