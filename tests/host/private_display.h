// A private Xvfb server for one test process, so window tests that send real key and
// mouse events with xdotool never reach another test's window.
#pragma once

#include <sys/types.h>

#include <string>

class PrivateDisplay {
public:
    // Starts Xvfb with a 1280 × 1024 × 24 screen and points DISPLAY at it.
    bool Start();
    void Stop();
    ~PrivateDisplay() { Stop(); }
    const std::string& name() const { return name_; }

private:
    pid_t pid_ = -1;
    std::string name_;
};

// Runs a shell command (xdotool and friends) and returns its standard output.
std::string Command(const std::string& command);
