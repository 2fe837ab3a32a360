// Starting outside programs (the calculator, the browser, the print command) behind a small
// interface, so that tests can fake them. A program is always started from an argument vector,
// never through a shell: no text reaching it is ever interpreted as shell syntax.
#pragma once

#include <set>
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
    // Starts argv[0] the same way without waiting for it, its input and output on /dev/null (a
    // server such as the browser driver would otherwise write over the screen); *id receives the
    // process id by which stop ends it. Fails with kNotFound when it could not be started.
    [[nodiscard]] virtual Status start(const std::vector<std::string>& argv, long* id) = 0;
    // Ends a program that start started: SIGTERM, then SIGKILL when it has not ended within two
    // seconds, and waits for it. Ids that start did not give are left alone.
    virtual void stop(long id) = 0;
    // Starts a program as run() does, with `env` ("NAME=value" entries) set in its environment
    // besides the inherited one, and puts what it wrote to its standard output into *out (its
    // standard error goes where ours goes). Fails as run() does.
    [[nodiscard]] virtual Status capture(const std::vector<std::string>& argv,
                                         const std::vector<std::string>& env, std::string* out) = 0;
    // Starts a program as run() does, its input and output on /dev/null, and waits for it at most
    // `seconds`: then it is killed (SIGKILL, with every program it started) and the run fails with
    // kCancelled naming the limit. Fails otherwise as run() does.
    [[nodiscard]] virtual Status run_limited(const std::vector<std::string>& argv,
                                             double seconds) = 0;
};

// The real machine: posix_spawnp and waitpid.
class SystemProcesses final : public Processes {
  public:
    [[nodiscard]] Status run(const std::vector<std::string>& argv) override;
    [[nodiscard]] Status start(const std::vector<std::string>& argv, long* id) override;
    void stop(long id) override;
    [[nodiscard]] Status capture(const std::vector<std::string>& argv,
                                 const std::vector<std::string>& env, std::string* out) override;
    [[nodiscard]] Status run_limited(const std::vector<std::string>& argv, double seconds) override;
    // The one instance the program uses.
    static SystemProcesses& instance();

  private:
    std::set<long> children_;  // started by start and not yet stopped
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

// For tests: records every argument vector and answers with `result`; started programs get the
// ids 1, 2, ... and the ids stopped are recorded; a captured program writes `output`.
class FakeProcesses final : public Processes {
  public:
    std::vector<std::vector<std::string>> started;
    std::vector<long> stopped;
    Status result;
    std::string output;
    [[nodiscard]] Status run(const std::vector<std::string>& argv) override {
        started.push_back(argv);
        return result;
    }
    [[nodiscard]] Status start(const std::vector<std::string>& argv, long* id) override {
        started.push_back(argv);
        *id = static_cast<long>(started.size());
        return result;
    }
    void stop(long id) override { stopped.push_back(id); }
    [[nodiscard]] Status capture(const std::vector<std::string>& argv,
                                 const std::vector<std::string>&, std::string* out) override {
        started.push_back(argv);
        *out = result ? output : std::string();
        return result;
    }
    [[nodiscard]] Status run_limited(const std::vector<std::string>& argv, double) override {
        started.push_back(argv);
        return result;
    }
};

}  // namespace vorn
