#include "runtime/errors.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/child_process.h"

namespace {

ChildResult RunPath(const std::string& path, const std::string& input = "") {
    return RunChild({ERRORS_CHILD, path}, input);
}

const std::string kReportX = "Kavoro Runtime Error : x\n\n";
const std::string kHandOff = "{{~~~~}}\n\n";

}  // namespace

TEST(RuntimeErrors, EmptyMessageEndsSilentlyWithZero) {
    ChildResult r = RunPath("end");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
}

TEST(RuntimeErrors, ErrorStatementReportsAndExitsWithMinusOneAtEndOfInput) {
    ChildResult r = RunPath("error");
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, kReportX);
    EXPECT_EQ(r.err, kHandOff);
}

TEST(RuntimeErrors, DebuggerAnswers) {
    ChildResult quit = RunPath("error", "q\n");
    EXPECT_EQ(quit.status, 0);
    EXPECT_EQ(quit.out, kReportX);

    // 'r' repeats the whole report; then end of input gives -1.
    ChildResult run = RunPath("error", "r\n");
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.out, kReportX + kReportX);
    EXPECT_EQ(run.err, kHandOff + kHandOff);

    // Step commands behave like run; '?' is ignored.
    ChildResult steps = RunPath("error", "s\n?\ne\nl\nq\n");
    EXPECT_EQ(steps.status, 0);
    EXPECT_EQ(steps.out, kReportX + kReportX + kReportX + kReportX);

    ChildResult unknown = RunPath("error", "z\n");
    EXPECT_EQ(unknown.status, 255);
    EXPECT_EQ(unknown.out, kReportX + "????? z ?????\n");

    // A line without a line feed is the end of the conversation.
    ChildResult cut = RunPath("error", "q");
    EXPECT_EQ(cut.status, 255);
}

TEST(RuntimeErrors, DebuggerInspectsOnlyLiveObjects) {
    // Address 0 and an address that is no object both print an empty line.
    ChildResult r = RunPath("error", "@0\n@deadbeef\nq\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, kHandOff + "\n\n");

    // A live object's debugger text (the child answers with its own object's address).
    ChildResult shown = RunPath("object");
    EXPECT_EQ(shown.status, 0);
    EXPECT_EQ(shown.out, "Kavoro Runtime Error : inspect\n\n");
    EXPECT_EQ(shown.err, kHandOff + "+Named\nvalue=42\n");
}

TEST(RuntimeErrors, UncaughtExceptionReport) {
    ChildResult r = RunPath("uncaught", "q\n");
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "Kavoro Runtime Error : Uncaught Kavoro Exception\n");
    EXPECT_EQ(r.err, "");  // no debugger hand-off
}

TEST(RuntimeErrors, SignalsBecomeRuntimeErrors) {
    struct Case {
        const char* path;
        const char* message;
    };
    for (Case c : {Case{"segv", "Memory access violation"}, Case{"fpe", "Floating point exception"},
                   Case{"ill", "Illegal instruction"}, Case{"other", "Unknown signal"}}) {
        ChildResult r = RunPath(c.path);
        EXPECT_EQ(r.status, 255) << c.path;
        EXPECT_EQ(r.out, std::string("Kavoro Runtime Error : ") + c.message + "\n\n") << c.path;
        EXPECT_EQ(r.err, kHandOff) << c.path;
        EXPECT_EQ(RunPath(c.path, "q\n").status, 0) << c.path;
    }
}

TEST(RuntimeErrors, PrintWritesUtf8Lines) {
    ChildResult r = RunPath("print");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "c\xC3\xA9\xE2\x82\xAC\nsecond\n");
}
