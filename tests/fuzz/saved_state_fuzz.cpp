// libFuzzer target: the saved-state loader p_Load on any text (the bytes decoded the way
// the state file is read). Beyond not crashing, loading must keep every section whose
// checksum holds exactly as stored, and whatever was loaded must save and load back
// unchanged.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "game/my_app.h"
#include "input/input_device.h"
#include "runtime/game.h"
#include "runtime/gc/collector.h"
#include "runtime/string.h"

namespace {

// Hands p_Load the fuzzer's text and keeps what p_Save writes.
class StateHost : public QoGame {
public:
    String state;
    String saved;
    String LoadState() override { return state; }
    int SaveState(String text) override {
        saved = text;
        return 0;
    }
};

constexpr int kSettings = 25;
constexpr int kScores = 150;
constexpr int kBadges = 256;

struct Snapshot {
    int settings[kSettings];
    bool badges[kBadges];
    int scores[kScores];
};

Snapshot Take(c_MyApp* app) {
    Snapshot s;
    for (int i = 0; i < kSettings; ++i) s.settings[i] = app->m_Settings[i];
    for (int i = 0; i < kBadges; ++i) s.badges[i] = app->m_BadgeGot[i];
    for (int i = 0; i < kScores; ++i) s.scores[i] = app->m_Scores[i];
    return s;
}

bool Same(const Snapshot& a, const Snapshot& b) {
    return std::memcmp(a.settings, b.settings, sizeof a.settings) == 0 &&
           std::memcmp(a.badges, b.badges, sizeof a.badges) == 0 &&
           std::memcmp(a.scores, b.scores, sizeof a.scores) == 0;
}

// Construction defaults, so every input starts from the same application.
void Reset(c_MyApp* app) {
    for (int i = 0; i < kSettings; ++i) app->m_Settings[i] = 0;
    app->m_Settings[5] = 1;
    for (int i = 0; i < kBadges; ++i) app->m_BadgeGot[i] = false;
    for (int i = 0; i < kScores; ++i) app->m_Scores[i] = 0;
}

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "saved_state_fuzz: %s\n", what);
    std::abort();
}

uint32_t U(int v) {
    return static_cast<uint32_t>(v);
}

StateHost* host = nullptr;
c_MyApp* app = nullptr;

void Start() {
    host = new StateHost;
    gc_init1();
    qo_runtime_Init();
    qo_Game_Init();
    gc_init2();
    qo_input_SetInputDevice(qo_input_NewDevice());
    app = (new c_MyApp)->m_new();
}

// The fields of the stored text as the layout defines them: "|" ends each value.
struct Fields {
    Array<String> pieces;
    int count;
    explicit Fields(const String& text) : pieces(text.Split(String("|"))) {
        count = pieces.Length();
        if (count > 0 && pieces[count - 1].Length() == 0) --count;
    }
    int operator[](int i) const { return pieces[i].ToInt(); }
};

// Every section of `text` whose checksum holds must be in the loaded application.
void CheckValidSectionsKept(const String& text, const Snapshot& loaded) {
    Fields f(text);
    int badgeStart = 0;
    if (f.count >= kSettings) {
        badgeStart = kSettings + 1;
        uint32_t sum = 0;
        for (int i = 0; i < kSettings; ++i) sum += U(i) * U(f[i]);
        if (f.count > kSettings && static_cast<int32_t>(sum) == f[kSettings]) {
            for (int i = 0; i < kSettings; ++i) {
                // Pad position, pad size and overscan have load-time rules of their own.
                if (i >= 10 && i <= 14 && i != 13) continue;
                if (loaded.settings[i] != f[i]) Fail("a valid settings section was not kept");
            }
        }
    }
    int badgeSum = badgeStart + 8;
    if (f.count <= badgeSum) return;
    uint32_t sum = 0;
    for (int b = 0; b < 8; ++b) sum += U(f[badgeStart + b]);
    if (static_cast<int32_t>(sum) == f[badgeSum]) {
        for (int k = 0; k < kBadges; ++k) {
            bool bit = ((U(f[badgeStart + k / 32]) >> (k % 32)) & 1u) != 0;
            if (loaded.badges[k] != bit) Fail("a valid badge section was not kept");
        }
    }
    int start = badgeSum + 1;
    for (int g = 0; g < 3; ++g) {
        if (f.count <= start + 20) break;
        uint32_t groupSum = 0;
        for (int j = 0; j < 10; ++j)
            groupSum += U(f[start + 2 * j]) * U(j + 4) + U(f[start + 2 * j + 1]) * U(j + 3 + g);
        if (static_cast<int32_t>(groupSum) == f[start + 20]) {
            for (int j = 0; j < 10; ++j) {
                if (loaded.scores[10 * g + j] != f[start + 2 * j] ||
                    loaded.scores[10 * g + 30 + j] != f[start + 2 * j + 1])
                    Fail("a valid score group was not kept");
            }
        }
        start += 21;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!app) Start();
    static int runs = 0;
    {
        FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
        if (size == 0) file = std::tmpfile();
        if (!file) return 0;
        host->state = String::Load(file);
        std::fclose(file);

        Reset(app);
        app->p_Load();
        Snapshot first = Take(app);
        CheckValidSectionsKept(host->state, first);

        app->p_Save();
        String written = host->saved;
        Reset(app);
        host->state = written;
        app->p_Load();
        if (!Same(first, Take(app))) Fail("what was loaded did not save and load back unchanged");
        app->p_Save();
        if (!(host->saved == written)) Fail("saving twice gave two texts");
        host->state = String();
        host->saved = String();
    }
    // The loader's temporary arrays belong to the collector; collect now and then.
    if (++runs % 256 == 0) {
        gc_collect_all();
        gc_release_garbage();
        // A whole collection leaves the count of new bytes to the paced cycle it skips.
        gc_new_bytes = 0;
    }
    return 0;
}
