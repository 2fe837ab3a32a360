// Timing helpers shared by the benchmark drivers: wall-clock seconds, a failed step ends the run,
// and the time of a shell command measured the same way.
#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

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

// One batch command run in process with its output discarded; its time, and how many times its
// output held `word`. A status other than 0 or 4 (declarations left alone) ends the run.
inline double batch_seconds(int (*command)(int, char**), std::vector<std::string> args,
                            const char* word, size_t* matching) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    std::ostringstream out;
    auto* old = std::cout.rdbuf(out.rdbuf());
    const auto t0 = Wall::now();
    const int status = command(static_cast<int>(argv.size()), argv.data());
    const double seconds = seconds_since(t0);
    std::cout.rdbuf(old);
    if (status != 0 && status != 4) {
        std::fprintf(stderr, "%s terminou com %d\n", args[0].c_str(), status);
        std::exit(1);
    }
    *matching = 0;
    const std::string text = out.str();
    for (size_t p = 0; (p = text.find(word, p)) != std::string::npos; ++p) ++*matching;
    return seconds;
}

}  // namespace bench
