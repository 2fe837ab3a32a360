// Loading, saving and releasing an open declaration and its working set.
#include "store/declaration.h"

#include <algorithm>
#include <map>
#include <stdexcept>

#include "base/helpers.h"
#include "base/text.h"
#include "store/catalogue.h"
#include "store/cdx_index.h"
#include "store/declaration_rules.h"
#include "store/opening.h"

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

std::string working_index_key(int n) {
    switch (n) {
        case 4:
            return "str(I7_0)";
        case 5:
            return "str(I8_0)";
        case 7:
            return "STRZERO(BEM_NRO,2)+STRZERO(RVAR_NRO,2)+DAY_TRADE";
        case 8:
            return "BEM_NRO";
        case 10:
            return "coddesp";
        case 11:
            return "codERR";
        case 15:
        case 16:
            return "cpf+ATV_BRASIL";
        case 17:
            return "I8R_0";
        case 18:
            return "I9R_0";
        default:
            return "cpf";
    }
}

std::string working_set_marker(std::string_view nusu) {
    return "TMP_OK" + std::string(nusu);
}

std::string data_table_path(Env& env, std::string_view folder, int n) {
    return find_file(env, folder, def(n).file_base("") + ".DBF");
}

std::optional<UnfinishedWork> unfinished_work(Env& env, std::string_view work_folder,
                                              std::string_view nusu) {
    std::string path = find_file(env, work_folder, working_table_name(9, nusu) + ".DBF");
    if (!env.exists(path) || !env.exists(find_file(env, work_folder, working_set_marker(nusu))))
        return std::nullopt;
    std::unique_ptr<Table> t;
    if (!Table::open(env, path, OpenOptions{}, &t)) return std::nullopt;
    std::optional<UnfinishedWork> work;
    if (!t->eof() && !t->str("CPF").empty()) {
        work =
            UnfinishedWork{t->str("CPF"), t->str("NOMECONTR"),
                           DateTime{t->date("DATAFIM"), HORA_SEG(t->str("HORAFIM")).value_or(0)}};
    }
    (void)t->close();
    return work;
}

bool earlier(const DateTime& a, const DateTime& b) {
    return a.date < b.date || (a.date == b.date && a.seconds < b.seconds);
}

// ---- records of one CPF

Status records_of(Table& t, std::string_view cpf, std::vector<Record>* rows,
                  std::vector<uint32_t>* recnos) {
    const Field f = t.field("CPF");
    const size_t before = t.order();
    const bool ordered = t.index_count() > 0;
    t.set_order(ordered ? 1 : 0);
    Status s = ordered ? t.seek(Value(std::string(cpf))) : t.go_top();
    while (s && !t.eof()) {
        if (t.str(f) == cpf) {
            if (rows) {
                rows->emplace_back(t.layout_ptr());
                s = t.read(rows->back());
                if (!s) break;
            }
            if (recnos) recnos->push_back(t.recno());
        } else if (ordered) {
            break;
        }
        s = t.skip();
    }
    t.set_order(before);
    return s;
}

Status replace_records(Table& t, std::string_view cpf, const std::vector<Record>& rows) {
    std::vector<uint32_t> slots;
    Status s = records_of(t, cpf, nullptr, &slots);
    std::sort(slots.begin(), slots.end());
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

Declaration::Declaration(WorkAreas& w, DeclarationPlace place)
    : w_(w), clock_(w.clock()), op_(w.op()), place_(std::move(place)) {}

Declaration::~Declaration() {
    close_working();
}

long Declaration::now_seconds() const {
    return clock_.now().seconds;
}

Table* Declaration::working(int n) {
    if (n < 1 || n > 21 || n == 13) return nullptr;
    return w_.table(n + 20);
}

void Declaration::close_working() {
    for (int a = 21; a <= 41; ++a) w_.close(a);
}

std::string Declaration::working_path(int n) const {
    return find_file(w_.env(), place_.work_folder, working_table_name(n, w_.NUSU) + ".DBF");
}

Status Declaration::open_shared_table(int n, bool exclusive, bool wait_forever) {
    Env& env = w_.env();
    constexpr int kQuietWaits = 6;  // half seconds
    int free_but_failed = 0, quiet_waits = 0;
    for (bool waited = false;;) {
        if (ABERTURA(w_, n, exclusive)) {
            if (waited) op_.status("");
            return Status::ok();
        }
        // Told apart here: held by another terminal (wait or ask), or broken (already told).
        const TableDef& t = def(n);
        const std::string path = find_file(env, t.folder == Folder::kData ? w_.LOCARQ : w_.ARQDEF,
                                           t.file_base(w_.NUSU) + ".DBF");
        std::unique_ptr<Table> probe;
        OpenOptions o;
        o.exclusive = exclusive;
        Status s = Table::open(env, path, o, &probe);
        if (s) {
            (void)probe->close();
            // Free now: the other terminal may just have let it go; otherwise the opening
            // failed for a reason of its own.
            if (++free_but_failed < 3) continue;
            return Status::io_error(t.file_base(w_.NUSU) + ".DBF não está disponível");
        }
        if (s.code() != Status::Code::kLocked) return s;
        // Another terminal copying its own client in holds a table for moments: a few seconds
        // are waited for quietly, and only a longer hold is put to the operator.
        if (wait_forever || quiet_waits < kQuietWaits) {
            op_.status("Aguardando outro Terminal carregar dados...");
            waited = true;
            ++quiet_waits;
            op_.pause(0.5);
            continue;
        }
        quiet_waits = 0;
        if (!op_.yes_no("", "Outro terminal esta usando o arquivo IMP" + two(n) +
                                std::string(CANOATUAL) + ".DBF\n" + "                Aguarde ?"))
            return Status::cancelled("IMP" + two(n) + "26.DBF em uso em outro terminal");
    }
}

Status Declaration::open_for_save(int n) {
    Env& env = w_.env();
    const TableDef& t = def(n);
    const std::string path = data_table_path(env, w_.LOCARQ, n);
    std::vector<std::string> files;
    bool ready = shared_checked_ && w_.index_files != nullptr && env.exists(path);
    for (const auto& ix : t.index_files("")) {
        files.push_back(find_file(env, w_.LOCARQ, ix.file + ".CDX"));
        ready = ready && env.exists(files.back());
    }
    // A table or an index still to be made goes through the ordinary opening, and so does every
    // table after a recovery or a failed save: a save cut short may have left an index that no
    // longer finds the client's records, and the save would then add them again.
    if (!ready) return open_shared_table(n, true, true);
    std::unique_ptr<Table> table;
    for (bool waited = false;;) {
        OpenOptions o;
        o.exclusive = true;
        o.clock = &clock_;
        Status s = Table::open(env, path, o, &table);
        if (s) {
            if (waited) op_.status("");
            break;
        }
        if (s.code() != Status::Code::kLocked) return s;
        op_.status("Aguardando outro Terminal carregar dados...");
        waited = true;
        op_.pause(0.5);
    }
    // The indexes are attached as they are: the declaration was read through them moments
    // before by the checked opening, and every writer keeps them in step since.
    for (const auto& f : files) {
        std::unique_ptr<CdxIndex> ix;
        Status s = CdxIndex::open(*table, f, &ix);
        if (!s) {
            (void)table->close();
            return open_shared_table(n, true, true);
        }
        table->add_index(std::move(ix));
    }
    table->set_order(1);
    w_.put(n, std::move(table), t.file_base(""));
    return Status::ok();
}

Status Declaration::create_working(int n, const std::vector<Record>& rows, Durability durability) {
    w_.close(n + 20);
    Env& env = w_.env();
    const std::string path = working_path(n);
    const std::string cdx =
        find_file(env, place_.work_folder, working_table_name(n, w_.NUSU) + ".CDX");
    const Layout& layout = *def(n).layout;
    // An empty working table of this layout, with its index, is already what is wanted.
    if (rows.empty() && env.exists(path) && (!w_.index_files || env.exists(cdx))) {
        std::unique_ptr<Table> t;
        uint32_t count = 1;
        if (Table::open(env, path, OpenOptions{true}, &t) && t->record_count(&count) &&
            t->layout().size() == layout.size()) {
            Status c = t->close();
            if (c && count == 0) return Status::ok();
        }
    }
    Status s = Table::create(env, path, layout, rows, &clock_, true, nullptr, durability);
    if (!s) return s;
    // The private index of the table it replaces would not match it: built here, at once.
    s = env_remove(base_of(cdx));
    if (!s) return s;
    if (!w_.index_files) return Status::ok();
    std::unique_ptr<Table> t;
    OpenOptions o;
    o.exclusive = true;
    o.clock = &clock_;
    s = Table::open(env, path, o, &t);
    if (s) s = w_.index_files->build(*t, cdx, working_index_key(n), durability);
    Status c = t ? t->close() : Status::ok();
    return s ? c : s;
}

Status Declaration::env_remove(const std::string& name) {
    Status s = w_.env().remove(find_file(w_.env(), place_.work_folder, name));
    return s || s.code() == Status::Code::kNotFound ? Status::ok() : s;
}

Status Declaration::open_working(int n) {
    const std::string path = working_path(n);
    if (!w_.env().exists(path)) {
        Status s = create_working(n, {}, Durability::kSynced);
        if (!s) return s;
    }
    if (!ABREARQ(w_, n + 20, true, path, working_index_key(n), {}, {}, {}, {}, n))
        return Status::locked("Terminal com esse nro aberto em outro local");
    return Status::ok();
}

Status Declaration::working_records(int n, std::vector<Record>* rows) {
    Table* t = working(n);
    if (!t) throw std::logic_error("working table " + std::to_string(n) + " is not open");
    // Record order: the order items were entered in.
    const size_t order = t->order();
    t->set_order(0);
    Status s = t->go_top();
    while (s && !t->eof()) {
        rows->emplace_back(t->layout_ptr());
        s = t->read(rows->back());
        if (s) s = t->skip();
    }
    t->set_order(order);
    return s;
}

Status Declaration::rewrite_working(int n, const std::vector<Record>& rows) {
    Table* t = working(n);
    const size_t order = t->order();
    t->set_order(0);
    Status s = t->go_top();
    for (size_t k = 0; s && k < rows.size() && !t->eof(); ++k) {
        s = t->put(rows[k]);
        if (s) s = t->skip();
    }
    t->set_order(order);
    return s;
}

Status Declaration::replace_working(int n, const std::vector<Record>& rows) {
    Table* t = working(n);
    if (!t) throw std::logic_error("working table " + std::to_string(n) + " is not open");
    const size_t order = t->order();
    t->set_order(0);
    Status s = t->go_top();
    size_t k = 0;
    for (; s && !t->eof(); ++k) {
        s = k < rows.size() ? t->put(rows[k]) : t->delete_record();
        if (s) s = t->skip();
    }
    for (; s && k < rows.size(); ++k) s = t->append(&rows[k]);
    t->set_order(order);
    // The rows appended reach the file now, as the rewritten ones did: a killed program keeps
    // what the operator entered.
    if (s) s = t->write_out();
    return s;
}

Status Declaration::load(std::string_view cpf, LoadMode mode, bool for_entry) {
    close_working();
    loaded_ = false;
    cpf_ = std::string(cpf);
    is_new_ = mode == LoadMode::kNew;
    saved_once_ = false;
    clock_off_ = false;
    idle_ = false;
    interval_start_ = now_seconds();
    last_save_ = clock_.now();
    values_ = DeclarationValues();

    Record reg(def(9).layout), t1(def(1).layout);
    Status s;
    shared_checked_ = false;
    if (mode != LoadMode::kRecovery) {
        op_.status(is_new_ ? "Criando os dados." : "Reprocessando....");
        // The marker goes first and comes back last: a load cut short leaves no working set that
        // could be taken for this CPF's. The copies hold nothing the shared tables do not, so
        // they are written without a sync each and made durable together before the marker.
        s = remove_marker();
        if (!s) return s;
        for (int n : load_order()) {
            Table* shared = nullptr;
            if (n == 9) {
                s = registry(&shared);
            } else {
                s = open_shared_table(n, true, n == 1);
                if (s) shared = w_.table(n);
            }
            std::vector<Record> rows;
            if (s) s = records_of(*shared, cpf_, &rows, nullptr);
            if (n != 9) w_.close(n);
            if (s) s = create_working(n, rows, Durability::kDeferred);
            if (!s) return s;
        }
        shared_checked_ = true;
    }
    for (int n : load_order()) {
        if (mode == LoadMode::kRecovery) {
            // The private indexes are built anew: a terminal that died left them behind its
            // tables.
            s = env_remove(working_table_name(n, w_.NUSU) + ".CDX");
            if (!s) return s;
        }
        s = open_working(n);
        if (!s) return s;
    }
    std::vector<Record> regs, sums;
    s = working_records(9, &regs);
    if (s) s = working_records(1, &sums);
    if (!s) return s;
    if (mode == LoadMode::kRecovery &&
        (regs.empty() || regs.front().str("CPF") != cpf_ ||
         !w_.env().exists(find_file(w_.env(), place_.work_folder, working_set_marker(w_.NUSU)))))
        return Status::not_found("Impossível recuperar o último CPF.");
    if (!regs.empty()) reg = regs.front();
    if (!sums.empty()) t1 = sums.front();
    if (regs.empty()) reg.set("ESTATUS", Decimal(2));
    values_.take(reg, t1);
    values_.set("CPF", cpf_);
    values_.set("NOMEAG", place_.operator_name);
    op_.status("");
    held_notices_.clear();
    if (computation_) {
        s = computation_(*this);
        if (!s) return s;
    }

    // Both value records live in the working set from the start; then the whole set is made
    // durable at once and marked complete.
    s = keep_values(false);
    if (s) s = w_.env().sync_filesystem(place_.work_folder);
    if (s) s = write_marker();
    if (!s) return s;
    if (for_entry) {
        s = mark_registry(w_.NUSU, false);
        if (!s) return s;
    }
    loaded_ = true;
    return Status::ok();
}

Status Declaration::keep_values(bool durable) {
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

    Status s = keep_records();
    if (!s) return s;
    // Whatever the screens wrote reaches the files now, so that a terminal that dies leaves it
    // to be recovered; `durable` also forces the tables written since their last sync to the
    // disk, so that a machine that stops does not lose it either.
    for (int n = 1; n <= 21; ++n)
        if (Table* t = working(n)) {
            s = durable ? t->flush() : t->write_out();
            if (!s) return s;
        }
    return Status::ok();
}

Status Declaration::keep_records() {
    // The working registry carries the time of this write: recovery compares it with the
    // declaration's last close.
    Record reg = values_.registry();
    const DateTime now = clock_.now();
    reg.set("DATAFIM", now.date);
    reg.set("HORAFIM", SEG_HORA(now.seconds));
    for (int n : {1, 9}) {
        Table* t = working(n);
        if (!t) throw std::logic_error("working records written without a working set");
        const Record& r = n == 1 ? values_.summary() : reg;
        const size_t order = t->order();
        t->set_order(0);
        Status s = t->go_top();
        // A put reaches the file at once (the system keeps it through a crash of the program);
        // an append, made once when the set is built, is gathered and written out here.
        const bool append = s && t->eof();
        if (s) s = append ? t->append(&r) : t->put(r);
        t->set_order(order);
        if (s) s = t->write_out();
        if (!s) return s;
    }
    return Status::ok();
}

long Declaration::running_seconds() const {
    if (clock_off_ || idle_) return 0;
    return working_seconds(interval_start_, now_seconds());
}

void Declaration::stop_interval() {
    values_.set("TEM_USO", add_working_time(values_.num("TEM_USO"), running_seconds()));
    interval_start_ = now_seconds();
}

void Declaration::idle_since(long since_seconds) {
    if (clock_off_ || idle_) return;
    values_.set("TEM_USO", add_working_time(values_.num("TEM_USO"),
                                            working_seconds(interval_start_, since_seconds)));
    interval_start_ = since_seconds;
    idle_ = true;
}

void Declaration::resume_interval() {
    if (!idle_) return;
    idle_ = false;
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

Status Declaration::registry(Table** out) {
    // The registry stays open in its area (shared) for the chooser's lists.
    Table* t = w_.table(9);
    if (!t || dir_of(t->path()) != dir_of(data_table_path(w_.env(), w_.LOCARQ, 9))) {
        Status s = open_shared_table(9, false, true);
        if (!s) return s;
        t = w_.table(9);
    }
    *out = t;
    return Status::ok();
}

Status Declaration::lock_current(int area) {
    w_.select(area);
    if (REC_LOCK(w_, 5)) return Status::ok();
    return Status::locked("registro de " + w_.alias(area) + " em uso");
}

Status Declaration::mark_registry(std::string_view nusuat, bool stamp_close) {
    Table* reg = nullptr;
    Status s = registry(&reg);
    if (!s) return s;
    std::vector<uint32_t> slots;
    s = records_of(*reg, cpf_, nullptr, &slots);
    Record r = values_.registry();
    if (s && !slots.empty()) {
        s = reg->go_to(slots.front());
        if (s) s = lock_current(9);
        if (s) s = reg->read(r);
    }
    if (s) {
        // One write: the closing stamps never land without the mark they go with. Freeing clears
        // only this terminal's mark: another terminal's means it has the declaration open.
        if (!nusuat.empty() || r.str("NUSUAT") == w_.NUSU) r.set("NUSUAT", nusuat);
        if (stamp_close) {
            DateTime now = clock_.now();
            r.set("DATAFIM", now.date);
            r.set("HORAFIM", SEG_HORA(now.seconds));
            r.set("ORDEM", Decimal(0));
        }
        s = slots.empty() ? reg->append(&r) : reg->put(r);
    }
    Status u = reg->unlock();
    if (s) s = u;
    // The mark is what other terminals and the next start-up go by: on the disk at once.
    return s ? reg->flush() : s;
}

Status Declaration::write_registry(bool final) {
    Record r = values_.registry();
    r.set("NUSUAT", final ? std::string() : w_.NUSU);
    r.set("NOMEAG", place_.operator_name);
    store_paid_totals(r, values_.summary());
    if (final) {
        DateTime now = clock_.now();
        r.set("DATAFIM", now.date);
        r.set("HORAFIM", SEG_HORA(now.seconds));
        r.set("ORDEM", Decimal(0));
    }

    Table* reg = nullptr;
    Status s = registry(&reg);
    if (!s) return s;
    std::vector<uint32_t> slots;
    s = records_of(*reg, cpf_, nullptr, &slots);
    if (s) {
        if (slots.empty()) {
            s = reg->append(&r);
        } else {
            s = reg->go_to(slots.front());
            if (s) s = lock_current(9);
            Record now_there(reg->layout_ptr());
            if (s) s = reg->read(now_there);
            if (s) {
                // Another terminal's mark stays until that terminal closes; the last close stays
                // what it was until this one closes.
                if (final && now_there.str("NUSUAT") != w_.NUSU)
                    r.set("NUSUAT", now_there.str("NUSUAT"));
                if (!final) {
                    r.set("DATAFIM", now_there.date("DATAFIM"));
                    r.set("HORAFIM", now_there.str("HORAFIM"));
                }
                s = reg->put(r);
            }
        }
    }
    Status u = reg->unlock();
    if (s) s = u;
    // The registry record is what says the save is done: on the disk before the working set
    // goes.
    return s ? reg->flush() : s;
}

Status Declaration::append_usage_line(long start, long end) {
    Status s = open_shared_table(73, false, true);
    if (!s) return s;
    w_.select(73);
    Table& t = *w_.table(73);
    Record r(def(73).layout);
    r.set("NOMEAG", place_.operator_name);
    r.set("CPF", cpf_);
    r.set("NOMECONTR", values_.str("NOMECONTR"));
    r.set("DATAUSO", clock_.today());
    r.set("INIUSO", SEG_HORA(start));
    r.set("FIMUSO", SEG_HORA(end));
    r.set("TEMUSO", SEG_HORA(working_seconds(start, end)));
    if (!ADD_REC(w_, 0, &r)) s = Status::locked("USOLOG.DBF em uso");
    Status u = t.unlock();
    w_.close(73);
    return s ? u : s;
}

int Declaration::tables_to_save_last() const {
    return values_.str("TEMRURAL") == "S" ? 21 : 14;
}

Status Declaration::save(bool final) {
    if (!loaded_) throw std::logic_error("save without an open declaration");
    op_.progress(final ? "Salvando Dados..." : "Salvando as informaçoes");

    // The final computation first: the counters below and the chooser's lists read its figures.
    Status s = computation_ ? computation_(*this) : Status::ok();
    std::vector<Record> monthly, gains;
    if (s) s = working_records(12, &monthly);
    if (s) s = working_records(7, &gains);
    if (!s) {
        op_.progress_done();
        return s;
    }
    store_counters(values_.registry(), values_.summary(), monthly, gains);

    const long start = interval_start_, end = now_seconds();
    values_.set("TEM_USO", add_working_time(values_.num("TEM_USO"), running_seconds()));
    interval_start_ = end;
    // The tables first and the registry last: until the registry is written the declaration
    // stays marked as open here, so a save cut short is offered for recovery. The working set
    // need not be durable for that: a save cut short by a machine that stops is recovered from
    // the working set as it was last made durable. The shared tables are made durable together
    // before the registry, and the registry before the working set goes.
    s = keep_values(false);
    if (s) s = renumber_assets();
    for (int n = 1; s && n <= tables_to_save_last(); ++n)
        if (n != 9 && n != 13) s = save_table(n, final);
    if (s && tables_to_save_last() == 14) s = save_table(20, final);
    if (s && final) s = append_usage_line(clock_off_ || idle_ ? end : start, end);
    if (s) s = w_.env().sync_filesystem(w_.LOCARQ);
    if (s) s = write_registry(final);
    op_.progress_done();
    if (!s) {
        shared_checked_ = false;
        return s;
    }
    last_save_ = clock_.now();
    saved_once_ = true;
    if (final) {
        close_working();
        loaded_ = false;
        return finish_working();
    }
    return Status::ok();
}

Status Declaration::remove_marker() {
    Env& env = w_.env();
    const std::string path = find_file(env, place_.work_folder, working_set_marker(w_.NUSU));
    if (!env.exists(path)) return Status::ok();
    Status s = env.remove(path);
    // Gone for good before the working tables change under it.
    return s ? env.sync_dir(place_.work_folder) : s;
}

Status Declaration::write_marker() {
    Env& env = w_.env();
    std::unique_ptr<File> f;
    std::string tmp;
    const std::string path = join_path(place_.work_folder, working_set_marker(w_.NUSU));
    Status s = env.create_temp(path, &f, &tmp);
    if (!s) return s;
    f.reset();
    s = env.rename(tmp, path);
    if (!s) {
        (void)env.remove(tmp);  // the error that matters is s; a leftover is only litter
        return s;
    }
    return env.sync_dir(place_.work_folder);
}

Status Declaration::finish_working() {
    Status s = env_remove(working_set_marker(w_.NUSU));
    if (s) s = env_remove(working_table_name(9, w_.NUSU) + ".DBF");
    if (s) s = env_remove(working_table_name(9, w_.NUSU) + ".CDX");
    return s;
}

Status Declaration::renumber_assets() {
    std::vector<Record> assets;
    Status s = working_records(4, &assets);
    if (!s) return s;
    const std::vector<Record> before = assets;
    renumber_items(assets, "I7_0");
    std::map<long long, long long> moved;  // the first asset of a number takes its links
    bool changed = false;
    for (size_t k = 0; k < assets.size(); ++k) {
        const long long from = before[k].num("I7_0").whole(), to = assets[k].num("I7_0").whole();
        moved.emplace(from, to);
        changed = changed || from != to;
    }
    if (!changed) return Status::ok();
    s = rewrite_working(4, assets);
    for (const auto& [n, field] : {std::pair{2, "REFBEM"}, std::pair{20, "REFEREN"}}) {
        if (!s || !working(n)) continue;
        std::vector<Record> rows;
        s = working_records(n, &rows);
        bool links = false;
        for (Record& r : rows) {
            const long long at = r.num(field).whole();
            auto it = moved.find(at);
            if (at == 0 || it == moved.end() || it->second == at) continue;
            r.set(field, Decimal(it->second));
            links = true;
        }
        if (s && links) s = rewrite_working(n, rows);
    }
    return s;
}

Status Declaration::save_table(int n, bool final) {
    (void) final;  // the working table stays open either way; the final save closes them all
    std::vector<Record> rows;
    Status s = working_records(n, &rows);
    if (!s) return s;
    if (n == 4 || n == 5 || n == 7) {
        if (n == 4) renumber_items(rows, "I7_0");
        if (n == 5) renumber_items(rows, "I8_0");
        if (n == 7) fill_seller_cpf(rows, cpf_);
        s = rewrite_working(n, rows);
        if (!s) return s;
    }
    s = open_for_save(n);
    if (!s) return s;
    op_.status("Salvando IMP" + two(n));
    s = replace_records(*w_.table(n), cpf_, rows);
    w_.close(n);
    op_.status("");
    return s;
}

Status Declaration::release() {
    if (!loaded_) return Status::ok();
    Status s;
    Table* reg = nullptr;
    std::vector<uint32_t> slots;
    bool remove = is_new_ && !saved_once_;
    if (remove) {
        // A new client never saved leaves no registry record, unless another terminal has
        // opened it since (its mark is there): that terminal is working on it.
        s = registry(&reg);
        if (s) s = records_of(*reg, cpf_, nullptr, &slots);
        for (size_t k = 0; s && k < slots.size() && remove; ++k) {
            s = reg->go_to(slots[k]);
            const std::string mark = s ? reg->str("NUSUAT") : std::string();
            remove = mark.empty() || mark == w_.NUSU;
        }
    }
    if (s && remove) {
        for (size_t k = 0; s && k < slots.size(); ++k) {
            s = reg->go_to(slots[k]);
            if (s) s = lock_current(9);
            if (s) s = reg->delete_record();
        }
        if (reg) {
            Status u = reg->unlock();
            if (s) s = u;
        }
    } else if (s) {
        s = mark_registry("", true);
    }
    close_working();
    loaded_ = false;
    Status f = finish_working();
    return s ? f : s;
}

}  // namespace vorn::store
