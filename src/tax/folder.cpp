// Read-only loading of a data folder's declarations.
#include "tax/folder.h"

#include <iterator>
#include <sstream>

#include "base/text.h"
#include "store/catalogue.h"
#include "store/dbf.h"

namespace vorn::tax {
namespace {

// The item tables a declaration's computation reads, and the capital gains (table 7) its save
// counts; a folder may lack any of them (no capital gains, no dependants), which then reads as
// empty.
constexpr int kLists[] = {2, 3, 4, 5, 6, 7, 12, 13};

// The fields the computation reads, by table ("X*" is every field of the table's layout whose
// name starts with X). A table without one of them is refused: read as blank, the field would
// change the result without a word (withholding read as zero turns a refund into tax to pay).
// Values kept in both the summary and the registry are read from the summary.
constexpr std::pair<int, const char*> kReadFields[] = {
    {1,
     "I3_* I4_* I13_* INDSOBRE DATAPARTI DATADECIS DECFINAL DECSAIDA DATASAIDA DECJUDI DATALAVRA "
     "IR_EXTER QTD_QUOTA BASE14754 CARNEINSS CARNEDEPEN TIPO_PF CAL_AUTO SO_REC EMPRUR AMORUR "
     "OUTREC VALFUTUR OUTRDES PREJVEN1 PREJRUR PREJRVA LUCRRVA DESPNAO EMPREST INDALERTA IMPOANTER "
     "CUSTOANT CUSTOANO ENTRADGP ISENTNAO"},
    {2,
     "I1_1 I1_3 I1_4* I1_5 I1_6 I1_7 I1_8 I1_9 I1_11 I1_12 I1_13 I1_14 I1_15 I1_16 I1_17 I1_18 "
     "I1_19 I1_20 I1_21 I1_23 I1_24 I1_25 I1_26 I1_27 I1_28 I1_29 I1_30 I1_31 I1_32 I1_33 I1_34 "
     "I1_37 I1_38 I1_39 DT_LC TIPOCR"},
    {3, "CODIDEPEN DATADEPEN CPFDEPEN NRODEPEN"},
    {4, "I7_3 I7_4 VAL_APLIC VAL_IRFOR VAL_LUCRO VAL_IRBR"},
    {5, "I8_3 I8_4 I8_7"},
    {6, "I6_3 I6_4* I6_5 I6_6"},
    {7, "TIPO_BEM VAL_TRIBU RVAR_NRO DAY_TRADE REC_MES* IMP_DEV* IMP_PAG0* IMP_PAG1*"},
    {9, "NASCIMENTO CODAT DENTREGA SOMAG I9_2 I9_3 DEBITAUT SO_SIMPLES USAPADRAO"},
    {12, "CPFDEPEN I2_*"},
};

// The first field of kReadFields for table `number` that the opened file lacks; "" when none.
std::string missing_read_field(const store::Table& t, int number) {
    const char* names = nullptr;
    for (const auto& [n, list] : kReadFields)
        if (n == number) names = list;
    if (names == nullptr) return "";
    std::istringstream in(names);
    const std::vector<std::string> wanted{std::istream_iterator<std::string>(in), {}};
    for (const auto& f : store::table_def(number)->layout->fields()) {
        const std::string name = upper(f.name);
        for (const auto& w : wanted) {
            const bool matches = w.back() == '*'
                                     ? name.compare(0, w.size() - 1, w, 0, w.size() - 1) == 0
                                     : name == w;
            if (matches && t.layout().find(f.name) < 0) return f.name;
        }
    }
    return "";
}

std::string table_file(int number) {
    return store::table_def(number)->file_base("") + ".DBF";
}

// The layout records of a table are read into: the file's own when it holds every field of the
// wanted layout with the same type (reading is then direct), else the wanted one, filled by name.
std::shared_ptr<const store::Layout> reading_layout(
    const store::Table& t, const std::shared_ptr<const store::Layout>& wanted) {
    if (!wanted) return t.layout_ptr();
    for (const auto& f : wanted->fields()) {
        const int i = t.layout().find(f.name);
        if (i < 0 || t.layout()[static_cast<size_t>(i)].type != f.type) return wanted;
    }
    return t.layout_ptr();
}

// Calls `take(cpf, record)` for every live record of a table, read into `layout` (the file's own
// when null); a missing file is an empty table unless `required`. `number` names the catalogue
// table whose fields the computation reads (0: none checked).
template <typename Take>
Status scan(store::Env& env, const std::string& path, int number,
            const std::shared_ptr<const store::Layout>& layout, const std::string& only_cpf,
            bool required, Take take) {
    if (!env.exists(path))
        return required ? Status::not_found(path + " não localizado") : Status::ok();
    std::unique_ptr<store::Table> t;
    store::OpenOptions opt;
    opt.read_only = true;
    Status s = store::Table::open(env, path, opt, &t);
    if (!s) return s;
    if (const std::string field = missing_read_field(*t, number); !field.empty())
        return Status::corrupt(path + ": falta o campo " + field +
                               ", que o cálculo lê (atualize a estrutura da tabela)");
    const store::Field* cpf_field = nullptr;
    store::Field f;
    if (t->layout().find("CPF") >= 0) {
        f = t->field("CPF");
        cpf_field = &f;
    }
    const std::shared_ptr<const store::Layout> into = reading_layout(*t, layout);
    for (s = t->go_top(); s && !t->eof(); s = t->skip()) {
        const std::string cpf = cpf_field ? t->str(*cpf_field) : std::string();
        if (!only_cpf.empty() && cpf != only_cpf) continue;
        store::Record rec(into);
        Status r = t->read(rec);
        if (!r)
            return Status::corrupt(path + " registro " + std::to_string(t->recno()) + ": " +
                                   r.message());
        rec.recno = t->recno();
        take(cpf, std::move(rec));
    }
    if (!s) return s;
    return t->close();
}

}  // namespace

Status FolderReader::read(store::Env& env, const std::string& folder, const std::string& only_cpf,
                          FolderReader* out) {
    if (!env.is_directory(folder)) return Status::not_found("pasta não encontrada: " + folder);
    FolderReader r;
    auto path = [&](int n) { return store::find_file(env, folder, table_file(n)); };
    Status s = scan(env, path(9), 9, store::table_def(9)->layout, only_cpf, true,
                    [&](const std::string& cpf, store::Record rec) {
                        if (cpf.empty() || r.registry_.count(cpf)) return;
                        r.cpfs_.push_back(cpf);
                        r.registry_.emplace(cpf, std::move(rec));
                    });
    if (!s) return s;
    s = scan(env, path(1), 1, store::table_def(1)->layout, only_cpf, true,
             [&](const std::string& cpf, store::Record rec) {
                 r.summary_.emplace(cpf, std::move(rec));
             });
    if (!s) return s;
    for (int n : kLists) {
        auto& by_cpf = r.lists_[n];
        s = scan(env, path(n), n, store::table_def(n)->layout, only_cpf, false,
                 [&](const std::string& cpf, store::Record rec) {
                     if (r.registry_.count(cpf)) by_cpf[cpf].push_back(std::move(rec));
                 });
        if (!s) return s;
    }
    *out = std::move(r);
    return Status::ok();
}

Declaration FolderReader::declaration(const std::string& cpf) const {
    Declaration d = Declaration::blank(cpf);
    d.registry = registry_.at(cpf);
    if (auto it = summary_.find(cpf); it != summary_.end()) d.summary = it->second;
    for (int n : kLists)
        if (auto* list = d.list(n)) *list = records(n, cpf);
    return d;
}

std::vector<store::Record> FolderReader::gains(const std::string& cpf) const {
    return records(7, cpf);
}

std::vector<store::Record> FolderReader::records(int n, const std::string& cpf) const {
    const auto& by_cpf = lists_.at(n);
    auto it = by_cpf.find(cpf);
    return it == by_cpf.end() ? std::vector<store::Record>() : it->second;
}

Status write_folder(store::Env& env, const std::string& folder,
                    const std::vector<Declaration>& declarations, const Clock* clock) {
    for (int n = 1; n <= 21; ++n) {
        std::vector<store::Record> rows;
        for (const auto& d : declarations) {
            if (n == 1) rows.push_back(d.summary);
            if (n == 9) rows.push_back(d.registry);
            const std::vector<store::Record>* list = d.list(n);
            if (list != nullptr) rows.insert(rows.end(), list->begin(), list->end());
        }
        Status s = store::Table::create(env, store::join_path(folder, table_file(n)),
                                        *store::table_def(n)->layout, rows, clock, true);
        if (!s) return s;
    }
    return Status::ok();
}

Status read_interest_table(store::Env& env, const std::string& install_dir, InterestTable* out) {
    const std::string path = store::find_file(env, install_dir, "UFIRM.DBF");
    *out = InterestTable();
    if (!env.exists(path)) return Status::ok();
    std::vector<store::Record> rows;
    Status s = scan(env, path, 0, nullptr, "", true,
                    [&](const std::string&, store::Record rec) { rows.push_back(std::move(rec)); });
    if (!s) return s;
    *out = InterestTable::from_records(rows);
    return Status::ok();
}

Status read_accounts(store::Env& env, const std::string& install_dir,
                     std::vector<store::Record>* out) {
    out->clear();
    const std::string path = store::find_file(env, install_dir, table_file(62));
    return scan(env, path, 0, nullptr, "", true,
                [&](const std::string&, store::Record rec) { out->push_back(std::move(rec)); });
}

Status read_past_result(store::Env& env, const std::string& install_dir, const std::string& cpf,
                        std::string_view year, std::optional<PastResult>* out) {
    *out = std::nullopt;
    const std::string path = store::find_file(env, install_dir, "ULTANOS.DBF");
    // Read into the catalogue's fields by name: a table of another layout reads as well.
    return scan(env, path, 0, store::table_def(80)->layout, cpf, false,
                [&](const std::string&, store::Record rec) {
                    if (trim(rec.str("ANOBASE")) == year)
                        *out = PastResult{rec.num("BENSBASE"), rec.num("DIVBASE")};
                });
}

}  // namespace vorn::tax
