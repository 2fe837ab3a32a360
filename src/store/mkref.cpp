// vorn_mkref DATA_DIR OUT_DIR: builds the reference tables delivered with the installation from
// their CSV sources (DATA_DIR holds ref/ and irpf/) into OUT_DIR. Run by the build.
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

#include "store/reftables.h"

int main(int argc, char** argv) {
    using namespace vorn::store;
    if (argc != 3) {
        std::fprintf(stderr, "uso: vorn_mkref PASTA_DOS_DADOS PASTA_DE_SAIDA\n");
        return 2;
    }
    std::error_code ec;
    std::filesystem::create_directories(argv[2], ec);
    if (ec) {
        std::fprintf(stderr, "vorn_mkref: %s: %s\n", argv[2], ec.message().c_str());
        return 1;
    }
    std::vector<ReferenceFile> files;
    vorn::Status s = load_reference_files(argv[1], &files);
    if (s) s = write_reference_files(Env::posix(), files, argv[2], nullptr);
    if (!s) {
        std::fprintf(stderr, "vorn_mkref: %s\n", s.message().c_str());
        return 1;
    }
    return 0;
}
