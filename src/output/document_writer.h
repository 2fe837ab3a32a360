// The writer of the declaration document, shared by the files that write its parts: the
// document's core (document.cpp), the income from individuals, accumulated, exempt and exclusive
// income and the fund donations (document_income.cpp), and the rural activity
// (document_rural.cpp), and the capital gains (document_gains.cpp). Not part of the module's
// interface: build_document is.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/text.h"
#include "output/document.h"
#include "output/document_format.h"
#include "rural/book_folder.h"
#include "tax/leao.h"

namespace vorn::output::detail {

using fmt::Element;
using store::Record;

inline constexpr const char* kBlankCpf = "   .   .   -  ";
inline constexpr const char* kBlankDate = "  /  /    ";
inline constexpr const char* kMonthNames[] = {"janeiro",  "fevereiro", "marco",    "abril",
                                              "maio",     "junho",     "julho",    "agosto",
                                              "setembro", "outubro",   "novembro", "dezembro"};

// The digits of a text.
std::string digits_of(std::string_view t);
// A moment as dd/mm/yyyy hh:mm:ss.
std::string timestamp(const DateTime& t);
// Text with ".", ",", "/", "\", ")" and "(" as blanks (SEMPONTO).
std::string SEMPONTO(std::string_view t);
// Whether an income row carries an amount of some auxiliary table of exempt or exclusive income
// (so it is written there even when it holds no company income).
bool feeds_a_table(const Record& r);

struct Quadro;
struct GainItem;
struct GainSeller;

// Writes one declaration's document into `doc`, part by part in the document's order; what it
// leaves out or cuts goes to doc.notes.
class Writer {
  public:
    Writer(const tax::Declaration& d, const std::vector<Record>& gains,
           const std::vector<Record>& costs, const rural::RuralTables* rural,
           const DocumentContext& ctx, Document& doc)
        : d_(d),
          gains_(gains),
          costs_(costs),
          rural_(rural),
          ctx_(ctx),
          doc_(doc),
          out_(doc.text) {}

    // Stops with kInvalid, carrying the texts the operator reads, when a part cannot be written
    // as stored (a capital gain whose buyers' names and numbers do not pair up).
    [[nodiscard]] Status build();
    // Only the variable-income and capital-gains parts, in the document's order.
    [[nodiscard]] Status build_gains();

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
    void renda_variavel();
    void stock_months(const std::string& dependant);
    void fund_months(const std::string& dependant);
    [[nodiscard]] Status GANHOCAP();
    void SEMGANHO();
    void gcap_ids(const std::vector<std::string>& sellers);
    [[nodiscard]] Status GCAP_IMOV(const GainItem& g, int ordinal);
    [[nodiscard]] Status GCAP_MOVEL(const GainItem& g, int ordinal);
    [[nodiscard]] Status GCAP_PARTSOC(const GainItem& g, int ordinal);
    void GCAP_ESPECIE(const GainItem& g);
    void gain_attributes(Element& e, const GainItem& g, const char* aux);
    [[nodiscard]] Status adquirentes(const GainItem& g, int ordinal, const char* kind);
    void perguntas(const GainItem& g);
    void computation(const GainItem& g);
    Element mapped(const char* element, const GainItem* g, const char* type = nullptr) const;
    void consolidations(const std::vector<GainSeller>& sellers);
    static Element especie_element();
    void moedas_alienadas();
    // The period of residence of the base year (a departure's ends or starts within it).
    std::pair<Date, Date> residence() const;
    std::string seller_name(const std::string& cpf) const;
    std::string declarant_country() const;
    // The municipality's code from its name and state, else `code`.
    std::string municipality(std::string_view city, std::string_view uf,
                             std::string_view code) const;
    Decimal simplified_discount() const;
    void IDENTIF(const char* element);
    const Record* linked_dependant(const Record& payment) const;

    const tax::Declaration& d_;
    const std::vector<Record>& gains_;  // capital gains and variable income (table 7)
    const std::vector<Record>& costs_;  // the gains' cost rows and operations (table 8)
    const rural::RuralTables* rural_;
    const DocumentContext& ctx_;
    Document& doc_;
    std::string& out_;
};

}  // namespace vorn::output::detail
