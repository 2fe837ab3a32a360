// Starting outside programs (the calculator, the browser, the print command) behind a small
// interface, so that tests can fake them. A program is always started from an argument vector,
// never through a shell: no text reaching it is ever interpreted as shell syntax.
#pragma once

#include <string>
#include <vector>

#include "base/status.h"

namespace vorn {

class Processes {
  public:
    virtual ~Processes() = default;
    // Starts argv[0] (looked up in PATH when it has no "/") with the arguments that follow, waits
    // for it to end and returns ok when it exited with status 0. Fails (kNotFound when it could
    // not be started, kIoError when it failed or was killed) with a message naming the program.
    [[nodiscard]] virtual Status run(const std::vector<std::string>& argv) = 0;
};

// The real machine: posix_spawnp and waitpid.
class SystemProcesses final : public Processes {
  public:
    [[nodiscard]] Status run(const std::vector<std::string>& argv) override;
    // The one instance the program uses.
    static SystemProcesses& instance();
};

// How a web address is opened (the web chat, the refund consultation): `browser` (VORN_BROWSER,
// else "xdg-open") started with the address as its one argument, without a shell.
struct BrowserOpener {
    Processes& processes;
    std::string browser;
    [[nodiscard]] Status open(const std::string& address) const {
        return processes.run({browser, address});
    }
};

// For tests: records every argument vector and answers with `result`.
class FakeProcesses final : public Processes {
  public:
    std::vector<std::vector<std::string>> started;
    Status result;
    [[nodiscard]] Status run(const std::vector<std::string>& argv) override {
        started.push_back(argv);
        return result;
    }
};

}  // namespace vorn
