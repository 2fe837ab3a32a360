// Limits and checks.
#include "tax/limits.h"

#include <vector>

#include "base/helpers.h"
#include "base/text.h"
#include "tax/year.h"

namespace vorn::tax {
namespace {

int code_of(const store::Record& p) {
    return static_cast<int>(p.num("I6_3").whole());
}
int relationship(const store::Record& r) {
    return static_cast<int>(r.num("CODIDEPEN").whole());
}

// xBase STR(value, width, 2): right-aligned, point decimals.
std::string str_width(Decimal v, size_t width) {
    return pad_left(v.to_string(2), width);
}

const store::Record* dependant_by_cpf(const Declaration& d, std::string_view cpf) {
    for (const auto& r : d.dependants)
        if (!r.deleted && r.str("CPFDEPEN") == cpf) return &r;
    return nullptr;
}

// The person numbers of table 3: NRODEPEN, or the position when it is empty.
struct Person {
    int number;
    const store::Record* record;
};
std::vector<Person> people(const Declaration& d) {
    std::vector<Person> list;
    int position = 0;
    for_each_live(d.dependants, [&](const store::Record& r) {
        ++position;
        const int n = static_cast<int>(r.num("NRODEPEN").whole());
        list.push_back({n > 0 ? n : position, &r});
    });
    return list;
}

Decimal net(const store::Record& p) {
    return p.num("I6_4") - p.num("I6_5");
}

}  // namespace

std::string brl(Decimal v) {
    return trim(picture_e(v, "999,999,999,999.99"));
}

namespace {
Decimal limit_65(Context& c, store::Record& item, Decimal value, std::string_view beneficiary_cpf);
}  // namespace

Decimal LIMIT3(Context& c, size_t index, Decimal value, std::string_view beneficiary_cpf) {
    Declaration& d = c.decl;
    const Decimal kept = limit_65(c, d.items.at(index), value, beneficiary_cpf);
    d.items.at(index).set("I1_17", kept);  // taken again: an appended item may move the list
    return kept;
}

namespace {

// LIMIT3 without the final store; an appended item is pushed after `item` was last used.
Decimal limit_65(Context& c, store::Record& item, Decimal value, std::string_view beneficiary_cpf) {
    Declaration& d = c.decl;
    const bool holder = beneficiary_cpf.empty() || beneficiary_cpf == d.cpf();
    const store::Record* dependant = holder ? nullptr : dependant_by_cpf(d, beneficiary_cpf);
    const Date birth =
        holder ? d.date("NASCIMENTO") : (dependant ? dependant->date("DATADEPEN") : Date());
    if (!holder && birth.blank()) {
        c.op.notice(NoticeKind::kError, "", "Falta data do nascimento do dependente.");
        return Decimal();
    }
    const std::string who = holder ? "contribuinte" : "dependente";
    const Decimal age =
        birth.blank() ? Decimal()
                      : Decimal(static_cast<long long>(kYearEnd - birth)) / Decimal::from("365.25");
    if (age < Decimal(65)) {
        c.op.notice(NoticeKind::kError, "",
                    "O " + who + " tem menos de 65 anos\ne não pode usar desse benefício!");
        return Decimal();
    }
    // What the person's other items already use of the limits.
    Decimal others, thirteenth = item.num("I1_43");
    for_each_live(d.items, [&](const store::Record& it) {
        if (&it == &item) return;
        const bool mine = holder ? it.str("I1_11") != "N" : it.str("I1_8") == beneficiary_cpf;
        if (!mine) return;
        others += it.num("I1_17");
        thirteenth += it.num("I1_43");
    });
    if (holder && d.str("CODAT") != "61" &&
        !c.op.yes_no("",
                     "ATENÇÃO! Esse campo só pode ser usado por\n"
                     " aposentados, reformados ou pensionistas.\n"
                     "A situação é essa mesmo com o código errado? ",
                     false))
        return Decimal();
    Decimal limit = NVALAPOSA, limit13 = NVALAPOSE;
    std::string note;
    if (birth.year() == kCalendarYear - 65) {
        limit = NVALAPOSE * Decimal(13 - birth.month());
        limit13 = DESPREZA(limit / Decimal(13), 15);
        note = "Obs. O limite é menor pois o " + who + " fez 65 anos no mês " +
               std::to_string(birth.month());
    }
    const Decimal total = others + value;
    if (total + thirteenth <= limit + limit13) return value;
    if (!holder && dependant != nullptr && relationship(*dependant) == 31) {
        c.op.notice(NoticeKind::kError, "",
                    "O dependente " + mask_picture(beneficiary_cpf, "999.999.999-99") +
                        " tem o rendimento maior que\n" + "o limite R$ " +
                        brl(min(limit, NBASEAN1)) +
                        " permitido para ser dependente.\n"
                        "Ele não pode ser dependente e deve ser retirado dessa declaração");
        return Decimal();
    }
    const Decimal excess = max(total - limit, Decimal());
    const Decimal excess13 = max(thirteenth - limit13, Decimal());
    const Decimal kept = max(value - excess, Decimal());
    item.set("I1_43", max(item.num("I1_43") - excess13, Decimal()));
    std::string question = "O limite Isento para esse ano é de R$ " + brl(limit) +
                           " e o excedente\nde R$ " + brl(excess) + " deve ser " +
                           " rendimento tributável\ne o limite do 13ro é de R$ " + brl(limit13) +
                           "\nDeseja que o programa faça isso?";
    if (!note.empty()) question += "\n" + note;
    if (c.op.yes_no("", question, true)) {
        store::Record extra = d.new_record(2);
        for (const char* f : {"I1_1", "I1_2", "I1_3", "I1_8", "I1_11"}) extra.set(f, item.str(f));
        extra.set("I1_4", excess);
        extra.set("I1_7", excess13);
        d.items.push_back(std::move(extra));  // `item` may have moved: not used below
    }
    return kept;
}

}  // namespace

bool LIM_INSS(Context& c, Decimal value, int which) {
    if (which == 1 && value > NVALAPOSA) {
        const Decimal excess = value - NVALAPOSA;
        c.op.notice(NoticeKind::kError, "",
                    std::string("O valor limite da isenção é ") + CLIMINSS +
                        " Lance aqui o valor separado do 13ro salário." + "O valor a maior de R$ " +
                        str_width(excess, 8) +
                        (excess <= NVALAPOSE ? " pode ser o 13ro" : " pode ser um erro"));
        return false;
    }
    if (which == 2 && value > NVALAPOSE) {
        c.op.notice(
            NoticeKind::kError, "",
            std::string("O valor limite do 13ro é ") + CLIM13INSS + " confira o valor digitado");
        return false;
    }
    return true;
}

bool LIM_ISEN(Context& c, Decimal value) {
    if (value <= NVALAPOSE) return true;
    c.op.notice(NoticeKind::kError, "",
                "o Valor máximo desse rendimento é R$ R$ " + brl(NVALAPOSE));
    return false;
}

bool LIM_13ROISEN(Context& c, Decimal value) {
    return LIM_ISEN(c, value);
}

bool parents_income_check(Context& c, const store::Record& item) {
    const store::Record* dependant = dependant_by_cpf(c.decl, item.str("I1_8"));
    if (dependant == nullptr || relationship(*dependant) != 31) return true;
    if (item.num("I1_17") + item.num("I1_43") <= NLIMAVOS) return true;
    c.op.notice(NoticeKind::kWarning, "",
                std::string("Pais, avós e bisavós que, em 20") + CANOANTER + " receberam " +
                    "rendimentos tributáveis ou não, até " + CLIMAVOS +
                    "  não podem mais ser dependente do contribuinte.");
    return false;
}

Decimal LIMIT2(Context& c, Decimal value) {
    if (value.is_zero()) return Decimal();
    if (c.decl.str("CODAT") == "62") return value;
    if (!c.op.yes_no("",
                     "ATENÇÃO! Esse campo só pode ser usado  \n"
                     "por aposentados ou reformados. Preencha\n"
                     "o código correto da natureza na tela 6.\n"
                     " Você deseja usá-lo assim mesmo ?      ",
                     false))
        return Decimal();
    return value;
}

Decimal FDOAPAG(Context& c, store::Record& payment, Decimal value) {
    Declaration& d = c.decl;
    payment.set("I6_4", value);
    const int code = code_of(payment);
    const char* hint_tail = nullptr;
    if (code >= 1 && code <= 6) {
        payment.set("I6_5", max(value - NVALESCOL, Decimal()));
    } else if (code == 36 && d.num("I13_09").is_zero()) {
        c.op.notice(NoticeKind::kWarning, "",
                    "Atenção! As contribuições de previdência complementar cujo \n"
                    "o ônus seja do próprio contribuinte  fica  condicionado a  \n"
                    "a ter contribuição para a previdência oficial, exceto se já\n"
                    "for aposentado.                                           \n"
                    "Previdência de dependentes menores de 16 anos só poderá\n"
                    "ser deduzida se o titular contribuir Previdencia Oficial.\n"
                    "Se maior de 16 anos ele mesmo deve recolher a Previdência.\n"
                    "Lei 10.887 de 18/06/04 artigo 13.   ");
    } else if (code == 36) {
        hint_tail = "do entidade público patrocinador, mesmo sendo igual.";
    } else if (code == 37) {
        hint_tail = "do ente público patrocinador, mesmo sendo igual.";
    }
    if (hint_tail != nullptr)
        c.op.notice(NoticeKind::kInformation, "",
                    std::string("Lance nessa Coluna o pago pelo contribuinte.   \n"
                                "na Coluna Não Dedutível a Contribuição feita   \n") +
                        hint_tail);
    d.work.JA_CALC = false;
    if (code >= 39 && code <= 47) FI13_22(c);
    return value;
}

Decimal FCONFNDEDU(Context& c, store::Record& payment, Decimal value) {
    const int code = code_of(payment);
    if (code == 36 || code == 37) {
        c.op.notice(NoticeKind::kInformation, "", "Lance nesse campo o valor não dedutivel");
        return value;
    }
    if (code > 34) {
        c.op.notice(NoticeKind::kInformation, "",
                    "Valores não dedutíveis só deve ser preenchido para convênios\n"
                    "hospitalares ou médicos quando o declarante é reembolsado.\n"
                    "Esse campo será preenchido pelo programa nas situações\n"
                    "onde os valores ultrapassam o limite permitido");
        return Decimal();
    }
    if (code >= 8 && code <= 28) {
        if (value > payment.num("I6_4")) {
            c.op.notice(
                NoticeKind::kError, "",
                "O valor não dedutível ou reembolsado\nnão pode ser maior que o valor pago ");
            return Decimal();
        }
        payment.set("I6_5", value);
        FDE_TUDO(c.decl);
    }
    return value;
}

bool CONF_DEP(Context& c, store::Record& payment, int& number, int mode) {
    const Declaration& d = c.decl;
    const int code = code_of(payment);
    if (code >= 39 && code <= 97) return true;
    const std::vector<Person> list = people(d);
    const bool alimony = code >= 30 && code <= 34;
    const int wanted = code == 30 || code == 33 ? 99 : code == 31 || code == 34 ? 98 : 0;
    if (alimony) {
        bool any = false;
        for (const auto& p : list)
            if (relationship(*p.record) == 98 || relationship(*p.record) == 99) any = true;
        if (!any) {
            c.op.notice(NoticeKind::kError, "",
                        "Para lançar a pensão precisa antes cadastrar o alimentando");
            return false;
        }
    }
    if (list.empty()) return true;
    auto candidate = [&](const Person& p) {
        const int r = relationship(*p.record);
        return wanted != 0 ? r == wanted : r <= 99;
    };
    if (mode == 0) {
        std::vector<std::string> lines;
        std::vector<int> numbers;
        if (wanted == 0) {
            lines.push_back(" 0 - Titular ");
            numbers.push_back(0);
        }
        for (const auto& p : list)
            if (candidate(p)) {
                lines.push_back(pad_left(std::to_string(p.number), 2) + " - " +
                                p.record->str("NOMEDEPEN"));
                numbers.push_back(p.number);
            }
        const char* text =
            wanted != 0 ? "Informe o número do Alimentando conforme a relação."
                        : "Informe o número do Dependente ou Alimentando conforme a relação.";
        const int choice = c.op.choose("", text, lines, 0);
        if (choice < 0) return false;
        number = numbers.at(static_cast<size_t>(choice));
    }
    if (wanted != 0) {
        for (const auto& p : list)
            if (p.number == number && candidate(p)) {
                payment.set("I6_1", p.record->str("NOMEDEPEN"));
                payment.set("I6_2", mask_picture(p.record->str("CPFDEPEN"), "999.999.999-99"));
                return true;
            }
        c.op.notice(NoticeKind::kError, "",
                    std::string("Não existe alimentando ") +
                        (wanted == 99 ? "no Brasil" : "no exterior") + " com esse número.\n" +
                        "ou o código " + std::to_string(code) + " não está correto!");
        return false;
    }
    if (number == 0) return true;
    for (const auto& p : list)
        if (p.number == number && candidate(p)) return true;
    c.op.notice(NoticeKind::kError, "", "Não existe dependente ou alimentando com esse número.");
    return false;
}

Decimal direct_donation_limit(const Declaration& d, int fund) {
    const Decimal tax = d.num("I13_21");
    const Decimal overall = DESPREZA(tax * Decimal::from("0.06"), 15);
    const Decimal own = DESPREZA(tax * Decimal::from("0.03"), 15);
    // Each donation counts once against the overall limit.
    Decimal used, children, elderly;
    for_each_live(d.payments, [&](const store::Record& p) {
        const int code = code_of(p);
        if (code == 39)
            children += net(p);
        else if (code == 49)
            elderly += net(p);
        else if (code >= 40 && code <= 47)
            used += net(p);
    });
    const Decimal left = overall - used - children - elderly;
    const Decimal fund_left = max(own - (fund == 1 ? children : elderly), Decimal());
    return max(min(left, fund_left), Decimal());
}

Decimal LIMDOA(Context& c, int fund) {
    compute_silently(c);
    return direct_donation_limit(c.decl, fund);
}

bool VELIMD(Context& c, Decimal value, Decimal limit) {
    if (value.round(2) > limit) {
        c.op.notice(NoticeKind::kError, "", "Valor acima do limite da doação! Confira.");
        return false;
    }
    if (value > Decimal()) return c.op.yes_no("", "Confirma a doação", true);
    return true;
}

void FI10_1(Declaration& d) {
    Work& w = d.work;
    w.I10_1 = max((w.NTOTBEMBASE + w.NTOTDIVANT) - (w.NTOTBEMANT + w.NTOTDIVBASE), Decimal());
    const Decimal vb = w.NTOTBEMBASE - w.NTOTBEMANT;
    const Decimal vd = w.NTOTDIVBASE - w.NTOTDIVANT;
    const Decimal zero;
    Decimal loans, decrease;
    if (vb >= zero && vd >= zero) {
        loans = vd > vb ? vd - vb : zero;
    } else if (vb < zero && vd >= zero) {
        loans = vd;
        decrease = -vb;
    } else if (vb < zero && vd < zero) {
        decrease = max(vd - vb, zero);
    }
    d.set("EMPREST", loans);
    w.I10_2 = decrease;
}

namespace {

// The expenses entered that the cash check counts, by option.
struct Expenses {
    Decimal declared, simplified;
};

Expenses payment_expenses(const Declaration& d) {
    Expenses e;
    for_each_live(d.payments, [&](const store::Record& p) {
        const int code = code_of(p);
        const Decimal paid = p.num("I6_4");
        if (code == 72) {
            e.declared -= paid;
            e.simplified -= paid;
            return;
        }
        if (code < 91 || code > 97) e.declared += code >= 8 && code <= 26 ? net(p) : paid;
        if ((code >= 51 && code <= 71) || code == 76 || code == 80 || code == 81 || code == 90 ||
            code == 98 || code == 99)
            e.simplified += paid;
    });
    return e;
}

}  // namespace

BalanceFigures MOS_BALAN(Declaration& d) {
    const Work& w = d.work;
    BalanceFigures b;
    b.taxable = d.num("I13_08");
    b.exempt = d.num("I13_44");
    b.exclusive = d.num("I13_45") - d.num("I4_03") + d.num("I13_34");
    b.variable_income = d.num("LUCRRVA") - d.num("I3_20");
    b.spouse_income = d.num("I9_2");
    b.spouse_surplus = d.num("I9_3") - d.num("I9_2");
    b.loans = d.num("EMPREST");
    b.rural_loans = d.num("EMPRUR");
    b.gain_entries = d.num("ENTRADGP");
    b.exempt_deductions = -d.num("ISENTNAO");
    b.smaller_patrimony = w.I10_2;
    b.suspended = d.num("EXGSUSP");
    b.other_receipts = d.num("OUTREC");
    if (d.str("SOMAG") != "N")
        b.deferred_gain = d.num("VALFUTUR");
    else
        b.future_receivable = d.num("VALFUTUR");
    b.total_receipts = b.taxable + b.exempt + b.exclusive + b.variable_income + b.spouse_income +
                       b.spouse_surplus + b.loans + b.rural_loans + b.gain_entries +
                       b.exempt_deductions + b.smaller_patrimony + b.suspended + b.deferred_gain +
                       b.other_receipts;

    const Expenses e = payment_expenses(d);
    d.set("DESPDECLA", e.declared);
    d.work.DESPSIMP = e.simplified;
    b.taxes_of_year = d.num("I13_35") + d.num("I13_46") + d.num("I13_47") + d.num("I13_48");
    b.previous_year_tax = d.num("IMPOANTER");
    if (!d.simplified())
        b.expenses_entered = e.declared + d.num("I13_09") + d.num("I13_12") + d.num("I13_18");
    else if (d.str("SO_SIMPLES") == "S")
        b.expenses_entered = d.num("DESPADRAO") + e.simplified;
    else
        b.expenses_entered = e.declared + d.num("I13_09") + d.num("I13_18");
    b.variable_loss = d.num("PREJRVA");
    b.keeping_assets = d.num("DESPNAO");
    b.sale_losses = d.num("PREJVEN1");
    b.rural_loss = d.num("PREJRUR");
    b.rural_amortisation = d.num("AMORUR");
    b.cost_written_off = d.num("CUSTOANT");
    b.cost_of_year = d.num("CUSTOANO");
    b.larger_patrimony = w.I10_1;
    b.other_expenses = d.num("OUTRDES");
    b.total_expenses = b.taxes_of_year + b.previous_year_tax + b.expenses_entered +
                       b.variable_loss + b.keeping_assets + b.sale_losses + b.rural_loss +
                       b.rural_amortisation + b.cost_written_off + b.cost_of_year +
                       b.larger_patrimony + b.other_expenses;

    b.saldo = max(b.total_receipts - b.total_expenses, Decimal::from("-99999999.99"));
    // A ratio over no receipts is 0.
    Decimal ratio;
    if (!b.total_receipts.is_zero())
        ratio = round_half_up(b.saldo / b.total_receipts * Decimal(100), 2);
    if (ratio < Decimal::from("-99.99")) ratio = Decimal::from("-99.99");
    if (ratio > Decimal(1000)) ratio = Decimal(999);
    b.indgas = ratio;
    b.monthly_receipts = round_half_up(b.total_receipts / Decimal(12), 2);
    b.monthly_saldo = round_half_up(b.saldo / Decimal(12), 2);
    b.alert = b.saldo <= Decimal() || b.indgas < d.num("INDALERTA");
    return b;
}

Decimal VE_SALDO(Declaration& d) {
    const BalanceFigures b = MOS_BALAN(d);
    d.work.RECEITA = b.total_receipts;
    d.work.DESPESA = b.total_expenses;
    d.set("SALDO", b.saldo);
    d.set("INDGAS", b.indgas);
    return b.saldo;
}

}  // namespace vorn::tax
