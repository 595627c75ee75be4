#include "net/http_request.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "tests/net/net_test_support.h"

namespace {

struct Completion : Object, c_IOnHttpRequestComplete {
    int calls = 0;
    c_HttpRequest* last = nullptr;
    int p_OnHttpRequestComplete(c_HttpRequest* request) override {
        ++calls;
        last = request;
        return 0;
    }
};

Object* g_request = nullptr;
Object* g_completion = nullptr;
GC_ROOT(g_request);
GC_ROOT(g_completion);

std::string Utf8(const String& s) {
    return s.ToUtf8();
}

class HttpRequest : public ::testing::Test {
protected:
    Completion* done = nullptr;
    c_HttpRequest* request = nullptr;

    void SetUp() override { Renew(); }
    void TearDown() override {
        Renew();
        gc_assign(g_request, static_cast<Object*>(nullptr));
        gc_assign(g_completion, static_cast<Object*>(nullptr));
    }

    // Leaves no worker of the last request behind and starts counting callbacks afresh.
    void Renew() {
        if (request && request->m__sock) {
            c_Socket* s = request->m__sock;
            EXPECT_TRUE(
                PollUntil([s] { return s->m__rthread->p_Idle() && s->m__wthread->p_Idle(); }));
        }
        request = nullptr;
        done = new Completion;
        gc_assign(g_completion, static_cast<Object*>(done));
    }

    c_HttpRequest* Open(const char* method, const std::string& url) {
        request = (new c_HttpRequest)->m_new2(String(method), String(url.c_str()), done);
        gc_assign(g_request, static_cast<Object*>(request));
        return request;
    }

    // Waits for the callback, then polls on to be sure it never comes twice.
    void Finish() {
        ASSERT_TRUE(PollUntil([this] { return done->calls > 0; }));
        PollFor(30);
        EXPECT_EQ(done->calls, 1);
        EXPECT_EQ(done->last, request);
    }

    void ExpectFailed() {
        EXPECT_EQ(request->p_Status(), -1);
        EXPECT_EQ(request->p_ResponseText(), String());
    }
};

std::string Local(int port, const std::string& path) {
    return "http://127.0.0.1:" + std::to_string(port) + path;
}

// Peers that never answer, and that stop sending in the middle of the body.
const char kSilent[] = "read_head(s); wait_close(s)";
const char kStopsInTheBody[] =
    R"(read_head(s); s.sendall(b'HTTP/1.0 200 OK\r\n\r\npart'); wait_close(s))";

}  // namespace

TEST_F(HttpRequest, OpenBuildsTheRequestLineAndHostWithoutThePort) {
    Open("GET", "http://example.test:8080/a?b=1#c");
    ASSERT_EQ(request->m__header->p_Length2(), 2);
    EXPECT_EQ(request->m__header->p_Get(0), String("GET /a?b=1#c HTTP/1.0"));
    EXPECT_EQ(request->m__header->p_Get(1), String("Host: example.test"));
    EXPECT_EQ(request->m__hbuf->length, 4096);
    EXPECT_EQ(request->m__rbuf->length, 16384);
    EXPECT_EQ(request->p_Status(), -1);
    request = nullptr;  // never sent
}

TEST_F(HttpRequest, StatusLineHttp11WithOneMoreHeadLineGivesStatusAndBody) {
    std::string head;
    LoopbackServer server([&head](int fd) {
        head = LoopbackServer::ReadRequest(fd, nullptr);
        LoopbackServer::SendAll(fd, "HTTP/1.1 200 OK\r\nServer: t\r\n\r\nhello");
    });
    Open("GET", Local(server.port(), "/x?y=1"))->p_Send();
    Finish();
    EXPECT_EQ(request->p_Status(), 200);
    EXPECT_EQ(request->p_ResponseText(), String("hello"));
    EXPECT_EQ(request->m__rbytes, 5);
    EXPECT_EQ(head, "GET /x?y=1 HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
    // The response head lines are kept, uninterpreted.
    ASSERT_EQ(request->m__header->p_Length2(), 2);
    EXPECT_EQ(request->m__header->p_Get(1), String("Server: t"));
}

TEST_F(HttpRequest, GetFromPythonHttpServerGivesStatus200AndTheFile) {
    std::string dir = ::testing::TempDir() + "/net_http_" + std::to_string(getpid());
    ASSERT_EQ(system(("mkdir -p '" + dir + "'").c_str()), 0);
    FILE* f = std::fopen((dir + "/hello.txt").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("h\xC3\xA9llo from python\n", f);
    std::fclose(f);
    PythonHttpServer server(dir);
    ASSERT_TRUE(server.ok()) << "python3 -m http.server did not start";
    Open("GET", Local(server.port(), "/hello.txt"))->p_Send();
    Finish();
    EXPECT_EQ(request->p_Status(), 200);
    EXPECT_EQ(Utf8(request->p_ResponseText()), "h\xC3\xA9llo from python\n");
}

TEST_F(HttpRequest, HeadSplitAcrossManySmallPacketsIsReassembled) {
    LoopbackServer server([](int fd) {
        LoopbackServer::ReadRequest(fd, nullptr);
        std::string response =
            "HTTP/1.0 201 Created\r\nX-Long-Header: " + std::string(300, 'v') + "\r\n\r\nbody";
        for (size_t i = 0; i < response.size(); i += 3) {
            LoopbackServer::SendAll(fd, response.substr(i, 3));
            std::this_thread::sleep_for(std::chrono::microseconds(300));
        }
    });
    Open("GET", Local(server.port(), "/"))->p_Send();
    Finish();
    EXPECT_EQ(request->p_Status(), 201);
    EXPECT_EQ(request->p_ResponseText(), String("body"));
    ASSERT_EQ(request->m__header->p_Length2(), 2);
    EXPECT_EQ(request->m__header->p_Get(1).Length(), 15 + 300);
}

TEST_F(HttpRequest, OneMegabyteBodyArrivesOverManyReceives) {
    const int size = 1 << 20;
    std::string body(size, ' ');
    for (int i = 0; i < size; ++i) body[static_cast<size_t>(i)] = static_cast<char>('a' + i % 26);
    LoopbackServer server([&body](int fd) {
        LoopbackServer::ReadRequest(fd, nullptr);
        LoopbackServer::SendAll(
            fd, "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n");
        LoopbackServer::SendAll(fd, body);
    });
    Open("GET", Local(server.port(), "/big"))->p_Send();
    Finish();
    EXPECT_EQ(request->p_Status(), 200);
    EXPECT_EQ(request->m__rbytes, size);
    EXPECT_GE(request->m__response->p_Length2(), size / 16384);
    EXPECT_EQ(Utf8(request->p_ResponseText()), body);
}

TEST_F(HttpRequest, BodyWithoutContentLengthIsReadUntilClose) {
    LoopbackServer server([](int fd) {
        LoopbackServer::ReadRequest(fd, nullptr);
        LoopbackServer::SendAll(fd, "HTTP/1.0 200 OK\r\n\r\nfirst ");
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        LoopbackServer::SendAll(fd, "second");
    });
    Open("GET", Local(server.port(), "/"))->p_Send();
    Finish();
    EXPECT_EQ(request->p_Status(), 200);
    EXPECT_EQ(request->p_ResponseText(), String("first second"));
}

TEST_F(HttpRequest, ServerClosingBeforeACompleteHeadFailsOnce) {
    LoopbackServer server([](int fd) {
        LoopbackServer::ReadRequest(fd, nullptr);
        LoopbackServer::SendAll(fd, "HTTP/1.0 200 OK\r\nServer: t\r\n");
    });
    Open("GET", Local(server.port(), "/"))->p_Send();
    Finish();
    ExpectFailed();
}

TEST_F(HttpRequest, TwoPartStatusLineFailsOnce) {
    LoopbackServer server([](int fd) {
        LoopbackServer::ReadRequest(fd, nullptr);
        LoopbackServer::SendAll(fd, "HTTP/1.0 404\r\n\r\nnot found");
    });
    Open("GET", Local(server.port(), "/"))->p_Send();
    Finish();
    ExpectFailed();
}

TEST_F(HttpRequest, ResponseWithoutHttpStatusLineFailsOnce) {
    LoopbackServer server([](int fd) {
        LoopbackServer::ReadRequest(fd, nullptr);
        LoopbackServer::SendAll(fd, "\r\nSSH-2.0 x y\r\n\r\n");
    });
    Open("GET", Local(server.port(), "/"))->p_Send();
    Finish();
    ExpectFailed();
}

TEST_F(HttpRequest, RefusedConnectionFailsOnce) {
    Open("GET", Local(RefusingPort(), "/"))->p_Send();
    Finish();
    ExpectFailed();
}

TEST_F(HttpRequest, PostBodyArrivesIntactAfterTheHead) {
    std::string head, body;
    LoopbackServer server([&head, &body](int fd) {
        head = LoopbackServer::ReadRequest(fd, &body);
        LoopbackServer::SendAll(fd, "HTTP/1.0 200 OK\r\n\r\nok");
    });
    Char text[] = {'n', 'a', 'm', 'e', '=', 0xE9, 0x20AC};
    Open("POST", Local(server.port(), "/submit"))
        ->p_Send2(String(text, 7), String("text/plain"), String("utf8"));
    Finish();
    EXPECT_EQ(request->p_Status(), 200);
    EXPECT_EQ(request->p_ResponseText(), String("ok"));
    EXPECT_EQ(head,
              "POST /submit HTTP/1.0\r\nHost: 127.0.0.1\r\nContent-Type: text/plain\r\n"
              "Content-Length: 10\r\n\r\n");
    EXPECT_EQ(body, "name=\xC3\xA9\xE2\x82\xAC");
}

TEST_F(HttpRequest, HeadLongerThanTheHeadBufferIsSentWhole) {
    std::string head;
    LoopbackServer server([&head](int fd) {
        head = LoopbackServer::ReadRequest(fd, nullptr);
        LoopbackServer::SendAll(fd, "HTTP/1.0 200 OK\r\n\r\n");
    });
    std::string path = "/" + std::string(5000, 'p');
    Open("GET", Local(server.port(), path))->p_Send();
    Finish();
    EXPECT_EQ(request->p_Status(), 200);
    EXPECT_EQ(head, "GET " + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
}

TEST_F(HttpRequest, HeadLineLongerThanTheReceiveBufferEndsTheRequest) {
    LoopbackServer server([](int fd) {
        LoopbackServer::ReadRequest(fd, nullptr);
        LoopbackServer::SendAll(
            fd, "HTTP/1.0 200 OK\r\nX: " + std::string(20000, 'x') + "\r\n\r\nbody");
    });
    Open("GET", Local(server.port(), "/"))->p_Send();
    Finish();
    ExpectFailed();
}

// Each response in receives of 1, 2, 3 or 7 bytes or at once, then a close (0) or a failed
// receive (-1), which fails a body not ended by then. At most 10 body bytes and 100 head
// and trailer bytes; a null text: the request fails.
TEST_F(HttpRequest, BodyEndsAtACloseItsLengthOrItsLastChunkWhereverTheReceivesSplitIt) {
    const std::string chunked = "Transfer-Encoding: chunked\r\nContent-Length: 3\r\n\r\n";
    struct {
        std::string rest;  // after the status line
        int last;
        const char* text;
    } cases[] = {{"\r\nab", 0, "ab"},
                 {"\r\nab", -1, nullptr},
                 {"Content-Length: 5\r\n\r\nhellohello", -1, "hello"},
                 {"Content-Length: 2\r\n\r\nh\xC3\xA9", -1, "h\xC3\x83"},  // cut mid-character
                 {chunked + "5\r\nhello\r\n5;x=\"y\"\r\n worl\r\n0\r\n\r\n", -1, "hello worl"},
                 {chunked + "A \t;x\r\n0123456789\r\n0\r\nX-T: 1\r\n\r\nafter", -1, "0123456789"},
                 {chunked + "2\r\nh\xC3\r\n1\r\n\xA9\r\n0\n\n", -1, "h\xC3\xA9"},
                 {chunked + "6\r\nhello \r\n5\r\nworld\r\n0\r\n\r\n", -1, nullptr},
                 {chunked + "10000000000000001\r\nx\r\n0\r\n\r\n", -1, nullptr},
                 {chunked + "1;" + std::string(100, 'e') + "\r\nx\r\n0\r\n\r\n", -1, nullptr},
                 {chunked + "0\r\nX: " + std::string(40, 't') + "\r\n\r\n", -1, nullptr},
                 {chunked + "5\r\nhelloX\r\n0\r\n\r\n", 0, nullptr},
                 {chunked + "5\r\nhello\r\n", 0, nullptr},
                 {chunked + "0\r\n", 0, nullptr},
                 {chunked + ";x\r\n\r\n", -1, nullptr},
                 {chunked + "\r\n", 0, nullptr},
                 {chunked + "5 5\r\n", 0, nullptr},
                 {chunked + "1;a\rb\r\nx\r\n0\r\n\r\n", 0, nullptr},
                 {"Transfer-Encoding: gzip, chunked\r\n\r\n0\r\n\r\n", -1, nullptr}};
    for (auto& c : cases) {
        std::string response = "HTTP/1.0 200 OK\r\n" + c.rest;
        for (size_t size : {1, 2, 3, 7, 1000}) {
            SCOPED_TRACE(response + " in receives of " + std::to_string(size));
            Renew();
            Open("GET", "http://127.0.0.1/")->m__header->p_Clear2();
            request->m__maxBodyBytes = 10;
            request->m__maxHeadBytes = 100;
            int next = 0;
            for (size_t i = 0; i < response.size() && next >= 0; i += size) {
                std::string piece = response.substr(i, size);
                std::memcpy(request->m__rbuf->data + next, piece.data(), piece.size());
                next = request->p_TakeReceived(next, static_cast<int>(piece.size()));
            }
            if (next >= 0) request->p_TakeReceived(next, c.last);
            EXPECT_EQ(request->p_TakeReceived(0, 0), -1);  // nothing after the end calls back
            EXPECT_EQ(done->calls, 1);
            EXPECT_EQ(request->p_Status(), c.text ? 200 : -1);
            EXPECT_EQ(Utf8(request->p_ResponseText()), c.text ? c.text : "");
        }
    }
}

TEST_F(HttpRequest, UnfinishedHeadLineMovesToTheStartOfTheBuffer) {
    Open("GET", "http://127.0.0.1/");
    request->m__header->p_Clear2();
    request->m__rbuf->p_PokeString(0, String("HTTP/1.0 200 OK\r\nSer"), String("ascii"));
    EXPECT_EQ(request->p_TakeReceived(0, 20), 3);
    EXPECT_EQ(request->m__rbuf->p_PeekString(0, 3, String("ascii")), String("Ser"));
    request->m__rbuf->p_PokeString(3, String("ver: t\r\n\r\nab"), String("ascii"));
    EXPECT_EQ(request->p_TakeReceived(3, 12), 0);
    EXPECT_EQ(request->p_Status(), 200);
    EXPECT_EQ(request->p_TakeReceived(0, 0), -1);
    EXPECT_EQ(request->p_ResponseText(), String("ab"));
    EXPECT_EQ(done->calls, 1);
    request = nullptr;
}

TEST_F(HttpRequest, PeerThatNeverAcceptsAnswersOrFinishesFailsOnceAtTheTimeout) {
    for (const char* peer : {PythonSocketServer::kNeverAccepts, kSilent, kStopsInTheBody}) {
        SCOPED_TRACE(peer);
        Renew();
        PythonSocketServer server(peer);
        Open("GET", Local(server.port(), "/"));
        // The limits a request starts with; this test waits a fifth of a second instead.
        EXPECT_EQ(request->m__timeoutMs, 30000);
        EXPECT_EQ(request->m__maxHeadBytes, 65536);
        EXPECT_EQ(request->m__maxBodyBytes, 16777216);
        request->m__timeoutMs = 200;
        auto start = std::chrono::steady_clock::now();
        request->p_Send();
        Finish();
        ExpectFailed();
        auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - start);
        EXPECT_GE(ms.count(), 200);
        EXPECT_LT(ms.count(), 2000);
    }
}

TEST_F(HttpRequest, EndlessShortHeadLinesFailAtTheHeadLimitAndAreDropped) {
    PythonSocketServer server(
        "read_head(s); s.sendall(b'HTTP/1.0 200 OK\\r\\n')\n"
        "while True: s.sendall(b'X: y\\r\\n' * 1000)");
    Open("GET", Local(server.port(), "/"))->p_Send();
    Finish();
    ExpectFailed();
    EXPECT_EQ(request->m__header->p_Length2(), 0);
}

// A head announcing 100000 bytes, 5000 of them, then a close, or a reset (SO_LINGER 0).
TEST_F(HttpRequest, BodyCutShortOfItsContentLengthFailsWhenClosedOrReset) {
    for (std::string end : {"", "; s.setsockopt(1, 13, b'\\1' + bytes(7)); s.close()"}) {
        Renew();
        PythonSocketServer server(R"(read_head(s); s.sendall(b'HTTP/1.0 200 OK\r\n)"
                                  R"(content-length: 100000\r\n\r\n' + b'b' * 5000))" +
                                  end);
        Open("GET", Local(server.port(), "/"))->p_Send();
        Finish();
        ExpectFailed();
    }
}

// A body without a length fails on a reset (SO_LINGER 0) after some of it was read.
TEST_F(HttpRequest, ResetInABodyWithoutLengthFails) {
    PythonSocketServer server(
        R"(read_head(s); s.sendall(b'HTTP/1.0 200 OK\r\n\r\npart'); time.sleep(0.1))"
        R"(; s.setsockopt(1, 13, b'\1' + bytes(7)); s.close())");
    Open("GET", Local(server.port(), "/"))->p_Send();
    Finish();
    ExpectFailed();
}

TEST_F(HttpRequest, BodyOfTheLimitArrivesAndOneByteMoreFailsAndIsDropped) {
    for (int extra : {0, 1}) {
        Renew();
        PythonSocketServer server(
            "read_head(s); s.sendall(b'HTTP/1.0 200 OK\\r\\n\\r\\n' + b'b' * " +
            std::to_string(100000 + extra) + ")");
        Open("GET", Local(server.port(), "/"))->m__maxBodyBytes = 100000;
        request->p_Send();
        Finish();
        EXPECT_EQ(request->p_Status(), extra ? -1 : 200);
        EXPECT_EQ(request->p_ResponseText().Length(), extra ? 0 : 100000);
        EXPECT_EQ(request->m__response == nullptr, extra == 1);
    }
}

TEST_F(HttpRequest, CancelOrACloseUnderneathCompletesOnceWithMinusOneInEveryState) {
    auto connected = [this] { return request->m__sock->p_IsConnected(); };
    auto inTheBody = [this] { return request->m__response != nullptr; };
    struct {
        const char* peer;               // null: never sent
        std::function<bool()> reached;  // null: a moment of polling
        bool close;                     // close the socket under the request instead of cancelling
    } states[] = {
        {nullptr, nullptr, false},
        {PythonSocketServer::kNeverAccepts, nullptr, false},
        {kSilent, connected, false},
        {kStopsInTheBody, inTheBody, false},
        {R"(read_head(s); s.sendall(b'HTTP/1.0 200 OK\r\n\r\npart'); time.sleep(0.1); s.sendall(b'more'); wait_close(s))",
         inTheBody, true},
    };
    for (auto& state : states) {
        SCOPED_TRACE(state.peer ? state.peer : "not sent");
        Renew();
        std::unique_ptr<PythonSocketServer> server;
        if (state.peer) server = std::make_unique<PythonSocketServer>(state.peer);
        Open("GET", Local(server ? server->port() : RefusingPort(), "/"));
        if (state.peer) request->p_Send();
        if (state.reached) {
            ASSERT_TRUE(PollUntil(state.reached));
        }
        PollFor(50);
        if (state.close) {
            // The rest of the body has reached the worker by now and waits to be delivered.
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            request->m__sock->p_Close();
        } else {
            request->p_Cancel();
            EXPECT_EQ(done->calls, 1);
        }
        Finish();
        ExpectFailed();
    }
}

TEST_F(HttpRequest, ControlCharacterOrABadPortInTheUrlIsRefusedBeforeAnythingIsSent) {
    PythonSocketServer server("print(read_head(s))");
    std::vector<String> urls;
    for (int bad : {0x0D, 0x0A, 0x01, 0x7F, 0x10A}) {
        urls.push_back(String(Local(server.port(), "/a").c_str()) + String::FromChar(bad) +
                       String("X-Injected: 1"));
    }
    // Ports that would reach the server's if they wrapped round or were read up to the junk.
    for (std::string bad :
         {std::to_string(server.port() + 65536), std::to_string(server.port() + 4294967296LL),
          std::to_string(server.port()) + "x", std::string("0")})
        urls.push_back(String(("http://127.0.0.1:" + bad + "/").c_str()));
    for (const String& url : urls) {
        SCOPED_TRACE(url.ToUtf8());
        Renew();
        request = (new c_HttpRequest)->m_new2(String("GET"), url, done);
        gc_assign(g_request, static_cast<Object*>(request));
        request->p_Send();
        EXPECT_EQ(done->calls, 0);  // never from inside p_Send
        Finish();
        ExpectFailed();
    }
    EXPECT_EQ(server.Stop(), "");
}

TEST_F(HttpRequest, CharactersSplitAcrossReadsArriveWhole) {
    PythonSocketServer server(R"(read_head(s); s.sendall(b'HTTP/1.0 200 OK\r\n\r\nh\xc3')
for part in [b'\xa9llo w\xc3', b'\xb6rld \xe2', b'\x82', b'\xac']: time.sleep(0.05); s.sendall(part))");
    Open("GET", Local(server.port(), "/"))->p_Send();
    Finish();
    EXPECT_EQ(Utf8(request->p_ResponseText()), "h\xC3\xA9llo w\xC3\xB6rld \xE2\x82\xAC");
}
