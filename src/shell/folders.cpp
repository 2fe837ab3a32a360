// The folder list, the choice of the data folder and the search for a CPF through the folders.
#include "shell/folders.h"

#include "base/text.h"
#include "shell/platform.h"
#include "shell/session.h"
#include "store/catalogue.h"
#include "store/declaration.h"
#include "store/opening.h"

namespace vorn::shell {
namespace {

std::string folder_key(std::string_view folder) {
    return upper(without_slash(folder));
}

}  // namespace

std::vector<FolderEntry> folder_list(store::WorkAreas& w) {
    std::vector<FolderEntry> out;
    store::Table* t = w.table(50);
    if (!t) throw std::logic_error("the folder list is not open");
    const size_t order = t->order();
    t->set_order(0);
    Status s = t->go_top();
    for (; s && !t->eof(); s = t->skip())
        out.push_back({without_slash(t->str("DIRETOR")), t->str("SELEC") == "S", t->recno()});
    t->set_order(order);
    if (!s) w.op().notice(NoticeKind::kError, "", s.message());
    return out;
}

Status select_in_list(store::WorkAreas& w, std::string_view folder) {
    store::Table* t = w.table(50);
    if (!t) throw std::logic_error("the folder list is not open");
    const std::string key = folder_key(folder);
    bool found = false;
    Status s;
    for (const auto& e : folder_list(w)) {
        const bool mine = !found && folder_key(e.folder) == key;
        found = found || mine;
        if (e.selected == mine) continue;
        s = t->go_to(e.recno);
        if (s) s = t->replace(t->field("SELEC"), mine ? "S" : "N");
        if (!s) return s;
    }
    if (!found) {
        store::Record r(t->layout_ptr());
        r.set("SELEC", "S");
        r.set("DIRETOR", pad_right(without_slash(folder), 80));
        s = t->append(&r);
    }
    return s;
}

Status list_data_folder(store::WorkAreas& w, std::string_view folder) {
    return select_in_list(w, folder);
}

void sync_areas(const Session& s, store::WorkAreas& w) {
    w.ARQDEF = s.ROTADEF;
    w.LOCARQ = s.ROTADOANO;
    w.NUSU = s.NUSU;
    w.MOS_MENS = s.MOS_MENS;
    w.REFAZ_IND = s.REFAZ_IND;
    w.APELIDO = s.APELIDO;
    w.OPCIR_1 = s.OPCIR_1;
}

bool store_config(Session& s, store::WorkAreas& w, const std::vector<std::string>& fields) {
    sync_areas(s, w);
    if (!store::ABERTURA(w, 42)) return false;
    store::Table& t = *w.table(42);
    Status st = t.go_top();
    while (st && !t.eof() && t.str("NRO_TERM") != s.NUSU) st = t.skip();
    bool ok = st.is_ok();
    w.select(42);
    if (ok && t.eof()) {
        ok = store::ADD_REC(w, 5, &s.CONFIG);
    } else if (ok) {
        ok = store::REC_LOCK(w, 5);
        for (size_t k = 0; ok && k < fields.size(); ++k) {
            st = t.replace(t.field(fields[k]), s.CONFIG.value(fields[k]));
            ok = st.is_ok();
        }
    }
    if (!st) w.op().notice(NoticeKind::kError, "", st.message());
    (void)t.unlock();
    w.close(42);
    return ok;
}

bool TROCASIM(Session& s, store::WorkAreas& w, std::string_view folder) {
    Operator& op = w.op();
    const std::string dir = without_slash(folder);
    if (char_count(dir) > 80) {
        op.notice(NoticeKind::kError, "", "Pasta com mais de 80 caracteres: " + dir);
        return false;
    }
    if (!w.env().is_directory(dir)) {
        if (!op.yes_no(
                "", "Pasta nova para  VORN20" + std::string(CANOATUAL) + "?\nCria a nova pasta?"))
            return false;
        if (!make_folder_path(dir)) {
            op.notice(NoticeKind::kError, "", "Problemas ao criar a pasta " + dir);
            return false;
        }
    }
    const std::string previous = s.ROTADOANO;
    s.set_data_folder(dir);
    sync_areas(s, w);
    if (!store::ABERTURA(w, 9)) {
        op.notice(NoticeKind::kError, "",
                  "Não foi possivel abrir arquivo\n" + store::data_table_path(w.env(), dir, 9));
        s.set_data_folder(previous);
        sync_areas(s, w);
        (void)store::ABERTURA(w, 9);
        return false;
    }
    Status st = select_in_list(w, dir);
    if (!st) op.notice(NoticeKind::kError, "", st.message());
    s.CONFIG.set("ROTADOANO", dir);
    return store_config(s, w, {"ROTADOANO"}) && st.is_ok();
}

bool folder_has_cpf(store::WorkAreas& w, std::string_view folder, std::string_view cpf) {
    store::Env& env = w.env();
    const std::string path = store::data_table_path(env, without_slash(folder), 9);
    if (!env.exists(path)) return false;
    std::unique_ptr<store::Table> t;
    if (!store::Table::open(env, path, store::OpenOptions{}, &t)) return false;
    // Through the registry's CPF index when it is there.
    const std::string cdx =
        store::find_file(env, without_slash(folder), store::table_def(9)->file_base("") + ".CDX");
    if (w.index_files && env.exists(cdx) && w.index_files->attach(*t, cdx, "CPF")) t->set_order(1);
    std::vector<uint32_t> hits;
    Status s = store::records_of(*t, cpf, nullptr, &hits);
    (void)t->close();
    return s && !hits.empty();
}

std::optional<std::string> find_cpf_in_folders(Session& s, store::WorkAreas& w,
                                               std::string_view cpf) {
    const std::string current = folder_key(s.ROTADOANO);
    for (const auto& e : folder_list(w)) {
        if (folder_key(e.folder) == current) continue;
        if (folder_has_cpf(w, e.folder, cpf)) return e.folder;
    }
    return std::nullopt;
}

}  // namespace vorn::shell
