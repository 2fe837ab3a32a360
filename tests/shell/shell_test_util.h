// Helpers of the shell tests: a scratch installation with the delivered reference tables, and a
// terminal (session and work areas) started on it.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "shell/folders.h"
#include "shell/install.h"
#include "shell/platform.h"
#include "shell/session.h"
#include "shell/startup.h"
#include "store/catalogue.h"
#include "store/dbf.h"
#include "store/declaration.h"

namespace vorn::shell::testing {

// A fresh installation directory under the build tree, removed at the end of the test.
class Installation {
  public:
    Installation() {
        // Short: folders live in 80-character fields of the settings tables.
        static int count = 0;
        std::string name = "i" + std::to_string(::getpid()) + "_" + std::to_string(++count);
        path_ = (std::filesystem::path(VORN_BINARY_DIR) / "test-tmp" / name).string();
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
        std::vector<std::string> report;
        Status s = install_reference_tables(
            store::Env::posix(), std::string(VORN_BINARY_DIR) + "/ref", path_, nullptr, &report);
        EXPECT_TRUE(s.is_ok()) << s.to_string();
    }
    ~Installation() { std::filesystem::remove_all(path_); }
    const std::string& path() const { return path_; }
    std::string sub(const std::string& name) const {
        std::filesystem::create_directories(path_ + "/" + name);
        return path_ + "/" + name;
    }

  private:
    std::string path_;
};

// One terminal of the office: its own operator answers, clock, session and work areas.
struct Terminal {
    ScriptedOperator op;
    ManualClock clock;
    FakePlatform platform;
    Session s;
    store::WorkAreas w;
    std::string error;

    explicit Terminal(const Installation& inst, DateTime now = {Date(2026, 4, 10), 9 * 3600})
        : clock(now), w(store::Env::posix(), op, clock) {
        platform.cwd = inst.path();
        platform.vars["DIR2026"] = inst.path();
        platform.vars["HOME"] = inst.path();
    }
    bool start(const std::string& nusu) {
        return start_up(s, w, platform, nusu, StartupScreens{}, &error);
    }
};

// Every visible record of a table file, read shared.
inline std::vector<store::Record> rows_of(const std::string& path) {
    std::vector<store::Record> out;
    std::unique_ptr<store::Table> t;
    EXPECT_TRUE(store::Table::open(store::Env::posix(), path, store::OpenOptions{}, &t).is_ok())
        << path;
    if (!t) return out;
    for (Status s = t->go_top(); s && !t->eof(); s = t->skip()) {
        out.emplace_back(t->layout_ptr());
        EXPECT_TRUE(t->read(out.back()).is_ok());
    }
    EXPECT_TRUE(t->close().is_ok());
    return out;
}

}  // namespace vorn::shell::testing
