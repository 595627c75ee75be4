#include "tests/support/work_dir.h"

#include <cstdlib>
#include <stdexcept>
#include <vector>

ScopedWorkDir::ScopedWorkDir(const std::string& prefix) : old_(std::filesystem::current_path()) {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!mkdtemp(name.data())) throw std::runtime_error("mkdtemp failed for " + pattern);
    dir_ = name.data();
    std::filesystem::current_path(dir_);
}

ScopedWorkDir::~ScopedWorkDir() {
    std::error_code ignored;
    std::filesystem::current_path(old_, ignored);
    std::filesystem::remove_all(dir_, ignored);
}
