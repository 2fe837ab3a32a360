// Programs left running and ended by their id.
#include "base/process.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>

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

// The time limit: an exit within it is the program's own result; a program that outlives it is
// killed together with what it started, and the run fails naming the limit.
TEST(Processes, ALimitedRunEndsInTimeOrIsKilledWithItsChildren) {
    SystemProcesses procs;
    EXPECT_TRUE(procs.run_limited({"sh", "-c", "exit 0"}, 5));
    const Status one = procs.run_limited({"sh", "-c", "exit 1"}, 5);
    EXPECT_EQ(one.code(), Status::Code::kIoError);
    EXPECT_NE(one.message().find("código 1"), std::string::npos);
    EXPECT_EQ(procs.run_limited({"/nonexistent/java"}, 5).code(), Status::Code::kNotFound);

    const std::string mark = "/tmp/vorn_limit_" + std::to_string(getpid());
    const auto start = std::chrono::steady_clock::now();
    // The shell writes its sleeping child's id, then waits for it.
    const Status hung =
        procs.run_limited({"sh", "-c", "sleep 30 & echo $! > " + mark + "; wait"}, 0.5);
    const double took =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(hung.code(), Status::Code::kCancelled);
    EXPECT_NE(hung.message().find("0.5 segundos"), std::string::npos);
    EXPECT_LT(took, 5.0);
    FILE* f = std::fopen(mark.c_str(), "r");
    ASSERT_NE(f, nullptr);
    long child = 0;
    ASSERT_EQ(std::fscanf(f, "%ld", &child), 1);
    std::fclose(f);
    std::remove(mark.c_str());
    // Killed with its group: gone, or a zombie left to whoever adopted it.
    auto dead = [&] {
        if (gone(child)) return true;
        FILE* st = std::fopen(("/proc/" + std::to_string(child) + "/stat").c_str(), "r");
        if (!st) return true;
        char state = 0;
        const int n = std::fscanf(st, "%*d (%*[^)]) %c", &state);
        std::fclose(st);
        return n == 1 && state == 'Z';
    };
    for (int i = 0; i < 100 && !dead(); ++i) usleep(10000);
    EXPECT_TRUE(dead());
}

}  // namespace
}  // namespace vorn
