#include "net/url.h"

#include <gtest/gtest.h>

namespace {

c_Url* Parse(const char* text) {
    return (new c_Url)->m_new(String(text), String("http"), 80);
}

}  // namespace

TEST(Url, FullUrlSplitsIntoEveryPart) {
    c_Url* url = Parse("http://u:p@d:8080/a/b?x=1#top");
    EXPECT_EQ(url->m__scheme, String("http"));
    EXPECT_EQ(url->m__username, String("u"));
    EXPECT_EQ(url->m__password, String("p"));
    EXPECT_EQ(url->p_Domain(), String("d"));
    EXPECT_EQ(url->p_Port(), 8080);
    EXPECT_EQ(url->m__path, String("/a/b"));
    EXPECT_EQ(url->m__query, String("x=1"));
    EXPECT_EQ(url->m__fragment, String("top"));
    EXPECT_EQ(url->p_FullPath(), String("/a/b?x=1#top"));
}

TEST(Url, QuestionMarkAfterTheHashBelongsToTheFragment) {
    c_Url* url = Parse("d/x#frag?y");
    EXPECT_EQ(url->m__query, String());
    EXPECT_EQ(url->m__path, String("/x"));
    EXPECT_EQ(url->m__fragment, String("frag?y"));
    EXPECT_EQ(url->p_FullPath(), String("/x#frag?y"));
}

TEST(Url, NonNumericPortIsZeroAndBareDomainTakesTheDefaults) {
    c_Url* odd = Parse("d:abc/");
    EXPECT_EQ(odd->p_Domain(), String("d"));
    EXPECT_EQ(odd->p_Port(), 0);
    EXPECT_EQ(odd->m__path, String("/"));

    c_Url* bare = Parse("d");
    EXPECT_EQ(bare->m__scheme, String("http"));
    EXPECT_EQ(bare->p_Domain(), String("d"));
    EXPECT_EQ(bare->p_Port(), 80);
    EXPECT_EQ(bare->m__path, String("/"));
    EXPECT_EQ(bare->p_FullPath(), String("/"));
}

TEST(Url, PortWithoutPathRunsToTheQuery) {
    c_Url* url = Parse("ftp://host:21?q#f");
    EXPECT_EQ(url->m__scheme, String("ftp"));
    EXPECT_EQ(url->p_Domain(), String("host"));
    EXPECT_EQ(url->p_Port(), 21);
    EXPECT_EQ(url->p_FullPath(), String("/?q#f"));
}

TEST(Url, SeparatorsInTheQueryDoNotSplitTheAddress) {
    // "://", "@" and ":" after the "?" are part of the query.
    c_Url* url = Parse("d/p?u=http://x:1@y");
    EXPECT_EQ(url->m__scheme, String("http"));
    EXPECT_EQ(url->m__username, String());
    EXPECT_EQ(url->p_Domain(), String("d"));
    EXPECT_EQ(url->p_Port(), 80);
    EXPECT_EQ(url->m__query, String("u=http://x:1@y"));
}

TEST(Url, UserWithoutPasswordAndColonInThePath) {
    c_Url* url = Parse("u@d/a:b");
    EXPECT_EQ(url->m__username, String("u"));
    EXPECT_EQ(url->m__password, String());
    EXPECT_EQ(url->p_Domain(), String("d"));
    EXPECT_EQ(url->p_Port(), 80);
    EXPECT_EQ(url->m__path, String("/a:b"));
}

TEST(Url, SettingAgainResetsEveryPart) {
    c_Url* url = Parse("https://u:p@d:1/a?b#c");
    url->p_Set2(String("e"));
    EXPECT_EQ(url->m__url, String("e"));
    EXPECT_EQ(url->m__scheme, String("http"));
    EXPECT_EQ(url->m__username, String());
    EXPECT_EQ(url->m__password, String());
    EXPECT_EQ(url->p_Port(), 80);
    EXPECT_EQ(url->p_FullPath(), String("/"));
}

TEST(Url, PortUsesOnlyTheFirstSixtyThreeCharacters) {
    String zeros;
    for (int i = 0; i < 61; ++i) zeros = zeros + String("0");
    // 61 zeros and "12" are 63 characters; one more digit falls outside.
    EXPECT_EQ((new c_Url)->m_new(String("d:") + zeros + String("12"), String("http"), 80)->p_Port(),
              12);
    EXPECT_EQ(
        (new c_Url)->m_new(String("d:") + zeros + String("123"), String("http"), 80)->p_Port(), 12);
}
