#include "importing/leao_book.h"

#include <cstdio>

#include "base/text.h"
#include "store/catalogue.h"

namespace vorn::importing {
namespace {

std::string month_field(int month) {
    char name[8];
    std::snprintf(name, sizeof name, "I1_4%02d", month);
    return name;
}

}  // namespace

int leao_month(const store::Record& income) {
    for (int m = 1; m <= 12; ++m)
        if (!income.num(month_field(m)).is_zero()) return m;
    return 0;
}

LeaoBook read_leao_book(std::string_view bytes, const std::string& cpf) {
    LeaoBook out;
    std::vector<std::string> lines = split_lines(decode_file(bytes));
    // Nothing but a byte-order mark is empty too.
    if (lines.empty()) {
        out.refused = "Arquivo vazio!";
        return out;
    }
    const size_t start = lines[0].find_first_of("019");
    if (start == std::string::npos) {
        out.refused = "Arquivo com conteúdo fora do padrão";
        return out;
    }
    lines[0].erase(0, start);
    bool ended = false;
    for (size_t k = 0; k < lines.size(); ++k) {
        const size_t n = k + 1;
        const std::string line = trim(lines[k]);
        if (ended) {
            if (!line.empty()) out.notes.refuse(n, "linha depois do fim (99)");
            continue;
        }
        const std::vector<std::string> f = split_fields(line, ';');
        const std::string month_text = trim(f[0]);
        if (month_text.empty() || month_text == "99") {
            ended = true;
            continue;
        }
        const auto month = read_whole(month_text);
        if (!month || *month < 1 || *month > 12 || month_text.size() != 2) {
            out.notes.refuse(n, "mês inválido: " + month_text);
            continue;
        }
        // month;name;cpf;value; (the last ";" may be missing)
        if (f.size() < 4 || (f.size() > 4 && !(f.size() == 5 && trim(f[4]).empty()))) {
            out.notes.refuse(n, "linha fora do padrão mês;nome;cpf;valor;");
            continue;
        }
        const auto payer = read_cpf(f[2]);
        if (!payer || digits_of(f[2]).size() != 11) {
            out.notes.refuse(n, "CPF do pagador inválido: " + trim(f[2]));
            continue;
        }
        const auto value = read_amount(f[3]);
        store::Record r(store::table_def(2)->layout);
        if (!value || !put_number(r, "I1_4", *value)) {
            out.notes.refuse(n, "valor inválido: " + trim(f[3]));
            continue;
        }
        if (value->is_zero()) continue;  // nothing received that month
        r.set("CPF", cpf);
        r.set("I1_1", "F");
        r.set("I1_41", "T");
        put_text(r, "I1_2", CONVCAR(f[1]), n, out.notes);
        r.set("I1_3", *payer);
        r.set("I1_11", "S");
        r.set(month_field(static_cast<int>(*month)), *value);
        out.incomes.push_back(std::move(r));
    }
    return out;
}

bool leao_income_present(const store::Record& income, const std::vector<store::Record>& current) {
    const int m = leao_month(income);
    const std::string field = month_field(m);
    for (const auto& r : current) {
        if (r.str("I1_1") != "F" || digits_of(r.str("I1_3")) != digits_of(income.str("I1_3")))
            continue;
        if (r.num(field) == income.num(field)) return true;
    }
    return false;
}

}  // namespace vorn::importing
