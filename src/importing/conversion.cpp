#include "importing/conversion.h"

#include <algorithm>
#include <set>

#include "base/text.h"
#include "store/catalogue.h"
#include "store/cdx_index.h"
#include "store/dbf.h"
#include "store/declaration.h"
#include "store/workareas.h"
#include "tax/open_computation.h"

namespace vorn::importing {
namespace {

using Outcome = ConversionResult::Outcome;

bool has(const store::Record& r, std::string_view field) {
    return r.layout().find(field) >= 0;
}

// Every live row of last year's table n, read into this edition's layout of table n.
Status read_table(store::Env& env, const std::string& path, int n,
                  std::vector<store::Record>* out) {
    std::unique_ptr<store::Table> t;
    store::OpenOptions o;
    o.read_only = true;
    if (Status s = store::Table::open(env, path, o, &t); !s) return s;
    uint32_t count = 0;
    Status s = t->record_count(&count);
    for (uint32_t k = 1; s && k <= count; ++k) {
        s = t->go_to(k);
        if (!s || t->deleted()) continue;
        store::Record r(store::table_def(n)->layout);
        s = t->read(r);
        if (s) out->push_back(std::move(r));
    }
    Status c = t->close();
    if (!s) return Status::corrupt(path + ": " + s.message());
    return c;
}

Decimal year_end(const store::Record& r, int kind) {
    return r.num(kind == 7 ? "I7_4" : "I8_4");
}

// The code of an asset: its group and code ("0401" is 401) when it has them, else the old
// three-digit code.
int asset_code(const store::Record& r) {
    const std::string g = trim(r.str("GRPO")), c = trim(r.str("CODB"));
    if (!g.empty() && !c.empty()) return std::atoi(g.c_str()) * 100 + std::atoi(c.c_str());
    return static_cast<int>(r.num("I7_5").whole());
}

bool marked_with_cent(int code) {
    return (code >= 401 && code <= 509) || (code >= 601 && code <= 799);
}

std::string name_of(const store::Record& r) {
    return trim(r.str("NOMEDEPEN"));
}

}  // namespace

std::string previous_table_path(store::Env& env, const std::string& folder, int n) {
    const std::string want = upper("IMP" + std::string(n < 10 ? "0" : "") + std::to_string(n) +
                                   std::string(store::CANOANTER) + ".DBF");
    std::vector<std::string> names;
    if (!env.list(folder, &names)) return {};
    for (const auto& name : names)
        if (upper(name) == want) return store::join_path(folder, name);
    return {};
}

Status read_previous_year(store::Env& env, const std::string& source,
                          std::vector<PreviousDeclaration>* out) {
    const std::string reg = previous_table_path(env, source, 9);
    if (reg.empty())
        return Status::not_found("IMP09" + std::string(store::CANOANTER) +
                                 ".DBF não encontrado em " + source);
    std::vector<store::Record> registry;
    if (Status s = read_table(env, reg, 9, &registry); !s) return s;
    std::map<int, std::vector<store::Record>> rows;
    for (int n : {1, 2, 3, 4, 5, 7, 8, 16, 17, 18, 20, 21}) {
        const std::string path = previous_table_path(env, source, n);
        if (path.empty()) continue;
        if (Status s = read_table(env, path, n, &rows[n]); !s) return s;
    }
    // Each table's rows by taxpayer, in record order.
    std::map<std::string, std::map<int, std::vector<store::Record>>> by_cpf;
    for (auto& [n, list] : rows)
        for (auto& row : list) by_cpf[trim(row.str("CPF"))][n].push_back(std::move(row));
    std::vector<PreviousDeclaration> result;
    std::set<std::string> seen;
    for (auto& r : registry) {
        const std::string cpf = trim(r.str("CPF"));
        // A registry holding a CPF twice, or a blank one, gives the first record only.
        if (cpf.empty() || !seen.insert(cpf).second) continue;
        PreviousDeclaration d;
        d.registry = r;
        if (auto it = by_cpf.find(cpf); it != by_cpf.end()) d.tables = std::move(it->second);
        result.push_back(std::move(d));
    }
    *out = std::move(result);
    return Status::ok();
}

std::vector<store::Record> TRANS_BLO(int kind, const std::vector<store::Record>& rows,
                                     bool carry_sold, std::vector<std::string>* notes,
                                     std::map<long long, long long>* moved) {
    const char* seq = kind == 7 ? "I7_0" : "I8_0";
    const char* item = kind == 7 ? "I7_1" : "I8_1";
    const char* prev = kind == 7 ? "I7_3" : "I8_3";
    std::vector<store::Record> in = rows;
    std::stable_sort(in.begin(), in.end(),
                     [&](const auto& a, const auto& b) { return a.num(seq) < b.num(seq); });
    std::vector<store::Record> out;
    int dropped = 0;
    for (const auto& r : in) {
        const Decimal before = r.num(prev), after = year_end(r, kind);
        const bool sold = before != Decimal() && after == Decimal();
        if ((before == Decimal() && after == Decimal()) || (sold && !carry_sold)) {
            ++dropped;
            if (notes && sold)
                notes->push_back(std::string(kind == 7 ? "bem" : "dívida") + " " +
                                 std::to_string(r.num(item).whole()) + " não transportado");
            continue;
        }
        store::Record c = r;
        const long long number = static_cast<long long>(out.size()) * 10 + 1;
        if (moved) moved->emplace(r.num(seq).whole(), number);
        c.set(seq, Decimal(number));
        c.set(item, r.num(item) - Decimal(dropped));
        c.set(prev, after);
        if (kind == 7) {
            c.set("I7_9", after);
            c.set("I7_4", marked_with_cent(asset_code(r)) ? *Decimal::parse("0.01") : after);
        } else {
            c.set("I8_4", after);
            c.set("I8_6", after);
            c.set("I8_7", Decimal());
        }
        out.push_back(std::move(c));
    }
    return out;
}

namespace {

std::string month_field(const char* name, int m) {
    return std::string(name) + (m < 10 ? "0" : "") + std::to_string(m);
}

constexpr const char* kGainMonthFields[] = {"REC_MES", "VAL_TRI", "DIA_REC", "IMP_DEV", "IMP_PAG",
                                            "IMP_LEI", "REC_USA", "VAL_USA", "VAL_COR", "VAL_A31"};

// A rural asset (table 17) or debt (table 18) one year on: last year's closing value becomes
// both columns; a debt's payments of the year start at zero. False when the item stays behind.
bool carry_rural_item(store::Record& r, bool asset, bool carry_sold) {
    const char* before_f = asset ? "I8R_2" : "I9R_2";
    const char* after_f = asset ? "I8R_5" : "I9R_3";
    const Decimal before = r.num(before_f), after = r.num(after_f);
    if (after == Decimal() && (before == Decimal() || !carry_sold)) return false;
    r.set(before_f, after);
    if (!asset) r.set("I9R_4", Decimal());
    return true;
}

}  // namespace

CarriedGains carry_instalment_sales(const std::vector<store::Record>& gains,
                                    const std::vector<store::Record>& costs,
                                    std::vector<std::string>* notes) {
    std::vector<const store::Record*> sales;
    for (const auto& g : gains)
        if (g.num("RVAR_NRO") == Decimal() && g.num("TIPO_BEM") != Decimal(4) &&
            (upper(trim(g.str("VEN_PRAZO"))) == "S" || upper(trim(g.str("VENDAANT"))) == "S"))
            sales.push_back(&g);
    std::stable_sort(sales.begin(), sales.end(), [](const auto* a, const auto* b) {
        return a->num("BEM_NRO") < b->num("BEM_NRO");
    });
    CarriedGains out;
    for (const store::Record* g : sales) {
        const bool earlier = upper(trim(g->str("VENDAANT"))) == "S";
        Decimal received, brokerage, reinvested;
        for (int m = 1; m <= 12; ++m) {
            received += g->num(month_field("REC_MES", m));
            brokerage += g->num(month_field("VAL_COR", m));
            reinvested += g->num(month_field("VAL_A31", m));
        }
        const Decimal before = (earlier ? g->num("VAL_ANTE") : Decimal()) + received;
        const Decimal remaining = g->num("VAL_ALI") - before;
        const long long old_number = g->num("BEM_NRO").whole();
        if (remaining <= Decimal()) {
            if (notes)
                notes->push_back("ganho " + std::to_string(old_number) +
                                 " recebido por inteiro: não transportado");
            continue;
        }
        store::Record c = *g;
        const long long number = static_cast<long long>(out.gains.size()) + 1;
        c.set("BEM_NRO", Decimal(number));
        c.set("VEN_PRAZO", "S");
        c.set("VENDAANT", "S");
        c.set("VAL_ANTE", before);
        c.set("VAL_DIFE", remaining);
        c.set("CORR_ANTE", (earlier ? g->num("CORR_ANTE") : Decimal()) + brokerage);
        c.set("APLI_ANTE", (earlier ? g->num("APLI_ANTE") : Decimal()) + reinvested);
        for (int m = 1; m <= 12; ++m)
            for (const char* f : kGainMonthFields) c.set(month_field(f, m), Decimal());
        out.gains.push_back(std::move(c));
        for (const auto& cost : costs)
            if (cost.num("BEM_NRO").whole() == old_number && cost.num("RVAR_NRO") == Decimal()) {
                store::Record k = cost;
                k.set("BEM_NRO", Decimal(number));
                out.costs.push_back(std::move(k));
            }
        if (notes)
            notes->push_back("ganho " + std::to_string(old_number) + " a prazo transportado como " +
                             std::to_string(number) + ": a receber " + remaining.to_string());
    }
    return out;
}

ConvertedDeclaration convert_declaration(const PreviousDeclaration& old,
                                         const ConversionChoices& choices, int calendar_year,
                                         const Ask& ask,
                                         const std::function<void(const std::string&)>& notice) {
    ConvertedDeclaration out;
    const std::string cpf = trim(old.registry.str("CPF"));
    auto rows = [&old](int n) -> const std::vector<store::Record>& {
        static const std::vector<store::Record> none;
        auto it = old.tables.find(n);
        return it == old.tables.end() ? none : it->second;
    };

    // Identification and address; the year's own marks start again.
    out.registry = store::Record(store::table_def(9)->layout);
    out.registry.assign_by_name(old.registry);
    out.registry.set("RECIBOANT", old.registry.str("NRORECIBO"));
    for (const char* f : {"NRORECIBO", "RECIBOATU", "NUSUAT", "IMPRE", "HORAFIM"})
        out.registry.set(f, "");
    out.registry.set("RETIFICA", "N");
    out.registry.set("I9_4", "N");
    out.registry.set("I9_5", "N");
    for (const char* f : {"ESTATUS", "TEM_USO", "TAM_USO", "I9_2", "I9_3", "NRETIF", "ORDEM"})
        out.registry.set(f, Decimal());
    out.registry.set("ESTATUS", Decimal(1));
    out.registry.set("DENTREGA", Date());
    out.registry.set("DATAFIM", Date());

    // Sources of income, without amounts: the companies, and the individuals the operator chose.
    for (const auto& r : rows(2)) {
        const std::string kind = trim(r.str("I1_1"));
        const bool individual = kind == "F";
        if (kind != "J" && !individual) continue;
        if (individual && (choices.payers == 1 || (choices.payers == 2 && r.str("I1_41") != "A")))
            continue;
        store::Record c(store::table_def(2)->layout);
        for (const char* f : {"CPF", "I1_1", "I1_2", "I1_3", "I1_8", "I1_41", "I1_11"})
            c.set(f, r.str(f));
        // The same source twice (one row a month, say) is carried once.
        auto& list = out.tables[2];
        const bool again = std::any_of(list.begin(), list.end(), [&](const store::Record& k) {
            return k.str("I1_1") == c.str("I1_1") && k.str("I1_3") == c.str("I1_3") &&
                   k.str("I1_8") == c.str("I1_8") && k.str("I1_41") == c.str("I1_41");
        });
        if (!again) list.push_back(std::move(c));
    }

    // Dependants in order, renumbered from 1; heirs and alimony recipients keep their data.
    int number = 0;
    for (const auto& r : rows(3)) {
        const int code = static_cast<int>(r.num("CODIDEPEN").whole());
        const Date birth = r.date("DATADEPEN");
        const int born = birth.blank() ? calendar_year : birth.year();
        const std::string name = name_of(r);
        if ((code == 21 || code == 24) && born < calendar_year - 22) {
            if (ask({"Dependente:  " + name,
                     "O dependente completou 22 anos. A menos que ele seja  ",
                     "incapacitado física ou mentalmente não pode permanecer",
                     "mais como dependente. Retira-o da relação?        "})) {
                out.notes.push_back("dependente retirado: " + name);
                continue;
            }
        } else if (code == 41 && born < calendar_year - 22) {
            notice("Dependente:  " + name + "\nO menor pobre completou 22 anos e não pode ficar");
            out.notes.push_back("dependente retirado: " + name);
            continue;
        } else if ((code == 22 || code == 25) && born < calendar_year - 25) {
            notice("Dependente:  " + name + "\nO dependente completou 25 anos e não pode ficar");
            out.notes.push_back("dependente retirado: " + name);
            continue;
        }
        store::Record c = r;
        c.set("NRODEPEN", Decimal(++number));
        out.tables[3].push_back(std::move(c));
    }

    // Assets and debts one year on; a negative base of an asset abroad is a loss carried forward.
    std::map<long long, long long> moved;
    out.tables[4] = TRANS_BLO(7, rows(4), choices.carry_sold, &out.notes, &moved);
    out.tables[5] = TRANS_BLO(8, rows(5), choices.carry_sold, &out.notes);
    // An estate's sharing follows its assets to their new numbers; the share of an asset left
    // behind goes with it.
    for (const auto& r : rows(20)) {
        const long long item = r.num("REFEREN").whole();
        auto it = moved.find(item);
        if (item != 0 && it == moved.end()) {
            out.notes.push_back("partilha do bem " + std::to_string(item) + " não transportada");
            continue;
        }
        store::Record c = r;
        if (item != 0) c.set("REFEREN", Decimal(it->second));
        out.tables[20].push_back(std::move(c));
    }
    CarriedGains gains = carry_instalment_sales(rows(7), rows(8), &out.notes);
    out.tables[7] = std::move(gains.gains);
    out.tables[8] = std::move(gains.costs);
    Decimal loss;
    for (const auto& r : rows(4))
        if (r.str("I7_7") == "S" && r.num("VAL_BASE") < Decimal()) loss = loss - r.num("VAL_BASE");
    if (loss != Decimal())
        out.notes.push_back("prejuízo a compensar no exterior: " + loss.to_string());
    out.loss_abroad = loss;

    // The rural properties and bank accounts as they were, the rural assets and debts one year
    // on; the year's entries and results start empty.
    for (const auto& r : rows(16)) out.tables[16].push_back(r);
    for (const auto& r : rows(21)) out.tables[21].push_back(r);
    for (const auto& [n, asset] : {std::pair{17, true}, std::pair{18, false}})
        for (const auto& r : rows(n)) {
            store::Record c = r;
            if (carry_rural_item(c, asset, choices.carry_sold))
                out.tables[n].push_back(std::move(c));
        }
    // The rural tables are kept only for a declaration marked with the activity.
    for (int n : {16, 17, 18, 21})
        if (!out.tables[n].empty()) out.registry.set("TEMRURAL", "S");
    for (auto& [n, list] : out.tables)
        for (auto& r : list) r.set("CPF", cpf);
    return out;
}

Status CONVIRBRIO(store::Env& env, const ConversionRequest& rq, Operator& op, const Ask& ask,
                  const std::vector<std::string>& only, std::vector<ConversionResult>* out,
                  const std::function<bool()>& stop) {
    std::vector<PreviousDeclaration> old;
    if (Status s = read_previous_year(env, rq.source, &old); !s) return s;
    // This year's taxpayers, before anything is written.
    std::set<std::string> present;
    const std::string reg = store::data_table_path(env, rq.folder, 9);
    if (env.exists(reg)) {
        std::vector<store::Record> rows;
        if (Status s = read_table(env, reg, 9, &rows); !s) return s;
        for (const auto& r : rows) present.insert(trim(r.str("CPF")));
    }
    const int calendar_year = 2000 + std::atoi(std::string(store::CANOANTER).c_str());
    for (const auto& p : old) {
        ConversionResult res;
        res.cpf = trim(p.registry.str("CPF"));
        res.name = trim(p.registry.str("NOMECONTR"));
        if (!only.empty() && std::find(only.begin(), only.end(), res.cpf) == only.end()) continue;
        if (stop && stop()) break;
        auto done = [&](Outcome o, std::string text) {
            res.outcome = o;
            res.text = std::move(text);
            out->push_back(res);
        };
        if (present.count(res.cpf)) {
            done(Outcome::kExisting, "Já existente");
            continue;
        }
        const auto summary = p.tables.find(1);
        const store::Record* t1 =
            summary != p.tables.end() && !summary->second.empty() ? &summary->second[0] : nullptr;
        if (t1 && upper(t1->str("DECFINAL")) == "S" &&
            !ask({"Essa e uma declaração final de espólio", "Deseja convertê-la?"})) {
            done(Outcome::kSkipped, "declaração final de espólio não convertida");
            continue;
        }
        if (t1 && upper(t1->str("DECSAIDA")) == "S" &&
            !ask({"Essa foi uma declaração saída definitiva.",
                  "Deseja convertê-la para uma retificação?"})) {
            done(Outcome::kSkipped, "declaração de saída definitiva não convertida");
            continue;
        }
        ConvertedDeclaration c = convert_declaration(
            p, rq.choices, calendar_year, ask,
            [&op](const std::string& text) { op.notice(NoticeKind::kInformation, "", text); });
        res.notes = c.notes;

        store::WorkAreas w(env, op, *rq.clock);
        store::CdxIndexFiles cdx(op);
        w.ARQDEF = rq.install;
        w.LOCARQ = rq.folder;
        w.NUSU = rq.terminal;
        w.index_files = &cdx;
        store::Declaration d(w, {rq.folder, "CONVERSAO"});
        d.set_computation(tax::OpenComputation(*rq.clock, *rq.selic));
        Status s = d.load(res.cpf, store::LoadMode::kNew, true);
        if (!s) {
            done(Outcome::kRefused, "declaração não criada: " + s.message());
            continue;
        }
        const store::Record& regl = d.values().registry();
        for (size_t k = 0; k < regl.layout().size(); ++k) {
            const std::string& f = regl.layout()[k].name;
            if (upper(f) == "CPF" || upper(f) == "NUSUAT") continue;
            if (has(c.registry, f)) d.values().set(f, c.registry.value(f));
        }
        if (c.loss_abroad != Decimal() && d.values().has("I4_14"))
            d.values().set("I4_14", c.loss_abroad);
        for (auto& [n, list] : c.tables)
            if (s) s = d.replace_working(n, list);
        if (!s) {
            Status r = d.release();
            done(Outcome::kRefused, "declaração não gravada: " + s.message() +
                                        (r ? std::string() : " (" + r.message() + ")"));
            continue;
        }
        s = d.save(true);
        if (!s) {
            done(Outcome::kRefused, "gravação interrompida: " + s.message() +
                                        " (a declaração fica no terminal " + rq.terminal +
                                        " para recuperação)");
            continue;
        }
        present.insert(res.cpf);
        done(Outcome::kConverted, "convertido");
    }
    return Status::ok();
}

}  // namespace vorn::importing
