#include "maintenance/part_copy.h"

#include <algorithm>
#include <functional>
#include <map>

#include "base/text.h"
#include "maintenance/held_tables.h"
#include "store/catalogue.h"
#include "store/dbf.h"

namespace vorn::maintenance {

namespace {

using store::Record;
using store::Table;

constexpr int kRegistry = 9;

// Which records of a table belong to the part.
using Filter = std::function<bool(const Record&)>;

struct PartTable {
    int table;
    Filter filter;  // none: every record of the CPF
};

std::vector<PartTable> part_tables(int part) {
    auto kinds = [](std::initializer_list<const char*> k) {
        std::vector<std::string> v(k.begin(), k.end());
        return [v](const Record& r) {
            return std::find(v.begin(), v.end(), trim(r.str("I1_1"))) != v.end();
        };
    };
    switch (part) {
        case 1: {
            std::vector<PartTable> all;
            for (int n = 1; n <= 21; ++n)
                if (n != kRegistry) all.push_back({n, {}});
            return all;
        }
        case 2:
        case 15:
            return {{4, {}}};
        case 3:
            return {{5, {}}};
        case 4:
        case 16:
            return {{2, kinds({"L", "F"})}};
        case 5:
            return {{2, kinds({"J"})}};
        case 17:
            return {{2, kinds({"D"})}};
        case 6:
            return {{6, {}}};
        case 7:
            return {{7, [](const Record& r) { return r.num("TIPO_BEM").whole() != 4; }}, {8, {}}};
        case 8:
            return {{7, [](const Record& r) { return r.num("TIPO_BEM").whole() == 4; }}};
        case 10:
            return {{15, {}}, {16, {}}, {17, {}}, {18, {}}, {19, {}}, {21, {}}};
        case 11:
            return {{17, {}}};
        case 12:
            return {{18, {}}};
        case 13:
            return {{19, {}}};
        case 14:
            return {{16, {}}};
        default:
            return {};
    }
}

// The item number of a table's records, continued after the destination's when it keeps its own.
const char* item_field(int table) {
    switch (table) {
        case 4:
            return "I7_0";
        case 5:
            return "I8_0";
        case 7:
            return "BEM_NRO";
        case 16:
            return "I2R_00";
        case 17:
            return "ITEM";
        case 18:
            return "I9R_0";
        default:
            return nullptr;
    }
}

// Records that name an item of another table of the same copy: the cost rows name their gain, the
// rural entries their property.
struct Reference {
    int table, field_table;
    const char* field;
};
constexpr Reference kReferences[] = {{8, 7, "BEM_NRO"}, {19, 16, "NROIMO"}};

// Tables holding one record per declaration (and activity): a copy replaces it, never adds one.
bool single_record(int table) {
    return table == 1 || table == 15;
}

Status live_of(Table& t, const std::string& cpf, std::vector<uint32_t>* recnos,
               std::vector<Record>* rows) {
    const store::Field f = t.field("CPF");
    std::vector<uint32_t> found;
    Status s = t.scan_rows([&](uint32_t recno, std::string_view row) {
        if (!row.empty() && row[0] != '*' && trim(Table::field_bytes(row, f)) == cpf)
            found.push_back(recno);
    });
    for (size_t k = 0; s && k < found.size(); ++k) {
        s = t.go_to(found[k]);
        if (!s) break;
        Record r(t.layout_ptr());
        s = t.read(r);
        if (recnos) recnos->push_back(found[k]);
        if (rows) rows->push_back(std::move(r));
    }
    return s;
}

}  // namespace

bool copyable_part(int part) {
    return !part_tables(part).empty();
}

std::string part_name(int part) {
    static const std::map<int, std::string> kNames = {{1, " Toda a Declaração"},
                                                      {2, " Declaração de Bens Tit "},
                                                      {15, " Declaração de Bens Dep"},
                                                      {3, "Declaração das Dívidas"},
                                                      {4, " Livro Caixa da PF Tit"},
                                                      {16, " Livro Caixa da PF Dep"},
                                                      {5, " Rendimentos P.Física Tit"},
                                                      {17, " Rendimentos P.Física Dep"},
                                                      {6, " Pagamentos e doações "},
                                                      {7, " Ganho de capital"},
                                                      {8, " Renda Variável"},
                                                      {9, " Bens do Espólio"},
                                                      {10, " Toda Atividade Rural"},
                                                      {11, " Bens da Atividade Rural"},
                                                      {12, "Dívidas da Atividade Rural"},
                                                      {13, " Livro Caixa Rural"},
                                                      {14, " Imóveis Rurais"}};
    auto it = kNames.find(part);
    return it == kNames.end() ? "" : it->second;
}

Status copy_part(store::WorkAreas& w, int part, const std::string& from, const std::string& to,
                 bool keep, PartCopyResult* result) {
    *result = {};
    const std::vector<PartTable> tables = part_tables(part);
    if (tables.empty()) return Status::invalid("parte desconhecida: " + std::to_string(part));
    std::vector<int> numbers;
    for (const auto& t : tables) numbers.push_back(t.table);
    numbers.push_back(kRegistry);
    HeldTables held(w);
    if (Status s = held.take(numbers, &result->busy); !s) return s;

    // Both declarations in the registry; the destination not open on a terminal.
    Table& reg = held.table(kRegistry);
    std::vector<Record> source_reg, dest_reg;
    if (Status s = live_of(reg, from, nullptr, &source_reg); !s) return s;
    if (Status s = live_of(reg, to, nullptr, &dest_reg); !s) return s;
    if (source_reg.empty())
        return Status::not_found("CPF original não encontrado.\nConfira o número digitado");
    if (dest_reg.empty())
        return Status::not_found("CPF Destino " + to +
                                 " não foi encontrado nessa pasta.\n"
                                 "Cadastre-o ou se ele existe em outra pasta transfira-o para:\n" +
                                 w.LOCARQ + " para fazer essa cópia.");
    const std::string open_on = trim(dest_reg.front().str("NUSUAT"));
    if (!open_on.empty())
        return Status::locked("A declaração destino está aberta no terminal " + open_on +
                              ". Feche-a antes da cópia.");
    if (part >= 10 && part <= 14 && trim(source_reg.front().str("TEMRURAL")) != "S")
        return Status::not_found("O CPF original não tem Atividade Rural para ser copiado");

    // What is copied and what the destination has of the part, table by table.
    struct Plan {
        int table;
        std::vector<Record> copies;
        std::vector<uint32_t> dest_recnos;
        std::vector<Record> dest_rows;
    };
    std::vector<Plan> plans;
    size_t copies = 0;
    for (const auto& pt : tables) {
        Plan p{pt.table, {}, {}, {}};
        std::vector<Record> rows;
        std::vector<uint32_t> recnos;
        Table& t = held.table(pt.table);
        if (Status s = live_of(t, from, nullptr, &rows); !s) return s;
        for (auto& r : rows)
            if (!pt.filter || pt.filter(r)) p.copies.push_back(std::move(r));
        rows.clear();
        if (Status s = live_of(t, to, &recnos, &rows); !s) return s;
        for (size_t k = 0; k < rows.size(); ++k)
            if (!pt.filter || pt.filter(rows[k])) {
                p.dest_recnos.push_back(recnos[k]);
                p.dest_rows.push_back(std::move(rows[k]));
            }
        copies += p.copies.size();
        plans.push_back(std::move(p));
    }
    if (copies == 0) return Status::not_found("Sem " + trim(part_name(part)) + " para copiar!");

    // Item numbers continue after the destination's own when it keeps them.
    std::map<int, std::map<long long, long long>> renumbered;  // table → old → new
    for (auto& p : plans) {
        const char* field = item_field(p.table);
        if (!field || !keep) continue;
        long long last = 0;
        for (const auto& r : p.dest_rows) last = std::max(last, r.num(field).whole());
        const long long step = p.table == 4 || p.table == 5 ? 10 : 1;
        last = (last + step - 1) / step * step;
        const store::Layout& layout = *store::table_def(p.table)->layout;
        const int width = layout[layout.index(field)].width;
        long long limit = 1;
        for (int k = 0; k < width; ++k) limit *= 10;
        for (auto& r : p.copies) {
            const long long old = r.num(field).whole();
            auto [it, fresh] = renumbered[p.table].emplace(old, 0);
            if (fresh) it->second = last += step;
            if (it->second >= limit)
                return Status::invalid("Número de item acima do permitido em " +
                                       declaration_table_file(p.table));
            r.set(field, Decimal(it->second));
        }
    }
    for (auto& p : plans)
        for (const auto& ref : kReferences) {
            if (ref.table != p.table || !renumbered.count(ref.field_table)) continue;
            const auto& map = renumbered[ref.field_table];
            for (auto& r : p.copies)
                if (auto it = map.find(r.num(ref.field).whole()); it != map.end())
                    r.set(ref.field, Decimal(it->second));
        }

    // The destination's own records go first when it does not keep them (a single record always
    // gives way to the copy), then the copies are appended.
    for (auto& p : plans) {
        Table& t = held.table(p.table);
        const bool replace = !keep || single_record(p.table);
        if (single_record(p.table) && keep && !p.dest_rows.empty()) continue;
        if (replace)
            for (uint32_t recno : p.dest_recnos) {
                Status s = t.go_to(recno);
                if (s) s = t.delete_record();
                if (!s) return s;
                ++result->removed;
            }
        for (auto& r : p.copies) {
            r.set("CPF", to);
            // A gain the source sold is the destination's now; a dependant's keeps its seller.
            if (p.table == 7 && trim(r.str("CPFALIEN")) == from) r.set("CPFALIEN", to);
            if (Status s = t.append(&r); !s) return s;
            ++result->copied;
        }
        if (Status s = t.flush(); !s) return s;
    }
    return Status::ok();
}

namespace {

std::string only_digits(const std::string& text) {
    std::string out;
    for (char c : text)
        if (c >= '0' && c <= '9') out += c;
    return out;
}

// "50,00": a share as the operator typed it.
std::string percent_text(Decimal v) {
    std::string t = v.to_string(2);
    if (auto dot = t.find('.'); dot != std::string::npos) t[dot] = ',';
    return t;
}

}  // namespace

Status copy_estate_assets(store::WorkAreas& w, const std::string& estate,
                          const CreateHeir& create_heir, EstateCopyResult* result) {
    *result = {};
    constexpr int kSummary = 1, kAssets = 4, kShares = 20;
    HeldTables held(w);
    if (Status s = held.take({kSummary, kAssets, kShares, kRegistry}, &result->busy); !s) return s;
    Table& reg = held.table(kRegistry);
    std::vector<Record> estate_reg, estate_summary;
    if (Status s = live_of(reg, estate, nullptr, &estate_reg); !s) return s;
    if (estate_reg.empty())
        return Status::not_found("CPF original não encontrado.\nConfira o número digitado");
    if (Status s = live_of(held.table(kSummary), estate, nullptr, &estate_summary); !s) return s;
    if (estate_summary.empty() || trim(estate_summary.front().str("DECFINAL")) != "S")
        return Status::not_found("CPF Origem não e uma declaração final de espólio.");
    const std::string estate_name = trim(estate_reg.front().str("NOMECONTR"));

    std::vector<Record> shares, estate_assets;
    if (Status s = live_of(held.table(kShares), estate, nullptr, &shares); !s) return s;
    if (Status s = live_of(held.table(kAssets), estate, nullptr, &estate_assets); !s) return s;
    std::map<long long, const Record*> asset_of;
    for (const auto& a : estate_assets) asset_of[a.num("I7_0").whole()] = &a;
    std::erase_if(shares, [&](const Record& r) {
        return r.num("PERCENT") <= Decimal() || !asset_of.count(r.num("REFEREN").whole());
    });
    if (shares.empty()) return Status::not_found("Não foi encontrada a divisão dos bens! Confira.");

    // Each heir once, in the order of the sharing: registered, to be registered, or left out.
    struct Heir {
        std::string cpf, name;
        bool create = false;
        std::vector<Record> assets;  // what the heir has now
        std::vector<Record> added;
    };
    std::vector<Heir> heirs;
    std::map<std::string, size_t> heir_at;
    for (const auto& share : shares) {
        const std::string cpf = only_digits(share.str("CPFHERDE"));
        if (heir_at.count(cpf)) continue;
        const std::string name = trim(share.str("NOMEDEPEN"));
        if (cpf.size() != 11 || cpf == estate) {
            result->left.push_back(name + " - " + trim(share.str("CPFHERDE")) +
                                   " não tem um CPF para receber os bens");
            heir_at[cpf] = SIZE_MAX;
            continue;
        }
        Heir h{cpf, name, false, {}, {}};
        std::vector<Record> own;
        if (Status s = live_of(reg, cpf, nullptr, &own); !s) return s;
        if (own.empty()) {
            if (!create_heir(name, cpf)) {
                result->left.push_back(name + " - " + cpf + " não foi localizado !");
                heir_at[cpf] = SIZE_MAX;
                continue;
            }
            h.create = true;
        } else if (const std::string on = trim(own.front().str("NUSUAT")); !on.empty()) {
            return Status::locked("A declaração de " + name + " está aberta no terminal " + on +
                                  ". Feche-a antes da cópia.");
        } else if (Status s = live_of(held.table(kAssets), cpf, nullptr, &h.assets); !s) {
            return s;
        }
        heir_at[cpf] = heirs.size();
        heirs.push_back(std::move(h));
    }

    // The heirs' new assets, numbered after each one's last; a share already copied is skipped.
    const store::Layout& layout = *store::table_def(kAssets)->layout;
    const auto limit = [&](const char* field) {
        long long l = 1;
        for (int k = 0; k < layout[layout.index(field)].width; ++k) l *= 10;
        return l;
    };
    // Each share's value, rounded to the cent; when an asset's shares reach 100 %, the last takes
    // what the others left, so that the heirs' values add up to the estate's.
    std::vector<Decimal> value_of(shares.size());
    std::map<long long, std::pair<Decimal, Decimal>> shared;  // asset → percent and value given
    for (size_t k = 0; k < shares.size(); ++k) {
        const long long item = shares[k].num("REFEREN").whole();
        const Decimal total = asset_of[item]->num("I7_4"), pct = shares[k].num("PERCENT");
        auto& [pct_so_far, given] = shared[item];
        pct_so_far += pct;
        value_of[k] =
            pct_so_far == Decimal(100) ? total - given : (total * pct / Decimal(100)).round(2);
        given += value_of[k];
    }
    for (size_t k = 0; k < shares.size(); ++k) {
        const Record& share = shares[k];
        auto at = heir_at.find(only_digits(share.str("CPFHERDE")));
        if (at->second == SIZE_MAX) continue;
        Heir& h = heirs[at->second];
        const Record& from = *asset_of[share.num("REFEREN").whole()];
        const Decimal pct = share.num("PERCENT");
        Record r = from;
        r.set("I7_2",
              substr_chars(trim(from.str("I7_2")) + " - Recebido na partilha do espólio de " +
                               estate_name + " (" + percent_text(pct) + "%)",
                           0, 512));
        const bool had = std::any_of(h.assets.begin(), h.assets.end(), [&](const Record& a) {
            return trim(a.str("I7_2")) == trim(r.str("I7_2"));
        });
        if (had) {
            ++result->existing;
            continue;
        }
        long long seq = 0, item = 0;
        for (const auto& a : h.assets) {
            seq = std::max(seq, a.num("I7_0").whole());
            item = std::max(item, a.num("I7_1").whole());
        }
        seq = (seq + 9) / 10 * 10 + 10;
        if (seq >= limit("I7_0") || item + 1 >= limit("I7_1"))
            return Status::invalid("Número de item acima do permitido em " +
                                   declaration_table_file(kAssets));
        r.set("CPF", h.cpf);
        r.set("I7_0", Decimal(seq));
        r.set("I7_1", Decimal(item + 1));
        r.set("I7_3", Decimal());
        r.set("I7_9", Decimal());
        r.set("I7_4", value_of[k]);
        r.set("CPFDEP", "");
        h.assets.push_back(r);
        h.added.push_back(std::move(r));
    }

    // Written: the heirs' assets first, the registry records of new heirs last.
    Table& assets = held.table(kAssets);
    for (auto& h : heirs)
        for (auto& r : h.added) {
            if (Status s = assets.append(&r); !s) return s;
            ++result->copied;
        }
    if (Status s = assets.flush(); !s) return s;
    for (const auto& h : heirs) {
        if (!h.create || h.added.empty()) continue;
        Record r(reg.layout_ptr());
        r.set("CPF", h.cpf);
        r.set("NOMECONTR", substr_chars(h.name, 0, 40));
        if (Status s = reg.append(&r); !s) return s;
        ++result->created;
    }
    return reg.flush();
}

}  // namespace vorn::maintenance
