// The optional start-up check-in: one GET to our server naming the game, and whether a
// non-empty reply came back. Off in this configuration (qo_Game_J_On_Allow is 0).
#include "game/my_app.h"
#include "runtime/errors.h"

String qo_Game_CheckInUrl;

void qo_Game_InitCheckIn() {
    // No check-in server runs yet; the reserved ".invalid" domain makes sure that turning
    // the check-in on by mistake reaches nobody. Tests point it at a local server.
    qo_Game_CheckInUrl = String("http://checkin.tessory.invalid/housecall.php");
}

int c_MyApp::p_GetURL(String url, String query) {
    m_HttpText = String("N/A");
    c_HttpRequest* request = (new c_HttpRequest)->m_new();
    request->p_Open(String("GET"), url + String("?") + query, this);
    gc_assign(m_HttpRequest, request);
    request->p_Send();
    qoPrint(String("Requesting URL"));
    m_HttpDone = 0;
    return 0;
}

int c_MyApp::p_OnHttpRequestComplete(c_HttpRequest* request) {
    if (request != m_HttpRequest) return 0;
    qoPrint(String("Http GET complete! ") + String(request->p_Status()));
    m_HttpDone = 1;
    m_HttpText = request->p_ResponseText();
    if (m_HttpText.Length() > 0) qo_Game_J_On_Able = 1;
    return 0;
}
