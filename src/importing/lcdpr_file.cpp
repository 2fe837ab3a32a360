#include "importing/lcdpr_file.h"

#include <cstdio>

#include "base/date.h"
#include "base/helpers.h"
#include "base/text.h"
#include "store/catalogue.h"

namespace vorn::importing {
namespace {

// The fields of a record: a leading and a trailing "|" (when the line has them) carry none.
std::vector<std::string> record_fields(const std::string& line) {
    std::string_view l = line;
    if (!l.empty() && l.front() == '|') l.remove_prefix(1);
    if (!l.empty() && l.back() == '|') l.remove_suffix(1);
    return split_fields(l, '|');
}

// The number of fields each record type has at least.
size_t fields_needed(const std::string& type) {
    if (type == "0000") return 10;
    if (type == "0010") return 2;
    if (type == "0030") return 10;
    if (type == "0040") return 17;
    if (type == "0045") return 6;
    if (type == "0050") return 7;
    if (type == "Q100") return 11;
    if (type == "Q200") return 4;
    if (type == "9999") return 6;
    return 0;
}

std::string month_field(int m, const char* suffix) {
    char name[12];
    std::snprintf(name, sizeof name, "I3_%02d%s", m, suffix);
    return name;
}

void read_head(const std::vector<std::string>& f, LcdprBook& out) {
    out.cpf = read_cpf(f[3]).value_or("");
    out.name = CONVCAR(f[4]);
    out.layout_name = f[1];
    out.year = f.size() > 9 && f[9].size() >= 8 ? f[9].substr(4, 4) : "";
}

}  // namespace

LcdprBook read_lcdpr_head(std::string_view bytes) {
    LcdprBook out;
    const std::vector<std::string> lines = split_lines(decode_file(bytes));
    if (lines.empty()) {
        out.notes.refuse(1, "arquivo vazio");
        return out;
    }
    const std::vector<std::string> f = record_fields(lines[0]);
    if (f[0] != "0000" || f.size() < fields_needed("0000")) {
        out.notes.refuse(1, "o primeiro registro não é 0000");
        return out;
    }
    read_head(f, out);
    if (out.cpf.empty()) out.notes.refuse(1, "CPF inválido: " + f[3]);
    return out;
}

LcdprBook read_lcdpr(std::string_view bytes) {
    LcdprBook out;
    out.result = store::Record(store::table_def(15)->layout);
    out.result.set("ATV_BRASIL", "S");
    const std::vector<std::string> lines = split_lines(decode_file(bytes));
    static const char* const kOpening[] = {"0000", "0010", "0030", "0040"};
    size_t record = 0;
    bool ended = false;
    // The property the partners that follow belong to, and how many partners it has had.
    std::optional<store::Record> property;
    int partners = 0;
    std::string property_brazil = "S";
    for (size_t k = 0; k < lines.size(); ++k) {
        const size_t n = k + 1;
        if (trim(lines[k]).empty()) continue;
        if (ended) {
            out.notes.refuse(n, "registro depois do 9999");
            continue;
        }
        const std::vector<std::string> f = record_fields(lines[k]);
        const std::string& type = f[0];
        if (record < 4 && type != kOpening[record]) {
            out.notes.refuse(
                n, std::string("registro ") + type + " onde se espera " + kOpening[record]);
            return out;  // the order is broken: nothing after it is read
        }
        ++record;
        const size_t needed = fields_needed(type);
        if (needed == 0) {
            out.notes.refuse(n, "registro desconhecido: " + type);
            continue;
        }
        if (f.size() < needed) {
            out.notes.refuse(n, "registro " + type + " com " + std::to_string(f.size()) +
                                    " campos; são precisos " + std::to_string(needed));
            continue;
        }
        auto refuse = [&](const std::string& why) { out.notes.refuse(n, type + ": " + why); };
        auto amount = [&](const std::string& text, const char* what, Decimal* v) {
            const auto a = read_amount(text);
            if (!a) {
                refuse(std::string(what) + " inválido: " + text);
                return false;
            }
            *v = *a;
            return true;
        };
        if (type == "0000") {
            read_head(f, out);
            if (out.cpf.empty()) refuse("CPF inválido: " + f[3]);
        } else if (type == "0030") {
            const std::string first = trim(f[1]);
            const size_t blank = first.find(' ');
            out.street_type = blank == std::string::npos ? "" : first.substr(0, blank);
            out.street = blank == std::string::npos ? first : trim(first.substr(blank + 1));
            out.number = f[2];
            out.complement = f[3];
            out.district = f[4];
            out.uf = left(trim(f[5]), 2);
            out.municipality = left(digits_of(f[6]), 7);
            out.cep = left(digits_of(f[7]), 8);
            out.phone = f[8];
            out.email = f[9];
        } else if (type == "0040") {
            // A property without partners is a record of its own.
            if (property && partners == 0) out.properties.push_back(*property);
            store::Record p(store::table_def(16)->layout);
            const auto code = read_whole(f[1]);
            if (!code || !put_number(p, "I2R_00", Decimal(*code)))
                refuse("código inválido: " + f[1]);
            property_brazil = trim(f[2]) == "BR" ? "S" : "N";
            p.set("ATV_BRASIL", property_brazil);
            put_text(p, "I2R_03", f[4], n, out.notes);
            put_text(p, "CAEPF", f[5], n, out.notes);
            put_text(p, "INSCR_ES", f[6], n, out.notes);
            put_text(p, "I2R_01", CONVCAR(f[7]), n, out.notes);
            put_text(p, "I2R_06", CONVCAR(f[8]), n, out.notes);
            put_text(p, "NUM_IMR", f[9], n, out.notes);
            put_text(p, "COMP_IMR", f[10], n, out.notes);
            put_text(p, "DISTR_IMR", CONVCAR(f[11]), n, out.notes);
            put_text(p, "UF_IMR", f[12], n, out.notes);
            put_text(p, "CODM_IMR", f[13], n, out.notes);
            const auto cep = read_whole(f[14]);
            if (!cep || !put_number(p, "CEP_IMR", Decimal(*cep))) refuse("CEP inválido: " + f[14]);
            const auto kind = read_whole(f[15]);
            if (!kind || !put_number(p, "I2R_05", Decimal(*kind)))
                refuse("tipo de exploração inválido: " + f[15]);
            Decimal share;
            if (amount(f[16], "participação", &share) && !put_number(p, "I2R_04", share))
                refuse("participação inválida: " + f[16]);
            property = p;
            partners = 0;
        } else if (type == "0045") {
            if (!property) {
                refuse("parceiro sem imóvel");
                continue;
            }
            store::Record p = *property;
            const auto kind = read_whole(f[2]);
            if (!kind || !put_number(p, "TIPO_CONTR", Decimal(*kind)))
                refuse("tipo inválido: " + f[2]);
            put_text(p, "CPFPJ_CONT", CONTAPONTO(digits_of(f[3])), n, out.notes);
            put_text(p, "NOME_CONTR", CONVCAR(f[4]), n, out.notes);
            Decimal share;
            if (amount(f[5], "participação", &share) && !put_number(p, "PERC_CONTR", share))
                refuse("participação inválida: " + f[5]);
            // Each partner is a property record of its own.
            out.properties.push_back(std::move(p));
            ++partners;
        } else if (type == "0050") {
            store::Record a(store::table_def(21)->layout);
            const auto code = read_whole(f[1]);
            if (!code || !put_number(a, "COD_CONTA", Decimal(*code)))
                refuse("conta inválida: " + f[1]);
            put_text(a, "NRO_BANCO", zero_filled(trim(f[3]), 3), n, out.notes);
            put_text(a, "NOM_BANCO", CONVCAR(f[4]), n, out.notes);
            const auto agency = read_whole(f[5]);
            if (!agency || !put_number(a, "NRO_AGENC", Decimal(*agency)))
                refuse("agência inválida: " + f[5]);
            const auto account = read_whole(f[6]);
            if (!account || !put_number(a, "NRO_CONTA", Decimal(*account)))
                refuse("conta inválida: " + f[6]);
            a.set("PAIS_CTA", "BR");
            a.set("ATV_BRASIL", property_brazil);
            out.accounts.push_back(std::move(a));
        } else if (type == "Q100") {
            store::Record e(store::table_def(19)->layout);
            const std::string d = trim(f[1]);
            const auto date =
                d.size() == 8 ? Date::from_dtos(d.substr(4, 4) + d.substr(2, 2) + d.substr(0, 2))
                              : std::nullopt;
            if (!date)
                refuse("data inválida: " + f[1]);
            else
                e.set("DT_LC", *date);
            const auto property_code = read_whole(f[2]);
            if (!property_code || !put_number(e, "NROIMO", Decimal(*property_code)))
                refuse("imóvel inválido: " + f[2]);
            const auto account = read_whole(f[3]);
            if (!account || !put_number(e, "COD_CONTA", Decimal(*account)))
                refuse("conta inválida: " + f[3]);
            put_text(e, "NUM_DOC", f[4], n, out.notes);
            const auto doc = read_whole(f[5]);
            if (!doc || !put_number(e, "TIPODOC", Decimal(*doc)))
                refuse("tipo de documento inválido: " + f[5]);
            put_text(e, "DESCR", CONVCAR(f[6]), n, out.notes);
            put_text(e, "ID_PARTIC", CONTAPONTO(digits_of(f[7])), n, out.notes);
            const bool expense = trim(f[8]) == "2";
            if (trim(f[8]) != "1" && !expense) refuse("tipo de lançamento inválido: " + f[8]);
            e.set("TIPOCR", expense ? "D" : "C");
            Decimal v;
            if (amount(expense ? f[10] : f[9], "valor", &v) && !put_number(e, "VALOR", v))
                refuse("valor inválido");
            e.set("ATV_BRASIL", "S");
            out.entries.push_back(std::move(e));
        } else if (type == "Q200") {
            const auto month = read_whole(trim(f[1]).substr(0, 2));
            if (!month || *month < 1 || *month > 12) {
                refuse("mês inválido: " + f[1]);
                continue;
            }
            Decimal in, outm;
            const int m = static_cast<int>(*month);
            if (amount(f[2], "receitas", &in) && !put_number(out.result, month_field(m, "OR"), in))
                refuse("receitas inválidas");
            if (amount(f[3], "despesas", &outm) &&
                !put_number(out.result, month_field(m, "OD"), outm))
                refuse("despesas inválidas");
        } else if (type == "9999") {
            put_text(out.result, "NOME_CONT", CONVCAR(f[1]), n, out.notes);
            put_text(out.result, "CPFCNPJ_CO", f[2], n, out.notes);
            put_text(out.result, "CRC_CONT", f[3], n, out.notes);
            put_text(out.result, "EMAIL_CONT", f[4], n, out.notes);
            put_text(out.result, "FONE_CONT", f[5], n, out.notes);
            ended = true;
        }
    }
    if (property && partners == 0) out.properties.push_back(*property);
    if (record < 4 && out.notes.bad.empty())
        out.notes.refuse(lines.size(), std::string("falta o registro ") + kOpening[record]);
    out.result.set("TIPO_LANCA", Decimal(2));
    return out;
}

}  // namespace vorn::importing
