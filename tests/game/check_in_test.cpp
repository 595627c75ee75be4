// The start-up check-in against a server of the test's own on 127.0.0.1: the request
// it sends, what a reply with and without a body leaves behind, replies to other
// requests, and that the configuration as built opens no socket at all.
#include <filesystem>
#include <string>

#include "net/async_event.h"
#include "tests/game/game_fixture.h"
#include "tests/net/net_test_support.h"

namespace {

class CheckIn : public GameTest {
protected:
    void TearDown() override {
        // Let the request's socket operations finish before the next test.
        if (app->m_HttpRequest && app->m_HttpRequest->m__sock) {
            c_Socket* s = app->m_HttpRequest->m__sock;
            EXPECT_TRUE(
                PollUntil([s] { return s->m__rthread->p_Idle() && s->m__wthread->p_Idle(); }));
        }
        GameTest::TearDown();
    }

    static int Sources() { return qo_asyncevent__sources ? qo_asyncevent__sources->m_length : 0; }

    // Starts the game with the check-in allowed and pointed at `port`, and pumps the
    // events until the reply is in.
    std::string CheckInAgainst(int port) {
        qo_Game_J_On_Allow = 1;
        qo_Game_CheckInUrl =
            String(("http://127.0.0.1:" + std::to_string(port) + "/housecall.php").c_str());
        testing::internal::CaptureStdout();
        app->p_OnCreate();
        EXPECT_EQ(app->m_HttpDone, 0);
        EXPECT_TRUE(app->m_HttpText == String("N/A"));
        EXPECT_TRUE(PollUntil([this] { return app->m_HttpDone == 1; }));
        return testing::internal::GetCapturedStdout();
    }
};

TEST_F(CheckIn, ReplyWithABodySetsDoneAndAble) {
    std::string request;
    LoopbackServer server([&](int fd) {
        request = LoopbackServer::ReadRequest(fd, nullptr);
        LoopbackServer::SendAll(fd, "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nwelcome");
    });
    std::string printed = CheckInAgainst(server.port());
    EXPECT_EQ(request.rfind("GET /housecall.php?hello=1&gameID=" + std::to_string(qo_Game_GameNum) +
                                " HTTP/1.0\r\n",
                            0),
              0u)
        << request;
    EXPECT_EQ(app->m_HttpDone, 1);
    EXPECT_EQ(app->m_HttpText.ToUtf8(), "welcome");
    EXPECT_EQ(qo_Game_J_On_Able, 1);
    EXPECT_NE(printed.find("Requesting URL\n"), std::string::npos) << printed;
    EXPECT_NE(printed.find("Http GET complete! 200\n"), std::string::npos) << printed;
}

TEST_F(CheckIn, EmptyBodySetsDoneButNotAble) {
    LoopbackServer server([&](int fd) {
        LoopbackServer::ReadRequest(fd, nullptr);
        LoopbackServer::SendAll(fd, "HTTP/1.0 204 No Content\r\n\r\n");
    });
    std::string printed = CheckInAgainst(server.port());
    EXPECT_EQ(app->m_HttpDone, 1);
    EXPECT_EQ(app->m_HttpText.Length(), 0);
    EXPECT_EQ(qo_Game_J_On_Able, 0);
    EXPECT_NE(printed.find("Http GET complete! 204\n"), std::string::npos) << printed;
}

TEST_F(CheckIn, RefusedConnectionLeavesAbleAtZero) {
    std::string printed = CheckInAgainst(RefusingPort());
    EXPECT_EQ(qo_Game_J_On_Able, 0);
    EXPECT_EQ(app->m_HttpText.Length(), 0);
}

TEST_F(CheckIn, AReplyToAnotherRequestIsIgnored) {
    app->m_HttpText = String("N/A");
    c_HttpRequest* other = (new c_HttpRequest)->m_new();
    other->m__responseText = String("not ours");
    app->p_OnHttpRequestComplete(other);
    EXPECT_EQ(app->m_HttpDone, 0);
    EXPECT_TRUE(app->m_HttpText == String("N/A"));
    EXPECT_EQ(qo_Game_J_On_Able, 0);
}

TEST_F(CheckIn, ConfigurationAsBuiltOpensNoSocket) {
    EXPECT_EQ(qo_Game_J_On_Allow, 0);
    // A server that would notice any connection attempt, should the address point here.
    PassiveListener listener;
    qo_Game_CheckInUrl =
        String(("http://127.0.0.1:" + std::to_string(listener.port()) + "/housecall.php").c_str());
    int before = Sources();
    app->p_OnCreate();
    PollFor(100);
    EXPECT_EQ(app->m_HttpRequest, nullptr);
    EXPECT_EQ(Sources(), before);
    EXPECT_FALSE(listener.HasPendingConnection());
    EXPECT_TRUE(app->m_HttpText == String("N/A"));
}

TEST_F(CheckIn, DefaultAddressReachesNoRealHost) {
    std::string url = qo_Game_CheckInUrl.ToUtf8();
    EXPECT_NE(url.find(".invalid/housecall.php"), std::string::npos) << url;
}

}  // namespace
