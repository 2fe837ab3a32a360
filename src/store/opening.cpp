// Creation, opening by number, closing groups of areas and the structure upgrade, all read from
// the catalogue.
#include "store/opening.h"

#include <charconv>

#include "base/text.h"
#include "store/catalogue.h"

namespace vorn::store {
namespace {

std::string folder_for(const WorkAreas& w, const TableDef& def) {
    return def.folder == Folder::kData ? w.LOCARQ : w.ARQDEF;
}

std::string base_for(const WorkAreas& w, const TableDef& def) {
    if (def.number == 75 && w.OPCIR_1 == 44) return def.name_for_option44;
    return def.file_base(w.NUSU);
}

// The newest field of this edition in the tables the upgrade looks at.
struct Newest {
    int table;
    const char* field;
    FieldType type;
};
constexpr Newest kNewest[] = {{1, "I4_15", FieldType::kNumeric},
                              {2, "I1_45", FieldType::kNumeric},
                              {9, "RACA", FieldType::kNumeric},
                              {42, "BACKAUTO", FieldType::kChar}};

bool abertura_start(WorkAreas& w) {
    Env& env = w.env();
    w.close_all();
    if (!ABERTURA(w, 50)) return false;  // the same terminal number is already running
    Table& list = *w.table(50);
    Field dir = list.field("DIRETOR");
    Status s = list.go_top();
    for (; s && !list.eof(); s = list.skip())
        if (!env.is_directory(list.str(dir))) s = list.delete_record();
    if (!s) {
        w.op().notice(NoticeKind::kError, "", s.message());
        w.last_open_failure = s.code() == Status::Code::kLocked ? Status::io_error(s.message()) : s;
        return false;
    }
    if (env.exists(find_file(env, w.ARQDEF, "HELPTXT.DBF")) &&
        env.exists(find_file(env, w.ARQDEF, "HELPTXT.DBT")))
        ABERTURA(w, 45);
    for (int n : {46, 47, 48, 49, 51, 52, 53, 54, 58})
        if (!ABERTURA(w, n)) return false;
    bool status_ok = ABERTURA(w, 66);
    const Status failure = w.last_open_failure;
    w.close_all();
    ABERTURA(w, 50);
    w.select(50);
    if (!status_ok) w.last_open_failure = failure;
    return status_ok;
}

}  // namespace

bool CRIA(WorkAreas& w, std::string_view number, const std::string& file) {
    int n = 0;
    auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), n);
    if (ec != std::errc() || end != number.data() + number.size()) return false;
    const TableDef* def = structure_for_area(n);
    if (!def || def->reference || !def->layout) return false;

    Operator& op = w.op();
    std::vector<std::string> shown;
    if (n >= 1 && n <= 21)
        shown.push_back("Criando IMP" + two_digits(n) + std::string(CANOATUAL) + ".DBF");
    if (n == 10 || n == 21) shown.push_back("Criando IMP" + two_digits(n) + ".DBF");
    if (n == 50) shown.push_back("Criando DIRETOR.DBF");
    for (const auto& text : shown) op.progress(text);

    std::string path = file;
    if (base_of(path).find('.') == std::string::npos) path += ".DBF";
    Status s =
        Table::create(w.env(), path, *def->layout, initial_rows(def->number), &w.clock(), false);
    if (!shown.empty()) op.progress_done();
    if (!s) {
        op.notice(NoticeKind::kError, "", s.message());
        return false;
    }
    return true;
}

bool ABERTURA(WorkAreas& w, int n, bool exclusive) {
    if (n == 0) return abertura_start(w);
    const TableDef* def = table_def(n);
    if (!def) return true;
    bool excl =
        def->mode == OpenMode::kExclusive || (def->mode == OpenMode::kAsRequested && exclusive);
    std::string dir = folder_for(w, *def);
    std::string base = base_for(w, *def);
    std::vector<IndexDef> ix =
        base == def->file_base(w.NUSU) ? def->index_files(w.NUSU) : std::vector<IndexDef>{};
    auto key = [&](size_t i) { return i < ix.size() ? std::string_view(ix[i].key) : ""; };
    auto file = [&](size_t i) { return i < ix.size() ? join_path(dir, ix[i].file) : ""; };
    bool ok = ABREARQ(w, n, excl, join_path(dir, base), key(0), key(1), file(1), key(2), file(2));
    if (ok && n == 50) ok = first_folder_entry(w);
    return ok;
}

bool first_folder_entry(WorkAreas& w) {
    Table* t = w.table(50);
    if (!t) return false;
    Status s = t->go_top();
    if (s && !t->eof()) return true;
    std::string dir = w.ARQDEF;
    while (dir.size() > 1 && (dir.back() == '/' || dir.back() == '\\')) dir.pop_back();
    Record entry(t->layout_ptr());
    entry.set("SELEC", "S");
    entry.set("DIRETOR", dir);
    if (s) s = t->append(&entry);
    if (s) s = t->unlock();
    if (!s) {
        w.op().notice(NoticeKind::kError, "", s.message());
        return false;
    }
    return true;
}

void FECHA_TODO(WorkAreas& w) {
    for (int n = 1; n <= 41; ++n)
        if (n != 9) w.close(n);
}

void FECHA_PROV(WorkAreas& w) {
    for (int n = 21; n <= 41; ++n) w.close(n);
}

bool needs_upgrade(WorkAreas& w, int n) {
    const TableDef* def = table_def(n);
    if (!def) return false;
    std::string path = find_file(w.env(), folder_for(w, *def), base_for(w, *def) + ".DBF");
    if (!w.env().exists(path)) return false;  // it will be created with this edition's layout
    std::shared_ptr<const Layout> layout;
    Status s = Table::read_layout(w.env(), path, &layout);
    if (!s) return false;  // not readable as a table: opening it reports why
    for (const Newest& nf : kNewest) {
        if (nf.table != n) continue;
        int i = layout->find(nf.field);
        return i < 0 || (*layout)[static_cast<size_t>(i)].type != nf.type;
    }
    return false;
}

bool check_structure(WorkAreas& w) {
    for (int n : {1, 2, 9}) {
        if (!needs_upgrade(w, n)) continue;
        w.op().notice(NoticeKind::kAttention, "ATUALIZAÇÃO OBRIGATÓRIA",
                      "ATENÇÃ0! Antes de usar o programa em qualquer\n"
                      "função é obrigatório atualizar a base de dados.\n"
                      "Se não atualizar vai acontecer vários erros.\n"
                      "Estando em uma rede é necessário somente um\n"
                      "terminal ficar ativo e então vá ao menu inicial\n"
                      "no item Atualiza base de dados.");
        return false;
    }
    return true;
}

bool CORRIGE(WorkAreas& w, int n) {
    const TableDef* def = table_def(n);
    if (!def || !def->layout) return false;
    Env& env = w.env();
    Operator& op = w.op();
    std::string dir = folder_for(w, *def);
    std::string base = base_for(w, *def);
    std::string path = find_file(env, dir, base + ".DBF");
    if (!env.exists(path)) return true;  // nothing to upgrade: it is created with this layout
    w.close(n);

    std::unique_ptr<Table> old;
    Status s = Table::open(env, path, {true, false, &w.clock()}, &old);
    if (!s) {
        op.notice(
            NoticeKind::kError, "",
            "Não foi possível atualizar " + base_of(path) + "\nPrograma aberto em outro terminal?");
        return false;
    }
    std::string work = join_path(dir, "ACERTO.DBF");
    auto fail = [&](const Status& err) {
        op.notice(NoticeKind::kError, "", err.message());
        (void)env.remove(work);  // the table itself is untouched; the work file is only litter
        return false;
    };
    s = Table::create(env, work, *def->layout, {}, &w.clock(), true);
    if (!s) return fail(s);
    std::unique_ptr<Table> fresh;
    s = Table::open(env, work, {true, false, &w.clock()}, &fresh);
    if (!s) return fail(s);
    Record rec(old->layout_ptr());
    for (s = old->go_top(); s && !old->eof(); s = old->skip()) {
        s = old->read(rec);
        if (s) s = fresh->append(&rec);
        if (!s) break;
    }
    if (s) s = fresh->flush();
    if (!s) {
        fresh.reset();
        return fail(s);
    }
    fresh.reset();
    // The table's indexes hold the old record numbers: they go first, so whatever happens next
    // the next opening builds them again.
    for (const auto& ix : def->index_files(w.NUSU)) {
        std::string cdx = find_file(env, dir, ix.file + ".CDX");
        if (env.exists(cdx)) {
            s = env.remove(cdx);
            if (!s) return fail(s);
        }
    }
    op.progress(base + ".DBF" + " Atualizado");
    // The renamed work file replaces the table in one step; until then the old table is whole.
    s = env.rename(work, path);
    op.progress_done();
    if (!s) return fail(s);
    (void)old->close();  // the old file is no longer the table: nothing of it matters now
    old.reset();
    s = env.sync_dir(dir);
    if (!s) {
        op.notice(NoticeKind::kError, "", s.message());
        return false;
    }
    return true;
}

}  // namespace vorn::store
