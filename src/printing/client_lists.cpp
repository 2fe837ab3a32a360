// Client lists and address labels.
#include "printing/client_lists.h"

#include <algorithm>
#include <filesystem>
#include <memory>

#include "base/text.h"
#include "store/dbf.h"
#include "store/declaration.h"
#include "store/statuses.h"

namespace vorn::printing {
namespace {

constexpr int kLabelWidth = 53;  // a complement joins the street line when both fit in it

const char* const kMonths[] = {"JANEIRO",  "FEVEREIRO", "MARCO",    "ABRIL",
                               "MAIO",     "JUNHO",     "JULHO",    "AGOSTO",
                               "SETEMBRO", "OUTUBRO",   "NOVEMBRO", "DEZEMBRO"};

std::string digits_of(std::string_view s) {
    std::string d;
    for (char c : s)
        if (c >= '0' && c <= '9') d += c;
    return d;
}

// A telephone "#9999-9999": nine digits fill it, eight leave the first place blank.
std::string print_phone(std::string_view value) {
    const std::string d = digits_of(value);
    if (d.empty()) return std::string(10, ' ');
    if (d.size() > 9) return std::string(10, '*');
    const std::string p = std::string(9 - d.size(), ' ') + d;
    return p.substr(0, 5) + "-" + p.substr(5);
}

// A postal code "99999-999"; as typed when it has not eight digits.
std::string print_cep(std::string_view value) {
    const std::string d = digits_of(value);
    if (d.size() != 8) return trim(value);
    return d.substr(0, 5) + "-" + d.substr(5);
}

std::string two_digits(long n) {
    return n < 10 ? "0" + std::to_string(n) : std::to_string(n);
}

bool wanted(const ListClient& c, const ListOptions& o) {
    if (o.QUECON == 1 && c.cpf != o.cpf) return false;
    if (o.QUECON == 2 && !c.marked) return false;
    if (!o.all_statuses && (c.status < o.STAT_INIC || c.status > o.STAT_FINAL)) return false;
    switch (o.SEPIMP) {
        case TaxFilter::kAny:
            break;
        case TaxFilter::kExempt:
            if (!c.tax.is_zero()) return false;
            break;
        case TaxFilter::kRefund:
            if (!(c.tax < Decimal())) return false;
            break;
        case TaxFilter::kToPay:
            if (!(c.tax > Decimal())) return false;
            break;
    }
    if (o.OPC_IND == 4)
        return !c.birth.blank() && c.birth.month() >= o.MES_INIC && c.birth.month() <= o.MES_FINAL;
    return true;
}

void sort_clients(std::vector<ListClient>* v, int order) {
    auto by = [&](auto less) {
        std::stable_sort(v->begin(), v->end(), [&](const ListClient& a, const ListClient& b) {
            return less(a, b) || (!less(b, a) && a.name < b.name);
        });
    };
    switch (order) {
        case 1:
            std::stable_sort(v->begin(), v->end(), [](const ListClient& a, const ListClient& b) {
                return a.cpf < b.cpf;
            });
            break;
        case 2:
            std::stable_sort(v->begin(), v->end(), [](const ListClient& a, const ListClient& b) {
                return a.name != b.name ? a.name < b.name : a.cpf < b.cpf;
            });
            break;
        case 3:
            by([](const ListClient& a, const ListClient& b) { return a.status < b.status; });
            break;
        case 4:
            by([](const ListClient& a, const ListClient& b) {
                return a.birth.month() != b.birth.month() ? a.birth.month() < b.birth.month()
                                                          : a.birth.day() < b.birth.day();
            });
            break;
        case 5:
            by([](const ListClient& a, const ListClient& b) { return a.tax < b.tax; });
            break;
        case 6:
            by([](const ListClient& a, const ListClient& b) { return a.fee < b.fee; });
            break;
    }
}

// One run over the chosen folders: the page position, the running count and the label slot.
class Lister {
  public:
    Lister(const ListOptions& o, const std::map<long, std::string>& names, PrintWriter& out)
        : o_(o), names_(names), out_(out) {}

    void begin_folder(const std::string& folder) {
        // The folder by its own name, also when given as "." or with a trailing "/".
        std::error_code ec;
        std::filesystem::path where = std::filesystem::weakly_canonical(folder, ec);
        if (ec) where = folder;
        if (where.filename().empty()) where = where.parent_path();
        folder_ = where.filename().string();
        if (o_.model == ListModel::kLabels) {
            if (count_ == 0 && o_.condensed) out_.control(std::string(1, kCondensed));
            return;
        }
        if (count_ > 0) out_.eject();
        CABEC_CAD();
    }

    void client(const ListClient& c) {
        switch (o_.model) {
            case ListModel::kSummary:
                CAD_SIMPL(c);
                break;
            case ListModel::kComplete:
                CAD_COMPL(c);
                break;
            case ListModel::kLabels:
                CAD_ETI(c);
                break;
        }
        ++count_;
    }

    // The closing count of the lists of a folder, all folders or a group; none for a print given
    // up.
    void end(bool complete) {
        // The complete list already leaves a blank line after each client.
        if (complete && o_.model != ListModel::kLabels && o_.QUECON >= 3 && count_ > 0)
            total(o_.model == ListModel::kComplete ? row_ : row_ + 1);
        out_.finish();
    }

    int count() const { return count_; }
    int overlong() const { return overlong_; }

  private:
    void divider(int row) { out_.say(row, 0, std::string(80, '-')); }

    void CABEC_CAD() {
        out_.control(std::string(1, kNormal));
        int r = 0;
        divider(r++);
        static const char* const kScopes[] = {"PARCIAL", "PARCIAL", "TOTAL", "TODAS PASTAS"};
        out_.say(r++, 0,
                 std::string("RELACAO ") + kScopes[std::clamp(o_.QUECON, 1, 4) - 1] +
                     (o_.model == ListModel::kSummary ? "/RESUMIDO" : "/COMPLETO") +
                     " DE PESSOAS NA PASTA " + folder_);
        std::string line = o_.all_statuses ? "INDEPENDENTE DO ESTATUS"
                                           : "COM OS ESTATUS " + std::to_string(o_.STAT_INIC) +
                                                 " ATE " + std::to_string(o_.STAT_FINAL);
        static const char* const kTaxes[] = {
            " E INDEPENDENTE DO IMPOSTO", " E OS ISENTOS DO IMPOSTO", " E COM DEVOLUÇAO DO IMPOSTO",
            " E COM IMPOSTO A PAGAR"};
        line += kTaxes[static_cast<int>(o_.SEPIMP) - 1];
        out_.say(r++, 0, line);
        if (o_.OPC_IND == 4) {
            out_.say(r++, 0,
                     o_.MES_INIC == o_.MES_FINAL
                         ? std::string("NASCIDAS NO MES DE ") + kMonths[o_.MES_INIC - 1]
                         : std::string("NASCIDAS ENTRE OS MESES DE ") + kMonths[o_.MES_INIC - 1] +
                               " E " + kMonths[o_.MES_FINAL - 1]);
            out_.say(r++, 0, "ORGANIZADO PELO MES DE NASCIMENTO");
        }
        divider(r++);
        if (o_.model == ListModel::kSummary) {
            out_.say(r++, 10,
                     "Nome" + std::string(22, ' ') + "      CPF       Telefone    Situacao");
            divider(r++);
        }
        row_ = r;
    }

    void total(int row) {
        out_.say(row, 0, "Total de contribuintes....");
        out_.say(row, 40, std::to_string(count_));
    }

    // Room for `lines` more lines on the page, closing it with the running count when there is
    // none: the last five lines of a page stay free.
    void room_for(int lines) {
        if (row_ + lines <= o_.NRO_LIN - 5) return;
        total(row_);
        out_.eject();
        CABEC_CAD();
    }

    std::string status_text(long code) const { return code == 0 ? "  " : two_digits(code); }

    void CAD_SIMPL(const ListClient& c) {
        room_for(1);
        out_.say(row_, 0, c.name.substr(0, 37));
        out_.say(row_, 38, print_cpf(c.cpf));
        out_.say(row_, 53, print_phone(c.phone));
        out_.say(row_, 63, status_text(c.status));
        out_.say(row_, 66, store::status_name(names_, c.status));
        ++row_;
    }

    void CAD_COMPL(const ListClient& c) {
        const bool to_pay = c.tax > Decimal();
        room_for(to_pay ? 7 : 6);
        int r = row_;
        out_.say(r, 0, "CPF: " + print_cpf(c.cpf));
        out_.say(r, 30,
                 c.status == 0 ? std::string("Estatus:")
                               : "Estatus: " + two_digits(c.status) + " " +
                                     store::status_name(names_, c.status));
        ++r;
        out_.say(r, 0, c.name);
        if (!c.phone.empty()) out_.say(r, 56, "Tel: " + print_phone(c.phone));
        ++r;
        std::string street = trim(c.street_type + " " + c.street);
        if (!c.number.empty()) street += ", " + c.number;
        if (!c.complement.empty()) street += " " + c.complement;
        out_.say(r++, 0, street);
        std::string place = c.district.empty() ? "" : c.district + " - ";
        place += trim(print_cep(c.cep) + " " + c.city + (c.uf.empty() ? "" : " - " + c.uf));
        out_.say(r++, 0, place);
        std::string born = "Nascimento: " + c.birth.dmy();
        if (!c.birth.blank() && !o_.today.blank() && c.birth.month() == o_.today.month())
            born += "  Atencao! Aniversario nesse mes";
        out_.say(r++, 0, born);
        if (to_pay) {
            out_.say(r, 0, "Imp. devido");
            out_.say(r, 54, c.tax, money_picture(14));
            if (c.quotas > 0)
                out_.say(r, 69, std::to_string(c.quotas) + (c.quotas > 1 ? " Quotas" : " Quota"));
            ++r;
        }
        row_ = r + 1;  // a blank line between clients
    }

    void CAD_ETI(const ListClient& c) {
        const LabelGeometry& g = o_.labels;
        const int per_sheet = (g.NRO_LIN - g.INIFOL) / g.LINETI;
        if (slot_ == per_sheet) {
            out_.eject();
            slot_ = 0;
        }
        std::vector<std::string> lines;
        lines.push_back(c.name);
        std::string street = trim(c.street_type + " " + c.street);
        if (!c.number.empty()) street += "," + c.number;
        std::string district = c.district;
        const bool own_line =
            !c.complement.empty() && utf8_length(street + " " + c.complement) > kLabelWidth;
        if (!c.complement.empty() && !own_line) street += " " + c.complement;
        lines.push_back(street);
        const bool overlong = own_line && 6 > g.LINETI;
        if (own_line && !overlong) lines.push_back(c.complement);
        if (overlong) {
            district = trim(district + " " + c.complement);
            ++overlong_;
        }
        lines.push_back(district);
        lines.push_back(c.city + (c.uf.empty() ? "" : " - " + c.uf));
        lines.push_back(print_cep(c.cep));
        const int top = g.INIFOL + slot_ * g.LINETI;
        for (size_t k = 0; k < lines.size(); ++k)
            out_.say(top + static_cast<int>(k), 1 + g.MARESQ, lines[k]);
        ++slot_;
    }

    static size_t utf8_length(std::string_view s) {
        size_t n = 0;
        for (unsigned char ch : s)
            if ((ch & 0xC0) != 0x80) ++n;
        return n;
    }

    const ListOptions& o_;
    const std::map<long, std::string>& names_;
    PrintWriter& out_;
    std::string folder_;
    int row_ = 0;    // next free row of the page
    int slot_ = 0;   // next label of the sheet
    int count_ = 0;  // clients printed so far
    int overlong_ = 0;
};

}  // namespace

Status read_list_clients(store::Env& env, const std::string& folder, std::vector<ListClient>* out) {
    out->clear();
    const std::string path = store::data_table_path(env, folder, 9);
    if (!env.exists(path)) return Status::not_found("cadastro não encontrado na pasta " + folder);
    std::unique_ptr<store::Table> t;
    store::OpenOptions o;
    o.read_only = true;
    Status s = store::Table::open(env, path, o, &t);
    if (!s) return s;
    for (s = t->go_top(); s && !t->eof(); s = t->skip()) {
        if (t->deleted()) continue;
        ListClient c;
        c.cpf = trim(t->str("CPF"));
        c.name = trim(t->str("NOMECONTR"));
        c.status = t->num("ESTATUS").whole();
        c.phone = trim(t->str("TELEFO"));
        c.street_type = trim(t->str("TIPOEND"));
        c.street = trim(t->str("ENDERECO"));
        c.number = trim(t->str("NUMERO"));
        c.complement = trim(t->str("COMPLEM"));
        c.district = trim(t->str("BAIRRO"));
        c.cep = trim(t->str("CEP"));
        c.city = trim(t->str("MUNICIPIO"));
        c.uf = trim(t->str("UF"));
        c.birth = t->date("NASCIMENTO");
        c.tax = t->num("IMPPGRE");
        c.quotas = static_cast<int>(t->num("QTD_QUOTA").whole());
        c.fee = t->num("VALOREC");
        c.marked = trim(t->str("IMPRE")) == "S";
        out->push_back(std::move(c));
    }
    Status closed = t->close();
    return s ? closed : s;
}

Status read_status_table(store::Env& env, const std::string& install,
                         std::map<long, std::string>* out) {
    out->clear();
    const std::string path = store::data_table_path(env, install, 66);
    if (!env.exists(path)) return Status::ok();
    std::unique_ptr<store::Table> t;
    store::OpenOptions o;
    o.read_only = true;
    Status s = store::Table::open(env, path, o, &t);
    if (!s) return s;
    for (s = t->go_top(); s && !t->eof(); s = t->skip())
        if (!t->deleted()) (*out)[t->num("COD").whole()] = trim(t->str("DESCRICAO"));
    Status closed = t->close();
    return s ? closed : s;
}

std::optional<std::string> settle_geometry(LabelGeometry* g) {
    if (g->MARESQ < 0 || g->MARESQ > 99 || g->INIFOL < 0 || g->INIFOL > 99 || g->LINETI < 0 ||
        g->LINETI > 99 || g->NRO_LIN < 0 || g->NRO_LIN > 99)
        return "Cada medida da etiqueta tem no máximo dois dígitos";
    g->LINETI = std::max(g->LINETI, 5);
    if (g->NRO_LIN < 5) return "A página deve ter ao menos 5 linhas";
    if (g->INIFOL + g->LINETI > g->NRO_LIN) return "Nenhuma etiqueta cabe na página";
    return std::nullopt;
}

std::optional<std::string> check_list_options(ListOptions* o) {
    if (o->QUECON < 1 || o->QUECON > 4) return "Abrangência inválida";
    if (o->OPC_IND < 1 || o->OPC_IND > 6) return "Ordem de impressão de 1 a 6";
    if (!o->all_statuses && (o->STAT_INIC < 1 || o->STAT_INIC > 99 ||
                             o->STAT_FINAL < o->STAT_INIC || o->STAT_FINAL > 99))
        return "Faixa de Estatus inválida";
    if (o->OPC_IND == 4 &&
        (o->MES_INIC < 1 || o->MES_INIC > 12 || o->MES_FINAL < o->MES_INIC || o->MES_FINAL > 12))
        return "Faixa de meses inválida";
    if (o->model == ListModel::kLabels) return settle_geometry(&o->labels);
    if (o->NRO_LIN < 20 || o->NRO_LIN > 99) return "Linhas por página de 20 a 99";
    return std::nullopt;
}

Status IMPR_CAD(store::Env& env, const std::vector<std::string>& folders,
                const ListOptions& options, const std::map<long, std::string>& status_names,
                PrintWriter& out, ListResult* result) {
    *result = ListResult();
    Lister lister(options, status_names, out);
    bool found_cpf = false;
    for (const std::string& folder : folders) {
        std::vector<ListClient> clients;
        if (Status s = read_list_clients(env, folder, &clients); !s) {
            if (folders.size() == 1) return s;
            result->problems.push_back("pasta " + folder + ": " + s.message());
            continue;
        }
        std::vector<ListClient> chosen;
        for (auto& c : clients) {
            if (options.QUECON == 1 && c.cpf == options.cpf) found_cpf = true;
            if (wanted(c, options)) chosen.push_back(std::move(c));
        }
        if (chosen.empty()) continue;
        sort_clients(&chosen, options.OPC_IND);
        lister.begin_folder(folder);
        for (const auto& c : chosen) {
            if (options.stop && options.stop()) {
                result->abandoned = true;
                break;
            }
            lister.client(c);
        }
        if (result->abandoned) break;
    }
    if (options.QUECON == 1 && !found_cpf)
        return Status::not_found("CPF " + options.cpf + " não encontrado no cadastro");
    lister.end(!result->abandoned);
    result->printed = lister.count();
    result->overlong_labels = lister.overlong();
    return Status::ok();
}

std::string overlong_notice(const ListResult& r) {
    if (r.overlong_labels == 0) return "";
    return std::to_string(r.overlong_labels) +
           (r.overlong_labels == 1 ? " etiqueta teve" : " etiquetas tiveram") +
           " o complemento do endereço impresso junto ao bairro";
}

}  // namespace vorn::printing
