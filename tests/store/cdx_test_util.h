// Helpers shared by the index tests: temporary folders, running the outside readers.
#pragma once

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace vorn::store::testing {

class TempDir {
  public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vorn_cdx_XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

inline std::string fixture(const std::string& name) {
    return std::string(VORN_SHARED_DIR) + "/formats/fixtures/" + name;
}

// Standard output of a shell command.
inline std::string run(const std::string& command) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
    return out;
}

// Debian's XBase::Index reader (libdbd-xbase-perl), with the shim it needs for date keys.
inline std::string index_dump(const std::string& type, const std::string& file,
                              const std::string& tag) {
    return run("PERL5LIB=" + std::string(VORN_SHARED_DIR) +
               "/formats/tools/perlshim index_dump -type=" + type + " '" + file + "' " + tag +
               " 2>/dev/null");
}

inline std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

}  // namespace vorn::store::testing
