#include "net/url.h"

#include <climits>
#include <cstdlib>
#include <string>

namespace {

// The low bytes of at most the first 63 characters.
std::string LowBytes(const String& text) {
    std::string bytes;
    for (int i = 0; i < text.Length() && i < 63; ++i) bytes += static_cast<char>(text[i]);
    return bytes;
}

}  // namespace

int qo_url_Atoi(const String& text) {
    // atoi would wrap a number past int's range back into it ("4294967376" as 80).
    long long value = std::strtoll(LowBytes(text).c_str(), nullptr, 10);
    return value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : static_cast<int>(value);
}

int qo_url_Port(const String& text) {
    // Digits only: " 80" or "80abc" would otherwise reach a port nobody wrote.
    if (text.Length() == 0) return 0;
    for (int i = 0; i < text.Length() && i < 63; ++i) {
        if (text[i] < '0' || text[i] > '9') return 0;
    }
    return qo_url_Atoi(text);
}

c_Url* c_Url::m_new(String url, String defaultScheme, int defaultPort) {
    m__defaultScheme = defaultScheme;
    m__defaultPort = defaultPort;
    p_Set2(url);
    return this;
}

int c_Url::p_Set2(String url) {
    m__url = url;
    m__scheme = m__defaultScheme;
    m__username = String();
    m__password = String();
    m__domain = String();
    m__port = m__defaultPort;
    m__path = String("/");
    m__query = String();
    m__fragment = String();

    int q = url.Find(String("?"));
    int h = url.Find(String("#"));
    if (q >= 0 && h >= 0 && q > h) q = -1;  // a "?" inside the fragment
    int end = q >= 0 ? q : h >= 0 ? h : url.Length();
    // Only separators before the end of the address part count.
    auto before_end = [end](int at) { return at >= 0 && at < end ? at : -1; };

    int start = 0;
    int scheme = before_end(url.Find(String("://")));
    if (scheme >= 0) {
        m__scheme = url.Slice(0, scheme);
        start = scheme + 3;
    }

    int at = before_end(url.Find(String("@"), start));
    if (at >= 0) {
        int colon = url.Find(String(":"), start);
        if (colon >= 0 && colon < at) {
            m__username = url.Slice(start, colon);
            m__password = url.Slice(colon + 1, at);
        } else {
            m__username = url.Slice(start, at);
        }
        start = at + 1;
    }

    int colon = before_end(url.Find(String(":"), start));
    int slash = before_end(url.Find(String("/"), start));
    if (slash >= 0) {
        if (colon >= 0 && colon < slash) {
            m__domain = url.Slice(start, colon);
            m__port = qo_url_Port(url.Slice(colon + 1, slash));
        } else {
            m__domain = url.Slice(start, slash);
        }
        m__path = url.Slice(slash, end);
    } else if (colon >= 0) {
        m__domain = url.Slice(start, colon);
        m__port = qo_url_Port(url.Slice(colon + 1, end));
    } else {
        m__domain = url.Slice(start, end);
    }

    if (q >= 0) m__query = url.Slice(q + 1, h >= 0 ? h : url.Length());
    if (h >= 0) m__fragment = url.Slice(h + 1);
    return 0;
}

String c_Url::p_FullPath() {
    String path = m__path;
    if (m__query.Length() > 0) path = path + String("?") + m__query;
    if (m__fragment.Length() > 0) path = path + String("#") + m__fragment;
    return path;
}
