// Hand-over of the declarations of a data folder.
#include "output/handover_folder.h"

#include <chrono>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <thread>

#include "base/text.h"
#include "store/catalogue.h"
#include "store/cdx_index.h"
#include "store/dbf.h"
#include "store/declaration.h"
#include "tax/annual.h"
#include "tax/folder.h"

namespace vorn::output {
namespace {

// Rows of a reference table of the installation, read-only; a missing table reads as none.
Status each_row(store::Env& env, const std::string& install, const std::string& file,
                const std::function<void(store::Table&)>& row) {
    const std::string path = store::find_file(env, install, file);
    if (!env.exists(path)) return Status::ok();
    std::unique_ptr<store::Table> t;
    store::OpenOptions o;
    o.read_only = true;
    if (Status s = store::Table::open(env, path, o, &t); !s) return s;
    if (Status s = t->go_top(); !s) return s;
    while (!t->eof()) {
        row(*t);
        if (Status s = t->skip(); !s) return s;
    }
    return Status::ok();
}

template <typename Attempt>
Status waiting(double seconds, Attempt attempt) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
        Status s = attempt();
        if (s.code() != Status::Code::kLocked || std::chrono::steady_clock::now() >= until)
            return s;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

}  // namespace

Status read_document_context(store::Env& env, const std::string& install,
                             const std::string& irpf_folder, const std::string& xmlns_setting,
                             DocumentContext* out) {
    if (Status s = read_declaration_namespace(env, irpf_folder, xmlns_setting, &out->xmlns); !s)
        return s;
    return read_place_names(env, install, out);
}

Status read_place_names(store::Env& env, const std::string& install, DocumentContext* out) {
    Status s = each_row(env, install, "TABPAIS.DBF", [&](store::Table& t) {
        out->countries[trim(t.str("CODPAIS"))] = trim(t.str("NOMPAIS"));
    });
    if (s)
        s = each_row(env, install, "TABMUNI.DBF", [&](store::Table& t) {
            out->municipalities[upper(MATCAR(trim(t.str("NOMEMUNI")))) + "|" +
                                trim(t.str("UNIFED"))] = trim(t.str("CODMUNI"));
        });
    return s;
}

HandoverSetup handover_setup(
    store::Env& env, const std::function<std::optional<std::string>(std::string_view)>& variable,
    const std::string& install, const std::string& irpf_folder, const std::string& data_folder) {
    HandoverSetup h;
    h.irpf_folder = irpf_folder;
    h.backup_folder = store::join_path(data_folder, "COPIAS-IRPF");
    if (auto java = variable("VORN_JAVA"); java && !java->empty()) h.hash.java = *java;
    if (auto jar = variable("VORN_IHASH_JAR"); jar && !jar->empty())
        h.hash.jar = *jar;
    else
        h.hash.jar = default_hash_jar(env, install, irpf_folder);
    if (auto secs = variable("VORN_IHASH_SECONDS"); secs && !secs->empty()) {
        char* end = nullptr;
        const double v = std::strtod(secs->c_str(), &end);
        if (end && *end == '\0' && v > 0) h.hash.seconds = v;
    }
    return h;
}

Status record_handover(store::Env& env, const std::string& folder, const std::string& cpf,
                       uint32_t recno, Date today, long status, double wait_seconds) {
    std::unique_ptr<store::Table> reg;
    const std::string path = store::data_table_path(env, folder, 9);
    Status s = waiting(wait_seconds,
                       [&] { return store::Table::open(env, path, store::OpenOptions{}, &reg); });
    if (!s) return s;
    for (const auto& ix : store::table_def(9)->index_files("")) {
        const std::string file = store::find_file(env, folder, ix.file + ".CDX");
        if (!env.exists(file)) continue;
        std::unique_ptr<store::CdxIndex> index;
        if (s = store::CdxIndex::open(*reg, file, &index); !s) return s;
        reg->add_index(std::move(index));
    }
    s = reg->go_to(recno);
    if (s && (reg->eof() || reg->deleted() || reg->str("CPF") != cpf))
        s = Status::not_found("CPF " + cpf + " não está mais no registro " + std::to_string(recno) +
                              " do cadastro");
    if (s) s = waiting(wait_seconds, [&] { return reg->lock_record(); });
    if (s) s = reg->replace(reg->field("DENTREGA"), today);
    if (s && status != 0)
        s = reg->replace(reg->field("ESTATUS"), Decimal(static_cast<long long>(status)));
    Status u = reg->unlock();
    Status c = reg->close();
    return !s ? s : !u ? u : c;
}

HandoverOutcome hand_over(Operator& op, const FolderHandover& h, const std::string& cpf) {
    HandoverOutcome out;
    HandoverFiles files;
    if (Status s = handover_files(h.setup.irpf_folder, cpf, &files); !s) {
        out.reason = s.message();
        return out;
    }
    tax::FolderReader::Loaded l;
    Status s = tax::FolderReader::read_one(h.env, h.folder, cpf, &l);
    if (s) s = l.status;
    if (!s) {
        out.reason = s.message();
        return out;
    }
    tax::Context c{l.declaration, op, h.clock, h.selic};
    tax::compute_declaration(c);
    // A declaration with rural activity carries its rural tables into the document.
    std::map<std::string, rural::RuralTables> rural;
    if (l.declaration.str("TEMRURAL") == "S") {
        if (Status r = rural::read_rural_tables(h.env, h.folder, {cpf}, &rural); !r) {
            out.reason = r.message();
            return out;
        }
    }
    const auto tables = rural.find(cpf);
    out = PREPARA(op, h.env, h.processes, h.setup, l.declaration, l.gains, l.costs, h.ctx,
                  tables == rural.end() ? nullptr : &tables->second);
    if (!out.done()) return out;
    if (Status r = record_handover(h.env, h.folder, cpf, l.declaration.registry.recno,
                                   h.clock.today(), h.transferred_status, h.wait_seconds);
        !r) {
        out.result = HandoverOutcome::Result::kFailed;
        out.reason = "transferida, mas o cadastro não foi atualizado: " + r.message();
    }
    return out;
}

}  // namespace vorn::output
