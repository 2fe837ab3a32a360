// Variable-income statements: labels, loading, the monthly carry and storing.
#include "gains/statement.h"

#include <algorithm>

#include "base/text.h"
#include "gains/gain.h"
#include "gains/rates.h"
#include "store/catalogue.h"

namespace vorn::gains {
namespace {

constexpr const char* kStockLabels[28] = {"01.Mercado a vista - acoes",
                                          "02.Mercado a vista - ouro",
                                          "03.Ouro ativo fin.fora bolsa",
                                          "04.Opcoes - acoes",
                                          "05.Opcoes - ouro",
                                          "06.Opcoes - fora de bolsa",
                                          "07.Opcoes - outros",
                                          "08.Futuro - dolar americano",
                                          "09.Futuro - indices",
                                          "10.Futuro - juros",
                                          "11.Futuro - outros",
                                          "12.Termo - acoes/ouro",
                                          "13.Termo - outros",
                                          "14.RESUL.LIQUIDO DO MES",
                                          "15.RESUL.NEGAT. MES ANTERIOR",
                                          "16.BASE DE CALCULO",
                                          "17.PREJUIZO A COMPENSAR",
                                          "18.Imposto oper.comuns (15%)",
                                          "19.Imposto day-trade (20%)",
                                          "20.Total do Imposto devido",
                                          "21.IR fonte day-trade no mes",
                                          "22.IR fonte day-trade meses ant",
                                          "23.IR fonte day-trade a compens",
                                          "24.IR fonte Lei 11.033 no mes",
                                          "25.IR Lei 11.033 meses anterior",
                                          "26.IR Lei 11.033 a compensar",
                                          "27.IMPOSTO A PAGAR",
                                          "28.Imposto Pago"};
constexpr const char* kFundLabels[10] = {"01.Resultado Liquido",
                                         "02.Result.negativo ate mes ant",
                                         "03.BASE DE CALCULO",
                                         "04.Prejuizo a compensar",
                                         "05.Imposto Devido      (20%)",
                                         "06.Saldo IR Lei 11.033 Anterior",
                                         "07.IR fonte Lei 11.033 no mes",
                                         "08.IR Lei 11.033 a compensar",
                                         "09.IMPOSTO A PAGAR",
                                         "10.Imposto Pago"};

std::string two(int m) {
    return (m < 10 ? "0" : "") + std::to_string(m);
}

// A text field without its blanks, read in place (these run over every record of table 7 for
// every statement of every declaration).
std::string_view text_of(const store::Record& r, std::string_view field) {
    std::string_view t = std::get<std::string>(r.value(field));
    while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
    while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
    return t;
}

bool of_person(const store::Record& r, const std::string& dependant) {
    if (r.deleted || r.num("TIPO_BEM") != kVariableIncome || !r.num("BEM_NRO").is_zero())
        return false;
    std::string_view want = dependant;
    while (!want.empty() && want.front() == ' ') want.remove_prefix(1);
    while (!want.empty() && want.back() == ' ') want.remove_suffix(1);
    return text_of(r, "CPF_DEPE") == want;
}

char kind_of(const store::Record& r) {
    const std::string_view k = text_of(r, "DAY_TRADE");
    return k.empty() ? kCommon : k[0];
}

std::array<Decimal, 12> months_of(const store::Record& r) {
    static const std::array<std::string, 12> kNames = [] {
        std::array<std::string, 12> n;
        for (int m = 1; m <= 12; ++m) n[static_cast<size_t>(m - 1)] = "REC_MES" + two(m);
        return n;
    }();
    std::array<Decimal, 12> v{};
    for (size_t m = 0; m < 12; ++m) v[m] = r.num(kNames[m]);
    return v;
}

bool all_zero(const std::array<Decimal, 12>& v) {
    return std::all_of(v.begin(), v.end(), [](Decimal d) { return d.is_zero(); });
}

}  // namespace

void ZER_RENVAR(Statement& st, char kind) {
    st.kind = kind;
    const int n = kind == kFund ? 10 : 28;
    st.labels.clear();
    for (int i = 0; i < n; ++i)
        st.labels.push_back(pad_right(kind == kFund ? kFundLabels[i] : kStockLabels[i], 31));
    st.lines.assign(n, std::array<Decimal, 12>{});
}

void PRENCHE_MAT(Statement& st, char kind, const std::string& dependant,
                 const std::vector<store::Record>& table7) {
    ZER_RENVAR(st, kind);
    st.dependant = trim(dependant);
    if (kind == kFund) {
        for (const auto& r : table7) {
            if (!of_person(r, dependant) || kind_of(r) != kFund) continue;
            const long long n = r.num("RVAR_NRO").whole();
            if (n <= 0) continue;
            const int line = n <= 10 ? static_cast<int>(n) : n <= 20 ? 2 : 6;
            const auto v = months_of(r);
            for (int m = 0; m < 12; ++m) st.lines[line - 1][m] += v[m];
        }
    } else {
        const char other = kind == kCommon ? kDayTrade : kCommon;
        std::vector<bool> from_own(28, false);
        for (const char source : {kind, other}) {
            for (const auto& r : table7) {
                if (!of_person(r, dependant) || kind_of(r) != source) continue;
                const long long n = r.num("RVAR_NRO").whole();
                if (n < 1 || n > 28) continue;
                const int line = static_cast<int>(n);
                const bool own = source == kind;
                bool take;
                if (line <= 17)
                    take = own;
                else if (line == 18)
                    take = source == kCommon;  // the day trade's copy may be stale
                else if (line == 19)
                    take = source == kDayTrade;
                else if (line == 24 || line == 28)
                    take = own && kind != kDayTrade;
                else
                    take = own || !from_own[line - 1];
                if (!take) continue;
                if (own) from_own[line - 1] = true;
                st.lines[line - 1] = months_of(r);
            }
        }
    }
    SOMA_RENVAR(st);
}

bool entered(char kind, int line, int month) {
    if (kind == kFund)
        return line == 1 || line == 7 || line == 10 || (month == 1 && (line == 2 || line == 6));
    if (line <= 13 || line == 21 || line == 24 || line == 28) return true;
    return line == 15 && month == 1;
}

void SOMA_RENVAR(Statement& st) {
    static const Decimal k15 = Decimal::from("0.15"), k20 = Decimal::from("0.20");
    if (st.kind == kFund) {
        for (int m = 1; m <= 12; ++m) {
            if (m > 1) {
                st.at(2, m) = min(st.at(1, m - 1) + st.at(2, m - 1), Decimal());
                st.at(6, m) =
                    st.at(6, m - 1) + st.at(7, m - 1) > Decimal() ? st.at(8, m - 1) : Decimal();
            }
            if (st.at(2, m) > Decimal()) st.at(2, m) = -st.at(2, m);
            const Decimal r = st.at(1, m) + st.at(2, m);
            st.at(3, m) = max(r, Decimal());
            st.at(4, m) = min(r, Decimal());
            st.at(5, m) = cut(st.at(3, m) * k20, 2);
            const Decimal p = st.at(5, m) - (st.at(6, m) + st.at(7, m));
            st.at(8, m) = p < Decimal() ? -p : Decimal();
            st.at(9, m) = p < Decimal() ? Decimal() : p;
        }
        return;
    }
    for (int m = 1; m <= 12; ++m) {
        Decimal sum;
        for (int l = 1; l <= 13; ++l) sum += st.at(l, m);
        st.at(14, m) = sum;
        if (m == 1) {
            if (st.at(15, 1) > Decimal()) st.at(15, 1) = -st.at(15, 1);
            st.at(22, 1) = st.at(25, 1) = Decimal();
        } else {
            st.at(15, m) = st.at(17, m - 1);
            st.at(22, m) = st.at(23, m - 1);
            st.at(25, m) = st.at(26, m - 1);
        }
        const Decimal r = st.at(14, m) + st.at(15, m);
        st.at(16, m) = max(r, Decimal());
        st.at(17, m) = min(r, Decimal());
        if (st.kind == kCommon) st.at(18, m) = cut(st.at(16, m) * k15, 2);
        if (st.kind == kDayTrade) st.at(19, m) = cut(st.at(16, m) * k20, 2);
        st.at(20, m) = st.at(18, m) + st.at(19, m);
        const Decimal p = st.at(20, m) - st.at(21, m) - st.at(22, m);
        st.at(23, m) = p < Decimal() ? -p : Decimal();
        const Decimal w = st.at(24, m) + st.at(25, m);
        if (p < Decimal()) {
            st.at(26, m) = w;
            st.at(27, m) = Decimal();
        } else {
            const Decimal f = p - w;
            st.at(26, m) = f > Decimal() ? Decimal() : -f;
            st.at(27, m) = f > Decimal() ? f : Decimal();
        }
    }
}

void GRAVA_RV(const Statement& st, const std::string& cpf, std::vector<store::Record>& table7) {
    auto mine = [&](const store::Record& r) {
        return of_person(r, st.dependant) && kind_of(r) == st.kind;
    };
    auto fill = [&](store::Record& r, int line) {
        for (int m = 1; m <= 12; ++m) r.set("REC_MES" + two(m), st.at(line, m));
    };
    auto fresh = [&](int line) {
        store::Record r(store::table_def(7)->layout);
        r.set("CPF", cpf);
        r.set("TIPO_BEM", Decimal(kVariableIncome));
        r.set("BEM_NRO", Decimal());
        r.set("CPF_DEPE", st.dependant);
        r.set("RVAR_NRO", Decimal(line));
        r.set("DAY_TRADE", std::string(1, st.kind));
        fill(r, line);
        return r;
    };
    if (st.kind == kFund) {
        std::erase_if(table7, [&](const store::Record& r) {
            if (!mine(r)) return false;
            const long long n = r.num("RVAR_NRO").whole();
            return n <= 0 || n > 10 || all_zero(st.lines.at(n - 1));
        });
        for (int line = 1; line <= 10; ++line) {
            if (all_zero(st.lines[line - 1])) continue;
            auto it = std::find_if(table7.begin(), table7.end(), [&](const store::Record& r) {
                return mine(r) && r.num("RVAR_NRO") == line;
            });
            if (it != table7.end())
                fill(*it, line);
            else
                table7.push_back(fresh(line));
        }
        return;
    }
    std::erase_if(table7, mine);
    for (int line = 1; line <= 28; ++line) {
        if (st.kind == kDayTrade && line >= 27) break;
        if (!all_zero(st.lines[line - 1])) table7.push_back(fresh(line));
    }
}

std::vector<std::string> statement_persons(const std::vector<store::Record>& table7) {
    std::vector<std::string> out;
    for (const auto& r : table7) {
        if (r.deleted || r.num("TIPO_BEM") != kVariableIncome) continue;
        const std::string p = trim(r.str("CPF_DEPE"));
        if (std::find(out.begin(), out.end(), p) == out.end()) out.push_back(p);
    }
    std::stable_partition(out.begin(), out.end(), [](const std::string& p) { return p.empty(); });
    return out;
}

}  // namespace vorn::gains
