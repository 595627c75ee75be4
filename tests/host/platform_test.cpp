// The POSIX edge: URLs reach the desktop opener as one argument, never through a shell.
#include "runtime/platform.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "tests/host/temp_dir.h"

namespace {

TEST(OpenUrl, UrlReachesTheOpenerAsOneUninterpretedArgument) {
    TempDir dir;
    // A stand-in opener that records its arguments, one per line.
    WriteBytes(dir / "xdg-open",
               "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$0.tmp\"; mv "
               "\"$0.tmp\" \"$0.args\"\n");
    std::filesystem::permissions(dir / "xdg-open", std::filesystem::perms::owner_all);
    std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", (dir.path() + ":" + oldPath).c_str(), 1);

    const std::string url = "http://127.0.0.1/a b?x=1;touch pwned&y=$(id)";
    bool started = qoOpenUrlExternally(String::FromUtf8(url));
    setenv("PATH", oldPath.c_str(), 1);
    ASSERT_TRUE(started);

    for (int i = 0; i < 200 && !std::filesystem::exists(dir / "xdg-open.args"); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(ReadBytes(dir / "xdg-open.args"), url + "\n");
    EXPECT_FALSE(std::filesystem::exists("pwned"));
}

}  // namespace
