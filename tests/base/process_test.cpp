// Programs left running and ended by their id.
#include "base/process.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <cerrno>

namespace vorn {
namespace {

bool gone(long pid) {
    return kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

TEST(Processes, AStartedProgramRunsUntilStoppedByItsId) {
    SystemProcesses procs;
    long id = 0;
    ASSERT_TRUE(procs.start({"sleep", "60"}, &id));
    ASSERT_GT(id, 0);
    EXPECT_FALSE(gone(id));
    procs.stop(id);
    EXPECT_TRUE(gone(id));  // ended and reaped, not left a zombie
    procs.stop(id);         // a second stop is harmless
}

TEST(Processes, StopLeavesAloneWhatItDidNotStart) {
    SystemProcesses procs, other;
    long id = 0;
    ASSERT_TRUE(other.start({"sleep", "60"}, &id));
    procs.stop(id);
    EXPECT_FALSE(gone(id));
    other.stop(id);
    EXPECT_TRUE(gone(id));
}

TEST(Processes, AMissingProgramIsNotStarted) {
    SystemProcesses procs;
    long id = 0;
    const Status st = procs.start({"/nonexistent/chromedriver", "--port=1"}, &id);
    EXPECT_EQ(st.code(), Status::Code::kNotFound);
    EXPECT_NE(st.message().find("/nonexistent/chromedriver"), std::string::npos);
    EXPECT_EQ(id, 0);
}

}  // namespace
}  // namespace vorn
