// Reading receipts from transmitted declarations and copying a client's government files.
#include "shell/receipts.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "base/text.h"
#include "base/validate.h"
#include "shell/session.h"

namespace vorn::shell {
namespace fs = std::filesystem;

std::string transmitted_folder(std::string_view rotajava) {
    std::string path(rotajava);
    std::string up = upper(path);
    size_t at = up.find("APLICACAO");
    std::string base = without_slash(at == std::string::npos ? path : path.substr(0, at));
    std::error_code ec;
    if (fs::is_directory(base, ec))
        for (const auto& e : fs::directory_iterator(base, ec))
            if (upper(e.path().filename().string()) == "TRANSMITIDAS" && e.is_directory(ec))
                return e.path().string();
    return with_slash(base) + "TRANSMITIDAS";
}

std::vector<std::string> government_files(const std::string& folder, std::string_view cpf,
                                          std::string_view ext) {
    std::vector<std::string> out;
    std::error_code ec;
    if (cpf.empty() || !fs::is_directory(folder, ec)) return out;
    const std::string want = upper(ext);
    for (const auto& e : fs::directory_iterator(folder, ec)) {
        if (!e.is_regular_file(ec)) continue;
        std::string name = e.path().filename().string();
        std::string up = upper(name);
        if (up.size() >= cpf.size() + want.size() && up.compare(0, cpf.size(), cpf) == 0 &&
            up.compare(up.size() - want.size(), want.size(), want) == 0)
            out.push_back(e.path().string());
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::optional<Receipts> read_receipts(const std::string& dec_file, Status* error) {
    std::ifstream in(dec_file, std::ios::binary);
    std::string line;
    if (!in || !std::getline(in, line)) {
        *error = Status::io_error("Erro de leitura");
        return std::nullopt;
    }
    auto at = [&](size_t pos) -> std::string {
        if (line.size() < pos - 1 + 10) return "";
        std::string ten = line.substr(pos - 1, 10);
        if (!std::all_of(ten.begin(), ten.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return "";
        if (ten == "0000000000") return "";
        return receipt_with_check_digits(ten);
    };
    return Receipts{at(102), at(124), at(204)};
}

Status copy_government_files(const std::string& from, std::string_view cpf, const std::string& to) {
    std::error_code ec;
    if (!fs::is_directory(to, ec) && !fs::create_directories(to, ec))
        return Status::io_error("Problemas ao criar a pasta " + to);
    for (std::string_view ext : {".DEC", ".REC"})
        for (const auto& f : government_files(from, cpf, ext)) {
            fs::copy_file(f, fs::path(to) / fs::path(f).filename(),
                          fs::copy_options::overwrite_existing, ec);
            if (ec) return Status::io_error("Erro ao copiar " + f + ": " + ec.message());
        }
    return Status::ok();
}

}  // namespace vorn::shell
