// Loading, saving and releasing an open declaration and its working set.
#include "store/declaration.h"

#include <stdexcept>

#include "base/helpers.h"
#include "base/text.h"
#include "store/catalogue.h"
#include "store/declaration_rules.h"

namespace vorn::store {
namespace {

std::string two(int n) {
    return (n < 10 ? "0" : "") + std::to_string(n);
}

const TableDef& def(int n) {
    const TableDef* t = table_def(n);
    if (!t || !t->layout) throw std::logic_error("no table " + std::to_string(n));
    return *t;
}

// Tables of a declaration, in the order they are copied in: the registry last, because its
// working copy tells which CPF the working set holds.
std::vector<int> load_order() {
    std::vector<int> v;
    for (int n = 1; n <= 21; ++n)
        if (n != 9 && n != 13) v.push_back(n);
    v.push_back(9);
    return v;
}

}  // namespace

// ---- values

DeclarationValues::DeclarationValues() : reg_(def(9).layout), t1_(def(1).layout) {}

bool DeclarationValues::has(std::string_view name) const {
    return t1_.layout().find(name) >= 0 || reg_.layout().find(name) >= 0;
}

const Value& DeclarationValues::value(std::string_view name) const {
    if (t1_.layout().find(name) >= 0) return t1_.value(name);
    return reg_.value(name);
}

std::string DeclarationValues::str(std::string_view name) const {
    return t1_.layout().find(name) >= 0 ? t1_.str(name) : reg_.str(name);
}

Decimal DeclarationValues::num(std::string_view name) const {
    return t1_.layout().find(name) >= 0 ? t1_.num(name) : reg_.num(name);
}

Date DeclarationValues::date(std::string_view name) const {
    return t1_.layout().find(name) >= 0 ? t1_.date(name) : reg_.date(name);
}

void DeclarationValues::set(std::string_view name, const Value& v) {
    int a = t1_.layout().find(name), b = reg_.layout().find(name);
    if (a < 0 && b < 0) throw std::out_of_range("no declaration value " + std::string(name));
    if (a >= 0) t1_.set_value(static_cast<size_t>(a), v);
    if (b >= 0) reg_.set_value(static_cast<size_t>(b), v);
}

void DeclarationValues::take(const Record& registry, const Record& summary) {
    reg_ = Record(def(9).layout);
    reg_.assign_by_name(registry);
    t1_ = Record(def(1).layout);
    t1_.assign_by_name(summary);
    for (size_t i = 0; i < t1_.layout().size(); ++i) {
        int j = reg_.layout().find(t1_.layout()[i].name);
        if (j >= 0) reg_.set_value(static_cast<size_t>(j), t1_.at(i));
    }
}

// ---- file names

std::string working_table_name(int n, std::string_view nusu) {
    return "TMP_" + two(n) + std::string(nusu);
}

std::string data_table_path(Env& env, std::string_view folder, int n) {
    return find_file(env, folder, def(n).file_base("") + ".DBF");
}

std::optional<std::string> working_set_cpf(Env& env, const DeclarationPlace& place) {
    std::string path =
        find_file(env, place.work_folder, working_table_name(9, place.nusu) + ".DBF");
    if (!env.exists(path)) return std::nullopt;
    std::unique_ptr<Table> t;
    if (!Table::open(env, path, OpenOptions{}, &t)) return std::nullopt;
    std::optional<std::string> cpf;
    if (!t->eof() && !t->str("CPF").empty()) cpf = t->str("CPF");
    (void)t->close();
    return cpf;
}

// ---- records of one CPF

Status records_of(Table& t, std::string_view cpf, std::vector<Record>* rows,
                  std::vector<uint32_t>* recnos) {
    const Field f = t.field("CPF");
    Status s = t.go_top();
    while (s && !t.eof()) {
        if (t.str(f) == cpf) {
            if (rows) {
                rows->emplace_back(t.layout_ptr());
                s = t.read(rows->back());
                if (!s) return s;
            }
            if (recnos) recnos->push_back(t.recno());
        }
        s = t.skip();
    }
    return s;
}

Status replace_records(Table& t, std::string_view cpf, const std::vector<Record>& rows) {
    std::vector<uint32_t> slots;
    Status s = records_of(t, cpf, nullptr, &slots);
    for (size_t k = 0; s && k < rows.size(); ++k) {
        Record r = rows[k];
        r.set("CPF", cpf);
        if (k < slots.size()) {
            s = t.go_to(slots[k]);
            if (s) s = t.put(r);
        } else {
            s = t.append(&r);
        }
    }
    for (size_t k = rows.size(); s && k < slots.size(); ++k) {
        s = t.go_to(slots[k]);
        if (s) s = t.delete_record();
    }
    return s;
}

// ---- the declaration

Declaration::Declaration(Env& env, const Clock& clock, Operator& op, DeclarationPlace place)
    : env_(env), clock_(clock), op_(op), place_(std::move(place)) {}

Declaration::~Declaration() {
    close_working();
}

long Declaration::now_seconds() const {
    return clock_.now().seconds;
}

Table* Declaration::working(int n) {
    if (n < 1 || n > 21 || n == 13) return nullptr;
    return working_[static_cast<size_t>(n)].get();
}

void Declaration::close_working() {
    for (auto& t : working_)
        if (t) {
            (void)t->close();
            t.reset();
        }
}

Status Declaration::open_shared_table(int n, bool exclusive, bool wait_forever,
                                      std::unique_ptr<Table>* out) {
    const std::string path = data_table_path(env_, place_.data_folder, n);
    if (!env_.exists(path)) {
        op_.status("Criando IMP" + two(n) + "26.DBF");
        Status s = Table::create(env_, path, *def(n).layout, {}, &clock_, false);
        if (!s) return s;
    }
    for (bool waited = false;;) {
        OpenOptions o;
        o.exclusive = exclusive;
        o.clock = &clock_;
        Status s = Table::open(env_, path, o, out);
        if (s) {
            if (waited) op_.status("");
            return s;
        }
        if (s.code() != Status::Code::kLocked) return s;
        if (wait_forever) {
            op_.status("Aguardando outro Terminal carregar dados...");
            waited = true;
            op_.pause(0.5);
            continue;
        }
        if (!op_.yes_no("", "Outro terminal esta usando o arquivo IMP" + two(n) + "26.DBF\n" +
                                "                Aguarde ?"))
            return Status::cancelled("IMP" + two(n) + "26.DBF em uso em outro terminal");
    }
}

Status Declaration::create_working(int n, const std::vector<Record>& rows) {
    const std::string path =
        join_path(place_.work_folder, working_table_name(n, place_.nusu) + ".DBF");
    working_[static_cast<size_t>(n)].reset();
    return Table::create(env_, find_file(env_, path), *def(n).layout, rows, &clock_, true);
}

Status Declaration::open_working(int n) {
    std::string path =
        find_file(env_, join_path(place_.work_folder, working_table_name(n, place_.nusu) + ".DBF"));
    if (!env_.exists(path)) {
        Status s = create_working(n, {});
        if (!s) return s;
    }
    OpenOptions o;
    o.exclusive = true;
    o.clock = &clock_;
    Status s = Table::open(env_, path, o, &working_[static_cast<size_t>(n)]);
    if (!s && s.code() == Status::Code::kLocked)
        return Status::locked("Terminal com esse nro aberto em outro local");
    return s;
}

Status Declaration::read_working(int n, std::vector<Record>* rows) {
    Table* t = working(n);
    if (!t) throw std::logic_error("working table " + std::to_string(n) + " is not open");
    Status s = t->go_top();
    while (s && !t->eof()) {
        rows->emplace_back(t->layout_ptr());
        s = t->read(rows->back());
        if (s) s = t->skip();
    }
    return s;
}

Status Declaration::rewrite_working(int n, const std::vector<Record>& rows) {
    Table* t = working(n);
    Status s = t->go_top();
    for (size_t k = 0; s && k < rows.size() && !t->eof(); ++k) {
        s = t->put(rows[k]);
        if (s) s = t->skip();
    }
    return s;
}

Status Declaration::copy_in(int n, Table& shared) {
    std::vector<Record> rows;
    Status s = records_of(shared, cpf_, &rows, nullptr);
    if (!s) return s;
    return create_working(n, rows);
}

Status Declaration::load(std::string_view cpf, LoadMode mode, bool for_entry) {
    close_working();
    loaded_ = false;
    cpf_ = std::string(cpf);
    is_new_ = mode == LoadMode::kNew;
    saved_once_ = false;
    clock_off_ = false;
    interval_start_ = now_seconds();
    last_save_ = clock_.now();
    values_ = DeclarationValues();

    Record reg(def(9).layout), t1(def(1).layout);
    if (mode == LoadMode::kRecovery) {
        for (int n : load_order()) {
            Status s = open_working(n);
            if (!s) return s;
        }
        std::vector<Record> regs, sums;
        Status s = read_working(9, &regs);
        if (s) s = read_working(1, &sums);
        if (!s) return s;
        if (regs.empty() || regs.front().str("CPF") != cpf_)
            return Status::not_found("Impossível recuperar o último CPF.");
        reg = regs.front();
        if (!sums.empty()) t1 = sums.front();
    } else {
        op_.status(is_new_ ? "Criando os dados." : "Reprocessando....");
        // The working registry goes first and comes back last: a load cut short leaves no working
        // set that could be taken for this CPF's.
        Status s = env_.remove(find_file(
            env_, join_path(place_.work_folder, working_table_name(9, place_.nusu) + ".DBF")));
        if (!s && s.code() != Status::Code::kNotFound) return s;
        for (int n : load_order()) {
            std::unique_ptr<Table> shared;
            s = open_shared_table(n, n != 9, n == 1, &shared);
            if (!s) return s;
            s = copy_in(n, *shared);
            Status c = shared->close();
            if (!s) return s;
            if (!c) return c;
        }
        for (int n : load_order()) {
            s = open_working(n);
            if (!s) return s;
        }
        std::vector<Record> regs, sums;
        s = read_working(9, &regs);
        if (s) s = read_working(1, &sums);
        if (!s) return s;
        if (!regs.empty()) reg = regs.front();
        if (!sums.empty()) t1 = sums.front();
        reg.set("CPF", cpf_);
        t1.set("CPF", cpf_);
        if (regs.empty() && is_new_) reg.set("ESTATUS", Decimal(2));
    }
    values_.take(reg, t1);
    values_.set("CPF", cpf_);
    values_.set("NOMEAG", place_.operator_name);
    op_.status("");

    // Both value records live in the working set from the start.
    Status s = keep_values();
    if (!s) return s;
    if (for_entry) {
        s = mark_registry(place_.nusu, false);
        if (!s) return s;
    }
    loaded_ = true;
    return Status::ok();
}

Status Declaration::keep_values() {
    std::vector<long> shares;
    for (int n = 1; n <= 21; ++n) {
        Table* t = working(n);
        if (!t) continue;
        uint32_t count = 0;
        Status s = t->record_count(&count);
        if (!s) return s;
        shares.push_back(table_size_measure(t->record_length(), count, t->header_length()));
    }
    values_.set("TAM_USO", Decimal(static_cast<long long>(TAM_USO_of(shares))));
    values_.set("INDGAS", cap_INDGAS(values_.num("INDGAS")));
    values_.set("SALDO", cap_SALDO(values_.num("SALDO")));

    for (int n : {1, 9}) {
        Table* t = working(n);
        const Record& r = n == 1 ? values_.summary() : values_.registry();
        Status s = t->go_top();
        if (!s) return s;
        s = t->eof() ? t->append(&r) : t->put(r);
        if (!s) return s;
    }
    return Status::ok();
}

long Declaration::running_seconds() const {
    if (clock_off_) return 0;
    return working_seconds(interval_start_, now_seconds());
}

void Declaration::stop_interval() {
    values_.set("TEM_USO", add_working_time(values_.num("TEM_USO"), running_seconds()));
    interval_start_ = now_seconds();
}

void Declaration::toggle_clock() {
    if (!clock_off_) stop_interval();
    clock_off_ = !clock_off_;
    interval_start_ = now_seconds();
}

long Declaration::seconds_since_save() const {
    DateTime now = clock_.now();
    return (now.date - last_save_.date) * 86400L + now.seconds - last_save_.seconds;
}

Status Declaration::open_registry(std::unique_ptr<Table>* out) {
    return open_shared_table(9, false, true, out);
}

Status Declaration::lock_current(Table& t) {
    double left = 5;
    Status s = t.lock_record();
    if (s || s.code() != Status::Code::kLocked) return s;
    op_.status("Aguardando registro ficar disponivel no arquivo " +
               base_of(t.path()).substr(0, base_of(t.path()).rfind('.')));
    while (left > 0 && !op_.esc_pressed()) {
        op_.pause(0.5);
        left -= 0.5;
        s = t.lock_record();
        if (s) {
            op_.status("");
            return s;
        }
        if (s.code() != Status::Code::kLocked) return s;
    }
    op_.status("");
    op_.notice(NoticeKind::kError, "ERRO",
               "ATENÇÃO! Registro não ficou disponível. Dado nÃo será gravado.");
    return Status::locked("registro de " + t.path() + " em uso");
}

Status Declaration::mark_registry(std::string_view nusuat, bool stamp_close) {
    std::unique_ptr<Table> reg;
    Status s = open_registry(&reg);
    if (!s) return s;
    std::vector<uint32_t> slots;
    s = records_of(*reg, cpf_, nullptr, &slots);
    Record r = values_.registry();
    if (s && !slots.empty()) {
        s = reg->go_to(slots.front());
        if (s) s = lock_current(*reg);
        if (s) s = reg->read(r);
    }
    if (s) {
        // One write: the closing stamps never land without the mark they go with.
        r.set("NUSUAT", nusuat);
        if (stamp_close) {
            DateTime now = clock_.now();
            r.set("DATAFIM", now.date);
            r.set("HORAFIM", SEG_HORA(now.seconds));
            r.set("ORDEM", Decimal(0));
        }
        s = slots.empty() ? reg->append(&r) : reg->put(r);
    }
    Status u = reg->unlock();
    Status c = reg->close();
    if (!s) return s;
    return u ? c : u;
}

Status Declaration::write_registry(bool final, long elapsed) {
    (void) final;
    values_.set("TEM_USO", add_working_time(values_.num("TEM_USO"), elapsed));
    Record r = values_.registry();
    r.set("NUSUAT", place_.nusu);  // freed only once every table is written
    r.set("NOMEAG", place_.operator_name);
    r.set("I13_27", values_.num("I13_27") + values_.num("I13_28"));
    r.set("I13_35", values_.num("I13_35") - values_.num("I13_34"));

    std::unique_ptr<Table> reg;
    Status s = open_registry(&reg);
    if (!s) return s;
    std::vector<uint32_t> slots;
    s = records_of(*reg, cpf_, nullptr, &slots);
    if (s) {
        if (slots.empty()) {
            s = reg->append(&r);
        } else {
            s = reg->go_to(slots.front());
            if (s) s = lock_current(*reg);
            if (s) s = reg->put(r);
        }
    }
    Status u = reg->unlock();
    Status c = reg->close();
    if (!s) return s;
    return u ? c : u;
}

Status Declaration::append_usage_line(long start, long end) {
    const TableDef& u = def(73);
    const std::string path = find_file(env_, place_.install_folder, u.file_base("") + ".DBF");
    if (!env_.exists(path)) {
        Status s = Table::create(env_, path, *u.layout, {}, &clock_, false);
        if (!s) return s;
    }
    std::unique_ptr<Table> t;
    OpenOptions o;
    o.clock = &clock_;
    Status s = Table::open(env_, path, o, &t);
    if (!s) return s;
    Record r(u.layout);
    r.set("NOMEAG", place_.operator_name);
    r.set("CPF", cpf_);
    r.set("NOMECONTR", values_.str("NOMECONTR"));
    r.set("DATAUSO", clock_.today());
    r.set("INIUSO", SEG_HORA(start));
    r.set("FIMUSO", SEG_HORA(end));
    r.set("TEMUSO", SEG_HORA(working_seconds(start, end)));
    for (;;) {
        s = t->append(&r);
        if (s || s.code() != Status::Code::kLocked) break;
        op_.status("Aguardando registro ficar disponível");
        op_.pause(0.5);
    }
    op_.status("");
    Status u2 = t->unlock();
    Status c = t->close();
    if (!s) return s;
    return u2 ? c : u2;
}

int Declaration::tables_to_save_last() const {
    return values_.str("TEMRURAL") == "S" ? 21 : 14;
}

Status Declaration::save(bool final) {
    if (!loaded_) throw std::logic_error("save without an open declaration");
    op_.progress(final ? "Salvando Dados..." : "Salvando as informaçoes");

    std::vector<Record> monthly, gains;
    Status s = read_working(12, &monthly);
    if (s) s = read_working(7, &gains);
    if (!s) {
        op_.progress_done();
        return s;
    }
    SummaryCounters c = summary_counters(monthly, gains);
    values_.set("NRCLEAO", Decimal(c.NRCLEAO));
    values_.set("DFCLEAO", c.DFCLEAO);
    values_.set("NRGCAPIT", Decimal(c.NRGCAPIT));
    values_.set("DFGCAPIT", c.DFGCAPIT);
    values_.set("NRRVARIV", Decimal(c.NRRVARIV));
    values_.set("DFRVARIV", c.DFRVARIV);
    values_.set("NRQUOTA", values_.num("QTD_QUOTA"));
    values_.set("DFQUOTA", values_.num("I13_37"));

    const long start = interval_start_, end = now_seconds();
    const long elapsed = running_seconds();
    interval_start_ = end;
    s = write_registry(final, elapsed);
    if (s) s = keep_values();
    for (int n = 1; s && n <= tables_to_save_last(); ++n)
        if (n != 9 && n != 13) s = save_table(n, final);
    if (s && tables_to_save_last() == 14) s = save_table(20, final);
    if (s && final) s = append_usage_line(clock_off_ ? end : start, end);
    if (s && final) s = mark_registry("", true);
    op_.progress_done();
    if (!s) return s;
    last_save_ = clock_.now();
    saved_once_ = true;
    if (final) {
        close_working();
        loaded_ = false;
    }
    return Status::ok();
}

Status Declaration::save_table(int n, bool final) {
    (void) final;
    std::vector<Record> rows;
    Status s = read_working(n, &rows);
    if (!s) return s;
    if (n == 4 || n == 5 || n == 7) {
        if (n == 4) renumber_items(rows, "I7_0");
        if (n == 5) renumber_items(rows, "I8_0");
        if (n == 7) fill_seller_cpf(rows, cpf_);
        s = rewrite_working(n, rows);
        if (!s) return s;
    }
    std::unique_ptr<Table> shared;
    s = open_shared_table(n, true, true, &shared);
    if (!s) return s;
    op_.status("Salvando IMP" + two(n));
    s = replace_records(*shared, cpf_, rows);
    Status c = shared->close();
    op_.status("");
    if (!s) return s;
    return c;
}

Status Declaration::release() {
    if (!loaded_) return Status::ok();
    Status s;
    if (is_new_ && !saved_once_) {
        std::unique_ptr<Table> reg;
        s = open_registry(&reg);
        std::vector<uint32_t> slots;
        if (s) s = records_of(*reg, cpf_, nullptr, &slots);
        for (size_t k = 0; s && k < slots.size(); ++k) {
            s = reg->go_to(slots[k]);
            if (s) s = lock_current(*reg);
            if (s) s = reg->delete_record();
        }
        if (reg) {
            Status u = reg->unlock();
            Status c = reg->close();
            if (s) s = u ? c : u;
        }
    } else {
        s = mark_registry("", true);
    }
    close_working();
    loaded_ = false;
    return s;
}

}  // namespace vorn::store
