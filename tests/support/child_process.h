// Runs a program as a child with a given standard input and captures its standard
// output, standard error and exit status, for tests of paths that end the process.
#pragma once

#include <string>
#include <vector>

struct ChildResult {
    int status = -1;  // exit status 0..255, or 128 + signal when killed
    std::string out;
    std::string err;
};

// `input` is written to the child's standard input, which is then closed.
ChildResult RunChild(const std::vector<std::string>& argv, const std::string& input = "");
