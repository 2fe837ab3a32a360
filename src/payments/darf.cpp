// The amounts of a DARF: what each kind pays, its code, period, due date and text lines, and its
// fine and interest.
#include "payments/darf.h"

#include <algorithm>

#include "base/helpers.h"
#include "base/picture.h"
#include "base/text.h"
#include "base/validate.h"
#include "printing/print_file.h"
#include "store/catalogue.h"
#include "tax/year.h"

namespace vorn::payments {
namespace {

const Date kPeriodEnd{tax::kCalendarYear, 12, 31};

std::string two(int n) {
    return tax::two_digits(n);
}

// Money the way the form's lines show it: thousands points, decimal comma, in `width` places.
std::string money(Decimal v, int width) {
    return transform(v, printing::money_picture(width));
}

std::string digits_of(std::string_view s) {
    std::string d;
    for (char c : s)
        if (c >= '0' && c <= '9') d += c;
    return d;
}

Date back_off_weekend(Date d) {
    if (d.weekday() == 0) return d.add_days(-2);
    if (d.weekday() == 6) return d.add_days(-1);
    return d;
}

const store::Record* titular_or_dependant_row(const tax::Declaration& d, const Darf& darf) {
    const std::string wanted = darf.DARFTD == "N" ? trim(darf.CPFDEPEN) : "";
    for (const auto& r : d.monthly)
        if (!r.deleted && trim(r.str("CPFDEPEN")) == wanted) return &r;
    return nullptr;
}

// The capital-gain record numbered `n` (sub-number 0), not of variable income.
const store::Record* gain_record(const std::vector<store::Record>& gains, int n) {
    for (const auto& r : gains)
        if (!r.deleted && r.num("BEM_NRO").whole() == n && r.num("RVAR_NRO").whole() == 0 &&
            r.num("TIPO_BEM").whole() != 4 && r.num("TIPO_BEM").whole() != 5)
            return &r;
    return nullptr;
}

struct GainMonth {
    Decimal base, tax, paid;
};
GainMonth gain_amounts(const store::Record& g, int month) {
    if (g.str("VEN_PRAZO") == "S")
        return {g.num("VAL_TRI" + two(month)), g.num("IMP_DEV" + two(month)),
                g.num("IMP_PAG" + two(month))};
    return {g.num("VAL_TRIBU"), g.num("VAL_IMPOSV"), g.num("IMPPAGO")};
}

bool has_variable_income(const std::vector<store::Record>& gains) {
    for (const auto& r : gains)
        if (!r.deleted && r.num("TIPO_BEM").whole() == 4) return true;
    return false;
}

// The variable-income sums of a month: base, tax due and tax paid, stock market or funds.
GainMonth variable_income(const std::vector<store::Record>& gains, int kind, int month) {
    const bool funds = kind == kDarfFunds;
    const int base_line = funds ? 3 : 16, due_line = funds ? 5 : 27, paid_line = funds ? 6 : 28;
    const std::string op = funds ? "3" : "1";
    GainMonth m;
    for (const auto& r : gains) {
        if (r.deleted || r.num("TIPO_BEM").whole() != 4) continue;
        const long long line = r.num("RVAR_NRO").whole();
        const Decimal v = r.num("REC_MES" + two(month));
        const bool same_op = trim(r.str("DAY_TRADE")) == op;
        if (line == base_line && (!funds || same_op)) m.base += v;
        if (line == due_line && same_op) m.tax += v;
        if (line == paid_line && same_op) m.paid += v;
    }
    return m;
}

Decimal positive(Decimal v) {
    return v.is_negative() ? Decimal() : v;
}

std::string fund_word(int kind) {
    return kind == kDarfDonationECA ? "ECA" : "Idoso";
}

// The city of a municipal fund's name: the words after its last " de ", " do " or " da " before
// " - UF", and the state after " - ".
std::string fund_city(const std::string& fund) {
    const size_t dash = fund.find(" - ");
    std::string head = trim(fund.substr(0, dash));
    const std::string state = dash == std::string::npos ? "" : trim(fund.substr(dash + 3, 2));
    const std::string low = lower(head);
    size_t cut = std::string::npos;
    for (const char* w : {" de ", " do ", " da "}) {
        const size_t p = low.rfind(w);
        if (p != std::string::npos && (cut == std::string::npos || p > cut)) cut = p;
    }
    if (cut != std::string::npos) head = trim(head.substr(cut + 4));
    return left(state.empty() ? head : head + " - " + state, 35);
}

}  // namespace

bool darf_has_range(int kind) {
    return kind >= kDarfQuota && kind <= kDarfFunds;
}

int darf_range_limit(int kind) {
    if (kind == kDarfQuota) return 8;
    return darf_has_range(kind) ? 12 : 1;
}

std::string Darf::printed_cpf() const {
    if (DARFTD == "N" && !trim(CPFDEPEN).empty()) return printing::print_cpf(CPFDEPEN);
    const std::string d = digits_of(CPF_CNPJ);
    if (d.size() == 14) return printing::print_cnpj(d);
    return printing::print_cpf(d);
}

std::array<Date, 8> ADATVENC(const store::Record& define) {
    std::array<Date, 8> dates{};
    for (int i = 0; i < 8; ++i) dates[i] = define.date("VCTO" + std::to_string(i + 1));
    return dates;
}

std::array<Date, 8> default_due_dates() {
    return ADATVENC(store::initial_rows(43).at(0));
}

Date ULTIMO_DIA(int month, int year, int offset) {
    // Months outside 1..12 are taken into the year they fall in.
    int ym = year * 12 + (month - 1) + offset;
    Date d = Date(ym / 12, ym % 12 + 1, 1).add_days(-1);
    d = back_off_weekend(d);
    if (d.month() == 12) d = back_off_weekend(d.add_days(-1));
    return d;
}

Date MES_ANTER(int month) {
    return ULTIMO_DIA(std::clamp(month, 1, 12), tax::kCalendarYear, 1);
}

std::string month_name(int month, size_t letters) {
    return trim_right(left(TRAZ_MES(month), letters));
}

std::string donation_reference(std::string_view cnpj) {
    const std::string d = digits_of(cnpj);
    if (d.size() != 14) return "";
    const std::string first = d + MODULO_11(d, 0);
    return first + MODULO_11(first, 0);
}

LateDeliveryFine late_delivery_fine(Decimal tax_due, Date due, Date payment) {
    LateDeliveryFine f;
    f.cap = (tax_due * Decimal(20) / Decimal(100)).trunc(2);
    const Lateness l = VEATRASO(due, payment);
    if (!l.late) return f;
    const long days = payment - l.DDATAUTIL;
    f.months_late =
        payment.year() == due.year() ? payment.month() - due.month() : static_cast<int>(days / 30);
    if (f.months_late <= 0) {
        f.months_late = 0;
        return f;
    }
    f.computed = (tax_due * Decimal(f.months_late) / Decimal(100)).trunc(2);
    f.fine = f.computed < kMinimumLateFine ? kMinimumLateFine : std::min(f.computed, f.cap);
    // A tax due so small that its cap is under the minimum still pays the minimum.
    if (f.fine < kMinimumLateFine) f.fine = kMinimumLateFine;
    return f;
}

std::optional<std::vector<std::string>> donation_refusal(int kind, Date today) {
    if (kind != kDarfDonationECA && kind != kDarfDonationElderly) return std::nullopt;
    if (today <= tax::DDIAENTRA) return std::nullopt;
    return std::vector<std::string>{
        "O pagamento do Darf de doação para o " + fund_word(kind) + " só é permitido",
        "até " + tax::DDIAENTRA.dmy() + ". Caso tenha entregue a declaração com",
        "essa doação e não tenha pago o Darf no prazo deve-se ",
        "retificar a declaração retirando-a. "};
}

Date default_payment_date(int kind, bool open_declaration, Date today) {
    if (open_declaration && darf_has_range(kind))
        return ULTIMO_DIA(today.month() - 1, today.year(), 2);
    return today;
}

PaymentDateCheck check_payment_date(Date payment, Date due, Date first_working_day) {
    PaymentDateCheck c;
    c.date = payment;
    if (payment.blank()) return c;
    if (payment.weekday() == 0 || payment.weekday() == 6) {
        const bool sunday = payment.weekday() == 0;
        c.date = payment.add_days(sunday ? 1 : 2);
        c.message = {
            std::string("O dia lançado para pagamento é um ") + (sunday ? "Domingo" : "Sabado"),
            "será alterado para próximo dia útil!"};
    }
    if (first_working_day.blank() && !due.blank()) first_working_day = PROX_DIA(due);
    if (!due.blank() && c.date > due && c.date < first_working_day) {
        c.refused = true;
        c.message = {"O dia p/ pagamento deve ser maior ou igual a " + first_working_day.dmy()};
    }
    return c;
}

void set_due_dates(store::Record& define, const std::array<Date, 8>& dates, Decimal dollar) {
    for (int i = 0; i < 8; ++i) define.set("VCTO" + std::to_string(i + 1), dates[i]);
    define.set("VAL_DOLAR", dollar.trunc(4));
}

HolderRows::Choice HolderRows::choice() const {
    if (dependant > 0 && titular == 0) return Choice::kDependant;
    if (dependant > 0) return Choice::kAsk;
    return Choice::kTitular;
}

HolderRows count_holder_rows(const tax::Declaration& d) {
    HolderRows h;
    for (const auto& r : d.monthly) {
        if (r.deleted) continue;
        (trim(r.str("CPFDEPEN")).empty() ? h.titular : h.dependant)++;
    }
    return h;
}

bool dependant_has_rows(const tax::Declaration& d, std::string_view cpf) {
    const std::string wanted = trim(cpf);
    if (wanted.empty()) return false;
    for (const auto& r : d.monthly)
        if (!r.deleted && trim(r.str("CPFDEPEN")) == wanted) return true;
    return false;
}

std::string dependant_name(const tax::Declaration& d, std::string_view cpf) {
    const std::string wanted = trim(cpf);
    for (const auto& r : d.dependants)
        if (!r.deleted && trim(r.str("CPFDEPEN")) == wanted) return trim(r.str("NOMEDEPEN"));
    return "";
}

std::vector<Donation> donations(const tax::Declaration& d, int kind) {
    const long long code = kind == kDarfDonationECA ? 39 : 49;
    std::vector<Donation> out;
    for (const auto& p : d.payments)
        if (!p.deleted && p.num("I6_3").whole() == code)
            out.push_back(
                {trim(p.str("I6_1")), trim(p.str("I6_2")), p.num("I6_4") - p.num("I6_5")});
    return out;
}

FirstMonth first_month_to_pay(const DarfSource& src, const Darf& darf, int from) {
    FirstMonth f;
    from = std::clamp(from, 1, 12);
    Darf probe = darf;
    std::vector<std::string> first_message;
    for (int m = from; m <= 12; ++m) {
        Loaded l = BUS_IMPO(src, m, BusMode::kInteractive, probe);
        if (l.pay) {
            f.month = darf.QUEDARF == kDarfCapitalGain ? probe.number : m;
            return f;
        }
        if (first_message.empty()) first_message = l.message;
        // A sale paid in one go has one month: the loop over months says nothing more.
        if (darf.QUEDARF == kDarfCapitalGain) break;
    }
    f.message = first_message;
    if (darf.QUEDARF == kDarfCapitalGain && !f.message.empty() &&
        f.message[0] != "Não existe ganho com esse número" &&
        f.message[0] != "Ganho registrado com CPF não encontrado!")
        f.message = {"No mês inicial precisa ter imposto a pagar!"};
    return f;
}

Loaded BUS_IMPO(const DarfSource& src, int number, BusMode mode, Darf& darf) {
    const tax::Declaration& d = *src.declaration;
    static const std::vector<store::Record> kNoGains;
    const std::vector<store::Record>& gains = src.gains != nullptr ? *src.gains : kNoGains;
    Loaded l;
    auto refuse = [&](std::vector<std::string> message) {
        if (mode == BusMode::kInteractive) l.message = std::move(message);
        return l;
    };
    darf.number = number;
    if (darf.QUEDARF == kDarfFree) {
        // Every value was typed: nothing is loaded.
        l.pay = darf.IMPO_REAL > Decimal();
        return l;
    }
    darf.DF_OUTR = {};
    darf.DF_REFER.clear();
    darf.DF_PERIODO = kPeriodEnd;
    if (darf.NOMQUAL.empty()) darf.NOMQUAL = trim(d.str("NOMECONTR"));
    if (darf.CPF_CNPJ.empty()) darf.CPF_CNPJ = d.cpf() + std::string(7, ' ');
    darf.TELEFONE = digits_of(d.str("TELEFO"));
    const int month = std::clamp(number, 1, 12);
    switch (darf.QUEDARF) {
        case kDarfQuota: {
            darf.quota_count = std::max<int>(1, static_cast<int>(d.num("QTD_QUOTA").whole()));
            if (number < 1 || number > 8 || number > darf.quota_count)
                return refuse({"Essa quota não existe !!"});
            darf.IMPO_REAL = d.num("I13_37");
            darf.DF_VCTO = src.adatvenc[number - 1];
            if (!darf.IMPO_REAL.is_negative() && !darf.IMPO_REAL.is_zero()) break;
            return refuse({"Não há imposto a pagar nessa declaração."});
        }
        case kDarfCarneLeao: {
            const store::Record* r = titular_or_dependant_row(d, darf);
            const Decimal due = r ? r->num("I2_6" + two(month)) : Decimal();
            const Decimal paid = r ? r->num("I2_5" + two(month)) : Decimal();
            darf.IMPO_REAL = positive(due - paid);
            darf.DF_VCTO = ULTIMO_DIA(month, tax::kCalendarYear, 2);
            darf.DF_PERIODO = MES_ANTER(month);
            if (!darf.IMPO_REAL.is_zero()) break;
            return refuse({paid.is_zero() ? "Não há carnê Leão a pagar nesse mês."
                                          : "O Carnê Leão desse mês já está lançado como pago."});
        }
        case kDarfCapitalGain: {
            const store::Record* g = gain_record(gains, darf.gain_number);
            if (g == nullptr) return refuse({"Não existe ganho com esse número"});
            const std::string seller = trim(g->str("CPFALIEN"));
            if (!seller.empty() && seller != d.cpf()) {
                if (dependant_name(d, seller).empty() &&
                    std::none_of(d.dependants.begin(), d.dependants.end(), [&](const auto& r) {
                        return !r.deleted && trim(r.str("CPFDEPEN")) == seller;
                    }))
                    return refuse({"Ganho registrado com CPF não encontrado!"});
                darf.DARFTD = "N";
                darf.CPFDEPEN = seller;
                darf.NOMEDEPEN = dependant_name(d, seller);
                darf.NOMQUAL = darf.NOMEDEPEN;
            }
            const Date sale = g->date("DATA_ALI");
            int m = sale.blank() ? month : sale.month();
            if (g->str("VEN_PRAZO") == "S") {
                m = 0;
                for (int k = month; k <= 12 && m == 0; ++k)
                    if ((g->num("IMP_DEV" + two(k)) - g->num("IMP_PAG" + two(k))) > Decimal())
                        m = k;
                if (m == 0) {
                    const GainMonth a = gain_amounts(*g, month);
                    return refuse({a.paid.is_zero()
                                       ? "Não há Ganho de Capital a pagar nesse mês."
                                       : "O Imposto desse Ganho de Capital já está lançado como "
                                         "pago."});
                }
            }
            const GainMonth a = gain_amounts(*g, m);
            darf.number = m;
            darf.IMPO_REAL = positive(a.tax - a.paid);
            const int sale_year = sale.blank() ? tax::kCalendarYear : sale.year();
            if (d.is_final())
                darf.DF_VCTO = tax::DDIAENTRA;
            else if (sale_year == tax::kCalendarYear && !sale.blank() && m < sale.month())
                darf.DF_VCTO = ULTIMO_DIA(m, sale_year + 1, 2);
            else
                darf.DF_VCTO = ULTIMO_DIA(m, sale_year, 2);
            darf.DF_PERIODO = sale.blank() ? kPeriodEnd : sale;
            if (!darf.IMPO_REAL.is_zero()) break;
            return refuse({"Não há DARF a pagar nesse ganho"});
        }
        case kDarfStocks:
        case kDarfFunds: {
            if (!has_variable_income(gains))
                return refuse({"Esse contribuinte não tem Ganho em Renda Variável"});
            const GainMonth a = variable_income(gains, darf.QUEDARF, month);
            darf.IMPO_REAL = positive(a.tax - a.paid);
            darf.DF_VCTO = ULTIMO_DIA(month, tax::kCalendarYear, 2);
            darf.DF_PERIODO = MES_ANTER(month);
            if (!darf.IMPO_REAL.is_zero()) break;
            return refuse({a.paid.is_zero()
                               ? "Não há Ganho em Renda Variável a pagar nesse mês."
                               : "O Ganho em Renda Variável desse mês já está lançado como pago."});
        }
        case kDarfLateFine: {
            darf.DF_VCTO = src.adatvenc[0];
            const LateDeliveryFine f = late_delivery_fine(
                d.num("I13_23"), darf.DF_VCTO, darf.DF_PGTO.blank() ? src.today : darf.DF_PGTO);
            darf.IMPO_REAL = f.fine;
            if (!f.fine.is_zero()) break;
            return refuse({"Não há multa por atraso na entrega nessa data de pagamento."});
        }
        case kDarfDonationECA:
        case kDarfDonationElderly: {
            const std::vector<Donation> rows = donations(d, darf.QUEDARF);
            if (rows.empty())
                return refuse(
                    {"Não existe doação para o " + fund_word(darf.QUEDARF) + " nesse CPF!"});
            if (number < 1 || number > static_cast<int>(rows.size())) return l;
            darf.IMPO_REAL = positive(rows[number - 1].value);
            darf.DF_VCTO = tax::DDIAENTRA;
            if (darf.IMPO_REAL.is_zero()) return l;
            break;
        }
        case kDarfForeignCash: {
            Decimal sum;
            for (const auto& r : gains)
                if (!r.deleted && r.num("TIPO_BEM").whole() == 5)
                    sum += positive(r.num("VAL_IMPOSV") - r.num("IMPPAGO"));
            darf.IMPO_REAL = sum;
            darf.DF_VCTO = tax::DDIAENTRA;
            if (!sum.is_zero()) break;
            return refuse({"Não há DARF a pagar nesse ganho"});
        }
        default:
            return l;
    }
    PREENCHE(src, darf);
    l.pay = true;
    return l;
}

void PREENCHE(const DarfSource& src, Darf& darf) {
    const tax::Declaration& d = *src.declaration;
    static const std::vector<store::Record> kNoGains;
    const std::vector<store::Record>& gains = src.gains != nullptr ? *src.gains : kNoGains;
    auto& o = darf.DF_OUTR;
    const int n = darf.number;
    switch (darf.QUEDARF) {
        case kDarfQuota:
            darf.DF_CODIG = "0211";
            o[1] = "Imposto devido... R$" + money(darf.IMPO_REAL, 15);
            o[4] = "Pagto. da quota " + std::to_string(n) + " de " +
                   std::to_string(darf.quota_count) + " do IRPF/20" + tax::CANOATUAL;
            if (darf.IMPO_REAL < Decimal(10)) {
                o[2] = "VALOR INFERIOR R$ 10,00 - NAO PAGAR";
                o[3] = "SOME C/OUTROS DARFS DO MESMO CODIGO";
            }
            break;
        case kDarfCarneLeao: {
            darf.DF_CODIG = "0190";
            const store::Record* r = titular_or_dependant_row(d, darf);
            auto v = [&](int k) {
                return r ? r->num("I2_" + std::to_string(k) + two(n)) : Decimal();
            };
            if (v(5).is_zero()) {
                o[0] = "Rendimentos... R$ " + money(v(1) + v(2), 17);
                o[1] = "Livro Caixa... R$ " + money(v(3), 17);
                o[2] = "Deducoes...... R$ " + money(v(4), 17);
                o[3] = "Imposto....... R$ " + money(v(6), 17);
                o[4] = "Carne Leao do mes de " + month_name(n) + "/20" + tax::CANOANTER;
            } else {
                o[0] = "Valor Devido.. R$ " + money(v(6), 17);
                o[1] = "V. Recolhido.. R$ " + money(v(5), 17);
                o[2] = "Diferenca..... R$ " + money(darf.IMPO_REAL, 17);
                o[4] = "Diferenca no C.Leao de " + month_name(n, 7) + "/20" + tax::CANOANTER;
            }
            break;
        }
        case kDarfCapitalGain: {
            const store::Record* g = gain_record(gains, darf.gain_number);
            if (g == nullptr) break;
            const long long type = g->num("TIPO_BEM").whole();
            darf.DF_CODIG = type == 2 && g->str("BEMBRASIL") == "N" ? "8523" : "4600";
            o[0] = type == 1   ? "Ganho em Imovel"
                   : type == 2 ? (g->str("BEMBRASIL") == "N" ? "Ganho em Movel no Exterior"
                                                             : "Ganho em Movel no Brasil")
                   : type == 3 ? "Ganho em Participacao Societaria"
                               : "";
            const GainMonth a = gain_amounts(*g, n);
            const std::string yy = two(darf.DF_VCTO.year() % 100);
            if (a.paid.is_zero()) {
                o[1] = "Base de calculo R$" + money(a.base, 17);
                o[2] = "Imposto.........R$" + money(a.tax, 17);
                o[4] = "GCAP nro " + two(darf.gain_number) + " em " + month_name(n) + "/20" + yy;
            } else {
                o[1] = "Imposto.........R$" + money(a.tax, 17);
                o[2] = "V. Recolhido....R$" + money(a.paid, 17);
                o[3] = "Diferenca ......R$" + money(darf.IMPO_REAL, 17);
                o[4] = "Pago menor G. Capital " + month_name(n, 8) + "/20" + yy;
            }
            break;
        }
        case kDarfStocks:
        case kDarfFunds: {
            darf.DF_CODIG = "6015";
            const bool stocks = darf.QUEDARF == kDarfStocks;
            const GainMonth a = variable_income(gains, darf.QUEDARF, n);
            if (a.paid.is_zero())
                o[4] = (stocks ? "Ganho em R. variavel " : "Ganho em Fundo Inves.") +
                       month_name(n) + "/20" + tax::CANOANTER;
            else
                o[4] = (stocks ? "Pago menor R.Variavel " : "Pago menor Fundo Inves") +
                       month_name(n, 8) + "/20" + tax::CANOANTER;
            break;
        }
        case kDarfLateFine: {
            darf.DF_CODIG = "5320";
            const LateDeliveryFine f = late_delivery_fine(
                d.num("I13_23"), darf.DF_VCTO, darf.DF_PGTO.blank() ? src.today : darf.DF_PGTO);
            o[0] = "Multa maxima atraso " + money(f.cap, 15);
            o[1] = "Multa minima atraso          165,74";
            o[2] = two(f.months_late) + " mes" + (f.months_late == 1 ? "  " : "es") +
                   " de atraso= " + money(f.computed, 15);
            o[3] = "Valor da multa......" + money(f.fine, 15);
            o[4] = "Multa pelo atraso na entrega       ";
            break;
        }
        case kDarfDonationECA:
        case kDarfDonationElderly: {
            const bool eca = darf.QUEDARF == kDarfDonationECA;
            darf.DF_CODIG = eca ? "3351" : "9090";
            o[0] = eca ? "Doacao Fundo Direito da Crianca" : "Doacao Fundos Conselho do Idoso";
            const std::vector<Donation> rows = donations(d, darf.QUEDARF);
            if (n >= 1 && n <= static_cast<int>(rows.size())) {
                const Donation& row = rows[n - 1];
                if (row.fund.find("Nacional") != std::string::npos) {
                    o[1] = "Fundo Nacional";
                } else if (row.fund.find("Estadual") != std::string::npos) {
                    o[1] = "Fundo Estadual - " + substr_chars(row.fund, 11, 2);
                } else {
                    o[1] = "Fundo Municipal";
                    o[2] = fund_city(row.fund);
                }
                darf.DF_REFER = donation_reference(row.cnpj);
            }
            o[4] = "Declaracao Ajuste Anual";
            break;
        }
        case kDarfForeignCash:
            darf.DF_CODIG = "8960";
            o[0] = "Ganho capital moeda especie";
            o[4] = "Declaracao Ajuste Anual";
            break;
        default:
            break;
    }
    for (auto& line : o) line = left(line, 35);
}

Outdated compute_charges(const InterestTable& selic, Date today, Date first_quota_due, Darf& darf) {
    const DarfKind kind = darf.QUEDARF == kDarfQuota      ? DarfKind::kQuota
                          : darf.QUEDARF == kDarfLateFine ? DarfKind::kLateDelivery
                                                          : DarfKind::kOther;
    DarfDates dates;
    dates.due = darf.DF_VCTO;
    dates.payment = darf.values_only ? darf.DF_VCTO : darf.DF_PGTO;
    if (dates.payment.blank()) dates.payment = today;
    dates.first_working_day = darf.values_only ? Date() : darf.DDATAUTIL;
    dates.validity_due = first_quota_due;
    const DarfAmounts a = CALCJU(selic, kind, darf.IMPO_REAL, dates, today);
    darf.DDATAUTIL = a.DDATAUTIL;
    darf.DF_MULTA = a.fine_rate;
    darf.VAL_MULTA = a.fine;
    darf.DF_JURO = a.interest_rate;
    darf.VAL_JURO = a.interest;
    darf.VAL_TOTAL = a.total;
    darf.valid_until = a.valid_until;
    darf.valid_date = a.valid_date;
    if (darf.values_only) {
        // Only the quota's value: interest and total stay blank until it is paid.
        darf.DF_JURO = darf.VAL_JURO = darf.VAL_TOTAL = Decimal();
        darf.valid_until = true;
        darf.valid_date = darf.DF_VCTO;
    }
    return a.outdated;
}

std::vector<Darf> prepare_run(const DarfSource& src, const InterestTable& selic, const DarfRun& run,
                              std::vector<std::string>* refusal, Outdated* outdated) {
    std::vector<Darf> out;
    if (outdated) *outdated = Outdated::kNone;
    if (refusal) refusal->clear();
    const int limit = darf_range_limit(run.kind);
    const int first = std::clamp(run.first, 1, limit);
    const int last = run.quantity == 2 ? std::clamp(run.last, first, limit) : first;
    Darf base = run.kind == kDarfFree ? run.free_darf : Darf{};
    base.QUEDARF = run.kind;
    base.QUANTDARF = run.quantity == 2 ? 2 : 1;
    base.DF_PGTO = run.payment.blank() ? src.today : run.payment;
    base.DARFTD = run.DARFTD == "N" ? "N" : "S";
    base.CPFDEPEN = base.DARFTD == "N" ? run.CPFDEPEN : "";
    if (base.DARFTD == "N") {
        base.NOMEDEPEN = dependant_name(*src.declaration, run.CPFDEPEN);
        base.NOMQUAL = base.NOMEDEPEN;
    }
    base.gain_number = run.gain_number;

    if (auto refused = donation_refusal(run.kind, src.today)) {
        if (refusal) *refusal = *refused;
        return out;
    }
    std::vector<int> numbers;
    if (run.kind == kDarfDonationECA || run.kind == kDarfDonationElderly) {
        const size_t n = donations(*src.declaration, run.kind).size();
        for (size_t i = 1; i <= n; ++i) numbers.push_back(static_cast<int>(i));
        if (n == 0) numbers.push_back(1);  // to get the refusal
    } else {
        for (int i = first; i <= last; ++i) numbers.push_back(i);
    }
    const Date first_quota_due =
        run.kind == kDarfQuota && run.same_month ? src.adatvenc[first - 1] : Date();
    for (int i : numbers) {
        Darf darf = base;
        Loaded l = BUS_IMPO(src, i, BusMode::kInteractive, darf);
        // A capital gain paid in instalments finds its next month itself.
        if (!l.pay || darf.IMPO_REAL <= Decimal()) {
            if (refusal && refusal->empty()) *refusal = l.message;
            continue;
        }
        // An instalment sale finds the next month with tax itself: in a range of months each
        // month is taken once, as itself.
        if (run.kind == kDarfCapitalGain && run.quantity == 2 && darf.number != i) continue;
        darf.values_only =
            run.kind == kDarfQuota && run.quantity == 2 && !run.same_month && i > first;
        const Outdated o = compute_charges(selic, src.today, first_quota_due, darf);
        if (outdated && static_cast<int>(o) > static_cast<int>(*outdated)) *outdated = o;
        if (run.kind == kDarfQuota || run.kind == kDarfLateFine) PREENCHE(src, darf);
        out.push_back(std::move(darf));
    }
    if (!out.empty() && refusal) refusal->clear();
    return out;
}

}  // namespace vorn::payments
