// RRA items.
#include "tax/rra.h"

#include "base/text.h"
#include "tax/year.h"

namespace vorn::tax {
namespace {

int receipt_month(const store::Record& item) {
    return static_cast<int>(field_int(item, "I1_36"));
}

std::string str_width(Decimal v, size_t width, int places) {
    return pad_left(v.to_string(places), width);
}

}  // namespace

bool CALC_RAA(Context& c, store::Record& item, int /*show*/, int require, int month) {
    if (item.str("TIPOCR") != "N") {
        item.set("I1_20", Decimal());
        item.set("I1_25", item.num("I1_4"));
        return true;
    }
    const Decimal months = item.num("I1_21");
    if (months <= Decimal()) {
        if (require != 1) return true;
        c.op.notice(NoticeKind::kError, "", "É necessário informar a quantidade de meses");
        return false;
    }
    if (month < 1 || month > 12) {
        c.op.notice(NoticeKind::kError, "", "É necessário informar o mês do recebimento");
        return false;
    }
    const Decimal income = item.num("I1_4") + item.num("I1_17");
    item.set("I1_25", income);
    const Decimal base = max(income - item.num("I1_6") - item.num("I1_12"), Decimal());
    // The monthly table multiplied by the number of months: bounds and amounts alike.
    const int column = month_column(month);
    Decimal tax;
    std::array<Decimal, 4> bounds;
    for (int i = 0; i < 4; ++i) bounds[static_cast<size_t>(i)] = monthly_bound(column, i) * months;
    if (base > bounds[0]) {
        const int k = taxed_bracket(base, bounds);
        tax = base * kRate[k] - monthly_deduction(column, k) * months;
    }
    item.set("I1_20", max(DESPREZA(tax, 15), Decimal()));
    return true;
}

bool VERAA(Context& c, store::Record& item, std::string_view option, int show) {
    const std::string o = upper(trim(option));
    if (o != "S" && o != "N") {
        c.op.notice(NoticeKind::kError, "",
                    "Informe com S (Sim) para lançar os rendimentos no Ajuste Anual\n"
                    "ou N (Não) para lançar os rendimentos no Tributado na Fonte  ");
        return false;
    }
    item.set("TIPOCR", o);
    return VER_APOSRAA(c, item, item.num("I1_17"), show);
}

bool VER_APOSRAA(Context& c, store::Record& item, Decimal portion, int show) {
    Declaration& d = c.decl;
    item.set("I1_17", portion);
    if (!portion.is_zero()) {
        const bool adjustment = item.str("TIPOCR") != "N";
        if (adjustment) {
            const bool holder = item.str("I1_11") != "N";
            Decimal companies;
            for_each_live(d.items, [&](const store::Record& it) {
                if (&it == &item) return;
                const std::string kind = it.str("I1_1");
                if (kind != "J" && kind != "D") return;
                const bool same =
                    holder ? it.str("I1_11") != "N" : it.str("I1_8") == item.str("I1_8");
                if (same) companies += it.num("I1_17");
            });
            if (companies + portion > NVALAPOSA) {
                c.op.notice(NoticeKind::kWarning, "",
                            "Já existe nos Ren. P.Jurídica Isento ¨65 anos lançado!\n"
                            "O valor só pode ser lançado na opção rendimento isento.\n"
                            "O programa vai trocar a opção Ajuste anual escolhida.");
                return VERAA(c, item, "N", show);
            }
            if (portion > NVALAPOSE) {
                const Decimal excess = portion - NVALAPOSE;
                const Decimal k = min((portion / NVALAPOSE).floor(), Decimal(13));
                const bool keep = c.op.yes_no(
                    "",
                    "O limite isento 65 anos de R$ " + str_width(NVALAPOSE, 7, 2) +
                        " foi ultrapassado.\nMantendo a opção pelo Ajuste Anual o valor " +
                        str_width(excess, 7, 2) +
                        " será somada ao tributado.\nPode-se porém repetir " + str_width(k, 3, 1) +
                        " x " + str_width(NVALAPOSE, 7, 2) +
                        " como A.Anual.\nMantém a opção Ajuste Anual ?",
                    true);
                if (!keep) return VERAA(c, item, "N", show);
                item.set("I1_4", item.num("I1_4") + excess);
                item.set("I1_17", NVALAPOSE);
            }
        }
        int adjusted = 0, exclusive = 0;
        for_each_live(d.items, [&](const store::Record& it) {
            if (it.str("I1_1") != "A") return;
            (it.str("TIPOCR") == "N" ? exclusive : adjusted)++;
        });
        if (adjusted > 0 && exclusive > 0)
            c.op.notice(NoticeKind::kWarning, "",
                        "Atenção! Todos os lançamentos devem ter a mesma opção de tributação");
    }
    return CALC_RAA(c, item, show, 0, receipt_month(item));
}

}  // namespace vorn::tax
