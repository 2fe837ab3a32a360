// The phases of the consistency check, in the order the operator sees them on the status line.
#include "maintenance/check.h"

#include <algorithm>
#include <memory>

#include "base/text.h"
#include "store/dbf.h"
#include "tax/limits.h"
#include "tax/year.h"

namespace vorn::maintenance {
namespace {

using store::Record;
using tax::Declaration;

bool blank(const Record& r, std::string_view field) {
    return trim(r.str(field)).empty();
}
bool positive(Decimal v) {
    return v > Decimal();
}
std::string digits_of(std::string_view s) {
    std::string out;
    for (char c : s)
        if (c >= '0' && c <= '9') out += c;
    return out;
}
std::string number(long long n) {
    return std::to_string(n);
}
// Whole years of age at the end of the calendar year; -1 for a blank birth date.
int age_at_year_end(Date birth) {
    if (birth.blank()) return -1;
    const Date end = tax::kYearEnd;
    int age = end.year() - birth.year();
    if (end.month() < birth.month() || (end.month() == birth.month() && end.day() < birth.day()))
        --age;
    return age;
}

// The entry screens (F-key numbers) the findings point to.
constexpr int kIncomeScreen = 1, kIndividualsScreen = 2, kExemptScreen = 3, kPeopleScreen = 4,
              kAssetsScreen = 5, kIdentificationScreen = 6, kSummaryScreen = 7, kGainsScreen = 8;

// The kind of an income row as the findings name it.
std::string kind_name(const Record& it) {
    const std::string k = it.str("I1_1");
    if (k == "J" || k == "D") return " Pessoa Juridica";
    if (k == "A") return " Rendimento Acumulado";
    if (k == "F") return " Pessoa Fisica";
    return " Rendimento";
}

// Money fields of an income row that the law never makes negative, with the caption the
// operator sees.
constexpr std::pair<const char*, const char*> kIncomeAmounts[] = {
    {"I1_4", "Rendimentos"},   {"I1_5", "Imposto Fonte"},   {"I1_6", "Previdência"},
    {"I1_7", "13ro salário"},  {"I1_39", "IR 13ro Sal."},   {"I1_15", "Lucro Distr."},
    {"I1_17", "Apos.> 65"},    {"I1_18", "Apos. Moléstia"}, {"I1_23", "Doação/Heran"},
    {"I1_29", "Bolsa Estudo"}, {"I1_30", "Indenizações"},   {"I1_32", "J.Capital Proprio"},
    {"I1_33", "Part. Lucros"}, {"I1_37", "Poupanca"},       {"I1_38", "Aplicacao"},
};

// Medical payment codes (doctors, clinics, hospitals, therapists, health plans in Brazil and
// abroad) and the health plan's own code.
bool medical_code(long code) {
    return code >= 9 && code <= 26;
}
constexpr long kHealthPlan = 26;
// Alimony payment codes.
bool alimony_code(long code) {
    return code >= 30 && code <= 34;
}
// Donation codes: never linked to a dependant.
bool donation_code(long code) {
    return code >= 39 && code <= 97;
}
// Payments made to a beneficiary abroad: the country identifies it instead of a CPF/CNPJ.
bool abroad_code(long code) {
    return code == 2 || (code >= 15 && code <= 20) || code == 22;
}

Status read_install_table(store::Env& env, const std::string& path, std::vector<Record>* rows);

}  // namespace

ErrorCatalogue ErrorCatalogue::from_records(const std::vector<Record>& rows) {
    ErrorCatalogue c;
    for (const auto& r : rows) {
        if (r.deleted) continue;
        const long long code = tax::field_int(r, "CODERR");
        if (code <= 0) continue;
        ErrorKind k;
        k.text = trim(tax::field_text(r, "DESCRI"));
        k.grade = static_cast<int>(tax::field_int(r, "GRAU"));
        if (k.grade < 1 || k.grade > 3) k.grade = 1;
        k.page = static_cast<int>(tax::field_int(r, "PAGINA"));
        k.position = static_cast<int>(tax::field_int(r, "POSICAO"));
        c.kinds_[static_cast<int>(code)] = std::move(k);
    }
    return c;
}

Status ErrorCatalogue::read(store::Env& env, const std::string& install_dir, ErrorCatalogue* out) {
    *out = ErrorCatalogue();
    const std::string path = store::find_file(env, install_dir, "LISERRO.DBF");
    if (!env.exists(path)) return Status::not_found(path + " não localizado");
    std::vector<Record> rows;
    if (Status s = read_install_table(env, path, &rows); !s) return s;
    *out = from_records(rows);
    return Status::ok();
}

namespace {

// The records of a table of an installation directory, read-only, each in the table's own layout.
Status read_install_table(store::Env& env, const std::string& path, std::vector<Record>* rows) {
    std::unique_ptr<store::Table> t;
    store::OpenOptions opt;
    opt.read_only = true;
    if (Status s = store::Table::open(env, path, opt, &t); !s) return s;
    Status s;
    for (s = t->go_top(); s && !t->eof(); s = t->skip()) {
        Record r(t->layout_ptr());
        if (Status rs = t->read(r); !rs)
            return Status::corrupt(path + " registro " + std::to_string(t->recno()) + ": " +
                                   rs.message());
        rows->push_back(std::move(r));
    }
    if (!s) return s;
    return t->close();
}

}  // namespace

Status read_history(store::Env& env, const std::string& install_dir, std::string_view year,
                    std::map<std::string, tax::PastResult>* out) {
    out->clear();
    const std::string path = store::find_file(env, install_dir, "ULTANOS.DBF");
    if (!env.exists(path)) return Status::ok();
    std::vector<Record> rows;
    if (Status s = read_install_table(env, path, &rows); !s) return s;
    for (const auto& r : rows)
        if (!r.deleted && trim(tax::field_text(r, "ANOBASE")) == year)
            (*out)[trim(tax::field_text(r, "CPF"))] =
                tax::PastResult{r.num("BENSBASE"), r.num("DIVBASE")};
    return Status::ok();
}

const ErrorKind* ErrorCatalogue::find(int code) const {
    auto it = kinds_.find(code);
    return it == kinds_.end() ? nullptr : &it->second;
}

void Checker::MARCAERRO(int code, std::string_view text, int counting, int page, long record,
                        int screen, int column) {
    Finding f;
    f.code = code;
    const ErrorKind* kind = catalogue_.find(code);
    f.text = (kind != nullptr ? kind->text : std::string()) + std::string(text);
    f.text = trim(f.text).substr(0, 75);
    f.page = page != 0 ? page : (kind != nullptr ? kind->page : 0);
    f.record = record > 999 || record < 0 ? 0 : record;
    f.screen = screen;
    f.column = column;
    if (counting != 0) {
        f.grade = kind != nullptr ? kind->grade : 1;
        (f.grade == 1 ? result_.errors : f.grade == 2 ? result_.dangers : result_.attentions)++;
    }
    result_.findings.push_back(std::move(f));
}

std::string status_line(std::string_view phase, const CheckResult& r) {
    return "Conferindo !!  Erros: " + number(r.errors) + "  Perigos: " + number(r.dangers) +
           "  Atenções: " + number(r.attentions) + "  " + std::string(phase);
}

std::string final_status_line(const CheckResult& r) {
    return "Conferido.  Resultado =======>  Erros: " + number(r.errors) +
           "  Perigos: " + number(r.dangers) + "  Atenções: " + number(r.attentions);
}

std::vector<std::string> result_texts(const CheckResult& r, int where) {
    if (r.errors + r.dangers + r.attentions == 0) return {"Declaração OK e pronta para transferir"};
    if (where != 2) return {};
    if (r.kinds() >= 2)
        return {"Atenção! O programa localizou erros que devem ",
                "ser conferidos. Veja a relação na tela 11(F11)"};
    if (r.errors > 0)
        return {"Atenção! Essa declaração tem erro que não irá passar no programa da",
                "Receita. Corrija-o antes de enviar. Veja a relação na tela 11(F11) "};
    if (r.dangers > 0)
        return {"Atenção! Declaração com problemas embora passe no programa da",
                "Receita. Confira a relação na tela 11 (F11) antes de enviar."};
    return {"Atenção! Há algum item que pode ser erro de digitação. Ela passar ",
            "no programa da Receita, mas convém ver a relação na tela 11 (F11)"};
}

void Checker::status(std::string_view phase) {
    op_.status(status_line(phase, result_));
}

CheckResult Checker::CONFERE(const CheckInput& in, int where) {
    result_ = CheckResult();
    const Declaration& d = *in.declaration;
    status("Cálculos da Pag. 4  ");
    donations(d);
    computation(d);
    monthly(d);
    estate(d);
    status("Rendimentos         ");
    income_rows(d);
    individual_rows(d);
    status("Dependentes         ");
    dependants(d);
    assets_and_debts(d);
    status("Doações e Pagamentos");
    personal(d);
    payments(d);
    totals(d, in.last_year);
    status("Ganho de Capital    ");
    gains(d, in.gains);
    status("Dados Cadastrais    ");
    registration(d);
    negative_amounts(d);
    op_.status(final_status_line(result_));
    if (where == 2) {
        const std::vector<std::string> lines = result_texts(result_, where);
        std::string text;
        for (const auto& l : lines) text += (text.empty() ? "" : "\n") + l;
        op_.notice(result_.errors + result_.dangers + result_.attentions == 0
                       ? NoticeKind::kInformation
                       : NoticeKind::kWarning,
                   "", text);
    }
    return std::move(result_);
}

// Room left for direct donations in the complete option, told before the delivery deadline.
void Checker::donations(const Declaration& d) {
    if (d.simplified() || clock_.today() > tax::DDIAENTRA) return;
    const std::pair<int, long> funds[] = {{1, 39}, {2, 49}};
    const char* texts[] = {"Pode-se fazer doacao direta para o ECA ate R$ ",
                           "Pode-se fazer doacao direta para o Idoso ate R$ "};
    for (int k = 0; k < 2; ++k) {
        Decimal room = tax::direct_donation_limit(d, funds[k].first);
        tax::for_each_live(d.payments, [&](const Record& p) {
            if (p.num("I6_3").whole() == funds[k].second) room -= p.num("I6_4");
        });
        if (positive(room)) MARCAERRO(99, texts[k] + tax::brl(room), 0, 4, 0, kSummaryScreen);
    }
}

// Totals of the computation that can never be negative.
void Checker::computation(const Declaration& d) {
    for (int k = 1; k <= 12; ++k)
        if (d.num("I4_" + tax::two_digits(k)).is_negative())
            MARCAERRO(1, " - linha " + number(k), 1, 0, k, kExemptScreen);
    for (int k = 1; k <= 24; ++k)
        if (d.num("I3_" + tax::two_digits(k)).is_negative())
            MARCAERRO(2, " - linha " + number(k), 1, 0, k, kExemptScreen);
}

// The month-by-month entries: entries after the estate's sharing, months far above the mean of
// individual income or of cash-book expenses, and a cash book beyond the work income.
void Checker::monthly(const Declaration& d) {
    Decimal income[13], expenses[13], work;
    tax::for_each_live(d.items, [&](const Record& it) {
        const std::string kind = it.str("I1_1");
        if (kind != "F" && kind != "L") return;
        for (int m = 1; m <= 12; ++m)
            (kind == "F" ? income : expenses)[m] += it.num("I1_4" + tax::two_digits(m));
        if (kind == "F" && it.str("I1_41") == "T") work += it.num("I1_4");
    });
    const Date shared = d.date("DATAPARTI");
    if (!shared.blank() && shared.year() == tax::kYearEnd.year())
        for (int m = shared.month() + 1; m <= 12; ++m)
            if (!income[m].is_zero() || !expenses[m].is_zero())
                MARCAERRO(91, " - mes " + tax::two_digits(m), 1, 0, m, kIndividualsScreen);
    auto above_mean = [&](const Decimal(&months)[13], int code) {
        Decimal total;
        int used = 0;
        for (int m = 1; m <= 12; ++m)
            if (positive(months[m])) {
                total += months[m];
                ++used;
            }
        if (used <= 3) return;
        const Decimal mean = total / Decimal(used);
        for (int m = 1; m <= 12; ++m)
            if (months[m] > mean * Decimal(3))
                MARCAERRO(code, " - mes " + tax::two_digits(m), 1, 0, m, kIndividualsScreen);
    };
    above_mean(income, 10);
    above_mean(expenses, 11);
    Decimal spent;
    for (int m = 1; m <= 12; ++m) spent += expenses[m];
    if (positive(spent) && spent > work) MARCAERRO(73, "", 1, 0, 0, kIndividualsScreen);
}

// The estate's inventory holder, the co-owner's spouse and the sharing's court or deed data.
void Checker::estate(const Declaration& d) {
    if (!d.is_final()) return;
    if (trim(d.str("NOMINVENT")).empty()) MARCAERRO(28, "", 1, 0, 0, kIdentificationScreen);
    if (d.str("MEEIRO") == "S" && trim(d.str("CPFCONJU")).empty())
        MARCAERRO(83, " o CPF do meeeiro na tela F6", 1, 0, 0, kIdentificationScreen);
    auto incomplete = [&](const char* suffix) {
        const std::string s(suffix);
        if (d.str("DECJUDI" + s) == "S")
            return trim(d.str("NROPROCES" + s)).empty() || trim(d.str("VARACIVIL" + s)).empty() ||
                   trim(d.str("COMARCA" + s)).empty() || trim(d.str("UFPROCES" + s)).empty() ||
                   d.date("DATADECIS" + s).blank();
        if (d.str("DECJUDI" + s) == "N")
            return d.date("DATALAVRA" + s).blank() || trim(d.str("NOMECARTO" + s)).empty() ||
                   d.num("LIVRCARTO" + s).is_zero() || d.num("FOLHCARTO" + s).is_zero();
        return false;
    };
    if (!d.date("DATAPARTI").blank() && incomplete(""))
        MARCAERRO(32, " - partilha", 1, 0, 0, kIdentificationScreen);
    if (!d.date("DATAPARTI2").blank() && incomplete("2"))
        MARCAERRO(32, " - sobrepartilha", 1, 0, 0, kIdentificationScreen);
}

// Income rows of the holder, the dependants and the accumulated income.
void Checker::income_rows(const Declaration& d) {
    long line = 0;
    for (const auto& it : d.items) {
        ++line;
        if (it.deleted) continue;
        const std::string kind = it.str("I1_1");
        const bool company = kind == "J" || kind == "D";
        const bool accumulated = kind == "A";
        if (!company && !accumulated) continue;
        const std::string at = " - Linha " + number(line);
        if (it.num("I1_23") > Decimal() && trim(it.str("I1_2")).empty())
            MARCAERRO(82, at, 1, 0, line, kIncomeScreen);
        for (const auto& [field, caption] :
             {std::pair{"I1_4", "Rendimentos"}, std::pair{"I1_5", "Imposto Fonte"}})
            if (it.num(field) == Decimal::from("0.01"))
                MARCAERRO(83, std::string(" o valor real em ") + caption + at, 1, 0, line,
                          kIncomeScreen);
        if (positive(it.num("I1_4")) && positive(it.num("I1_18")))
            MARCAERRO(99, "Nao pode colocar na mesma linha rend. tributavel e aposen. Molestia", 1,
                      1, line, kIncomeScreen);
        Decimal amounts;
        for (const auto& [field, caption] : kIncomeAmounts) amounts += it.num(field).abs();
        if (!amounts.is_zero()) {
            if (trim(it.str("I1_2")).empty())
                MARCAERRO(81, kind_name(it) + at, 1, 0, line, kIncomeScreen);
            else if (digits_of(it.str("I1_3")).empty())
                MARCAERRO(84, kind_name(it) + at, 1, 0, line, kIncomeScreen);
        }
        if (it.num("I1_5") > it.num("I1_4") + it.num("I1_7") + it.num("I1_18"))
            MARCAERRO(14, at, 1, 0, line, kIncomeScreen);
        if (it.str("I1_11") == "N" && trim(it.str("I1_8")).empty())
            MARCAERRO(45, at, 1, 0, line, kIncomeScreen);
        if (positive(it.num("I1_15")) && digits_of(it.str("I1_3")).size() < 14)
            MARCAERRO(74, at, 1, 0, line, kExemptScreen);
        if (accumulated) {
            if (it.num("I1_21").is_zero()) MARCAERRO(75, at, 1, 0, line, kIncomeScreen);
        }
    }
}

// Rows of income from individuals and abroad: the payer and the beneficiary.
void Checker::individual_rows(const Declaration& d) {
    const std::string own = d.cpf();
    long line = 0;
    for (const auto& it : d.items) {
        ++line;
        if (it.deleted || it.str("I1_1") != "F") continue;
        const std::string payer = digits_of(it.str("I1_3"));
        const std::string beneficiary = digits_of(it.str("I1_22"));
        const std::string at = number(line);
        if (!payer.empty() && payer == own)
            MARCAERRO(99, "O pagador nao pode ser do proprio contribuinte - Linha " + at, 1, 2,
                      line, kIndividualsScreen);
        if (!beneficiary.empty() && beneficiary == own)
            MARCAERRO(99, "O Beneficiario nao pode ser o proprio contribuinte - Linha " + at, 1, 2,
                      line, kIndividualsScreen);
        if (!beneficiary.empty() && beneficiary == payer)
            MARCAERRO(99, "O Beneficiario nao pode ser o proprio pagador - Linha " + at, 1, 2, line,
                      kIndividualsScreen);
    }
}

void Checker::dependants(const Declaration& d) {
    const int holder_age = age_at_year_end(d.date("NASCIMENTO"));
    long line = 0;
    for (const auto& r : d.dependants) {
        ++line;
        if (r.deleted) continue;
        const long code = r.num("CODIDEPEN").whole();
        const std::string name = trim(r.str("NOMEDEPEN"));
        if (code > 99) continue;  // heirs of an estate
        if (code == 98 || code == 99) {
            if (blank(r, "TIT_DEPE") || blank(r, "CPFRESPON"))
                MARCAERRO(83, " titular/dependente e CPF do responsavel - " + name, 1, 0, line,
                          kPeopleScreen);
            if (r.str("DEJUDAL") == "S" && (blank(r, "NROPRAL") || blank(r, "COMARAL")))
                MARCAERRO(83, " os dados do processo da pensao - " + name, 1, 0, line,
                          kPeopleScreen);
            continue;
        }
        if (d.is_departure() && blank(r, "SAIUJUNT"))
            MARCAERRO(99, "Falta marcar se " + name + " saiu com o titular", 1, 4, line,
                      kPeopleScreen);
        if (code == 11 && !blank(r, "CPFDEPEN") && !trim(d.str("CPFCONJU")).empty() &&
            trim(d.str("CPFCONJU")) != trim(r.str("CPFDEPEN")))
            MARCAERRO(92, "", 1, 0, line, kPeopleScreen);
        if (blank(r, "MORAJUNT"))
            MARCAERRO(83, " se mora com o titular - " + name, 1, 0, line, kPeopleScreen);
        if (name.empty()) MARCAERRO(15, "", 1, 0, line, kPeopleScreen);
        if (code == 0) MARCAERRO(16, " - " + name, 1, 0, line, kPeopleScreen);
        const int age = age_at_year_end(r.date("DATADEPEN"));
        if (age < 0) MARCAERRO(17, " - " + name, 1, 0, line, kPeopleScreen);
        if (age >= 0) {
            if ((code == 22 || code == 25) && age <= 21)
                MARCAERRO(55, " - " + name, 1, 0, line, kPeopleScreen);
            if ((code == 21 || code == 24) && age >= 22 && age <= 25)
                MARCAERRO(57, " - " + name, 1, 0, line, kPeopleScreen);
            if ((code == 41 && age > 21) || ((code == 22 || code == 25) && age > 25))
                MARCAERRO(56, " - " + name, 1, 0, line, kPeopleScreen);
            if (code == 31 && holder_age >= 0 && age < holder_age + 12)
                MARCAERRO(85, " - " + name, 1, 0, line, kPeopleScreen);
        }
        if (blank(r, "CPFDEPEN")) MARCAERRO(46, " qualquer idade", 1, 0, line, kPeopleScreen);
        if (!blank(r, "SENGOVD") && blank(r, "NITDEPEN"))
            MARCAERRO(83, " o NIT do dependente - " + name, 1, 0, line, kPeopleScreen);
    }
}

// Each asset described well enough for the government program to take it.
void Checker::CONFER_BEM(const Declaration& d) {
    long line = 0;
    for (const auto& a : d.assets) {
        ++line;
        if (a.deleted) continue;
        const std::string item = number(a.num("I7_0").whole() > 0 ? a.num("I7_0").whole() : line);
        const std::string group = trim(a.str("GRPO")), code = trim(a.str("CODB"));
        if (group.empty() || code.empty())
            MARCAERRO(83, " grupo e codigo do bem no Item " + item, 1, 0, line, kAssetsScreen);
        if (trim(a.str("I7_2")).empty())
            MARCAERRO(83, " a discriminacao do bem no Item " + item, 1, 0, line, kAssetsScreen);
        if (a.str("I7_7") == "S" && trim(a.str("I7_8")).empty())
            MARCAERRO(83, " o pais do bem no exterior - Item " + item, 1, 0, line, kAssetsScreen);
        if (group == "01" && a.str("I7_7") != "S" &&
            (blank(a, "ENDEIMO") || blank(a, "MUNICIMO") || blank(a, "UFIMO")))
            MARCAERRO(83, " o endereco do imovel no Item " + item, 1, 0, line, kAssetsScreen);
        if (group == "02" && code == "01" && blank(a, "RENAVAM"))
            MARCAERRO(83, " o RENAVAM do veiculo no Item " + item, 1, 0, line, kAssetsScreen);
        if (group == "06" && code == "01" && a.str("I7_7") != "S" &&
            (blank(a, "NROBANCO") || blank(a, "AGENCBAN") || blank(a, "CONTABAN")))
            MARCAERRO(83, " banco, agencia e conta no Item " + item, 1, 0, line, kAssetsScreen);
        if (a.num("I7_3").is_negative() || a.num("I7_4").is_negative())
            MARCAERRO(99, "Valor negativo no bem - Item " + item, 1, 5, line, kAssetsScreen);
    }
}

void Checker::assets_and_debts(const Declaration& d) {
    CONFER_BEM(d);
    long line = 0;
    for (const auto& r : d.debts) {
        ++line;
        if (r.deleted) continue;
        const std::string item = number(r.num("I8_0").whole() > 0 ? r.num("I8_0").whole() : line);
        if (r.num("I8_1").is_zero())
            MARCAERRO(83, " codigo da divida no Item " + item, 1, 0, line, kAssetsScreen);
        if (r.num("I8_4") < r.num("I8_3") && r.num("I8_7").is_zero())
            MARCAERRO(83, " a divida total paga no ano - Item " + item, 1, 0, line, kAssetsScreen);
    }
}

void Checker::personal(const Declaration& d) {
    const bool estate_nature = trim(d.str("CODAT")) == "81";
    if (estate_nature && trim(d.str("NOMINVENT")).empty())
        MARCAERRO(58, "", 1, 0, 0, kIdentificationScreen);
    Decimal paid;
    tax::for_each_live(d.payments, [&](const Record& p) { paid += p.num("I6_4"); });
    if (!d.simplified() && paid.is_zero() && d.num("DESPADRAO").is_zero())
        MARCAERRO(estate_nature ? 51 : 25, "", 1, 0, 0, kSummaryScreen);
    if (positive(d.num("CARNEINSS")) && trim(d.str("NIT_TIT")).empty())
        MARCAERRO(83, " o NIT do titular", 1, 0, 0, kIdentificationScreen);
    if (trim(d.str("CODAT")) == "11" && trim(d.str("NIT_TIT")).empty())
        MARCAERRO(83, " o NIT do titular", 1, 0, 0, kIdentificationScreen);
    if (d.str("DEBITAUT") == "S") {
        if (trim(d.str("BANCO")).empty())
            MARCAERRO(99, "Falta colocar o banco para debito automatico", 1, 6, 0,
                      kIdentificationScreen);
        if (trim(d.str("AGENCIA")).empty())
            MARCAERRO(99, "Falta colocar a agencia do banco para debito automatico", 1, 6, 0,
                      kIdentificationScreen);
        if (trim(d.str("CONTACO")).empty())
            MARCAERRO(99, "Falta colocar a conta do banco para debito automatico", 1, 6, 0,
                      kIdentificationScreen);
    }
}

void Checker::payments(const Declaration& d) {
    int people = 0;
    tax::for_each_live(d.dependants, [&](const Record& r) {
        if (r.num("CODIDEPEN").whole() <= 99)
            people = std::max(people, static_cast<int>(r.num("NRODEPEN").whole()));
    });
    Decimal medical, plan;
    long line = 0;
    for (const auto& p : d.payments) {
        ++line;
        if (p.deleted) continue;
        const long code = p.num("I6_3").whole();
        const long person = p.num("I6_6").whole();
        const Decimal value = p.num("I6_4");
        const std::string document = digits_of(p.str("I6_2"));
        if (blank(p, "I6_1")) MARCAERRO(18, " - Linha " + number(line), 1, 0, line, kPeopleScreen);
        if (abroad_code(code)) {
            if (blank(p, "I6_11"))
                MARCAERRO(99, "Falta o codigo do Pais. Enter no CPF/CNPJ escolhe o pais", 1, 4,
                          line, kPeopleScreen);
        } else if (document.empty()) {
            MARCAERRO(19, " - Linha " + number(line), 1, 0, line, kPeopleScreen);
        } else if (donation_code(code) && document.size() == 11) {
            MARCAERRO(61, " - Linha " + number(line), 1, 0, line, kPeopleScreen);
        }
        if (code == kHealthPlan && document.size() == 11)
            MARCAERRO(61, " - Linha " + number(line), 1, 0, line, kPeopleScreen);
        if (alimony_code(code) && document.size() == 14)
            MARCAERRO(62, " - Linha " + number(line), 1, 0, line, kPeopleScreen);
        if (code == 0) MARCAERRO(31, " - Linha " + number(line), 1, 0, line, kPeopleScreen);
        if (value.is_zero()) MARCAERRO(27, " cod. " + number(code), 1, 0, line, kPeopleScreen);
        if (alimony_code(code)) {
            if (person == 0)
                MARCAERRO(35, "", 1, 0, line, kPeopleScreen);
            else if (person > people)
                MARCAERRO(48, "", 1, 0, line, kPeopleScreen);
        } else if (donation_code(code)) {
            if (person > 0) MARCAERRO(77, "", 1, 0, line, kPeopleScreen);
        } else if (person > people) {
            MARCAERRO(47, "", 1, 0, line, kPeopleScreen);
        }
        if (code == 80 || code == 81) {
            MARCAERRO(80, "", 1, 0, line, kPeopleScreen);
            MARCAERRO(99, "O estado de SP exige a declaracao de ITCMD, mesmo sendo isento", 0, 4,
                      line, kPeopleScreen);
            if (value >= Decimal(30000)) MARCAERRO(86, "", 1, 0, line, kPeopleScreen);
        }
        if (code == 99 && blank(p, "I6_9"))
            MARCAERRO(99, "Falta a descricao do pagamento - Linha " + number(line), 1, 4, line,
                      kPeopleScreen);
        if (medical_code(code)) (code == kHealthPlan ? plan : medical) += value;
    }
    if (medical + plan > Decimal(40000)) MARCAERRO(49, "", 1, 0, 0, kPeopleScreen);
    if (plan > Decimal(30000) && medical > Decimal(30000))
        MARCAERRO(52, "", 1, 0, 0, kPeopleScreen);
    line = 0;
    for (const auto& it : d.items) {
        ++line;
        if (it.deleted || !positive(it.num("I1_23"))) continue;
        MARCAERRO(79, " - Linha " + number(line), 1, 0, line, kExemptScreen);
        if (it.num("I1_23") >= Decimal(30000))
            MARCAERRO(87, " - Linha " + number(line), 1, 0, line, kExemptScreen);
    }
}

void Checker::totals(const Declaration& d, const std::optional<tax::PastResult>& last_year) {
    const bool rectifying = d.str("RETIFICA") == "S";
    if (!rectifying && last_year) {
        Decimal assets, debts;
        tax::for_each_live(d.assets, [&](const Record& a) { assets += a.num("I7_3"); });
        tax::for_each_live(d.debts, [&](const Record& r) { debts += r.num("I8_3"); });
        if (assets != last_year->assets)
            MARCAERRO(40, " R$ " + tax::brl(last_year->assets), 1, 0, 0, kAssetsScreen);
        if (debts != last_year->debts)
            MARCAERRO(41, " R$ " + tax::brl(last_year->debts), 1, 0, 0, kAssetsScreen);
    }
    if (rectifying && trim(d.str("NRORECIBO")).empty())
        MARCAERRO(53, "", 1, 0, 0, kIdentificationScreen);
}

void Checker::gains(const Declaration& d, const std::vector<Record>* gains) {
    bool any = false;
    if (gains != nullptr) {
        for (const auto& g : *gains) {
            if (g.deleted || g.num("BEM_NRO").is_zero()) continue;
            any = true;
            const long n = g.num("BEM_NRO").whole();
            const std::string at = " - Ganho " + number(n);
            if (g.str("VEN_PRAZO") == "S") {
                bool received = false, without_day = false;
                for (int m = 1; m <= 12; ++m) {
                    const std::string mm = tax::two_digits(m);
                    if (!g.num("REC_MES" + mm).is_zero()) {
                        received = true;
                        if (g.num("DIA_REC" + mm).is_zero()) without_day = true;
                    }
                }
                if (!received) MARCAERRO(20, at, 1, 0, n, kGainsScreen);
                if (without_day) MARCAERRO(23, at, 1, 0, n, kGainsScreen);
            }
            if (!g.num("LEI_11083").is_zero()) MARCAERRO(60, at, 1, 0, n, kGainsScreen);
            if (blank(g, "ESPC_BEM")) MARCAERRO(63, at, 1, 0, n, kGainsScreen);
            if (g.num("TIPO_BEM").whole() == 1 && blank(g, "ENDEIMO"))
                MARCAERRO(64, at, 1, 0, n, kGainsScreen);
            if (g.num("CUS_ATUAL").is_zero() && g.num("VAL_CORR").is_zero())
                MARCAERRO(78, at, 1, 0, n, kGainsScreen);
        }
    }
    Decimal computed;
    for (const char* f : {"I3_04GCPV", "I3_04UNIC", "I3_04REDU", "I3_04EXTR"}) computed += d.num(f);
    if (!any && positive(computed)) MARCAERRO(6, "", 1, 0, 0, kGainsScreen);
}

void Checker::registration(const Declaration& d) {
    if (d.str("EXTERIOR") != "S") {
        for (const char* f : {"ENDERECO", "NUMERO", "BAIRRO", "CEP", "MUNICIPIO", "UF"})
            if (trim(d.str(f)).empty()) {
                MARCAERRO(21, "", 1, 0, 0, kIdentificationScreen);
                break;
            }
        if (trim(d.str("CODMUNI")).empty()) MARCAERRO(34, "", 1, 0, 0, kIdentificationScreen);
    } else if (trim(d.str("CODPAIS")).empty()) {
        MARCAERRO(83, " o pais de residencia", 1, 0, 0, kIdentificationScreen);
    }
    if (d.num("QTD_QUOTA").whole() > 1 && trim(d.str("DEBITAUT")).empty())
        MARCAERRO(83, " se ha debito automatico das quotas", 1, 0, 0, kSummaryScreen);
    if (d.num("SALDO").is_negative()) MARCAERRO(22, "", 1, 0, 0, kSummaryScreen);
    if (trim(d.str("RECIBOANT")).empty())
        MARCAERRO(54, " 20" + std::to_string(tax::kYearEnd.year() - 2000), 1, 0, 0,
                  kIdentificationScreen);
    if (!trim(d.str("TELCELU")).empty() && trim(d.str("DDDTEL")).empty())
        MARCAERRO(99, "Falta colocar o DDD do celular", 1, 6, 0, kIdentificationScreen);
    if (d.str("VOLTA_RES") == "S" && d.date("DATARETOR").blank())
        MARCAERRO(83, " a data do retorno ao Brasil", 1, 0, 0, kIdentificationScreen);
}

// Amounts the law never makes negative, which tables written by other tools or older versions
// may still hold.
void Checker::negative_amounts(const Declaration& d) {
    long line = 0;
    for (const auto& it : d.items) {
        ++line;
        if (it.deleted) continue;
        for (const auto& [field, caption] : kIncomeAmounts)
            if (it.num(field).is_negative())
                MARCAERRO(99,
                          std::string("Valor negativo em ") + caption + " - Linha " + number(line),
                          1, 1, line, kIncomeScreen);
    }
    line = 0;
    for (const auto& p : d.payments) {
        ++line;
        if (p.deleted) continue;
        if (p.num("I6_4").is_negative() || p.num("I6_5").is_negative())
            MARCAERRO(99, "Valor negativo no pagamento - Linha " + number(line), 1, 4, line,
                      kPeopleScreen);
    }
    for (const char* f : {"CARNEINSS", "CARNEDEPEN", "IR_EXTER", "IMPOANTER"})
        if (d.num(f).is_negative())
            MARCAERRO(99, std::string("Valor negativo em ") + f, 1, 7, 0, kSummaryScreen);
}

}  // namespace vorn::maintenance
