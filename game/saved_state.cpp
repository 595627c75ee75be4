// What the game keeps between runs: settings, badge flags and score tables as one
// "|"-separated string of integers with a checksum per section, so that a damaged
// section costs only itself. Also the filing of a finished game's score, the badge
// texts and the sliding badge notices.
#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "game/my_app.h"
#include "runtime/errors.h"
#include "runtime/game.h"
#include "runtime/host/app.h"

namespace {

constexpr int kSettings = 25;
constexpr int kBadgeWords = 8;
constexpr int kScoreGroups = 8;
// Only the first three groups are real tables (one per level size); the rest repeat
// other elements and are written for the layout's sake but never read back.
constexpr int kReadGroups = 3;
constexpr int kPlaces = 10;
// m_Scores holds the top tens of the three sizes, then their last tens.
constexpr int kLastTen = kReadGroups * kPlaces;
// A group is written as pairs of top and last score, then its checksum.
constexpr int kGroupFields = 2 * kPlaces + 1;
constexpr int kScoreCount = 150;
constexpr int kDefaultSetting = 5;
constexpr int kBadgeSlots = 13;

// Where place j of group g's top ten and of its last ten are in m_Scores.
constexpr int TopAt(int g, int j) {
    return kPlaces * g + j;
}
constexpr int LastAt(int g, int j) {
    return TopAt(g, j) + kLastTen;
}

// Settings indices with load-time rules.
constexpr int kPadX = 10, kPadY = 11, kPadSize = 12, kOverscan = 14;

// The checksums are 32-bit sums that wrap; unsigned arithmetic keeps that defined.
int32_t Wrap(uint32_t value) {
    return static_cast<int32_t>(value);
}

// How a section of a loaded string came out.
enum class Section { kMissing, kValid, kDamaged };

// Everything the state string carries, in the form it is written and read.
struct Tables {
    std::array<int32_t, kSettings> settings{};
    std::array<uint32_t, kBadgeWords> badges{};
    std::array<int32_t, kScoreCount> scores{};
    Section settingsRead = Section::kMissing, badgesRead = Section::kMissing;
    std::array<Section, kReadGroups> groupsRead{};
    bool cutShort = false;
    // Fields after the last one written: they are not read, so nothing is lost by them.
    bool extra = false;

    Tables() { settings[kDefaultSetting] = 1; }
};

int32_t SettingsSum(const Tables& t) {
    uint32_t sum = 0;
    for (int i = 0; i < kSettings; ++i)
        sum += static_cast<uint32_t>(i) * static_cast<uint32_t>(t.settings[i]);
    return Wrap(sum);
}

int32_t GroupSum(const Tables& t, int group) {
    uint32_t sum = 0;
    for (int j = 0; j < kPlaces; ++j) {
        uint32_t top = static_cast<uint32_t>(t.scores[TopAt(group, j)]);
        uint32_t last = static_cast<uint32_t>(t.scores[LastAt(group, j)]);
        sum += top * static_cast<uint32_t>(j + 4) + last * static_cast<uint32_t>(j + 3 + group);
    }
    return Wrap(sum);
}

// The fields of a loaded string, converted on demand. Every value is written with a
// "|" after it, so the empty piece after the last "|" is not a field: a cut-off string
// then has exactly the fields it kept, and no empty one poses as a checksum.
// Plain bytes and no String: a save's merge runs on the save thread.
class Fields {
public:
    explicit Fields(const std::string& text) {
        for (size_t start = 0;;) {
            size_t bar = text.find('|', start);
            pieces_.push_back(text.substr(start, bar - start));
            if (bar == std::string::npos) break;
            start = bar + 1;
        }
        count_ = static_cast<int>(pieces_.size());
        if (pieces_.back().empty()) --count_;
        endsWithSeparator_ = count_ < static_cast<int>(pieces_.size());
    }
    int Count() const { return count_; }
    bool Has(int index) const { return Count() > index; }
    bool EndsWithSeparator() const { return endsWithSeparator_; }
    // As String::ToInt reads a field: its first 63 bytes, clamped to the int range.
    int operator[](int index) const {
        long value = std::strtol(pieces_[index].substr(0, 63).c_str(), nullptr, 10);
        return static_cast<int>(std::clamp<long>(value, INT_MIN, INT_MAX));
    }

private:
    std::vector<std::string> pieces_;
    int count_ = 0;
    bool endsWithSeparator_ = false;
};

std::string Format(const Tables& t) {
    // Built as bytes and made a String once: a String per field, each appended with a
    // copy of all before it, took 50 µs of the update that saves.
    std::string state;
    state.reserve(2048);
    auto put = [&state](int32_t value) {
        state += std::to_string(value);
        state += '|';
    };
    for (int i = 0; i < kSettings; ++i) put(t.settings[i]);
    put(SettingsSum(t));
    uint32_t badgeSum = 0;
    for (uint32_t word : t.badges) {
        put(Wrap(word));
        badgeSum += word;
    }
    put(Wrap(badgeSum));
    for (int g = 0; g < kScoreGroups; ++g) {
        for (int j = 0; j < kPlaces; ++j) {
            put(t.scores[TopAt(g, j)]);
            put(t.scores[LastAt(g, j)]);
        }
        put(GroupSum(t, g));
    }
    return state;
}

// Reads what a string holds; a section that is missing keeps its default, one that
// fails its checksum is reset.
Tables Parse(const std::string& text) {
    Tables t;
    Fields fields(text);
    // Settings first; a string too short for them is the older, settings-less layout
    // whose badge words start at field 0.
    int badgeStart = 0;
    if (fields.Count() >= kSettings) {
        for (int i = 0; i < kSettings; ++i) t.settings[i] = fields[i];
        t.settingsRead = fields.Has(kSettings) && SettingsSum(t) == fields[kSettings]
                             ? Section::kValid
                             : Section::kDamaged;
        if (t.settingsRead == Section::kDamaged) {
            t.settings.fill(0);
            t.settings[kDefaultSetting] = 1;
        }
        badgeStart = kSettings + 1;
    }
    int badgeSumAt = badgeStart + kBadgeWords;
    int groupStart = badgeSumAt + 1;
    if (fields.Has(badgeSumAt)) {
        uint32_t sum = 0;
        for (int b = 0; b < kBadgeWords; ++b)
            sum += t.badges[b] = static_cast<uint32_t>(fields[badgeStart + b]);
        t.badgesRead = Wrap(sum) == fields[badgeSumAt] ? Section::kValid : Section::kDamaged;
        if (t.badgesRead == Section::kDamaged) t.badges.fill(0);

        for (int g = 0; g < kReadGroups; ++g) {
            int sumAt = groupStart + kGroupFields - 1;
            if (!fields.Has(sumAt)) continue;
            for (int j = 0; j < kPlaces; ++j) {
                t.scores[TopAt(g, j)] = fields[groupStart + 2 * j];
                t.scores[LastAt(g, j)] = fields[groupStart + 2 * j + 1];
            }
            t.groupsRead[g] = GroupSum(t, g) == fields[sumAt] ? Section::kValid : Section::kDamaged;
            if (t.groupsRead[g] == Section::kDamaged) {
                for (int j = 0; j < kPlaces; ++j)
                    t.scores[TopAt(g, j)] = t.scores[LastAt(g, j)] = 0;
            }
            groupStart += kGroupFields;
        }
    }
    // Every group is written, read or not; a string that ends before them was cut off.
    int whole = badgeSumAt + 1 + kScoreGroups * kGroupFields;
    t.cutShort = !text.empty() && (fields.Count() < whole ||
                                   (fields.Count() == whole && !fields.EndsWithSeparator()));
    t.extra = fields.Count() > whole;
    return t;
}

// The parts of `text` that a load resets, for the message that keeps its bytes.
// The score groups' names as the menu shows them, for that message.
std::array<std::string, kReadGroups> groupNames;

std::string DescribeDamage(const std::string& text) {
    Tables t = Parse(text);
    // A cut-off string loses the sections it no longer reaches as well.
    auto lost = [&t](Section read) {
        return read == Section::kDamaged || (t.cutShort && read == Section::kMissing);
    };
    std::string parts;
    auto add = [&parts](const std::string& part) { parts += (parts.empty() ? "" : ", ") + part; };
    if (lost(t.settingsRead)) add("settings");
    if (lost(t.badgesRead)) add("badges");
    for (int g = 0; g < kReadGroups; ++g) {
        if (lost(t.groupsRead[g])) add(groupNames[g] + " highscores");
    }
    if (!t.cutShort && !t.extra && parts.empty()) return "";
    std::string said = t.cutShort ? "cut short; " : t.extra ? "extra bytes after the end; " : "";
    return said + (parts.empty() ? "nothing that is read was lost" : parts + " reset");
}

// A save's note: how many games this copy has filed in each size's tables since it
// loaded the state, so that a merge takes exactly the new ones, whatever their values.
std::string Note(const std::array<int, kReadGroups>& filed) {
    std::string note;
    for (int g = 0; g < kReadGroups; ++g) note += (g ? " " : "") + std::to_string(filed[g]);
    return note;
}

std::array<int, kReadGroups> FiledIn(const std::string& note) {
    std::array<int, kReadGroups> filed{};
    const char* at = note.c_str();
    for (int g = 0; g < kReadGroups; ++g) {
        char* end = nullptr;
        long count = std::strtol(at, &end, 10);
        if (end == at) break;
        filed[g] = static_cast<int>(std::clamp<long>(count, 0, INT_MAX));
        at = end;
    }
    return filed;
}

// This copy's changes from `base` to `mine`, laid over what another copy saved in
// `file`: each top ten is the best ten of the file's and this copy's new entries, each
// last ten this copy's new games before the file's, each setting this copy changed is
// this copy's, and a badge got by either copy is kept. A section the file holds damaged
// or not at all is this copy's as it is: only what reads cleanly from the file is merged.
std::string MergeStates(const QoStateVersion& base, const QoStateVersion& mine,
                        const std::string& file) {
    Tables b = Parse(base.bytes), m = Parse(mine.bytes), f = Parse(file);
    std::array<int, kReadGroups> before = FiledIn(base.note), after = FiledIn(mine.note);
    Tables merged = f;
    for (int i = 0; i < kSettings; ++i) {
        if (f.settingsRead != Section::kValid || m.settings[i] != b.settings[i])
            merged.settings[i] = m.settings[i];
    }
    for (int w = 0; w < kBadgeWords; ++w)
        merged.badges[w] = (f.badgesRead == Section::kValid ? f.badges[w] : 0) | m.badges[w];
    for (int g = 0; g < kReadGroups; ++g) {
        const int top = TopAt(g, 0), last = LastAt(g, 0);
        if (f.groupsRead[g] != Section::kValid) {
            std::copy_n(m.scores.begin() + top, kPlaces, merged.scores.begin() + top);
            std::copy_n(m.scores.begin() + last, kPlaces, merged.scores.begin() + last);
            continue;
        }
        // New top entries: those of mine that the base does not hold as often. Every entry
        // of mine came from the base or from a game filed since, and equal scores are
        // alike in a table, so this is exact.
        std::vector<int32_t> entries(f.scores.begin() + top, f.scores.begin() + top + kPlaces);
        std::vector<int32_t> old(b.scores.begin() + top, b.scores.begin() + top + kPlaces);
        for (int j = 0; j < kPlaces; ++j) {
            int32_t score = m.scores[top + j];
            auto found = std::find(old.begin(), old.end(), score);
            if (found != old.end()) {
                old.erase(found);
            } else if (score != 0) {
                entries.push_back(score);
            }
        }
        std::stable_sort(entries.begin(), entries.end(), std::greater<int32_t>());
        for (int j = 0; j < kPlaces; ++j) merged.scores[top + j] = entries[j];
        // New games: as many from the head of mine's last ten as were filed since the base.
        int fresh = std::clamp(after[g] - before[g], 0, kPlaces);
        std::vector<int32_t> games(m.scores.begin() + last, m.scores.begin() + last + fresh);
        games.insert(games.end(), f.scores.begin() + last, f.scores.begin() + last + kPlaces);
        for (int j = 0; j < kPlaces; ++j) merged.scores[last + j] = games[j];
    }
    return Format(merged);
}

// What a load makes of the settings it has read, whether it read any or not.
void ApplySettingsRules(int32_t* settings) {
    if (settings[kPadX] < 64) settings[kPadX] = 64;
    if (settings[kPadY] < 64) settings[kPadY] = 64;
    if (settings[kPadSize] < 8) settings[kPadSize] = 10;
    if (settings[kOverscan] < 1) settings[kOverscan] = 64;
    if (qo_Game_isOuya != 1) settings[kOverscan] = 1;
}

// Which parts of `state` differ from `saved` once both are read as a load reads them: the
// settings (badges with them) and the highscores.
std::pair<bool, bool> Differences(const std::string& state, const std::string& saved) {
    Tables a = Parse(state), b = Parse(saved);
    ApplySettingsRules(a.settings.data());
    ApplySettingsRules(b.settings.data());
    bool scores = false;
    for (int g = 0; g < kReadGroups; ++g) {
        for (int j = 0; j < kPlaces; ++j) {
            scores |= a.scores[TopAt(g, j)] != b.scores[TopAt(g, j)] ||
                      a.scores[LastAt(g, j)] != b.scores[LastAt(g, j)];
        }
    }
    return {a.settings != b.settings || a.badges != b.badges, scores};
}

}  // namespace

void c_MyApp::p_InstallStateMerge() {
    for (int g = 0; g < kReadGroups && 2 * g < qo_Game_MenuSet.Length(); ++g)
        groupNames[g] = qo_Game_MenuSet[2 * g].ToUtf8();
    qoStateMerge = &MergeStates;
    qoStateDamage = &DescribeDamage;
}

String c_MyApp::p_StateString() {
    Tables t;
    for (int i = 0; i < kSettings; ++i) t.settings[i] = m_Settings[i];
    for (int b = 0; b < kBadgeWords; ++b) {
        uint32_t bits = 0;
        for (int k = 0; k < 32; ++k) {
            if (m_BadgeGot[32 * b + k]) bits |= 1u << k;
        }
        t.badges[b] = bits;
    }
    for (int i = 0; i < kScoreCount; ++i) t.scores[i] = m_Scores[i];
    return String(Format(t).c_str());
}

int c_MyApp::p_Save() {
    String state = p_StateString();
    if (qo_Game_DebugMode == 1) qoPrint(state);
    m_QueuedState = state;
    m_QueuedNote = String(Note(m_GamesFiled).c_str());
    p_SaveNews(qo_app_SaveState(state, m_QueuedNote));
    return 0;
}

int c_MyApp::p_SaveNews(int result) {
    if (result == 0) result = qo_app_TakeSaveFailure();
    if (result < 0 && m_SaveNoticeShown == 0) {
        // Once a run, and only when something is lost: the reason is in the log, the
        // player only needs to know what.
        auto [settings, scores] =
            Differences(p_StateString().ToUtf8(), qo_app_SavedState().ToUtf8());
        const char* text = settings && scores ? "Settings and highscores not saved"
                           : settings         ? "Settings could not be saved"
                           : scores           ? "Highscores could not be saved"
                                              : nullptr;
        if (text) {
            m_SaveNoticeText = String(text);
            m_SaveNoticeShown = 1;
            m_SaveNoticeTimer = 1;
        }
    }
    String merged = qo_app_TakeMergedState();
    if (merged.Length() == 0) return 0;
    // What changed since that save was asked for (an options box still open, a game filed)
    // is laid over the merge in turn, and saved by the next save.
    String current = p_StateString();
    if (!(current == m_QueuedState)) {
        merged = String(MergeStates({m_QueuedState.ToUtf8(), m_QueuedNote.ToUtf8()},
                                    {current.ToUtf8(), Note(m_GamesFiled)}, merged.ToUtf8())
                            .c_str());
    }
    p_Restore(merged, false);
    return 0;
}

int c_MyApp::p_Load() {
    p_InstallStateMerge();
    String state = qo_app_LoadState();
    if (qo_Game_DebugMode == 1) qoPrint(state);
    // What is loaded is where this copy's count of filed games starts.
    m_GamesFiled.fill(0);
    p_Restore(state, true);
    return 0;
}

int c_MyApp::p_Restore(String state, bool report) {
    Tables t = Parse(state.ToUtf8());
    auto say = [report](const char* line) {
        if (report) qoPrint(String(line));
    };
    if (t.settingsRead != Section::kMissing) {
        for (int i = 0; i < kSettings; ++i) m_Settings[i] = t.settings[i];
        say(t.settingsRead == Section::kValid ? "Settings Loaded" : "Settings Checksum Invalid");
    }

    ApplySettingsRules(m_Settings.Data());
    qo_Game_overscan = qo_Game_isOuya == 1 ? static_cast<float>(m_Settings[kOverscan]) : 0.0f;

    if (t.badgesRead != Section::kMissing) {
        for (int i = 0; i < 32 * kBadgeWords; ++i)
            m_BadgeGot[i] = ((t.badges[i / 32] >> (i % 32)) & 1u) != 0;
        say(t.badgesRead == Section::kValid ? "Badges Loaded" : "Badge Checksum Invalid");
    }
    for (int g = 0; g < kReadGroups; ++g) {
        if (t.groupsRead[g] == Section::kMissing) continue;
        for (int j = 0; j < kPlaces; ++j) {
            m_Scores[TopAt(g, j)] = t.scores[TopAt(g, j)];
            m_Scores[LastAt(g, j)] = t.scores[LastAt(g, j)];
        }
    }
    say("Highscores Loaded");
    return 0;
}

int c_MyApp::p_FilingPlace() {
    int size = m_LevelSize;
    // A level size outside 1..3 has no table; filing it would write into another's.
    if (size < 1 || size > kReadGroups) return -1;
    for (int j = 0; j < kPlaces; ++j) {
        if (m_Scores[TopAt(size - 1, j)] < m_Score) return j;
    }
    return -1;
}

int c_MyApp::p_LoadMenu() {
    m_NewRank = p_FilingPlace();
    if (m_LevelSize < 1 || m_LevelSize > kReadGroups) {
        p_Save();
        return 0;
    }
    int top = TopAt(m_LevelSize - 1, 0);
    int last = LastAt(m_LevelSize - 1, 0);
    // A tie does not enter above an equal score.
    if (m_NewRank >= 0) {
        for (int j = kPlaces - 1; j > m_NewRank; --j) m_Scores[top + j] = m_Scores[top + j - 1];
        m_Scores[top + m_NewRank] = m_Score;
    }
    for (int j = kPlaces - 1; j > 0; --j) m_Scores[last + j] = m_Scores[last + j - 1];
    m_Scores[last] = m_Score;
    ++m_GamesFiled[m_LevelSize - 1];
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

int c_MyApp::p_GC_Badges() {
    return 0;
}

namespace {

constexpr int kBadgeLife = 240, kBadgePanel = 160;
// Long enough to be read from across the room.
constexpr int kSaveNoticeLife = 480;

// A notice panel `width` units wide, `timer` updates old, of a notice that lasts `life`:
// it slides in from the left at 16 units an update, stays, and slides back out over
// its last ten updates.
float NoticeOffset(int timer, int width, int life) {
    if (timer > life - 10) return static_cast<float>(16 * (life - timer) - width);
    return static_cast<float>(std::min(16 * timer - width, 0));
}

// The save notices' place: above all the badge notices' slots.
float SaveNoticeTop() {
    return qo_Game_jscrh - 34.0f * static_cast<float>(kBadgeSlots + 1);
}

}  // namespace

int c_MyApp::p_ShowBadges() {
    for (int k = 0; k < kBadgeSlots; ++k) {
        if (m_BadgeTimer[k] <= 0) continue;
        int timer = ++m_BadgeTimer[k];
        if (timer > kBadgeLife) {
            m_BadgeTimer[k] = 0;
            continue;
        }
        float offset = NoticeOffset(timer, kBadgePanel, kBadgeLife);
        float top = qo_Game_jscrh - 34.0f * static_cast<float>(k + 1);
        int badge = m_BadgeQueue[k];
        NoticePanel(offset, top, kBadgePanel, p_BadgeName(badge));
        if (badge >= 0 && badge <= 63) {
            p_SetSize(0.5f, kOmitted);
            p_DrawImg(slots::kImgBadges, offset + kBadgePanel - 16, top + 16,
                      static_cast<float>(badge));
            p_SetSize(1.0f, kOmitted);
        }
    }
    // A failed save's notice, in the badge notices' panel, above all their slots.
    if (m_SaveNoticeTimer > 0) {
        int timer = ++m_SaveNoticeTimer;
        int width = p_TextWidth(m_SaveNoticeText) + 48;
        if (timer > kSaveNoticeLife) {
            m_SaveNoticeTimer = 0;
        } else {
            NoticePanel(NoticeOffset(timer, width, kSaveNoticeLife), SaveNoticeTop(),
                        static_cast<float>(width), m_SaveNoticeText);
        }
    }
    return 0;
}

int c_MyApp::p_EndingNotice() {
    String text("Saving...");
    NoticePanel(0, SaveNoticeTop(), static_cast<float>(p_TextWidth(text) + 48), text);
    return 0;
}

void c_MyApp::NoticePanel(float x, float y, float width, const String& text) {
    p_ResetDraw();
    p_SetCol(0, 0, 80, 0.8f);
    p_Rect(x, y, width, 32);
    p_SetCol(255, 255, 255, 1.0f);
    p_Text(x + 16, y + 4, text, 0, 0, 0);
}
