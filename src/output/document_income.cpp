// The income parts of the declaration document: income from individuals and from abroad month
// by month with the payers' accounts, accumulated income, the auxiliary tables of exempt and
// exclusively taxed income, and the donations to the funds made in the declaration.
#include <algorithm>
#include <array>

#include "base/helpers.h"
#include "base/text.h"
#include "base/validate.h"
#include "output/document_writer.h"
#include "tax/year.h"

namespace vorn::output::detail {

// The forms of the items of the auxiliary tables of exempt and exclusively taxed income, each
// with the attributes the government program's item class of that table holds.
enum class Form {
    kDetailed,    // payer and value (ItemQuadroTransporteDetalhado)
    kRetirement,  // the same with the exempt 13th salary from age 65
    kPayerNI,     // payer as NI (ItemQuadroRendimentosNI)
    kIllness,     // pension of a serious illness, with 13th, tax and social security
    kTransfer,    // donor or estate
    kSharing,     // share of a dissolved marriage
    kGains,       // net gains on shares and gold
    kAlimony,     // alimony received
    kOther,       // other income, with its description
    kLottery,     // lottery prizes
};

// One auxiliary table: its element and item class, the line that totals it and the column of the
// income items that feeds it (none: the table has no items of its own).
struct Quadro {
    const char* element;
    const char* type;
    const char* line;
    const char* column;
    Form form;
};

constexpr const char* kDetailed = "serpro.ppgd.irpf.rendIsentos.ItemQuadroTransporteDetalhado";
constexpr const char* kNI = "serpro.ppgd.irpf.rendIsentos.ItemQuadroRendimentosNI";
constexpr const char* kGainsType = "serpro.ppgd.irpf.rendIsentos.ItemQuadroGanhosAcoesOuro";
constexpr const char* kOtherType = "serpro.ppgd.irpf.rendIsentos.ItemQuadroOutrosRendimentos";

constexpr Quadro kExemptTables[] = {
    {"bolsaEstudosQuadroAuxiliar", kDetailed, "I3_01", "I1_29", Form::kDetailed},
    {"indenizacoesQuadroAuxiliar", kNI, "I3_03", "I1_30", Form::kPayerNI},
    {"lucroRecebidoQuadroAuxiliar", kDetailed, "I3_05", "I1_15", Form::kDetailed},
    {"parcIsentaAposentadoriaQuadroAuxiliar", kDetailed, "I3_06", "I1_17", Form::kRetirement},
    {"pensaoQuadroAuxiliar", "serpro.ppgd.irpf.rendIsentos.ItemQuadroPensaoMolestiaGrave", "I3_07",
     "I1_18", Form::kIllness},
    {"poupancaQuadroAuxiliar", kDetailed, "I3_08", "I1_37", Form::kDetailed},
    {"rendSocioQuadroAuxiliar", kDetailed, "I3_09", "I1_16", Form::kDetailed},
    {"transferenciasQuadroAuxiliar",
     "serpro.ppgd.irpf.rendIsentos.ItemQuadroTransferenciaPatrimonial", "I3_10", "I1_23",
     Form::kTransfer},
    {"impostoRendasAnterioresCompensadoJudicialmenteQuadroAuxiliar", kNI, "I3_12", "I1_31",
     Form::kPayerNI},
    {"rendAssalariadoMoedaEstrangeiraQuadroAuxiliar", kDetailed, "I3_13", "I1_13", Form::kDetailed},
    {"incorporacaoReservaCapitalQuadroAuxiliar", kDetailed, "I3_14", "I1_14", Form::kDetailed},
    {"medicosResidentesQuadroAuxiliar", kDetailed, "I3_15", "I1_24", Form::kDetailed},
    {"voluntariosCopaQuadroAuxiliar", kDetailed, "I3_16", nullptr, Form::kDetailed},
    {"meacaoDissolucaoQuadroAuxiliar", "serpro.ppgd.irpf.rendIsentos.ItemQuadroMeacaoDissolucao",
     "I3_17", "I1_26", Form::kSharing},
    {"ganhosLiquidosAcoesQuadroAuxiliar", kGainsType, "I3_18", "I1_27", Form::kGains},
    {"ganhosCapitalOuroQuadroAuxiliar", kGainsType, "I3_19", "I1_28", Form::kGains},
    {"pensaoAlimenticiaQuadroAuxiliar",
     "serpro.ppgd.irpf.rendIsentos.ItemQuadroPensaoAlimenticiaRendIsentos", "I3_26", "I1_44",
     Form::kAlimony},
    {"outrosQuadroAuxiliar", kOtherType, "I3_24", "I1_9", Form::kOther},
};

constexpr Quadro kExclusiveTables[] = {
    {"rendAplicacoesQuadroAuxiliar", kDetailed, "I4_04", "I1_38", Form::kDetailed},
    {"jurosCapitalProprioQuadroAuxiliar", kDetailed, "I4_08", "I1_32", Form::kDetailed},
    {"participacaoLucrosResultadosQuadroAuxiliar", kDetailed, "I4_09", "I1_33", Form::kDetailed},
    {"ganhosLotericaQuadroAuxiliar",
     "serpro.ppgd.irpf.negocio.rendIsentos.ItemQuadroGanhosLotericasRendimentos", "I4_15", "I1_45",
     Form::kLottery},
    {"outrosQuadroAuxiliar", kOtherType, "I4_10", "I1_34", Form::kOther},
};

// Whether an income row carries an amount of some auxiliary table (so it is written there even
// when it holds no company income).
bool feeds_a_table(const Record& r) {
    for (const Quadro& q : kExemptTables)
        if (q.column && !r.num(q.column).is_zero()) return true;
    for (const Quadro& q : kExclusiveTables)
        if (q.column && !r.num(q.column).is_zero()) return true;
    return !r.num("I1_43").is_zero();
}

// The number of dependants of the monthly deduction (codes 1 to 97).
std::string dependant_count(const tax::Declaration& d) {
    return fmt::digits(Decimal(static_cast<long long>(
        std::count_if(d.dependants.begin(), d.dependants.end(), [](const Record& r) {
            const long long c = tax::field_int(r, "CODIDEPEN");
            return !r.deleted && c > 0 && c <= 97;
        }))));
}

// Income from individuals and from abroad, month by month from the monthly grids: the holder's
// months and accounts, then one item per dependant with such income (or the empty collection).
void Writer::rendPF() {
    const std::string dependants = dependant_count(d_);
    const Record* holder = nullptr;
    for (const auto& r : d_.monthly)
        if (!r.deleted && trim(r.str("CPFDEPEN")).empty()) {
            holder = &r;
            break;
        }
    const tax::PersonMonths t = holder ? tax::person_months(d_, *holder) : tax::PersonMonths{};
    Element e("rendPFTitular");
    e.set("NITPISPASEP", S("NIT_TIT"))
        .set("totalAlugueis", fmt::amount(t.rent[13]))
        .set("totalDarfPago", fmt::amount(t.paid[13]))
        .set("totalDependentes", "0,00")
        .set("totalExterior", fmt::amount(t.abroad[13]))
        .set("totalImpostoPagoExteriorCompensar", fmt::amount(0))
        .set("totalLivroCaixa", fmt::amount(t.cash_book[13]))
        .set("totalNumDependentes", dependants)
        .set("totalOutros", fmt::amount(t.other[13]))
        .set("totalPensao", fmt::amount(t.alimony[13]))
        .set("totalPessoaFisica", fmt::amount(t.work[13]))
        .set("totalPrevidencia", fmt::amount(t.social_security[13]))
        .set("usouImportacaoCarneLeaoWeb", "");
    open(e);
    months(t, &dependants);
    PEGA_CLIENTES(holder, t, d_.cpf());
    close("rendPFTitular");

    // Each dependant's grid, in the order of the dependants; a grid whose CPF is no dependant's
    // is reported, never written under another person.
    struct Item {
        const Record* dependant;
        const Record* grid;
        tax::PersonMonths months;
    };
    std::vector<Item> items;
    std::vector<const Record*> placed;
    tax::for_each_live(d_.dependants, [&](const Record& dep) {
        const std::string cpf = trim(dep.str("CPFDEPEN"));
        if (cpf.empty() || tax::field_int(dep, "CODIDEPEN") >= 98) return;
        for (const auto& g : d_.monthly) {
            if (g.deleted || trim(g.str("CPFDEPEN")) != cpf) continue;
            if (std::find(placed.begin(), placed.end(), &g) != placed.end()) break;
            placed.push_back(&g);
            tax::PersonMonths m = tax::person_months(d_, g);
            if (m.any()) items.push_back({&dep, &g, m});
            break;
        }
    });
    // Monthly items of a person without a grid (a CPF no dependant has) reach no month; income
    // of the kind "other" has no place in the document.
    tax::for_each_live(d_.items, [&](const Record& it) {
        const std::string kind = trim(it.str("I1_1"));
        if (kind == "V" && !it.num("I1_4").is_zero())
            note(DocumentNote::Kind::kDropped, "Outro rendimento de " + fmt::text(it.str("I1_2")) +
                                                   " (" + fmt::amount(it.num("I1_4")) +
                                                   ") não transferido: sem quadro na declaração");
        if (kind != "F" && kind != "E" && kind != "P" && kind != "L" && kind != "I") return;
        if (holder && tax::belongs_to(it, *holder)) return;
        for (const Record* g : placed)
            if (tax::belongs_to(it, *g)) return;
        note(DocumentNote::Kind::kDropped,
             "Rendimento mensal (" + kind + ") de " + fmt::text(it.str("I1_2")) + " do CPF " +
                 trim(it.str("I1_8")) + " não transferido: não é CPF de dependente");
    });
    tax::for_each_live(d_.monthly, [&](const Record& g) {
        if (trim(g.str("CPFDEPEN")).empty() || g.deleted ||
            std::find(placed.begin(), placed.end(), &g) != placed.end())
            return;
        if (tax::person_months(d_, g).any())
            note(DocumentNote::Kind::kDropped, "Rendimentos mensais do CPF " +
                                                   trim(g.str("CPFDEPEN")) +
                                                   " não transferidos: não é CPF de dependente");
    });
    Element dep = collection("rendPFDependente", "serpro.ppgd.irpf.rendpf.ItemRendPFDependente");
    if (items.empty()) {
        for (const char* n : {"totalAlugueis", "totalDarfPago", "totalDependentes", "totalExterior",
                              "totalImpostoPagoExteriorCompensar", "totalLivroCaixa", "totalOutros",
                              "totalPensao", "totalPessoaFisica", "totalPrevidencia"})
            dep.set(n, "0,00");
        dep.set("usouImportacaoCarneLeaoWeb", "0");
        leaf(dep);
        return;
    }
    tax::PersonMonths sum;
    for (const Item& i : items)
        for (int m = 1; m <= 13; ++m) {
            sum.rent[m] += i.months.rent[m];
            sum.paid[m] += i.months.paid[m];
            sum.abroad[m] += i.months.abroad[m];
            sum.cash_book[m] += i.months.cash_book[m];
            sum.other[m] += i.months.other[m];
            sum.work[m] += i.months.work[m];
            sum.social_security[m] += i.months.social_security[m];
        }
    dep.set("totalAlugueis", fmt::amount(sum.rent[13]))
        .set("totalDarfPago", fmt::amount(sum.paid[13]))
        .set("totalDependentes", fmt::amount(0))
        .set("totalExterior", fmt::amount(sum.abroad[13]))
        .set("totalImpostoPagoExteriorCompensar", fmt::amount(0))
        .set("totalLivroCaixa", fmt::amount(sum.cash_book[13]))
        .set("totalOutros", fmt::amount(sum.other[13]))
        .set("totalPensao", fmt::amount(0))
        .set("totalPessoaFisica", fmt::amount(sum.work[13]))
        .set("totalPrevidencia", fmt::amount(sum.social_security[13]))
        .set("usouImportacaoCarneLeaoWeb", "");
    open(dep);
    for (const Item& i : items) {
        const tax::PersonMonths& p = i.months;
        const std::string cpf = trim(i.dependant->str("CPFDEPEN"));
        Element item("item");
        item.set("cpf", fmt::cpf(cpf)).set("ValoresPreenchidos", fmt::amount(0));
        open(item);
        Element r("rendimentos");
        r.set("NITPISPASEP", fmt::plain(i.dependant->str("NITDEPEN")))
            .set("totalAlugueis", fmt::amount(p.rent[13]))
            .set("totalDarfPago", fmt::amount(p.paid[13]))
            .set("totalDependentes", fmt::amount(0))
            .set("totalExterior", fmt::amount(p.abroad[13]))
            .set("totalImpostoPagoExteriorCompensar", fmt::amount(0))
            .set("totalLivroCaixa", fmt::amount(p.cash_book[13]))
            .set("totalOutros", fmt::amount(p.other[13]))
            .set("totalPensao", fmt::amount(0))
            .set("totalPessoaFisica", fmt::amount(p.work[13]))
            .set("totalPrevidencia", fmt::amount(p.social_security[13]));
        open(r);
        months(p, nullptr);
        PEGA_CLIENTES(i.grid, p, cpf);
        close("rendimentos");
        close("item");
    }
    close("rendPFDependente");
}

// The twelve month elements of a person: the holder's carry the month number and the number of
// dependants, a dependant's the month "0" and no alimony.
void Writer::months(const tax::PersonMonths& p, const std::string* dependants) {
    for (int m = 1; m <= 12; ++m) {
        Element e(kMonthNames[m - 1]);
        e.set("alugueis", fmt::amount(p.rent[m]))
            .set("carneLeao", fmt::amount(p.due[m]))
            .set("darfPago", fmt::amount(p.paid[m]))
            .set("dependentes", fmt::amount(0))
            .set("exterior", fmt::amount(p.abroad[m]))
            .set("impostoPagoCompensarExterior", fmt::amount(0))
            .set("livroCaixa", fmt::amount(p.cash_book[m]))
            .set("mes", dependants ? std::to_string(m - 1) : "0");
        if (dependants) e.set("numDependentes", *dependants);
        e.set("outros", fmt::amount(p.other[m]))
            .set("pensao", fmt::amount(dependants ? p.alimony[m] : Decimal()))
            .set("pessoaFisica", fmt::amount(p.work[m]))
            .set("previdencia", fmt::amount(p.social_security[m]));
        leaf(e);
    }
}

// A payer's CPF as the accounts hold it: masked when it has 11 digits, blank when empty; any
// other value (a CNPJ, a typing error) is reported and left blank.
std::string Writer::payer_cpf(std::string_view value, std::string_view what) {
    const std::string digits = digits_of(value);
    if (digits.empty()) return kBlankCpf;
    if (digits.size() == 11) return fmt::cpf(digits);
    note(DocumentNote::Kind::kDropped,
         std::string(what) + " não é CPF, não transferido: " + fmt::plain(value));
    return kBlankCpf;
}

// The monthly accounts of income from individuals for work (PEGA_CLIENTES): each month's total
// and, when the grid is filled from the payers' items, one account per payer paying that month.
void Writer::PEGA_CLIENTES(const Record* person, const tax::PersonMonths& p,
                           const std::string& cpf) {
    // With typed monthly totals (modes 2 and 4) the payers' items are not the grid's source.
    const long long mode = d_.num("CAL_AUTO").whole();
    std::vector<const Record*> payers;
    if (person && mode != 2 && mode != 4)
        tax::for_each_live(d_.items, [&](const Record& it) {
            if (trim(it.str("I1_1")) == "F" && tax::belongs_to(it, *person) &&
                tax::individual_income_type(d_, it) == "T")
                payers.push_back(&it);
        });
    std::vector<std::array<Decimal, 13>> values(payers.size());
    for (size_t k = 0; k < payers.size(); ++k)
        if (!tax::item_monthly_values(d_, *payers[k], values[k].data())) values[k] = {};
    open(Element("contasAno"));
    for (int m = 1; m <= 12; ++m) {
        Element e(kMonthNames[m - 1]);
        e.set("nomeMes", std::to_string(m))
            .set("tipoItens", "serpro.ppgd.irpf.rendpf.Conta")
            .set("totalRendTrabNaoAssPF", fmt::amount(p.work[m]));
        bool any = false;
        for (size_t k = 0; k < payers.size(); ++k) {
            if (values[k][m].is_zero()) continue;
            if (!any) open(e);
            any = true;
            const Record& it = *payers[k];
            const std::string payer = payer_cpf(it.str("I1_3"), "CPF do pagador");
            const bool other_beneficiary = !trim(it.str("I1_40")).empty();
            Element i("item");
            i.set("cpfBeneficiarioServico",
                  other_beneficiary ? payer_cpf(it.str("I1_40"), "CPF do beneficiário") : payer)
                .set("cpfContribuinte", fmt::cpf(cpf))
                .set("cpfTitularPagamento", payer)
                .set("dataMesAno", tax::two_digits(m) + "20" + tax::CANOATUAL)
                .set("indBeneficiarioNaoPossuiCPF", "0")
                .set("indTitularEhBeneficiario", other_beneficiary ? "0" : "1")
                .set("nomeMes", fmt::text(trim(TRAZ_MES(m))))
                .set("valor", fmt::amount(values[k][m]));
            leaf(i);
        }
        if (any)
            close(kMonthNames[m - 1]);
        else
            leaf(e);
    }
    close("contasAno");
}

// Income received cumulatively: the holder's items, then the dependants'.
void Writer::rendAcm() {
    Element e("rendAcm");
    e.set("totalRendRecebAcumuladamente", fmt::amount(0));
    open(e);
    FAZ_ACUMULADO(1);
    FAZ_ACUMULADO(2);
    close("rendAcm");
}

// The accumulated-income items of the holder (1) or of the dependants (2), each with the alimony
// paid out of it.
void Writer::FAZ_ACUMULADO(int who) {
    const char* name = who == 1 ? "colecaoRendAcmTitular" : "colecaoRendAcmDependente";
    Element c(name);
    if (who == 2) c.set("totaisJuros", "0,00");
    c.set("tipoItens", "serpro.ppgd.irpf.rendacm.RendAcmTitular");
    std::vector<const Record*> rows;
    tax::for_each_live(d_.items, [&](const Record& it) {
        if (trim(it.str("I1_1")) == "A" && (trim(it.str("I1_11")) != "N") == (who == 1))
            rows.push_back(&it);
    });
    if (rows.empty()) {
        leaf(c);
        return;
    }
    open(c);
    for (const Record* r : rows) {
        Element i("item");
        i.set("contribuicaoPrevOficial", fmt::amount(r->num("I1_6")))
            .set("cpfDependente", fmt::cpf(r->str("I1_8")))
            .set("impostoDevidoRRA", fmt::amount(r->num("I1_20")))
            .set("impostoRetidoFonte", fmt::amount(r->num("I1_5")))
            .set("mesRecebimento", fmt::two(r->str("I1_36")))
            .set("niFontePagadora", fmt::plain(r->str("I1_3")))
            .set("nomeFontePagadora", fmt::text(r->str("I1_2")))
            .set("numMeses", fmt::one_decimal(r->num("I1_21")))
            .set("opcaoTributacao", trim(r->str("TIPOCR")) == "S" ? "A" : "E")
            .set("parcIsenta65Anos", fmt::amount(r->num("I1_17")))
            .set("pensaoAlimenticia", fmt::amount(r->num("I1_12")))
            .set("rendRecebidos", fmt::amount(r->num("I1_4") + r->num("I1_17")))
            .set("rendRecebidosInformado", fmt::amount(r->num("I1_4")))
            .set("valorJuros", fmt::amount(r->num("I1_42")));
        open(i);
        Element a = collection("pensaoAlimenticiaQuadroAuxiliar",
                               "serpro.ppgd.irpf.rendpf.ItemQuadroPensaoAlimenticia");
        a.set("totais", fmt::amount(r->num("I1_12")));
        if (r->num("I1_12").is_zero()) {
            leaf(a);
        } else {
            // The recipient is named by the dependants' list, found by the CPF of the item.
            const std::string cpf = trim(r->str("I1_22"));
            std::string recipient;
            for (const auto& dep : d_.dependants)
                if (!dep.deleted && !cpf.empty() && trim(dep.str("CPFDEPEN")) == cpf)
                    recipient = dep.str("NOMEDEPEN");
            if (trim(recipient).empty())
                note(DocumentNote::Kind::kDropped,
                     "Nome do alimentando da pensão de " + fmt::amount(r->num("I1_12")) +
                         " (rendimento acumulado de " + fmt::text(r->str("I1_2")) +
                         ") não encontrado nos dependentes");
            open(a);
            Element p("item");
            p.set("alimentando", fmt::text(recipient)).set("valor", fmt::amount(r->num("I1_12")));
            leaf(p);
            close("pensaoAlimenticiaQuadroAuxiliar");
        }
        close("item");
    }
    close(name);
}

void Writer::rendIsentos() {
    Element e("rendIsentos");
    e.set("bensPequenoValorInformado", A("I3_04GCPV"))
        .set("bensPequenoValorTransportado", A("I3_04GCPVC"))
        .set("bolsaEstudos", A("I3_01"))
        .set("capitalApolices", A("I3_02"))
        .set("ganhosCapitalOuro", A("I3_19"))
        .set("ganhosLiquidosAcoes", A("I3_18"))
        .set("impostoRendasAnterioresCompensadoJudicialmente", A("I3_12"))
        .set("incorporacaoReservaCapital", A("I3_14"))
        .set("indenizacoes", A("I3_03"))
        .set("jurosRra", A("I3_25"))
        .set("lucroAlienacao", A("I3_04"))
        .set("lucroRecebido", A("I3_05"))
        .set("meacaoDissolucao", A("I3_17"))
        .set("medicosResidentes", A("I3_15"))
        .set("moedaEstrangeiraEspecieInformado", A("I3_04EXTR"))
        .set("outros", A("I3_24"))
        .set("outrosBensImoveisInformado", A("I3_04REDU"))
        .set("outrosBensImoveisTransportado", A("I3_04REDUC"))
        .set("parcIsentaAposentadoria", A("I3_06"))
        .set("parcIsentaAtivRural", A("I3_11"))
        .set("pensao", A("I3_07"))
        .set("pensaoAlimenticia", A("I3_26"))
        .set("poupanca", A("I3_08"))
        .set("recuperacaoPrejuizosBolsaValores", A("I3_20"))
        .set("rendAssalariadosMoedaEstrangeira", A("I3_13"))
        .set("rendSocio", A("I3_09"))
        .set("restituicaoImpostoRendaAnosAnteriores", A("I3_23"))
        .set("somaBensPequenoValor", fmt::amount(d_.num("I3_04GCPV") + d_.num("I3_04GCPVC")))
        .set("somaOutrosBensImoveis", fmt::amount(d_.num("I3_04REDU") + d_.num("I3_04REDUC")))
        .set("somaUnicoImovel", fmt::amount(d_.num("I3_04UNIC") + d_.num("I3_04UNICC")))
        .set("total", A("I13_44"))
        .set("totalInformado", A("I3_04GCPV"))
        .set("totalTransportado", A("I3_04"))
        .set("transferencias", A("I3_10"))
        .set("transportadorCargas", A("I3_21"))
        .set("transportadorPassageiros", A("I3_22"))
        .set("unicoImovelInformado", A("I3_04UNIC"))
        .set("unicoImovelTransportado", A("I3_04UNICC"))
        .set("voluntariosCopa", fmt::amount(0));
    open(e);
    for (const Quadro& q : kExemptTables) ENCHEQUADRO(q);
    close("rendIsentos");
}

void Writer::rendTributacaoExclusiva() {
    Element e("rendTributacaoExclusiva");
    e.set("decimoTerceiro", A("I4_01"))
        .set("decimoTerceiroDependentes", A("I4_06"))
        .set("ganhosCapital", A("I4_02"))
        .set("ganhosCapitalEmEspecie", A("I4_12"))
        .set("ganhosCapitalEstrangeira", A("I4_11"))
        .set("ganhosLoterica", A("I4_15"))
        .set("ganhosRendaVariavel", A("I4_03"))
        .set("jurosCapitalProprio", A("I4_08"))
        .set("lei14754", A("I4_13"))
        .set("outros", A("I4_10"))
        .set("participacaoLucrosResultados", A("I4_09"))
        .set("rendAplicacoes", A("I4_04"))
        .set("rraDependentes", A("I4_07"))
        .set("rraTitular", A("I4_05"))
        .set("tiposRendimentos", "13")
        .set("total", A("I13_45"));
    open(e);
    for (const Quadro& q : kExclusiveTables) ENCHEQUADRO(q);
    close("rendTributacaoExclusiva");
}

// One auxiliary table: its total and, when the total is positive, an item per income row that
// carries an amount of it. The serious-illness pension keeps its 13th salary, tax and social
// security by person; its line already holds the 13th salary.
void Writer::ENCHEQUADRO(const Quadro& q) {
    const Form f = q.form;
    const Decimal total = d_.num(q.line);
    std::vector<const Record*> rows;
    if (q.column && total > 0)
        tax::for_each_live(d_.items, [&](const Record& r) {
            const std::string kind = trim(r.str("I1_1"));
            const bool other_income = f == Form::kOther && std::string_view(q.column) == "I1_9";
            if (kind != "J" && kind != "D" && !(other_income && kind == "A")) return;
            if (!r.num(q.column).is_zero() || (f == Form::kRetirement && !r.num("I1_43").is_zero()))
                rows.push_back(&r);
        });
    Element e = collection(q.element, q.type);
    if (f == Form::kIllness) {
        Decimal thirteenth, tax[2], tax13[2], social[2];
        tax::for_each_live(d_.items, [&](const Record& r) {
            const std::string kind = trim(r.str("I1_1"));
            if ((kind != "J" && kind != "D") || !(r.num("I1_18") > 0)) return;
            const int who = kind == "J" ? 0 : 1;
            thirteenth += r.num("I1_7");
            tax[who] += r.num("I1_5");
            tax13[who] += r.num("I1_39");
            social[who] += r.num("I1_6");
        });
        e.set("totais", fmt::amount(total))
            .set("total13Salario", fmt::amount(thirteenth))
            .set("totalIRRF13SalarioDependentes", fmt::amount(tax13[1]))
            .set("totalIRRF13SalarioTitular", fmt::amount(tax13[0]))
            .set("totalIRRFDependentes", fmt::amount(tax[1]))
            .set("totalIRRFTitular", fmt::amount(tax[0]))
            .set("totalPrevidenciaOficialDependentes", fmt::amount(social[1]))
            .set("totalPrevidenciaOficialTitular", fmt::amount(social[0]))
            .set("totalRendimento", fmt::amount(total - thirteenth));
    } else {
        e.set("totais", fmt::amount(total));
    }
    if (rows.empty()) {
        leaf(e);
        return;
    }
    open(e);
    for (const Record* r : rows) {
        const std::string kind = trim(r->str("I1_1"));
        const bool holder = kind == "J" || (kind == "A" && trim(r->str("I1_11")) != "N");
        const std::string beneficiary = holder ? taxpayer_cpf() : fmt::cpf(r->str("I1_8"));
        const std::string payer = fmt::plain(r->str("I1_3"));
        const std::string payer_name = fmt::text(r->str("I1_2"));
        const bool by_cnpj = f == Form::kDetailed || f == Form::kRetirement || f == Form::kIllness;
        const bool named =
            by_cnpj || f == Form::kPayerNI || f == Form::kOther || f == Form::kLottery;
        const bool by_ni = f == Form::kPayerNI || f == Form::kOther || f == Form::kLottery;
        Element i("item");
        if (by_cnpj) i.set("cnpjEmpresa", payer);
        if (f == Form::kSharing) i.set("codBem", "");
        if (f == Form::kAlimony) i.set("cpfAlimentante", payer.empty() ? kBlankCpf : payer);
        i.set("cpfBeneficiario", beneficiary);
        if (named) i.set("nomeFonte", payer_name);
        if (f == Form::kTransfer)
            i.set("niDoadorEspolio", payer).set("nomeDoadorEspolio", payer_name);
        if (by_ni) i.set("niEmpresa", payer);
        if (f == Form::kOther) i.set("descricaoRendimento", fmt::text(r->str("I1_35")));
        i.set("tipoBeneficiario", holder ? "Titular" : "Dependente")
            .set("valor", fmt::amount(r->num(q.column)));
        if (f == Form::kDetailed) i.set("valor13Salario", fmt::amount(0));
        if (f == Form::kRetirement) i.set("valor13Salario", fmt::amount(r->num("I1_43")));
        if (f == Form::kIllness)
            i.set("valor13Salario", fmt::amount(r->num("I1_7")))
                .set("valorIRRF", fmt::amount(r->num("I1_5")))
                .set("valorIRRF13Salario", fmt::amount(r->num("I1_39")))
                .set("valorPrevidenciaOficial", fmt::amount(r->num("I1_6")))
                .set("valorTotal", fmt::amount(r->num("I1_18") + r->num("I1_7")));
        if (f == Form::kAlimony) i.set("nomeAlimentante", payer_name);
        if (f == Form::kLottery) i.set("codeTipoRendimento", "").set("tiposRendimentos", "13");
        leaf(i);
    }
    close(q.element);
}

// The two check digits of a fund's reference number (DVFUNDO): modulus 11 over the 14 digits of
// its CNPJ, then over those 15. Empty when the CNPJ has not 14 digits.
std::string DVFUNDO(std::string_view cnpj) {
    const std::string d = digits_of(cnpj);
    if (d.size() != 14) return "";
    const std::string first = MODULO_11(d, 0);
    return first + MODULO_11(d + first, 0);
}

// Donations made in the declaration to the children's (code 39) and the elderly's (49) funds,
// only under the complete option. The fund is told by its name as the fund table gives it:
// "Fundo Nacional - DF", "Fundo Estadual - PR", or "PR - CURITIBA" for a municipal fund.
void Writer::estatutos() {
    struct Statute {
        const char* element;
        const char* type;
        long long code;
        const char* word;
    };
    static constexpr Statute kStatutes[] = {
        {"colecaoEstatutoCriancaAdolescente",
         "serpro.ppgd.irpf.doacaodeclaracao.EstatutoCriancaAdolescente", 39, "ECA"},
        {"colecaoEstatutoIdoso", "serpro.ppgd.irpf.doacaodeclaracao.EstatutoIdoso", 49, "Idoso"}};
    for (const Statute& st : kStatutes) {
        std::vector<const Record*> rows;
        tax::for_each_live(d_.payments, [&](const Record& r) {
            if (tax::field_int(r, "I6_3") != st.code) return;
            if (d_.simplified())
                note(DocumentNote::Kind::kDropped,
                     std::string("Doação ao fundo do ") + st.word + " (" +
                         fmt::text(r.str("I6_1")) + ", " + fmt::amount(r.num("I6_4")) +
                         ") não transferida: só na declaração completa");
            else
                rows.push_back(&r);
        });
        Decimal gross, net;
        for (const Record* r : rows) {
            gross += r->num("I6_4");
            net += r->num("I6_4") - r->num("I6_5");
        }
        Element e = collection(st.element, st.type);
        e.set("totalDeducaoIncentivoBruto", fmt::amount(gross))
            .set("totalDeducaoIncentivoLiquido", fmt::amount(net));
        if (rows.empty()) {
            leaf(e);
            continue;
        }
        open(e);
        for (const Record* r : rows) {
            const std::string name = trim(r->str("I6_1"));
            const size_t dash = name.find(" - ");
            std::string kind = "M", state, city, code;
            if (name.find("Nacional") != std::string::npos ||
                name.find("Estadual") != std::string::npos) {
                kind = name.find("Nacional") != std::string::npos ? "N" : "E";
                if (dash != std::string::npos) state = trim(name.substr(dash + 3, 2));
            } else {
                state = trim(left(name, 2));
                city = trim(substr_chars(name, 4));
                auto it = ctx_.municipalities.find(upper(MATCAR(city)) + "|" + state);
                if (it != ctx_.municipalities.end())
                    code = it->second;
                else
                    note(DocumentNote::Kind::kDropped,
                         std::string("Município do fundo municipal do ") + st.word +
                             " não encontrado na tabela: " + name);
            }
            const std::string dv = DVFUNDO(r->str("I6_2"));
            if (dv.empty())
                note(DocumentNote::Kind::kDropped, std::string("CNPJ do fundo do ") + st.word +
                                                       " sem 14 dígitos (" + name +
                                                       "): dígito da referência não transferido");
            Element i("item");
            i.set("cnpjFundo", fmt::plain(r->str("I6_2")))
                .set("dvNumeroReferencia", dv)
                .set("municipio", fmt::text(code))
                .set("nomeMunicipio", fmt::text(city))
                .set("tipoFundo", kind)
                .set("uf", state)
                .set("valor", fmt::amount(r->num("I6_4") - r->num("I6_5")));
            leaf(i);
        }
        close(st.element);
    }
}

}  // namespace vorn::output::detail
