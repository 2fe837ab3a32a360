#include "rural/lcdpr.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <limits>
#include <map>

#include "base/helpers.h"
#include "base/text.h"
#include "rural/result.h"

namespace vorn::rural {

namespace {

constexpr int kYear = 2025;

// Text of a field: "|", CR and LF would split the record and become blanks; accents removed;
// surrounding blanks trimmed.
std::string text(std::string_view s) {
    std::string clean(s);
    for (char& c : clean)
        if (c == '|' || c == '\r' || c == '\n') c = ' ';
    return trim(MATCAR(clean));
}

// Identifiers (CPF, CNPJ, registrations, telephone) without punctuation.
std::string plain(std::string_view s) {
    std::string clean(s);
    for (char& c : clean)
        if (c == '|' || c == '\r' || c == '\n') c = ' ';
    return TIRA_PONTO(clean);
}

// A telephone as its digits only: "(11)98765-4321" → "11987654321".
std::string phone(std::string_view s) {
    std::string d;
    for (char c : s)
        if (c >= '0' && c <= '9') d += c;
    return d;
}

std::string digits(long long v, int width) {
    std::string s = std::to_string(v < 0 ? -v : v);
    return s.size() >= static_cast<size_t>(width) ? s : std::string(width - s.size(), '0') + s;
}

std::string cents(Decimal v) {
    return digits((v.abs() * Decimal(100)).round(0).whole(), 19);
}
std::string percent(Decimal v) {
    return digits((v * Decimal(100)).round(0).whole(), 5);
}
std::string ddmmyyyy(Date d) {
    return digits(d.day(), 2) + digits(d.month(), 2) + digits(d.year(), 4);
}

// A postal code kept as a number or typed with its dash, zero-padded to 8 digits.
std::string postal(std::string_view s) {
    std::string d;
    for (char c : s)
        if (c >= '0' && c <= '9') d += c;
    if (d.empty() || std::all_of(d.begin(), d.end(), [](char c) { return c == '0'; })) return {};
    return d.size() >= 8 ? d : std::string(8 - d.size(), '0') + d;
}

class Lines {
  public:
    void add(std::initializer_list<std::string_view> fields) {
        bool first = true;
        for (auto f : fields) {
            if (!first) out_ += '|';
            out_ += f;
            first = false;
        }
        out_ += "\r\n";
        ++count_;
    }
    int count() const { return count_; }
    std::string take() { return std::move(out_); }

  private:
    std::string out_;
    int count_ = 0;
};

std::string money_text(Decimal v) {
    return v.to_string(2);
}

}  // namespace

std::string lcdpr_file_name(const std::string& cpf) {
    return "LCDPR26-" + cpf + ".txt";
}

int entries_outside_year(const std::vector<store::Record>& entries) {
    int n = 0;
    for (const auto& e : entries) {
        Date d = e.date("DT_LC");
        if (!e.deleted && !d.blank() && d.year() != kYear) ++n;
    }
    return n;
}

int move_into_year(std::vector<store::Record>& entries) {
    int n = 0;
    for (auto& e : entries) {
        Date d = e.date("DT_LC");
        if (d.blank() || d.year() == kYear) continue;
        int day = std::min(d.day(), Date::days_in_month(kYear, d.month()));
        e.set("DT_LC", Date(kYear, d.month(), day));
        ++n;
    }
    return n;
}

void build_lcdpr(const LcdprSources& src, const MunicipalityLookup& municipality, std::string* out,
                 std::string* stop) {
    out->clear();
    stop->clear();
    const auto& reg = src.registry;
    Lines lines;

    // 0000: the situation at the start of the period is always regular here; estates and
    // departures are special situations ending the period early.
    std::string special = "0", special_date;
    Date end(kYear, 12, 31);
    const auto& sum = src.summary;
    if (sum.str("DECFINAL") == "S") {
        Date d = sum.str("DECJUDI") == "S" ? sum.date("DATAPARTI") : sum.date("DATALAVRA");
        if (d.blank()) {
            *stop = "Falta a data da partilha";
            return;
        }
        special = "2";
        special_date = ddmmyyyy(d);
        end = d;
    } else if (sum.str("DECSAIDA") == "S") {
        Date d = sum.date("DATASAIDA");
        if (d.blank()) {
            *stop = "Falta a data da saída";
            return;
        }
        special = "3";
        special_date = ddmmyyyy(d);
        end = d;
    }
    lines.add({"0000", "LCDPR", "0013", plain(reg.str("CPF")), text(reg.str("NOMECONTR")), "0",
               special, special_date, "01012025", ddmmyyyy(end)});
    lines.add({"0010", opted_20(src.result) ? "2" : "1"});

    auto code = municipality(trim(reg.str("MUNICIPIO")), trim(reg.str("UF")));
    if (!code) {
        *stop = "Cidade não encontrada! Verifique o nome";
        return;
    }
    if (trim(reg.str("EMAIL")).empty()) {
        *stop = "O e-mail é um campo obrigatório! Preenche-o e refaça esse Arquivo";
        return;
    }
    std::string street = text(trim(reg.str("TIPOEND")) + " " + trim(reg.str("ENDERECO")));
    lines.add({"0030", street, text(reg.str("NUMERO")), text(reg.str("COMPLEM")),
               text(reg.str("BAIRRO")), text(reg.str("UF")), *code, postal(reg.str("CEP")),
               phone(reg.str("DDDTEL") + reg.str("TELEFO")), trim(reg.str("EMAIL"))});

    // Properties, grouped by number: records sharing a number (one per partner) give one 0040
    // and a 0045 each.
    if (std::all_of(src.properties.begin(), src.properties.end(),
                    [](const auto& p) { return p.deleted; })) {
        *stop = "Nenhum imovel rural cadastrado!";
        return;
    }
    std::vector<std::pair<long long, std::vector<const store::Record*>>> groups;
    for (const auto& p : src.properties) {
        if (p.deleted) continue;
        long long n = p.num("I2R_00").whole();
        auto it =
            std::find_if(groups.begin(), groups.end(), [n](const auto& g) { return g.first == n; });
        if (it == groups.end())
            groups.push_back({n, {&p}});
        else
            it->second.push_back(&p);
    }
    for (const auto& [number, recs] : groups) {
        const store::Record& p = *recs.front();
        const std::string where = " no imóvel " + digits(number, 10);
        auto missing = [&](const char* what) { *stop = std::string("Falta ") + what + where; };
        std::string cep = postal(std::to_string(p.num("CEP_IMR").whole()));
        if (plain(p.str("I2R_03")).empty()) return missing("o CIB");
        if (plain(p.str("CAEPF")).empty()) return missing("o CAEPF");
        if (text(p.str("I2R_01")).empty()) return missing("o nome");
        if (text(p.str("I2R_06")).empty()) return missing("o endereço");
        if (text(p.str("DISTR_IMR")).empty()) return missing("a cidade/distrito");
        if (trim(p.str("UF_IMR")).empty()) return missing("o Estado (UF)");
        if (cep.empty()) return missing("o CEP");
        if (p.num("I2R_05").is_zero()) return missing("a condição de exploração");
        if (p.num("I2R_04") <= Decimal()) return missing("o % de participação");
        lines.add({"0040", digits(number, 3), "BR", "BRL", plain(p.str("I2R_03")),
                   plain(p.str("CAEPF")), plain(p.str("INSCR_ES")), text(p.str("I2R_01")),
                   text(p.str("I2R_06")), text(p.str("NUM_IMR")), text(p.str("COMP_IMR")),
                   text(p.str("DISTR_IMR")), text(p.str("UF_IMR")), plain(p.str("CODM_IMR")), cep,
                   std::to_string(p.num("I2R_05").whole()), percent(p.num("I2R_04"))});
        for (const store::Record* r : recs) {
            bool third =
                recs.size() > 1 || r->num("I2R_04") < Decimal(100) || r->num("I2R_05").whole() != 1;
            if (!third) continue;
            std::string doc = plain(r->str("CPFPJ_CONT"));
            if (doc.empty()) doc = plain(r->str("CPF_CONTR"));
            if (r->num("TIPO_CONTR").is_zero())
                return missing("a condição de exploração do terceiro");
            if (doc.empty()) return missing("o CPF/CNPJ do terceiro");
            if (text(r->str("NOME_CONTR")).empty()) return missing("o nome do terceiro");
            lines.add({"0045", digits(number, 3), std::to_string(r->num("TIPO_CONTR").whole()), doc,
                       text(r->str("NOME_CONTR")), percent(r->num("PERC_CONTR"))});
        }
    }

    // Bank accounts: codes 0 and 999 stand for cash and other means, not accounts.
    int accounts = 0;
    for (const auto& a : src.accounts) {
        if (a.deleted) continue;
        long long c = a.num("COD_CONTA").whole();
        if (c == 0 || c == 999) continue;
        const std::string where = " no Banco " + digits(c, 3);
        auto missing = [&](const char* what) { *stop = std::string("Falta ") + what + where; };
        if (plain(a.str("NRO_BANCO")).empty()) return missing("Nro. do Banco");
        if (text(a.str("NOM_BANCO")).empty()) return missing("Nome do Banco");
        if (a.num("NRO_AGENC").is_zero()) return missing("Nro.da Agência");
        if (a.num("NRO_CONTA").is_zero()) return missing("Nro.da Conta");
        lines.add({"0050", digits(c, 3), "BR", plain(a.str("NRO_BANCO")), text(a.str("NOM_BANCO")),
                   digits(a.num("NRO_AGENC").whole(), 10), digits(a.num("NRO_CONTA").whole(), 16)});
        ++accounts;
    }
    if (accounts == 0) {
        *stop = "Falta o cadastro dos Bancos";
        return;
    }

    // Entries in date order, with the running balance.
    int outside = entries_outside_year(src.entries);
    if (outside > 0) {
        *stop = "Existem " + std::to_string(outside) + " lançamentos fora de 2025";
        return;
    }
    // In date order, undated ones last; the key of each entry is read once.
    std::vector<std::pair<long, const store::Record*>> keyed;
    for (const auto& e : src.entries) {
        if (e.deleted) continue;
        const Date d = e.date("DT_LC");
        keyed.emplace_back(d.blank() ? std::numeric_limits<long>::max() : d.serial(), &e);
    }
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<const store::Record*> order;
    order.reserve(keyed.size());
    for (const auto& k : keyed) order.push_back(k.second);
    Decimal balance, in[13], outm[13];
    int receipts = 0, expenses = 0;
    for (const auto* e : order) {
        const bool receipt = e->str("TIPOCR") == "C";
        int ordinal = receipt ? ++receipts : ++expenses;
        const std::string pos = pad_left(std::to_string(ordinal), 4);
        const std::string where = std::string(receipt ? "Receita " : "Despesa ") + "no item " + pos;
        auto missing = [&](const char* what) { *stop = std::string("Falta ") + what + where; };
        Date d = e->date("DT_LC");
        Decimal v = e->num("VALOR");
        if (d.blank()) return missing("a data na ");
        if (e->num("TIPODOC").is_zero()) return missing("o tipo documento na ");
        if (text(e->str("DESCR")).empty()) return missing("a descrição na ");
        if (plain(e->str("ID_PARTIC")).empty()) return missing("o CPF/CNPJ na ");
        if (v <= Decimal()) return missing("o valor na ");
        long long property = e->num("NROIMO").whole();
        if (property <= 0) property = 1;
        if (receipt) {
            balance += v;
            in[d.month()] += v;
        } else {
            balance -= v;
            outm[d.month()] += v;
        }
        lines.add({"Q100", ddmmyyyy(d), digits(property, 3), digits(e->num("COD_CONTA").whole(), 3),
                   plain(e->str("NUM_DOC")), std::to_string(e->num("TIPODOC").whole()),
                   text(e->str("DESCR")), plain(e->str("ID_PARTIC")), receipt ? "1" : "2",
                   receipt ? cents(v) : cents(0), receipt ? cents(0) : cents(v), cents(balance),
                   balance > Decimal() ? "P" : "N"});
    }

    // Monthly totals of the result record, which must agree with the entries written.
    for (int m = 1; m <= 12; ++m) {
        char r[16], x[16];
        std::snprintf(r, sizeof r, "I3_%02dOR", m);
        std::snprintf(x, sizeof x, "I3_%02dOD", m);
        Decimal rin = src.result.num(r), rout = src.result.num(x);
        const std::string month = digits(m, 2) + "/2025";
        if (rin != in[m]) {
            *stop = "Receitas de " + month + ": " + money_text(rin) + " no resultado, " +
                    money_text(in[m]) + " nos lançamentos";
            return;
        }
        if (rout != outm[m]) {
            *stop = "Despesas de " + month + ": " + money_text(rout) + " no resultado, " +
                    money_text(outm[m]) + " nos lançamentos";
            return;
        }
        Decimal net = rin - rout;
        lines.add({"Q200", digits(m, 2) + "2025", cents(rin), cents(rout), cents(net),
                   net > Decimal() ? "P" : "N"});
    }

    const auto& res = src.result;
    if (text(res.str("NOME_CONT")).empty()) {
        *stop = "Falta o nome do contador";
        return;
    }
    if (plain(res.str("CPFCNPJ_CO")).empty()) {
        *stop = "Falta o CPF/CNPJ do contador";
        return;
    }
    lines.add({"9999", text(res.str("NOME_CONT")), plain(res.str("CPFCNPJ_CO")),
               plain(res.str("CRC_CONT")), trim(res.str("EMAIL_CONT")), phone(res.str("FONE_CONT")),
               std::to_string(lines.count() + 1)});
    *out = lines.take();
}

std::string file_error_text(int err, const std::string& name) {
    switch (err) {
        case ENOENT:
        case ENOTDIR:
            return "Erro! Caminho não encontrado";
        case EMFILE:
        case ENFILE:
            return "Erro! Muitos arquivos abertos. Confira o Config e Autoexec.";
        case EACCES:
        case EPERM:
        case EROFS:
        case EBUSY:
            return "Erro! Acesso negado. Outro terminal usando? ";
        default:
            (void)name;
            return "Erro nro: " + digits(err, 3);
    }
}

Status write_lcdpr(const std::string& path, const std::string& content, std::string* message) {
    const std::string temp = path + ".tmp";
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    auto fail = [&](int err) {
        if (fd >= 0) ::close(fd);
        ::unlink(temp.c_str());
        *message = file_error_text(err, path);
        return Status::io_error(*message);
    };
    if (fd < 0) return fail(errno);
    size_t done = 0;
    while (done < content.size()) {
        ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail(errno);
        }
        done += static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0) return fail(errno);
    int rc = ::close(fd);
    fd = -1;
    if (rc != 0) return fail(errno);
    if (::rename(temp.c_str(), path.c_str()) != 0) return fail(errno);
    *message = "Arquivo " + path + " gerado com sucesso.";
    return Status::ok();
}

}  // namespace vorn::rural
