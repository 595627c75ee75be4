#include "net/async_socket.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/async_event.h"
#include "tests/net/net_test_support.h"
#include "tests/support/child_process.h"

namespace {

// Records every callback it gets, in order.
struct Recorder : Object, c_IOnConnectComplete, c_IOnSendComplete, c_IOnReceiveComplete {
    std::vector<std::string> events;
    int connects = 0;
    bool connected = false;
    std::function<void(c_Socket*)> onConnect;

    int p_OnConnectComplete(bool ok, c_Socket* source) override {
        ++connects;
        connected = ok;
        events.push_back(ok ? "connect ok" : "connect failed");
        if (onConnect) onConnect(source);
        return 0;
    }
    int p_OnSendComplete(c_DataBuffer*, int offset, int count, c_Socket*) override {
        events.push_back("send " + std::to_string(offset) + " " + std::to_string(count));
        return 0;
    }
    int p_OnReceiveComplete(c_DataBuffer* data, int offset, int count, c_Socket*) override {
        events.push_back("receive " + std::to_string(offset));
        if (count > 0)
            received.append(reinterpret_cast<char*>(data->data) + offset,
                            static_cast<size_t>(count));
        return 0;
    }
    std::string received;
};

// Test-owned objects stay reachable while the polls collect.
Object* g_keep0 = nullptr;
Object* g_keep1 = nullptr;
Object* g_keep2 = nullptr;
Object* g_keep3 = nullptr;
GC_ROOT(g_keep0);
GC_ROOT(g_keep1);
GC_ROOT(g_keep2);
GC_ROOT(g_keep3);
Object** const g_keep[] = {&g_keep0, &g_keep1, &g_keep2, &g_keep3};

template <class T>
T* Keep(int slot, T* object) {
    gc_assign(*g_keep[slot], static_cast<Object*>(object));
    return object;
}

c_Socket* NewStream() {
    return (new c_Socket)->m_new(String("stream"));
}

bool Idle(c_Socket* s) {
    return s->m__rthread->p_Idle() && s->m__wthread->p_Idle();
}

class AsyncSocket : public ::testing::Test {
protected:
    void TearDown() override {
        for (Object** slot : g_keep) {
            // Leave no worker behind for the next test.
            if (c_Socket* s = dynamic_cast<c_Socket*>(*slot)) {
                EXPECT_TRUE(PollUntil([s] { return Idle(s); }));
                EXPECT_TRUE(s->m__rthread->p_CheckInvariants());
                EXPECT_TRUE(s->m__wthread->p_CheckInvariants());
            }
            gc_assign(*slot, static_cast<Object*>(nullptr));
        }
    }
};

}  // namespace

TEST_F(AsyncSocket, ConnectsToALoopbackServerAndSetsTheConnectedFlags) {
    LoopbackServer server([](int) {});
    c_Socket* s = Keep(0, NewStream());
    Recorder* r = Keep(1, new Recorder);
    EXPECT_TRUE(s->p_IsOpen());
    EXPECT_FALSE(s->p_IsConnected());
    s->p_ConnectAsync(String("127.0.0.1"), server.port(), r);
    ASSERT_TRUE(PollUntil([r] { return r->connects > 0; }));
    EXPECT_TRUE(r->connected);
    EXPECT_EQ(s->m__state, c_Socket::kOpen | c_Socket::kBound | c_Socket::kConnected);
    // Connecting again once connected is ignored.
    s->p_ConnectAsync(String("127.0.0.1"), server.port(), r);
    PollFor(20);
    EXPECT_EQ(r->connects, 1);
    s->p_Close();
    EXPECT_EQ(s->m__state, 0);
}

TEST_F(AsyncSocket, ReceiveAskedBeforeTheConnectCompletedIsIgnored) {
    LoopbackServer server([](int fd) { LoopbackServer::SendAll(fd, "early"); });
    c_Socket* s = Keep(0, NewStream());
    Recorder* r = Keep(1, new Recorder);
    c_DataBuffer* buf = Keep(2, (new c_DataBuffer)->m_new(64));
    s->p_ConnectAsync(String("127.0.0.1"), server.port(), r);
    s->p_ReceiveAsync(buf, 0, 64, r);
    s->p_SendAsync(buf, 0, 1, r);
    EXPECT_EQ(s->m__rthread->m__put.load(), 1);
    EXPECT_EQ(s->m__wthread->m__put.load(), 0);
    ASSERT_TRUE(PollUntil([r] { return r->connects > 0; }));
    PollFor(50);
    EXPECT_EQ(r->events, (std::vector<std::string>{"connect ok"}));
    s->p_Close();
}

TEST_F(AsyncSocket, SendAndReceiveQueuedFromTheConnectCallbackCompleteInQueueOrder) {
    std::string serverGot;
    LoopbackServer server([&serverGot](int fd) {
        serverGot = LoopbackServer::ReadBytes(fd, 7);
        LoopbackServer::SendAll(fd, "hello");
    });
    c_Socket* s = Keep(0, NewStream());
    Recorder* r = Keep(1, new Recorder);
    c_DataBuffer* out = Keep(2, (new c_DataBuffer)->m_new(8));
    c_DataBuffer* in = Keep(3, (new c_DataBuffer)->m_new(200));
    out->p_PokeString(0, String("abcdefg"), String("ascii"));
    r->onConnect = [r, out, in](c_Socket* sock) {
        sock->p_SendAsync(out, 0, 3, r);
        sock->p_SendAsync(out, 3, 4, r);
        sock->p_ReceiveAsync(in, 0, 100, r);
        sock->p_ReceiveAsync(in, 100, 100, r);
    };
    s->p_ConnectAsync(String("127.0.0.1"), server.port(), r);
    // The server answers once and closes, so the second receive ends with 0 or the rest.
    ASSERT_TRUE(PollUntil([r] { return r->events.size() == 5; }));
    std::vector<std::string> sends, receives;
    for (const std::string& e : r->events) {
        if (e.rfind("send", 0) == 0) sends.push_back(e);
        if (e.rfind("receive", 0) == 0) receives.push_back(e);
    }
    EXPECT_EQ(r->events[0], "connect ok");
    EXPECT_EQ(sends, (std::vector<std::string>{"send 0 3", "send 3 4"}));
    EXPECT_EQ(receives, (std::vector<std::string>{"receive 0", "receive 100"}));
    EXPECT_EQ(r->received, "hello");
    EXPECT_EQ(serverGot, "abcdefg");
    s->p_Close();
}

TEST_F(AsyncSocket, PollingWithNothingQueuedStartsNoThreadAndCallsNothing) {
    c_Socket* s = Keep(0, NewStream());
    qo_asyncevent_UpdateAsyncEvents();
    qo_asyncevent_UpdateAsyncEvents();
    EXPECT_EQ(s->m__rthread->running.load(), QoThread::kNeverStarted);
    EXPECT_EQ(s->m__wthread->running.load(), QoThread::kNeverStarted);
    s->p_Close();
}

TEST_F(AsyncSocket, RefusedConnectCompletesWithConnectedFalse) {
    c_Socket* s = Keep(0, NewStream());
    Recorder* r = Keep(1, new Recorder);
    s->p_ConnectAsync(String("127.0.0.1"), RefusingPort(), r);
    ASSERT_TRUE(PollUntil([r] { return r->connects > 0; }));
    EXPECT_FALSE(r->connected);
    EXPECT_FALSE(s->p_IsConnected());
    s->p_Close();
}

TEST_F(AsyncSocket, UnresolvableNameCompletesWithConnectedFalse) {
    // A label over 63 characters cannot be put in a DNS query, so the lookup fails on
    // this machine without asking any name server.
    PassiveListener listener;
    std::string name = std::string(70, 'a') + ".invalid";
    c_Socket* s = Keep(0, NewStream());
    Recorder* r = Keep(1, new Recorder);
    s->p_ConnectAsync(String(name.c_str()), listener.port(), r);
    ASSERT_TRUE(PollUntil([r] { return r->connects > 0; }));
    EXPECT_FALSE(r->connected);
    EXPECT_FALSE(listener.HasPendingConnection());
    s->p_Close();
}

TEST_F(AsyncSocket, EmptyHostFailsInsteadOfReachingThisMachine) {
    // Connecting to 0.0.0.0 would reach a listener on 127.0.0.1.
    PassiveListener listener;
    c_Socket* s = Keep(0, NewStream());
    Recorder* r = Keep(1, new Recorder);
    s->p_ConnectAsync(String(), listener.port(), r);
    ASSERT_TRUE(PollUntil([r] { return r->connects > 0; }));
    EXPECT_FALSE(r->connected);
    EXPECT_FALSE(listener.HasPendingConnection());
    s->p_Close();
}

TEST_F(AsyncSocket, CloseWhileAReceiveBlocksWakesTheWorkerAndFreesTheHandleLater) {
    LoopbackServer server([](int fd) { LoopbackServer::ReadBytes(fd, 1); });
    c_Socket* s = Keep(0, NewStream());
    Recorder* r = Keep(1, new Recorder);
    c_DataBuffer* in = Keep(2, (new c_DataBuffer)->m_new(16));
    r->onConnect = [r, in](c_Socket* sock) { sock->p_ReceiveAsync(in, 0, 16, r); };
    s->p_ConnectAsync(String("127.0.0.1"), server.port(), r);
    ASSERT_TRUE(PollUntil([r] { return r->connects > 0; }));
    qo_asyncevent_UpdateAsyncEvents();  // the receive is now with the worker
    s->p_Close();
    EXPECT_EQ(s->m__state, 0);
    // The blocked receive returns (0: shut down) and is delivered; then the handle goes.
    ASSERT_TRUE(PollUntil([r] { return r->events.size() == 2; }));
    EXPECT_EQ(r->events[1], "receive 0");
    ASSERT_TRUE(PollUntil([s] { return s->m__sock->socket.load() < 0; }));
}

TEST_F(AsyncSocket, EventPumpIgnoresACallFromInsideAnUpdate) {
    struct Reentrant : Object, c_IAsyncEventSource {
        int updates = 0;
        int p_UpdateAsyncEvents() override {
            ++updates;
            qo_asyncevent_UpdateAsyncEvents();
            return 0;
        }
    };
    Reentrant* source = Keep(0, new Reentrant);
    qo_asyncevent_AddAsyncEventSource(source);
    qo_asyncevent_UpdateAsyncEvents();
    EXPECT_EQ(source->updates, 1);
    EXPECT_EQ(qo_asyncevent__current, nullptr);
}

TEST(AsyncQueueErrors, TwoHundredFiftyFiveOperationsFitAndTheNextOverflows) {
    ChildResult r = RunChild({NET_ERRORS_CHILD, "overflow"});
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "accepted 255\nKavoro Runtime Error : AsyncQueue queue overflow!\n\n");
}

TEST(SocketErrors, TcpIsNoSocketProtocol) {
    ChildResult r = RunChild({NET_ERRORS_CHILD, "protocol"});
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "Kavoro Runtime Error : Illegal socket protocol\n\n");
}

TEST(SocketErrors, RegisteringASourceTwiceIsAnError) {
    ChildResult r = RunChild({NET_ERRORS_CHILD, "twice"});
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out,
              "registered once\nKavoro Runtime Error : Async event source is already active\n\n");
}
