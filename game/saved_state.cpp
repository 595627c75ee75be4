// What the game keeps between runs: settings, badge flags and score tables as one
// "|"-separated string of integers with a checksum per section, so that a damaged
// section costs only itself. Also the filing of a finished game's score, the badge
// texts and the sliding badge notices.
#include <cstdint>

#include "game/my_app.h"
#include "runtime/errors.h"

namespace {

constexpr int kSettings = 25;
constexpr int kBadgeWords = 8;
constexpr int kScoreGroups = 8;
// Only the first three groups are real tables (one per level size); the rest repeat
// other elements and are written for the layout's sake but never read back.
constexpr int kReadGroups = 3;
constexpr int kGroupFields = 21;
constexpr int kPlaces = 10;
constexpr int kLastTen = 30;  // offset of the last-ten tables in m_Scores
constexpr int kDefaultSetting = 5;
constexpr int kBadgeSlots = 13;

// Settings indices with load-time rules.
constexpr int kPadX = 10, kPadY = 11, kPadSize = 12, kOverscan = 14;

// The checksums are 32-bit sums that wrap; unsigned arithmetic keeps that defined.
int32_t Wrap(uint32_t value) { return static_cast<int32_t>(value); }

int32_t SettingsSum(const Array<int>& settings) {
    uint32_t sum = 0;
    for (int i = 0; i < kSettings; ++i) sum += static_cast<uint32_t>(i) * static_cast<uint32_t>(settings[i]);
    return Wrap(sum);
}

int32_t BadgeWord(const Array<bool>& got, int word) {
    uint32_t bits = 0;
    for (int k = 0; k < 32; ++k) {
        if (got[32 * word + k]) bits |= 1u << k;
    }
    return Wrap(bits);
}

int32_t GroupSum(const Array<int>& scores, int group) {
    uint32_t sum = 0;
    for (int j = 0; j < kPlaces; ++j) {
        uint32_t top = static_cast<uint32_t>(scores[10 * group + j]);
        uint32_t last = static_cast<uint32_t>(scores[10 * group + kLastTen + j]);
        sum += top * static_cast<uint32_t>(j + 4) + last * static_cast<uint32_t>(j + 3 + group);
    }
    return Wrap(sum);
}

// The fields of a loaded string, converted on demand. Every value is written with a
// "|" after it, so the empty piece after the last "|" is not a field: a cut-off string
// then has exactly the fields it kept, and no empty one poses as a checksum.
class Fields {
public:
    explicit Fields(const String& text) : pieces_(text.Split(String("|"))) {
        count_ = pieces_.Length();
        if (count_ > 0 && pieces_[count_ - 1].Length() == 0) --count_;
    }
    int Count() const { return count_; }
    bool Has(int index) const { return Count() > index; }
    int operator[](int index) const { return pieces_[index].ToInt(); }

private:
    Array<String> pieces_;
    int count_ = 0;
};

void ResetSettings(Array<int>& settings) {
    for (int i = 0; i < kSettings; ++i) settings[i] = 0;
    settings[kDefaultSetting] = 1;
}

}  // namespace

int c_MyApp::p_Save() {
    String state;
    auto put = [&state](int32_t value) { state += String(value) + String("|"); };
    for (int i = 0; i < kSettings; ++i) put(m_Settings[i]);
    put(SettingsSum(m_Settings));
    uint32_t badgeSum = 0;
    for (int b = 0; b < kBadgeWords; ++b) {
        int32_t word = BadgeWord(m_BadgeGot, b);
        put(word);
        badgeSum += static_cast<uint32_t>(word);
    }
    put(Wrap(badgeSum));
    for (int g = 0; g < kScoreGroups; ++g) {
        for (int j = 0; j < kPlaces; ++j) {
            put(m_Scores[10 * g + j]);
            put(m_Scores[10 * g + kLastTen + j]);
        }
        put(GroupSum(m_Scores, g));
    }
    if (qo_Game_DebugMode == 1) qoPrint(state);
    qo_app_SaveState(state);
    return 0;
}

int c_MyApp::p_Load() {
    String state = qo_app_LoadState();
    if (qo_Game_DebugMode == 1) qoPrint(state);
    Fields fields(state);

    // Settings first; a string too short for them is the older, settings-less layout
    // whose badge words start at field 0.
    int badgeStart = 0;
    if (fields.Count() >= kSettings) {
        for (int i = 0; i < kSettings; ++i) m_Settings[i] = fields[i];
        if (fields.Has(kSettings) && SettingsSum(m_Settings) == fields[kSettings]) {
            qoPrint(String("Settings Loaded"));
        } else {
            qoPrint(String("Settings Checksum Invalid"));
            ResetSettings(m_Settings);
        }
        badgeStart = kSettings + 1;
    }

    if (m_Settings[kPadX] < 64) m_Settings[kPadX] = 64;
    if (m_Settings[kPadY] < 64) m_Settings[kPadY] = 64;
    if (m_Settings[kPadSize] < 8) m_Settings[kPadSize] = 10;
    if (m_Settings[kOverscan] < 1) m_Settings[kOverscan] = 64;
    if (qo_Game_isOuya == 1) {
        qo_Game_overscan = static_cast<float>(m_Settings[kOverscan]);
    } else {
        m_Settings[kOverscan] = 1;
        qo_Game_overscan = 0.0f;
    }

    int badgeSumAt = badgeStart + kBadgeWords;
    if (fields.Has(badgeSumAt)) {
        uint32_t sum = 0;
        for (int b = 0; b < kBadgeWords; ++b) {
            uint32_t word = static_cast<uint32_t>(fields[badgeStart + b]);
            for (int k = 0; k < 32; ++k) m_BadgeGot[32 * b + k] = ((word >> k) & 1u) != 0;
            sum += word;
        }
        if (Wrap(sum) == fields[badgeSumAt]) {
            qoPrint(String("Badges Loaded"));
        } else {
            qoPrint(String("Badge Checksum Invalid"));
            for (int i = 0; i < m_BadgeGot.Length(); ++i) m_BadgeGot[i] = false;
        }

        int groupStart = badgeSumAt + 1;
        for (int g = 0; g < kReadGroups; ++g) {
            int sumAt = groupStart + kGroupFields - 1;
            if (!fields.Has(sumAt)) continue;
            for (int j = 0; j < kPlaces; ++j) {
                m_Scores[10 * g + j] = fields[groupStart + 2 * j];
                m_Scores[10 * g + kLastTen + j] = fields[groupStart + 2 * j + 1];
            }
            if (GroupSum(m_Scores, g) != fields[sumAt]) {
                for (int j = 0; j < kPlaces; ++j) {
                    m_Scores[10 * g + j] = 0;
                    m_Scores[10 * g + kLastTen + j] = 0;
                }
            }
            groupStart += kGroupFields;
        }
    }
    qoPrint(String("Highscores Loaded"));
    return 0;
}

int c_MyApp::p_LoadMenu() {
    int size = m_LevelSize;
    // A level size outside 1..3 has no table; filing it would write into another's.
    if (size < 1 || size > 3) {
        m_NewRank = -1;
        p_Save();
        return 0;
    }
    int top = 10 * (size - 1);
    int last = top + kLastTen;

    m_NewRank = -1;
    for (int j = 0; j < kPlaces; ++j) {
        if (m_Scores[top + j] < m_Score) {
            m_NewRank = j;
            break;
        }
    }
    if (m_NewRank >= 0) {
        for (int j = kPlaces - 1; j > m_NewRank; --j) m_Scores[top + j] = m_Scores[top + j - 1];
        m_Scores[top + m_NewRank] = m_Score;
    }
    for (int j = kPlaces - 1; j > 0; --j) m_Scores[last + j] = m_Scores[last + j - 1];
    m_Scores[last] = m_Score;
    p_Save();
    return 0;
}

String c_MyApp::p_BadgeID(int id) {
    if (id == 0) return String("Test Badge|This is a Test Badge which has no purpose.");
    return String("Odd Badge|This badge hasn't been defined!");
}

String c_MyApp::p_BadgeName(int id) {
    String text = p_BadgeID(id);
    return text.Slice(0, text.Find(String("|")));
}

String c_MyApp::p_BadgeDetail(int id) {
    String text = p_BadgeID(id);
    return text.Slice(text.Find(String("|")) + 1);
}

int c_MyApp::p_GC_Badges() { return 0; }

int c_MyApp::p_ShowBadges() {
    for (int k = 0; k < kBadgeSlots; ++k) {
        if (m_BadgeTimer[k] <= 0) continue;
        int timer = ++m_BadgeTimer[k];
        if (timer > 240) {
            m_BadgeTimer[k] = 0;
            continue;
        }
        float offset = static_cast<float>(16 * timer - 160);
        if (offset > 0) offset = 0;
        if (timer > 230) offset = static_cast<float>(16 * (240 - timer) - 160);
        float top = qo_Game_jscrh - 34.0f * static_cast<float>(k + 1);
        int badge = m_BadgeQueue[k];

        p_ResetDraw();
        p_SetCol(0, 0, 80, 0.8f);
        p_Rect(offset, top, 160, 32);
        p_SetCol(255, 255, 255, 1.0f);
        p_Text(offset + 16, top + 4, p_BadgeName(badge), 0, 0, 0);
        if (badge >= 0 && badge <= 63) {
            p_SetSize(0.5f, kOmitted);
            p_DrawImg(80, offset + 160 - 16, top + 16, static_cast<float>(badge));
            p_SetSize(1.0f, kOmitted);
        }
    }
    return 0;
}
