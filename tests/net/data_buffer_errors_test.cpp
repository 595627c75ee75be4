// A data buffer's runtime errors end the program, so each runs in a child process.
#include <gtest/gtest.h>

#include "tests/support/child_process.h"

TEST(DataBuffer, UnknownEncodingIsARuntimeErrorNamingIt) {
    ChildResult r = RunChild({NET_ERRORS_CHILD, "encoding"});
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "Kavoro Runtime Error : Invalid string encoding:latin1\n\n");
}

TEST(DataBuffer, AllocatingAgainIsARuntimeError) {
    ChildResult r = RunChild({NET_ERRORS_CHILD, "allocate"});
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "Kavoro Runtime Error : Allocate DataBuffer failed\n\n");
}
