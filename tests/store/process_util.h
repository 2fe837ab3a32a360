// Child processes for the storage tests that race several terminals: they are set up apart, start
// their work together, and a child that fails or dies before the start never leaves the parent
// waiting for it.
#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace vorn::store::testing {

class Processes {
  public:
    Processes() {
        if (::pipe(ready_) != 0 || ::pipe(go_) != 0 || ::pipe(stop_) != 0 || ::pipe(report_) != 0)
            std::abort();
    }
    ~Processes() {
        close_fd(go_[1]);
        close_fd(stop_[1]);
        for (pid_t pid : pids_)
            if (pid > 0) ::kill(pid, SIGKILL);
        for (pid_t pid : pids_)
            if (pid > 0) ::waitpid(pid, nullptr, 0);
    }
    Processes(const Processes&) = delete;
    Processes& operator=(const Processes&) = delete;

    // Forks a child whose exit status is body's result (2 when it throws). The body sets itself
    // up, calls started() and then does its work.
    void spawn(const std::function<int()>& body) {
        pid_t pid = ::fork();
        if (pid < 0) std::abort();
        if (pid == 0) {
            ::close(ready_[0]);
            ::close(go_[1]);
            ::close(stop_[1]);
            ::close(report_[0]);
            int rc = 2;
            try {
                rc = body();
            } catch (...) {
            }
            ::_exit(rc);
        }
        pids_.push_back(pid);
    }

    // Child side: tells the parent this child is ready and waits until every child is.
    void started() {
        char c = 'r';
        if (::write(ready_[1], &c, 1) != 1) ::_exit(3);
        ::close(ready_[1]);
        while (::read(go_[0], &c, 1) > 0) {
        }
    }
    // Child side: whether the parent asked the children that run until told to stop.
    bool stop_requested() const {
        struct pollfd p = {stop_[0], POLLIN, 0};
        return ::poll(&p, 1, 0) > 0;
    }
    // Child side: one line of figures for the parent (see reports()).
    void report(const std::string& line) const {
        std::string l = line + "\n";
        if (::write(report_[1], l.data(), l.size()) != static_cast<ssize_t>(l.size())) ::_exit(3);
    }

    // Parent side: waits until every child is ready, then lets them all go. False when a child
    // ended before it was ready (the others are let go too, and their results still count).
    bool start() {
        close_fd(ready_[1]);
        size_t ready = 0;
        char c;
        while (ready < pids_.size() && ::read(ready_[0], &c, 1) == 1) ++ready;
        close_fd(go_[1]);
        return ready == pids_.size();
    }
    // Parent side: asks the children that run until told to stop.
    void stop() { close_fd(stop_[1]); }
    // Parent side: the exit status of child i, waiting for it (-1 when a signal ended it).
    int wait(size_t i) {
        int st = 0;
        ::waitpid(pids_.at(i), &st, 0);
        pids_[i] = 0;  // reaped: neither killed nor waited for again
        return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    }
    // Parent side, after every child ended: the lines the children reported.
    std::string reports() {
        close_fd(report_[1]);
        std::string all;
        char buf[512];
        ssize_t n;
        while ((n = ::read(report_[0], buf, sizeof buf)) > 0)
            all.append(buf, static_cast<size_t>(n));
        return all;
    }

  private:
    static void close_fd(int& fd) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
    int ready_[2], go_[2], stop_[2], report_[2];
    std::vector<pid_t> pids_;
};

}  // namespace vorn::store::testing
