// The declaration document: the declaration's elements in the government program's order, each
// element's attributes in its catalogue order, written into one line after the header line.
#include "output/document.h"

#include <algorithm>
#include <array>
#include <memory>
#include <optional>

#include <pugixml.hpp>

#include "base/helpers.h"
#include "base/text.h"
#include "base/validate.h"
#include "output/document_format.h"
#include "rural/result.h"
#include "tax/leao.h"
#include "tax/year.h"

namespace vorn::output {
namespace {

using fmt::Element;
using store::Record;

constexpr const char* kBlankCpf = "   .   .   -  ";
constexpr const char* kBlankDate = "  /  /    ";

std::string digits_of(std::string_view t) {
    std::string out;
    for (char c : t)
        if (c >= '0' && c <= '9') out += c;
    return out;
}

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

class Writer {
  public:
    Writer(const tax::Declaration& d, const rural::RuralTables* rural, const DocumentContext& ctx,
           Document& doc)
        : d_(d), rural_(rural), ctx_(ctx), doc_(doc), out_(doc.text) {}

    void build();

  private:
    std::string A(std::string_view name) const { return fmt::amount(d_.num(name)); }
    std::string T(std::string_view name) const { return fmt::text(d_.str(name)); }
    std::string S(std::string_view name) const { return fmt::plain(d_.str(name)); }
    std::string taxpayer_cpf() const { return fmt::cpf(d_.cpf()); }
    void note(DocumentNote::Kind k, std::string text) {
        doc_.notes.push_back({k, std::move(text)});
    }
    void warn(std::string text) { note(DocumentNote::Kind::kWarning, std::move(text)); }
    // Text cut to `n` characters for its attribute; the cut is reported.
    std::string cut(std::string_view what, std::string_view value, size_t n) {
        const std::string t = fmt::text(value);
        if (char_count(t) <= n) return t;
        note(DocumentNote::Kind::kCut,
             std::string(what) + " cortado em " + std::to_string(n) + " caracteres: " + t);
        return left(t, n);
    }
    void open(const Element& e) { e.write(out_, true); }
    void leaf(const Element& e) { e.write(out_, false); }
    void close(std::string_view name) {
        out_ += "</";
        out_ += name;
        out_ += '>';
    }
    static Element collection(std::string name, std::string type) {
        Element e(std::move(name));
        e.set("tipoItens", std::move(type));
        return e;
    }

    void classe();
    void contribuinte();
    void dependentes();
    void alimentandos();
    void rendPJ();
    void rendPF();
    void months(const tax::PersonMonths& p, const std::string* dependants);
    void PEGA_CLIENTES(const Record* person, const tax::PersonMonths& p, const std::string& cpf);
    std::string payer_cpf(std::string_view value, std::string_view what);
    void rendAcm();
    void FAZ_ACUMULADO(int who);
    void rendIsentos();
    void rendTributacaoExclusiva();
    void ENCHEQUADRO(const Quadro& q);
    void aplicacoes();
    void estatutos();
    void impostoPago();
    void herdeiros();
    void pagamentos();
    void doacoes();
    void bens();
    void GRAV_BENS(const Record& r, long long index);
    void dividas();
    void espolio();
    void FAZPARTILHA();
    void FAZSOBREPARTI();
    void resumo();
    void comparativo();
    void doacoesEleitorais();
    void saida();
    void rural();
    void ATIVIDADE(const Record& result, bool brazil);
    void AARVAZIO(bool brazil);
    void BENS_RURAL();
    void renda_variavel_vazia();
    void SEMGANHO();
    Decimal simplified_discount() const;
    void IDENTIF(const char* element);
    const Record* linked_dependant(const Record& payment) const;

    const tax::Declaration& d_;
    const rural::RuralTables* rural_;
    const DocumentContext& ctx_;
    Document& doc_;
    std::string& out_;
};

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

constexpr const char* kMonthNames[] = {"janeiro",  "fevereiro", "marco",    "abril",
                                       "maio",     "junho",     "julho",    "agosto",
                                       "setembro", "outubro",   "novembro", "dezembro"};

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

// The name of a part of the declaration that this writer cannot yet write with its items, when
// the declaration holds data for it; empty when it holds none. Such a declaration is refused so
// that no document leaves out what the client declared.
std::string unwritten_section(const std::vector<Record>& gains) {
    for (const auto& g : gains)
        if (!g.deleted) return "ganhos de capital e renda variável";
    return "";
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

// The rural part: with rural activity each country's activity (or its empty form when only the
// other country has one) and the rural assets; without, the empty structure.
void Writer::rural() {
    const bool active = d_.str("TEMRURAL") == "S" && rural_ != nullptr;
    open(Element("atividadeRural"));
    for (bool brazil : {true, false}) {
        const Record* result = active ? rural::result_of(*rural_, brazil) : nullptr;
        if (result)
            ATIVIDADE(*result, brazil);
        else
            AARVAZIO(brazil);
    }
    if (active) {
        BENS_RURAL();
    } else {
        Element b = collection("bens", "serpro.ppgd.irpf.atividaderural.BemAR");
        b.set("totalAnterior", "0,00").set("totalAtual", "0,00").set("ultimoIndiceGerado", "");
        leaf(b);
    }
    close("atividadeRural");
}

// The empty activity of one country (AARVAZIO "S" Brazil, "N" abroad).
void Writer::AARVAZIO(bool brazil) {
    const char* name = brazil ? "brasil" : "exterior";
    open(Element(name));
    Element id = collection("identificacaoImovel",
                            brazil ? "serpro.ppgd.irpf.atividaderural.brasil.ImovelARBrasil"
                                   : "serpro.ppgd.irpf.atividaderural.ImovelAR");
    id.set("ultimoIndiceGerado", "");
    leaf(id);
    Element rd("receitasDespesas");
    rd.set("totalDespesas", "0,00")
        .set("totalReceita", "0,00")
        .set("tipoItens", "serpro.ppgd.irpf.atividaderural.exterior.ReceitaDespesa")
        .set("totais", "0,00");
    open(rd);
    for (const char* m : kMonthNames) {
        Element e(m);
        e.set("despesaCusteioInvestimento", "0,00").set("receitaBrutaMensal", "0,00");
        leaf(e);
    }
    close("receitasDespesas");
    Element a("apuracaoResultado");
    for (const char* n : {"compensacaoPrejuizoExerciciosAnteriores", "despesaCusteio",
                          "limiteVintePorCentoReceitaBruta"})
        a.set(n, "0,00");
    a.set("opcaoFormaApuracao", "");
    for (const char* n : {"prejuizoCompensar", "prejuizoExercicioAnterior", "receitaBrutaTotal",
                          "receitaRecebidaContaVenda", "resultadoI", "resultadoNaoTributavel",
                          "resultadoTributavel", "valorAdiantamento", "EmDolar", "EmReais"})
        a.set(n, "0,00");
    leaf(a);
    if (brazil) {
        open(Element("movimentacaoRebanho"));
        for (const char* herd : {"bovinos", "suinos", "caprinos", "asininos", "outros"}) {
            Element h(herd);
            for (const char* n : {"aquisicoesAno", "consumo", "estoqueFinal", "estoqueInicial",
                                  "nascidosAno", "vendas"})
                h.set(n, "0,00");
            leaf(h);
        }
        close("movimentacaoRebanho");
    }
    Element dv = collection("dividas", "serpro.ppgd.irpf.atividaderural.DividaAR");
    dv.set("totalAnterior", "0,00").set("totalAtual", "0,00").set("valorPagamentoAnual", "0,00");
    leaf(dv);
    close(name);
}

// The activity of one country as the rural result holds it (ATIVIDADE "S" Brazil, "N" abroad):
// the properties with their partners, the monthly revenue and expenses (abroad also by
// country), the result, the herd (Brazil) and the rural debts.
void Writer::ATIVIDADE(const Record& result, bool brazil) {
    const char* name = brazil ? "brasil" : "exterior";
    const std::vector<Record> properties = rural::of_country(rural_->properties, brazil);
    const std::vector<Record> debts = rural::of_country(rural_->debts, brazil);
    auto num = [](const Record& r, const char* f) { return r.num(f); };
    open(Element(name));

    // Properties: the records sharing a property number are one property and its partners.
    std::vector<std::vector<const Record*>> groups;
    for (const Record& p : properties) {
        if (p.deleted) continue;
        const long long n = tax::field_int(p, "I2R_00");
        auto it = std::find_if(groups.begin(), groups.end(), [&](const auto& g) {
            return n != 0 && tax::field_int(*g.front(), "I2R_00") == n;
        });
        if (it == groups.end())
            groups.push_back({&p});
        else
            it->push_back(&p);
    }
    Element id = collection("identificacaoImovel",
                            brazil ? "serpro.ppgd.irpf.atividaderural.brasil.ImovelARBrasil"
                                   : "serpro.ppgd.irpf.atividaderural.ImovelAR");
    id.set("ultimoIndiceGerado", "0");
    if (groups.empty()) {
        leaf(id);
    } else {
        open(id);
        long long index = 0;
        for (const auto& g : groups) {
            const Record& p = *g.front();
            Element i("item");
            i.set("area", fmt::one_decimal(p.num("I2R_02")))
                .set("cib", fmt::plain(p.str("I2R_03")))
                .set("codigo", fmt::whole(p.num("I2R_07")))
                .set("condicaoExploracao", fmt::whole(p.num("I2R_05")))
                .set("indice", std::to_string(++index))
                .set("localizacao", fmt::text(p.str("I2R_06")))
                .set("nome", fmt::text(p.str("I2R_01")))
                .set("participacao", fmt::amount(p.num("I2R_04")));
            open(i);
            Element parts = collection("participantesImovelAR",
                                       "serpro.ppgd.irpf.atividaderural.ParticipanteImovelAR");
            std::vector<const Record*> partners;
            for (const Record* r : g)
                if (!trim(r->str("NOME_CONTR")).empty() || !trim(r->str("CPFPJ_CONT")).empty())
                    partners.push_back(r);
            if (partners.empty()) {
                leaf(parts);
            } else {
                open(parts);
                long long k = 0;
                for (const Record* r : partners) {
                    // A partner without a Brazilian CPF or CNPJ is a foreigner.
                    const std::string ni = fmt::plain(r->str("CPFPJ_CONT"));
                    Element pi("item");
                    pi.set("estrangeiro", ni.empty() ? "1" : " ")
                        .set("indice", std::to_string(++k))
                        .set("ni", ni)
                        .set("nome", fmt::text(r->str("NOME_CONTR")));
                    leaf(pi);
                }
                close("participantesImovelAR");
            }
            close("item");
        }
        close("identificacaoImovel");
    }

    Decimal abroad_revenue, abroad_dollars;
    for (const Record& p : properties) {
        abroad_revenue += p.num("RECEXT");
        abroad_dollars += p.num("RESUS");
    }
    Element rd("receitasDespesas");
    rd.set("totalDespesas", fmt::amount(num(result, "I4R_02")))
        .set("totalReceita", fmt::amount(num(result, "I4R_01")))
        .set("tipoItens", "serpro.ppgd.irpf.atividaderural.exterior.ReceitaDespesa")
        .set("totais", fmt::amount(abroad_revenue));
    open(rd);
    for (int m = 1; m <= 12; ++m) {
        Element e(kMonthNames[m - 1]);
        e.set("despesaCusteioInvestimento",
              fmt::amount(result.num("I3_" + tax::two_digits(m) + "OD")))
            .set("receitaBrutaMensal", fmt::amount(result.num("I3_" + tax::two_digits(m) + "OR")));
        leaf(e);
    }
    if (!brazil)
        for (const Record& p : properties) {
            const std::string country = fmt::plain(p.str("CODPAIS"));
            auto it = ctx_.countries.find(country);
            if (it == ctx_.countries.end())
                note(DocumentNote::Kind::kDropped,
                     "País " + country + " da atividade rural não encontrado na tabela");
            Element i("item");
            i.set("descricaoPais", fmt::text(it == ctx_.countries.end() ? "" : it->second))
                .set("despesaCusteio", fmt::amount(p.num("DESEXT")))
                .set("pais", country)
                .set("receitaBruta", fmt::amount(p.num("RECEXT")))
                .set("resultadoIMoedaOriginal", fmt::amount(p.num("RECEXT") - p.num("DESEXT")))
                .set("resultadoI_EmDolar", fmt::amount(p.num("RESUS")));
            leaf(i);
        }
    close("receitasDespesas");

    const Decimal taxable = num(result, "I4R_07");
    Element a("apuracaoResultado");
    a.set("compensacaoPrejuizoExerciciosAnteriores", fmt::amount(num(result, "I4R_05")))
        .set("despesaCusteio", fmt::amount(num(result, "I4R_02")))
        .set("limiteVintePorCentoReceitaBruta", fmt::amount(num(result, "I4R_06")))
        .set("opcaoFormaApuracao", rural::opted_20(result) ? "1" : "2")
        .set("prejuizoCompensar", fmt::amount(num(result, "I5_08")))
        .set("prejuizoExercicioAnterior", fmt::amount(num(result, "I4R_04")))
        .set("receitaBrutaTotal", fmt::amount(num(result, "I4R_01")))
        .set("receitaRecebidaContaVenda", fmt::amount(num(result, "I5_09")))
        .set("resultadoI", fmt::amount(num(result, "I4R_03")))
        .set("resultadoNaoTributavel", fmt::amount(num(result, "I6_10")))
        .set("resultadoTributavel", fmt::amount(taxable > 0 ? taxable : Decimal()))
        .set("valorAdiantamento", fmt::amount(num(result, "I5_10")))
        .set("resultadoI_EmDolar", fmt::amount(brazil ? Decimal() : abroad_dollars))
        .set("resultadoI_EmReais", fmt::amount(num(result, "I4R_03")));
    leaf(a);

    if (brazil) {
        open(Element("movimentacaoRebanho"));
        static constexpr std::pair<const char*, const char*> kHerds[] = {{"bovinos", "B"},
                                                                         {"suinos", "S"},
                                                                         {"caprinos", "C"},
                                                                         {"asininos", "A"},
                                                                         {"outros", "V1"}};
        for (auto [herd, suffix] : kHerds) {
            auto field = [&](int k) {
                return Decimal(result.num("I7_" + std::to_string(k) + suffix).whole());
            };
            Element h(herd);
            h.set("aquisicoesAno", fmt::amount(field(2)))
                .set("consumo", fmt::amount(field(4)))
                .set("estoqueFinal", fmt::amount(Decimal(static_cast<long long>(
                                         rural::herd_closing(result, suffix)))))
                .set("estoqueInicial", fmt::amount(field(1)))
                .set("nascidosAno", fmt::amount(field(3)))
                .set("vendas", fmt::amount(field(5)));
            leaf(h);
        }
        close("movimentacaoRebanho");
    }

    Decimal before, after, paid;
    for (const Record& r : debts) {
        before += r.num("I9R_2");
        after += r.num("I9R_3");
        paid += r.num("I9R_4");
    }
    Element dv = collection("dividas", "serpro.ppgd.irpf.atividaderural.DividaAR");
    dv.set("totalAnterior", fmt::amount(before))
        .set("totalAtual", fmt::amount(after))
        .set("valorPagamentoAnual", fmt::amount(paid));
    if (debts.empty()) {
        leaf(dv);
    } else {
        open(dv);
        for (const Record& r : debts) {
            Element i("item");
            i.set("contraidasAteExercicioAnterior", fmt::amount(r.num("I9R_2")))
                .set("contraidasAteExercicioAtual", fmt::amount(r.num("I9R_3")))
                .set("discriminacao", fmt::text(r.str("I9R_1")))
                .set("valorPagamentoAnual", fmt::amount(r.num("I9R_4")));
            leaf(i);
        }
        close("dividas");
    }
    close(name);
}

// The rural assets, those of the activity in Brazil first (BENS_RURAL "S"), then abroad ("N"),
// numbered as kept; `ultimoIndiceGerado` is the last number written.
void Writer::BENS_RURAL() {
    std::vector<const Record*> rows;
    for (bool brazil : {true, false})
        for (const Record& r : rural_->assets)
            if (!r.deleted && (r.str("ATV_BRASIL") != "N") == brazil) rows.push_back(&r);
    Decimal before, after;
    for (const Record* r : rows) {
        before += r->num("I8R_2");
        after += r->num("I8R_5");
    }
    long long last = 0, running = 0;
    std::vector<long long> numbers;
    for (const Record* r : rows) {
        const long long n = tax::field_int(*r, "ITEM");
        numbers.push_back(n > 0 ? n : running + 1);
        running = numbers.back();
        last = std::max(last, running);
    }
    Element b = collection("bens", "serpro.ppgd.irpf.atividaderural.BemAR");
    b.set("totalAnterior", fmt::amount(before))
        .set("totalAtual", fmt::amount(after))
        .set("ultimoIndiceGerado", rows.empty() ? "" : std::to_string(last));
    if (rows.empty()) {
        leaf(b);
        return;
    }
    open(b);
    for (size_t k = 0; k < rows.size(); ++k) {
        const Record& r = *rows[k];
        std::string country = fmt::plain(r.str("I8R_3"));
        if (country.empty()) country = "105";
        std::string country_name = "Brasil";
        if (auto it = ctx_.countries.find(country); it != ctx_.countries.end())
            country_name = it->second;
        else if (country != "105")
            note(DocumentNote::Kind::kDropped,
                 "País " + country + " do bem da atividade rural não encontrado na tabela");
        Element i("item");
        i.set("codigo", fmt::text(tax::field_text(r, "CODIGO")))
            .set("discriminacao", fmt::text(r.str("I8R_1")))
            .set("indice", std::to_string(numbers[k]))
            .set("nomePais", fmt::text(country_name))
            .set("pais", country)
            .set("valorExercicioAnterior", fmt::amount(r.num("I8R_2")))
            .set("valorExercicioAtual", fmt::amount(r.num("I8R_5")));
        leaf(i);
    }
    close("bens");
}

// The variable-income part with every month zero (declarations with variable-income records are
// refused before writing): the declarant's stock-market and fund months, no dependant items.
void Writer::renda_variavel_vazia() {
    const std::string zero = fmt::amount(0);
    Element rv("rendaVariavel");
    for (const char* n : {"totalBaseCalculo", "totalIRFonteDayTrade", "totalImpostoAPagar",
                          "totalImpostoPago", "totalImpostoRetidoFonteLei11033"})
        rv.set(n, zero);
    open(rv);
    for (const char* month : kMonthNames) {
        const std::string name = pad_right(month, 9);
        Element m(name);
        for (const char* n :
             {"impostoApagar", "impostoPago", "impostoRetidoFonteLei11033",
              "impostoRetidoFonteLei11033MesesAnteriores",
              "impostoRetidoFonteLei11033MesesCompensar", "irFonteDayTradeAcompensar",
              "irFonteDayTradeMesAtual", "irFonteDayTradeMesesAnteriores", "totalImpostoDevido"})
            m.set(n, zero);
        open(m);
        for (auto [op, rate] :
             {std::pair{"operacoesComuns", "15%"}, std::pair{"operacoesDayTrade", "20%"}}) {
            Element o(op);
            o.set("aliquotaDoImposto", rate);
            for (const char* n :
                 {"baseCalculoImposto", "impostoDevido", "mercadoFuturoDolar",
                  "mercadoFuturoIndices", "mercadoFuturoJuros", "mercadoFuturoOutros",
                  "mercadoOpcoesAcoes", "mercadoOpcoesForaDeBolsa", "mercadoOpcoesOuro",
                  "mercadoOpcoesOutros", "mercadoTermoAcoes", "mercadoTermoOutros",
                  "mercadoVistaAcoes", "mercadoVistaForaBolsa", "mercadoVistaOuro",
                  "prejuizoCompensar", "resultadoLiquidoMes", "resultadoNegativoMesAnterior"})
                o.set(n, zero);
            leaf(o);
        }
        close(name);
    }
    close("rendaVariavel");
    Element rvd = collection("rendaVariavelDependente",
                             "serpro.ppgd.irpf.rendavariavel.ItemRendaVariavelDependente");
    for (const char* n : {"totalBaseCalculo", "totalIRFonteDayTrade", "totalImpostoAPagar",
                          "totalImpostoPago", "totalImpostoRetidoFonteLei11033"})
        rvd.set(n, zero);
    open(rvd);
    close("rendaVariavelDependente");
    Element fi("fundosInvestimentos");
    for (const char* n : {"totalBaseCalcImposto", "totalImpostoDevido", "totalImpostoPago",
                          "totalImpostoRetidoFonteLei11033"})
        fi.set(n, zero);
    open(fi);
    for (const char* month : kMonthNames) {
        Element m(std::string(month, 3));
        m.set("aliquotaImposto", "20,00");
        for (const char* n :
             {"baseCalcImposto", "impostoAPagar", "impostoDevido", "impostoPago",
              "impostoRetidoCompensar", "impostoRetidoFonte", "impostoRetidoMesesAnteriores",
              "prejuizoCompensar", "resultNegativoAnterior", "resultLiquidoMes"})
            m.set(n, zero);
        leaf(m);
    }
    close("fundosInvestimentos");
    Element fid = collection("fundosInvestimentosDependente",
                             "serpro.ppgd.irpf.rendavariavel.ItemFundosInvestimentosDependente");
    for (const char* n : {"totalBaseCalculo", "totalImpostoDevido", "totalImpostoPago",
                          "totalImpostoRetidoFonteLei11033"})
        fid.set(n, zero);
    open(fid);
    close("fundosInvestimentosDependente");
}

// The capital-gains part without gains: the declarant as the only seller, empty collections and
// zero totals.
void Writer::SEMGANHO() {
    const std::string zero = fmt::amount(0);
    Date from(2025, 1, 1), to = tax::kYearEnd;
    if (d_.is_departure()) {
        if (!d_.date("DATADECIS").blank())
            from = d_.date("DATADECIS");
        else if (!d_.date("DATASAIDA").blank())
            to = d_.date("DATASAIDA");
    }
    const long long ddd = tax::field_int(d_.registry, "DDDTEL");
    const std::string country = S("CODPAIS");
    open(Element("gcap"));
    open(collection("ids", "serpro.ppgd.irpf.gcap.IdDemonstrativoGCAP"));
    Element id("item");
    id.set("cpf", taxpayer_cpf())
        .set("dataFimPermanencia", fmt::date(to))
        .set("dataInicioPermanencia", fmt::date(from))
        .set("dataUltimoAcesso", "  /  /       :  :  ")
        .set("dddDeclarante", ddd >= 10 && ddd <= 100 ? S("DDDTEL") : "")
        .set("exercicio", "2025")
        .set("nome", T("NOMECONTR"))
        .set("paisDeclarante", d_.str("EXTERIOR") == "S" && !country.empty() ? country : "105")
        .set("telefoneDeclarante", S("TELEFO"))
        .set("territorioParaisoFiscal", "");
    leaf(id);
    close("ids");
    auto totals = [&](const char* name, const char* type, std::initializer_list<const char*> ns) {
        Element e = collection(name, type);
        for (const char* n : ns) e.set(n, zero);
        open(e);
        close(name);
    };
    const auto real_estate = {"totalImpostoDevidoAnoAtual",
                              "totalImpostoDiferidoAnosAnteriores",
                              "totalImpostoDiferidoAnosPosteriores",
                              "totalImpostoPagoBrasil",
                              "totalImpostoPagoExterior",
                              "totalImpostoReferenteAlienacaoAnoAtual",
                              "totalImpostoTotal",
                              "totalRendIsentosNaoTributaveisBrasil",
                              "totalRendIsentosNaoTributaveisExterior",
                              "totalRendSujeitosTributacaoBrasil",
                              "totalRendSujeitosTributacaoExterior",
                              "totalValorIRF"};
    totals("bensImoveis", "serpro.ppgd.irpf.gcap.alienacao.AlienacaoBemImovel", real_estate);
    totals("bensMoveis", "serpro.ppgd.irpf.gcap.alienacao.AlienacaoBemMovel", real_estate);
    totals("pSocietarias", "serpro.ppgd.irpf.gcap.alienacao.AlienacaoParticipacaoSocietaria",
           {"totalImpostevidoAnoAtual", "totalImpostoDiferidoAnosAnteriores",
            "totalImpostoDiferidoAnosPosteriores", "totalImpostoPago",
            "totalImpostoReferenteAlienacaoAnoAtual", "totalImpostoTotal",
            "totalRendIsentosNaoTributaveis", "totalRendSujeitosTributacao", "totalValorIRF"});
    Element especie("especie");
    especie.set("aliquotaMedia", "0,000000")
        .set("cpf", kBlankCpf)
        .set("dataFimPermanencia", kBlankDate)
        .set("dataInicioPermanencia", kBlankDate)
        .set("ganhoCapitalTotal", zero)
        .set("impostoDevido", zero)
        .set("tipoItens", "serpro.ppgd.irpf.gcap.especie.MoedaAlienada");
    open(especie);
    close("especie");
    for (const char* name : {"consolidacoesBrasil", "consolidacoesExterior"}) {
        open(collection(name, "serpro.ppgd.irpf.gcap.consolidacao.Consolidacao"));
        close(name);
    }
    for (const char* name : {"consolidacaoGeralBrasil", "consolidacaoGeralExterior"}) {
        Element e(name);
        e.set("cpf", kBlankCpf)
            .set("dataFimPermanencia", kBlankDate)
            .set("dataInicioPermanencia", kBlankDate);
        for (const char* n : {"impostoDevidoAnoAtual", "impostoDiferidoAnosAnteriores",
                              "impostoDiferidoAnosPosteriores", "impostoReferenteAlienacaoAnoAtual",
                              "impostoTotal", "valorIRF"})
            e.set(n, zero);
        leaf(e);
    }
    Element ge("consolidacaoGeralEspecie");
    ge.set("ganhoCapitalTotal", zero)
        .set("impostoDevido", zero)
        .set("tipoItens", "serpro.ppgd.irpf.gcap.consolidacao.ConsolidacaoEspecie");
    open(ge);
    close("consolidacaoGeralEspecie");
    open(collection("colecaoTotalizacaoMoedasAlienadas",
                    "serpro.ppgd.irpf.gcap.especie.TotalizacaoMoedasAlienadas"));
    open(Element("item"));
    static const char* const kMes[] = {"Janeiro",  "Fevereiro", "Marco",    "Abril",
                                       "Maio",     "Junho",     "Julho",    "Agosto",
                                       "Setembro", "Outubro",   "Novembro", "Dezembro"};
    for (int m = 0; m < 12; ++m) {
        Element e(kMonthNames[m]);
        for (const char* n : {"alienacoesConsolidadasDolar", "alienacoesDolar", "ganhosCapital",
                              "ganhosCapitalTributavel", "impostoDevido", "impostoPago"})
            e.set(n, zero);
        e.set("aliquotaMedia", "15,000000").set("mes", kMes[m]);
        leaf(e);
    }
    close("item");
    close("colecaoTotalizacaoMoedasAlienadas");
    close("gcap");
}

void Writer::build() {
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
    renda_variavel_vazia();
    rural();
    SEMGANHO();
    IDENTIF("copiaIdentificador");
    close("classe");
}

}  // namespace

Status build_document(const tax::Declaration& d, const std::vector<store::Record>& gains,
                      const DocumentContext& ctx, Document* out, const rural::RuralTables* rural) {
    if (ctx.xmlns.empty())
        return Status::invalid("namespace das declarações do IRPF não informado");
    if (const std::string section = unwritten_section(gains); !section.empty())
        return Status::invalid("CPF " + d.cpf() + ": a seção \"" + section +
                               "\" ainda não é gerada por este programa; declaração não gerada");
    if (d.str("TEMRURAL") == "S" && rural == nullptr)
        return Status::invalid("CPF " + d.cpf() +
                               ": declaração com atividade rural sem os dados da atividade "
                               "rural; declaração não gerada");
    Document doc;
    Writer(d, rural, ctx, doc).build();
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
