// The local SMTP server of the e-mail tests (Debian's aiosmtpd, tests/office/tools/smtp_server.py)
// with a certificate of its own, started for a test and killed when it ends. Its output goes
// nowhere the test runner reads.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "office/mail.h"

namespace vorn::mail_testing {

namespace fs = std::filesystem;

inline std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

// A shell command's standard output; the test fails when it does not end well.
inline std::string run(const std::string& command) {
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    char buf[4096];
    for (size_t n; p && (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    const int rc = p ? ::pclose(p) : -1;
    EXPECT_EQ(rc, 0) << command << "\n" << out;
    return out;
}

// The server in one mode ("starttls", "implicit", "plain"), its certificate, what it received.
struct SmtpServer {
    fs::path dir;
    std::string port;
    explicit SmtpServer(const fs::path& d, const std::string& mode) : dir(d) {
        fs::create_directories(dir);
        const std::string q = "'" + dir.string() + "'";
        run("openssl req -x509 -newkey rsa:2048 -nodes -keyout " + q + "/key.pem -out " + q +
            "/cert.pem -days 2 -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 2>&1");
        run("/usr/bin/python3 -c 'import aiosmtpd' 2>&1");  // install python3-aiosmtpd
        EXPECT_EQ(
            std::system(("/usr/bin/python3 '" + std::string(VORN_SOURCE_DIR) +
                         "/tests/office/tools/smtp_server.py' " + mode + " " + q + "/cert.pem " +
                         q + "/key.pem " + q + " >/dev/null 2>&1 & echo $! > " + q + "/pid")
                            .c_str()),
            0);
        for (int k = 0; k < 100 && port.empty(); ++k) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            std::ifstream(dir / "port") >> port;
        }
        EXPECT_FALSE(port.empty());
    }
    ~SmtpServer() {
        std::string pid;
        std::ifstream(dir / "pid") >> pid;
        if (!pid.empty()) (void)std::system(("kill " + pid).c_str());
    }
    SmtpServer(const SmtpServer&) = delete;
    SmtpServer& operator=(const SmtpServer&) = delete;
    office::MailAccount account(const std::string& server) const {
        return {server, "escritorio", "escritorio@exemplo.com.br", "segredo",
                (dir / "cert.pem").string()};
    }
    std::string commands() const { return slurp(dir / "commands.log"); }
    // The n-th message received (1-based), as sent.
    std::string message(int n) const {
        return slurp(dir / ("messages-" + std::to_string(n) + ".eml"));
    }
};

}  // namespace vorn::mail_testing
