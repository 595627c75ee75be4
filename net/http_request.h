// An HTTP/1.0 client: one request over a fresh TCP connection, the whole response read
// until its announced length or its last chunk has arrived or the server closes it, then
// one callback. Runs on the main thread; the socket work happens on the socket's worker
// threads. In the browser the same request goes through the browser's fetch instead, and
// still calls back from the event pump.
#pragma once

#include <chrono>

#include "net/async_ops.h"
#include "net/async_socket.h"
#include "net/data_buffer.h"
#include "net/url.h"
#include "runtime/gc/stack.h"

class c_HttpRequest;
class c_HttpFetch;

class c_IOnHttpRequestComplete : public virtual gc_interface {
public:
    virtual int p_OnHttpRequestComplete(c_HttpRequest* request) = 0;
};

class c_HttpRequest : public Object,
                      public virtual c_IOnConnectComplete,
                      public virtual c_IOnSendComplete,
                      public virtual c_IOnReceiveComplete {
public:
    // The head normally fits here; a longer one gets a buffer of its own size.
    static constexpr int kHeadBytes = 4096;
    static constexpr int kReceiveBytes = 16384;

    String m__req;
    c_Url* m__url = nullptr;
    c_IOnHttpRequestComplete* m__onComplete = nullptr;
    c_DataBuffer* m__wbuf = nullptr;
    int m__wlength = 0;
    int m__status = -1;
    c_StringStack* m__response = nullptr;  // null while the response head is read
    String m__responseText;
    int m__rbytes = 0;
    c_StringStack* m__header = nullptr;
    c_Socket* m__sock = nullptr;  // the connection (socket transport)
    Object* m__fetch = nullptr;   // the browser's fetch under way (fetch transport)
    c_DataBuffer* m__hbuf = nullptr;
    c_DataBuffer* m__rbuf = nullptr;

    // Limits, each settable before p_Send. Past any of them the request ends with status
    // -1 and lets go of what it held.
    int m__timeoutMs = 30000;                // from p_Send to the callback; 0 or less: none
    int m__maxHeadBytes = 64 * 1024;         // the response head, all its lines and any trailers
    int m__maxBodyBytes = 16 * 1024 * 1024;  // as delivered, without the chunk framing

    c_HttpRequest* m_new();
    c_HttpRequest* m_new2(String req, String url, c_IOnHttpRequestComplete* onComplete);
    int p_Open(String req, String url, c_IOnHttpRequestComplete* onComplete);
    int p_Send();
    int p_Send2(String data, String mimeType, String encoding);
    int p_Status() { return m__status; }
    String p_ResponseText() { return m__responseText; }
    // Ends the request now with status -1, calling back at once, unless it has ended.
    int p_Cancel();

    int p_OnConnectComplete(bool connected, c_Socket* source) override;
    int p_OnSendComplete(c_DataBuffer* data, int offset, int count, c_Socket* source) override;
    int p_OnReceiveComplete(c_DataBuffer* data, int offset, int count, c_Socket* source) override;
    int p_Finish();

    // Takes `count` new bytes at `offset` of the receive buffer; answers where the next
    // receive goes, or -1 when the request has finished. The socket-free half of
    // p_OnReceiveComplete.
    int p_TakeReceived(int offset, int count);

    void mark() override;

private:
    friend class c_HttpSocket;
    friend class c_HttpFetch;

    bool finished_ = false;
    bool refused_ = false;  // the head would carry a control character, or the port is not one
    int headBytes_ = 0;
    long long contentLength_ = -1;  // what the response head announced; -1: read until close
    bool bodyDone_ = false;         // the body's last byte has arrived
    // A chunked body, which a server may send even to HTTP/1.0: where its framing is read.
    enum class Chunk : unsigned char {
        kSizeStart,
        kSize,
        kSizeEnd,
        kExtension,
        kData,
        kDataEnd,
        kTrailerStart,
        kTrailer
    };
    bool chunked_ = false;
    Chunk chunk_ = Chunk::kSizeStart;
    bool cr_ = false;          // the framing's last byte was a CR, which only an LF may follow
    long long chunkLeft_ = 0;  // the size as its line is read, then the chunk's bytes to come
    int lineBytes_ = 0;        // of the size line read so far
    std::chrono::steady_clock::time_point deadline_;

    bool Current(c_Socket* source) { return !finished_ && source == m__sock; }
    // Called by the request's socket at every poll; false once it no longer needs them.
    bool Poll(c_Socket* source);
    int Fail();
    // A send starts afresh: not finished, no head read, the deadline from now, and the
    // head and the port checked. A refused head ends the request at the next poll, like every other
    // failure, so the callback never runs inside p_Send.
    void StartSend();
    // Lets go of the connection or the fetch, whichever the transport uses.
    void CloseTransport();
    int TakeHead(int end);
    int StartBody(int bodyStart, int end);
    int TakeBody(int from, int fresh, int end);
    int FrameBody(int from, int end);
    int Dechunk(int from, int end);
    bool TakeFraming(unsigned char c);
    bool EndFramingLine();
};

// False when a head line would start another line or carry a control character.
bool qo_http_PlainHead(c_StringStack* lines);

// Both an object and an interface: name the object side for the collector.
inline gc_object* gc_object_of(c_HttpRequest* p) {
    return static_cast<Object*>(p);
}
