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
    // Starts a program as run() does, with `env` ("NAME=value" entries) set in its environment
    // besides the inherited one, and puts what it wrote to its standard output into *out (its
    // standard error goes where ours goes). Fails as run() does.
    [[nodiscard]] virtual Status capture(const std::vector<std::string>& argv,
                                         const std::vector<std::string>& env, std::string* out) = 0;
};

// The real machine: posix_spawnp and waitpid.
class SystemProcesses final : public Processes {
  public:
    [[nodiscard]] Status run(const std::vector<std::string>& argv) override;
    [[nodiscard]] Status capture(const std::vector<std::string>& argv,
                                 const std::vector<std::string>& env, std::string* out) override;
    // The one instance the program uses.
    static SystemProcesses& instance();
};

// For tests: records every argument vector and answers with `result`; a captured program writes
// `output`.
class FakeProcesses final : public Processes {
  public:
    std::vector<std::vector<std::string>> started;
    Status result;
    std::string output;
    [[nodiscard]] Status run(const std::vector<std::string>& argv) override {
        started.push_back(argv);
        return result;
    }
    [[nodiscard]] Status capture(const std::vector<std::string>& argv,
                                 const std::vector<std::string>&, std::string* out) override {
        started.push_back(argv);
        *out = result ? output : std::string();
        return result;
    }
};

}  // namespace vorn
