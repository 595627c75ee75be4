// The request over a fresh TCP connection: the head goes out, the response is read
// until its announced length or its last chunk has arrived or the server closes, the
// status line, head and chunks parsed here, the body decoded as UTF-8 as it arrives.
#include <algorithm>

#include "net/http_request.h"
#include "runtime/array.h"

namespace {

const String kAscii("ascii");
const String kUtf8("utf8");
using Clock = std::chrono::steady_clock;

// Drops characters up to and including the space at both ends (so also the CR of CRLF).
String Trim(const String& line) {
    int from = 0;
    int to = line.Length();
    while (from < to && line[from] <= 0x20) ++from;
    while (to > from && line[to - 1] <= 0x20) --to;
    return line.Slice(from, to);
}

// The body length a "Content-Length" head line gives, or -1 without a usable one.
long long ContentLength(c_StringStack* head) {
    const String name("CONTENT-LENGTH:");
    for (int i = 1; i < head->p_Length2(); ++i) {
        String line = head->p_Get(i);
        if (!line.ToUpper().StartsWith(name)) continue;
        String digits = Trim(line.Slice(name.Length()));
        if (digits.Length() == 0 || digits.Length() > 18) return -1;
        long long length = 0;
        for (int j = 0; j < digits.Length(); ++j) {
            if (digits[j] < '0' || digits[j] > '9') return -1;
            length = length * 10 + (digits[j] - '0');
        }
        return length;
    }
    return -1;
}

// What "Transfer-Encoding" head lines ask for: 0 without one, 1 for chunked alone, and -1
// for any other coding, which this client could not undo.
int TransferCoding(c_StringStack* head) {
    const String name("TRANSFER-ENCODING:");
    int coding = 0;
    for (int i = 1; i < head->p_Length2(); ++i) {
        String line = head->p_Get(i).ToUpper();
        if (!line.StartsWith(name)) continue;
        if (coding != 0 || Trim(line.Slice(name.Length())) != String("CHUNKED")) return -1;
        coding = 1;
    }
    return coding;
}

int HexDigit(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

// The request's connection. Every socket is polled at each update; this one also lets
// its request look at the clock then. Sockets stay registered for good, so it lets go
// of the request once the request has ended.
class c_HttpSocket : public c_Socket {
public:
    c_HttpRequest* m__request = nullptr;

    int p_UpdateAsyncEvents() override {
        c_Socket::p_UpdateAsyncEvents();
        if (m__request && !m__request->Poll(this))
            gc_assign(m__request, static_cast<c_HttpRequest*>(nullptr));
        return 0;
    }
    void mark() override {
        c_Socket::mark();
        gc_mark_q(m__request);
    }
};

int c_HttpRequest::p_Send() {
    StartSend();
    c_HttpSocket* sock = new c_HttpSocket;
    gc_assign(sock->m__request, this);
    gc_assign(m__sock, static_cast<c_Socket*>(sock->m_new(String("stream"))));
    if (!refused_) m__sock->p_ConnectAsync(m__url->p_Domain(), m__url->p_Port(), this);
    return 0;
}

int c_HttpRequest::p_OnConnectComplete(bool connected, c_Socket* source) {
    if (!Current(source)) return 0;
    if (!connected) return p_Finish();
    if (!m__sock->p_IsConnected()) {  // closed while it connected
        Fail();
        return 0;
    }
    m__header->p_Push4(String());
    m__header->p_Push4(String());
    String head = m__header->p_Join(String("\r\n"));
    m__header->p_Clear2();
    int bytes = m__hbuf->p_PokeString(0, head, kAscii);
    if (bytes > m__hbuf->length) {
        // Never send a truncated head: give this one a buffer of its own size.
        gc_assign(m__hbuf, (new c_DataBuffer)->m_new(bytes));
        m__hbuf->p_PokeString(0, head, kAscii);
    }
    m__sock->p_SendAsync(m__hbuf, 0, bytes, this);
    m__sock->p_ReceiveAsync(m__rbuf, 0, kReceiveBytes, this);
    return 0;
}

int c_HttpRequest::p_OnSendComplete(c_DataBuffer*, int, int, c_Socket* source) {
    if (!Current(source)) return 0;
    if (m__wlength != 0 && m__sock->p_IsConnected())
        m__sock->p_SendAsync(m__wbuf, 0, m__wlength, this);
    m__wlength = 0;
    return 0;
}

int c_HttpRequest::p_OnReceiveComplete(c_DataBuffer*, int offset, int count, c_Socket* source) {
    if (!Current(source)) return 0;
    // Closed under us (a shut-down receive reads 0, like a server that has finished).
    if (!m__sock->p_IsConnected()) {
        Fail();
        return 0;
    }
    int next = p_TakeReceived(offset, count);
    if (next >= 0) m__sock->p_ReceiveAsync(m__rbuf, next, kReceiveBytes - next, this);
    return 0;
}

int c_HttpRequest::p_TakeReceived(int offset, int count) {
    if (finished_) return -1;
    int end = offset + (count > 0 ? count : 0);
    if (offset < 0 || end > m__rbuf->length) {
        p_Finish();
        return -1;
    }
    // -1: the receive failed, a reset among others. Only an orderly close may end a
    // body, so the bytes so far are not taken for all of it.
    if (count < 0) return Fail();
    // 0: the server closed the connection. A character the end cut off is kept as its
    // bytes. A body shorter than its head announced, or before its last chunk, was cut
    // off, not finished.
    if (count == 0) {
        if (m__response && (chunked_ || m__rbytes < contentLength_)) return Fail();
        if (m__response && offset > 0)
            m__response->p_Push4(m__rbuf->p_PeekString(0, offset, kUtf8));
        p_Finish();
        return -1;
    }
    if (!m__response) return TakeHead(end);
    return TakeBody(0, offset, end);
}

// Scans the buffer from its start to `end` for complete head lines.
int c_HttpRequest::TakeHead(int end) {
    const unsigned char* bytes = m__rbuf->data;
    int lineStart = 0;
    for (int i = 0; i < end; ++i) {
        if (bytes[i] != '\n') continue;
        String line = Trim(m__rbuf->p_PeekString(lineStart, i - lineStart, kAscii));
        headBytes_ += i + 1 - lineStart;
        lineStart = i + 1;
        if (headBytes_ > m__maxHeadBytes) return Fail();
        if (line.Length() > 0) {
            m__header->p_Push4(line);
            continue;
        }
        return StartBody(lineStart, end);
    }
    // No empty line yet: keep the unfinished line at the start and read on after it.
    int kept = end - lineStart;
    if (headBytes_ + kept > m__maxHeadBytes) return Fail();
    if (lineStart > 0) m__rbuf->p_CopyBytes(lineStart, m__rbuf, 0, kept);
    return kept;
}

// The head has ended with an empty line; the body starts at `bodyStart`.
int c_HttpRequest::StartBody(int bodyStart, int end) {
    if (m__header->p_Length2() == 0) {
        p_Finish();
        return -1;
    }
    Array<String> parts = m__header->p_Get(0).ToUpper().Split(String(" "));
    if (parts.Length() < 3 || !parts[0].StartsWith(String("HTTP/"))) {
        p_Finish();
        return -1;
    }
    m__status = qo_url_Atoi(parts[1]);
    contentLength_ = ContentLength(m__header);
    int coding = TransferCoding(m__header);
    if (coding < 0) return Fail();
    chunked_ = coding > 0;
    gc_assign(m__response, (new c_StringStack)->m_new2());
    return TakeBody(bodyStart, bodyStart, end);
}

// Takes the body's new bytes fresh..end, which follow the bytes from..fresh carried over
// from the last receive. All of them are decoded as one piece, except a character whose
// last bytes have not arrived yet: those move to the start of the buffer, where the next
// receive completes them. Answers where that receive goes, or -1 once the request has
// ended, with the body's last byte or through a failure.
int c_HttpRequest::TakeBody(int from, int fresh, int end) {
    end = FrameBody(fresh, end);
    if (end < 0) return -1;
    m__rbytes += end - fresh;
    if (m__rbytes > m__maxBodyBytes) return Fail();
    // The body's end also ends its last character, whole or not.
    int carry = bodyDone_ ? 0 : qo_databuffer_Utf8CutTail(m__rbuf->data + from, end - from);
    if (end - carry > from)
        m__response->p_Push4(m__rbuf->p_PeekString(from, end - carry - from, kUtf8));
    if (bodyDone_) {
        p_Finish();
        return -1;
    }
    m__rbuf->p_CopyBytes(end - carry, m__rbuf, 0, carry);
    return carry;
}

// Answers where the body's bytes among from..end end, or -1 once bad framing has ended
// the request. Chunks frame the body whatever length the head gives as well. Bytes past
// an announced length or the last chunk are not the body's; its last byte ends the body,
// with no need to wait for the close.
int c_HttpRequest::FrameBody(int from, int end) {
    if (chunked_) return Dechunk(from, end);
    if (contentLength_ < 0 || m__rbytes + (end - from) < contentLength_) return end;
    bodyDone_ = true;
    return from + static_cast<int>(contentLength_ - m__rbytes);
}

// Takes the chunk framing out of the bytes from..end, moving each chunk's data back to
// follow the last's. Answers where the data ends, or -1 after a failure.
int c_HttpRequest::Dechunk(int from, int end) {
    int to = from;
    for (int i = from; i < end && !bodyDone_;) {
        if (chunk_ != Chunk::kData) {
            if (!TakeFraming(m__rbuf->data[i++])) return Fail();
            continue;
        }
        int n = static_cast<int>(std::min<long long>(chunkLeft_, end - i));
        m__rbuf->p_CopyBytes(i, m__rbuf, to, n);
        to += n;
        i += n;
        chunkLeft_ -= n;
        if (chunkLeft_ == 0) chunk_ = Chunk::kDataEnd;
    }
    return to;
}

// Takes one byte of a size line (hex digits, then perhaps blanks and extensions after a
// ';'), of the line end after a chunk's data, or of the trailer lines after the last
// chunk. Lines end in CRLF or, as head lines may, a bare LF. False when the framing is
// bad, or longer than a head may be: a size line on its own, the trailers with the head.
bool c_HttpRequest::TakeFraming(unsigned char c) {
    bool trailer = chunk_ == Chunk::kTrailerStart || chunk_ == Chunk::kTrailer;
    if (++(trailer ? headBytes_ : lineBytes_) > m__maxHeadBytes) return false;
    if (cr_ && c != '\n') return false;
    cr_ = c == '\r';
    if (cr_) return true;
    if (c == '\n') {
        lineBytes_ = 0;
        return EndFramingLine();
    }
    int digit = HexDigit(c);
    switch (chunk_) {
        case Chunk::kSizeStart:
        case Chunk::kSize:
            if (digit >= 0) {
                // Held to what the body may still take, so it cannot overflow either.
                chunkLeft_ = chunkLeft_ * 16 + digit;
                chunk_ = Chunk::kSize;
                return chunkLeft_ <= m__maxBodyBytes - m__rbytes;
            }
            if (chunk_ == Chunk::kSizeStart) return false;
            [[fallthrough]];
        case Chunk::kSizeEnd:
            if (c != ';' && c != ' ' && c != '\t') return false;
            chunk_ = c == ';' ? Chunk::kExtension : Chunk::kSizeEnd;
            return true;
        case Chunk::kExtension:  // names and values this client has no use for
            return true;
        case Chunk::kTrailerStart:
        case Chunk::kTrailer:
            chunk_ = Chunk::kTrailer;
            return true;
        default:  // a chunk's data longer than its size
            return false;
    }
}

// A framing line has ended: a size line (size 0 is the last chunk), the end of a chunk's
// data, a trailer line, or the empty line that ends the body. False for a size line
// without a size.
bool c_HttpRequest::EndFramingLine() {
    switch (chunk_) {
        case Chunk::kSizeStart:
            return false;
        case Chunk::kSize:
        case Chunk::kSizeEnd:
        case Chunk::kExtension:
            chunk_ = chunkLeft_ > 0 ? Chunk::kData : Chunk::kTrailerStart;
            return true;
        case Chunk::kDataEnd:
            chunk_ = Chunk::kSizeStart;
            return true;
        case Chunk::kTrailer:
            chunk_ = Chunk::kTrailerStart;
            return true;
        default:
            bodyDone_ = true;
            return true;
    }
}

bool c_HttpRequest::Poll(c_Socket* source) {
    if (!Current(source)) return false;
    if (!refused_ && Clock::now() < deadline_) return true;
    Fail();
    return false;
}

void c_HttpRequest::CloseTransport() {
    if (m__sock) m__sock->p_Close();
}
