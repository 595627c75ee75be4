#include "net/url.h"

#include <cstdlib>

int qo_url_Atoi(const String& text) {
    char bytes[64];
    int n = text.Length() < 63 ? text.Length() : 63;
    for (int i = 0; i < n; ++i) bytes[i] = static_cast<char>(text[i]);
    bytes[n] = '\0';
    return std::atoi(bytes);
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
            m__port = qo_url_Atoi(url.Slice(colon + 1, slash));
        } else {
            m__domain = url.Slice(start, slash);
        }
        m__path = url.Slice(slash, end);
    } else if (colon >= 0) {
        m__domain = url.Slice(start, colon);
        m__port = qo_url_Atoi(url.Slice(colon + 1, end));
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
