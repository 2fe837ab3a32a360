// Helpers shared by the storage tests: scratch folders, whole-file reads, outside commands.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "base/date.h"
#include "store/dbf.h"

namespace vorn::store::testing {

// A fresh folder under the build tree, removed at the end of the test.
class TempDir {
  public:
    TempDir() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info ? info->test_suite_name() : "t") + "." +
                           (info ? info->name() : "x") + "." + std::to_string(::getpid());
        path_ = std::filesystem::path(VORN_BINARY_DIR) / "test-tmp" / name;
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    std::string path() const { return path_.string(); }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

inline std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline void spit(const std::string& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << data;
}

// Runs a shell command and returns its standard output; the exit status goes to *status.
inline std::string run(const std::string& cmd, int* status = nullptr) {
    std::string out;
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return out;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    int rc = ::pclose(p);
    if (status) *status = rc;
    return out;
}

inline const ManualClock& test_clock() {
    static ManualClock clock({Date(2026, 3, 15), 10 * 3600});
    return clock;
}

inline std::unique_ptr<Table> open_table(const std::string& path, bool exclusive = false,
                                         Env& env = Env::posix()) {
    std::unique_ptr<Table> t;
    Status s = Table::open(env, path, {exclusive, false, &test_clock()}, &t);
    EXPECT_TRUE(s) << s.to_string();
    return t;
}

#define ASSERT_OK(expr)                            \
    do {                                           \
        ::vorn::Status _s = (expr);                \
        ASSERT_TRUE(_s.is_ok()) << _s.to_string(); \
    } while (0)
#define EXPECT_OK(expr)                            \
    do {                                           \
        ::vorn::Status _s = (expr);                \
        EXPECT_TRUE(_s.is_ok()) << _s.to_string(); \
    } while (0)

}  // namespace vorn::store::testing
