// The request through the browser's fetch (Emscripten's fetch API): the browser makes
// the connection and parses the response; its completion waits in plain memory until
// the event pump's next update delivers it, so the callback runs from the game's update
// as it does over a socket.
#include <emscripten/fetch.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "net/async_event.h"
#include "net/http_request.h"

namespace {

using Clock = std::chrono::steady_clock;

// What the browser's callback leaves for the pump. Owned by the fetch while it runs;
// a request that gave up on it marks it abandoned and the callback frees it.
struct FetchOutcome {
    bool done = false;
    bool abandoned = false;
    int status = -1;  // -1: no response at all
    std::string body;
    bool tooLong = false;
};

void OnFetchEnded(emscripten_fetch_t* fetch) {
    auto* outcome = static_cast<FetchOutcome*>(fetch->userData);
    if (outcome->abandoned) {
        delete outcome;
    } else {
        outcome->done = true;
        // A status of 0 is a network failure, not a response.
        if (fetch->status != 0) outcome->status = fetch->status;
        if (fetch->data) outcome->body.assign(fetch->data, static_cast<size_t>(fetch->numBytes));
    }
    emscripten_fetch_close(fetch);
}

String FullUrl(c_Url* url) {
    String port = url->p_Port() == 80 ? String() : String(":") + String(url->p_Port());
    return String("http://") + url->p_Domain() + port + url->p_FullPath();
}

}  // namespace

// One fetch, polled by the event pump at each update like a socket. Registered for good,
// so it lets go of its request once the request has ended.
class c_HttpFetch : public Object, public virtual c_IAsyncEventSource {
public:
    c_HttpRequest* m__request = nullptr;
    FetchOutcome* outcome = nullptr;

    int p_UpdateAsyncEvents() override {
        if (m__request && !Poll()) gc_assign(m__request, static_cast<c_HttpRequest*>(nullptr));
        return 0;
    }
    void mark() override { gc_mark_q(m__request); }

    // Gives up on a fetch still running; its callback frees the outcome.
    void Abandon() {
        if (outcome && !outcome->done) {
            outcome->abandoned = true;
        } else {
            delete outcome;
        }
        outcome = nullptr;
    }

private:
    // False once the request no longer needs polling.
    bool Poll() {
        c_HttpRequest& request = *m__request;
        if (request.finished_ || request.m__fetch != this) return false;
        if (request.refused_ || !outcome || Clock::now() >= request.deadline_) {
            request.Fail();
            return false;
        }
        if (!outcome->done) return true;
        if (outcome->status < 0 ||
            static_cast<int64_t>(outcome->body.size()) > request.m__maxBodyBytes) {
            request.Fail();
            return false;
        }
        request.m__status = outcome->status;
        request.m__rbytes = static_cast<int>(outcome->body.size());
        gc_assign(request.m__response, (new c_StringStack)->m_new2());
        request.m__response->p_Push4(String::FromUtf8(outcome->body));
        request.p_Finish();
        return false;
    }
};

int c_HttpRequest::p_Send() {
    StartSend();
    auto* fetch = new c_HttpFetch;
    gc_assign(fetch->m__request, this);
    gc_assign(m__fetch, static_cast<Object*>(fetch));
    qo_asyncevent_AddAsyncEventSource(fetch);
    if (refused_) return 0;

    emscripten_fetch_attr_t attr;
    emscripten_fetch_attr_init(&attr);
    std::string method = m__req.ToUtf8().substr(0, sizeof attr.requestMethod - 1);
    std::strcpy(attr.requestMethod, method.c_str());
    attr.attributes = EMSCRIPTEN_FETCH_LOAD_TO_MEMORY;
    attr.onsuccess = OnFetchEnded;
    attr.onerror = OnFetchEnded;
    // The browser sets Host and the length itself; only the body's type is passed on.
    std::vector<std::string> head;
    for (int i = 2; i < m__header->p_Length2(); ++i) {
        String line = m__header->p_Get(i);
        if (!line.StartsWith(String("Content-Type: "))) continue;
        head.push_back("Content-Type");
        head.push_back(line.Slice(14).ToUtf8());
    }
    std::vector<const char*> headers;
    for (const std::string& text : head) headers.push_back(text.c_str());
    headers.push_back(nullptr);
    attr.requestHeaders = headers.data();
    if (m__wbuf && m__wlength > 0) {
        attr.requestData = reinterpret_cast<const char*>(m__wbuf->data);
        attr.requestDataSize = static_cast<size_t>(m__wlength);
    }
    fetch->outcome = new FetchOutcome;
    attr.userData = fetch->outcome;
    std::string url = FullUrl(m__url).ToUtf8();
    if (!emscripten_fetch(&attr, url.c_str())) fetch->Abandon();
    return 0;
}

void c_HttpRequest::CloseTransport() {
    if (auto* fetch = static_cast<c_HttpFetch*>(m__fetch)) fetch->Abandon();
}

// The browser delivers the whole response at once; nothing arrives in pieces here.
int c_HttpRequest::p_OnConnectComplete(bool, c_Socket*) {
    return 0;
}
int c_HttpRequest::p_OnSendComplete(c_DataBuffer*, int, int, c_Socket*) {
    return 0;
}
int c_HttpRequest::p_OnReceiveComplete(c_DataBuffer*, int, int, c_Socket*) {
    return 0;
}
