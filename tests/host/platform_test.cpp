// The POSIX edge: URLs reach the desktop opener as one argument, never through a shell;
// large blocks are zeroed by giving their pages back.
#include "runtime/platform.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

#include "tests/host/temp_dir.h"
#include "tests/support/proc_status.h"

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

// Every byte of the range is zero afterwards, those of its partial pages at either end
// included, and not one byte outside it changes; a large block's pages leave the
// resident set until touched again.
TEST(ZeroFill, ZeroesExactlyTheRangeAndGivesLargeBlocksPagesBack) {
    const size_t large = 24u << 20;
    std::vector<unsigned char> block(large + 8192);
    for (size_t bytes : {size_t{1}, size_t{4095}, size_t{70000}, large}) {
        for (size_t offset : {size_t{0}, size_t{17}, size_t{4096}}) {
            std::memset(block.data(), 0xab, block.size());
            long before = ProcStatusKb("VmRSS");
            qoZeroFill(block.data() + offset, bytes);
            long dropped = before - ProcStatusKb("VmRSS");
            for (size_t i = 0; i < block.size(); ++i) {
                bool inside = i >= offset && i < offset + bytes;
                if (block[i] != (inside ? 0 : 0xab)) {
                    ADD_FAILURE() << bytes << " bytes at " << offset << ": byte " << i;
                    break;
                }
            }
            if (bytes == large) {
                EXPECT_GT(dropped, 16 * 1024) << "kB dropped";
            }
        }
    }
}

}  // namespace
