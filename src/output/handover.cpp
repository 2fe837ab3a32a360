// The hand-over to the government declaration program and the rebuilding of its list.
#include "output/handover.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <pugixml.hpp>
#include <sstream>
#include <system_error>

#include "base/text.h"

namespace vorn::output {
namespace {

namespace fs = std::filesystem;

// The name an earlier file is kept under while a hand-over runs.
constexpr std::string_view kAside = ".vorn-anterior";

bool all_digits(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string two_digits(int n) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", n);
    return buf;
}

Status read_all(store::Env& env, const std::string& path, std::string* bytes) {
    std::unique_ptr<store::File> f;
    if (Status s = env.open(path, store::OpenFor::kRead, &f); !s) return s;
    uint64_t size = 0;
    if (Status s = f->size(&size); !s) return s;
    bytes->assign(size, '\0');
    size_t got = 0;
    if (Status s = f->read(0, bytes->data(), bytes->size(), &got); !s) return s;
    bytes->resize(got);
    return Status::ok();
}

// Writes `bytes` as `path` through a synced temporary file beside it renamed over it.
Status write_whole(store::Env& env, const std::string& path, std::string_view bytes) {
    std::unique_ptr<store::File> f;
    std::string temp;
    if (Status s = env.create_temp(path, &f, &temp); !s) return s;
    Status s = f->write(0, bytes);
    if (s) s = f->sync();
    f.reset();
    if (s) s = env.rename(temp, path);
    if (s) s = env.sync_dir(store::dir_of(path));
    if (!s) (void)env.remove(temp);
    return s;
}

// Removes a file that may be missing.
Status remove_if_there(store::Env& env, const std::string& path) {
    return env.exists(path) ? env.remove(path) : Status::ok();
}

std::string join_lines(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) {
        if (!out.empty()) out += '\n';
        out += l;
    }
    return out;
}

// Copies what a hand-over is about to replace into backup/CPF/NNNNNN (numbered upward), keeping
// the last five copies of the CPF.
Status copy_to_backup(store::Env& env, const std::string& backup, const std::string& cpf,
                      const std::vector<std::string>& files) {
    std::vector<std::string> present;
    for (const auto& f : files)
        if (env.exists(f)) present.push_back(f);
    if (present.empty()) return Status::ok();
    if (backup.empty()) return Status::invalid("Pasta de cópias do escritório não configurada");
    const std::string root = store::join_path(backup, cpf);
    std::error_code ec;
    fs::create_directories(root, ec);
    if (ec) return Status::io_error("Problemas ao criar a pasta " + root + ": " + ec.message());
    std::vector<std::string> names;
    if (Status s = env.list(root, &names); !s) return s;
    std::vector<long> numbers;
    for (const auto& n : names)
        if (n.size() == 6 && all_digits(n)) numbers.push_back(std::stol(n));
    std::sort(numbers.begin(), numbers.end());
    const long next = numbers.empty() ? 1 : numbers.back() + 1;
    char name[32];
    std::snprintf(name, sizeof name, "%06ld", next);
    const std::string dir = store::join_path(root, name);
    fs::create_directory(dir, ec);
    if (ec) return Status::io_error("Problemas ao criar a pasta " + dir + ": " + ec.message());
    for (const auto& f : present) {
        std::string bytes;
        if (Status s = read_all(env, f, &bytes); !s) return s;
        if (Status s = write_whole(env, store::join_path(dir, store::base_of(f)), bytes); !s)
            return s;
    }
    numbers.push_back(next);
    // The oldest copies beyond five go.
    for (size_t i = 0; i + 5 < numbers.size(); ++i) {
        std::snprintf(name, sizeof name, "%06ld", numbers[i]);
        fs::remove_all(store::join_path(root, name), ec);
    }
    return Status::ok();
}

// The earlier pair moved out of the way while the new one is made, and put back on failure. The
// files are given hash file first: the document is set aside last and its copy aside is dropped
// first, so a document aside means the new pair was not accepted yet (see recover_interrupted).
class PairAside {
  public:
    PairAside(store::Env& env, std::vector<std::string> files)
        : env_(env), files_(std::move(files)) {}
    // Sets aside each file that exists. On a failure the ones already moved are put back.
    Status set_aside() {
        for (const auto& f : files_) {
            if (!env_.exists(f)) continue;
            if (Status s = env_.rename(f, f + std::string(kAside)); !s) {
                (void)put_back();
                return s;
            }
            moved_.push_back(f);
        }
        complete_ = true;
        return sync();
    }
    // Puts the earlier files back; once all were set aside, whatever stands under a name that
    // had no earlier file is the new run's and goes.
    Status put_back() {
        Status first;
        for (const auto& f : files_) {
            const bool was = std::find(moved_.begin(), moved_.end(), f) != moved_.end();
            Status s = was         ? env_.rename(f + std::string(kAside), f)
                       : complete_ ? remove_if_there(env_, f)
                                   : Status::ok();
            if (!s && first) first = s;
        }
        if (Status s = sync(); !s && first) first = s;
        if (first) moved_.clear();
        return first;
    }
    // The new pair stands: the earlier one goes, the document first.
    Status drop() {
        for (auto it = moved_.rbegin(); it != moved_.rend(); ++it)
            if (Status s = env_.remove(*it + std::string(kAside)); !s) return s;
        moved_.clear();
        return sync();
    }

  private:
    Status sync() {
        return files_.empty() ? Status::ok() : env_.sync_dir(store::dir_of(files_[0]));
    }
    store::Env& env_;
    std::vector<std::string> files_;
    std::vector<std::string> moved_;
    bool complete_ = false;
};

}  // namespace

std::string default_hash_jar(store::Env& env, const std::string& install_dir,
                             const std::string& irpf_folder) {
    const std::string first = store::find_file(env, install_dir, "IHash.jar");
    if (env.exists(first)) return first;
    const std::string up = upper(irpf_folder);
    const size_t at = up.find("APLICACAO");
    if (at != std::string::npos) {
        const std::string second = store::find_file(env, irpf_folder.substr(0, at), "IHash.jar");
        if (env.exists(second)) return second;
    }
    return first;
}

Status run_hash(store::Env& env, Processes& processes, const HashProgram& hash,
                const std::string& target, const std::string& conf) {
    if (env.exists(conf))
        return Status::invalid("O arquivo " + conf + " já existia antes de gerar o hash");
    if (hash.jar.empty() || !env.exists(hash.jar))
        return Status::not_found("IHash.jar não encontrado: " + hash.jar);
    const std::vector<std::string> argv = {hash.java, "-jar", hash.jar, target};
    for (int attempt = 0; attempt < 2; ++attempt) {
        Status s = processes.run_limited(argv, hash.seconds);
        if (s.code() == Status::Code::kNotFound)
            return Status::not_found("Java não encontrado: " + s.message());
        if (s.code() == Status::Code::kCancelled)
            return Status::cancelled("O programa do hash " + s.message());
        if (!s) {
            if (attempt == 0 && !env.exists(conf)) continue;
            return Status::io_error("O programa do hash falhou: " + s.message());
        }
        if (env.exists(conf)) return Status::ok();
    }
    return Status::io_error("O programa do hash não gravou " + store::base_of(conf));
}

std::string VEJAERRO(int error_number, const std::string& name) {
    switch (error_number) {
        case ENOENT:
            return "Erro! Arquivo " + name + " não encontrado";
        case ENOTDIR:
            return "Erro! Caminho não encontrado";
        case EMFILE:
        case ENFILE:
            return "Erro! Muitos arquivos abertos. Confira o Config e Autoexec.";
        case EACCES:
        case EPERM:
        case EROFS:
            return "Erro! Acesso negado. Outro terminal usando? ";
        default: {
            char buf[16];
            std::snprintf(buf, sizeof buf, "%03d", error_number);
            return std::string("Erro nro: ") + buf;
        }
    }
}

Status handover_files(const std::string& irpf_folder, const std::string& cpf, HandoverFiles* out) {
    if (cpf.size() != 11 || !all_digits(cpf))
        return Status::invalid("CPF inválido para a pasta do programa da receita: \"" + cpf + "\"");
    std::string base = irpf_folder;
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    out->folder = store::join_path(base, cpf);
    const std::string stem = store::join_path(out->folder, cpf + "-0000000000");
    out->xml = stem + ".xml";
    out->conf = stem + ".conf";
    out->bkp = stem + ".BKP";
    return Status::ok();
}

Status recover_interrupted(store::Env& env, const HandoverFiles& f) {
    if (!env.is_directory(f.folder)) return Status::ok();
    const std::string xml_aside = f.xml + std::string(kAside);
    const std::string conf_aside = f.conf + std::string(kAside);
    bool any = false;
    if (env.exists(xml_aside)) {
        // Cut off before the new pair was accepted: the earlier pair comes back, and a hash file
        // that was not aside belongs to the new document.
        any = true;
        if (Status s = env.rename(xml_aside, f.xml); !s) return s;
        Status s =
            env.exists(conf_aside) ? env.rename(conf_aside, f.conf) : remove_if_there(env, f.conf);
        if (!s) return s;
    } else if (env.exists(conf_aside)) {
        // Either cut off between setting the hash file and the document aside (no hash file
        // under the name: it comes back), or after the new pair was accepted, while the earlier
        // hash file was being dropped (the new one stands: the earlier goes).
        any = true;
        Status s = env.exists(f.conf) ? env.remove(conf_aside) : env.rename(conf_aside, f.conf);
        if (!s) return s;
    }
    std::vector<std::string> names;
    if (Status s = env.list(f.folder, &names); !s) return s;
    const std::string xml = store::base_of(f.xml), conf = store::base_of(f.conf);
    for (const auto& n : names) {
        const bool temp = n.size() > 4 && n.compare(n.size() - 4, 4, ".tmp") == 0 &&
                          (n.rfind(xml + ".", 0) == 0 || n.rfind(conf + ".", 0) == 0);
        if (temp) {
            any = true;
            if (Status s = env.remove(store::join_path(f.folder, n)); !s) return s;
        }
    }
    return any ? env.sync_dir(f.folder) : Status::ok();
}

Status DISQUETE(store::Env& env, Processes& processes, const HandoverSetup& setup,
                const std::string& cpf, const std::string& document) {
    HandoverFiles f;
    if (Status s = handover_files(setup.irpf_folder, cpf, &f); !s) return s;
    std::error_code ec;
    bool created = false;
    if (!env.is_directory(f.folder)) {
        if (!fs::create_directory(f.folder, ec) || ec)
            return Status::io_error(join_lines(
                {"Problemas ao criar a pasta indicada abaixo. Confira se o ",
                 "programa da Receita foi instalado nesse micro e na pasta indicada abaixo",
                 " Não sendo igual, corrija esse endereço no menu Env. Receita        ", f.folder,
                 VEJAERRO(ec ? ec.value() : EIO, f.folder)}));
        created = true;
    }
    // Removes what this run made of the folder when it created it.
    auto undo_folder = [&] {
        if (created) fs::remove_all(f.folder, ec);
    };
    if (Status s = recover_interrupted(env, f); !s) return s;
    if (Status s = copy_to_backup(env, setup.backup_folder, cpf, {f.xml, f.conf, f.bkp}); !s) {
        undo_folder();
        return Status::io_error("Cópia de segurança não gravada: " + s.message());
    }
    // The new document stands complete beside its name before anything is moved.
    std::unique_ptr<store::File> file;
    std::string temp;
    Status w = env.create_temp(f.xml, &file, &temp);
    if (w) w = file->write(0, document);
    if (w) w = file->sync();
    file.reset();
    if (!w) {
        if (!temp.empty()) (void)env.remove(temp);
        undo_folder();
        return Status::io_error("Problemas na gravação da Declaração. " + w.message());
    }
    // A hash file without its document is of no use to anyone (and kept in the copies).
    if (!env.exists(f.xml) && env.exists(f.conf)) {
        if (Status s = env.remove(f.conf); !s) {
            undo_folder();
            return s;
        }
    }
    PairAside aside(env, {f.conf, f.xml});
    Status s = aside.set_aside();
    if (s) s = env.rename(temp, f.xml);
    if (s) s = env.sync_dir(f.folder);
    if (s) s = run_hash(env, processes, setup.hash, f.xml, f.conf);
    if (!s) {
        (void)env.remove(temp);
        Status back = aside.put_back();
        if (!back)
            return Status::io_error(s.message() + " (a declaração anterior ficou em " + f.folder +
                                    ": " + back.message() + ")");
        undo_folder();
        return s;
    }
    // Done: the earlier pair and the government program's backup of the earlier one go.
    (void)aside.drop();
    (void)remove_if_there(env, f.bkp);
    (void)env.sync_dir(f.folder);
    return Status::ok();
}

HandoverOutcome PREPARA(Operator& op, store::Env& env, Processes& processes,
                        const HandoverSetup& setup, const tax::Declaration& d,
                        const std::vector<store::Record>& gains,
                        const std::vector<store::Record>& costs, const DocumentContext& ctx,
                        const rural::RuralTables* rural) {
    HandoverOutcome out;
    const auto started = std::chrono::steady_clock::now();
    auto stop = [&](HandoverOutcome::Result r, std::string reason) {
        out.result = r;
        out.reason = std::move(reason);
        return out;
    };
    if (trim(setup.irpf_folder).empty()) {
        op.notice(NoticeKind::kError, "",
                  "Preencha em Env Receita o Local onde está o programa da receita");
        return stop(HandoverOutcome::Result::kFailed,
                    "pasta do programa da receita não configurada");
    }
    if (d.num("SALDO").is_negative() &&
        !op.yes_no("",
                   join_lines({"ATENÇÃO! Essa declaração NÃO DEVE ser transferida ",
                               "nessas condições. Ela está com PROBLEMAS de CAIXA.",
                               "            Continua assim mesmo ?            "}),
                   false))
        return stop(HandoverOutcome::Result::kStopped, "problemas de caixa");
    if (!trim(d.registry.str("RECIBOATU")).empty() &&
        !op.yes_no("",
                   join_lines({"ATENÇÃO! Essa declaração já  foi entregue na receita.  ",
                               "Se transferir novamente pode alterar dados já transmitidos",
                               "             Continua assim mesmo ?                "}),
                   false))
        return stop(HandoverOutcome::Result::kStopped, "declaração já entregue");

    Document doc;
    if (Status s = build_document(d, gains, costs, ctx, &doc, rural); !s) {
        op.notice(NoticeKind::kError, "",
                  join_lines({"Os dados não foram transferidos para o programa da receita!",
                              s.message()}));
        return stop(HandoverOutcome::Result::kFailed, s.message());
    }
    out.notes = doc.notes;
    for (const auto& n : doc.notes)
        if (n.kind == DocumentNote::Kind::kWarning) op.notice(NoticeKind::kAttention, "", n.text);

    if (Status s = DISQUETE(env, processes, setup, d.cpf(), doc.text); !s) {
        HandoverFiles f;
        const bool named = handover_files(setup.irpf_folder, d.cpf(), &f).is_ok();
        op.notice(
            NoticeKind::kError, "",
            join_lines(
                {"A declaração não foi transferida", "Confira se a pasta de instalação do IRPF é: ",
                 named ? f.folder : setup.irpf_folder, "Corrija o local no envia para a receita\t ",
                 "Verifique também se o JAVA está instalado", s.message()}));
        op.notice(NoticeKind::kError, "",
                  "A declaração NÃO foi transferida para o programa da receita!");
        return stop(HandoverOutcome::Result::kFailed, s.message());
    }
    out.gains = doc.gains;
    const std::string name = trim(d.str("NOMECONTR"));
    if (setup.automatic) {
        op.status("Declaração de " + name + " foi transferida e " + two_digits(out.gains) +
                  " GCap");
    } else {
        const long secs = static_cast<long>(std::chrono::duration_cast<std::chrono::seconds>(
                                                std::chrono::steady_clock::now() - started)
                                                .count());
        char elapsed[32];
        std::snprintf(elapsed, sizeof elapsed, "%02ld:%02ld:%02ld", secs / 3600, secs / 60 % 60,
                      secs % 60);
        std::vector<std::string> lines = {
            "A declaração foi transferida para o programa da receita!"};
        if (out.gains > 0)
            lines.push_back("Transferidos " + std::to_string(out.gains) + " Ganho(s) de Capital");
        lines.push_back(std::string("em ") + elapsed);
        op.notice(NoticeKind::kInformation, "", join_lines(lines));
    }
    out.result = HandoverOutcome::Result::kDone;
    return out;
}

Status list_item(std::string_view document, std::string* item) {
    pugi::xml_document doc;
    const pugi::xml_parse_result r = doc.load_buffer(document.data(), document.size());
    if (!r) return Status::corrupt(std::string("documento mal formado: ") + r.description());
    pugi::xml_node id = doc.child("classe").child("copiaIdentificador");
    if (!id) return Status::corrupt("documento sem copiaIdentificador");
    pugi::xml_document one;
    pugi::xml_node copy = one.append_copy(id);
    copy.set_name("item");
    for (pugi::xml_node c = copy.first_child(); c;) {
        pugi::xml_node next = c.next_sibling();
        copy.remove_child(c);
        c = next;
    }
    std::ostringstream s;
    copy.print(s, "", pugi::format_raw);
    *item = s.str();
    return Status::ok();
}

Status RECUP_INDICE(Operator& op, store::Env& env, Processes& processes, const HandoverSetup& setup,
                    const std::string& xmlns, const std::string& year, bool ask, ListOutcome* out) {
    *out = ListOutcome{};
    const std::string folder = setup.irpf_folder;
    if (ask &&
        !op.yes_no("",
                   join_lines({"Essa opção deve ser usada para recuperar a lista dos CPFs",
                               "perdidos nas declarações da Receita IRPF 20" + year, " Continua?"}),
                   true))
        return Status::cancelled("recuperação não confirmada");
    std::vector<std::string> names;
    if (trim(folder).empty() || !env.is_directory(folder) || !env.list(folder, &names) ||
        names.empty()) {
        // (The listing counted "." and ".." besides the entries: fewer than three is none.)
        if (ask)
            op.notice(NoticeKind::kWarning, "",
                      "Não existem arquivos para serem recuperados! A Pasta esta correta?");
        return Status::not_found("Não existem arquivos para serem recuperados na pasta " + folder);
    }
    if (xmlns.empty()) return Status::invalid("Namespace das declarações desconhecido");
    std::sort(names.begin(), names.end());
    std::string items;
    for (const auto& name : names) {
        const std::string dir = store::join_path(folder, name);
        if (name.size() != 11 || name[0] < '0' || name[0] > '9' || !env.is_directory(dir)) continue;
        ++out->folders;
        std::vector<std::string> files;
        if (Status s = env.list(dir, &files); !s) return s;
        std::sort(files.begin(), files.end());
        std::string xml;
        for (const auto& file : files) {
            // CPF + "-" + ten characters + ".xml", with its ".conf".
            if (file.size() != 11 + 1 + 10 + 4 || file.compare(0, 12, name + "-") != 0 ||
                file.compare(22, 4, ".xml") != 0)
                continue;
            if (env.exists(store::join_path(dir, file.substr(0, 22) + ".conf"))) {
                xml = file;
                break;
            }
        }
        if (xml.empty()) {
            ++out->without_conf;
            out->left_alone.push_back(name + ": sem arquivo CONF");
            continue;
        }
        std::string bytes, item;
        Status r = read_all(env, store::join_path(dir, xml), &bytes);
        if (r) r = list_item(bytes, &item);
        if (!r) {
            ++out->defective;
            out->left_alone.push_back(name + ": Erro de leitura " + xml + " (" + r.message() + ")");
            continue;
        }
        ++out->recovered;
        ++(xml.compare(12, 10, "0000000000") == 0 ? out->preparing : out->transmitted);
        items += item;
    }
    std::string ns;
    for (char c : xmlns)
        ns += c == '"'   ? std::string("&quot;")
              : c == '&' ? std::string("&amp;")
              : c == '<' ? std::string("&lt;")
                         : std::string(1, c);
    out->list = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><classe xmlns=\"" + ns +
                "\" classeJava=\"serpro.ppgd.irpf.ColecaoIdDeclaracao\" "
                "tipoItens=\"serpro.ppgd.irpf.IdentificadorDeclaracao\">" +
                items + "</classe>";

    const std::string list = store::join_path(folder, "iddeclaracoes.xml");
    const std::string conf = store::join_path(folder, "iddeclaracoes.conf");
    if (Status s = copy_to_backup(env, setup.backup_folder, "iddeclaracoes", {list, conf}); !s)
        return Status::io_error("Cópia de segurança não gravada: " + s.message());
    PairAside aside(env, {conf, list});
    Status s = aside.set_aside();
    if (s) {
        s = write_whole(env, list, out->list);
        if (!s) {
            s = Status::io_error("Problemas na gravação da Declaração. " + s.message());
            if (ask) op.notice(NoticeKind::kError, "", "Problemas na gravação da Declaração.");
        } else {
            s = run_hash(env, processes, setup.hash, list, conf);
            if (!s && ask)
                op.notice(NoticeKind::kError, "",
                          join_lines({"Confira a versão do Java! ",
                                      "Confira se a pasta de instalação do IRPF é: ", folder,
                                      s.message()}));
        }
    }
    if (!s) {
        Status back = aside.put_back();
        if (!back) return Status::io_error(s.message() + " (" + back.message() + ")");
        return s;
    }
    (void)aside.drop();
    if (ask) {
        std::vector<std::string> lines = {"    Do total de " + std::to_string(out->folders) +
                                          " pastas foram:"};
        auto line = [&](int n, const std::string& text) {
            if (n > 0) lines.push_back(text);
        };
        const int missed = out->without_conf + out->defective;
        line(out->recovered, "    Recuperadas " + std::to_string(out->recovered) + " declarações");
        line(missed, "Não recuperadas " + std::to_string(missed) + " sendo:");
        line(out->without_conf,
             "   Pasta Vazia  " + std::to_string(out->without_conf) + " sem arquivo CONF");
        line(out->defective, "   Arquivo XML  " + std::to_string(out->defective) + " com defeito");
        line(out->preparing, "  Em preenchimento " + std::to_string(out->preparing) + " OK ");
        line(out->transmitted, "  Já Transmitidas  " + std::to_string(out->transmitted) + " OK ");
        for (const auto& l : out->left_alone) lines.push_back(l);
        op.notice(NoticeKind::kInformation, "Recuperação de CPF´s do programa da Receita",
                  join_lines(lines));
    }
    return Status::ok();
}

}  // namespace vorn::output
