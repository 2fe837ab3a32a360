#include "importing/rural_book.h"

#include <memory>
#include <utility>

#include "base/picture.h"
#include "base/text.h"
#include "store/catalogue.h"

namespace vorn::importing {
namespace {

constexpr uint64_t kLargestFile = 512ull << 20;  // far above any year's book

std::string money(Decimal v) {
    return trim(transform(v, Picture("@E 999,999,999,999.99"), 18, 2));
}

bool in_brazil(const store::Record& r) {
    return r.str("ATV_BRASIL") != "N";
}

[[nodiscard]] Status read_whole(store::Env& env, const std::string& path, std::string* out) {
    std::unique_ptr<store::File> f;
    Status s = env.open(path, store::OpenFor::kRead, &f);
    if (!s) {
        if (s.code() == Status::Code::kNotFound)
            return Status::not_found("Arquivo não encontrado: " + path);
        return s;
    }
    uint64_t size = 0;
    if (s = f->size(&size); !s) return s;
    if (size > kLargestFile)
        return Status::invalid("Arquivo grande demais para um livro caixa: " + path);
    out->assign(size, '\0');
    size_t got = 0;
    if (s = f->read(0, out->data(), out->size(), &got); !s) return s;
    out->resize(got);
    return Status::ok();
}

// The records of `cpf` in a data-folder table, read without disturbing the work areas; empty
// when the table does not exist.
[[nodiscard]] Status shared_records(store::Env& env, const std::string& folder, int n,
                                    const std::string& cpf, std::vector<store::Record>* rows) {
    rows->clear();
    const std::string path = store::data_table_path(env, folder, n);
    if (!env.exists(path)) return Status::ok();
    std::unique_ptr<store::Table> t;
    store::OpenOptions o;
    o.read_only = true;
    if (Status s = store::Table::open(env, path, o, &t); !s) return s;
    Status s = store::records_of(*t, cpf, rows, nullptr);
    Status c = t->close();
    return s ? c : s;
}

bool has_brazilian(const std::vector<store::Record>& properties) {
    for (const auto& p : properties)
        if (in_brazil(p)) return true;
    return false;
}

std::string two(int m) {
    return (m < 10 ? "0" : "") + std::to_string(m);
}

// The declaration's tables with the file's book in place of its own.
[[nodiscard]] Status replace_book(store::Declaration& d, const RuralBookFile& book,
                                  bool take_properties) {
    const std::string& cpf = d.cpf();
    std::vector<store::Record> entries;
    if (Status s = d.working_records(19, &entries); !s) return s;
    std::vector<store::Record> kept;
    for (auto& r : entries)
        if (!in_brazil(r)) kept.push_back(std::move(r));
    const auto& entry_layout = store::table_def(19)->layout;
    for (const BookEntry& e : book.entries) {
        store::Record r(entry_layout);
        r.set("CPF", cpf);
        r.set("ATV_BRASIL", "S");
        r.set("DT_LC", e.date);
        r.set("DESCR", e.description);
        r.set("VALOR", e.amount);
        r.set("TIPOCR", e.receipt ? "C" : "D");
        r.set("TIPODOC", Decimal(e.document_type));
        r.set("NUM_DOC", e.document);
        kept.push_back(std::move(r));
    }
    if (Status s = d.replace_working(19, kept); !s) return s;

    std::vector<store::Record> results;
    if (Status s = d.working_records(15, &results); !s) return s;
    store::Record* brazil = nullptr;
    for (auto& r : results)
        if (in_brazil(r)) {
            brazil = &r;
            break;
        }
    if (brazil == nullptr) {
        store::Record r(store::table_def(15)->layout);
        r.set("CPF", cpf);
        r.set("ATV_BRASIL", "S");
        results.push_back(std::move(r));
        brazil = &results.back();
    }
    brazil->set("TIPO_LANCA", Decimal(book.totals_only ? 1 : 2));
    // The book's months replace the whole grid: a month the file leaves out had nothing.
    Decimal adjustment_09, adjustment_10;
    for (int m = 1; m <= 12; ++m) {
        brazil->set("I3_" + two(m) + "OR", Decimal(0));
        brazil->set("I3_" + two(m) + "OD", Decimal(0));
    }
    for (const BookMonth& m : book.months) {
        brazil->set("I3_" + two(m.month) + "OR", m.receipts);
        brazil->set("I3_" + two(m.month) + "OD", m.expenses);
        adjustment_09 += m.adjustment_09;
        adjustment_10 += m.adjustment_10;
    }
    // Set, not added to: importing the file again gives the same figures.
    brazil->set("I5_09", adjustment_09);
    brazil->set("I5_10", adjustment_10);
    if (Status s = d.replace_working(15, results); !s) return s;

    if (take_properties && !book.properties.empty()) {
        std::vector<store::Record> properties;
        if (Status s = d.working_records(16, &properties); !s) return s;
        int number = 0;
        for (const BookProperty& p : book.properties) {
            store::Record r(store::table_def(16)->layout);
            r.set("CPF", cpf);
            r.set("ATV_BRASIL", "S");
            r.set("I2R_00", Decimal(++number));
            r.set("INSCR_ES", p.state_registration);
            r.set("I2R_03", p.register_number);
            r.set("I2R_01", p.name);
            r.set("UF_IMR", p.uf);
            properties.push_back(std::move(r));
        }
        if (Status s = d.replace_working(16, properties); !s) return s;
    }
    d.values().set("TEMRURAL", "S");
    d.values().set("ATV_BRASIL", "S");
    return Status::ok();
}

// The data folder the declaration layer works in, for the length of the import.
class FolderSwitch {
  public:
    FolderSwitch(store::WorkAreas& w, const std::string& folder) : w_(w), was_(w.LOCARQ) {
        w_.LOCARQ = folder;
    }
    ~FolderSwitch() { w_.LOCARQ = was_; }
    FolderSwitch(const FolderSwitch&) = delete;
    FolderSwitch& operator=(const FolderSwitch&) = delete;

  private:
    store::WorkAreas& w_;
    std::string was_;
};

}  // namespace

std::vector<std::string> ImportReport::lines() const {
    std::vector<std::string> out;
    if (!bad_lines.empty()) {
        out.push_back("Arquivo com " + std::to_string(bad_lines.size()) +
                      (bad_lines.size() == 1 ? " linha inválida" : " linhas inválidas") +
                      "; nada foi importado.");
        for (const BadLine& b : bad_lines)
            out.push_back("Linha " + std::to_string(b.line) + ": " + b.reason);
        return out;
    }
    out.push_back(totals_only ? "Arquivo de totais mensais (IRARURAL)"
                              : "Arquivo do livro caixa detalhado (LCDPR)");
    out.push_back("Lançamentos: " + std::to_string(entries) + " (" + std::to_string(receipts) +
                  " receitas de " + money(receipts_total) + ", " + std::to_string(expenses) +
                  " despesas de " + money(expenses_total) + ")");
    if (skipped > 0)
        out.push_back("Lançamentos de outro tipo, não importados: " + std::to_string(skipped));
    out.push_back("Meses com totais: " + std::to_string(months));
    if (properties_in_file > 0)
        out.push_back(
            "Imóveis no arquivo: " + std::to_string(properties_in_file) +
            (properties_taken ? " (incluídos)" : " (ignorados: o contribuinte já tem imóveis)"));
    out.push_back(written ? "Livro caixa importado." : "Conferência: nada foi gravado.");
    return out;
}

Status import_rural_book(store::WorkAreas& w, const RuralBookImport& rq, ImportReport* report) {
    *report = ImportReport();
    store::Env& env = w.env();
    std::string bytes;
    if (Status s = read_whole(env, rq.file_path, &bytes); !s) return s;
    RuralBookFile book = read_rural_book(bytes);
    bytes = std::string();
    report->totals_only = book.totals_only;
    report->bad_lines = book.bad;
    if (!book.bad.empty())
        return Status::invalid("O arquivo " + rq.file_path + " tem " +
                               std::to_string(book.bad.size()) +
                               " linha(s) inválida(s); nada foi importado.");
    report->entries = static_cast<int>(book.entries.size());
    for (const BookEntry& e : book.entries) {
        (e.receipt ? report->receipts : report->expenses) += 1;
        (e.receipt ? report->receipts_total : report->expenses_total) += e.amount;
    }
    report->skipped = book.skipped_entries;
    report->months = static_cast<int>(book.months.size());
    report->properties_in_file = static_cast<int>(book.properties.size());

    std::vector<store::Record> reg, properties;
    if (Status s = shared_records(env, rq.folder, 9, rq.cpf, &reg); !s) return s;
    if (reg.empty())
        return Status::not_found("O CPF " + rq.cpf + " não está cadastrado na pasta " + rq.folder);
    if (const std::string on = reg.front().str("NUSUAT"); !on.empty())
        return Status::locked("A declaração desse contribuinte está ou ficou aberta no terminal " +
                              on);
    if (Status s = shared_records(env, rq.folder, 16, rq.cpf, &properties); !s) return s;
    report->properties_taken = !has_brazilian(properties);
    if (rq.check_only) return Status::ok();

    // Loading takes this terminal's working set: work left unfinished here comes first.
    if (auto work = store::unfinished_work(env, rq.place.work_folder, w.NUSU))
        return Status::locked("A declaração do CPF " + work->cpf +
                              " não terminou corretamente neste terminal; recupere-a antes de "
                              "importar.");
    FolderSwitch in_folder(w, rq.folder);
    store::Declaration d(w, rq.place);
    // The book goes into the working set while it loads, before the set is marked complete and
    // the declaration marked in use: a failure until then leaves no set to recover and the
    // declaration free as it was; from then on the set to recover holds the whole new book.
    bool placed = false;
    d.set_computation([&](store::Declaration& open) -> Status {
        if (!placed) {
            placed = true;
            std::vector<store::Record> loaded;
            if (Status s = open.working_records(16, &loaded); !s) return s;
            report->properties_taken = !has_brazilian(loaded);
            if (Status s = replace_book(open, book, report->properties_taken); !s) return s;
        }
        return rq.computation ? rq.computation(open) : Status::ok();
    });
    if (Status s = d.load(rq.cpf, store::LoadMode::kExisting, true); !s) return s;
    if (Status s = d.save(true); !s)
        return Status::io_error(s.message() +
                                " — a importação não terminou; a declaração ficou aberta neste "
                                "terminal: recupere-a e grave-a.");
    report->written = true;
    return Status::ok();
}

}  // namespace vorn::importing
