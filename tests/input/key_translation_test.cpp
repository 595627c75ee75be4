// GLFW's keys on their way into the host: translation by key identity, characters
// synthesised from editing keys, repeats, and the keys the runtime ignores.
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include "input/key_codes.h"
#include "runtime/host/glfw_keys.h"
#include "tests/host/fake_host.h"

namespace {

using Events = std::vector<std::pair<int, int>>;

TEST(TransGlfwKey, DigitsAndLettersKeepTheirCodes) {
    EXPECT_EQ(qoTransGlfwKey(GLFW_KEY_0), 48);
    EXPECT_EQ(qoTransGlfwKey(GLFW_KEY_9), 57);
    EXPECT_EQ(qoTransGlfwKey(GLFW_KEY_A), 65);
    EXPECT_EQ(qoTransGlfwKey(GLFW_KEY_Z), 90);
}

TEST(TransGlfwKey, ShiftedPunctuationSharesItsKeysCode) {
    EXPECT_EQ(qoTransGlfwKey(GLFW_KEY_APOSTROPHE), 222);
    EXPECT_EQ(qoTransGlfwKey(GLFW_KEY_GRAVE_ACCENT), 192);
    EXPECT_EQ(qoTransGlfwKey(GLFW_KEY_RIGHT_SHIFT), qoTransGlfwKey(GLFW_KEY_LEFT_SHIFT));
    EXPECT_EQ(qoTransGlfwKey(GLFW_KEY_KP_9), 105);
    EXPECT_EQ(qoTransGlfwKey(GLFW_KEY_F12), 123);
}

TEST(TransGlfwKey, AltLocksHighFunctionKeysAndKeypadEnterAreIgnored) {
    for (int key : {GLFW_KEY_LEFT_ALT, GLFW_KEY_RIGHT_ALT, GLFW_KEY_LEFT_SUPER, GLFW_KEY_CAPS_LOCK,
                    GLFW_KEY_F13, GLFW_KEY_F25, GLFW_KEY_KP_ENTER, GLFW_KEY_KP_EQUAL,
                    GLFW_KEY_PAUSE, GLFW_KEY_MENU, GLFW_KEY_WORLD_1, GLFW_KEY_UNKNOWN}) {
        EXPECT_EQ(qoTransGlfwKey(key), 0) << key;
    }
}

class HostKeys : public ::testing::Test {
protected:
    ScriptedHost host;
    CountingDelegate* game = new CountingDelegate;
    void SetUp() override {
        host.SetDelegate(game);
        host.StartGame();
    }
};

TEST_F(HostKeys, DeleteQueuesCharacter127AndLeftQueues65573) {
    host.OnKey(GLFW_KEY_DELETE, GLFW_PRESS);
    host.OnKey(GLFW_KEY_LEFT, GLFW_PRESS);
    EXPECT_EQ(game->keys, (Events{{1, 46}, {3, 127}, {1, 37}, {3, 65573}}));
}

TEST_F(HostKeys, LettersGetTheirCharacterOnlyFromTheCharacterCallback) {
    host.OnKey(GLFW_KEY_A, GLFW_PRESS);
    host.OnChar('a');
    host.OnKey(GLFW_KEY_A, GLFW_RELEASE);
    EXPECT_EQ(game->keys, (Events{{1, 65}, {3, 'a'}, {2, 65}}));
}

TEST_F(HostKeys, RepeatCountsAsAPressAndRepeatsTheCharacter) {
    host.OnKey(GLFW_KEY_BACKSPACE, GLFW_PRESS);
    host.OnKey(GLFW_KEY_BACKSPACE, GLFW_REPEAT);
    EXPECT_EQ(game->keys, (Events{{1, 8}, {3, 8}, {1, 8}, {3, 8}}));
}

TEST_F(HostKeys, UntranslatedKeysSendNothing) {
    host.OnKey(GLFW_KEY_LEFT_ALT, GLFW_PRESS);
    host.OnKey(GLFW_KEY_F13, GLFW_PRESS);
    EXPECT_TRUE(game->keys.empty());
}

TEST_F(HostKeys, CloseButtonSendsCloseKeyDownThenUp) {
    host.OnWindowClose();
    EXPECT_EQ(game->keys, (Events{{1, keys::kClose}, {2, keys::kClose}}));
}

}  // namespace
