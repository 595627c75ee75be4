// A fresh, empty working folder for the life of the object: the game reads and writes its
// state file in the current directory, so a test that shares one would start from what
// an earlier test saved.
#pragma once

#include <filesystem>
#include <string>

class ScopedWorkDir {
public:
    explicit ScopedWorkDir(const std::string& prefix = "tessory_test_");
    ~ScopedWorkDir();
    ScopedWorkDir(const ScopedWorkDir&) = delete;
    ScopedWorkDir& operator=(const ScopedWorkDir&) = delete;

    const std::filesystem::path& path() const { return dir_; }

private:
    std::filesystem::path dir_, old_;
};
