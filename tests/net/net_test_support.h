// Peers and polling for the networking tests: a one-connection server on 127.0.0.1
// (a thread with plain sockets, on a port the OS picks), Python's http.server as a
// child process, and a bounded poll of the event pump.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

// Accepts one connection on 127.0.0.1 and hands it to `script`, on its own thread.
class LoopbackServer {
public:
    using Script = std::function<void(int fd)>;
    explicit LoopbackServer(Script script);
    ~LoopbackServer();  // joins the thread; the script must end on its own
    int port() const { return port_; }

    // Helpers for scripts (all bounded in time).
    static void SendAll(int fd, const std::string& bytes);
    // Reads until `n` bytes arrived, the peer closed, or 5 s passed.
    static std::string ReadBytes(int fd, size_t n);
    // Reads until the head's empty line, then the Content-Length bytes of body.
    static std::string ReadRequest(int fd, std::string* body);

private:
    int listener_ = -1;
    int port_ = 0;
    std::thread thread_;
};

// A socket listening on 127.0.0.1 that never accepts, to see whether anyone connected.
class PassiveListener {
public:
    PassiveListener();
    ~PassiveListener();
    int port() const { return port_; }
    bool HasPendingConnection() const;

private:
    int fd_ = -1;
    int port_ = 0;
};

// A port on 127.0.0.1 that nothing listens on (bound, never listened, then closed).
int RefusingPort();

// python3 with `args`, its standard output on a socket (its errors go nowhere).
class PythonChild {
public:
    explicit PythonChild(const std::vector<std::string>& args);
    ~PythonChild() { Stop(); }
    // The next line it prints, waiting at most 10 s.
    std::string ReadLine();
    // Ends the child it started, by its pid; answers what it printed that was not read.
    std::string Stop();

private:
    void End();
    pid_t pid_ = -1;  // on Windows: the connection to the child's starter
    int out_ = -1;
};

// python3 -m http.server serving `dir` on 127.0.0.1 and a port of its own choosing.
class PythonHttpServer {
public:
    explicit PythonHttpServer(const std::string& dir);
    int port() const { return port_; }
    bool ok() const { return port_ > 0; }

private:
    PythonChild child_;
    int port_ = 0;
};

// A Python socketserver on 127.0.0.1 and a port the OS picks that serves one connection
// with `handler`: Python statements on the connected socket `s`, with the helpers
// read_head(s) and wait_close(s). With kNeverAccepts it fills its backlog instead, so a
// connect waits. The child ends on its own after 20 s at the latest.
class PythonSocketServer {
public:
    static const char* const kNeverAccepts;
    explicit PythonSocketServer(const std::string& handler);
    int port() const { return port_; }
    // Ends the server; answers what the handler printed.
    std::string Stop() { return child_.Stop(); }

private:
    PythonChild child_;
    int port_ = 0;
};

// Polls the asynchronous event sources until `done` or the time is up; true if done.
bool PollUntil(const std::function<bool()>& done, int timeoutMs = 10000);
// Polls for `ms` more milliseconds, so late (wrong) callbacks would show up.
void PollFor(int ms);
