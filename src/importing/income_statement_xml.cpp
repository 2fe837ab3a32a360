#include "importing/income_statement_xml.h"

#include <pugixml.hpp>

#include "base/helpers.h"
#include "base/text.h"
#include "store/catalogue.h"

namespace vorn::importing {
namespace {

// Where each pair's positive amount goes: an income field, or the payment of a code (36 private
// pension, 30 alimony). Pairs 8 and 13 both go to I1_9 and are added.
struct Target {
    const char* field;
    int payment;
};
constexpr Target kTargets[15] = {{"I1_4", 0},  {"I1_6", 0},  {nullptr, 36}, {nullptr, 30},
                                 {"I1_5", 0},  {"I1_17", 0}, {"I1_43", 0},  {"I1_9", 0},
                                 {"I1_18", 0}, {"I1_15", 0}, {"I1_16", 0},  {"I1_30", 0},
                                 {"I1_9", 0},  {"I1_7", 0},  {"I1_39", 0}};

// The "Descr" and "Valor" attributes of the element and of every element inside it, in document
// order (walked without recursion: a hostile file may nest deeply).
void collect_pairs(const pugi::xml_node& top, std::vector<std::string>* descr,
                   std::vector<std::string>* values) {
    pugi::xml_node node = top;
    while (node) {
        if (node.type() == pugi::node_element) {
            for (pugi::xml_attribute a : node.attributes()) {
                const std::string_view name = a.name();
                if (name == "Descr") descr->push_back(a.value());
                if (name == "Valor") values->push_back(a.value());
            }
        }
        if (node.first_child()) {
            node = node.first_child();
            continue;
        }
        while (node != top && !node.next_sibling()) node = node.parent();
        if (node == top) break;
        node = node.next_sibling();
    }
}

// The text without the line-end references "&#xD;&#xA;".
std::string without_line_ends(const std::string& text) {
    static constexpr std::string_view kEnd = "&#xD;&#xA;";
    std::string out;
    out.reserve(text.size());
    for (size_t p = 0; p < text.size();) {
        if (text.compare(p, kEnd.size(), kEnd) == 0) {
            p += kEnd.size();
        } else {
            out += text[p++];
        }
    }
    return out;
}

}  // namespace

IncomeStatement read_income_statement(std::string_view bytes) {
    IncomeStatement out;
    // Line ends written as character references inside attribute values carry nothing.
    const std::string text = without_line_ends(decode_file(bytes));
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed =
        doc.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_utf8);
    if (!parsed) {
        out.notes.refuse(0, std::string("XML malformado: ") + parsed.description() + " (byte " +
                                std::to_string(parsed.offset) + ")");
        return out;
    }
    const pugi::xpath_node found = doc.select_node("//ComprovantedeRendimentos");
    if (!found) {
        out.notes.refuse(0, "não há o elemento ComprovantedeRendimentos");
        return out;
    }
    const pugi::xml_node e = found.node();
    out.year = trim(e.attribute("Ano").value());
    out.exercise = trim(e.attribute("Exercicio").value());
    out.company = CONVCAR(e.attribute("NomeEmpresarial").value());
    out.name = CONVCAR(e.attribute("NomeCompleto").value());
    const auto cpf = read_cpf(e.attribute("CPF").value());
    if (!cpf) out.notes.refuse(0, std::string("CPF inválido: ") + e.attribute("CPF").value());
    out.cpf = cpf.value_or("");
    out.cnpj = digits_of(e.attribute("CNPJ").value());
    if (out.cnpj.size() != 14)
        out.notes.refuse(0, std::string("CNPJ inválido: ") + e.attribute("CNPJ").value());
    std::vector<std::string> descr, values;
    collect_pairs(e, &descr, &values);
    if (values.size() > 15) {
        out.notes.refuse(0, "mais de 15 valores");
        return out;
    }
    for (size_t k = 0; k < values.size(); ++k) {
        const auto v = read_amount(values[k]);
        if (!v) {
            out.notes.refuse(k + 1, "valor " + std::to_string(k + 1) + " inválido: " + values[k]);
            continue;
        }
        out.values.push_back(*v);
        out.descriptions.push_back(k < descr.size() ? CONVCAR(descr[k]) : std::string());
    }
    return out;
}

StatementChanges apply_income_statement(const IncomeStatement& st, const std::string& cpf,
                                        const std::vector<store::Record>& incomes,
                                        const std::vector<store::Record>& payments) {
    StatementChanges out;
    out.incomes = incomes;
    out.payments = payments;
    // The eighth pair's text as the record keeps it (I1_35 holds 50 characters).
    const std::string whole8 = st.descriptions.size() >= 8 ? trim(st.descriptions[7]) : "";
    const std::string pair8 = trim(left(whole8, 50));
    // The company's record: same CNPJ, and (a second statement of the company) the same text of
    // the eighth pair or none yet.
    store::Record* income = nullptr;
    for (auto& r : out.incomes) {
        if (digits_of(r.str("I1_3")) != st.cnpj) continue;
        const std::string kept = trim(r.str("I1_35"));
        if (kept.empty() || pair8.empty() || kept == pair8) {
            income = &r;
            break;
        }
    }
    const store::Record before = income ? *income : store::Record();
    if (!income) {
        store::Record r(store::table_def(2)->layout);
        r.set("CPF", cpf);
        r.set("I1_1", "J");
        if (char_count(st.company) > 60) out.notices.push_back("I1_2 cortado: " + st.company);
        r.set("I1_2", trim(left(st.company, 60)));
        r.set("I1_3", CONTAPONTO(st.cnpj));
        out.incomes.push_back(std::move(r));
        income = &out.incomes.back();
        out.changed = true;
    }
    Decimal i1_9;
    bool has_i1_9 = false;
    for (size_t k = 0; k < st.values.size(); ++k) {
        const Decimal v = st.values[k];
        if (v <= Decimal()) continue;
        const Target& t = kTargets[k];
        if (t.field == nullptr) {
            store::Record* pay = nullptr;
            for (auto& p : out.payments)
                if (p.num("I6_3") == Decimal(t.payment)) pay = &p;
            if (!pay) {
                out.notices.push_back(t.payment == 36
                                          ? "Não foi possível lançar o CNPJ da previdência "
                                            "complementar / confira esse dado no formulário enviado"
                                          : "Não foi possível lançar o CPF do pensionista / "
                                            "Confira esse dado no formulário enviado");
                store::Record p(store::table_def(6)->layout);
                p.set("CPF", cpf);
                p.set("I6_3", Decimal(t.payment));
                out.payments.push_back(std::move(p));
                pay = &out.payments.back();
                out.changed = true;
            }
            if (pay->num("I6_4") != v) {
                pay->set("I6_4", v);
                out.changed = true;
            }
            continue;
        }
        if (std::string_view(t.field) == "I1_9") {
            i1_9 += v;
            has_i1_9 = true;
            continue;
        }
        income->set(t.field, v);
    }
    if (has_i1_9) income->set("I1_9", i1_9);
    if (!pair8.empty()) {
        if (char_count(whole8) > 50) out.notices.push_back("I1_35 cortado: " + whole8);
        income->set("I1_35", pair8);
    }
    if (before.layout_ptr() && !store::same_when_stored(before, *income)) out.changed = true;
    return out;
}

}  // namespace vorn::importing
