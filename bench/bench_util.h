// Timing helpers shared by the benchmark drivers: wall-clock seconds, a failed step ends the run,
// and the time of a shell command measured the same way.
#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/status.h"

namespace bench {

using Wall = std::chrono::steady_clock;

inline double seconds_since(Wall::time_point t0) {
    return std::chrono::duration<double>(Wall::now() - t0).count();
}

inline void check(const vorn::Status& s, const char* what) {
    if (s) return;
    std::fprintf(stderr, "%s: %s\n", what, s.message().c_str());
    std::exit(1);
}

inline double shell_seconds(const std::string& cmd) {
    auto t0 = Wall::now();
    if (std::system(cmd.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", cmd.c_str());
        std::exit(1);
    }
    return seconds_since(t0);
}

}  // namespace bench
