// The optional start-up check-in's completion: remembers the reply of our own request.
#include "game/my_app.h"
#include "runtime/errors.h"

int c_MyApp::p_OnHttpRequestComplete(c_HttpRequest* request) {
    if (request != m_HttpRequest) return 0;
    qoPrint(String("Http GET complete! ") + String(request->p_Status()));
    m_HttpDone = 1;
    m_HttpText = request->p_ResponseText();
    if (m_HttpText.Length() > 0) qo_Game_J_On_Able = 1;
    return 0;
}
