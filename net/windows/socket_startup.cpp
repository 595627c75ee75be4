#include <mutex>

#include "socket_system.h"

void qo_socket_Startup() {
    static std::once_flag started;
    std::call_once(started, [] {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    });
}
