#include "tests/net/net_test_support.h"

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#endif

#include <chrono>
#include <cstdlib>
#include <cstring>

#include "net/async_event.h"
#include "runtime/gc/collector.h"
#include "socket_system.h"

namespace {

using Clock = std::chrono::steady_clock;

sockaddr_in Loopback(int port) {
    sockaddr_in a;
    std::memset(&a, 0, sizeof a);
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    return a;
}

int ListenOnLoopback(int* port) {
    qo_socket_Startup();
    int fd = static_cast<int>(socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in a = Loopback(0);
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd, 4) != 0)
        return -1;
    QoSockLen size = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size);
    *port = ntohs(a.sin_port);
    return fd;
}

// Waits up to `ms` for `fd` to become readable.
bool Readable(int fd, int ms) {
    pollfd p{};
    p.fd = fd;
    p.events = POLLIN;
    return qo_socket_Poll(&p, 1, ms) > 0;
}

}  // namespace

LoopbackServer::LoopbackServer(Script script) {
    listener_ = ListenOnLoopback(&port_);
    thread_ = std::thread([this, script] {
        // In slices: under Wine one long wait may sleep through the connection.
        auto deadline = Clock::now() + std::chrono::seconds(10);
        while (listener_ >= 0 && !Readable(listener_, 100)) {
            if (Clock::now() > deadline) return;
        }
        if (listener_ < 0) return;
        int fd = static_cast<int>(accept(listener_, nullptr, nullptr));
        if (fd < 0) return;
        script(fd);
        qo_socket_CloseHandle(fd);
    });
}

LoopbackServer::~LoopbackServer() {
    thread_.join();
    if (listener_ >= 0) qo_socket_CloseHandle(listener_);
}

void LoopbackServer::SendAll(int fd, const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        auto n = send(fd, bytes.data() + sent, static_cast<int>(bytes.size() - sent), kQoSendFlags);
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
        auto k = recv(fd, buf, static_cast<int>(std::min(sizeof buf, n - got.size())), 0);
        if (k <= 0) break;
        got.append(buf, static_cast<size_t>(k));
    }
    return got;
}

std::string LoopbackServer::ReadRequest(int fd, std::string* body) {
    std::string head;
    auto deadline = Clock::now() + std::chrono::seconds(5);
    // Peeked a block at a time, and only the head taken: the body stays for the caller. A
    // byte a call took seconds for a long head under Wine, where each is a server call.
    char buf[4096];
    while (head.find("\r\n\r\n") == std::string::npos && Clock::now() < deadline) {
        if (!Readable(fd, 100)) continue;
        auto k = recv(fd, buf, static_cast<int>(sizeof buf), MSG_PEEK);
        if (k <= 0) break;
        size_t kept = head.size() < 3 ? head.size() : 3;  // a terminator split by the last block
        size_t end = (head.substr(head.size() - kept) + std::string(buf, static_cast<size_t>(k)))
                         .find("\r\n\r\n");
        size_t take = end == std::string::npos ? static_cast<size_t>(k) : end + 4 - kept;
        k = recv(fd, buf, static_cast<int>(take), 0);
        if (k <= 0) break;
        head.append(buf, static_cast<size_t>(k));
    }
    size_t at = head.find("Content-Length: ");
    if (body && at != std::string::npos) {
        *body = ReadBytes(fd, static_cast<size_t>(std::atoi(head.c_str() + at + 16)));
    }
    return head;
}

PassiveListener::PassiveListener() {
    fd_ = ListenOnLoopback(&port_);
}

PassiveListener::~PassiveListener() {
    if (fd_ >= 0) qo_socket_CloseHandle(fd_);
}

bool PassiveListener::HasPendingConnection() const {
    return fd_ >= 0 && Readable(fd_, 0);
}

int RefusingPort() {
    qo_socket_Startup();
    int fd = static_cast<int>(socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in a = Loopback(0);
    bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    QoSockLen size = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size);
    qo_socket_CloseHandle(fd);
    return ntohs(a.sin_port);
}

#ifdef _WIN32
// The child is this machine's python3 beside Wine, started by tests/windows/python_peers.py,
// which runs the test program and answers on the port in TESSORY_PYTHON_PEERS: it reads
// the arguments, each ended by a NUL and the list by one more, sends back what the child
// prints, and ends the child once this side shuts its sending half.
PythonChild::PythonChild(const std::vector<std::string>& args) {
    const char* port = std::getenv("TESSORY_PYTHON_PEERS");
    qo_socket_Startup();
    int fd = port ? static_cast<int>(socket(AF_INET, SOCK_STREAM, 0)) : -1;
    sockaddr_in a = Loopback(port ? std::atoi(port) : 0);
    std::string request;
    for (const std::string& arg : args) request += arg + '\0';
    request += '\0';
    if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
        LoopbackServer::SendAll(fd, request);
        pid_ = out_ = fd;
    } else if (fd >= 0) {
        qo_socket_CloseHandle(fd);
    }
}

void PythonChild::End() {
    shutdown(out_, SD_SEND);
}
#else
extern char** environ;

PythonChild::PythonChild(const std::vector<std::string>& args) {
    int out[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, out) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<const char*> argv = {"python3", "-u"};
    for (const std::string& a : args) argv.push_back(a.c_str());
    argv.push_back(nullptr);
    if (posix_spawnp(&pid_, "python3", &actions, nullptr, const_cast<char**>(argv.data()),
                     environ) != 0)
        pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    out_ = out[0];
}

void PythonChild::End() {
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
}
#endif

std::string PythonChild::ReadLine() {
    std::string line;
    auto deadline = Clock::now() + std::chrono::seconds(10);
    while (pid_ > 0 && line.find('\n') == std::string::npos && Clock::now() < deadline) {
        if (!Readable(out_, 100)) continue;
        char c;
        if (recv(out_, &c, 1, 0) <= 0) break;
        line += c;
    }
    return line;
}

std::string PythonChild::Stop() {
    std::string rest;
    if (pid_ > 0) {
        End();
        pid_ = -1;
        char buf[4096];
        for (int n; (n = static_cast<int>(recv(out_, buf, sizeof buf, 0))) > 0;)
            rest.append(buf, static_cast<size_t>(n));
    }
    if (out_ >= 0) qo_socket_CloseHandle(out_);
    out_ = -1;
    return rest;
}

PythonHttpServer::PythonHttpServer(const std::string& dir)
    : child_({"-m", "http.server", "0", "--bind", "127.0.0.1", "--directory", dir}) {
    // "Serving HTTP on 127.0.0.1 port N (http://127.0.0.1:N/) ..."
    std::string line = child_.ReadLine();
    size_t at = line.find(" port ");
    if (at != std::string::npos) port_ = std::atoi(line.c_str() + at + 6);
}

const char* const PythonSocketServer::kNeverAccepts = "never accepts";

namespace {

const char kSocketServer[] = R"(
import signal, socket, socketserver, sys, time
signal.alarm(20)

def read_head(s):
    head = b''
    while b'\r\n\r\n' not in head:
        more = s.recv(4096)
        if not more: break
        head += more
    return head

def wait_close(s):
    while s.recv(4096): pass

class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        self.request.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        try: exec(sys.argv[1], dict(globals(), s=self.request))
        except OSError: pass  # the client went away, as some tests mean it to

server = socketserver.TCPServer(('127.0.0.1', 0), Handler, bind_and_activate=False)
server.request_queue_size = 0  # room for one waiting connection
server.server_bind()
server.server_activate()
if sys.argv[1] == 'never accepts':
    filler = socket.create_connection(server.server_address)
    print(server.server_address[1])
    time.sleep(30)
else:
    print(server.server_address[1])
    server.handle_request()
)";

}  // namespace

PythonSocketServer::PythonSocketServer(const std::string& handler)
    : child_({"-c", kSocketServer, handler}) {
    port_ = std::atoi(child_.ReadLine().c_str());
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
