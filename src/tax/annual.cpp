// The annual adjustment.
#include "tax/annual.h"

#include <algorithm>
#include <array>
#include <map>
#include <utility>

#include "base/text.h"
#include "tax/leao.h"
#include "tax/limits.h"
#include "tax/year.h"

namespace vorn::tax {
namespace {

const Decimal k6Percent = Decimal::from("0.06");
const Decimal k1Percent = Decimal::from("0.01");
const Decimal k12Percent = Decimal::from("0.12");
const Decimal k15Percent = Decimal::from("0.15");
const Decimal k20Percent = Decimal::from("0.2");

int code_of(const store::Record& p) {
    return static_cast<int>(p.num("I6_3").whole());
}

// The simplified discount of an income: 20 % truncated to the cent, capped.
Decimal simplified_discount(Decimal income) {
    return min(DESPREZA(income * k20Percent, 15), NDESCPRAD);
}

// Exempt and exclusive lines fed by the columns of the company income items.
constexpr std::array<std::pair<const char*, const char*>, 22> kItemColumns = {{
    {"I3_01", "I1_29"}, {"I3_03", "I1_30"}, {"I3_05", "I1_15"}, {"I3_06", "I1_17"},
    {"I3_06", "I1_43"}, {"I3_08", "I1_37"}, {"I3_09", "I1_16"}, {"I3_10", "I1_23"},
    {"I3_12", "I1_31"}, {"I3_13", "I1_13"}, {"I3_14", "I1_14"}, {"I3_15", "I1_24"},
    {"I3_17", "I1_26"}, {"I3_18", "I1_27"}, {"I3_19", "I1_28"}, {"I3_24", "I1_9"},
    {"I3_26", "I1_44"}, {"I4_04", "I1_38"}, {"I4_08", "I1_32"}, {"I4_09", "I1_33"},
    {"I4_10", "I1_34"}, {"I4_15", "I1_45"},
}};
// Lines that FI1_T rebuilds from the items.
constexpr std::array<const char*, 38> kItemLines = {
    "I13_01", "I13_02", "I13_05",  "I13_06", "I13_17", "I13_27", "I13_28", "I3_01",
    "I3_03",  "I3_05",  "I3_06",   "I3_07",  "I3_08",  "I3_09",  "I3_10",  "I3_12",
    "I3_13",  "I3_14",  "I3_15",   "I3_17",  "I3_18",  "I3_19",  "I3_24",  "I3_25",
    "I3_26",  "I4_01",  "I4_04",   "I4_05",  "I4_06",  "I4_07",  "I4_08",  "I4_09",
    "I4_10",  "I4_15",  "EXGSUSP", "I13_10", "I13_25", "I13_34"};

// Accumulates amounts by line name, written into the declaration at the end.
class Lines {
  public:
    void add(const char* name, Decimal v) {
        for (auto& [n, total] : sums_)
            if (n == name) {
                total += v;
                return;
            }
        sums_.emplace_back(name, v);
    }
    void store(Declaration& d) const {
        for (const auto& [n, total] : sums_) d.set(n, total);
    }

  private:
    std::vector<std::pair<std::string, Decimal>> sums_;
};

}  // namespace

void FI1_T(Declaration& d) {
    Work& w = d.work;
    w.I13_10A = w.I13_10B = w.I13_25A = w.I13_25B = w.I13_34A = w.I13_34B = Decimal();
    w.inss_holder = w.inss_dependants = w.VARIA = Decimal();
    const int mode = static_cast<int>(d.num("CAL_AUTO").whole());
    const bool carne_from_items = mode == 1 || mode == 3;
    Decimal carne_holder, carne_dependants;
    Lines lines;
    for (const char* n : kItemLines) lines.add(n, Decimal());
    Decimal largest;
    bool any_company = false;
    std::string payer;
    for_each_live(d.items, [&](const store::Record& it) {
        const std::string kind = it.str("I1_1");
        const bool holder = it.str("I1_11") != "N";
        if (kind == "J" || kind == "D") {
            const bool j = kind == "J";
            lines.add(j ? "I13_01" : "I13_02", it.num("I1_4"));
            lines.add(j ? "I13_27" : "I13_28", it.num("I1_5"));
            (j ? w.inss_holder : w.inss_dependants) += it.num("I1_6");
            if (it.num("I1_18") > Decimal()) {
                lines.add("I13_27", it.num("I1_39"));
                lines.add("I3_07", it.num("I1_18") + it.num("I1_7"));
            } else {
                lines.add(j ? "I4_01" : "I4_06", it.num("I1_7"));
            }
            if (j && (!any_company || it.num("I1_4") > largest)) {
                any_company = true;
                largest = it.num("I1_4");
                payer = it.str("I1_3");
            }
            for (const auto& [line, column] : kItemColumns) lines.add(line, it.num(column));
            lines.add("EXGSUSP", it.num("I1_19") - it.num("I1_20"));
        } else if (kind == "P") {
            if (carne_from_items) (holder ? carne_holder : carne_dependants) += it.num("I1_4");
        } else if (kind == "A") {
            const bool exclusive = it.str("TIPOCR") == "N";
            if (exclusive) {
                Decimal net = it.num("I1_25") - it.num("I1_5") - it.num("I1_6") - it.num("I1_12");
                if (holder) {
                    lines.add("I4_05", max(net, Decimal()));
                    w.I13_25A += it.num("I1_20");
                    w.I13_34A += it.num("I1_5");
                } else {
                    lines.add("I4_07", net);
                    w.I13_25B += it.num("I1_20");
                    w.I13_34B += it.num("I1_5");
                }
            } else {
                lines.add(holder ? "I13_05" : "I13_06", it.num("I1_4"));
                lines.add(holder ? "I13_27" : "I13_28", it.num("I1_5"));
                (holder ? w.I13_10A : w.I13_10B) += it.num("I1_6");
                lines.add("I13_17", it.num("I1_12"));
                lines.add("I3_06", it.num("I1_17"));
            }
            lines.add("I3_24", it.num("I1_9"));
            lines.add("I3_25", it.num("I1_42"));
        } else if (kind == "V") {
            w.VARIA += it.num("I1_4");
        }
    });
    lines.store(d);
    d.set("CGCPAGADOR", payer);
    if (carne_from_items) {
        d.set("CARNEINSS", carne_holder);
        d.set("CARNEDEPEN", carne_dependants);
    }
    d.set("I13_34", w.I13_34A + w.I13_34B);
    d.set("I13_10", w.I13_10A + w.I13_10B);
    d.set("I13_25", w.I13_25A + w.I13_25B);
    FI13_09(d);
    SOMA_TRIBENAO(d);
}

void FI13_09(Declaration& d) {
    const Work& w = d.work;
    d.set("I13_09", d.num("CARNEINSS") + d.num("CARNEDEPEN") + w.inss_holder + w.inss_dependants +
                        w.NFUNPRESP);
}

void FDE_TUDO(Declaration& d) {
    Work& w = d.work;
    w.education_total = w.I13_11T = w.I13_14D = w.NFUNPRESP = Decimal();
    w.I13_22C = w.I13_22T = w.I13_22P = Decimal();
    Decimal medical, court, deed;
    for_each_live(d.payments, [&](const store::Record& p) {
        const int code = code_of(p);
        const Decimal paid = p.num("I6_4"), nd = p.num("I6_5");
        if (code == 1 || code == 2) {
            w.education_total += paid;
        } else if (code >= 8 && code <= 26) {
            medical += paid - nd;
            w.I13_14D += nd;
        } else if (code == 30 || code == 31) {
            court += paid;
        } else if (code == 33 || code == 34) {
            deed += paid;
        } else if (code == 36 || code == 38) {
            w.I13_11T += paid - nd;
        } else if (code == 37) {
            w.NFUNPRESP += nd;
            if (paid > nd) w.I13_11T += paid - nd;
        } else if (code == 39) {
            w.I13_22C += paid;
        } else if (code >= 40 && code <= 44) {
            w.I13_22T += paid;
        } else if (code == 45 || code == 46) {
            w.I13_22P += paid;
        }
    });
    d.set("I13_14", medical);
    d.set("I13_15", court);
    d.set("I13_16", deed);
    w.JA_CALC = true;
}

void FI7_T(Declaration& d) {
    Work& w = d.work;
    w.NTOTBEMANT = w.NTOTBEMBASE = Decimal();
    Decimal saldo, results;
    for_each_live(d.assets, [&](const store::Record& a) {
        w.NTOTBEMANT += a.num("I7_3");
        w.NTOTBEMBASE += a.num("I7_4");
        // Foreign applications (their result, losses counted in full) and profits of controlled
        // entities: the base is grossed up from the tax left after the tax already paid, so that
        // 15 % of it is that tax.
        const Decimal applications = a.num("VAL_APLIC");
        results += applications;
        if (applications < Decimal()) {
            saldo += applications;
        } else if (applications > Decimal()) {
            Decimal tax = DESPREZA(applications * k15Percent, 15);
            saldo +=
                round_half_up(max(tax - a.num("VAL_IRFOR"), Decimal()) * Decimal::from("6.667"), 2);
        }
        const Decimal profit = a.num("VAL_LUCRO");
        if (profit > Decimal()) {
            results += profit;
            Decimal tax = DESPREZA(profit * k15Percent, 15);
            saldo +=
                round_half_up(max(tax - a.num("VAL_IRBR"), Decimal()) * Decimal::from("6.6667"), 2);
        }
    });
    d.set("I13_39", w.NTOTBEMANT);
    d.set("I13_40", w.NTOTBEMBASE);
    // Exclusive line 12: the year's results of the applications (losses of the year set against
    // gains) and the profits of the entities; the loss carried from earlier years stays on its
    // own line I4_14.
    d.set("I4_13", max(results, Decimal()));
    d.set("BASE14754", max(saldo - d.num("I4_14"), Decimal()));
}

void FI8_T(Declaration& d) {
    Work& w = d.work;
    w.NTOTDIVANT = w.NTOTDIVBASE = Decimal();
    Decimal paid;
    for_each_live(d.debts, [&](const store::Record& b) {
        w.NTOTDIVANT += b.num("I8_3");
        w.NTOTDIVBASE += b.num("I8_4");
        paid += b.num("I8_7");
    });
    d.set("I13_41", w.NTOTDIVANT);
    d.set("I13_42", w.NTOTDIVBASE);
    d.set("I13_51", paid);
}

void SOMA_TRIBENAO(Declaration& d) {
    Decimal exempt, exclusive;
    for (int k = 1; k <= 26; ++k) exempt += d.num("I3_" + two_digits(k));
    for (int k = 1; k <= 15; ++k)
        if (k != 14) exclusive += d.num("I4_" + two_digits(k));
    d.set("I13_44", exempt);
    d.set("I13_45", exclusive);
}

void FI3_04(Declaration& d) {
    Decimal s;
    for (const char* n : {"I3_04GCPV", "I3_04UNIC", "I3_04REDU", "I3_04EXTR", "I3_04GCPVC",
                          "I3_04UNICC", "I3_04REDUC", "I3_04EXTRC"})
        s += d.num(n);
    d.set("I3_04", s);
}

AnnualTable annual_table_for(Context& c) {
    Declaration& d = c.decl;
    if (d.is_final()) {
        if (d.str("INDSOBRE") != "N") return {12};
        if (!d.date("DATAPARTI").blank()) return {d.date("DATAPARTI").month()};
        if (!d.date("DATALAVRA").blank()) return {d.date("DATALAVRA").month()};
        c.op.notice(NoticeKind::kWarning, "",
                    "Na declaração final o cálculo do Imposto\n"
                    "depende da data Partilha ou Lavratura\n"
                    "O cálculo apresentado corresponde ao mês 12");
        return {12};
    }
    if (d.is_departure()) {
        const Date exit = d.date("DATASAIDA");
        if (exit.blank()) {
            c.op.notice(NoticeKind::kWarning, "",
                        "Na declaração de saída o cálculo do Imposto\n"
                        "depende da data da saída. Informe-a\n"
                        "O cálculo apresentado corresponde ao mês 12");
            return {12};
        }
        int m = exit.month();
        const Date decision = d.date("DATADECIS");
        if (!decision.blank()) m = exit.month() - decision.month() + 1;
        return {std::clamp(m, 1, 12)};
    }
    return {};
}

namespace {

void FI13_08(Declaration& d) {
    Decimal s;
    for (const char* n :
         {"I13_01", "I13_02", "I13_03", "I13_04", "I13_05", "I13_06", "I13_07", "I13_49", "I13_50"})
        s += d.num(n);
    d.set("I13_08", s);
}

void FI13_11(Declaration& d) {
    d.set("I13_11", min(d.work.I13_11T, pension_limit(d.num("I13_08"))));
}

// Relationship codes: below 98 a dependant, 98 and 99 alimony recipients abroad and in Brazil,
// 100 and above heirs.
int relationship(const store::Record& r) {
    return static_cast<int>(r.num("CODIDEPEN").whole());
}

void FI13_12(Declaration& d) {
    int dependants = 0, recipients = 0;
    for_each_live(d.dependants, [&](const store::Record& r) {
        const int code = relationship(r);
        if (code < 98)
            ++dependants;
        else if (code <= 99)
            ++recipients;
    });
    d.set("I13_12", NVALDEPANO * Decimal(dependants));
    d.set("DESPALIM", Decimal(std::min(recipients, 9)));
}

// Education is limited per person: the holder (0) and each dependant or recipient by its number
// (its position when it has none), whatever gaps deletions left between the numbers.
void FI13_13(Declaration& d) {
    std::map<long long, Decimal> acc{{0, Decimal()}};
    long long position = 0;
    for_each_live(d.dependants, [&](const store::Record& r) {
        ++position;
        const long long n = r.num("NRODEPEN").whole();
        if (relationship(r) <= 99) acc[n > 0 ? n : position];
    });
    for_each_live(d.payments, [&](const store::Record& p) {
        const int code = code_of(p);
        if (code != 1 && code != 2) return;
        auto it = acc.find(p.num("I6_6").whole());
        if (it == acc.end()) return;
        it->second = min(it->second + p.num("I6_4"), NVALESCOL);
    });
    Decimal total;
    for (const auto& [person, a] : acc) total += a;
    d.set("I13_13", total);
}

void FI13_19(Declaration& d) {
    Decimal s;
    for (int k = 9; k <= 18; ++k) s += d.num("I13_" + two_digits(k));
    d.set("I13_19", s);
}

// Comparison of the options, the verdict, DESCON and line 20.
void FI13_20(Context& c, const AnnualTable& table) {
    Declaration& d = c.decl;
    Work& w = d.work;
    const Decimal income = d.num("I13_08");
    w.NILEI14754 = DESPREZA(d.num("BASE14754") * k15Percent, 15);
    const Decimal discount = simplified_discount(income);
    d.set("DESPADRAO", discount);
    // The incentives are those of line 22 as it stands: the previous pass's, which the simplified
    // option keeps untouched.
    w.NCOMPL = table(income - d.num("I13_19")) - d.num("I13_22") - d.num("I13_24") + w.NILEI14754;
    w.NSIMPL = table(income - discount) + w.NILEI14754;
    if (w.NSIMPL < w.NCOMPL)
        w.verdict = d.is_final()       ? "Na declaração Final somente uma quota e completa"
                    : d.is_departure() ? "Na declaração de Saida so uma quota e completa"
                                       : "Mais vantajoso usar o formulário simples";
    else if (w.NSIMPL == w.NCOMPL)
        w.verdict = "Os dois formulários tem o mesmo resultado";
    else
        w.verdict = "Essa é a melhor opção de formulário";
    w.DESCON = d.simplified() ? discount : d.num("I13_19");
    d.set("I13_20", max(income - w.DESCON, Decimal()));
}

// Tax paid abroad: limited to the difference between the tax with and without the foreign income.
void FI13_32(Context& c, const AnnualTable& table, int show) {
    Declaration& d = c.decl;
    Work& w = d.work;
    const Decimal foreign = d.num("I13_49") + d.num("I13_50");
    if (foreign.is_zero()) {
        w.foreign_with = w.foreign_without = w.foreign_limit = Decimal();
        d.set("I13_32", Decimal());
        return;
    }
    const Decimal reduced = d.num("I13_08") - foreign;
    if (d.simplified()) {
        w.foreign_with = d.num("I13_23");
        w.foreign_without = table(reduced - simplified_discount(reduced));
    } else {
        w.foreign_with = d.num("I13_23");
        const Decimal deductions =
            d.num("I13_19") - d.num("I13_11") + min(w.I13_11T, pension_limit(reduced));
        const Decimal tax = table(reduced - deductions);
        w.foreign_without = tax - min(w.I13_22T, round_half_up(tax * k6Percent, 2));
    }
    w.foreign_limit = w.foreign_with - w.foreign_without;
    const Decimal typed = d.num("IR_EXTER");
    const Decimal before = d.num("I13_32");
    if (w.foreign_limit <= Decimal()) {
        d.set("I13_32", Decimal());
    } else if (typed < w.foreign_limit) {
        d.set("I13_32", typed);
    } else {
        d.set("I13_32", w.foreign_limit);
        if (show == 1 && before != w.foreign_limit)
            c.op.notice(NoticeKind::kWarning, "",
                        "O imposto pago no exterior " + picture_e(typed, "999,999,999.99", true) +
                            " não pode execeder\n"
                            "a diferença entre o imposto devido com e sem esses rendimentos.     \n"
                            "Ir devido com o Rendimento Exterior:" +
                            picture_e(w.foreign_with, "9999,999,999.99", true) +
                            "     \n"
                            "Ir devido sem o Rendimento Exterior:" +
                            picture_e(w.foreign_without, "9999,999,999.99", true) +
                            "     \n"
                            "      O limite Legal assumido é de :" +
                            picture_e(w.foreign_limit, "9999,999,999.99", true));
    }
}

// The whole computation under the declaration's option.
void annual_computation(Context& c, int show) {
    Declaration& d = c.decl;
    const AnnualTable table = annual_table_for(c);
    if (!d.work.JA_CALC) FDE_TUDO(d);
    CALC_LEAOTOTAL(d);
    FI13_09(d);
    if (d.num("QTD_QUOTA") == Decimal(1)) VEJA_UMA_QUOTA(c);
    FI13_08(d);
    FI13_11(d);
    FI13_12(d);
    FI13_13(d);
    FI13_19(d);
    FI13_20(c, table);
    d.set("I13_21", table(d.num("I13_20")));
    if (d.simplified()) {
        // No incentive deductions and no I13_24 in the simplified option; line 22 keeps what the
        // complete option found, for the comparison of the options.
        d.set("I13_23", d.num("I13_21"));
        d.set("I13_26", d.num("I13_23") + d.num("I13_25") + d.work.NILEI14754);
    } else {
        FI13_22(c);
        d.set("I13_23", d.num("I13_21") - d.num("I13_22"));
        d.set("I13_26", max(d.num("I13_23") + d.num("I13_25") + d.work.NILEI14754 - d.num("I13_24"),
                            Decimal()));
    }
    FI13_32(c, table, show);
    FI13_35(d);
    SOMA_TRIBENAO(d);
    VE_SALDO(d);
}

}  // namespace

Decimal incentive_deduction(Declaration& d, Decimal tax, bool rewrite) {
    Decimal left = round_half_up(tax * k6Percent, 2);
    Decimal health = round_half_up(tax * k1Percent, 2);
    Decimal total;
    auto serve = [&](std::initializer_list<int> codes, Decimal& limit) {
        for_each_live(d.payments, [&](store::Record& p) {
            const int code = code_of(p);
            if (std::find(codes.begin(), codes.end(), code) == codes.end()) return;
            const Decimal paid = max(p.num("I6_4"), Decimal());
            const Decimal allowed = min(paid, limit);
            limit -= allowed;
            total += allowed;
            if (rewrite) p.set("I6_5", paid - allowed);
        });
    };
    serve({40, 41, 42, 43, 44, 47}, left);
    serve({39, 49}, left);
    serve({45, 46}, health);
    return min(total, max(tax, Decimal()));
}

void FI13_22(Context& c) {
    Declaration& d = c.decl;
    if (d.simplified()) {
        c.op.notice(NoticeKind::kWarning, "", "Abatimentos somente na declaração completa!");
        d.set("I13_22", incentive_deduction(d, Decimal(), true));
        return;
    }
    d.set("I13_22", incentive_deduction(d, d.num("I13_21"), true));
}

Decimal pension_limit(Decimal income) {
    return round_half_up(income * k12Percent, 2);
}

void FI13_35(Declaration& d) {
    Decimal paid;
    for (int k = 27; k <= 34; ++k) paid += d.num("I13_" + two_digits(k));
    d.set("I13_35", paid);
    const Decimal balance = d.num("I13_26") - paid;
    d.set("IMPPGRE", balance);
    d.set("I13_36", max(balance, Decimal()));
    d.set("I13_38", max(-balance, Decimal()));
}

bool CALC(Context& c, int kind, int show) {
    Declaration& d = c.decl;
    if (d.work.LTROCOU) return true;
    switch (kind) {
        case 1:
            FDE_LEAO_holder(c);
            break;
        case 2:
            FDE_LEAO_dependants(c);
            break;
        case 3:
            SOMA_TRIBENAO(d);
            break;
        case 4:
            FDE_TUDO(d);
            break;
        case 5:
            FI3_04(d);
            break;
        case 6:
            FI13_09(d);
            break;
        case 7:
            annual_computation(c, show);
            break;
        default:
            throw std::invalid_argument("CALC: unknown kind");
    }
    return true;
}

void CSIMPLES(Context& c, int mode, int show) {
    if (mode == 1) annual_computation(c, show);
    FQTD_QUOTA(c, show);
}

void compute_declaration(Context& c) {
    Declaration& d = c.decl;
    FDE_TUDO(d);
    FI1_T(d);
    FI3_04(d);
    FI7_T(d);
    FI8_T(d);
    FI10_1(d);
    if (d.is_final() || d.is_departure()) d.set("USAPADRAO", "N");
    CALC(c, 1, 0);
    CALC(c, 2, 0);
    CALC(c, 7, 1);
    FQTD_QUOTA(c, 1);
}

void compute_silently(Context& c) {
    ScriptedOperator quiet;
    Context silent{c.decl, quiet, c.clock, c.selic};
    compute_declaration(silent);
}

void FQTD_QUOTA(Context& c, int show) {
    Declaration& d = c.decl;
    const Decimal balance = d.num("I13_36");
    if (balance <= Decimal()) {
        d.set("QTD_QUOTA", Decimal());
        d.set("I13_37", Decimal());
        d.set("DEBITAUT", "");
        return;
    }
    const long long largest = std::clamp((balance / Decimal(50)).whole(), 1LL, 8LL);
    long long quotas = d.num("QTD_QUOTA").whole();
    if (quotas <= 0 || quotas > largest) {
        quotas = largest;
        if (quotas == 1) d.set("DEBITAUT", "");
    }
    const bool final_by_date = (!d.date("DATAPARTI").blank() && d.str("DECJUDI") == "S") ||
                               (!d.date("DATALAVRA").blank() && d.str("DECJUDI") == "N");
    if ((d.is_final() || final_by_date || d.is_departure()) && quotas > 1) {
        if (show == 1 && !d.is_departure())
            c.op.notice(NoticeKind::kWarning, "",
                        " ATENÇÃO! Não é permitido o\nparcelamento em declaração final");
        quotas = 1;
    }
    d.set("QTD_QUOTA", Decimal(quotas));
    d.set("I13_37", DESPREZA(balance / Decimal(quotas), 15));
}

bool VEJA_UMA_QUOTA(Context& c) {
    Declaration& d = c.decl;
    if (c.clock.today() <= DDIADEBA || d.num("QTD_QUOTA") > Decimal(1) || d.str("DEBITAUT") == "N")
        return true;
    const Date delivered = d.date("DENTREGA");
    if (!delivered.blank() && delivered <= DDIADEBA) return true;
    d.set("DEBITAUT", "N");
    c.op.notice(NoticeKind::kWarning, "",
                "Não é permitido débito automático com uma quota após " + DDIADEBA.dmy());
    return false;
}

bool MUDA(Context& c) {
    Declaration& d = c.decl;
    if (d.is_final()) {
        c.op.notice(NoticeKind::kWarning, "",
                    "A declaração final de espólio só pode ser uma completa");
        return false;
    }
    if (d.is_departure()) {
        c.op.notice(NoticeKind::kWarning, "",
                    "A declaração de saída definitiva só pode ser uma completa");
        return false;
    }
    d.set("USAPADRAO", d.simplified() ? "N" : "S");
    CALC(c, 7, 1);
    FQTD_QUOTA(c, 1);
    return true;
}

namespace {

bool switch_answer(Context& c, std::string_view answer, bool want_simplified) {
    const std::string a = upper(trim(answer));
    if (a.empty() || a == "N") return true;
    if (a != "S") return false;
    if (c.decl.simplified() == want_simplified) return true;
    return MUDA(c);
}

}  // namespace

bool CONF_PADR(Context& c, std::string_view answer) {
    return switch_answer(c, answer, true);
}
bool VIRA_COMP(Context& c, std::string_view answer) {
    return switch_answer(c, answer, false);
}

EffectiveRate effective_rate(const Declaration& d) {
    EffectiveRate r;
    const Decimal income = d.num("I13_08"), paid = d.num("I13_35");
    const Decimal to_pay = d.num("I13_36"), refund = d.num("I13_38");
    Decimal numerator;
    if (to_pay > Decimal()) {
        r.balance = EffectiveRate::Balance::kPay;
        numerator = to_pay + paid;
    } else if (refund > Decimal()) {
        r.balance = EffectiveRate::Balance::kRefund;
        numerator = refund == paid ? paid : paid - refund;
    } else {
        r.balance = EffectiveRate::Balance::kNone;
        r.zero_word = paid.is_zero();
        numerator = paid;
    }
    if (!income.is_zero()) r.percent = (numerator / income * Decimal(100)).trunc(2);
    return r;
}

std::vector<std::string> complete_option_panel(const Declaration& d) {
    const Work& w = d.work;
    if (w.NSIMPL == w.NCOMPL) return {"Os dois", "Formulários", "são iguais"};
    const Decimal balance = d.num("I13_35") - w.NCOMPL;
    if (balance > Decimal())
        return {"No completo", "Devolução", trim(picture_e(balance, "999,999,999.99"))};
    if (balance.is_zero()) return {"No completo", "Imposto", "ZERO"};
    return {"No completo", "Imposto", trim(picture_e(-balance, "999,999,999.99"))};
}

std::string balance_label(EffectiveRate::Balance balance, bool complete_screen) {
    switch (balance) {
        case EffectiveRate::Balance::kPay:
            return complete_screen ? "    Imposto a PAGAR" : "Imposto  a  PAGAR";
        case EffectiveRate::Balance::kRefund:
            return complete_screen ? "Imposto a Restituir" : "Imposto  a  Restituir";
        default:
            return "Sem saldo de Imposto";
    }
}

std::string picture_e(Decimal v, std::string_view picture, bool zero_blank) {
    const size_t point = picture.find('.');
    const std::string_view whole_part = picture.substr(0, point);
    const int places =
        point == std::string_view::npos ? 0 : static_cast<int>(picture.size() - point - 1);
    if (zero_blank && v.round(places).is_zero()) return std::string(picture.size(), ' ');
    const std::string plain = v.abs().to_string(places);
    std::string digits =
        plain.substr(0, places > 0 ? plain.size() - static_cast<size_t>(places) - 1 : plain.size());
    std::string sign = v.round(places).is_negative() ? "-" : "";
    std::string out(whole_part.size(), ' ');
    size_t next = digits.size();  // digits still to place, from the right
    for (size_t i = whole_part.size(); i-- > 0;) {
        if (whole_part[i] == '9') {
            if (next > 0)
                out[i] = digits[--next];
            else if (!sign.empty()) {
                out[i] = '-';
                sign.clear();
            }
        } else if (whole_part[i] == ',' && next > 0) {
            out[i] = '.';
        }
    }
    if (next > 0 || !sign.empty()) return std::string(picture.size(), '*');
    if (places > 0) {
        out += ',';
        out += plain.substr(plain.size() - static_cast<size_t>(places));
    }
    return out;
}

}  // namespace vorn::tax
