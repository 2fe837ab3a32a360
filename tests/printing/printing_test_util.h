// Scratch folders, programs written as scripts on PATH, and the poppler tools that read the PDFs
// back (a test needing them fails when they are missing).
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace vorn::printing::testing {

class ScratchDir {
  public:
    ScratchDir() {
        static int count = 0;
        path_ = (std::filesystem::path(VORN_BINARY_DIR) / "test-tmp" /
                 ("p" + std::to_string(::getpid()) + "_" + std::to_string(++count)))
                    .string();
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchDir() { std::filesystem::remove_all(path_); }
    // The folder with its trailing "/".
    std::string folder() const { return path_ + "/"; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

inline std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

inline void spit(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// A shell script made executable.
inline void script(const std::string& path, const std::string& body) {
    spit(path, "#!/bin/sh\n" + body);
    ::chmod(path.c_str(), 0755);
}

// Puts `dir` first on PATH while it lives.
class PathFirst {
  public:
    explicit PathFirst(const std::string& dir) : old_(std::getenv("PATH")) {
        ::setenv("PATH", (dir + ":" + old_).c_str(), 1);
    }
    ~PathFirst() { ::setenv("PATH", old_.c_str(), 1); }

  private:
    std::string old_;
};

// Runs a command line; its standard output.
inline std::string output_of(const std::string& command, int* status) {
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    char buf[4096];
    for (size_t n; p && (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    const int rc = p ? ::pclose(p) : -1;
    *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return out;
}

// A poppler tool's output over a PDF; the test fails when the tool is not installed.
inline std::string poppler(const std::string& tool, const std::string& args) {
    int status = 0;
    (void)output_of("command -v " + tool + " >/dev/null", &status);
    EXPECT_EQ(status, 0) << tool << " is missing: install poppler-utils";
    std::string out = output_of(tool + " " + args, &status);
    EXPECT_EQ(status, 0) << tool << " " << args;
    return out;
}

// A field of pdfinfo's report ("Pages", "Page size", "Title").
inline std::string info(const std::string& pdf, const std::string& field) {
    std::string out = poppler("pdfinfo", "'" + pdf + "'");
    size_t at = out.find(field + ":");
    if (at == std::string::npos) return "";
    size_t from = out.find_first_not_of(' ', at + field.size() + 1);
    return out.substr(from, out.find('\n', at) - from);
}

}  // namespace vorn::printing::testing
