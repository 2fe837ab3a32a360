// The letter batch command: a letter of the data folder merged with the registry of the clients
// chosen, as the personalised letter of the print selection prints it.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "base/text.h"
#include "office/letters.h"
#include "shell/commands.h"
#include "store/env.h"

namespace vorn {
namespace {

int fail(const std::string& message) {
    std::cerr << "vorn2026 letter: " << message << "\n";
    return 1;
}

constexpr const char* kUsage =
    "uso: vorn2026 letter --folder PASTA --letter ARQUIVO (--cpf CPF | --marked | --all) "
    "[--install PASTA] [--txt ARQUIVO]";

// The letters' text written on as it is made: thousands of clients' letters are never held
// whole in memory.
class StreamWriter final : public printing::PrintWriter {
  public:
    explicit StreamWriter(std::ostream& os) : os_(os) {}
    // Writes what is gathered; the caller flushes at the end.
    void flush() {
        os_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
        buffer_.clear();
    }

  protected:
    void emit(std::string_view latin1) override {
        buffer_.append(latin1);
        if (buffer_.size() >= kChunk) flush();
    }

  private:
    static constexpr size_t kChunk = 1 << 16;
    std::ostream& os_;
    std::string buffer_;
};

std::string digits_of(std::string_view s) {
    std::string d;
    for (char c : s)
        if (c >= '0' && c <= '9') d += c;
    return d;
}

}  // namespace

int run_letter_command(int argc, char** argv) {
    std::string folder, letter_name, install, txt, cpf;
    bool have_letter = false;
    int choices = 0;
    bool marked = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--marked" || a == "--all") {
            marked = a == "--marked";
            ++choices;
        } else if (a == "--cpf" && i + 1 < argc) {
            cpf = digits_of(argv[++i]);
            if (cpf.size() != 11) return fail(std::string("CPF inválido: ") + argv[i]);
            ++choices;
        } else if (a == "--letter" && i + 1 < argc) {
            letter_name = argv[++i];
            have_letter = true;
        } else if ((a == "--folder" || a == "--install" || a == "--txt") && i + 1 < argc) {
            (a == "--folder" ? folder : a == "--install" ? install : txt) = argv[++i];
        } else {
            return fail("argumento desconhecido: " + a + "\n" + kUsage);
        }
    }
    if (folder.empty() || !have_letter || choices != 1) return fail(kUsage);
    store::Env& env = store::Env::posix();
    if (install.empty()) {
        const char* dir = std::getenv("DIR2026");
        install = dir != nullptr && env.is_directory(dir) ? dir : ".";
    }
    if (!env.is_directory(folder)) return fail("pasta não encontrada: " + folder);
    office::LetterFile file;
    if (Status s = office::open_letter(folder, letter_name, &file); !s) return fail(s.message());
    if (file.original.empty()) return fail("carta não encontrada: " + file.path);
    if (!file.letter.notice.empty()) std::cerr << file.letter.notice << "\n";
    office::FeeRates rates;
    if (Status s = office::read_fee_rates(env, install, &rates); !s) return fail(s.message());
    // The clients printed as they are read, one held at a time; a text file is written beside
    // its name and renamed over it only when it is complete.
    const std::string partial = txt + ".tmp";
    std::ofstream f;
    if (!txt.empty()) f.open(partial, std::ios::binary | std::ios::trunc);
    if (!txt.empty() && !f) return fail("não foi possível gravar " + txt);
    std::ostream& os = txt.empty() ? std::cout : f;
    StreamWriter out(os);
    office::LetterPrinter printer(file.letter, rates, out);
    Status s = office::for_each_letter_client(env, folder, {cpf, marked},
                                              [&](const office::LetterClient& c) {
                                                  printer.print(c);
                                                  return true;
                                              });
    if (s && printer.printed() == 0)
        s = Status::not_found(cpf.empty() ? "nenhum contribuinte a imprimir"
                                          : "CPF não cadastrado: " + cpf);
    printer.finish();
    out.flush();
    if (txt.empty()) {
        if (!s) return fail(s.message());
        std::cout.flush();
        return std::cout.good() ? 0 : fail("saída não gravada");
    }
    f.close();
    std::error_code ec;
    if (s && !f) s = Status::io_error("não foi possível gravar " + txt);
    if (s) std::filesystem::rename(partial, txt, ec);
    if (s && ec) s = Status::io_error("não foi possível gravar " + txt);
    if (!s) std::filesystem::remove(partial, ec);
    return s ? 0 : fail(s.message());
}

}  // namespace vorn
