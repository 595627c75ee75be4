// The HTTP request's side that does not depend on how the bytes travel: the request
// line and head, the limits, the end of a request and its one callback. The transport is
// a TCP socket on the desktop (http_request_socket.cpp) and the browser's fetch on the
// web (http_request_fetch.cpp), picked in CMake.
#include "net/http_request.h"

#include "runtime/array.h"

namespace {

// Printable and one byte in the head's "ascii" encoding, which keeps only the low byte:
// U+010A would go out as a line feed.
bool Plain(Char c) {
    return (c >= 0x20 && c < 0x7F) || (c >= 0xA0 && c <= 0xFF);
}

}  // namespace

// No head line may start another line or carry a control character into the request.
bool qo_http_PlainHead(c_StringStack* lines) {
    for (int i = 0; i < lines->p_Length2(); ++i) {
        String line = lines->p_Get(i);
        for (int j = 0; j < line.Length(); ++j) {
            if (!Plain(line[j])) return false;
        }
    }
    return true;
}

c_HttpRequest* c_HttpRequest::m_new() {
    gc_assign(m__hbuf, (new c_DataBuffer)->m_new(kHeadBytes));
    gc_assign(m__rbuf, (new c_DataBuffer)->m_new(kReceiveBytes));
    return this;
}

c_HttpRequest* c_HttpRequest::m_new2(String req, String url, c_IOnHttpRequestComplete* onComplete) {
    m_new();
    p_Open(req, url, onComplete);
    return this;
}

int c_HttpRequest::p_Open(String req, String url, c_IOnHttpRequestComplete* onComplete) {
    m__req = req;
    gc_assign(m__url, (new c_Url)->m_new(url, String("http"), 80));
    gc_assign(m__onComplete, onComplete);
    gc_assign(m__wbuf, static_cast<c_DataBuffer*>(nullptr));
    m__wlength = 0;
    m__status = -1;
    gc_assign(m__response, static_cast<c_StringStack*>(nullptr));
    m__responseText = String();
    m__rbytes = 0;
    gc_assign(m__header, (new c_StringStack)->m_new2());
    m__header->p_Push4(req + String(" ") + m__url->p_FullPath() + String(" HTTP/1.0"));
    m__header->p_Push4(String("Host: ") + m__url->p_Domain());
    return 0;
}

int c_HttpRequest::p_Send2(String data, String mimeType, String encoding) {
    gc_assign(m__wbuf, (new c_DataBuffer)->m_new(data.Length() * 3));
    m__wlength = m__wbuf->p_PokeString(0, data, encoding);
    if (mimeType.Length() > 0) m__header->p_Push4(String("Content-Type: ") + mimeType);
    m__header->p_Push4(String("Content-Length: ") + String(m__wlength));
    return p_Send();
}

int c_HttpRequest::p_Cancel() {
    if (!finished_) Fail();
    return 0;
}

void c_HttpRequest::StartSend() {
    finished_ = false;
    headBytes_ = 0;
    deadline_ = m__timeoutMs > 0
                    ? std::chrono::steady_clock::now() + std::chrono::milliseconds(m__timeoutMs)
                    : std::chrono::steady_clock::time_point::max();
    contentLength_ = -1;
    bodyDone_ = false;
    chunked_ = false;
    chunk_ = Chunk::kSizeStart;
    cr_ = false;
    chunkLeft_ = 0;
    lineBytes_ = 0;
    // A port past 65535 would wrap into another one when it reaches the socket.
    int port = m__url ? m__url->p_Port() : 0;
    refused_ = !qo_http_PlainHead(m__header) || port < 1 || port > 65535;
}

// Ends the request with status -1 and drops the response's lines and pieces. Answers
// -1, the "no next receive" of the socket transport's readers.
int c_HttpRequest::Fail() {
    m__status = -1;
    gc_assign(m__response, static_cast<c_StringStack*>(nullptr));
    if (m__header) m__header->p_Clear2();
    p_Finish();
    return -1;
}

int c_HttpRequest::p_Finish() {
    if (finished_) return 0;
    finished_ = true;
    CloseTransport();
    if (m__response) m__responseText = m__response->p_Join(String());
    if (m__onComplete) m__onComplete->p_OnHttpRequestComplete(this);
    return 0;
}

void c_HttpRequest::mark() {
    gc_mark_q(m__url);
    gc_mark_q(m__onComplete);
    gc_mark_q(m__wbuf);
    gc_mark_q(m__response);
    gc_mark_q(m__header);
    gc_mark_q(m__sock);
    gc_mark_q(m__fetch);
    gc_mark_q(m__hbuf);
    gc_mark_q(m__rbuf);
}
