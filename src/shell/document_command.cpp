// The document batch command: writes the government program's document of declarations of a
// data folder into another folder, changing nothing in the data folder.
#include <cstdlib>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/operator.h"
#include "base/text.h"
#include "output/document.h"
#include "output/handover_folder.h"
#include "rural/book_folder.h"
#include "shell/batch_options.h"
#include "shell/commands.h"
#include "store/dbf.h"
#include "store/env.h"
#include "tax/annual.h"
#include "tax/folder.h"

namespace vorn {
namespace {

int fail(const std::string& message) {
    std::cerr << "vorn2026 document: " << message << "\n";
    return 1;
}

}  // namespace

int run_document_command(int argc, char** argv) {
    // --out DIR is this command's own; the rest is the batch command line.
    std::string out_dir;
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::string(argv[i]) == "--out") {
            if (i + 1 >= argc) return fail("--out sem pasta");
            out_dir = argv[++i];
        } else {
            rest.push_back(argv[i]);
        }
    }
    BatchOptions o;
    if (auto error = parse_batch_options(static_cast<int>(rest.size()), rest.data(), &o))
        return fail(*error);
    if (out_dir.empty())
        return fail(
            "uso: vorn2026 document --folder PASTA (--cpf CPF | --all) --out PASTA "
            "[--now \"AAAA-MM-DD HH:MM:SS\"] [--install PASTA]");
    store::Env& env = store::Env::posix();
    if (!env.is_directory(o.folder)) return fail("pasta não encontrada: " + o.folder);
    if (!env.is_directory(out_dir)) return fail("pasta de saída não encontrada: " + out_dir);

    output::DocumentContext ctx;
    const char* irpf = std::getenv("VORN_IRPF_DIR");
    const char* xmlns = std::getenv("VORN_IRPF_XMLNS");
    if (Status s = output::read_document_context(env, o.install, irpf ? irpf : "",
                                                 xmlns ? xmlns : "", &ctx);
        !s)
        return fail(s.message());

    tax::FolderReader folder;
    if (Status r = tax::FolderReader::read(env, o.folder, o.cpf, &folder); !r)
        return fail(r.message());
    if (!o.all && !folder.has(o.cpf))
        return fail("CPF " + o.cpf + " não encontrado na pasta " + o.folder);
    const BatchContext context(o, "document");
    ctx.now = context.clock().now();

    constexpr size_t kGroup = 64;
    BatchOperator op("document");
    size_t failed = 0;
    std::vector<tax::FolderReader::Loaded> group;
    std::string lines;
    for (size_t first = 0; first < folder.cpfs().size(); first += kGroup) {
        if (Status r = folder.load(first, kGroup, &group); !r) return fail(r.message());
        // The rural tables of the group's declarations with rural activity, read together.
        std::set<std::string> rural_cpfs;
        for (const auto& l : group)
            if (l.status && l.declaration.str("TEMRURAL") == "S") rural_cpfs.insert(l.cpf);
        std::map<std::string, rural::RuralTables> rural;
        if (!rural_cpfs.empty())
            if (Status r = rural::read_rural_tables(env, o.folder, rural_cpfs, &rural); !r)
                return fail(r.message());
        for (auto& l : group) {
            op.cpf = l.cpf;
            Status st = l.status;
            const std::string name = l.cpf + "-0000000000.xml";
            output::Document doc;
            if (st) {
                tax::Context c{l.declaration, op, context.clock(), context.selic()};
                tax::compute_declaration(c);
                auto r = rural.find(l.cpf);
                st = output::build_document(l.declaration, l.gains, l.costs, ctx, &doc,
                                            r == rural.end() ? nullptr : &r->second);
            }
            if (st)
                st = output::write_document(env, store::join_path(out_dir, name), doc,
                                            store::Durability::kDeferred);
            if (!st) {
                std::cerr << "vorn2026 document: CPF " << l.cpf << ": " << st.message() << "\n";
                ++failed;
                continue;
            }
            lines += l.cpf + " " + name + "\n";
            for (const auto& n : doc.notes) {
                std::string text = n.text;
                for (size_t p; (p = text.find('\n')) != std::string::npos;)
                    text.replace(p, 1, " / ");
                lines += l.cpf + " " + output::note_kind_name(n.kind) + ": " + text + "\n";
            }
        }
        std::cout << lines;
        lines.clear();
    }
    std::cout << std::flush;
    // The documents written reach the disk together, before the command reports success.
    if (Status sync = env.sync_filesystem(out_dir); !sync) return fail(sync.message());
    if (failed > 0)
        return fail(std::to_string(failed) + " de " + std::to_string(folder.cpfs().size()) +
                    " declarações não geradas");
    return 0;
}

}  // namespace vorn
