// The declaration document: the declaration's elements in the government program's order, each
// element's attributes in its catalogue order, written into one line after the header line. The
// income parts and the rural part are written by document_income.cpp and document_rural.cpp.
#include "output/document.h"

#include <algorithm>
#include <memory>

#include <pugixml.hpp>

#include "base/text.h"
#include "gains/gain.h"
#include "gains/statement.h"
#include "gains/totals.h"
#include "output/document_format.h"
#include "output/document_writer.h"
#include "tax/year.h"

namespace vorn::output {
namespace detail {

std::string digits_of(std::string_view t) {
    std::string out;
    for (char c : t)
        if (c >= '0' && c <= '9') out += c;
    return out;
}

std::string timestamp(const DateTime& t) {
    return t.date.dmy() + " " + seconds_to_hms(t.seconds);
}

// Text with ".", ",", "/", "\", ")" and "(" as blanks (SEMPONTO).
std::string SEMPONTO(std::string_view t) {
    std::string out(t);
    for (char& c : out)
        if (c == '.' || c == ',' || c == '/' || c == '\\' || c == ')' || c == '(') c = ' ';
    return out;
}

void Writer::IDENTIF(const char* element) {
    const std::string now = timestamp(ctx_.now);
    const Decimal refund = d_.num("I13_38"), due = d_.num("I13_36");
    const char* result = refund.is_zero() && due.is_zero() ? "SSI"
                         : refund.is_zero()                ? "IAP"
                                                           : "IAR";
    const char* kind = d_.is_final() ? "E" : d_.is_departure() ? "S" : "A";
    Element e(element);
    e.set("tpTransmitida", "")
        .set("cpf", taxpayer_cpf())
        .set("dataCriacao", now)
        .set("dataUltimoAcesso", now)
        .set("declaracaoRetificadora", d_.str("RETIFICA") == "S" ? "1" : "0")
        .set("enderecoDiferente", d_.str("NOVOEND") == "S" ? "1" : "0")
        .set("exercicio", "2026")
        .set("inCLWeb", "")
        .set("inNovaDeclaracao", "0")
        .set("inUtilizouAPP", "0")
        .set("inUtilizouAssistidaFontePagadora", "0")
        .set("inUtilizouAssistidaPlanoSaude", "0")
        .set("inUtilizouOnLine", "0")
        .set("inUtilizouPGD", "1")
        .set("inUtilizouRascunho", "0")
        .set("inUtilizouSalvarRecuperarOnLine", "0")
        .set("nome", T("NOMECONTR"))
        .set("numReciboDecRetif", S("NRORECIBO"))
        .set("numReciboTransmitido", "0000000000")
        .set("numeroReciboDecAnterior", S("RECIBOANT"))
        .set("prepreenchida", "0")
        .set("resultadoDeclaracao", result)
        .set("tipoDeclaracao", d_.simplified() ? "1" : "0")
        .set("tipoDeclaracaoAES", kind)
        .set("tpIniciada", "01")
        .set("transmitida", "0")
        .set("versaoBeta", "N");
    leaf(e);
}

void Writer::classe() {
    out_ += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
    Element e("classe");
    e.set("xmlns", ctx_.xmlns)
        .set("classeJava", "serpro.ppgd.irpf.DeclaracaoIRPF")
        .set("dataHoraSalvamento", timestamp(ctx_.now))
        .set("utlimoCPFAutenticado", taxpayer_cpf());
    open(e);
}

void Writer::contribuinte() {
    const bool abroad = d_.str("EXTERIOR") == "S";
    const std::string bairro = cut("bairro", d_.str("BAIRRO"), 19);
    std::string ddd = S("DDDTEL");
    if (!abroad && !ddd.empty()) {
        const long long n = tax::field_int(d_.registry, "DDDTEL");
        if (n < 10 || n > 100) {
            // Written empty for the government program to ask; the registry keeps what was typed.
            warn("Confira o número do DDD");
            ddd.clear();
        }
    }
    std::string municipio;
    if (!abroad) {
        const std::string key = upper(MATCAR(trim(d_.str("MUNICIPIO")))) + "|" + S("UF");
        if (auto it = ctx_.municipalities.find(key); it != ctx_.municipalities.end())
            municipio = it->second;
        else if (!S("MUNICIPIO").empty()) {
            municipio = S("CODMUNI");
            note(DocumentNote::Kind::kDropped,
                 "Município não encontrado na tabela: " + d_.str("MUNICIPIO") + "/" + S("UF") +
                     (municipio.empty() ? "" : "; mantido o código " + municipio));
        }
    }
    const bool flagged = d_.logical("NOVREG");
    const std::string invalid = S("E_INVALIDO");
    const std::string country = S("CODPAIS");
    const std::string proc = S("PROCBRASIL");
    Element e("contribuinte");
    e.set("bairro", abroad ? "" : bairro)
        .set("bairroExt", abroad ? bairro : "")
        .set("baseCalculoFinalLei14754", A("BASE14754"))
        .set("celular", flagged ? S("TELCELU") : "")
        .set("cep", abroad ? "" : fmt::cep(S("CEP")))
        .set("cepExt", abroad ? S("CEP") : "")
        .set("cidade", "")
        .set("codigoExterior", abroad ? S("CODEMB") : "")
        .set("complemento", abroad ? "" : T("COMPLEM"))
        .set("complementoExt", abroad ? T("COMPLEM") : "")
        .set("conjuge", d_.str("TEMCONJU") == "S" ? "1" : "0")
        .set("cpfConjuge", fmt::cpf(S("CPFCONJU")))
        .set("cpfProcurador", abroad && !proc.empty() ? fmt::cpf(proc) : kBlankCpf)
        .set("dataNascimento", fmt::date(d_.date("NASCIMENTO")))
        .set("dataRetorno", fmt::date(d_.date("DATARETOR")))
        .set("ddd", abroad ? "" : ddd)
        .set("ddi", abroad ? ddd : "")
        .set("dddCelular", flagged ? S("DDDFAX") : "")
        .set("deficiente", invalid == "S"    ? "S"
                           : invalid.empty() ? ""
                                             : "N")
        .set("email", flagged ? S("EMAIL") : "")
        .set("exterior", d_.str("EBRASIL") == "N" ? "1" : "0")
        .set("impostoDevidoLei14754", "0")
        .set("logradouro", abroad ? "" : T("ENDERECO"))
        .set("logradouroExt", abroad ? T("ENDERECO") : "")
        .set("municipio", abroad ? "" : municipio)
        .set("naturezaOcupacao", T("CODAT"))
        .set("nomePais", abroad ? country : "")
        .set("numero", abroad ? "" : T("NUMERO"))
        .set("numeroExt", abroad ? T("NUMERO") : "")
        .set("ocupacaoPrincipal", T("CDPRO"))
        .set("pais", abroad ? country : "105")
        .set("prejuizoAnoAnteriorLei14754", A("I4_14"))
        .set("processoDigital", "")
        .set("racaCor", std::to_string(tax::field_int(d_.registry, "RACA")))
        .set("registroProfissional", T("REGPROF"))
        .set("retornoPais", d_.str("VOLTA_RES") == "S" ? "1" : "0")
        .set("telefone", abroad ? "" : S("TELEFO"))
        .set("telefoneExt", abroad ? S("TELEFO") : "")
        .set("tipoLogradouro", abroad ? "" : fmt::text(upper(d_.str("TIPOEND"))))
        .set("tituloEleitor", "")
        .set("uf", abroad ? "" : S("UF"));
    leaf(e);
}

void Writer::dependentes() {
    open(collection("dependentes", "serpro.ppgd.irpf.dependentes.Dependente"));
    tax::for_each_live(d_.dependants, [&](const Record& r) {
        const long long code = tax::field_int(r, "CODIDEPEN");
        if (trim(r.str("NOMEDEPEN")).empty() || code > 97 || code == 0) return;
        const std::string tel = trim(r.str("TEL_DEPEN"));
        Element e("item");
        e.set("codigo", fmt::whole(r.num("CODIDEPEN")))
            .set("cpfDependente", fmt::cpf(r.str("CPFDEPEN")))
            .set("dataNascimento", fmt::date(r.date("DATADEPEN")))
            .set("ddd", substr_chars(tel, 0, 2))
            .set("dummy", "")
            .set("email", fmt::plain(r.str("EMAIL_DEPE")))
            .set("indMoraComTitular", trim(r.str("MORAJUNT")) == "S" ? "1" : "")
            .set("indSaidaPaisMesmaData", trim(r.str("SAIUJUNT")) == "S" ? "1" : "")
            .set("nome", fmt::text(r.str("NOMEDEPEN")))
            .set("telefone", substr_chars(tel, 2, 9));
        leaf(e);
    });
    close("dependentes");
}

void Writer::alimentandos() {
    bool any = false;
    tax::for_each_live(d_.dependants, [&](const Record& r) {
        const long long code = tax::field_int(r, "CODIDEPEN");
        any = any || code == 98 || code == 99;
    });
    Element c = collection("alimentandos", "serpro.ppgd.irpf.alimentandos.Alimentando");
    Element head("alimentandos");
    head.set("confirmacao", any ? "S" : "").set("tipoItens", *c.get("tipoItens"));
    open(head);
    tax::for_each_live(d_.dependants, [&](const Record& r) {
        const long long code = tax::field_int(r, "CODIDEPEN");
        if (code < 97 || code > 99) return;
        const bool deed = trim(r.str("ESCRPAL")) == "S", court = trim(r.str("DEJUDAL")) == "S";
        const std::string holder = trim(r.str("TIT_DEPE"));
        Element e("item");
        e.set("cpf", fmt::cpf(r.str("CPFDEPEN")))
            .set("cpfResponsavel",
                 holder.empty() || holder == "T" ? taxpayer_cpf() : fmt::cpf(r.str("CPFRESPON")))
            .set("dtNascimento", fmt::date(r.date("DATADEPEN")))
            .set("nome", fmt::text(r.str("NOMEDEPEN")))
            .set("residente", code == 98 ? "1" : "0")
            .set("tipoProcesso", deed && court ? "A"
                                 : court       ? "J"
                                               : "C");
        open(e);
        Element ep("escrituraPublica");
        ep.set("cnpjCartorio", trim(r.str("CARCNPJ")).empty() ? "" : fmt::cnpj(r.str("CARCNPJ")))
            .set("dataLavratura", fmt::date(r.date("DTLAVAL")))
            .set("folhas", fmt::plain(r.str("FOLHAAL")))
            .set("livro", fmt::plain(r.str("LIVROAL")))
            .set("municipio", fmt::plain(r.str("CODMUAL")))
            .set("nome", fmt::text(r.str("CARTOAL")))
            .set("uf", fmt::plain(r.str("UFCARAL")));
        leaf(ep);
        Element dj("decisaoJudicial");
        dj.set("comarca", fmt::text(r.str("COMARAL")))
            .set("dtDecisaoJud", fmt::date(r.date("DTDJUAL")))
            .set("idVaraCivil", fmt::text(r.str("NROVAAL")))
            .set("numProcessoJudicial", fmt::plain(r.str("NROPRAL")))
            .set("uf", fmt::plain(r.str("UFJUDAL")));
        leaf(dj);
        close("item");
    });
    close("alimentandos");
}

// Company income: a row is listed when it names its payer and carries an amount; a row holding a
// serious-illness pension goes to the exempt income instead (with a warning when the same row
// also carries company income).
void Writer::rendPJ() {
    struct Totals {
        Decimal income, withheld, social, thirteenth, tax13;
    } holder, dependants;
    std::vector<const Record*> rows_t, rows_d, susp_t, susp_d;
    int row = 0;
    tax::for_each_live(d_.items, [&](const Record& r) {
        const std::string kind = trim(r.str("I1_1"));
        if (kind != "J" && kind != "D") return;
        ++row;
        if (r.num("I1_19") > 0 || r.num("I1_20") > 0) (kind == "J" ? susp_t : susp_d).push_back(&r);
        if (r.num("I1_18") > 0) {
            if (r.num("I1_4") > 0)
                warn(
                    "ATENÇÃO! Foram lançados na mesma linha rendimento de PJ e rendimento de "
                    "moléstia grave. É necessário, quando existir os dois, lançar em linhas "
                    "separadas. Linha " +
                    std::to_string(row));
            return;
        }
        const bool unnamed = trim(r.str("I1_2")).empty() && trim(r.str("I1_3")).empty();
        const bool empty = r.num("I1_4").is_zero() && r.num("I1_5").is_zero() &&
                           r.num("I1_6").is_zero() && r.num("I1_7").is_zero();
        if (unnamed || empty) {
            // A row of exempt or exclusive amounts only is written in their tables.
            if (!(unnamed && empty) && !(empty && feeds_a_table(r)))
                note(DocumentNote::Kind::kDropped,
                     "Rendimento de PJ não transferido (" +
                         std::string(unnamed ? "sem nome e número da fonte" : "sem valores") +
                         "), linha " + std::to_string(row));
            return;
        }
        Totals& t = kind == "J" ? holder : dependants;
        t.income += r.num("I1_4");
        t.withheld += r.num("I1_5");
        t.social += r.num("I1_6");
        t.thirteenth += r.num("I1_7");
        t.tax13 += r.num("I1_39");
        (kind == "J" ? rows_t : rows_d).push_back(&r);
    });
    Element top("rendPJ");
    top.set("totalRendRecebPessoaJuridica", fmt::amount(0));
    open(top);
    auto totals = [&](const char* name, const Totals& t) {
        Element e(name);
        e.set("niMaiorFontePagadora", "")
            .set("tipoItens", "serpro.ppgd.irpf.rendpj.RendPJTitular")
            .set("totaisContribuicaoPrevOficial", fmt::amount(t.social))
            .set("totaisDecimoTerceiro", fmt::amount(t.thirteenth))
            .set("totaisIRRFDecimoTerceiro", fmt::amount(t.tax13))
            .set("totaisImpostoRetidoFonte", fmt::amount(t.withheld))
            .set("totaisRendRecebidoPJ", fmt::amount(t.income));
        open(e);
    };
    totals("colecaoRendPJTitular", holder);
    for (const Record* r : rows_t) {
        Element e("item");
        e.set("IRRFDecimoTerceiro", fmt::amount(r->num("I1_39")))
            .set("NIFontePagadora", fmt::plain(r->str("I1_3")))
            .set("contribuicaoPrevOficial", fmt::amount(r->num("I1_6")))
            .set("dataComunicacaoSaida", fmt::date(r->date("DT_LC")))
            .set("decimoTerceiro", fmt::amount(r->num("I1_7")))
            .set("impostoRetidoFonte", fmt::amount(r->num("I1_5")))
            .set("nomeFontePagadora", fmt::text(r->str("I1_2")))
            .set("rendRecebidoPJ", fmt::amount(r->num("I1_4")));
        leaf(e);
    }
    close("colecaoRendPJTitular");
    totals("colecaoRendPJDependente", dependants);
    for (const Record* r : rows_d) {
        Element e("item");
        e.set("dataComunicacaoSaida", kBlankDate)
            .set("dependenteSaiuPaisMesmaDataDeclarante", "")
            .set("nomeDependente", "")
            .set("IRRFDecimoTerceiro", fmt::amount(r->num("I1_39")))
            .set("NIFontePagadora", fmt::plain(r->str("I1_3")))
            .set("contribuicaoPrevOficial", fmt::amount(r->num("I1_6")))
            .set("cpfDependente", fmt::cpf(r->str("I1_8")))
            .set("decimoTerceiro", fmt::amount(r->num("I1_7")))
            .set("impostoRetidoFonte", fmt::amount(r->num("I1_5")))
            .set("nomeFontePagadora", fmt::text(r->str("I1_2")))
            .set("rendRecebidoPJ", fmt::amount(r->num("I1_4")));
        leaf(e);
    }
    close("colecaoRendPJDependente");
    close("rendPJ");

    open(Element("rendPJComExigibilidade"));
    auto suspended = [&](const char* name, const std::vector<const Record*>& rows, bool dep) {
        Decimal deposit, income;
        for (const Record* r : rows) {
            deposit += r->num("I1_20");
            income += r->num("I1_19");
        }
        Element e(name);
        e.set("tipoItens", "serpro.ppgd.irpf.rendpjexigibilidade.RendPJComExigibilidadeTitular")
            .set("totaisDepositoJudicial", fmt::amount(deposit))
            .set("totaisRendPJExigSuspensa", fmt::amount(income));
        open(e);
        for (const Record* r : rows) {
            Element i("item");
            i.set("NIFontePagadora", fmt::plain(r->str("I1_3")));
            if (dep) i.set("cpfDependente", fmt::cpf(r->str("I1_8")));
            i.set("depositoJudicial", fmt::amount(r->num("I1_20")))
                .set("nomeFontePagadora", fmt::text(r->str("I1_2")))
                .set("rendExigSuspensa", fmt::amount(r->num("I1_19")));
            leaf(i);
        }
        close(name);
    };
    suspended("colecaoRendPJComExigibilidadeTitular", susp_t, false);
    suspended("colecaoRendPJComExigibilidadeDependente", susp_d, true);
    close("rendPJComExigibilidade");
}

// Results of financial applications kept with the assets: the applications' results (type 1),
// then the profits (type 2); the base grosses the net tax up; a negative result is its own base.
void Writer::aplicacoes() {
    open(collection("rendimentosAplicacoesFinanceiras",
                    "serpro.ppgd.irpf.bens.RendimentoAplicacoesFinanceiras"));
    std::vector<const Record*> rows;
    tax::for_each_live(d_.assets, [&](const Record& r) { rows.push_back(&r); });
    Decimal balance;
    long long order = 0;
    for (int type = 1; type <= 2; ++type) {
        for (const Record* r : rows) {
            const Decimal result = r->num(type == 1 ? "VAL_APLIC" : "VAL_LUCRO");
            if (type == 1 ? result.is_zero() : !(result > 0)) continue;
            const Decimal abroad = r->num(type == 1 ? "VAL_IRFOR" : "VAL_IRBR");
            const Decimal tax = result * Decimal::from("0.15");
            Decimal base, written_tax;
            if (result.is_negative()) {
                base = result;
            } else {
                const Decimal net = max(tax.trunc(2) - abroad, Decimal());
                base = (net * Decimal::from(type == 1 ? "6.667" : "6.6667")).round(2);
                written_tax = type == 1 ? tax : net;
            }
            balance += base;
            Element i("item");
            i.set("baseCalculo", fmt::amount(base))
                .set("chaveBem", fmt::zero5(tax::field_int(*r, "I7_1")))
                .set("codigo", fmt::two(r->str("CODB")))
                .set("ganhoPrejuizo", fmt::amount(result))
                .set("grupo", fmt::two(r->str("GRPO")))
                .set("impostoDevido", fmt::amount(written_tax))
                .set("impostoPagoExterior", fmt::amount(abroad))
                .set("numeroOrdem", std::to_string(++order))
                .set("saldo", fmt::amount(balance))
                .set("tipoRendimento", type == 1 ? "1" : "2");
            leaf(i);
        }
    }
    close("rendimentosAplicacoesFinanceiras");
}

void Writer::impostoPago() {
    Element e("impostoPago");
    e.set("carneLeaoDependentes", A("I13_30"))
        .set("carneLeaoTitular", A("I13_29"))
        .set("impostoComplementar", A("I13_31"))
        .set("impostoDevidoComRendExterior", fmt::amount(0))
        .set("impostoDevidoSemRendExterior", fmt::amount(0))
        .set("impostoPagoExterior", A("IR_EXTER"))
        .set("impostoRetidoFonte", A("I13_33"))
        .set("impostoRetidoFonteDependentes", A("I13_28"))
        .set("impostoRetidoFonteTitular", A("I13_27"))
        .set("limiteImpPagoExterior", A("I13_32"));
    leaf(e);
}

void Writer::herdeiros() {
    open(collection("herdeiros", "serpro.ppgd.irpf.herdeiros.Herdeiro"));
    tax::for_each_live(d_.dependants, [&](const Record& r) {
        if (tax::field_int(r, "CODIDEPEN") < 100) return;
        Element e("item");
        e.set("niHerdeiro", fmt::plain(r.str("CPFHERDE")))
            .set("nome", fmt::text(r.str("NOMEDEPEN")));
        leaf(e);
    });
    close("herdeiros");
}

const Record* Writer::linked_dependant(const Record& payment) const {
    const long long n = tax::field_int(payment, "I6_6");
    if (n <= 0) return nullptr;
    for (const auto& r : d_.dependants)
        if (!r.deleted && tax::field_int(r, "NRODEPEN") == n) return &r;
    return nullptr;
}

// Payments: rows the government program would refuse are left out with a warning; codes that
// are donations, alimony kept elsewhere or electoral donations belong to other elements; the
// codes this system adds to the government list are written as the government's own.
void Writer::pagamentos() {
    struct Row {
        const Record* r;
        long long code;
    };
    std::vector<Row> rows;
    int number = 0;
    tax::for_each_live(d_.payments, [&](const Record& r) {
        ++number;
        const long long code = tax::field_int(r, "I6_3");
        if (code == 90 || code == 98 || (code >= 39 && code <= 49) || code == 80 || code == 81 ||
            code == 89)
            return;
        const std::string item = std::to_string(number);
        if (trim(r.str("I6_1")).empty()) {
            warn("ATENÇÃO! Falta nome do beneficiado nos Pagamentos Efetuados! Item " + item);
            return;
        }
        if (code == 0) {
            warn("ATENÇÃO! Código em branco (0) nos Pagamentos Efetuados!Item " + item);
            return;
        }
        if (r.num("I6_4").is_zero()) {
            warn("ATENÇÃO! Falta valor nos Pagamentos Efetuados!Item " + item);
            return;
        }
        static constexpr long long kWritten[] = {60, 61, 62, 66, 70, 76, 99};
        rows.push_back({&r, code >= 91 && code <= 97 ? kWritten[code - 91] : code});
    });
    Element e = collection("pagamentos", "serpro.ppgd.irpf.pagamentos.Pagamento");
    e.set("totalContribEmpregadoDomestico", "0,00")
        .set("totalContribuicaoFunpresp", fmt::amount(d_.work.NFUNPRESP))
        .set("totalContribuicaoPreviPrivada", fmt::amount(d_.work.I13_11T))
        .set("totalDeducoesInstrucao", A("I13_13"))
        .set("totalDespesasMedicas", A("I13_14"))
        .set("totalPensao", A("I13_15"))
        .set("totalPensaoCartoral", A("I13_16"))
        .set("ultimoIndiceGerado", std::to_string(rows.size()));
    open(e);
    long long index = 0;
    for (const Row& row : rows) {
        const Record& r = *row.r;
        const long long stored = tax::field_int(r, "I6_3");
        const Record* dep = linked_dependant(r);
        const long long dep_code = dep ? tax::field_int(*dep, "CODIDEPEN") : 0;
        const bool alimony = dep && (dep_code == 98 || dep_code == 99);
        const std::string tipo = stored == 71 || stored == 72 ? "V"
                                 : alimony                    ? "A"
                                 : dep                        ? "D"
                                                              : "T";
        const std::string dep_cpf = dep ? fmt::cpf(dep->str("CPFDEPEN")) : "";
        const std::string country = trim(r.str("I6_11"));
        const bool partly = (stored >= 4 && stored <= 29) || stored == 36;
        Element i("item");
        i.set("pais", country.empty() ? "000" : country)
            .set("codigo", fmt::two(std::to_string(row.code)))
            .set("contribuicaoEntePatrocinador", stored == 36 ? fmt::amount(r.num("I6_8")) : "0,00")
            .set("cpfAlimentando", alimony ? dep_cpf : "")
            .set("cpfDependente", dep && !alimony ? dep_cpf : "")
            .set("dependenteOuAlimentando", dep ? fmt::text(dep->str("NOMEDEPEN")) : "")
            .set("descricao", fmt::text(r.str("I6_9")))
            .set("indice", std::to_string(++index))
            .set("niBeneficiario", fmt::plain(r.str("I6_2")))
            .set("nitEmpregadoDomestico", "")
            .set("nomeBeneficiario", fmt::text(SEMPONTO(r.str("I6_1"))))
            .set("parcelaNaoDedutivel", partly ? fmt::amount(r.num("I6_5")) : "0,00")
            .set("tipo", tipo)
            .set("valorPago", fmt::amount(r.num("I6_4")));
        leaf(i);
    }
    close("pagamentos");
}

void Writer::doacoes() {
    std::vector<const Record*> rows;
    tax::for_each_live(d_.payments, [&](const Record& r) {
        const long long code = tax::field_int(r, "I6_3");
        if ((code >= 40 && code <= 48) || code == 80 || code == 81 || code == 89)
            rows.push_back(&r);
    });
    Element e = collection("doacoes", "serpro.ppgd.irpf.doacoes.Doacao");
    e.set("totalDeducaoIncentivo", fmt::amount(d_.work.I13_22T))
        .set("ultimoIndiceGerado", std::to_string(rows.size()));
    open(e);
    long long index = 0;
    for (const Record* r : rows) {
        const long long code = tax::field_int(*r, "I6_3");
        Element i("item");
        i.set("codigo", std::to_string(code == 89 ? 99 : code))
            .set("indice", std::to_string(++index))
            .set("niBeneficiario", fmt::text(r->str("I6_2")))
            .set("nomeBeneficiario", fmt::text(SEMPONTO(r->str("I6_1"))))
            .set("parcelaNaoDedutivel", fmt::amount(0))
            .set("valorPago", fmt::amount(r->num("I6_4")));
        leaf(i);
    }
    close("doacoes");
}

// Assets are numbered from a base that grows with their count, one number per asset.
void Writer::bens() {
    std::vector<const Record*> rows;
    tax::for_each_live(d_.assets, [&](const Record& r) { rows.push_back(&r); });
    const long long n = static_cast<long long>(rows.size());
    const long long base = n < 10 ? 1 : n < 100 ? 100 : n < 1000 ? 200 : 400;
    Element e("bens");
    e.set("baseCalculoFinalLei14754", A("BASE14754"))
        .set("bensSemMarcacaoBemInventariar", "")
        .set("bensSemValorDummy", "")
        .set("existeAtualizacaoValorBem", "0")
        .set("existePrejuizoLei14754", d_.num("I4_14") > 0 ? "1" : "0")
        .set("impostoDevidoLei14754", A("Lei14754"))
        .set("numeroProcessoAtualizacaoValorBem", "")
        .set("prejuizoAnoAnteriorLei14754", A("I4_14"))
        .set("tipoItens", "serpro.ppgd.irpf.bens.Bem")
        .set("totalExercicioAnterior", A("I13_39"))
        .set("totalExercicioAtual", A("I13_40"))
        .set("totalItens", std::to_string(n))
        .set("ultimoIndiceGerado", fmt::zero5(base + n));
    open(e);
    for (long long k = 0; k < n; ++k) GRAV_BENS(*rows[static_cast<size_t>(k)], base + k);
    close("bens");
}

void Writer::GRAV_BENS(const Record& r, long long index) {
    if (trim(r.str("I7_2")).empty()) {
        note(DocumentNote::Kind::kDropped, "Bem sem discriminação não transferido: item " +
                                               fmt::zero5(index) + ", valor " +
                                               fmt::amount(r.num("I7_4")));
        return;
    }
    const std::string group = fmt::two(r.str("GRPO"));
    std::string code = fmt::two(r.str("CODB"));
    if (code.empty() || code == "00") code = "99";
    const std::string gc = group + "-" + code;
    const std::string country = trim(r.str("I7_8"));
    const bool brazil = country.empty() || country == "105";
    std::string registro;
    static const char* const kIptu[] = {"01-01", "01-02", "01-03", "01-11", "01-12",
                                        "01-19", "01-13", "01-15", "01-18", "01-99"};
    for (const char* k : kIptu)
        if (gc == k) registro = r.str("REG_IPTU");
    if (gc == "01-14") registro = trim(r.str("REG_NIRF")) == "00000000" ? "" : r.str("REG_NIRF");
    if (gc == "01-16" || gc == "02-02") registro = r.str("REG_AVI");
    if (gc == "02-01") registro = brazil ? r.str("RENAVAM") : r.str("REG_AVI");
    if (gc == "02-03") registro = r.str("REG_BAR");

    std::string bank = trim(r.str("NROBANCO")), agency = trim(r.str("AGENCBAN"));
    std::string account = trim(r.str("CONTABAN")), dv = trim(r.str("DVBAN"));
    if (bank == "000") bank.clear();
    if (agency == "0000") agency.clear();
    if (bank == "104") {
        const std::string plain = SEMPONTO(r.str("CONTABAN")) + std::string(14, ' ');
        account = trim(plain.substr(1, 12));
        if (std::string c = trim(plain.substr(13, 1)); !c.empty()) dv = c;
    }
    const std::string dep_cpf = trim(r.str("CPFDEP"));
    const bool dependant = !dep_cpf.empty() && dep_cpf != d_.cpf();
    const std::string city = fmt::text(r.str("MUNICIMO"));
    const std::string cep = trim(r.str("CEPIMO"));
    std::string country_name = "105 - Brasil";
    if (!brazil) {
        auto it = ctx_.countries.find(country);
        country_name = fmt::text(country + " - " + (it == ctx_.countries.end() ? "" : it->second));
    }
    const bool coin = group == "08";
    Element e("item");
    e.set("agencia", agency)
        .set("areaTotal", fmt::amount(r.num("AREAIMO")))
        .set("atualizadoValorBem", "")
        .set("bairro", fmt::text(r.str("BAIRIMO")))
        .set("banco", bank)
        .set("cep", cep.empty() ? "" : fmt::cep(cep))
        .set("cidade", city)
        .set("codigo", code)
        .set("codigoAltcoin", coin ? fmt::text(r.str("CODALTC")) : "")
        .set("codigoNegociacao", fmt::text(r.str("CODNEGO")))
        .set("codigoStablecoin", coin ? fmt::text(r.str("CODSTAB")) : "")
        .set("complemento", fmt::text(r.str("COMPIMO")))
        .set("conta", account)
        .set("cpfBeneficiario", dependant ? fmt::cpf(dep_cpf) : taxpayer_cpf())
        .set("dataAquisicao", fmt::date(r.date("DATA_IMO")))
        .set("discriminacao", fmt::text(r.str("I7_2")))
        .set("dvConta", dv)
        .set("grupo", group)
        .set("impostoPagoExterior", fmt::amount(r.num("VAL_IRFOR")))
        .set("impostoPagoExteriorIRRF", fmt::amount(r.num("VAL_IRBR")))
        .set("indicadorAutoCustodiante", fmt::plain(r.str("AUTOCUSTO")))
        .set("indicadorBemComUsufruto", "")
        .set("indicadorBemInventariar", "")
        .set("indicadorContaPagamento", "0")
        .set("indicadorProprietarioUsufrutuario", "")
        .set("indicadorReclassificar", "0")
        .set("indice", fmt::zero5(index))
        .set("logradouro", fmt::text(r.str("ENDEIMO")))
        .set("lucroPrejuizo", fmt::amount(r.num("VAL_APLIC")))
        .set("matricula", fmt::text(r.str("MATRICU")))
        .set("municipio", fmt::text(r.str("CODMIMO")))
        .set("negociadoBolsa", fmt::plain(r.str("BOLSA")))
        .set("niEmpresa", fmt::plain(r.str("CPF_CNPJ")))
        .set("nomeCartorio", fmt::text(r.str("CARTORIO")))
        .set("nomeMunicipio", city)
        .set("nomePais", country_name)
        .set("numero", fmt::text(r.str("NUMIMO")))
        .set("operacao", "")
        .set("pais", brazil ? "105" : country)
        .set("registrado", fmt::plain(r.str("REGISTRO")))
        .set("registroBem", fmt::text(registro))
        .set("tipo", dependant ? "D" : "T")
        .set("uf", fmt::plain(r.str("UFIMO")))
        .set("unidade", fmt::plain(r.str("UNIDADE")))
        .set("valorExercicioAnterior", fmt::amount(r.num("I7_3")))
        .set("valorExercicioAtual", fmt::amount(r.num("I7_4")))
        .set("valorRecebido", fmt::amount(r.num("VAL_LUCRO")));
    open(e);
    Element p = collection("participacoesInventario",
                           "serpro.ppgd.irpf.bens.ItemPercentualParticipacaoInventario");
    p.set("totalPercentual", fmt::amount(0));
    leaf(p);
    leaf(collection("proprietariosUsufrutuariosBem",
                    "serpro.ppgd.irpf.bens.ProprietarioUsufrutuarioBem"));
    close("item");
}

void Writer::dividas() {
    std::vector<const Record*> rows;
    tax::for_each_live(d_.debts, [&](const Record& r) { rows.push_back(&r); });
    Element e = collection("dividas", "serpro.ppgd.irpf.dividas.Divida");
    e.set("totalExercicioAnterior", A("I13_41"))
        .set("totalExercicioAtual", A("I13_42"))
        .set("totalPgtoAnual", A("I13_51"))
        .set("ultimoIndiceGerado", std::to_string(rows.size()));
    open(e);
    long long index = 0;
    for (const Record* r : rows) {  // GRAV_DIVS
        long long code = tax::field_int(*r, "I8_5");
        if (code == 0) code = 16;
        Element i("item");
        i.set("indice", std::to_string(index++))
            .set("codigo", fmt::two(std::to_string(code)))
            .set("discriminacao", fmt::text(r->str("I8_2")))
            .set("valorExercicioAnterior", fmt::amount(r->num("I8_3")))
            .set("valorExercicioAtual", fmt::amount(r->num("I8_4")))
            .set("valorPgtoAnual", fmt::amount(r->num("I8_7")));
        leaf(i);
    }
    close("dividas");
}

void Writer::espolio() {
    const long long year = tax::field_int(d_.summary, "ANOOBITO");
    const bool dead = year > 0;
    const bool finished = d_.str("INDSFIM") == "S";
    auto yn = [&](std::string_view name) { return d_.str(name) == "S" ? "1" : "0"; };
    Element e("espolio");
    e.set("anoObito", dead ? std::to_string(year) : "")
        .set("cpfInventariante", dead && finished ? fmt::cpf(S("CPFINVENT")) : kBlankCpf)
        .set("indicadorBensInventariar", dead ? yn("INDSFIM") : "")
        .set("indicadorFinalEspolio", dead ? (d_.is_final() ? "1" : "0") : "")
        .set("indicadorSobrepartilha", "")
        .set("nomeInventariante", dead && finished ? T("NOMINVENT") : "");
    const bool sharing = dead && d_.is_final() && d_.str("INDPES") == "S";
    const bool over = dead && d_.is_final() && d_.str("INDSOBRE") == "S";
    if (!sharing && !over) {
        leaf(e);
        return;
    }
    open(e);
    if (sharing) FAZPARTILHA();
    if (over) FAZSOBREPARTI();
    close("espolio");
}

// One sharing of the estate (n = "" the sharing, "2" the over-sharing): its kind, the court
// decision or the public deed. The government program expects each attribute once; where the
// layout names one twice, the later value stands at the first place.
static void sharing_elements(const tax::Declaration& d, const std::string& n, const char* name,
                             std::string& out, std::vector<DocumentNote>& notes) {
    auto S = [&](const std::string& f) { return fmt::plain(d.str(f)); };
    auto T = [&](const std::string& f) { return fmt::text(d.str(f)); };
    const bool court = d.str("DECJUDI" + n) == "S";
    Element p(name);
    p.set("conjugeMeeiro", d.str("MEEIRO") == "S" ? "1" : "0")
        .set("cpfInventariante", fmt::cpf(S("CPFINVENT" + n)))
        .set("inventarioConjunto", "0")
        .set("morteAmbosConjuges", d.str("MORTE2") == "S" ? "1" : "0")
        .set("nomeConjugeCompanheiro", "")
        .set("nomeInventariante", T("NOMINVENT" + n))
        .set("tipoJudicial", "1")
        .set("InventarioConjunto", d.str("INVCONJ") == "S" ? "1" : "0")
        .set("tipoJudicial", court ? "1" : "0");
    p.write(out, true);
    Element j("decisaoJudicial");
    j.set("comarca", court ? T("COMARCA" + n) : "")
        .set("dtDecisaoJud", kBlankDate)
        .set("dtTransito", kBlankDate)
        .set("idVaraCivil", court ? T("VARACIVIL" + n) : "")
        .set("numProcessoJudicial", court ? S("NROPROCES" + n) : "")
        .set("uf", "")
        .set("dtDecisaoJud", court ? fmt::date(d.date("DATAPARTI" + n)) : kBlankDate)
        .set("dtTransito", court ? fmt::date(d.date("DATADECIS" + n)) : kBlankDate)
        .set("uf", court ? S("UFPROCES" + n) : "");
    j.write(out, false);
    std::string notary = T("NOMECARTO" + n);
    if (!court && char_count(notary) > 60) {
        notes.push_back(
            {DocumentNote::Kind::kCut, "Nome do cartório cortado em 60 caracteres: " + notary});
        notary = left(notary, 60);
    }
    const std::string cnpj = S("CNPJCARTO" + n);
    Element s("escrituracaoPublica");
    s.set("cnpjCartorio", !court && !cnpj.empty() ? fmt::cnpj(cnpj) : "")
        .set("dataLavratura", kBlankDate)
        .set("folhas", court ? "" : fmt::digits(d.num("FOLHCARTO" + n)))
        .set("livro", court ? "" : fmt::digits(d.num("LIVRCARTO" + n)))
        .set("municipio", court ? "" : T("MUNICARTO" + n))
        .set("nome", court ? "" : notary)
        .set("uf", court ? "" : S("UFPROCES" + n))
        .set("comarca", "")
        .set("dtDecisaoJud", kBlankDate)
        .set("dtTransito", kBlankDate)
        .set("idVaraCivil", "")
        .set("numProcessoJudicial", "")
        .set("dataLavratura", court ? kBlankDate : fmt::date(d.date("DATALAVRA" + n)));
    s.write(out, false);
    out += "</";
    out += name;
    out += '>';
}

void Writer::FAZPARTILHA() {
    sharing_elements(d_, "", "partilha", out_, doc_.notes);
}
void Writer::FAZSOBREPARTI() {
    sharing_elements(d_, "2", "sobrepartilha", out_, doc_.notes);
}

void Writer::resumo() {
    Decimal electoral;
    tax::for_each_live(d_.payments, [&](const Record& r) {
        if (tax::field_int(r, "I6_3") == 98) electoral += r.num("I6_4");
    });
    open(Element("resumo"));
    Element o("outrasInformacoes");
    Decimal deposits;
    tax::for_each_live(d_.items, [&](const Record& r) { deposits += r.num("I1_20"); });
    o.set("bensDireitosExercicioAnterior", A("I13_39"))
        .set("bensDireitosExercicioAtual", A("I13_40"))
        .set("depositosJudiciais", fmt::amount(deposits))
        .set("dividasOnusReaisExercicioAnterior", A("I13_41"))
        .set("dividasOnusReaisExercicioAtual", A("I13_42"))
        .set("impostoDevidoGCAP", A("I13_46"))
        .set("impostoDevidoGCME", fmt::amount(0))
        .set("impostoDevidoRendaVariavel", A("I13_47"))
        .set("impostoDiferidoGCAP", A("I13_46"))
        .set("impostoPagoGCAP", A("I13_46"))
        .set("impostoEspecie", fmt::amount(0))
        .set("impostoPagoME", fmt::amount(0))
        .set("impostoPagoSobreRendaVariavel", A("I13_47"))
        .set("rendIsentosNaoTributaveis", A("I13_44"))
        .set("rendIsentosTributacaoExclusiva", fmt::amount(0))
        .set("rendTributaveisExigibilidadeSuspensa", fmt::amount(0))
        .set("totalDoacoesCampanhasEleitorais", fmt::amount(electoral))
        .set("totalImpostoRetidoNaFonte", fmt::amount(0));
    leaf(o);

    // Bank data go with a refund or an automatic debit; bank "000" has none.
    const Date today = ctx_.now.date;
    const int quotas = static_cast<int>(tax::field_int(d_.registry, "QTD_QUOTA"));
    const bool to_pay = d_.num("I13_36") > 0;
    std::string debit, first_quota;
    if (to_pay && d_.str("DEBITAUT") == "S") {
        if (today > tax::DDIAENTRA) {
            warn("O débito automático poderá ser feito no Portal MIR.");
        } else if (today <= tax::DDIADEBA) {
            debit = "autorizado";
            first_quota = "1";
        } else if (quotas <= 1) {
            warn("Não é possível o débito automático da quota única\nO dia limite foi " +
                 tax::DDIADEBA.dmy() + "\nEssa quota deverá paga na Agência Bancaria");
        } else {
            debit = "autorizado";
            first_quota = "0";
            warn("Não será possível o débito automático da primeira quota\nO dia limite foi " +
                 tax::DDIADEBA.dmy() + "\nEssa quota deverá paga na Agência Bancaria");
        }
    }
    std::string bank = S("BANCO"), agency, account, dv;
    const bool with_bank =
        !bank.empty() && bank != "000" && (d_.num("I13_38") > 0 || !debit.empty());
    if (with_bank) {
        agency = left(S("AGENCIA"), 5);
        if (agency.size() == 5 && agency[0] == '0') agency = agency.substr(1);
        const std::string raw = SEMPONTO(d_.str("CONTACO"));
        if (bank == "104") {
            const std::string padded = raw + std::string(15, ' ');
            account = trim(padded.substr(1, 12));
            dv = trim(padded.substr(13, 1));
        } else {
            std::string t;
            for (char c : raw)
                if (c != ' ' && c != '-') t += c;
            if (!t.empty()) {
                dv = t.substr(t.size() - 1);
                account = t.substr(0, t.size() - 1);
            }
        }
    } else {
        bank.clear();
    }
    const long long account_kind = tax::field_int(d_.registry, "TIPOCONTA");
    Element c("calculoImposto");
    c.set("agencia", agency)
        .set("aliquotaEfetiva", "0,00")
        .set("banco", bank)
        .set("baseCalculo", A("I13_20"))
        .set("carneLeaoDependentes", A("I13_30"))
        .set("carneLeaoTitular", A("I13_29"))
        .set("contaCredito", account)
        .set("deducaoIncentivo", A("I13_22"))
        .set("descontoSimplificado", fmt::amount(simplified_discount()))
        .set("dvAgencia", "")
        .set("dvContaCredito", dv)
        .set("imposto", A("I13_21"))
        .set("impostoComplementar", A("I13_31"))
        .set("impostoDevido", A("I13_23"))
        .set("impostoDevidoI", fmt::amount(d_.num("I13_23") - d_.num("I13_24")))
        .set("impostoDevidoII", fmt::amount(d_.num("I13_23") - d_.num("I13_24")))
        .set("impostoDevidoLei14754", "0,00")
        .set("impostoDevidoRRA", A("I13_25"))
        .set("impostoPagoExterior", A("I13_32"))
        .set("impostoRestituir", A("I13_38"))
        .set("impostoRetidoFonteDependentes", A("I13_28"))
        .set("impostoRetidoFonteLei11033", A("I13_33"))
        .set("impostoRetidoFonteTitular", A("I13_27"))
        .set("impostoRetidoRRA", A("I13_34"))
        .set("operacao", "")
        .set("rendAcmDependentes", A("I13_06"))
        .set("rendAcmTitular", A("I13_05"))
        .set("rendPFEXTRecebidoDependentes", fmt::amount(d_.num("I13_04") + d_.num("I13_50")))
        .set("rendPFEXTRecebidoTitular", fmt::amount(d_.num("I13_03") + d_.num("I13_49")))
        .set("rendPJRecebidoDependentes", A("I13_02"))
        .set("rendPJRecebidoTitular", A("I13_01"))
        .set("resultadoTributavelAR", A("I13_07"))
        .set("saldoImpostoPagar", A("I13_36"))
        .set("tipoConta", with_bank && account_kind > 0 ? std::to_string(account_kind % 10) : "")
        .set("totalContribEmpregadoDomestico", A("I13_24"))
        .set("totalImpostoPago", A("I13_35"))
        .set("totalResultadosTributaveis", A("I13_08"));
    open(c);
    Element p("parcelamento");
    p.set("debitoAutomatico", debit)
        .set("indicadorPrimeiraQuota", first_quota)
        .set("numQuotas", std::to_string(quotas))
        .set("valorQuota", A("I13_37"));
    leaf(p);
    IDENTIF("identificadorDec");
    close("calculoImposto");
    Element r("rendimentosTributaveisDeducoes");
    r.set("dependentes", A("I13_12"))
        .set("despesasInstrucao", A("I13_13"))
        .set("despesasMedicas", A("I13_14"))
        .set("livroCaixa", A("I13_18"))
        .set("pensaoAlimenticia", A("I13_15"))
        .set("pensaoAlimenticiaRRA", A("I13_17"))
        .set("pensaoCartoral", A("I13_16"))
        .set("previdencia", A("I13_11"))
        .set("previdenciaOficial", A("I13_09"))
        .set("previdenciaOficialRRA", A("I13_10"))
        .set("rendRecebidoAcmDependentes", A("I13_06"))
        .set("rendRecebidoAcmTitular", A("I13_05"))
        .set("rendRecebidoPFEXTDependentes", fmt::amount(d_.num("I13_04") + d_.num("I13_50")))
        .set("rendRecebidoPFEXTTitular", fmt::amount(d_.num("I13_03") + d_.num("I13_49")))
        .set("rendRecebidoPJDependentes", A("I13_02"))
        .set("rendRecebidoPJTitular", A("I13_01"))
        .set("rendTributavelAR", A("I13_07"))
        .set("totalDeducoes", A("I13_19"))
        .set("totalRendimentos", A("I13_08"));
    open(r);
    IDENTIF("identificadorDeclaracao");
    close("rendimentosTributaveisDeducoes");
    close("resumo");
}

Decimal Writer::simplified_discount() const {
    return min((d_.num("I13_08") * Decimal::from("0.2")).round(2), tax::NDESCPRAD);
}

void Writer::comparativo() {
    Element e("comparativo");
    e.set("baseCalcCompleta", A("I13_20"))
        .set("baseCalcSimplificada", fmt::amount(d_.num("I13_08") - simplified_discount()))
        .set("impRestituirCompleta", A("I13_38"))
        .set("impRestituirSimplificada", A("I13_31"))
        .set("saldoPagarCompleta", A("I13_36"))
        .set("saldoPagarSimplificada", A("I13_31"))
        .set("totalRendTribCompleta", A("I13_08"))
        .set("totalRendTribSimplificada", A("I13_08"));
    leaf(e);
}

void Writer::doacoesEleitorais() {
    std::vector<const Record*> rows;
    Decimal total;
    tax::for_each_live(d_.payments, [&](const Record& r) {
        if (tax::field_int(r, "I6_3") != 98) return;
        rows.push_back(&r);
        total += r.num("I6_4");
    });
    Element e = collection("doacoesEleitorais", "serpro.ppgd.irpf.eleicoes.DoacaoEleitoral");
    e.set("totalDoacoes", fmt::amount(total));
    open(e);
    for (const Record* r : rows) {
        Element i("item");
        i.set("cnpj", fmt::plain(r->str("I6_2")))
            .set("nome", fmt::text(SEMPONTO(r->str("I6_1"))))
            .set("valor", fmt::amount(r->num("I6_4")));
        leaf(i);
    }
    close("doacoesEleitorais");
}

void Writer::saida() {
    Element e("saida");
    e.set("paisResidencia", "")
        .set("cpfProcurador", fmt::plain(d_.str("CPFINVENT")))
        .set("dtCondicaoNaoResidente", fmt::date(d_.date("DATASAIDA")))
        .set("dtCondicaoResidente", fmt::date(d_.date("DATADECIS")))
        .set("endProcurador", cut("endProcurador", d_.str("ENDINVENT"), 70))
        .set("nomeProcurador", T("NOMINVENT"));
    leaf(e);
}

// The twelve months of a person's stock-market statement inside `rendaVariavel`: the common
// operations' (C) and day trade's (D) lines of each month (MES_A_MES_RV).
void Writer::stock_months(const std::string& dependant) {
    gains::Statement c, t;
    gains::PRENCHE_MAT(c, gains::kCommon, dependant, gains_);
    gains::PRENCHE_MAT(t, gains::kDayTrade, dependant, gains_);
    const std::string zero = fmt::amount(0);
    Element rv("rendaVariavel");
    for (const char* n : {"totalBaseCalculo", "totalIRFonteDayTrade", "totalImpostoAPagar",
                          "totalImpostoPago", "totalImpostoRetidoFonteLei11033"})
        rv.set(n, zero);
    open(rv);
    for (int m = 1; m <= 12; ++m) {
        const std::string name = pad_right(kMonthNames[m - 1], 9);
        Element e(name);
        e.set("impostoApagar", fmt::amount(c.at(18, m)))
            .set("impostoPago", fmt::amount(c.at(28, m)))
            .set("impostoRetidoFonteLei11033", fmt::amount(c.at(24, m)))
            .set("impostoRetidoFonteLei11033MesesAnteriores", fmt::amount(c.at(25, m)))
            .set("impostoRetidoFonteLei11033MesesCompensar", fmt::amount(c.at(26, m)))
            .set("irFonteDayTradeAcompensar", fmt::amount(t.at(23, m)))
            .set("irFonteDayTradeMesAtual", fmt::amount(t.at(21, m)))
            .set("irFonteDayTradeMesesAnteriores", fmt::amount(t.at(22, m)))
            .set("totalImpostoDevido", fmt::amount(c.at(27, m)));
        open(e);
        for (const gains::Statement* st : {&c, &t}) {
            const bool common = st == &c;
            auto line = [&](int n) { return fmt::amount(st->at(n, m)); };
            Element o(common ? "operacoesComuns" : "operacoesDayTrade");
            o.set("aliquotaDoImposto", common ? "15%" : "20%")
                .set("baseCalculoImposto", line(16))
                .set("impostoDevido", line(common ? 18 : 19))
                .set("mercadoFuturoDolar", line(8))
                .set("mercadoFuturoIndices", line(9))
                .set("mercadoFuturoJuros", line(10))
                .set("mercadoFuturoOutros", line(11))
                .set("mercadoOpcoesAcoes", line(4))
                .set("mercadoOpcoesForaDeBolsa", line(6))
                .set("mercadoOpcoesOuro", line(5))
                .set("mercadoOpcoesOutros", line(7))
                .set("mercadoTermoAcoes", line(12))
                .set("mercadoTermoOutros", line(13))
                .set("mercadoVistaAcoes", line(1))
                .set("mercadoVistaForaBolsa", line(3))
                .set("mercadoVistaOuro", line(2))
                .set("prejuizoCompensar", fmt::amount(-st->at(17, m)))
                .set("resultadoLiquidoMes", line(14))
                .set("resultadoNegativoMesAnterior", fmt::amount(-st->at(15, m)));
            leaf(o);
        }
        close(name);
    }
    close("rendaVariavel");
}

// The twelve months of a person's real-estate fund statement inside `fundosInvestimentos`
// (MES_A_MES_FI); the loss lines are written as positive amounts.
void Writer::fund_months(const std::string& dependant) {
    gains::Statement f;
    gains::PRENCHE_MAT(f, gains::kFund, dependant, gains_);
    const std::string zero = fmt::amount(0);
    Element fi("fundosInvestimentos");
    for (const char* n : {"totalBaseCalcImposto", "totalImpostoDevido", "totalImpostoPago",
                          "totalImpostoRetidoFonteLei11033"})
        fi.set(n, zero);
    open(fi);
    for (int m = 1; m <= 12; ++m) {
        auto line = [&](int n) { return fmt::amount(f.at(n, m)); };
        Element e(std::string(kMonthNames[m - 1], 3));
        e.set("aliquotaImposto", "20,00")
            .set("baseCalcImposto", line(3))
            .set("impostoAPagar", line(9))
            .set("impostoDevido", line(5))
            .set("impostoPago", line(10))
            .set("impostoRetidoCompensar", m == 1 ? zero : line(8))
            .set("impostoRetidoFonte", line(7))
            .set("impostoRetidoMesesAnteriores", m == 1 ? zero : line(6))
            .set("prejuizoCompensar", fmt::amount(f.at(4, m).abs()))
            .set("resultNegativoAnterior", fmt::amount(f.at(2, m).abs()))
            .set("resultLiquidoMes", line(1));
        leaf(e);
    }
    close("fundosInvestimentos");
}

// The variable-income part (PREP_RVAR): the declarant's stock-market months, an item per
// dependant with stock-market lines, the declarant's fund months, an item per dependant with fund
// lines. A person's statement is read from the stored lines and recomputed, as the statement
// screen shows it.
void Writer::renda_variavel() {
    const std::string zero = fmt::amount(0);
    // Dependants (codes below 98, with a CPF) holding records of the given kinds.
    auto holders = [&](bool funds) {
        std::vector<std::string> out;
        tax::for_each_live(d_.dependants, [&](const Record& r) {
            const std::string cpf = trim(r.str("CPFDEPEN"));
            if (cpf.empty() || tax::field_int(r, "CODIDEPEN") >= 98) return;
            for (const Record& g : gains_) {
                if (g.deleted || g.num("TIPO_BEM") != Decimal(gains::kVariableIncome) ||
                    trim(g.str("CPF_DEPE")) != cpf)
                    continue;
                const bool fund = trim(g.str("DAY_TRADE")) == std::string(1, gains::kFund);
                if (fund == funds) {
                    out.push_back(cpf);
                    return;
                }
            }
        });
        return out;
    };
    stock_months("");
    Element rvd = collection("rendaVariavelDependente",
                             "serpro.ppgd.irpf.rendavariavel.ItemRendaVariavelDependente");
    for (const char* n : {"totalBaseCalculo", "totalIRFonteDayTrade", "totalImpostoAPagar",
                          "totalImpostoPago", "totalImpostoRetidoFonteLei11033"})
        rvd.set(n, zero);
    open(rvd);
    for (const std::string& cpf : holders(false)) {
        Element item("item");
        item.set("cpf", fmt::cpf(cpf));
        open(item);
        stock_months(cpf);
        close("item");
    }
    close("rendaVariavelDependente");
    fund_months("");
    Element fid = collection("fundosInvestimentosDependente",
                             "serpro.ppgd.irpf.rendavariavel.ItemFundosInvestimentosDependente");
    for (const char* n : {"totalBaseCalculo", "totalImpostoDevido", "totalImpostoPago",
                          "totalImpostoRetidoFonteLei11033"})
        fid.set(n, zero);
    open(fid);
    for (const std::string& cpf : holders(true)) {
        Element item("item");
        item.set("cpf", fmt::cpf(cpf));
        open(item);
        fund_months(cpf);
        close("item");
    }
    close("fundosInvestimentosDependente");
}

Status Writer::build_gains() {
    renda_variavel();
    return GANHOCAP();
}

Status Writer::build() {
    classe();
    contribuinte();
    dependentes();
    alimentandos();
    rendPJ();
    rendPF();
    rendAcm();
    rendIsentos();
    rendTributacaoExclusiva();
    impostoPago();
    herdeiros();
    pagamentos();
    doacoes();
    bens();
    aplicacoes();
    dividas();
    espolio();
    resumo();
    estatutos();
    comparativo();
    doacoesEleitorais();
    saida();
    renda_variavel();
    rural();
    if (Status st = GANHOCAP(); !st) return st;
    IDENTIF("copiaIdentificador");
    close("classe");
    return Status::ok();
}

}  // namespace detail

const char* note_kind_name(DocumentNote::Kind k) {
    switch (k) {
        case DocumentNote::Kind::kWarning:
            return "aviso";
        case DocumentNote::Kind::kDropped:
            return "omitido";
        case DocumentNote::Kind::kCut:
            return "cortado";
    }
    return "";
}

Status build_document(const tax::Declaration& d, const std::vector<store::Record>& gains,
                      const std::vector<store::Record>& costs, const DocumentContext& ctx,
                      Document* out, const rural::RuralTables* rural) {
    if (ctx.xmlns.empty())
        return Status::invalid("namespace das declarações do IRPF não informado");
    if (d.str("TEMRURAL") == "S" && rural == nullptr)
        return Status::invalid(
            "declaração com atividade rural sem os dados da atividade "
            "rural; declaração não gerada");
    Document doc;
    if (Status s = detail::Writer(d, gains, costs, rural, ctx, doc).build(); !s) return s;
    *out = std::move(doc);
    return Status::ok();
}

Status build_gains_parts(const tax::Declaration& d, const std::vector<store::Record>& gains,
                         const std::vector<store::Record>& costs, const DocumentContext& ctx,
                         Document* out) {
    Document doc;
    doc.text = "<ganhosCapital>";
    if (Status s = detail::Writer(d, gains, costs, nullptr, ctx, doc).build_gains(); !s) return s;
    doc.text += "</ganhosCapital>";
    *out = std::move(doc);
    return Status::ok();
}

Status write_document(store::Env& env, const std::string& path, const Document& doc,
                      store::Durability durability) {
    const bool synced = durability == store::Durability::kSynced;
    std::unique_ptr<store::File> f;
    std::string temp;
    if (Status s = env.create_temp(path, &f, &temp); !s) return s;
    Status s = f->write(0, doc.text);
    if (s && synced) s = f->sync();
    f.reset();
    if (s) s = env.rename(temp, path);
    if (!s) {
        (void)env.remove(temp);
        return s;
    }
    return synced ? env.sync_dir(store::dir_of(path)) : Status::ok();
}

namespace {

// The `xmlns` of the root of an XML file; "" when the file cannot be read or has none.
std::string namespace_of(store::Env& env, const std::string& path) {
    std::unique_ptr<store::File> f;
    if (!env.open(path, store::OpenFor::kRead, &f)) return "";
    uint64_t size = 0;
    if (!f->size(&size) || size > (64u << 20)) return "";
    std::string data(size, '\0');
    size_t got = 0;
    if (!f->read(0, data.data(), data.size(), &got)) return "";
    data.resize(got);
    pugi::xml_document xml;
    if (!xml.load_buffer(data.data(), data.size())) return "";
    return xml.document_element().attribute("xmlns").as_string();
}

}  // namespace

Status read_declaration_namespace(store::Env& env, const std::string& irpf_folder,
                                  const std::string& setting, std::string* out) {
    if (!irpf_folder.empty() && env.is_directory(irpf_folder)) {
        std::string ns = namespace_of(env, store::find_file(env, irpf_folder, "iddeclaracoes.xml"));
        if (!ns.empty()) {
            *out = ns;
            return Status::ok();
        }
        std::vector<std::string> names;
        if (env.list(irpf_folder, &names)) {
            std::sort(names.begin(), names.end());
            for (const auto& n : names) {
                const std::string dir = store::join_path(irpf_folder, n);
                if (n.size() != 11 || !env.is_directory(dir)) continue;
                std::vector<std::string> files;
                if (!env.list(dir, &files)) continue;
                std::sort(files.begin(), files.end());
                for (const auto& file : files) {
                    if (file.size() < 4 || lower(file.substr(file.size() - 4)) != ".xml") continue;
                    ns = namespace_of(env, store::join_path(dir, file));
                    if (!ns.empty()) {
                        *out = ns;
                        return Status::ok();
                    }
                }
            }
        }
    }
    if (!trim(setting).empty()) {
        *out = trim(setting);
        return Status::ok();
    }
    return Status::not_found(
        "namespace das declarações do IRPF não encontrado: nenhuma declaração do programa da "
        "Receita em '" +
        irpf_folder + "' e VORN_IRPF_XMLNS não definido");
}

}  // namespace vorn::output
