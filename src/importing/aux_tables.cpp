#include "importing/aux_tables.h"

#include "importing/import_text.h"

#include <algorithm>
#include <memory>

#include "base/text.h"
#include "store/catalogue.h"
#include "store/dbf.h"
#include "store/opening.h"

namespace vorn::importing {
namespace {

// The office table a file name stands for ("AUXBENS.DBF" → 52), 0 for none.
int aux_table(const std::string& name) {
    const std::string u = upper(name);
    if (u.size() < 5 || u.substr(u.size() - 4) != ".DBF") return 0;
    if (u.rfind("AUX", 0) != 0 && u.rfind("STATUS", 0) != 0) return 0;
    const std::string stem = u.substr(0, u.size() - 4);
    for (int n = 42; n <= 99; ++n) {
        const store::TableDef* def = store::table_def(n);
        if (def && def->folder == store::Folder::kInstall && upper(def->file_base("")) == stem)
            return n;
    }
    return 0;
}

bool same_layout(const store::Layout& a, const store::Layout& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (upper(a[i].name) != upper(b[i].name) || a[i].type != b[i].type ||
            a[i].width != b[i].width || a[i].decimals != b[i].decimals)
            return false;
    return true;
}

// One table: checked, copied beside and renamed over the installation's, then opened.
AuxCopy copy_one(store::WorkAreas& w, const std::string& source, const std::string& name, int n,
                 bool check) {
    store::Env& env = w.env();
    AuxCopy out;
    out.file = name;
    const store::TableDef& def = *store::table_def(n);
    const std::string from = store::join_path(source, name);
    auto refuse = [&](const std::string& why) {
        out.text = why;
        return out;
    };
    std::shared_ptr<const store::Layout> layout;
    if (Status s = store::Table::read_layout(env, from, &layout); !s)
        return refuse("não é uma tabela legível: " + s.message());
    const std::string to = store::find_file(env, w.ARQDEF, def.file_base("") + ".DBF");
    // Held alone meanwhile: no terminal has it open, and none opens it until it is replaced.
    std::unique_ptr<store::Table> held;
    if (env.exists(to)) {
        store::OpenOptions o;
        o.exclusive = true;
        o.clock = &w.clock();
        if (Status s = store::Table::open(env, to, o, &held); !s)
            return refuse(s.code() == Status::Code::kLocked
                              ? "em uso em outro terminal; a tabela atual fica como está"
                              : "tabela atual ilegível: " + s.message());
    }
    if (check) {
        if (held) (void)held->close();
        out.copied = false;
        out.text = "pode ser copiado";
        return out;
    }
    std::string bytes;
    Status s = read_bytes(env, from, &bytes);
    std::unique_ptr<store::File> f;
    std::string temp;
    if (s) s = env.create_temp(to, &f, &temp);
    if (s) s = f->write(0, bytes);
    if (s) s = f->sync();
    f.reset();
    if (s) s = env.rename(temp, to);
    if (!s && !temp.empty()) (void)env.remove(temp);
    if (s) s = env.sync_dir(store::dir_of(to));
    Status c = held ? held->close() : Status::ok();
    if (!s) return refuse("não copiado, a tabela atual fica como está: " + s.message());
    if (!c) return refuse("copiado, mas a tabela anterior não fechou bem: " + c.message());
    // The indexes of the table replaced describe the old records: built anew at the opening.
    for (const auto& ix : def.index_files("")) {
        const std::string file = store::find_file(env, w.ARQDEF, ix.file + ".CDX");
        if (env.exists(file) && !env.remove(file))
            return refuse("índice antigo não removido: " + file);
    }
    if (!same_layout(*layout, *def.layout) && !store::CORRIGE(w, n))
        return refuse("copiado, mas a estrutura não foi atualizada");
    const bool was = w.REFAZ_IND;
    w.REFAZ_IND = true;
    const bool opened = store::ABERTURA(w, n);
    w.REFAZ_IND = was;
    w.close(n);
    if (!opened) return refuse("copiado, mas a tabela não abriu");
    out.copied = true;
    out.text = "copiado";
    return out;
}

}  // namespace

std::vector<AuxCopy> copy_aux_tables(store::WorkAreas& w, const std::string& source, bool check) {
    std::vector<AuxCopy> out;
    std::vector<std::string> names;
    if (Status s = w.env().list(source, &names); !s) {
        out.push_back({source, false, "pasta ilegível: " + s.message()});
        return out;
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        const std::string u = upper(name);
        const bool masked = (u.rfind("AUX", 0) == 0 || u.rfind("STATUS", 0) == 0) && u.size() > 4 &&
                            u.substr(u.size() - 4) == ".DBF";
        if (!masked) continue;
        const int n = aux_table(name);
        if (n == 0) {
            out.push_back({name, false, "não é uma tabela auxiliar do programa"});
            continue;
        }
        out.push_back(copy_one(w, source, name, n, check));
    }
    return out;
}

}  // namespace vorn::importing
