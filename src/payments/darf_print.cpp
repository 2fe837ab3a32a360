// The printout of DARFs: the form drawn on a plain sheet, the values at the positions of the
// pre-printed forms, and the text files of a run.
#include <algorithm>
#include <fstream>

#include "base/text.h"
#include "payments/darf.h"
#include "printing/print_file.h"

namespace vorn::payments {
namespace {

// The plain-sheet form: a left column of 35 characters, a label column of 22 and a value column
// of 18 between bars, 79 in all. Values are right-aligned ending one place before the last bar.
constexpr int kValueCol = 60;
constexpr int kValueWidth = 17;
constexpr int kFormRows = 24;
constexpr int kBlankBetweenCopies = 3;

const std::string kRule =
    "+" + std::string(35, '-') + "+" + std::string(22, '-') + "+" + std::string(18, '-') + "+";
const std::string kRightRule = "+" + std::string(22, '-') + "+" + std::string(18, '-') + "+";
const std::string kBottomRule = "+" + std::string(35, '-') + "+" + std::string(41, '-') + "+";

std::string cell(std::string_view text, size_t width) {
    return pad_right(left(text, width), width);
}

std::string left_col(std::string_view text) {
    return "|" + cell(text, 35);
}

std::string validity(const Darf& d) {
    return std::string(d.valid_until ? "ate " : "dia ") + d.valid_date.dmy();
}

// The two note lines under the validity.
std::pair<std::string, std::string> notes(const Darf& d) {
    const Decimal total = d.values_only ? d.IMPO_REAL : d.VAL_TOTAL;
    if (total < Decimal(10))
        return {"VALOR INFERIOR R$ 10,00 - NAO PAGAR", "SOME C/OUTROS DARFS DO MESMO CODIGO"};
    if (d.values_only) return {"DESDE QUE COLOQUE NO VALOR DOS", "JUROS A CORRECAO DA SELIC"};
    return {"", ""};
}

std::string phone(std::string_view digits) {
    const std::string d(digits);
    if (d.empty()) return "";
    if (d.size() <= 4) return d;
    return d.substr(0, d.size() - 4) + "-" + d.substr(d.size() - 4);
}

// A text of the value column, right-aligned before the column's last blank; a CNPJ
// ("99.999.999/9999-99") takes that blank too rather than lose its last digit.
std::string right_text(std::string_view text) {
    if (char_count(text) > kValueWidth) return left(text, kValueWidth + 1);
    return pad_left(text, kValueWidth);
}

// The file-name part of a name: "/" and control characters become "_".
std::string file_safe(std::string_view s) {
    std::string out;
    for (unsigned char c : s) out += (c == '/' || c < 32 || c == 127) ? '_' : static_cast<char>(c);
    return out;
}

std::string first_and_last(std::string_view full) {
    const std::string n = trim(full);
    const size_t first_end = n.find(' ');
    if (first_end == std::string::npos) return n;
    return n.substr(0, first_end + 1) + n.substr(n.rfind(' ') + 1);
}

// Positions of the two pre-printed models: the black form and the colour form, whose boxes sit
// two lines lower and three columns further right.
FormModel make_model(int row0, int col0) {
    FormModel m;
    auto at = [&](FormField f, int r, int c, int w) {
        m.positions.push_back({f, row0 + r, col0 + c, w});
    };
    at(FormField::kPeriod, 1, 57, 18);
    at(FormField::kCpf, 3, 57, 18);
    at(FormField::kCode, 5, 57, 18);
    at(FormField::kReference, 7, 57, 18);
    at(FormField::kName, 7, 1, 35);
    at(FormField::kPhone, 8, 1, 35);
    at(FormField::kDue, 9, 57, 18);
    at(FormField::kLine5, 10, 1, 35);
    at(FormField::kLine1, 11, 1, 35);
    at(FormField::kPrincipal, 11, 57, 18);
    at(FormField::kFine, 13, 57, 18);
    at(FormField::kLine2, 14, 1, 35);
    at(FormField::kLine3, 15, 1, 35);
    at(FormField::kInterest, 15, 57, 18);
    at(FormField::kLine4, 17, 1, 35);
    at(FormField::kTotal, 17, 57, 18);
    at(FormField::kValidity, 19, 1, 35);
    at(FormField::kNote1, 20, 1, 35);
    at(FormField::kNote2, 21, 1, 35);
    m.rows = row0 + 24;
    return m;
}

}  // namespace

int print_plain_form(printing::PrintWriter& w, int row, const Darf& d) {
    const Picture pic = printing::money_picture(kValueWidth, true);
    auto value_row = [&](int r, std::string_view left_text, std::string_view label) {
        w.say(r, 0, left_col(left_text) + "|" + cell(label, 22) + "|" + std::string(18, ' ') + "|");
    };
    auto money_at = [&](int r, Decimal v) { w.say(r, kValueCol, v, pic); };
    auto text_at = [&](int r, std::string_view t) { w.say(r, kValueCol, right_text(t)); };
    const auto [note1, note2] = notes(d);
    int r = row;
    w.say(r++, 0, kRule);
    value_row(r, "    MINISTERIO DA FAZENDA", "02-Periodo de apuracao");
    text_at(r++, d.DF_PERIODO.blank() ? "" : d.DF_PERIODO.dmy());
    w.say(r++, 0, left_col("    Secretaria da Receita Federal") + kRightRule);
    value_row(r, "Doc. Arrecada. de Receitas Federais", "03-Numero do CPF/CNPJ");
    text_at(r++, d.printed_cpf());
    w.say(r++, 0, left_col("           D  A  R  F") + kRightRule);
    value_row(r, "", "04-Codigo da receita");
    text_at(r++, d.DF_CODIG);
    w.say(r++, 0, kRule);
    value_row(r, "01-Nome / Telefone", "05-Nro de referencia");
    text_at(r++, d.DF_REFER);
    w.say(r++, 0, left_col(d.NOMQUAL) + kRightRule);
    value_row(r, phone(d.TELEFONE), "06-Data de Vencimento");
    text_at(r++, d.DF_VCTO.blank() ? "" : d.DF_VCTO.dmy());
    w.say(r++, 0, left_col(d.DF_OUTR[4]) + kRightRule);
    value_row(r, d.DF_OUTR[0], "07-Valor do principal");
    money_at(r++, d.IMPO_REAL);
    w.say(r++, 0, left_col("") + kRightRule);
    value_row(r, "", "08-Valor da Multa");
    money_at(r++, d.VAL_MULTA);
    w.say(r++, 0, left_col(d.DF_OUTR[1]) + kRightRule);
    value_row(r, d.DF_OUTR[2], "09-Valor dos juros");
    money_at(r++, d.VAL_JURO);
    w.say(r++, 0, left_col("") + kRightRule);
    value_row(r, d.DF_OUTR[3], "10-Valor Total");
    money_at(r++, d.VAL_TOTAL);
    w.say(r++, 0, kBottomRule);
    w.say(r++, 0,
          left_col("Valido p/ pagamento " + validity(d)) + "|" +
              cell("11-Autenticacao bancaria", 41) + "|");
    w.say(r++, 0, left_col(note1) + "|" + std::string(41, ' ') + "|");
    w.say(r++, 0, left_col(note2) + "|" + std::string(41, ' ') + "|");
    w.say(r++, 0, left_col("Modelo Aprovado pela IN/SRF 81/96") + "|" + std::string(41, ' ') + "|");
    w.say(r++, 0, kBottomRule);
    return r;
}

const FormModel& preprinted_model(int model) {
    static const FormModel black = make_model(0, 0);
    static const FormModel colour = make_model(2, 3);
    return model == kModelPreprintedColor ? colour : black;
}

int print_preprinted_form(printing::PrintWriter& w, int row, const Darf& d, int model) {
    const FormModel& m = preprinted_model(model);
    const auto [note1, note2] = notes(d);
    for (const FormPosition& p : m.positions) {
        const int r = row + p.row;
        const size_t width = static_cast<size_t>(p.width);
        auto money_at = [&](Decimal v) {
            if (!v.is_zero()) w.say(r, p.col, v, printing::money_picture(p.width));
        };
        auto text = [&](std::string_view t) {
            if (!t.empty()) w.say(r, p.col, cell(t, width));
        };
        auto right = [&](std::string_view t) {
            if (!t.empty()) w.say(r, p.col, pad_left(left(t, width), width));
        };
        switch (p.field) {
            case FormField::kPeriod:
                right(d.DF_PERIODO.blank() ? "" : d.DF_PERIODO.dmy());
                break;
            case FormField::kCpf:
                right(d.printed_cpf());
                break;
            case FormField::kCode:
                right(d.DF_CODIG);
                break;
            case FormField::kReference:
                right(d.DF_REFER);
                break;
            case FormField::kDue:
                right(d.DF_VCTO.blank() ? "" : d.DF_VCTO.dmy());
                break;
            case FormField::kPrincipal:
                money_at(d.IMPO_REAL);
                break;
            case FormField::kFine:
                money_at(d.VAL_MULTA);
                break;
            case FormField::kInterest:
                money_at(d.VAL_JURO);
                break;
            case FormField::kTotal:
                money_at(d.VAL_TOTAL);
                break;
            case FormField::kName:
                text(d.NOMQUAL);
                break;
            case FormField::kPhone:
                text(phone(d.TELEFONE));
                break;
            case FormField::kLine1:
                text(d.DF_OUTR[0]);
                break;
            case FormField::kLine2:
                text(d.DF_OUTR[1]);
                break;
            case FormField::kLine3:
                text(d.DF_OUTR[2]);
                break;
            case FormField::kLine4:
                text(d.DF_OUTR[3]);
                break;
            case FormField::kLine5:
                text(d.DF_OUTR[4]);
                break;
            case FormField::kValidity:
                text("Valido p/ pagamento " + validity(d));
                break;
            case FormField::kNote1:
                text(note1);
                break;
            case FormField::kNote2:
                text(note2);
                break;
        }
    }
    return row + m.rows;
}

void FAZ_DARF(printing::PrintWriter& w, const std::vector<Darf>& darfs, int model, int copies) {
    const bool preprinted = model == kModelPreprinted || model == kModelPreprintedColor;
    copies = std::max(copies, 2);
    bool first_page = true;
    for (const Darf& d : darfs) {
        if (d.IMPO_REAL <= Decimal()) continue;  // nothing to pay, or a credit: no DARF
        for (int c = 0; c < copies; ++c) {
            const bool page_start = preprinted || c % 2 == 0;
            if (page_start && !first_page) w.eject();
            first_page = false;
            if (preprinted)
                print_preprinted_form(w, 0, d, model);
            else
                print_plain_form(w, c % 2 == 0 ? 0 : kFormRows + kBlankBetweenCopies, d);
        }
    }
    w.finish();
}

std::string darf_text(const Darf& darf, int copies) {
    printing::PrintWriter w;
    FAZ_DARF(w, {darf}, kModelPlain, copies);
    return w.text();
}

std::string FAZONOME(const Darf& d, const DarfRun& run, std::string_view declarant_name) {
    const bool several = run.quantity == 2;
    std::string tag;
    std::string period = d.DF_PERIODO.blank()
                             ? std::string()
                             : " - " + pad_left(std::to_string(d.DF_PERIODO.month()), 2, '0') +
                                   "-" + std::to_string(d.DF_PERIODO.year());
    auto months = [&](const char* t) {
        tag = t;
        if (several)
            period = " do mes " + pad_left(std::to_string(std::clamp(run.first, 1, 12)), 2, '0') +
                     " ate " + pad_left(std::to_string(std::clamp(run.last, 1, 12)), 2, '0');
    };
    switch (d.QUEDARF) {
        case kDarfQuota:
            tag = several
                      ? "Quotas " + std::to_string(run.first) + " ate " + std::to_string(run.last)
                      : "Quota " + std::to_string(d.number);
            period = " do IRPF20" + std::string("26");
            break;
        case kDarfCarneLeao:
            months("CLeao");
            break;
        case kDarfCapitalGain:
            months("GCap");
            break;
        case kDarfStocks:
            months("RVar");
            break;
        case kDarfFunds:
            months("FInves");
            break;
        case kDarfLateFine:
            tag = "Multa";
            break;
        case kDarfDonationECA:
            tag = "ECA";
            break;
        case kDarfForeignCash:
            tag = "Moeda";
            break;
        case kDarfDonationElderly:
            tag = "Idoso";
            break;
        default:
            tag = trim(d.DF_CODIG);
            break;
    }
    return file_safe("Darf " + tag + period + " - " + first_and_last(declarant_name)) + ".txt";
}

Status DarfFiles::write(const std::string& name, const std::string& cpf,
                        std::string_view latin1_text, std::string* path) {
    std::string file = name;
    auto owner = owner_.find(file);
    if (owner != owner_.end() && owner->second != cpf) {
        // Another client of this run has this name: this one's file carries its CPF.
        const size_t dot = file.rfind(".txt");
        file = file.substr(0, dot) + " - " + file_safe(cpf) + ".txt";
        owner = owner_.find(file);
    }
    const bool first = owner == owner_.end();
    if (first) owner_[file] = cpf;
    *path = folder_ + (folder_.empty() || folder_.back() == '/' ? "" : "/") + file;
    // The run's own files: the first DARF of a name replaces an earlier run's file, a further one
    // is appended on a page of its own.
    std::ofstream out(*path, std::ios::binary | (first ? std::ios::trunc : std::ios::app));
    if (!first) out << printing::kFormFeed;
    out.write(latin1_text.data(), static_cast<std::streamsize>(latin1_text.size()));
    out.close();
    if (!out) return Status::io_error("Não foi possível gravar " + *path);
    return Status::ok();
}

std::vector<std::string> text_files_message(std::string_view printer, std::string_view folder) {
    return {"Usando a impressora \"" + std::string(printer) + "\" os Darfs serão ",
            "impressos separadamente na pasta: ", std::string(folder)};
}

}  // namespace vorn::payments
