// Outside programs started with posix_spawnp and waited for.
#include "base/process.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace vorn {

Status SystemProcesses::run(const std::vector<std::string>& argv) {
    if (argv.empty() || argv[0].empty()) return Status::invalid("Nenhum programa a executar");
    std::vector<std::string> args = argv;
    std::vector<char*> ptrs;
    for (auto& a : args) ptrs.push_back(a.data());
    ptrs.push_back(nullptr);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, ptrs[0], nullptr, nullptr, ptrs.data(), environ);
    if (rc != 0)
        return Status::not_found("Não foi possível executar " + argv[0] + ": " + std::strerror(rc));
    int status = 0;
    pid_t got = 0;
    do {
        got = waitpid(pid, &status, 0);
    } while (got < 0 && errno == EINTR);
    if (got != pid) return Status::io_error("Não foi possível esperar por " + argv[0]);
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
