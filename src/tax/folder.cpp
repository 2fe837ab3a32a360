// Read-only loading of a data folder's declarations.
#include "tax/folder.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <sstream>

#include "base/text.h"
#include "store/catalogue.h"
#include "store/dbf.h"

namespace vorn::tax {
namespace {

// The item tables a declaration's computation reads, and the capital gains (table 7) with their
// cost rows (table 8) whose totals it takes; a folder may lack any of them (no capital gains, no
// dependants), which then reads as empty.
constexpr int kLists[] = {2, 3, 4, 5, 6, 7, 8, 12, 13};

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

// The CPF of a row as noted: its CPF field's bytes without trailing blanks, padded to 11; false
// when longer (no registry CPF is).
bool cpf_key(std::string_view raw, char* out) {
    size_t e = raw.size();
    while (e > 0 && (raw[e - 1] == ' ' || raw[e - 1] == '\0')) --e;
    if (e > sizeof(FolderReader::Entry::cpf)) return false;
    std::memset(out, ' ', sizeof(FolderReader::Entry::cpf));
    std::memcpy(out, raw.data(), e);
    return true;
}

bool before(const FolderReader::Entry& a, const FolderReader::Entry& b) {
    const int c = std::memcmp(a.cpf, b.cpf, sizeof a.cpf);
    return c < 0 || (c == 0 && a.recno < b.recno);
}

bool same_cpf(const FolderReader::Entry& a, const FolderReader::Entry& b) {
    return std::memcmp(a.cpf, b.cpf, sizeof a.cpf) == 0;
}

}  // namespace

Status FolderReader::read(store::Env& env, const std::string& folder, const std::string& only_cpf,
                          FolderReader* out) {
    if (!env.is_directory(folder)) return Status::not_found("pasta não encontrada: " + folder);
    FolderReader r;
    r.env_ = &env;
    r.only_cpf_ = only_cpf;
    std::vector<int> numbers{9, 1};
    numbers.insert(numbers.end(), std::begin(kLists), std::end(kLists));
    for (int n : numbers) {
        Source src;
        src.number = n;
        src.path = store::find_file(env, folder, table_file(n));
        std::unique_ptr<store::Table> t;
        if (Status s = r.open(src, &t); !s) return s;
        if (n == 9 && t) {  // the declarations, each once, in the registry's record order
            std::vector<Entry> in_order = src.entries;
            std::sort(in_order.begin(), in_order.end(),
                      [](const Entry& a, const Entry& b) { return a.recno < b.recno; });
            for (const Entry& e : in_order) {
                auto first = std::lower_bound(src.entries.begin(), src.entries.end(), e, before);
                std::string cpf = trim(std::string_view(e.cpf, sizeof e.cpf));
                if (first->recno == e.recno && !cpf.empty()) r.cpfs_.push_back(cpf);
            }
        }
        if (t) {
            if (Status s = t->close(); !s) return s;
        }
        r.sources_.push_back(std::move(src));
    }
    *out = std::move(r);
    return Status::ok();
}

bool FolderReader::has(const std::string& cpf) const {
    return std::find(cpfs_.begin(), cpfs_.end(), cpf) != cpfs_.end();
}

// Opens a source's table for reading (none when an item table is missing), noting its records
// again when the file is not the one noted.
Status FolderReader::open(Source& src, std::unique_ptr<store::Table>* t) {
    t->reset();
    if (!env_->exists(src.path)) {
        if (src.number == 9 || src.number == 1)
            return Status::not_found(src.path + " não localizado");
        src.present = false;
        src.entries.clear();
        src.tail.clear();
        return Status::ok();
    }
    store::OpenOptions opt;
    opt.read_only = true;
    if (Status s = store::Table::open(*env_, src.path, opt, t); !s) return s;
    if (const std::string field = missing_read_field(**t, src.number); !field.empty())
        return Status::corrupt(src.path + ": falta o campo " + field +
                               ", que o cálculo lê (atualize a estrutura da tabela)");
    uint64_t dev = 0, ino = 0, size = 0;
    if (Status s = env_->identity(src.path, &dev, &ino); !s) return s;
    if (Status s = env_->file_size(src.path, &size); !s) return s;
    const bool same_file = src.present && dev == src.dev && ino == src.ino;
    if (same_file && size == src.size) return Status::ok();
    // The same file grown: a terminal (or this run) appended records, and those alone are noted;
    // any other change (rewritten, packed, replaced) notes the table again from its first record.
    const uint32_t from = same_file && size > src.size ? src.count + 1 : 1;
    src.dev = dev;
    src.ino = ino;
    src.size = size;
    src.present = true;
    return note(src, **t, from);
}

Status FolderReader::note(Source& src, store::Table& t, uint32_t from) {
    if (from <= 1) {
        src.entries.clear();
        src.tail.clear();
        src.count = 0;
    }
    if (t.layout().find("CPF") < 0) return Status::ok();  // no record belongs to a declaration
    const store::Field f = t.field("CPF");
    std::vector<Entry> added;
    // The last record seen: what a later note starts after, even when the file grows meanwhile.
    uint32_t count = src.count;
    Status s = t.scan_rows(
        [&](uint32_t recno, std::string_view row) {
            count = recno;
            Entry e;
            if (row[0] == '*' || !cpf_key(store::Table::field_bytes(row, f), e.cpf)) return;
            if (!only_cpf_.empty() && trim(std::string_view(e.cpf, sizeof e.cpf)) != only_cpf_)
                return;
            e.recno = recno;
            added.push_back(e);
        },
        from);
    if (!s) return s;
    src.count = count;
    std::sort(added.begin(), added.end(), before);
    std::vector<Entry>& into = from <= 1 ? src.entries : src.tail;
    const size_t old = into.size();
    into.insert(into.end(), added.begin(), added.end());
    std::inplace_merge(into.begin(), into.begin() + static_cast<std::ptrdiff_t>(old), into.end(),
                       before);
    // A long tail is folded in: looking a CPF up stays two searches of sorted entries.
    if (src.tail.size() > 4096 && src.tail.size() > src.entries.size() / 8) {
        const size_t n = src.entries.size();
        src.entries.insert(src.entries.end(), src.tail.begin(), src.tail.end());
        std::inplace_merge(src.entries.begin(),
                           src.entries.begin() + static_cast<std::ptrdiff_t>(n), src.entries.end(),
                           before);
        src.tail.clear();
    }
    return Status::ok();
}

Status FolderReader::holds(size_t k, int number, bool* any) {
    *any = false;
    auto src = std::find_if(sources_.begin(), sources_.end(),
                            [&](const Source& x) { return x.number == number; });
    if (src == sources_.end() || k >= cpfs_.size())
        return Status::invalid("tabela " + std::to_string(number) + " não é lida da pasta");
    std::unique_ptr<store::Table> t;
    if (Status s = open(*src, &t); !s) return s;
    if (t) {
        if (Status s = t->close(); !s) return s;
    }
    Entry key{};
    if (!cpf_key(cpfs_[k], key.cpf)) return Status::ok();
    for (const std::vector<Entry>* noted : {&src->entries, &src->tail}) {
        auto at = std::lower_bound(noted->begin(), noted->end(), key, before);
        *any = *any || (at != noted->end() && same_cpf(*at, key));
    }
    return Status::ok();
}

Status FolderReader::read_one(store::Env& env, const std::string& folder, const std::string& cpf,
                              Loaded* out) {
    *out = Loaded();
    out->cpf = cpf;
    out->status = Status::not_found("CPF " + cpf + " não encontrado na pasta " + folder);
    FolderReader r;
    if (Status s = read(env, folder, cpf, &r); !s) return s;
    if (!r.has(cpf)) return Status::ok();
    std::vector<Loaded> one;
    if (Status s = r.load(0, 1, &one); !s) return s;
    *out = std::move(one.front());
    return Status::ok();
}

Status FolderReader::load(size_t first, size_t n, std::vector<Loaded>* out) {
    out->clear();
    std::vector<std::unique_ptr<store::Table>> tables(sources_.size());
    std::vector<std::shared_ptr<const store::Layout>> into(sources_.size());
    for (size_t i = 0; i < sources_.size(); ++i) {
        if (Status s = open(sources_[i], &tables[i]); !s) return s;
        if (tables[i])
            into[i] = reading_layout(*tables[i], store::table_def(sources_[i].number)->layout);
    }
    // The live records of source i that still belong to `cpf` (the first only with `one`).
    auto records = [&](size_t i, const std::string& cpf, bool one,
                       std::vector<store::Record>* recs) -> Status {
        store::Table* t = tables[i].get();
        if (!t) return Status::ok();
        const Source& src = sources_[i];
        Entry key{};
        if (!cpf_key(cpf, key.cpf)) return Status::ok();
        const store::Field f = t->field("CPF");
        // The CPF's records noted first, then those appended since (later in record order).
        for (const std::vector<Entry>* noted : {&src.entries, &src.tail}) {
            auto at = std::lower_bound(noted->begin(), noted->end(), key, before);
            for (; at != noted->end() && same_cpf(*at, key); ++at) {
                if (Status s = t->go_to(at->recno); !s) return s;
                if (t->eof() || t->deleted() || t->str(f) != cpf) continue;  // changed meanwhile
                store::Record rec(into[i]);
                if (Status r = t->read(rec); !r)
                    return Status::corrupt(src.path + " registro " + std::to_string(at->recno) +
                                           ": " + r.message());
                rec.recno = at->recno;
                recs->push_back(std::move(rec));
                if (one) return Status::ok();
            }
        }
        return Status::ok();
    };
    for (size_t k = first; k < cpfs_.size() && k < first + n; ++k) {
        Loaded l;
        l.cpf = cpfs_[k];
        l.declaration = Declaration::blank(l.cpf);
        Declaration& d = l.declaration;
        std::vector<store::Record> recs;
        l.status = records(0, l.cpf, true, &recs);
        if (l.status && recs.empty())
            l.status = Status::not_found("CPF " + l.cpf + " não está mais no cadastro da pasta");
        if (l.status) d.registry = std::move(recs.front());
        recs.clear();
        if (l.status) l.status = records(1, l.cpf, true, &recs);
        if (l.status && !recs.empty()) d.summary = std::move(recs.front());
        for (size_t i = 2; l.status && i < sources_.size(); ++i) {
            recs.clear();
            l.status = records(i, l.cpf, false, &recs);
            if (sources_[i].number == 7) l.gains = recs;
            if (sources_[i].number == 8) l.costs = recs;
            if (auto* list = d.list(sources_[i].number)) *list = std::move(recs);
        }
        out->push_back(std::move(l));
    }
    for (auto& t : tables)
        if (t) {
            if (Status s = t->close(); !s) return s;
        }
    return Status::ok();
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

namespace {

// Calls `take(record)` for every live record of a whole table, read into `layout` (the file's own
// when null); a missing file is an empty table unless `required`.
template <typename Take>
Status read_rows(store::Env& env, const std::string& path,
                 const std::shared_ptr<const store::Layout>& layout, bool required, Take take) {
    if (!env.exists(path))
        return required ? Status::not_found(path + " não localizado") : Status::ok();
    std::unique_ptr<store::Table> t;
    store::OpenOptions opt;
    opt.read_only = true;
    Status s = store::Table::open(env, path, opt, &t);
    if (!s) return s;
    const std::shared_ptr<const store::Layout> into = reading_layout(*t, layout);
    for (s = t->go_top(); s && !t->eof(); s = t->skip()) {
        store::Record rec(into);
        if (Status r = t->read(rec); !r)
            return Status::corrupt(path + " registro " + std::to_string(t->recno()) + ": " +
                                   r.message());
        rec.recno = t->recno();
        take(std::move(rec));
    }
    if (!s) return s;
    return t->close();
}

}  // namespace

Status read_interest_table(store::Env& env, const std::string& install_dir,
                           payments::InterestTable* out) {
    *out = payments::InterestTable();
    std::vector<store::Record> rows;
    Status s = read_rows(env, store::find_file(env, install_dir, "UFIRM.DBF"), nullptr, false,
                         [&](store::Record rec) { rows.push_back(std::move(rec)); });
    if (!s) return s;
    *out = payments::InterestTable::from_records(rows);
    return Status::ok();
}

Status read_accounts(store::Env& env, const std::string& install_dir,
                     std::vector<store::Record>* out) {
    out->clear();
    return read_rows(env, store::find_file(env, install_dir, table_file(62)), nullptr, true,
                     [&](store::Record rec) { out->push_back(std::move(rec)); });
}

Status read_past_result(store::Env& env, const std::string& install_dir, const std::string& cpf,
                        std::string_view year, std::optional<PastResult>* out) {
    *out = std::nullopt;
    // Read into the catalogue's fields by name: a table of another layout reads as well.
    return read_rows(env, store::find_file(env, install_dir, "ULTANOS.DBF"),
                     store::table_def(80)->layout, false, [&](store::Record rec) {
                         if (trim(rec.str("CPF")) == cpf && trim(rec.str("ANOBASE")) == year)
                             *out = PastResult{rec.num("BENSBASE"), rec.num("DIVBASE")};
                     });
}

}  // namespace vorn::tax
