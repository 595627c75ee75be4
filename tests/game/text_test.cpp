// The game's text as draw-list records: glyph frames, kerning, alignment, line breaks,
// rotation, escape glyphs by input method and clock; and the right-aligned numbers.
#include "tests/game/game_fixture.h"

namespace {

class Text : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        UseFontMetrics(7, 10);
        app->p_CLS2D(kOmitted, 0, 0, 0);
    }
    void Draw(const char* utf8, float x = 100, float y = 50, float alignX = 0, float alignY = 1) {
        app->p_Text(x, y, String::FromUtf8(utf8), alignX, alignY, 0);
    }
    // Frame of a glyph record.
    int Frame(int i) const { return static_cast<int>(Record(i)[6]); }
};

TEST_F(Text, GlyphsAreFramesOfTheFontSlotAfterTheLeadingSpace) {
    Draw("AB");
    ASSERT_EQ(Records(), 2);
    EXPECT_EQ(Record(0)[0], 90);
    EXPECT_EQ(Frame(0), 'A' - 32);
    EXPECT_EQ(Frame(1), 'B' - 32);
    EXPECT_FLOAT_EQ(Record(0)[1], 107);
    EXPECT_FLOAT_EQ(Record(1)[1], 114);
    EXPECT_FLOAT_EQ(Record(0)[2], 50);
}

TEST_F(Text, LineBreakPutsTheNextCharacterOneLineBelowTheFirst) {
    Draw("ab\\nc", 100, 50, 0, 0);
    ASSERT_EQ(Records(), 3);
    EXPECT_EQ(Frame(2), 'c' - 32);
    EXPECT_FLOAT_EQ(Record(2)[1], Record(0)[1]);
    EXPECT_FLOAT_EQ(Record(2)[2], Record(0)[2] + 10);
    EXPECT_FLOAT_EQ(Record(0)[2], 55);  // alignY 0: half a line below y
}

TEST_F(Text, SecondLineBreakGoesTwoLinesDown) {
    Draw("a\\nb\\nc", 0, 0, 0, 1);
    ASSERT_EQ(Records(), 3);
    EXPECT_FLOAT_EQ(Record(2)[2], 20);
    EXPECT_FLOAT_EQ(Record(2)[1], 7);
}

TEST_F(Text, CentringOneCharacterMeasuresOnlyTheLeadingSpace) {
    Draw("A", 100, 50, 1, 1);
    ASSERT_EQ(Records(), 1);
    EXPECT_FLOAT_EQ(Record(0)[1], 103.5f);
}

TEST_F(Text, RightAlignmentEndsTheLastGlyphAtX) {
    Draw("AB", 100, 50, 2, 1);
    EXPECT_FLOAT_EQ(Record(1)[1], 100);
}

TEST_F(Text, VerticalAlignmentMovesHalfALinePerStep) {
    Draw("A", 0, 50, 0, 2);
    EXPECT_FLOAT_EQ(Record(0)[2], 45);
}

TEST_F(Text, LowerCaseWAdvancesTwoMore) {
    Draw("wa");
    EXPECT_FLOAT_EQ(Record(1)[1] - Record(0)[1], 9);
}

TEST_F(Text, LowerCaseIAdvancesThreeLess) {
    Draw("ia");
    EXPECT_FLOAT_EQ(Record(1)[1] - Record(0)[1], 4);
}

TEST_F(Text, UpperCaseWAdvancesOneMore) {
    Draw("Wa");
    EXPECT_FLOAT_EQ(Record(1)[1] - Record(0)[1], 8);
}

TEST_F(Text, KernedWidthCentresByTheKernedAdvances) {
    // Width = space + "w" = 7 + 9; the glyph after the leading space sits at x - 8 + 7.
    Draw("wi", 100, 50, 1, 1);
    EXPECT_FLOAT_EQ(Record(0)[1], 99);
}

TEST_F(Text, SizeScalesTheAdvanceAndTheLineHeight) {
    app->p_SetSize(2, 3);
    Draw("a\\nb", 0, 0, 0, 1);
    EXPECT_FLOAT_EQ(Record(0)[1], 14);
    EXPECT_FLOAT_EQ(Record(1)[2], 30);
    EXPECT_EQ(Record(0)[4], 2);
    EXPECT_EQ(Record(0)[5], 3);
}

TEST_F(Text, RotationByNinetyRunsTheTextDownTheScreen) {
    app->p_SetRot(90);
    Draw("ab", 100, 50, 0, 1);
    ASSERT_EQ(Records(), 2);
    EXPECT_NEAR(Record(1)[1], Record(0)[1], 1e-4);
    EXPECT_NEAR(Record(1)[2] - Record(0)[2], 7, 1e-4);
    EXPECT_EQ(Record(0)[3], -90);
}

TEST_F(Text, SpacesDrawNothingButAdvance) {
    Draw("   ");
    EXPECT_EQ(Records(), 0);
    Draw("  a");
    EXPECT_FLOAT_EQ(Record(0)[1], 121);
}

TEST_F(Text, ControlCharactersAndCodesAboveTheFontAdvanceWithoutDrawing) {
    const Char text[] = {'a', 9, 200, 'b'};
    app->p_Text(100, 50, String(text, 4), 0, 1, 0);
    ASSERT_EQ(Records(), 2);
    EXPECT_FLOAT_EQ(Record(1)[1] - Record(0)[1], 21);
}

TEST_F(Text, CharacterZeroNeitherDrawsNorAdvances) {
    const Char text[] = {'a', 0, 'b'};
    app->p_Text(100, 50, String(text, 3), 0, 1, 0);
    ASSERT_EQ(Records(), 2);
    EXPECT_FLOAT_EQ(Record(1)[1] - Record(0)[1], 7);
}

TEST_F(Text, SlotOffsetChoosesTheImageButNotTheMetrics) {
    app->p_Text(0, 0, String("a"), 0, 1, 2);
    EXPECT_EQ(Record(0)[0], 92);
}

TEST_F(Text, EscapeGlyphOnKeyboardUsesTheKeyboardRow) {
    app->m_InputMethod = 0;
    Draw("¬J¬Q¬X");
    ASSERT_EQ(Records(), 3);
    EXPECT_EQ(Frame(0), 112);
    EXPECT_EQ(Frame(1), 118);
    EXPECT_EQ(Frame(2), 'X' + 16);
}

TEST_F(Text, EscapeGlyphOnTouchUsesTheNormalFrame) {
    app->m_InputMethod = 2;
    host->clock.now = 1000.1;  // inside the blink window, which only joysticks use
    Draw("¬J¬U¬W");
    EXPECT_EQ(Frame(0), 96);
    EXPECT_EQ(Frame(1), 100);
    EXPECT_EQ(Frame(2), 105);
}

TEST_F(Text, EscapeGlyphOnJoystickBlinksToItsAlternate) {
    app->m_InputMethod = 1;
    host->clock.now = 1000.1;  // 1,000,100 ms: 100 into the 500 ms cycle
    Draw("¬J¬U¬W¬Q");
    EXPECT_EQ(Frame(0), 109);
    EXPECT_EQ(Frame(1), 110);
    EXPECT_EQ(Frame(2), 104);
    EXPECT_EQ(Frame(3), 102);  // no alternate
}

TEST_F(Text, EscapeGlyphOnJoystickOutsideTheBlinkShowsTheNormalFrame) {
    app->m_InputMethod = 1;
    host->clock.now = 1000.3;
    Draw("¬J¬U");
    EXPECT_EQ(Frame(0), 96);
    EXPECT_EQ(Frame(1), 100);
}

TEST_F(Text, EscapeGlyphAdvancesByItsOwnKern) {
    app->m_InputMethod = 2;
    Draw("¬Ua¬Ja");
    ASSERT_EQ(Records(), 4);
    EXPECT_FLOAT_EQ(Record(1)[1] - Record(0)[1], 13);
    EXPECT_FLOAT_EQ(Record(3)[1] - Record(2)[1], 11);
}

TEST_F(Text, EscapePairCountsAsOneCharacterWhenMeasured) {
    app->m_InputMethod = 2;
    // Width = space + escape (7 + 2) = 16, so right alignment starts at x - 16 + 7.
    Draw("¬Ja", 100, 50, 2, 1);
    EXPECT_FLOAT_EQ(Record(0)[1], 91);
}

TEST_F(Text, RstrKeepsTheLastDigits) {
    EXPECT_EQ(app->p_rstr(987, 2, String("0")).ToUtf8(), "87");
}

TEST_F(Text, RstrPadsOnTheLeft) {
    EXPECT_EQ(app->p_rstr(7, 3, String("0")).ToUtf8(), "007");
    EXPECT_EQ(app->p_rstr(1234, 11, String(" ")).ToUtf8(), "       1234");
    EXPECT_EQ(app->p_rstr(5, 8, String("0")).ToUtf8(), "00000005");
}

TEST_F(Text, RstrOfNoWidthIsEmpty) {
    EXPECT_EQ(app->p_rstr(5, 0, String("0")).ToUtf8(), "");
    EXPECT_EQ(app->p_rstr(5, -3, String("0")).ToUtf8(), "");
}

}  // namespace
