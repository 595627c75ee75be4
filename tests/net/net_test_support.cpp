#include "tests/net/net_test_support.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

#include "net/async_event.h"
#include "runtime/gc/collector.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

int ListenOnLoopback(int* port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a;
    std::memset(&a, 0, sizeof a);
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd, 4) != 0) return -1;
    socklen_t size = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size);
    *port = ntohs(a.sin_port);
    return fd;
}

// Waits up to `ms` for `fd` to become readable.
bool Readable(int fd, int ms) {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, ms) > 0;
}

}  // namespace

LoopbackServer::LoopbackServer(Script script) {
    listener_ = ListenOnLoopback(&port_);
    thread_ = std::thread([this, script] {
        if (listener_ < 0 || !Readable(listener_, 10000)) return;
        int fd = accept(listener_, nullptr, nullptr);
        if (fd < 0) return;
        script(fd);
        close(fd);
    });
}

LoopbackServer::~LoopbackServer() {
    thread_.join();
    if (listener_ >= 0) close(listener_);
}

void LoopbackServer::SendAll(int fd, const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return;
        sent += static_cast<size_t>(n);
    }
}

std::string LoopbackServer::ReadBytes(int fd, size_t n) {
    std::string got;
    auto deadline = Clock::now() + std::chrono::seconds(5);
    char buf[4096];
    while (got.size() < n && Clock::now() < deadline) {
        if (!Readable(fd, 100)) continue;
        ssize_t k = recv(fd, buf, std::min(sizeof buf, n - got.size()), 0);
        if (k <= 0) break;
        got.append(buf, static_cast<size_t>(k));
    }
    return got;
}

std::string LoopbackServer::ReadRequest(int fd, std::string* body) {
    std::string head;
    auto deadline = Clock::now() + std::chrono::seconds(5);
    while (head.find("\r\n\r\n") == std::string::npos && Clock::now() < deadline) {
        if (!Readable(fd, 100)) continue;
        char c;
        if (recv(fd, &c, 1, 0) <= 0) break;
        head += c;
    }
    size_t at = head.find("Content-Length: ");
    if (body && at != std::string::npos) {
        *body = ReadBytes(fd, static_cast<size_t>(std::atoi(head.c_str() + at + 16)));
    }
    return head;
}

PassiveListener::PassiveListener() { fd_ = ListenOnLoopback(&port_); }

PassiveListener::~PassiveListener() {
    if (fd_ >= 0) close(fd_);
}

bool PassiveListener::HasPendingConnection() const { return fd_ >= 0 && Readable(fd_, 0); }

int RefusingPort() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a;
    std::memset(&a, 0, sizeof a);
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t size = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size);
    close(fd);
    return ntohs(a.sin_port);
}

PythonHttpServer::PythonHttpServer(const std::string& dir) {
    int out[2];
    if (pipe(out) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::string dirArg = dir;
    const char* argv[] = {"python3", "-u", "-m", "http.server", "0", "--bind", "127.0.0.1", "--directory",
                          dirArg.c_str(), nullptr};
    if (posix_spawnp(&pid_, "python3", &actions, nullptr, const_cast<char**>(argv), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    // "Serving HTTP on 127.0.0.1 port N (http://127.0.0.1:N/) ..."
    std::string line;
    auto deadline = Clock::now() + std::chrono::seconds(10);
    while (pid_ > 0 && line.find('\n') == std::string::npos && Clock::now() < deadline) {
        if (!Readable(out[0], 100)) continue;
        char c;
        if (read(out[0], &c, 1) <= 0) break;
        line += c;
    }
    close(out[0]);
    size_t at = line.find(" port ");
    if (at != std::string::npos) port_ = std::atoi(line.c_str() + at + 6);
}

PythonHttpServer::~PythonHttpServer() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
}

bool PollUntil(const std::function<bool()>& done, int timeoutMs) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (Clock::now() > deadline) return false;
        qo_asyncevent_UpdateAsyncEvents();
        // A full collection every poll: whatever a worker still uses must stay reachable.
        gc_collect_all();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void PollFor(int ms) {
    PollUntil([] { return false; }, ms);
}
