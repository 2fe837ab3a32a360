// Test harness for screens: a Screen on the headless back end driven by a key script, its snaps
// collected in memory, and golden 25 × 80 files in tests/data/ui (rewritten with UPDATE_GOLDEN=1).
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "ui/headless.h"
#include "ui/screen.h"

namespace vorn::ui::testing {

inline std::vector<ScriptStep> steps_of(const std::string& script) {
    KeyScript s = parse_key_script(script);
    EXPECT_TRUE(s.ok()) << "line " << s.error_line << ": " << s.error;
    return s.steps;
}

struct Harness {
    explicit Harness(const std::string& script, DateTime start = {Date(2026, 4, 10), 9 * 3600})
        : clock(start), backend(steps_of(script), clock, snaps), screen(backend, clock) {}
    // The screen as the back end would show it now.
    std::string text() {
        screen.refresh();
        return screen.grid().text();
    }
    std::string row(int r) { return screen.grid().row_text(r); }

    ManualClock clock;
    std::ostringstream snaps;
    HeadlessBackend backend;
    Screen screen;
};

// Compares a screen text with tests/data/ui/<name>.txt; UPDATE_GOLDEN=1 writes the file instead.
inline void expect_golden(const std::string& name, const std::string& text) {
    std::string path = std::string(VORN_SOURCE_DIR) + "/tests/data/ui/" + name + ".txt";
    const char* update = std::getenv("UPDATE_GOLDEN");
    if (update && std::string(update) == "1") {
        std::ofstream(path, std::ios::binary) << text;
        return;
    }
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << "golden file missing: " << path << " (run with UPDATE_GOLDEN=1)";
    std::stringstream want;
    want << in.rdbuf();
    EXPECT_EQ(want.str(), text) << "screen differs from " << path;
}

}  // namespace vorn::ui::testing
