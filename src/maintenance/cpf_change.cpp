#include "maintenance/cpf_change.h"

#include <vector>

#include "base/text.h"
#include "maintenance/held_tables.h"

namespace vorn::maintenance {

namespace {

constexpr int kRegistry = 9;
constexpr int kGains = 7;

// The live records of `cpf` in a table, by record number.
Status records_of(store::Table& t, const std::string& cpf, std::vector<uint32_t>* out) {
    const store::Field f = t.field("CPF");
    return t.scan_rows([&](uint32_t recno, std::string_view row) {
        if (!row.empty() && row[0] != '*' && trim(store::Table::field_bytes(row, f)) == cpf)
            out->push_back(recno);
    });
}

}  // namespace

Status change_cpf(store::WorkAreas& w, const std::string& old_cpf, const std::string& new_cpf,
                  const DependantGainCpf& dependant, CpfChangeResult* result) {
    *result = {};
    std::vector<int> tables;
    for (int n = 1; n <= 21; ++n)
        if (n != kRegistry) tables.push_back(n);
    tables.push_back(kRegistry);
    HeldTables held(w);
    if (Status s = held.take(tables, &result->busy); !s) return s;

    store::Table& reg = held.table(kRegistry);
    std::vector<uint32_t> old_reg, new_reg;
    if (Status s = records_of(reg, old_cpf, &old_reg); !s) return s;
    if (Status s = records_of(reg, new_cpf, &new_reg); !s) return s;
    if (!new_reg.empty()) return Status::invalid("CPF novo já  existente. Não é possível a troca");
    if (old_reg.empty())
        return Status::not_found("CPF original não encontrado. Confira o número digitado");
    for (uint32_t r : old_reg) {
        if (Status s = reg.go_to(r); !s) return s;
        const std::string terminal = trim(reg.str("NUSUAT"));
        if (!terminal.empty())
            return Status::locked("A declaração do CPF " + old_cpf + " está aberta no terminal " +
                                  terminal + ". Feche-a antes da troca.");
    }

    // The declaration's records first, the registry last: until the registry changes, the old
    // CPF is the one the folder knows, and running the change again finishes it.
    for (int n : tables) {
        store::Table& t = held.table(n);
        std::vector<uint32_t> rows;
        if (Status s = records_of(t, old_cpf, &rows); !s) return s;
        const store::Field cpf = t.field("CPF");
        for (uint32_t r : rows) {
            Status s = t.go_to(r);
            if (s && n == kGains) {
                const std::string seller = trim(t.str("CPFALIEN"));
                std::string to;
                if (seller == old_cpf)
                    to = new_cpf;
                else if (!seller.empty())
                    to = trim(dependant(seller));
                if (!to.empty() && to != seller) s = t.replace(t.field("CPFALIEN"), to);
            }
            if (s) s = t.replace(cpf, new_cpf);
            if (!s) return s;
            ++result->records;
        }
        if (Status s = t.flush(); !s) return s;
    }
    return Status::ok();
}

}  // namespace vorn::maintenance
