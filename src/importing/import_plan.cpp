#include "importing/import_plan.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>

#include "base/text.h"
#include "importing/asset_list.h"
#include "importing/government_file.h"
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
constexpr KindName kKinds[] = {{"3", ImportKind::kGovAll},
                               {"5", ImportKind::kGovReceipts},
                               {"7", ImportKind::kGovPrefilled},
                               {"8", ImportKind::kGovIndividual},
                               {"11", ImportKind::kRuralBook},
                               {"12", ImportKind::kGovIncome},
                               {"13", ImportKind::kGovNewAssets},
                               {"14", ImportKind::kGovPayments},
                               {"20.1", ImportKind::kAssetsRealEstate},
                               {"20.2", ImportKind::kAssetsAll},
                               {"21", ImportKind::kAssetsXml},
                               {"22", ImportKind::kAuxTables},
                               {"23", ImportKind::kLeao},
                               {"24", ImportKind::kLcdpr},
                               {"26", ImportKind::kStatements}};

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
    if (government_kind(kind)) {
        if (!ends_with_nocase(name, ".DEC") && !ends_with_nocase(name, ".DBK") &&
            !ends_with_nocase(name, ".BAK"))
            return false;
        // The pre-filled declaration: "IRPF-PP-20" + last year from the 13th character.
        return kind != ImportKind::kGovPrefilled ||
               (name.size() >= 24 &&
                upper(name.substr(12, 12)) == std::string("IRPF-PP-20") + tax::CANOANTER);
    }
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
        default:
            break;  // the auxiliary tables are copied whole, not taxpayer by taxpayer
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
        default:
            break;  // a government file's origin comes from its header
    }
    return "";
}

// A registered declaration: its name and the terminal it is open on.
struct Registered {
    std::string name, NUSUAT;
};

// The folder's registry opened for reading; none (and no error) when the folder has none.
Status open_registry(store::Env& env, const std::string& folder, std::unique_ptr<store::Table>* t) {
    const std::string path = store::data_table_path(env, folder, 9);
    if (!env.exists(path)) return Status::ok();
    store::OpenOptions o;
    o.read_only = true;
    return store::Table::open(env, path, o, t);
}

Status read_registry(store::Env& env, const std::string& folder,
                     std::map<std::string, Registered>* out) {
    out->clear();
    std::unique_ptr<store::Table> t;
    Status s = open_registry(env, folder, &t);
    if (!s || !t) return s;
    for (s = t->go_top(); s && !t->eof(); s = t->skip())
        (*out)[trim(t->str("CPF"))] = {trim(t->str("NOMECONTR")), trim(t->str("NUSUAT"))};
    Status c = t->close();
    return s ? c : s;
}

// One CPF's registry record, looked up through the registry's index: nullopt when the folder has
// none for it.
Status read_registered(store::Env& env, const std::string& folder, const std::string& cpf,
                       std::optional<Registered>* out) {
    out->reset();
    std::unique_ptr<store::Table> t;
    Status s = open_registry(env, folder, &t);
    if (!s || !t) return s;
    std::vector<store::Record> rows;
    s = store::records_of(*t, cpf, &rows, nullptr);
    if (s && !rows.empty())
        *out = Registered{trim(rows.front().str("NOMECONTR")), trim(rows.front().str("NUSUAT"))};
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
    // After the save, with the computation's figures: notes on what the file said otherwise.
    virtual void saved(const store::Declaration&) {}
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

// Whether two values are the same as a table stores them.
bool same_value(const store::Value& a, const store::Value& b) {
    const auto* x = std::get_if<std::string>(&a);
    const auto* y = std::get_if<std::string>(&b);
    if (x && y) return trim_right(*x) == trim_right(*y);
    return a == b;
}

// The income kinds records 21, 32, 22 and 49 give: company income of the titular and of
// dependants, income from individuals and abroad, cash-book expenses, social security and
// Carnê-Leão paid. Items of other kinds (accumulated income ...) are not in those records and stay.
bool read_income_kind(const store::Record& r) {
    const std::string k = r.str("I1_1");
    return k == "J" || k == "D" || k == "F" || k == "E" || k == "L" || k == "P" || k == "I";
}
bool individual_kind(const store::Record& r) {
    const std::string k = r.str("I1_1");
    return k == "F" || k == "E" || k == "L" || k == "P" || k == "I";
}
// Dependants proper (alimony recipients and heirs, codes 98 and up, come from other records).
bool dependant_row(const store::Record& r) {
    return r.num("CODIDEPEN") < Decimal(98);
}

// An asset's identity for "only new items": its group and code and its description, blanks and
// case aside.
std::string asset_key(const store::Record& r) {
    std::string d;
    for (char c : upper(trim(r.str("I7_2"))))
        if (c != ' ' || (!d.empty() && d.back() != ' ')) d += c;
    return trim(r.str("GRPO")) + "/" + trim(r.str("CODB")) + "/" + trim(d);
}

// The record types a kind reads, for telling which of them were left out.
bool relevant_unread(ImportKind kind, const std::string& type) {
    switch (kind) {
        case ImportKind::kGovAll:
        case ImportKind::kGovPrefilled:
            return true;
        case ImportKind::kGovIncome:
            return type.rfind("23/", 0) == 0 || type == "45" || type == "47" ||
                   (type >= "80" && type <= "89");
        case ImportKind::kGovPayments:
            return type == "90" || type == "91" || type == "92";
        default:
            return false;
    }
}

struct GovernmentPlan final : Plan {
    ImportKind kind = ImportKind::kGovAll;
    GovernmentFile file;
    std::optional<ReceiptFile> receipt;
    bool as_rectification = false;

    Status apply(store::Declaration& d, bool* changed) override {
        store::DeclarationValues& v = d.values();
        auto set = [&](const std::string& name, const store::Value& value) {
            if (same_value(v.value(name), value)) return;
            v.set(name, value);
            *changed = true;
        };
        // A summary value is written, but the computation has the last word on it (some are
        // derived from the items again): whether it changes the declaration is seen below.
        std::vector<std::pair<std::string, store::Value>> summary_before;
        auto set_summary = [&](const std::string& name, const store::Value& value) {
            summary_before.emplace_back(name, v.value(name));
            v.set(name, value);
            summary_set.emplace_back(name, value);
        };
        // Rows of working table n that `replaced` picks give way to `rows`; the others stay.
        auto replace = [&](int n, const std::vector<store::Record>& rows,
                           const std::function<bool(const store::Record&)>& replaced) {
            std::vector<store::Record> now, next;
            Status s = d.working_records(n, &now);
            if (!s) return s;
            for (const auto& r : now)
                if (!replaced(r)) next.push_back(r);
            for (auto r : rows) {
                r.set("CPF", d.cpf());
                next.push_back(std::move(r));
            }
            if (same_rows(now, next)) return s;
            *changed = true;
            return d.replace_working(n, next);
        };
        auto all = [](const store::Record&) { return true; };
        const GovernmentHeader& h = file.header;
        auto receipts = [&] {
            if (file.current_year) {
                if (!h.receipt.empty()) set("RECIBOATU", h.receipt);
                if (!h.rectified.empty()) set("NRORECIBO", h.rectified);
                if (!h.previous.empty()) set("RECIBOANT", h.previous);
            } else if (!h.receipt.empty()) {
                set("RECIBOANT", h.receipt);
            }
        };
        Status s;
        std::vector<std::string> done_parts;
        auto count = [&](size_t n, const char* what) {
            if (n) done_parts.push_back(std::to_string(n) + " " + what);
        };
        switch (kind) {
            case ImportKind::kGovAll:
            case ImportKind::kGovPrefilled: {
                for (const auto& [name, value] : file.values) set(name, value);
                for (const auto& [name, value] : file.summary) set_summary(name, value);
                if (as_rectification) set("RETIFICA", "S");
                receipts();
                if (!file.current_year) {
                    set("ESTATUS", Decimal(1));
                    for (const char* f : {"TEM_USO", "TAM_USO", "I9_2", "I9_3"}) set(f, Decimal(0));
                    for (const char* f : {"I9_4", "I9_5"}) set(f, "N");
                }
                if (!file.incomes.empty()) s = replace(2, file.incomes, read_income_kind);
                if (s && !file.dependants.empty()) s = replace(3, file.dependants, dependant_row);
                if (s && !file.assets.empty()) s = replace(4, file.assets, all);
                if (s && !file.debts.empty()) s = replace(5, file.debts, all);
                if (s && !file.payments.empty()) s = replace(6, file.payments, all);
                count(file.incomes.size(), "rendimentos");
                count(file.dependants.size(), "dependentes");
                count(file.assets.size(), "bens");
                count(file.debts.size(), "dívidas");
                count(file.payments.size(), "pagamentos");
                break;
            }
            case ImportKind::kGovReceipts: {
                receipts();
                done_parts.push_back("recibos");
                if (!receipt) break;
                if (!receipt->delivered.blank()) set("DENTREGA", receipt->delivered);
                if (receipt->rectifications) {
                    set("NRETIF", Decimal(*receipt->rectifications));
                    if (*receipt->rectifications > 0) set("RETIFICA", "S");
                }
                std::vector<store::Record> notes_now;
                s = d.working_records(11, &notes_now);
                if (!s) return s;
                size_t added = 0;
                for (const std::string& text : receipt->notes) {
                    const bool there =
                        std::any_of(notes_now.begin(), notes_now.end(), [&](const auto& r) {
                            return r.str("OBSERV") == trim_right(storable(text)) &&
                                   r.num("CODERR") == Decimal(0);
                        });
                    if (there) continue;
                    store::Record r(store::table_def(11)->layout);
                    r.set("CPF", d.cpf());
                    r.set("OBSERV", left(storable(text), 75));
                    r.set("CODERR", Decimal(0));
                    notes_now.push_back(std::move(r));
                    ++added;
                }
                if (added) {
                    *changed = true;
                    s = d.replace_working(11, notes_now);
                }
                count(added, "observações do recibo");
                break;
            }
            case ImportKind::kGovIndividual: {
                std::vector<store::Record> rows;
                for (const auto& r : file.incomes)
                    if (individual_kind(r)) rows.push_back(r);
                s = replace(2, rows, individual_kind);
                set("CAL_AUTO", Decimal(1));
                count(rows.size(), "rendimentos de pessoa física e carnê-leão");
                break;
            }
            case ImportKind::kGovIncome: {
                s = replace(2, file.incomes, read_income_kind);
                size_t exempt = 0;
                for (const auto& [name, value] : file.summary)
                    if (name.rfind("I3_", 0) == 0) {
                        set_summary(name, value);
                        ++exempt;
                    }
                count(file.incomes.size(), "rendimentos");
                count(exempt, "rendimentos isentos");
                break;
            }
            case ImportKind::kGovNewAssets: {
                std::vector<store::Record> now;
                s = d.working_records(4, &now);
                if (!s) return s;
                long long top = 0, item = 0;
                std::set<std::string> keys;
                for (const auto& a : now) {
                    top = std::max(top, a.num("I7_0").whole());
                    item = std::max(item, a.num("I7_1").whole());
                    keys.insert(asset_key(a));
                }
                size_t added = 0, existing = 0;
                for (store::Record a : file.assets) {
                    if (!keys.insert(asset_key(a)).second) {
                        ++existing;
                        continue;
                    }
                    a.set("CPF", d.cpf());
                    a.set("I7_0", Decimal(top += 10));
                    a.set("I7_1", Decimal(++item));
                    now.push_back(std::move(a));
                    ++added;
                }
                if (added) {
                    *changed = true;
                    s = d.replace_working(4, now);
                }
                done_parts.push_back(std::to_string(added) + " bens novos, " +
                                     std::to_string(existing) + " já existentes");
                break;
            }
            case ImportKind::kGovPayments:
                s = replace(6, file.payments, all);
                count(file.payments.size(), "pagamentos");
                break;
            default:
                break;
        }
        // Only summary values differ: written when the computation keeps a difference.
        const bool summary_differs =
            std::any_of(summary_before.begin(), summary_before.end(),
                        [&](const auto& b) { return !same_value(b.second, v.value(b.first)); });
        if (s && !*changed && summary_differs) {
            if (compute) s = compute(d);
            *changed = !compute || std::any_of(summary_before.begin(), summary_before.end(),
                                               [&](const auto& b) {
                                                   return !same_value(b.second, v.value(b.first));
                                               });
        }
        for (const auto& [type, n] : file.unread)
            if (relevant_unread(kind, type))
                done_parts.push_back("registro " + type + " não importado (" + std::to_string(n) +
                                     ")");
        done.clear();
        for (const auto& p : done_parts) done += (done.empty() ? "" : ", ") + p;
        if (done.empty()) done = "nada a importar";
        return s;
    }

    void saved(const store::Declaration& d) override {
        for (const auto& [name, value] : summary_set) {
            const store::Value& now = d.values().value(name);
            if (same_value(now, value)) continue;
            auto text = [](const store::Value& x) {
                if (const auto* t = std::get_if<std::string>(&x)) return trim(*t);
                if (const auto* n = std::get_if<Decimal>(&x)) return n->to_string(2);
                return std::string();
            };
            notes.push_back(name + ": " + text(value) + " do arquivo, " + text(now) +
                            " pelo cálculo da declaração");
        }
    }
    std::vector<std::pair<std::string, store::Value>> summary_set;
    store::Declaration::Computation compute;  // the declaration's, for the summary values
};

// Reads and checks the file: the plan, or the refusal.
std::unique_ptr<Plan> read_plan(const ImportRequest& rq, const Candidate& c, std::string_view bytes,
                                const std::optional<std::string>& receipt_bytes,
                                std::string* refused, std::vector<std::string>* cuts) {
    auto take = [&](const Notes& notes) {
        *cuts = notes.cuts;
        if (!notes.bad.empty()) *refused = first_bad(notes);
        return notes.bad.empty();
    };
    if (government_kind(rq.kind)) {
        auto p = std::make_unique<GovernmentPlan>();
        p->kind = rq.kind;
        p->file = read_government_file(bytes, tax::NANOATUAL);
        if (!take(p->file.notes)) return nullptr;
        if (p->file.cpf != c.cpf) {
            *refused = "o CPF da declaração mudou desde a busca";
            return nullptr;
        }
        const bool this_year_only =
            rq.kind == ImportKind::kGovIndividual || rq.kind == ImportKind::kGovIncome ||
            rq.kind == ImportKind::kGovNewAssets || rq.kind == ImportKind::kGovPayments;
        if (this_year_only && !p->file.current_year) {
            *refused = std::string("Essa opção é valida só para o ANO 20") + tax::CANOATUAL;
            return nullptr;
        }
        if (rq.kind == ImportKind::kGovIndividual &&
            std::none_of(p->file.incomes.begin(), p->file.incomes.end(), individual_kind)) {
            *refused = "Esse contribuinte não tem Rendimento de Pessoa Física";
            return nullptr;
        }
        if (receipt_bytes) {
            p->receipt = read_receipt_file(*receipt_bytes, p->file.header.exercise);
            if (!p->receipt->bad.bad.empty()) {
                *refused = "recibo .REC: " + first_bad(p->receipt->bad);
                return nullptr;
            }
        }
        return p;
    }
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
        default:  // the rural book is imported by import_rural, the auxiliary tables copied
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

bool government_kind(ImportKind kind) {
    switch (kind) {
        case ImportKind::kGovAll:
        case ImportKind::kGovReceipts:
        case ImportKind::kGovPrefilled:
        case ImportKind::kGovIndividual:
        case ImportKind::kGovIncome:
        case ImportKind::kGovNewAssets:
        case ImportKind::kGovPayments:
            return true;
        default:
            return false;
    }
}

namespace {

// The ending of the refusal of a taxpayer found in no data folder, by kind.
std::string not_found_ending(ImportKind kind) {
    switch (kind) {
        case ImportKind::kGovIncome:
            return "não será possível gravar os Rend. Tributados,Isentos";
        case ImportKind::kGovNewAssets:
            return "não será possível gravar novos itens dos Bens";
        case ImportKind::kGovPayments:
            return "não será possível gravar os pagamentos e doações efetuados";
        default:
            return {};
    }
}

// Of several government files of one CPF, whether `a` is to be kept before `b`: this year's
// before last year's, a file whose receipt the other rectifies after the rectifier, a rectifier
// before an original, then the later name.
bool later_declaration(const GovernmentHeader& a, const std::string& file_a,
                       const GovernmentHeader& b, const std::string& file_b) {
    if (a.exercise != b.exercise) return a.exercise > b.exercise;
    if (!b.rectified.empty() && b.rectified == a.receipt) return false;
    if (!a.rectified.empty() && a.rectified == b.receipt) return true;
    if (a.rectifying != b.rectifying) return a.rectifying;
    return file_a > file_b;
}

}  // namespace

Status gather_candidates(store::Env& env, ImportKind kind, const std::string& source,
                         const std::string& folder, std::vector<Candidate>* out,
                         std::vector<Passed>* passed, const std::vector<std::string>& others,
                         const std::function<void(size_t, size_t)>& progress) {
    out->clear();
    passed->clear();
    std::map<std::string, Registered> registry;
    Status s = read_registry(env, folder, &registry);
    if (!s) return s;
    std::vector<std::string> names;
    s = env.list(source, &names);
    if (!s) return s;
    std::sort(names.begin(), names.end());
    const bool government = government_kind(kind);
    const bool creates = kind == ImportKind::kLcdpr || kind == ImportKind::kGovAll ||
                         kind == ImportKind::kGovPrefilled;
    std::map<std::string, GovernmentHeader> headers;  // of the government files kept, by path
    size_t total = 0, checked = 0;
    if (progress)
        for (const std::string& name : names) total += matches(kind, name) ? 1 : 0;
    for (const std::string& name : names) {
        const std::string path = store::join_path(source, name);
        if (!matches(kind, name) || env.is_directory(path)) continue;
        if (progress) progress(++checked, total);
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
        } else if (government) {
            std::string bytes;
            if (Status r = read_bytes(env, path, &bytes); !r) {
                passed->push_back({name, "ilegível: " + r.message()});
                continue;
            }
            const auto header = read_government_header(bytes);
            if (!header ||
                (header->exercise != tax::NANOATUAL && header->exercise != tax::NANOATUAL - 1)) {
                passed->push_back({name, header ? "exercício " + std::to_string(header->exercise) +
                                                      " fora da seleção"
                                                : "cabeçalho de declaração ilegível"});
                continue;
            }
            const GovernmentFile file = read_government_file(bytes, tax::NANOATUAL);
            if (!file.notes.bad.empty()) {
                passed->push_back({name, first_bad(file.notes)});
                continue;
            }
            cpf = file.cpf;
            c.name = left(file.name, 53);
            c.final_estate = header->final_estate();
            c.departure = header->departure();
            const std::string label = c.final_estate                      ? "Final"
                                      : c.departure                       ? "Saida"
                                      : kind == ImportKind::kGovPrefilled ? "Pre"
                                                                          : header->kind;
            c.origin = pad_right(left(label, 5), 5) + (header->rectifying ? "RETIF" : "ORIGI") +
                       std::to_string(header->exercise % 100);
            headers[path] = *header;
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
        } else if (!creates) {
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
            const std::string ending = not_found_ending(kind);
            if (elsewhere.empty() && !ending.empty()) {
                passed->push_back({name, "O contribuinte " + c.name +
                                             " não foi localizado em nenhum das pastas logo " +
                                             ending});
                continue;
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
    if (government) {
        // One file per CPF: the latest declaration.
        std::map<std::string, size_t> kept;  // CPF: position in `out`
        for (size_t k = 0; k < out->size(); ++k) {
            const Candidate& c = (*out)[k];
            auto [it, fresh] = kept.emplace(c.cpf, k);
            if (fresh) continue;
            const Candidate& other = (*out)[it->second];
            if (later_declaration(headers[c.path], c.file, headers[other.path], other.file)) {
                passed->push_back({other.file, "substituída por " + c.file});
                it->second = k;
            } else {
                passed->push_back({c.file, "substituída por " + other.file});
            }
        }
        std::vector<Candidate> latest;
        for (size_t k = 0; k < out->size(); ++k)
            if (kept[(*out)[k].cpf] == k) latest.push_back(std::move((*out)[k]));
        *out = std::move(latest);
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
    // The receipt numbers' import also reads the ".REC" file of the same name, when there is one.
    std::optional<std::string> receipt_bytes;
    if (rq.kind == ImportKind::kGovReceipts) {
        const size_t dot = c.path.rfind('.');
        for (const char* ext : {".REC", ".rec"}) {
            const std::string rec = c.path.substr(0, dot) + ext;
            if (!env.exists(rec)) continue;
            std::string b;
            if (Status s = read_bytes(env, rec, &b); !s)
                return refuse("Erro de leitura: " + s.message());
            receipt_bytes = std::move(b);
            break;
        }
        if (!receipt_bytes) res.notes.push_back("sem o arquivo .REC do recibo");
    }
    std::string refused;
    std::vector<std::string> cuts;
    std::unique_ptr<Plan> plan = read_plan(rq, c, bytes, receipt_bytes, &refused, &cuts);
    res.notes.insert(res.notes.end(), cuts.begin(), cuts.end());
    if (!plan) return refuse(refused);
    // A final estate or departure declaration comes in only as a rectification, when asked for.
    bool as_rectification = false;
    if ((rq.kind == ImportKind::kGovAll || rq.kind == ImportKind::kGovPrefilled) &&
        (c.final_estate || c.departure)) {
        as_rectification =
            rq.ask &&
            rq.ask({"Essa foi uma declaração " +
                        std::string(c.final_estate ? "final de espólio" : "de saída definitiva") +
                        ".",
                    "Deseja importar uma retificação?"});
        if (!as_rectification)
            return refuse(std::string("declaração ") +
                          (c.final_estate ? "final de espólio" : "de saída definitiva") +
                          " não importada");
        static_cast<GovernmentPlan&>(*plan).as_rectification = true;
    }

    // The rural book and a whole declaration may bring a declarant new to the folder.
    const bool may_register = rq.kind == ImportKind::kLcdpr || rq.kind == ImportKind::kGovAll ||
                              rq.kind == ImportKind::kGovPrefilled;
    const std::optional<std::string> new_name =
        may_register ? std::optional<std::string>(c.name) : std::nullopt;
    if (auto* g = dynamic_cast<GovernmentPlan*>(plan.get())) g->compute = computation_of(env, rq);
    ImportResult done = change_declaration(
        env, rq, c.cpf, new_name,
        [&plan](store::Declaration& d, bool* changed, std::vector<std::string>* notes,
                std::string* text) {
            Status s = plan->apply(d, changed);
            for (const auto& n : plan->notes) notes->push_back(n);
            *text = plan->done;
            return s;
        },
        op,
        [&plan](const store::Declaration& d, std::vector<std::string>* notes) {
            plan->notes.clear();
            plan->saved(d);
            for (const auto& n : plan->notes) notes->push_back(n);
        });
    done.notes.insert(done.notes.begin(), res.notes.begin(), res.notes.end());
    return done;
}

ImportResult change_declaration(store::Env& env, const ImportRequest& rq, const std::string& cpf,
                                const std::optional<std::string>& new_name,
                                const DeclarationChange& change, Operator& op,
                                const AfterSave& after_save) {
    ImportResult res;
    auto refuse = [&](std::string why) {
        res.outcome = Outcome::kRefused;
        res.text = std::move(why);
        return res;
    };
    // The declaration as it stands now: still registered, and free.
    std::optional<Registered> reg;
    if (Status s = read_registered(env, rq.folder, cpf, &reg); !s) return refuse(s.message());
    const bool registered = reg.has_value();
    if (!registered && !new_name) return refuse("CPF " + cpf + " não cadastrado na pasta");
    if (registered && !reg->NUSUAT.empty()) {
        res.outcome = Outcome::kInUse;
        res.text = reg->NUSUAT;
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
    if (after_save) after_save(d, &res.notes);
    res.outcome = Outcome::kImported;
    res.text = done;
    return res;
}

}  // namespace vorn::importing
