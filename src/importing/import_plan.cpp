#include "importing/import_plan.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>

#include "base/text.h"
#include "importing/asset_list.h"
#include "importing/income_statement_xml.h"
#include "importing/lcdpr_file.h"
#include "importing/leao_book.h"
#include "importing/rural_book.h"
#include "rural/book_folder.h"
#include "rural/open_rural.h"
#include "store/catalogue.h"
#include "store/cdx_index.h"
#include "store/dbf.h"
#include "store/declaration.h"
#include "store/workareas.h"
#include "tax/open_computation.h"
#include "tax/year.h"

namespace vorn::importing {
namespace {

using Outcome = ImportResult::Outcome;

struct KindName {
    const char* option;
    ImportKind kind;
};
constexpr KindName kKinds[] = {
    {"11", ImportKind::kRuralBook},   {"20.1", ImportKind::kAssetsRealEstate},
    {"20.2", ImportKind::kAssetsAll}, {"21", ImportKind::kAssetsXml},
    {"22", ImportKind::kAuxTables},   {"23", ImportKind::kLeao},
    {"24", ImportKind::kLcdpr},       {"26", ImportKind::kStatements}};

bool ends_with_nocase(const std::string& name, std::string_view tail) {
    return name.size() >= tail.size() &&
           upper(name.substr(name.size() - tail.size())) == upper(std::string(tail));
}
bool starts_with_nocase(const std::string& name, std::string_view head) {
    return name.size() >= head.size() &&
           upper(name.substr(0, head.size())) == upper(std::string(head));
}

// Whether a file name answers the kind's mask.
bool matches(ImportKind kind, const std::string& name) {
    switch (kind) {
        case ImportKind::kAssetsRealEstate:
        case ImportKind::kAssetsAll:
            return starts_with_nocase(name, "Bens") && ends_with_nocase(name, ".TXT");
        case ImportKind::kAssetsXml:
            return starts_with_nocase(name, "Bens") && ends_with_nocase(name, ".xml");
        case ImportKind::kLeao:
            return ends_with_nocase(name, "LEAO.TXT");
        case ImportKind::kLcdpr:
            return ends_with_nocase(name, ".txt") && upper(name).find("LCDPR") != std::string::npos;
        case ImportKind::kStatements:
            return ends_with_nocase(name, "xml.XML");
        case ImportKind::kRuralBook: {
            // The cash-book program's export ("EXPORTA-IRPF2026" from the 30th character) or
            // backup ("COPIA-SEG" there).
            const std::string up = upper(name);
            return (up.size() >= 45 &&
                    up.compare(29, 16, std::string("EXPORTA-IRPF20") + tax::CANOATUAL) == 0) ||
                   (up.size() >= 38 && up.compare(29, 9, "COPIA-SEG") == 0);
        }
        case ImportKind::kAuxTables:
            break;  // copied whole, not taxpayer by taxpayer
    }
    return false;
}

std::string origin_of(ImportKind kind) {
    switch (kind) {
        case ImportKind::kAssetsRealEstate:
        case ImportKind::kAssetsAll:
            return "Arquivo.TXT";
        case ImportKind::kAssetsXml:
            return "Arquivo.XML";
        case ImportKind::kLeao:
            return "ArquivoLEAO";
        case ImportKind::kLcdpr:
            return "LCDPR";
        case ImportKind::kStatements:
            return "Informe";
        case ImportKind::kRuralBook:
            return "Livro Caixa";
        case ImportKind::kAuxTables:
            break;
    }
    return "";
}

// A registered declaration: its name and the terminal it is open on.
struct Registered {
    std::string name, NUSUAT;
};

Status read_registry(store::Env& env, const std::string& folder,
                     std::map<std::string, Registered>* out) {
    out->clear();
    const std::string path = store::data_table_path(env, folder, 9);
    if (!env.exists(path)) return Status::ok();
    std::unique_ptr<store::Table> t;
    store::OpenOptions o;
    o.read_only = true;
    Status s = store::Table::open(env, path, o, &t);
    if (!s) return s;
    for (s = t->go_top(); s && !t->eof(); s = t->skip())
        (*out)[trim(t->str("CPF"))] = {trim(t->str("NOMECONTR")), trim(t->str("NUSUAT"))};
    Status c = t->close();
    return s ? c : s;
}

// Puts another terminal's in-use mark back on a declaration's registry record: it opened the
// declaration between this run's look at the registry and its load, whose mark replaced theirs.
Status restore_mark(store::Env& env, const std::string& folder, const std::string& cpf,
                    const std::string& mark) {
    std::unique_ptr<store::Table> t;
    Status s =
        store::Table::open(env, store::data_table_path(env, folder, 9), store::OpenOptions{}, &t);
    if (!s) return s;
    std::vector<uint32_t> slots;
    s = store::records_of(*t, cpf, nullptr, &slots);
    if (s && !slots.empty()) {
        s = t->go_to(slots.front());
        if (s) s = t->lock_record();
        store::Record r(t->layout_ptr());
        if (s) s = t->read(r);
        if (s) {
            r.set("NUSUAT", mark);
            s = t->put(r);
        }
        Status u = t->unlock();
        if (s) s = u;
    }
    Status c = t->close();
    return s ? c : s;
}

// The CPF a file name gives: characters 5 to 15 ("Bens" + CPF) or 1 to 11.
std::optional<std::string> cpf_of_name(const std::string& name, size_t from) {
    if (name.size() < from + 11) return std::nullopt;
    const std::string d = name.substr(from, 11);
    if (digits_of(d) != d) return std::nullopt;
    return d;
}

std::string first_bad(const Notes& notes) {
    const BadLine& b = notes.bad.front();
    return (b.line ? "linha " + std::to_string(b.line) + ": " : std::string()) + b.reason;
}

// What a file changes in a loaded declaration: sets `changed` when anything differs, and the
// count of what was taken and found already there.
struct Plan {
    virtual ~Plan() = default;
    [[nodiscard]] virtual Status apply(store::Declaration& d, bool* changed) = 0;
    std::string done;  // what the result line tells
    std::vector<std::string> notes;
};

struct AssetsPlan final : Plan {
    AssetList list;
    bool by_item_number = false;
    Status apply(store::Declaration& d, bool* changed) override {
        std::vector<store::Record> rows;
        Status s = d.working_records(4, &rows);
        if (!s) return s;
        std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
            return a.num("I7_0") < b.num("I7_0");
        });
        std::vector<store::Record> placed = place_assets(list, rows, by_item_number);
        for (auto& r : placed) r.set("CPF", d.cpf());
        *changed = !same_rows(placed, rows);
        done = std::to_string(list.items.size()) + " bens";
        return *changed ? d.replace_working(4, placed) : Status::ok();
    }
};

struct LeaoPlan final : Plan {
    LeaoBook book;
    Status apply(store::Declaration& d, bool* changed) override {
        std::vector<store::Record> rows;
        Status s = d.working_records(2, &rows);
        if (!s) return s;
        const size_t before = rows.size();
        int existing = 0;
        for (const auto& income : book.incomes) {
            if (leao_income_present(income, rows)) {
                ++existing;
                continue;
            }
            store::Record r = income;
            r.set("CPF", d.cpf());
            rows.push_back(std::move(r));
        }
        *changed = rows.size() != before;
        done = "Feitos " + pad_left(std::to_string(rows.size() - before), 4, '0') +
               " lançamentos, " + std::to_string(existing) + " já existentes";
        return *changed ? d.replace_working(2, rows) : Status::ok();
    }
};

struct StatementPlan final : Plan {
    IncomeStatement st;
    Status apply(store::Declaration& d, bool* changed) override {
        std::vector<store::Record> incomes, payments;
        Status s = d.working_records(2, &incomes);
        if (s) s = d.working_records(6, &payments);
        if (!s) return s;
        StatementChanges c = apply_income_statement(st, d.cpf(), incomes, payments);
        *changed = c.changed;
        notes = c.notices;
        done = std::to_string(st.values.size()) + " valores de " + st.company;
        if (!c.changed) return Status::ok();
        s = d.replace_working(2, c.incomes);
        return s ? d.replace_working(6, c.payments) : s;
    }
};

struct LcdprPlan final : Plan {
    LcdprBook book;
    bool all = true;
    Status apply(store::Declaration& d, bool* changed) override {
        *changed = false;
        store::DeclarationValues& v = d.values();
        auto set_value = [&](const char* name, const std::string& text) {
            const store::Record& reg = v.registry();
            const size_t width = static_cast<size_t>(reg.layout()[reg.layout().index(name)].width);
            const std::string t = trim(text);
            if (char_count(t) > width) notes.push_back(std::string(name) + " cortado: " + t);
            if (trim(v.str(name)) != left(t, width)) {
                v.set(name, left(t, width));
                *changed = true;
            }
        };
        if (trim(v.str("ENDERECO")).empty()) {
            set_value("TIPOEND", book.street_type);
            set_value("ENDERECO", book.street);
            set_value("NUMERO", book.number);
            set_value("COMPLEM", book.complement);
            set_value("BAIRRO", book.district);
            set_value("UF", book.uf);
            set_value("CEP", book.cep);
            const std::string phone = digits_of(book.phone);
            if (phone.size() > 2) {
                set_value("DDDTEL", phone.substr(0, 2));
                set_value("TELEFO", phone.substr(2));
            }
            set_value("EMAIL", book.email);
        }
        set_value("TEMRURAL", "S");
        set_value("ATV_BRASIL", "S");
        auto replace = [&](int n, std::vector<store::Record> rows) {
            std::vector<store::Record> now;
            Status s = d.working_records(n, &now);
            for (auto& r : rows) r.set("CPF", d.cpf());
            if (!s || same_rows(now, rows)) return s;
            *changed = true;
            return d.replace_working(n, rows);
        };
        Status s;
        if (all) s = replace(16, book.properties);
        if (s) s = replace(21, book.accounts);
        if (s) s = replace(19, book.entries);
        std::vector<store::Record> results;
        if (s) s = d.working_records(15, &results);
        if (!s) return s;
        auto it = std::find_if(results.begin(), results.end(),
                               [](const auto& r) { return r.str("ATV_BRASIL") == "S"; });
        if (it == results.end()) {
            results.push_back(store::Record(store::table_def(15)->layout));
            it = results.end() - 1;
            it->set("ATV_BRASIL", "S");
        }
        for (int m = 1; m <= 12; ++m)
            for (const char* suffix : {"OR", "OD"}) {
                char name[12];
                std::snprintf(name, sizeof name, "I3_%02d%s", m, suffix);
                it->set(name, book.result.num(name));
            }
        for (const char* f : {"NOME_CONT", "CPFCNPJ_CO", "CRC_CONT", "EMAIL_CONT", "FONE_CONT"})
            it->set(f, book.result.str(f));
        it->set("TIPO_LANCA", Decimal(2));
        s = replace(15, results);
        done = std::to_string(book.properties.size()) + " imóveis, " +
               std::to_string(book.accounts.size()) + " contas, " +
               std::to_string(book.entries.size()) + " lançamentos";
        return s;
    }
};

// Reads and checks the file: the plan, or the refusal.
std::unique_ptr<Plan> read_plan(const ImportRequest& rq, const Candidate& c, std::string_view bytes,
                                std::string* refused, std::vector<std::string>* cuts) {
    auto take = [&](const Notes& notes) {
        *cuts = notes.cuts;
        if (!notes.bad.empty()) *refused = first_bad(notes);
        return notes.bad.empty();
    };
    switch (rq.kind) {
        case ImportKind::kAssetsRealEstate:
        case ImportKind::kAssetsAll:
        case ImportKind::kAssetsXml: {
            auto p = std::make_unique<AssetsPlan>();
            p->list = rq.kind == ImportKind::kAssetsXml
                          ? read_assets_xml(bytes, c.cpf)
                          : read_assets_text(bytes, c.cpf, rq.kind == ImportKind::kAssetsAll);
            p->by_item_number = rq.kind == ImportKind::kAssetsRealEstate;
            if (!take(p->list.notes)) return nullptr;
            if (p->list.items.empty()) {
                *refused = "nenhum bem no arquivo";
                return nullptr;
            }
            return p;
        }
        case ImportKind::kLeao: {
            auto p = std::make_unique<LeaoPlan>();
            p->book = read_leao_book(bytes, c.cpf);
            if (!p->book.refused.empty()) {
                *refused = p->book.refused;
                return nullptr;
            }
            if (!take(p->book.notes)) return nullptr;
            return p;
        }
        case ImportKind::kLcdpr: {
            auto p = std::make_unique<LcdprPlan>();
            p->book = read_lcdpr(bytes);
            p->all = rq.lcdpr_all;
            if (!take(p->book.notes)) return nullptr;
            if (p->book.cpf != c.cpf) {
                *refused = "o CPF do livro mudou desde a busca";
                return nullptr;
            }
            return p;
        }
        case ImportKind::kStatements: {
            auto p = std::make_unique<StatementPlan>();
            p->st = read_income_statement(bytes);
            if (!take(p->st.notes)) return nullptr;
            if (p->st.exercise != std::to_string(tax::NANOATUAL)) {
                *refused = "O Informe de Rendimentos não é desse exercício!";
                return nullptr;
            }
            if (p->st.cpf != c.cpf) {
                *refused = "o CPF do informe mudou desde a busca";
                return nullptr;
            }
            return p;
        }
        case ImportKind::kRuralBook:  // imported by import_rural
        case ImportKind::kAuxTables:
            break;
    }
    *refused = "as tabelas auxiliares não são de um contribuinte";
    return nullptr;
}

}  // namespace

std::optional<ImportKind> import_kind(std::string_view option) {
    for (const auto& k : kKinds)
        if (option == k.option) return k.kind;
    return std::nullopt;
}

std::string import_kinds_text() {
    std::string out;
    for (const auto& k : kKinds) out += (out.empty() ? "" : ", ") + std::string(k.option);
    return out;
}

Status registered_cpfs(store::Env& env, const std::string& folder, std::set<std::string>* out) {
    std::map<std::string, Registered> registry;
    Status s = read_registry(env, folder, &registry);
    out->clear();
    for (const auto& [cpf, reg] : registry) out->insert(cpf);
    return s;
}

Status office_folders(store::Env& env, const std::string& install, const std::string& terminal,
                      std::vector<std::string>* out) {
    out->clear();
    const std::string path =
        store::find_file(env, install, store::table_def(50)->file_base(terminal) + ".DBF");
    if (!env.exists(path)) return Status::ok();
    std::unique_ptr<store::Table> t;
    store::OpenOptions o;
    o.read_only = true;
    Status s = store::Table::open(env, path, o, &t);
    if (!s) return s;
    for (s = t->go_top(); s && !t->eof(); s = t->skip()) {
        std::string dir = trim(t->str("DIRETOR"));
        while (dir.size() > 1 && (dir.back() == '/' || dir.back() == '\\')) dir.pop_back();
        if (!dir.empty()) out->push_back(dir);
    }
    Status c = t->close();
    return s ? c : s;
}

Status gather_candidates(store::Env& env, ImportKind kind, const std::string& source,
                         const std::string& folder, std::vector<Candidate>* out,
                         std::vector<Passed>* passed, const std::vector<std::string>& others) {
    out->clear();
    passed->clear();
    std::map<std::string, Registered> registry;
    Status s = read_registry(env, folder, &registry);
    if (!s) return s;
    std::vector<std::string> names;
    s = env.list(source, &names);
    if (!s) return s;
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        const std::string path = store::join_path(source, name);
        if (!matches(kind, name) || env.is_directory(path)) continue;
        if (path.size() > kMaxFileName) {
            passed->push_back({name, "nome com mais de " + std::to_string(kMaxFileName) +
                                         " caracteres com a pasta"});
            continue;
        }
        Candidate c;
        c.path = path;
        c.file = name;
        c.origin = origin_of(kind);
        std::optional<std::string> cpf;
        if (kind == ImportKind::kLeao) {
            cpf = cpf_of_name(name, 0);
        } else if (kind == ImportKind::kRuralBook) {
            // The declarant of record "01": CPF at 3 to 13, name at 14 to 66.
            std::string bytes;
            if (Status r = read_bytes(env, path, &bytes); !r) {
                passed->push_back({name, "ilegível: " + r.message()});
                continue;
            }
            for (size_t at = 0; at < bytes.size();) {
                size_t end = bytes.find('\n', at);
                if (end == std::string::npos) end = bytes.size();
                const std::string line = bytes.substr(at, end - at);
                if (line.rfind("01", 0) == 0 && line.size() >= 13) {
                    cpf = cpf_of_name(line.substr(2, 11), 0);
                    c.name = trim(from_cp1252(line.size() > 13 ? line.substr(13, 53) : ""));
                    break;
                }
                at = end + 1;
            }
            if (!cpf) {
                passed->push_back({name, "sem o registro 01 do declarante"});
                continue;
            }
        } else if (kind == ImportKind::kLcdpr || kind == ImportKind::kStatements) {
            std::string bytes;
            if (Status r = read_bytes(env, path, &bytes); !r) {
                passed->push_back({name, "ilegível: " + r.message()});
                continue;
            }
            if (bytes.empty()) continue;  // an empty file is no candidate
            if (kind == ImportKind::kLcdpr) {
                const LcdprBook head = read_lcdpr_head(bytes);
                if (!head.notes.bad.empty()) {
                    passed->push_back({name, first_bad(head.notes)});
                    continue;
                }
                cpf = head.cpf;
                c.name = head.name;
                c.origin = head.layout_name + " " + head.year;
            } else {
                const IncomeStatement st = read_income_statement(bytes);
                if (st.cpf.empty()) {
                    passed->push_back(
                        {name, st.notes.bad.empty() ? "informe sem CPF" : first_bad(st.notes)});
                    continue;
                }
                cpf = st.cpf;
                c.name = st.name;
                c.origin = "Informe " + st.year;
            }
        } else {
            cpf = cpf_of_name(name, 4);
        }
        if (!cpf) {
            passed->push_back({name, "sem CPF no nome"});
            continue;
        }
        c.cpf = *cpf;
        auto reg = registry.find(c.cpf);
        c.registered = reg != registry.end();
        if (c.registered) {
            c.name = reg->second.name;
        } else if (kind != ImportKind::kLcdpr) {
            const std::string who = c.name.empty() ? "" : " - " + left(c.name, 20);
            std::string elsewhere;
            for (const std::string& other : others) {
                auto bare = [](std::string f) {
                    while (f.size() > 1 && f.back() == '/') f.pop_back();
                    return f;
                };
                if (bare(other) == bare(folder)) continue;
                std::map<std::string, Registered> there;
                if (read_registry(env, other, &there) && there.count(c.cpf)) {
                    elsewhere = other;
                    break;
                }
            }
            passed->push_back({name, elsewhere.empty()
                                         ? "CPF - " + c.cpf + who + " - não foi encontrado."
                                         : "CPF - " + c.cpf + who + " - está na pasta " +
                                               elsewhere + "; importe-o com --folder " +
                                               elsewhere});
            continue;
        }
        out->push_back(std::move(c));
    }
    std::stable_sort(out->begin(), out->end(), [](const Candidate& a, const Candidate& b) {
        return upper(a.name) < upper(b.name);
    });
    return Status::ok();
}

namespace {

// What a save computes: the rural result first (at the office's dollar rate), since the annual
// computation reads it.
store::Declaration::Computation computation_of(store::Env& env, const ImportRequest& rq) {
    Decimal dollar;
    (void)rural::read_dollar_rate(env, rq.install, &dollar);
    return [annual = tax::OpenComputation(*rq.clock, *rq.selic), dollar](store::Declaration& d) {
        if (Status s = rural::recompute_open(d, dollar); !s) return s;
        return annual(d);
    };
}

// Kind 11: the rural cash book replaced from the file (rural_book.h does the checking and the
// writing through the declaration layer).
ImportResult import_rural(store::Env& env, const ImportRequest& rq, const Candidate& c,
                          Operator& op) {
    ImportResult res;
    store::WorkAreas w(env, op, *rq.clock);
    store::CdxIndexFiles cdx(op);
    w.ARQDEF = rq.install;
    w.LOCARQ = rq.folder;
    w.NUSU = rq.terminal;
    w.index_files = &cdx;
    RuralBookImport in{
        rq.folder, c.cpf, c.path, rq.check, {rq.folder, "IMPORTACAO"}, computation_of(env, rq)};
    ImportReport report;
    const Status s = import_rural_book(w, in, &report);
    res.notes = report.lines();
    if (s) {
        res.outcome = rq.check ? ImportResult::Outcome::kChecked : ImportResult::Outcome::kImported;
        res.text = std::to_string(report.entries) + " lançamentos";
        return res;
    }
    if (s.code() == Status::Code::kLocked &&
        s.message().find("aberta no terminal") != std::string::npos) {
        res.outcome = ImportResult::Outcome::kInUse;
        const size_t at = s.message().rfind(' ');
        res.text = at == std::string::npos ? s.message() : s.message().substr(at + 1);
        return res;
    }
    res.outcome = ImportResult::Outcome::kRefused;
    res.text = report.bad_lines.empty() ? s.message()
                                        : "linha " + std::to_string(report.bad_lines.front().line) +
                                              ": " + report.bad_lines.front().reason;
    return res;
}

}  // namespace

ImportResult import_file(store::Env& env, const ImportRequest& rq, const Candidate& c,
                         Operator& op) {
    ImportResult res;
    auto refuse = [&](std::string why) {
        res.outcome = Outcome::kRefused;
        res.text = std::move(why);
        return res;
    };
    if (c.path.size() > kMaxFileName)
        return refuse("nome com mais de " + std::to_string(kMaxFileName) + " caracteres");
    if (rq.kind == ImportKind::kRuralBook) return import_rural(env, rq, c, op);
    std::string bytes;
    if (Status s = read_bytes(env, c.path, &bytes); !s)
        return refuse("Erro de leitura: " + s.message());
    std::string refused;
    std::unique_ptr<Plan> plan = read_plan(rq, c, bytes, &refused, &res.notes);
    if (!plan) return refuse(refused);

    const std::optional<std::string> new_name =
        rq.kind == ImportKind::kLcdpr ? std::optional<std::string>(c.name) : std::nullopt;
    ImportResult done = change_declaration(
        env, rq, c.cpf, new_name,
        [&plan](store::Declaration& d, bool* changed, std::vector<std::string>* notes,
                std::string* text) {
            Status s = plan->apply(d, changed);
            for (const auto& n : plan->notes) notes->push_back(n);
            *text = plan->done;
            return s;
        },
        op);
    done.notes.insert(done.notes.begin(), res.notes.begin(), res.notes.end());
    return done;
}

ImportResult change_declaration(store::Env& env, const ImportRequest& rq, const std::string& cpf,
                                const std::optional<std::string>& new_name,
                                const DeclarationChange& change, Operator& op) {
    ImportResult res;
    auto refuse = [&](std::string why) {
        res.outcome = Outcome::kRefused;
        res.text = std::move(why);
        return res;
    };
    // The declaration as it stands now: still registered, and free.
    std::map<std::string, Registered> registry;
    if (Status s = read_registry(env, rq.folder, &registry); !s) return refuse(s.message());
    auto reg = registry.find(cpf);
    const bool registered = reg != registry.end();
    if (!registered && !new_name) return refuse("CPF " + cpf + " não cadastrado na pasta");
    if (registered && !reg->second.NUSUAT.empty()) {
        res.outcome = Outcome::kInUse;
        res.text = reg->second.NUSUAT;
        return res;
    }
    if (rq.check) {
        res.outcome = Outcome::kChecked;
        res.text = registered ? "pode ser importado" : "pode ser importado (cadastro novo)";
        return res;
    }
    if (store::unfinished_work(env, rq.folder, rq.terminal))
        return refuse("o terminal " + rq.terminal +
                      " tem uma declaração não terminada nesta pasta; recupere-a antes");

    store::WorkAreas w(env, op, *rq.clock);
    store::CdxIndexFiles cdx(op);
    w.ARQDEF = rq.install;
    w.LOCARQ = rq.folder;
    w.NUSU = rq.terminal;
    w.index_files = &cdx;
    store::Declaration d(w, {rq.folder, "IMPORTACAO"});
    d.set_computation(computation_of(env, rq));
    Status s = d.load(cpf, registered ? store::LoadMode::kExisting : store::LoadMode::kNew, true);
    if (!s) return refuse("declaração não carregada: " + s.message());
    // Opened on a terminal between the look at the registry and the load: theirs, left alone.
    const std::string taken = trim(d.values().str("NUSUAT"));
    if (registered && !taken.empty() && taken != rq.terminal) {
        s = restore_mark(env, rq.folder, cpf, taken);
        if (s) s = d.release();
        if (!s) return refuse("declaração aberta no terminal " + taken + ": " + s.message());
        res.outcome = Outcome::kInUse;
        res.text = taken;
        return res;
    }
    if (!registered) {
        // A declarant new to the folder, by the name the caller gives.
        if (char_count(*new_name) > 53) res.notes.push_back("NOMECONTR cortado: " + *new_name);
        d.values().set("NOMECONTR", left(*new_name, 53));
        res.notes.push_back("cadastro novo: " + left(*new_name, 53));
    }
    bool changed = !registered;
    std::string done;
    s = change(d, &changed, &res.notes, &done);
    if (!s) {
        // Nothing reached the shared tables: the declaration is freed as it was.
        Status r = d.release();
        return refuse("declaração não alterada: " + s.message() +
                      (r ? std::string() : " (" + r.message() + ")"));
    }
    if (!changed) {
        // Everything was there already: the declaration is freed as it was.
        s = d.release();
        if (!s) return refuse("declaração não liberada: " + s.message());
        res.outcome = Outcome::kExisting;
        res.text = done;
        return res;
    }
    s = d.save(true);
    if (!s)
        return refuse("gravação interrompida: " + s.message() + " (a declaração fica no terminal " +
                      rq.terminal + " para recuperação)");
    res.outcome = Outcome::kImported;
    res.text = done;
    return res;
}

}  // namespace vorn::importing
