// Outside programs started with posix_spawnp: waited for, or left running and ended by id.
#include "base/process.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <signal.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

extern char** environ;

namespace vorn {
namespace {

// Spawns argv with the environment `envp`; the file actions may redirect its descriptors.
Status spawn(const std::vector<std::string>& argv, char* const* envp,
             const posix_spawn_file_actions_t* actions, pid_t* pid) {
    if (argv.empty() || argv[0].empty()) return Status::invalid("Nenhum programa a executar");
    std::vector<std::string> args = argv;
    std::vector<char*> ptrs;
    for (auto& a : args) ptrs.push_back(a.data());
    ptrs.push_back(nullptr);
    const int rc = posix_spawnp(pid, ptrs[0], actions, nullptr, ptrs.data(), envp);
    if (rc != 0)
        return Status::not_found("Não foi possível executar " + argv[0] + ": " + std::strerror(rc));
    return Status::ok();
}

Status wait_for(pid_t pid, const std::string& name) {
    int status = 0;
    pid_t got = 0;
    do {
        got = waitpid(pid, &status, 0);
    } while (got < 0 && errno == EINTR);
    if (got != pid) return Status::io_error("Não foi possível esperar por " + name);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return Status::ok();
    if (WIFEXITED(status))
        return Status::io_error(name + " terminou com o código " +
                                std::to_string(WEXITSTATUS(status)));
    return Status::io_error(name + " foi interrompido");
}

}  // namespace

Status SystemProcesses::run(const std::vector<std::string>& argv) {
    pid_t pid = 0;
    Status s = spawn(argv, environ, nullptr, &pid);
    return s ? wait_for(pid, argv[0]) : s;
}

Status SystemProcesses::capture(const std::vector<std::string>& argv,
                                const std::vector<std::string>& env, std::string* out) {
    out->clear();
    // The inherited environment with `env`'s names replaced.
    std::vector<std::string> vars;
    for (char** e = environ; *e; ++e) {
        const std::string v = *e;
        bool replaced = false;
        for (const auto& n : env)
            replaced = replaced || v.compare(0, n.find('=') + 1, n, 0, n.find('=') + 1) == 0;
        if (!replaced) vars.push_back(v);
    }
    vars.insert(vars.end(), env.begin(), env.end());
    std::vector<char*> envp;
    for (auto& v : vars) envp.push_back(v.data());
    envp.push_back(nullptr);

    int fds[2];
    if (pipe(fds) != 0) return Status::io_error("Não foi possível executar " + argv.at(0));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    pid_t pid = 0;
    Status s = spawn(argv, envp.data(), &actions, &pid);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (s) {
        char buf[4096];
        for (;;) {
            const ssize_t n = read(fds[0], buf, sizeof buf);
            if (n > 0) {
                out->append(buf, static_cast<size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                break;
            }
        }
    }
    close(fds[0]);
    return s ? wait_for(pid, argv[0]) : s;
}

Status SystemProcesses::start(const std::vector<std::string>& argv, long* id) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const Status st = spawn(argv, environ, &actions, &pid);
    posix_spawn_file_actions_destroy(&actions);
    if (!st) return st;
    children_.insert(pid);
    *id = pid;
    return Status::ok();
}

void SystemProcesses::stop(long id) {
    if (children_.erase(id) == 0) return;
    const pid_t pid = static_cast<pid_t>(id);
    kill(pid, SIGTERM);
    for (int i = 0; i < 40; ++i) {
        const pid_t got = waitpid(pid, nullptr, WNOHANG);
        if (got == pid || (got < 0 && errno != EINTR)) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(pid, SIGKILL);
    pid_t got = 0;
    do {
        got = waitpid(pid, nullptr, 0);
    } while (got < 0 && errno == EINTR);
}

Status SystemProcesses::run_limited(const std::vector<std::string>& argv, double seconds) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    // Its own process group, so that a time-out ends whatever it started as well.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attr, 0);
    pid_t pid = 0;
    Status st = Status::invalid("Nenhum programa a executar");
    if (!argv.empty() && !argv[0].empty()) {
        std::vector<std::string> args = argv;
        std::vector<char*> ptrs;
        for (auto& a : args) ptrs.push_back(a.data());
        ptrs.push_back(nullptr);
        const int rc = posix_spawnp(&pid, ptrs[0], &actions, &attr, ptrs.data(), environ);
        st = rc == 0 ? Status::ok()
                     : Status::not_found("Não foi possível executar " + argv[0] + ": " +
                                         std::strerror(rc));
    }
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (!st) return st;
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::milliseconds(static_cast<long>(seconds * 1000));
    int status = 0;
    for (;;) {
        const pid_t got = waitpid(pid, &status, WNOHANG);
        if (got == pid) break;
        if (got < 0 && errno != EINTR)
            return Status::io_error("Não foi possível esperar por " + argv[0]);
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(-pid, SIGKILL);
            pid_t w = 0;
            do {
                w = waitpid(pid, nullptr, 0);
            } while (w < 0 && errno == EINTR);
            char limit[32];
            std::snprintf(limit, sizeof limit, "%g", seconds);
            return Status::cancelled(argv[0] + " não terminou em " + limit +
                                     " segundos e foi encerrado");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return Status::ok();
    if (WIFEXITED(status))
        return Status::io_error(argv[0] + " terminou com o código " +
                                std::to_string(WEXITSTATUS(status)));
    return Status::io_error(argv[0] + " foi interrompido");
}

SystemProcesses& SystemProcesses::instance() {
    static SystemProcesses processes;
    return processes;
}

}  // namespace vorn
