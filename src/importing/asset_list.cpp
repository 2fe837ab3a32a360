#include "importing/asset_list.h"

#include <algorithm>
#include <pugixml.hpp>

#include "base/date.h"
#include "base/text.h"
#include "store/catalogue.h"

namespace vorn::importing {
namespace {

constexpr int kAssets = 4;

store::Record blank_asset(const std::string& cpf) {
    store::Record r(store::table_def(kAssets)->layout);
    r.set("CPF", cpf);
    return r;
}

// The text columns in the order of the outside file, from column 7 on (real estate: 7 to 13 and
// 15, 16, then 19 to 23; other assets 24 to 29).
struct Column {
    int column;  // 1-based
    const char* field;
};
constexpr Column kOutsideText[] = {{7, "ENDEIMO"},   {8, "NUMIMO"},    {9, "COMPIMO"},
                                   {10, "BAIRIMO"},  {12, "MUNICIMO"}, {15, "REG_IPTU"},
                                   {16, "REG_NIRF"}, {19, "UNIDADE"},  {20, "REGISTRO"},
                                   {21, "MATRICU"},  {22, "LIVRORG"},  {23, "CARTORIO"}};
constexpr Column kOutsideOther[] = {{24, "RENAVAM"},  {25, "REG_BAR"},  {26, "REG_AVI"},
                                    {27, "AGENCBAN"}, {28, "CONTABAN"}, {29, "DVBAN"}};
// The export's titled columns ("CPF", "Ite", "Descricao" ...).
constexpr Column kExportText[] = {
    {6, "GRPO"},      {7, "CODB"},      {8, "ENDEIMO"},   {9, "NUMIMO"},    {10, "COMPIMO"},
    {11, "BAIRIMO"},  {13, "MUNICIMO"}, {16, "REG_IPTU"}, {17, "REG_NIRF"}, {20, "UNIDADE"},
    {21, "REGISTRO"}, {22, "MATRICU"},  {23, "LIVRORG"},  {24, "CARTORIO"}};
constexpr Column kExportOther[] = {{25, "REG_AVI"},  {26, "RENAVAM"},  {27, "REG_BAR"},
                                   {28, "AGENCBAN"}, {29, "CONTABAN"}, {30, "DVBAN"}};

// The columns of one layout: where the numbers, the code and the address parts are.
struct TextLayout {
    int prior, current, code, cep, uf, country, date, area, document;  // 1-based; code 0: none
    const Column* text;
    size_t text_count;
    const Column* other;
    size_t other_count;
};
constexpr TextLayout kOutside{4,
                              5,
                              6,
                              11,
                              13,
                              14,
                              17,
                              18,
                              30,
                              kOutsideText,
                              std::size(kOutsideText),
                              kOutsideOther,
                              std::size(kOutsideOther)};
constexpr TextLayout kExport{4,
                             5,
                             0,
                             12,
                             14,
                             15,
                             18,
                             19,
                             31,
                             kExportText,
                             std::size(kExportText),
                             kExportOther,
                             std::size(kExportOther)};

// The fields a layout sets, for the placement that keeps the others.
std::vector<std::string> fields_of(const TextLayout& l, bool all_assets) {
    std::vector<std::string> f = {"CPF",  "I7_1", "I7_2",   "I7_3",  "I7_9",     "I7_4",
                                  "I7_7", "I7_8", "CEPIMO", "UFIMO", "DATA_IMO", "AREAIMO"};
    if (l.code) f.push_back("I7_5");
    for (size_t k = 0; k < l.text_count; ++k) f.push_back(l.text[k].field);
    if (all_assets) {
        for (size_t k = 0; k < l.other_count; ++k) f.push_back(l.other[k].field);
        f.push_back("CPF_CNPJ");
    }
    return f;
}

// The asset's country: Brazil ("105" or empty) leaves I7_7 blank, another sets "S".
void put_country(store::Record& r, const std::string& code) {
    const std::string c = trim(code);
    r.set("I7_7", c.empty() || c == "105" ? " " : "S");
    r.set("I7_8", c.empty() ? "" : c);
}

// A bank's or payer's document: as written for code 51 when it is 14 characters long, else
// without its punctuation.
std::string asset_document(const std::string& text, long long code) {
    const std::string t = trim(text);
    if (code == 51 && char_count(t) == 14) return t;
    std::string out;
    for (char c : t)
        if (c != '.' && c != '-' && c != '/') out += c;
    return out;
}

// The acquisition date "dd/mm/yyyy"; blank text, "..." and the empty picture give the blank date.
bool read_date(const std::string& text, Date* out) {
    const std::string t = trim(text);
    if (t.empty() || t == "..." || t == "/  /" || t == "00/00/0000") {
        *out = Date();
        return true;
    }
    auto d = Date::from_dmy(t);
    if (!d) return false;
    *out = *d;
    return true;
}

bool digits_only_text(const std::string& t) {
    for (char c : t)
        if (c < '0' || c > '9') return false;
    return true;
}

}  // namespace

AssetList read_assets_text(std::string_view bytes, const std::string& cpf, bool all_assets) {
    AssetList out;
    const std::vector<std::string> lines = split_lines(decode_file(bytes));
    const TextLayout* layout = &kOutside;
    size_t first = 0;
    if (!lines.empty()) {
        const std::vector<std::string> head = split_fields(lines[0], '\t');
        if (digits_of(head[0]).empty() && !trim(head[0]).empty()) {
            // A title line; the export's says "Grupo" in its sixth column.
            if (head.size() > 5 && trim(head[5]) == "Grupo") layout = &kExport;
            first = 1;
        }
    }
    out.fields = fields_of(*layout, all_assets);
    bool ended = false;
    size_t end_line = 0;
    for (size_t k = first; k < lines.size(); ++k) {
        const size_t n = k + 1;
        const std::string& line = lines[k];
        if (ended) {
            if (!trim(line).empty())
                out.notes.refuse(
                    n, "linha depois do fim da lista (linha " + std::to_string(end_line) + ")");
            continue;
        }
        if (line.find('\0') != std::string::npos) {
            out.notes.refuse(n, "caractere nulo na linha");
            continue;
        }
        if (line.empty()) {
            ended = true;
            end_line = n;
            continue;
        }
        std::vector<std::string> cols;
        for (auto& f : split_fields(line, '\t'))
            if (f != ",") cols.push_back(std::move(f));
        if (cols.empty()) {  // nothing but "," fields
            out.notes.refuse(n, "linha sem colunas");
            continue;
        }
        const std::string cpf_digits = digits_of(cols[0]);
        if (!cpf_digits.empty() && cpf_digits.find_first_not_of('0') == std::string::npos &&
            trim(cols[0]).find_first_not_of("0.-/") == std::string::npos) {
            ended = true;  // CPF zero: the end of the list
            end_line = n;
            continue;
        }
        if (cols.size() < 23) {
            out.notes.refuse(n, "linha com " + std::to_string(cols.size()) +
                                    " colunas; são precisas ao menos 23");
            continue;
        }
        cols.resize(std::max<size_t>(cols.size(), 31));
        auto col = [&](int c) -> const std::string& { return cols[static_cast<size_t>(c - 1)]; };
        const size_t bad_before = out.notes.bad.size();
        auto refuse = [&](const std::string& why) { out.notes.refuse(n, why); };
        const auto line_cpf = read_cpf(col(1));
        if (!line_cpf) {
            refuse("CPF inválido: " + trim(col(1)));
            continue;
        }
        if (*line_cpf != cpf) {
            refuse("CPF " + *line_cpf + " diferente do contribuinte " + cpf);
            continue;
        }
        store::Record r = blank_asset(cpf);
        const auto item = read_whole(col(2));
        if (!item || !put_number(r, "I7_1", Decimal(*item))) refuse("item inválido: " + col(2));
        put_text(r, "I7_2", col(3), n, out.notes);
        const auto prior = read_amount(col(layout->prior));
        const auto current = read_amount(col(layout->current));
        if (!prior || !put_number(r, "I7_3", *prior) || !put_number(r, "I7_9", *prior))
            refuse("valor do ano anterior inválido: " + col(layout->prior));
        if (!current || !put_number(r, "I7_4", *current))
            refuse("valor do ano atual inválido: " + col(layout->current));
        long long code = 0;
        if (layout->code) {
            const auto c = read_whole(col(layout->code));
            if (!c || !put_number(r, "I7_5", Decimal(*c)))
                refuse("código do bem inválido: " + col(layout->code));
            else
                code = *c;
        }
        for (size_t c = 0; c < layout->text_count; ++c)
            put_text(r, layout->text[c].field, col(layout->text[c].column), n, out.notes);
        const std::string cep = digits_of(col(layout->cep));
        if (cep.size() > 8 || !digits_only_text(trim(col(layout->cep))))
            refuse("CEP inválido: " + col(layout->cep));
        else
            r.set("CEPIMO", cep.empty() ? "" : zero_filled(cep, 8));
        put_text(r, "UFIMO", upper(trim(col(layout->uf))), n, out.notes);
        put_country(r, col(layout->country));
        Date acquired;
        if (!read_date(col(layout->date), &acquired))
            refuse("data de aquisição inválida: " + col(layout->date));
        else
            r.set("DATA_IMO", acquired);
        const auto area = read_brazilian(col(layout->area));
        if (!area || !put_number(r, "AREAIMO", *area))
            refuse("área inválida: " + col(layout->area));
        if (all_assets) {
            for (size_t c = 0; c < layout->other_count; ++c)
                put_text(r, layout->other[c].field, col(layout->other[c].column), n, out.notes);
            put_text(r, "CPF_CNPJ", asset_document(col(layout->document), code), n, out.notes);
        }
        if (out.notes.bad.size() == bad_before) out.items.push_back(std::move(r));
    }
    return out;
}

AssetList read_assets_xml(std::string_view bytes, const std::string& cpf) {
    AssetList out;
    out.fields = {"CPF",      "I7_1",    "I7_2",     "I7_3",     "I7_9",     "I7_4",     "I7_5",
                  "GRPO",     "CODB",    "ENDEIMO",  "NUMIMO",   "COMPIMO",  "BAIRIMO",  "CEPIMO",
                  "MUNICIMO", "UFIMO",   "I7_7",     "I7_8",     "REG_IPTU", "REG_NIRF", "DATA_IMO",
                  "AREAIMO",  "UNIDADE", "REGISTRO", "MATRICU",  "LIVRORG",  "CARTORIO", "RENAVAM",
                  "REG_BAR",  "REG_AVI", "AGENCBAN", "CONTABAN", "DVBAN",    "CPF_CNPJ"};
    const std::string text = decode_file(bytes);
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed =
        doc.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_utf8);
    if (!parsed) {
        out.notes.refuse(0, std::string("XML malformado: ") + parsed.description() + " (byte " +
                                std::to_string(parsed.offset) + ")");
        return out;
    }
    size_t n = 0;
    for (pugi::xpath_node xn : doc.select_nodes("//item")) {
        const pugi::xml_node item = xn.node();
        ++n;
        const size_t bad_before = out.notes.bad.size();
        auto refuse = [&](const std::string& why) {
            out.notes.refuse(n, "item " + std::to_string(n) + ": " + why);
        };
        // A text attribute: missing or "..." is empty.
        auto text_of = [&](const char* name) {
            const std::string v = item.attribute(name).value();
            return trim(v) == "..." ? std::string() : v;
        };
        auto number_of = [&](const char* name) {
            const std::string v = trim(text_of(name));
            return v.empty() ? std::string("0") : v;
        };
        const auto item_cpf = read_cpf(text_of("CPF"));
        if (!item_cpf || *item_cpf != cpf) {
            refuse("CPF " + text_of("CPF") + " diferente do contribuinte " + cpf);
            continue;
        }
        store::Record r = blank_asset(cpf);
        const auto number = read_whole(number_of("nItem"));
        if (!number || !put_number(r, "I7_1", Decimal(*number)))
            refuse("nItem inválido: " + text_of("nItem"));
        put_text(r, "I7_2", text_of("Discriminacao"), n, out.notes);
        const auto prior = read_brazilian(number_of("ExercicioAnter"));
        const auto current = read_brazilian(number_of("ExercicioAtual"));
        if (!prior || !put_number(r, "I7_3", *prior) || !put_number(r, "I7_9", *prior))
            refuse("ExercicioAnter inválido: " + text_of("ExercicioAnter"));
        if (!current || !put_number(r, "I7_4", *current))
            refuse("ExercicioAtual inválido: " + text_of("ExercicioAtual"));
        const auto code = read_whole(number_of("codigo"));
        if (!code || !put_number(r, "I7_5", Decimal(*code)))
            refuse("codigo inválido: " + text_of("codigo"));
        put_text(r, "GRPO", trim(text_of("Grupo")), n, out.notes);
        put_text(r, "CODB", trim(text_of("Codigo")), n, out.notes);
        for (auto [attr, field] : {std::pair{"logradouro", "ENDEIMO"},
                                   {"numero", "NUMIMO"},
                                   {"complemento", "COMPIMO"},
                                   {"bairro", "BAIRIMO"},
                                   {"nomeMunicipio", "MUNICIMO"},
                                   {"NroIptu", "REG_IPTU"},
                                   {"NIRF", "REG_NIRF"},
                                   {"Metros2", "UNIDADE"},
                                   {"Registrado", "REGISTRO"},
                                   {"Matricula", "MATRICU"},
                                   {"Registro", "LIVRORG"},
                                   {"nomeCartorio", "CARTORIO"},
                                   {"Renavam", "RENAVAM"},
                                   {"RegBarco", "REG_BAR"},
                                   {"agencia", "AGENCBAN"},
                                   {"conta", "CONTABAN"},
                                   {"dvConta", "DVBAN"}})
            put_text(r, field, text_of(attr), n, out.notes);
        const std::string cep = digits_of(text_of("cep"));
        if (cep.size() > 8 || !digits_only_text(trim(text_of("cep"))))
            refuse("cep inválido: " + text_of("cep"));
        else
            r.set("CEPIMO", cep.empty() ? "" : zero_filled(cep, 8));
        put_text(r, "UFIMO", upper(trim(text_of("uf"))), n, out.notes);
        put_country(r, text_of("Codpais"));
        Date acquired;
        if (!read_date(text_of("dataAquisicao"), &acquired))
            refuse("dataAquisicao inválida: " + text_of("dataAquisicao"));
        else
            r.set("DATA_IMO", acquired);
        const auto area = read_brazilian(number_of("areaTotal"));
        if (!area || !put_number(r, "AREAIMO", *area))
            refuse("areaTotal inválida: " + text_of("areaTotal"));
        // The institution: the aircraft's registration for code 22, else the bank; the export
        // writes whichever applies, the other as "...".
        const long long c = code.value_or(0);
        std::string institution = c == 22 ? text_of("RegAviao") : text_of("Banco");
        if (trim(institution).empty())
            institution = c == 22 ? text_of("Banco") : text_of("RegAviao");
        put_text(r, "REG_AVI", institution, n, out.notes);
        put_text(r, "CPF_CNPJ", asset_document(text_of("CnpjCPF"), c), n, out.notes);
        if (out.notes.bad.size() == bad_before) out.items.push_back(std::move(r));
    }
    return out;
}

std::vector<store::Record> place_assets(const AssetList& list,
                                        const std::vector<store::Record>& current,
                                        bool by_item_number) {
    std::vector<store::Record> rows = current;
    long long top = 0;
    for (const auto& a : rows) top = std::max(top, a.num("I7_0").whole());
    auto overwrite = [&](store::Record& into, const store::Record& from) {
        for (const auto& f : list.fields) into.set_value(into.layout().index(f), from.value(f));
    };
    for (size_t k = 0; k < list.items.size(); ++k) {
        const store::Record& item = list.items[k];
        store::Record* target = nullptr;
        if (by_item_number) {
            for (auto& a : rows)
                if (a.num("I7_1") == item.num("I7_1")) {
                    target = &a;
                    break;
                }
        } else if (k < current.size()) {
            target = &rows[k];
        }
        if (target) {
            overwrite(*target, item);
            continue;
        }
        store::Record added = item;
        long long number = static_cast<long long>(k + 1) * 10;
        if (number <= top) number = (top / 10 + 1) * 10;
        top = number;
        added.set("I7_0", Decimal(number));
        rows.push_back(std::move(added));
    }
    return rows;
}

}  // namespace vorn::importing
