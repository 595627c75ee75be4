// The saved state: the exact string written for known tables, what loading restores
// from whole, older, short and damaged strings, the messages it prints, the filing of
// a finished game's score, and the badge notices. Each test runs in its own folder,
// since the state file lives in the current directory.
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "runtime/game.h"
#include "runtime/platform.h"
#include "tests/game/game_fixture.h"

namespace {

class SavedState : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        char dir[] = "/tmp/tessory_state_XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        dir_ = dir;
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_);
    }
    void TearDown() override {
        qoWaitForSaves();
        std::filesystem::current_path(old_);
        std::filesystem::remove_all(dir_);
        GameTest::TearDown();
    }

    std::string StateFile() const {
        qoWaitForSaves();
        std::ifstream in(dir_ / ".kavorostate", std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    void WriteState(const std::string& text) const {
        std::ofstream(dir_ / ".kavorostate", std::ios::binary) << text;
    }
    // p_Load's printed lines.
    std::string Load() {
        qoWaitForSaves();
        testing::internal::CaptureStdout();
        app->p_Load();
        return testing::internal::GetCapturedStdout();
    }
    // The tables of KnownTables(), whose string was worked out by hand.
    void KnownTables() {
        app->m_Settings[6] = 2;
        app->m_Settings[7] = 3;
        app->m_Settings[14] = 1;
        app->m_Settings[15] = 1;
        app->m_BadgeGot[0] = true;
        app->m_BadgeGot[33] = true;
        app->m_BadgeGot[63] = true;  // bit 31 of the second word
        int small[] = {500, 400, 300};
        int smallLast[] = {300, 500, 400};
        for (int j = 0; j < 3; ++j) {
            app->m_Scores[j] = small[j];
            app->m_Scores[30 + j] = smallLast[j];
        }
        app->m_Scores[10] = 1000;
        app->m_Scores[40] = 1000;
        app->m_Scores[65] = 7;  // the never-filled tail is still written
    }
    void ClearTables() {
        for (int i = 0; i < 25; ++i) app->m_Settings[i] = 0;
        app->m_Settings[5] = 1;
        for (int i = 0; i < 256; ++i) app->m_BadgeGot[i] = false;
        for (int i = 0; i < 150; ++i) app->m_Scores[i] = 0;
    }

    static std::vector<std::string> Fields(const std::string& text) {
        std::vector<std::string> fields;
        std::string field;
        for (char c : text) {
            if (c == '|') {
                fields.push_back(field);
                field.clear();
            } else {
                field += c;
            }
        }
        return fields;
    }
    static std::string Join(const std::vector<std::string>& fields) {
        std::string text;
        for (const std::string& f : fields) text += f + "|";
        return text;
    }

    std::filesystem::path dir_, old_;
};

const char kKnownState[] =
    "0|0|0|0|0|1|2|3|0|0|0|0|0|0|1|1|0|0|0|0|0|0|0|0|0|67|"
    "1|-2147483646|0|0|0|0|0|0|-2147483645|"
    "500|300|400|500|300|400|0|0|0|0|0|0|0|0|0|0|0|0|0|0|10700|"
    "1000|1000|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|8000|"
    "0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|"
    "300|0|500|0|400|0|0|0|0|0|0|7|0|0|0|0|0|0|0|0|6177|"
    "1000|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|4000|"
    "0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|"
    "0|0|0|0|0|0|0|0|0|0|7|0|0|0|0|0|0|0|0|0|63|"
    "0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|";

TEST_F(SavedState, SaveWritesKnownTablesByteForByte) {
    KnownTables();
    app->p_Save();
    EXPECT_EQ(StateFile(), kKnownState);
    EXPECT_EQ(Fields(StateFile()).size(), 203u);
}

TEST_F(SavedState, EmptyTablesSaveAsZerosWithTheDefaultSetting) {
    app->p_Save();
    std::vector<std::string> fields = Fields(StateFile());
    ASSERT_EQ(fields.size(), 203u);
    EXPECT_EQ(fields[5], "1");
    EXPECT_EQ(fields[25], "5");  // 5 x settings[5]
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i != 5 && i != 25) {
            EXPECT_EQ(fields[i], "0") << "field " << i;
        }
    }
}

TEST_F(SavedState, ChecksumsWrapAroundAt32Bits) {
    app->m_Scores[0] = 2147483647;     // x 4 wraps to -4
    app->m_Settings[24] = 2147483647;  // x 24 wraps to -24
    app->p_Save();
    std::vector<std::string> fields = Fields(StateFile());
    EXPECT_EQ(fields[25], "-19");  // 5 - 24
    EXPECT_EQ(fields[35 + 20], "-4");

    ClearTables();
    EXPECT_EQ(Load(), "Settings Loaded\nBadges Loaded\nHighscores Loaded\n");
    EXPECT_EQ(app->m_Scores[0], 2147483647);
    EXPECT_EQ(app->m_Settings[24], 2147483647);
}

TEST_F(SavedState, DebugModePrintsTheStringWhenSavingAndLoading) {
    KnownTables();
    qo_Game_DebugMode = 1;
    testing::internal::CaptureStdout();
    app->p_Save();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), std::string(kKnownState) + "\n");
    std::string printed = Load();
    EXPECT_EQ(printed.rfind(std::string(kKnownState) + "\n", 0), 0u) << printed;
}

TEST_F(SavedState, LoadRestoresEverySectionOfAWholeString) {
    KnownTables();
    app->p_Save();
    ClearTables();
    EXPECT_EQ(Load(), "Settings Loaded\nBadges Loaded\nHighscores Loaded\n");
    EXPECT_EQ(app->m_Settings[6], 2);
    EXPECT_EQ(app->m_Settings[7], 3);
    EXPECT_EQ(app->m_Settings[15], 1);
    EXPECT_TRUE(app->m_BadgeGot[0]);
    EXPECT_TRUE(app->m_BadgeGot[33]);
    EXPECT_FALSE(app->m_BadgeGot[32]);
    EXPECT_EQ(app->m_Scores[1], 400);
    EXPECT_EQ(app->m_Scores[31], 500);
    EXPECT_EQ(app->m_Scores[10], 1000);
    EXPECT_EQ(app->m_Scores[40], 1000);
    // Group 3 onwards is written but never read back.
    EXPECT_EQ(app->m_Scores[65], 0);
}

TEST_F(SavedState, BadgeWordWithBit31RoundTripsAsANegativeNumber) {
    app->m_BadgeGot[63] = true;
    app->m_BadgeGot[255] = true;
    app->p_Save();
    std::vector<std::string> fields = Fields(StateFile());
    EXPECT_EQ(fields[27], "-2147483648");
    EXPECT_EQ(fields[33], "-2147483648");
    EXPECT_EQ(fields[34], "0");  // the two words' sum wraps to zero
    ClearTables();
    EXPECT_EQ(Load(), "Settings Loaded\nBadges Loaded\nHighscores Loaded\n");
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(app->m_BadgeGot[i], i == 63 || i == 255) << "badge " << i;
}

TEST_F(SavedState, MissingStateLeavesTheDefaultsAndSaysOnlyHighscores) {
    EXPECT_EQ(Load(), "Highscores Loaded\n");
    EXPECT_EQ(app->m_Settings[5], 1);
    EXPECT_EQ(app->m_Settings[6], 0);
    for (int i = 0; i < 256; ++i) EXPECT_FALSE(app->m_BadgeGot[i]);
    for (int i = 0; i < 60; ++i) EXPECT_EQ(app->m_Scores[i], 0);
}

TEST_F(SavedState, DamagedSettingsAreResetAndTheRestStillLoads) {
    KnownTables();
    app->p_Save();
    std::vector<std::string> fields = Fields(StateFile());
    fields[6] = "1";
    WriteState(Join(fields));
    ClearTables();
    app->m_Settings[9] = 5;
    EXPECT_EQ(Load(), "Settings Checksum Invalid\nBadges Loaded\nHighscores Loaded\n");
    EXPECT_EQ(app->m_Settings[6], 0);
    EXPECT_EQ(app->m_Settings[9], 0);
    EXPECT_EQ(app->m_Settings[5], 1);
    EXPECT_TRUE(app->m_BadgeGot[33]);
    EXPECT_EQ(app->m_Scores[0], 500);
}

TEST_F(SavedState, DamagedBadgesAreClearedAndTheRestStillLoads) {
    KnownTables();
    app->p_Save();
    std::vector<std::string> fields = Fields(StateFile());
    fields[26] = "3";
    WriteState(Join(fields));
    ClearTables();
    app->m_BadgeGot[200] = true;
    EXPECT_EQ(Load(), "Settings Loaded\nBadge Checksum Invalid\nHighscores Loaded\n");
    for (int i = 0; i < 256; ++i) EXPECT_FALSE(app->m_BadgeGot[i]) << "badge " << i;
    EXPECT_EQ(app->m_Settings[6], 2);
    EXPECT_EQ(app->m_Scores[0], 500);
}

TEST_F(SavedState, EditingOneScoreZeroesOnlyThatSizesTwoTables) {
    KnownTables();
    app->m_Scores[20] = 77;  // Large
    app->m_Scores[50] = 77;
    app->p_Save();
    std::vector<std::string> fields = Fields(StateFile());
    ASSERT_EQ(fields[35 + 21], "1000");  // Medium's first top-ten entry
    fields[35 + 21] = "999999";
    WriteState(Join(fields));
    ClearTables();
    EXPECT_EQ(Load(), "Settings Loaded\nBadges Loaded\nHighscores Loaded\n");
    for (int j = 0; j < 10; ++j) {
        EXPECT_EQ(app->m_Scores[10 + j], 0);
        EXPECT_EQ(app->m_Scores[40 + j], 0);
    }
    EXPECT_EQ(app->m_Scores[0], 500);
    EXPECT_EQ(app->m_Scores[32], 400);
    EXPECT_EQ(app->m_Scores[20], 77);
    EXPECT_EQ(app->m_Scores[50], 77);
    EXPECT_EQ(app->m_Settings[7], 3);
    EXPECT_TRUE(app->m_BadgeGot[63]);
}

TEST_F(SavedState, TwentyFiveToThirtyFourFieldsRestoreTheSettingsOnly) {
    KnownTables();
    app->p_Save();
    std::vector<std::string> whole = Fields(StateFile());
    for (size_t count : {26u, 30u, 34u}) {
        WriteState(Join(std::vector<std::string>(whole.begin(), whole.begin() + count)));
        ClearTables();
        app->m_BadgeGot[5] = true;
        app->m_Scores[3] = 42;
        EXPECT_EQ(Load(), "Settings Loaded\nHighscores Loaded\n") << count << " fields";
        EXPECT_EQ(app->m_Settings[6], 2);
        EXPECT_EQ(app->m_Settings[7], 3);
        EXPECT_TRUE(app->m_BadgeGot[5]);
        EXPECT_FALSE(app->m_BadgeGot[33]);
        EXPECT_EQ(app->m_Scores[0], 0);
        EXPECT_EQ(app->m_Scores[3], 42);
    }
}

TEST_F(SavedState, SettingsWithoutTheirChecksumFieldAreRejected) {
    KnownTables();
    app->p_Save();
    std::vector<std::string> whole = Fields(StateFile());
    // Exactly the 25 settings and no "|" after the last: no field 25 to check against.
    std::string text = Join(std::vector<std::string>(whole.begin(), whole.begin() + 25));
    text.pop_back();
    WriteState(text);
    ClearTables();
    app->m_Settings[6] = 1;
    EXPECT_EQ(Load(), "Settings Checksum Invalid\nHighscores Loaded\n");
    EXPECT_EQ(app->m_Settings[6], 0);
    EXPECT_EQ(app->m_Settings[5], 1);
}

TEST_F(SavedState, OlderLayoutWithoutSettingsReadsTheBadgesFromTheStart) {
    // Badge words 0-7 and their sum; under 25 fields there is no room for a score
    // group (9 + 21 fields), so none is read.
    std::vector<std::string> fields = {"6", "0",           "0",           "0",  "0",  "0",
                                       "0", "-2147483648", "-2147483642", "90", "80", "0"};
    WriteState(Join(fields));
    app->m_Settings[6] = 2;
    EXPECT_EQ(Load(), "Badges Loaded\nHighscores Loaded\n");
    EXPECT_EQ(app->m_Settings[6], 2);
    EXPECT_TRUE(app->m_BadgeGot[1]);
    EXPECT_TRUE(app->m_BadgeGot[2]);
    EXPECT_TRUE(app->m_BadgeGot[255]);
    EXPECT_FALSE(app->m_BadgeGot[0]);
    EXPECT_EQ(app->m_Scores[0], 0);

    fields[8] = "5";
    WriteState(Join(fields));
    EXPECT_EQ(Load(), "Badge Checksum Invalid\nHighscores Loaded\n");
    EXPECT_FALSE(app->m_BadgeGot[1]);
}

TEST_F(SavedState, StringCutInsideAScoreGroupKeepsTheCompleteGroupsOnly) {
    KnownTables();
    app->p_Save();
    std::vector<std::string> whole = Fields(StateFile());
    // Group 0 complete (fields 35-55), group 1 cut before its checksum (field 76).
    WriteState(Join(std::vector<std::string>(whole.begin(), whole.begin() + 76)));
    ClearTables();
    app->m_Scores[10] = 5;
    EXPECT_EQ(Load(), "Settings Loaded\nBadges Loaded\nHighscores Loaded\n");
    EXPECT_EQ(app->m_Scores[0], 500);
    EXPECT_EQ(app->m_Scores[10], 5);
}

TEST_F(SavedState, LoadAppliesTheSettingsRulesOnTheDesktop) {
    qo_Game_overscan = 32;
    app->m_Settings[10] = 10;
    app->m_Settings[11] = 100;
    app->m_Settings[12] = 3;
    app->m_Settings[14] = 40;
    Load();  // nothing saved: the rules still apply to the settings in memory
    EXPECT_EQ(app->m_Settings[10], 64);
    EXPECT_EQ(app->m_Settings[11], 100);
    EXPECT_EQ(app->m_Settings[12], 10);
    EXPECT_EQ(app->m_Settings[14], 1);
    EXPECT_EQ(qo_Game_overscan, 0.0f);
}

TEST_F(SavedState, LoadTakesTheOverscanFromTheSettingsOnTheConsole) {
    qo_Game_isOuya = 1;
    app->m_Settings[14] = 40;
    Load();
    EXPECT_EQ(qo_Game_overscan, 40.0f);
    app->m_Settings[14] = 0;
    Load();
    EXPECT_EQ(app->m_Settings[14], 64);
    EXPECT_EQ(qo_Game_overscan, 64.0f);
}

TEST_F(SavedState, GarbageFieldsReadAsNumbersWithoutHarm) {
    WriteState("  12abc|-|+7|x|\xff\xfe|99999999999999999999999|");
    EXPECT_EQ(Load(), "Highscores Loaded\n");
    std::string big(100000, '9');
    WriteState(big + "|" + big);
    EXPECT_EQ(Load(), "Highscores Loaded\n");
    std::string bars(5000, '|');
    WriteState(bars);
    // Every field empty reads as 0, and a section of zeros sums to its zero checksum.
    EXPECT_EQ(Load(), "Settings Loaded\nBadges Loaded\nHighscores Loaded\n");
    EXPECT_EQ(app->m_Settings[5], 0);
}

TEST_F(SavedState, WhateverWasLoadedSavesAndReloadsToTheSameString) {
    // Random strings of digits, signs, separators and junk: loading never fails, and
    // what it leaves behind survives a save and a load unchanged.
    std::mt19937 random(4107);
    const std::string alphabet = "0123456789||||||-- x";
    for (int round = 0; round < 100; ++round) {
        std::string text;
        int length = static_cast<int>(random() % 1200);
        for (int i = 0; i < length; ++i) text += alphabet[random() % alphabet.size()];
        WriteState(text);
        Load();
        app->p_Save();
        std::string first = StateFile();
        ClearTables();
        EXPECT_EQ(Load(), "Settings Loaded\nBadges Loaded\nHighscores Loaded\n") << text;
        app->p_Save();
        ASSERT_EQ(StateFile(), first) << text;
    }
}

// ---- filing a finished game --------------------------------------------------------------

TEST_F(SavedState, NewScoreEntersBelowAnEqualOneAndHeadsTheLastTen) {
    app->m_LevelSize = 2;
    int table[] = {50, 40, 30};
    for (int j = 0; j < 3; ++j) app->m_Scores[10 + j] = table[j];
    app->m_Scores[40] = 11;
    app->m_Score = 40;
    app->p_LoadMenu();
    EXPECT_EQ(app->m_NewRank, 2);
    int expected[] = {50, 40, 40, 30, 0};
    for (int j = 0; j < 5; ++j) EXPECT_EQ(app->m_Scores[10 + j], expected[j]) << "place " << j;
    EXPECT_EQ(app->m_Scores[40], 40);
    EXPECT_EQ(app->m_Scores[41], 11);
    EXPECT_EQ(app->m_Scores[0], 0);  // other sizes untouched
    EXPECT_EQ(app->m_Scores[20], 0);
}

TEST_F(SavedState, TieWithTheTenthEntryStaysOutOfTheTopTenButHeadsTheLastTen) {
    app->m_LevelSize = 3;
    for (int j = 0; j < 10; ++j) {
        app->m_Scores[20 + j] = 100 - 10 * j;  // 100 .. 10
        app->m_Scores[50 + j] = j + 1;
    }
    app->m_Score = 10;
    app->p_LoadMenu();
    EXPECT_EQ(app->m_NewRank, -1);
    for (int j = 0; j < 10; ++j) EXPECT_EQ(app->m_Scores[20 + j], 100 - 10 * j);
    EXPECT_EQ(app->m_Scores[50], 10);
    for (int j = 1; j < 10; ++j) EXPECT_EQ(app->m_Scores[50 + j], j) << "entry " << j;

    app->m_Score = 11;
    app->p_LoadMenu();
    EXPECT_EQ(app->m_NewRank, 9);
    EXPECT_EQ(app->m_Scores[29], 11);
}

TEST_F(SavedState, BestScoreTakesFirstPlaceAndPushesTheTenthOut) {
    app->m_LevelSize = 1;
    for (int j = 0; j < 10; ++j) app->m_Scores[j] = 100 - j;
    app->m_Score = 500;
    app->p_LoadMenu();
    EXPECT_EQ(app->m_NewRank, 0);
    EXPECT_EQ(app->m_Scores[0], 500);
    EXPECT_EQ(app->m_Scores[1], 100);
    EXPECT_EQ(app->m_Scores[9], 92);
}

TEST_F(SavedState, FilingAScoreSavesTheTables) {
    app->m_LevelSize = 1;
    app->m_Score = 1234;
    app->p_LoadMenu();
    std::vector<std::string> fields = Fields(StateFile());
    ASSERT_EQ(fields.size(), 203u);
    EXPECT_EQ(fields[35], "1234");
    EXPECT_EQ(fields[36], "1234");
}

TEST_F(SavedState, ZeroScoreOnAnEmptyTableOnlyJoinsTheLastTen) {
    app->m_LevelSize = 1;
    app->m_Score = 0;
    app->m_Scores[30] = 5;
    app->p_LoadMenu();
    EXPECT_EQ(app->m_NewRank, -1);
    EXPECT_EQ(app->m_Scores[30], 0);
    EXPECT_EQ(app->m_Scores[31], 5);
}

TEST_F(SavedState, LevelSizeWithoutATableFilesNothing) {
    app->m_LevelSize = 0;
    app->m_Score = 99;
    app->p_LoadMenu();
    EXPECT_EQ(app->m_NewRank, -1);
    for (int i = 0; i < 150; ++i) EXPECT_EQ(app->m_Scores[i], 0) << "element " << i;
}

// ---- badges ------------------------------------------------------------------------------

TEST_F(SavedState, BadgeTextsSplitIntoNameAndDetail) {
    EXPECT_TRUE(app->p_BadgeName(0) == String("Test Badge"));
    EXPECT_TRUE(app->p_BadgeDetail(0) == String("This is a Test Badge which has no purpose."));
    EXPECT_TRUE(app->p_BadgeName(17) == String("Odd Badge"));
    EXPECT_TRUE(app->p_BadgeDetail(200) == String("This badge hasn't been defined!"));
}

TEST_F(SavedState, BadgeNoticeSlidesInStaysAndSlidesOut) {
    UseFontMetrics();
    qo_Game_jscrh = 480;
    app->m_BadgeQueue[1] = 5;
    app->m_BadgeTimer[1] = 1;
    auto panelX = [&] {
        app->m_DrawCount = 0;
        app->p_ShowBadges();
        EXPECT_EQ(Record(0)[0], kDrawRect);
        return Record(0)[1];
    };
    EXPECT_FLOAT_EQ(panelX(), -128);  // timer 2
    EXPECT_EQ(Record(0)[2], 480 - 68);
    EXPECT_EQ(Record(0)[4], 160);
    EXPECT_EQ(Record(0)[12], 80);
    EXPECT_FLOAT_EQ(Record(0)[7], 0.8f);
    for (int t = 3; t <= 10; ++t) panelX();
    EXPECT_FLOAT_EQ(panelX(), 0);  // timer 11 and on: fully in
    app->m_BadgeTimer[1] = 230;
    EXPECT_FLOAT_EQ(panelX(), 16 * (240 - 231) - 160);
    // The icon: frame 5 of the badge sheet at half size, right of the name.
    const float* icon = Record(Records() - 1);
    EXPECT_EQ(icon[0], 80);
    EXPECT_EQ(icon[6], 5);
    EXPECT_FLOAT_EQ(icon[4], 0.5f);
    app->m_BadgeTimer[1] = 240;
    app->m_DrawCount = 0;
    app->p_ShowBadges();
    EXPECT_EQ(app->m_BadgeTimer[1], 0);
    EXPECT_EQ(Records(), 0);
}

TEST_F(SavedState, BadgeNumbersBeyondTheSheetShowNoIconAndTheLastTwoSlotsStayIdle) {
    UseFontMetrics();
    app->m_BadgeQueue[0] = 64;
    app->m_BadgeTimer[0] = 20;
    app->m_BadgeTimer[13] = 20;
    app->m_BadgeTimer[14] = 20;
    app->p_ShowBadges();
    EXPECT_EQ(app->m_BadgeTimer[13], 20);
    EXPECT_EQ(app->m_BadgeTimer[14], 20);
    for (int i = 0; i < Records(); ++i) EXPECT_NE(Record(i)[0], 80);
    EXPECT_GT(Records(), 1);
}

// ---- two copies on one file, damaged files, failed saves ---------------------------------

using Edit = std::function<void(c_MyApp*)>;
void SmallGames(c_MyApp* app, std::vector<int> top, std::vector<int> last) {
    for (size_t j = 0; j < top.size(); ++j) app->m_Scores[j] = top[j];
    for (size_t j = 0; j < last.size(); ++j) app->m_Scores[30 + j] = last[j];
}

// Each row: the base both copies started from, this copy's state and the other copy's
// file (each the base edited), and what the merge must give; and how many Small games
// this copy filed since the base, which its save's note says.
struct MergeCase {
    const char* name;
    Edit base, mine, file, merged;
    int filed = 0;
};

TEST_F(SavedState, AnotherCopysChangesAreMergedWithThisCopys) {
    auto text = [&](const std::vector<Edit>& edits) {
        ClearTables();
        for (const Edit& edit : edits) edit(app);
        return app->p_StateString();
    };
    Edit none = [](c_MyApp*) {};
    const std::vector<int> tens = {1000, 900, 800, 700, 600, 500, 400, 300, 200, 100};
    const MergeCase cases[] = {
        {"both scored, each changed a setting", [](c_MyApp* a) { SmallGames(a, {100}, {100}); },
         [](c_MyApp* a) {
             SmallGames(a, {300, 100}, {300, 100}), a->m_Settings[6] = 2;
         },
         [](c_MyApp* a) {
             SmallGames(a, {200, 100}, {200, 100}), a->m_Settings[7] = 3, a->m_Scores[20] = 9;
         },
         [](c_MyApp* a) {
             SmallGames(a, {300, 200, 100}, {300, 200, 100}),
                 a->m_Settings[6] = 2, a->m_Settings[7] = 3, a->m_Scores[20] = 9;
         },
         1},
        {"best ten of both, a tie kept twice", none,
         [&](c_MyApp* a) {
             SmallGames(a, {150}, {150, 0});
         },
         [&](c_MyApp* a) {
             SmallGames(a, tens, {25, 150});
         },
         [&](c_MyApp* a) {
             SmallGames(a, {1000, 900, 800, 700, 600, 500, 400, 300, 200, 150}, {150, 25, 150});
         },
         1},
        // Games are counted, not told by their values: a game that scores what the table
        // already holds is still a new game.
        {"ten 25s: the other filed 0, this copy 25",
         [](c_MyApp* a) { SmallGames(a, std::vector<int>(10, 25), std::vector<int>(10, 25)); },
         none,
         [](c_MyApp* a) {
             SmallGames(a, {}, {0, 25});
         },
         [](c_MyApp* a) {
             SmallGames(a, {}, {25, 0, 25});
         },
         1},
        {"a fresh folder: this copy's 0 after the other's 25", none, none,
         [](c_MyApp* a) { SmallGames(a, {25}, {25}); },
         [](c_MyApp* a) {
             SmallGames(a, {25}, {0, 25});
         },
         1},
        {"the same setting: this copy's; badges joined",
         [](c_MyApp* a) { a->m_Settings[6] = 1, a->m_BadgeGot[3] = true; },
         [](c_MyApp* a) { a->m_Settings[6] = 3, a->m_BadgeGot[3] = a->m_BadgeGot[40] = true; },
         [](c_MyApp* a) { a->m_Settings[6] = 2, a->m_BadgeGot[3] = a->m_BadgeGot[200] = true; },
         [](c_MyApp* a) {
             a->m_Settings[6] = 3, a->m_BadgeGot[3] = a->m_BadgeGot[40] = a->m_BadgeGot[200] = true;
         }},
        {"nothing new here: the file as it is", none, none,
         [&](c_MyApp* a) { SmallGames(a, tens, tens); },
         [&](c_MyApp* a) { SmallGames(a, tens, tens); }},
    };
    app->p_InstallStateMerge();
    for (const MergeCase& c : cases) {
        QoStateVersion base{text({c.base}).ToUtf8(), "3 0 0"},
            mine{text({c.base, c.mine}).ToUtf8(), std::to_string(3 + c.filed) + " 0 0"};
        std::string file = text({c.base, c.file}).ToUtf8();
        EXPECT_EQ(qoStateMerge(base, mine, file), text({c.base, c.merged}).ToUtf8()) << c.name;
        EXPECT_EQ(qoStateMerge(base, mine, base.bytes), mine.bytes)
            << c.name << ": an unchanged file";
    }
}

// A save finds the file changed by another copy since this one loaded it: the merge is
// written and this copy's menu shows the other's scores. A lone copy writes its own
// string byte for byte, as before.
TEST_F(SavedState, SavesMergeWithAnotherCopyAndALoneCopySavesItsOwnBytes) {
    KnownTables();
    app->p_Save();
    EXPECT_EQ(StateFile(), kKnownState);
    app->m_Scores[65] = 0;  // the never-read tail is not merged
    Load();
    app->m_LevelSize = 1;
    app->m_Score = 450;
    app->p_LoadMenu();
    std::vector<std::string> fields = Fields(StateFile());
    EXPECT_EQ(fields[35 + 2], "450");

    std::vector<std::string> other = fields;  // the other copy filed 475 in Small
    other[35 + 2] = "475", other[35 + 4] = "450", other[35 + 6] = "400", other[35 + 8] = "300";
    other[36] = "475", other[38] = "450", other[40] = "300", other[42] = "500", other[44] = "400";
    other[35 + 20] = std::to_string(475 * 5 + 450 * 6 + 400 * 7 + 300 * 8 + 500 * 4 + 475 * 3 +
                                    450 * 4 + 300 * 5 + 500 * 6 + 400 * 7);
    WriteState(Join(other));
    app->m_Score = 600;
    app->p_LoadMenu();
    qoWaitForSaves();
    app->p_SaveNews(0);  // a later update's news
    EXPECT_EQ(std::vector<int>(&app->m_Scores[0], &app->m_Scores[0] + 6),
              (std::vector<int>{600, 500, 475, 450, 400, 300}));
    EXPECT_EQ(std::vector<int>(&app->m_Scores[30], &app->m_Scores[30] + 6),
              (std::vector<int>{600, 475, 450, 300, 500, 400}));
    std::string merged = StateFile();
    app->p_Save();
    EXPECT_EQ(StateFile(), merged) << "the merge is this copy's state";
}

// Before a damaged or cut-off file is first written over, its bytes are kept beside it,
// every damage in a copy of its own (the same bytes once), and a line names the copy in
// full and says what was reset. A copy that loaded the damage saves what it loaded; one
// that was running when its file was damaged saves its own tables whole.
TEST_F(SavedState, DamagedFilesAreKeptBeforeTheFirstSaveOverThem) {
    KnownTables();
    app->m_Scores[65] = 0;  // no load reads it back
    app->p_Save();
    const std::string whole = StateFile();
    std::string edited = whole;
    edited[edited.find("|500|300|") + 1] = '6';
    const struct {
        std::string bytes;
        bool loaded;
        const char* copy;  // "" when the bytes are kept already
        std::string parts;
    } cases[] = {
        {edited, true, ".kavorostate.damaged", "(Small highscores reset)"},
        {whole.substr(0, 210), true, ".kavorostate.damaged.1",
         "(cut short; Large highscores reset)"},
        {edited, false, "", ""},
        {whole.substr(0, 150), false, ".kavorostate.damaged.2",
         "(cut short; Medium highscores, Large highscores reset)"},
        {whole + "7|", false, ".kavorostate.damaged.3",
         "(extra bytes after the end; nothing that is read was lost)"},
    };
    for (const auto& c : cases) {
        WriteState(c.loaded ? c.bytes : whole);
        Load();
        WriteState(c.bytes);
        testing::internal::CaptureStderr();
        app->p_Save();
        qoWaitForSaves();
        std::string err = testing::internal::GetCapturedStderr();
        auto here = std::filesystem::current_path();  // as the host spells it
        std::string copy = (here / c.copy).string(),
                    said = "[state] " + (here / ".kavorostate").string();
        EXPECT_EQ(err, *c.copy ? said + " was damaged " + c.parts + "; its old bytes are kept in " +
                                     copy + "\n"
                               : "");
        std::ifstream in(*c.copy ? copy : "/dev/null", std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), *c.copy ? c.bytes : "")
            << c.copy;
        EXPECT_EQ(Fields(StateFile()).size(), 203u);
        if (!c.loaded) {
            EXPECT_EQ(StateFile(), app->p_StateString().ToUtf8()) << c.parts;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(".kavorostate.damaged.4"));
}

// A merge that lands after this copy changed more (the save waited on another copy's
// lock) keeps those changes, and the next save writes them; the games this copy filed are
// counted, whatever their values: its 0 after the other copy's 25 stays its newest game.
TEST_F(SavedState, AMergeLandingLateKeepsWhatChangedMeanwhile) {
    Load();
    SmallGames(app, {25}, {25});
    std::string other = app->p_StateString().ToUtf8();
    ClearTables();
    WriteState(other);
    std::promise<void> locked, release;
    std::thread holder([&] {
        qoTryLocked("./.kavorostate.lock", [&] {
            locked.set_value();
            release.get_future().wait();
        });
    });
    locked.get_future().wait();
    app->m_LevelSize = 1;
    app->m_Score = 0;
    app->p_LoadMenu();
    app->m_Settings[7] = 2;  // the music stepped in the options meanwhile
    release.set_value();
    holder.join();
    qoWaitForSaves();
    app->p_SaveNews(0);
    EXPECT_EQ(app->m_Settings[7], 2);
    EXPECT_EQ(std::vector<int>(&app->m_Scores[0], &app->m_Scores[0] + 3),
              (std::vector<int>{25, 0, 0}));
    EXPECT_EQ(std::vector<int>(&app->m_Scores[30], &app->m_Scores[30] + 3),
              (std::vector<int>{0, 25, 0}));
    app->p_Save();
    std::vector<std::string> fields = Fields(StateFile());
    EXPECT_EQ(fields[7], "2");
    EXPECT_EQ(fields[36] + " " + fields[38], "0 25");
}

// A failed save shows a notice once a run, drawn as the badge notices are, that says what
// was not saved; one that loses nothing shows none.
TEST_F(SavedState, AFailedSaveShowsANoticeOnceARun) {
    UseFontMetrics();
    Edit settings = [](c_MyApp* a) { a->m_Settings[6] = 3; };
    Edit scores = [](c_MyApp* a) { a->m_Scores[30] = 40; };
    const std::pair<Edit, const char*> cases[] = {
        {[](c_MyApp*) {}, ""},
        {settings, "Settingscouldnotbesaved"},
        {scores, "Highscorescouldnotbesaved"},
        {[&](c_MyApp* a) { settings(a), scores(a); }, "Settingsandhighscoresnotsaved"},
    };
    for (const auto& [edit, glyphs] : cases) {
        ClearTables();
        Load();
        app->m_SaveNoticeShown = app->m_SaveNoticeTimer = 0;
        edit(app);
        qoFileOps.write = [](int, const void*, size_t) -> ssize_t { return errno = ENOSPC, -1; };
        testing::internal::CaptureStderr();
        app->p_Save();
        qoWaitForSaves();
        app->p_SaveNews(0);
        qoFileOps = qoRealFileOps();
        EXPECT_NE(testing::internal::GetCapturedStderr().find("No space left on device"),
                  std::string::npos);
        for (int update = 1; update <= 30; ++update) {
            app->m_DrawCount = 0;
            app->p_ShowBadges();
        }
        EXPECT_EQ(Glyphs(), glyphs);
        if (*glyphs) {
            EXPECT_FLOAT_EQ(Record(0)[1], 0);  // slid fully in
            EXPECT_EQ(Record(0)[2], 480 - 34 * 14);
        }
    }
    for (int update = 31; update <= 480; ++update) app->p_ShowBadges();
    qoFileOps.open = [](const char*, int, mode_t) { return errno = EROFS, -1; };
    testing::internal::CaptureStderr();
    app->m_Scores[31] = 50;
    app->p_Save();
    qoWaitForSaves();
    app->p_SaveNews(0);
    testing::internal::GetCapturedStderr();
    qoFileOps = qoRealFileOps();
    app->m_DrawCount = 0;
    for (int update = 1; update <= 30; ++update) app->p_ShowBadges();
    EXPECT_EQ(Records(), 0) << "once a run";
}

}  // namespace
