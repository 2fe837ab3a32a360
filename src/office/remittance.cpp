#include "office/remittance.h"

#include <algorithm>
#include <memory>

#include "base/text.h"
#include "base/validate.h"
#include "store/declaration.h"
#include "store/env.h"
#include "store/opening.h"

namespace vorn::office {

namespace {

constexpr int kSlips = 67;
constexpr size_t kRecord = 400;
constexpr const char* kJournal = "REMESSA.JNL";

bool all_digits(const std::string& s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool valid_cpf(const std::string& cpf) {
    return cpf.size() == 11 && all_digits(cpf) &&
           cpf_check_digits(cpf.substr(0, 9)) == cpf.substr(9);
}

bool valid_cnpj(const std::string& cnpj) {
    if (cnpj.size() != 14 || !all_digits(cnpj.substr(12))) return false;
    for (char c : cnpj.substr(0, 12))
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'))) return false;
    return cnpj_check_digits(cnpj.substr(0, 12)) == cnpj.substr(12);
}

// Text as the bank reads it: accents replaced, anything else outside printable ASCII a blank, cut
// or blank-padded to `width`.
std::string alpha(const std::string& text, size_t width) {
    std::string out;
    for (char c : MATCAR(trim(text))) out += c >= 32 && c < 127 ? c : ' ';
    out.resize(width, ' ');
    return out;
}

std::string zeros(long long v, size_t width) {
    std::string s = std::to_string(v < 0 ? 0 : v);
    return s.size() >= width ? s.substr(s.size() - width) : std::string(width - s.size(), '0') + s;
}

std::string ddmmyy(const Date& d) {
    return zeros(d.day(), 2) + zeros(d.month(), 2) + zeros(d.year() % 100, 2);
}

long long cents(Decimal v) {
    return (v * Decimal(100)).round(0).whole();
}

Status invalid(const std::string& field) {
    return Status::invalid("Boleto não gerado: " + field);
}

// The journal of a run: the file written beside its name, and that name.
struct Journal {
    std::string temp, final_path;
};

Status read_journal(store::Env& env, const std::string& path, Journal* j) {
    std::unique_ptr<store::File> f;
    if (Status s = env.open(path, store::OpenFor::kRead, &f); !s) return s;
    uint64_t size = 0;
    if (Status s = f->size(&size); !s) return s;
    std::string text(size, '\0');
    size_t got = 0;
    if (Status s = f->read(0, text.data(), text.size(), &got); !s) return s;
    text.resize(got);
    const size_t nl = text.find('\n');
    if (nl == std::string::npos || text.back() != '\n')
        return Status::corrupt("Diário da remessa incompleto: " + path);
    j->temp = text.substr(0, nl);
    j->final_path = text.substr(nl + 1, text.size() - nl - 2);
    return Status::ok();
}

Status write_whole(store::Env& env, const std::string& path, std::string_view text,
                   std::string* temp_out) {
    std::unique_ptr<store::File> f;
    std::string temp;
    Status s = env.create_temp(path, &f, &temp);
    if (!s) return s;
    s = f->write(0, text);
    if (s) s = f->sync();
    f.reset();
    if (!s) {
        (void)env.remove(temp);
        return s;
    }
    *temp_out = temp;
    return s;
}

// Empties BOLETO held in its work area.
// Files a run cut short left beside their names ("C260410A.txt.123-4", "REMESSA.JNL.123-4"):
// while BOLETO is held no other run is writing, so they are stale.
void remove_stray_files(store::Env& env, const std::string& dir) {
    std::vector<std::string> names;
    if (!env.list(dir, &names)) return;
    for (const std::string& n : names) {
        const size_t dot = n.find(".txt.") == 8                           ? 12
                           : n.rfind(std::string(kJournal) + ".", 0) == 0 ? 11
                                                                          : 0;
        if (dot == 0 || n.size() <= dot + 1) continue;
        if (dot == 12 && (n[0] != 'C' || !all_digits(n.substr(1, 6)))) continue;
        const std::string tail = n.substr(dot + 1);
        if (tail.find('-') != std::string::npos &&
            std::all_of(tail.begin(), tail.end(),
                        [](char c) { return (c >= '0' && c <= '9') || c == '-'; }))
            (void)env.remove(store::join_path(dir, n));
    }
}

Status empty_slips(store::WorkAreas& w) {
    store::Table* t = w.table(kSlips);
    if (!t) return Status::locked("O arquivo BOLETO está sendo usado em outro terminal.");
    Status s = t->zap();
    if (s) s = t->flush();
    return s;
}

}  // namespace

char itau_account_digit(const std::string& branch4, const std::string& account5) {
    const std::string digits = branch4 + account5;
    int sum = 0, weight = 2;
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        const int p = (*it - '0') * weight;
        sum += p / 10 + p % 10;
        weight = weight == 2 ? 1 : 2;
    }
    return static_cast<char>('0' + (10 - sum % 10) % 10);
}

Status check_setup(const BankSetup& b) {
    if (trim(b.name).empty()) return invalid("falta o nome do cedente");
    if (b.branch.size() != 4 || !all_digits(b.branch)) return invalid("agência inválida");
    if (b.account.size() != 6 || !all_digits(b.account)) return invalid("conta inválida");
    if (itau_account_digit(b.branch, b.account.substr(0, 5)) != b.account[5])
        return invalid(std::string("dígito da conta não confere (") +
                       itau_account_digit(b.branch, b.account.substr(0, 5)) + ")");
    if (b.portfolio.size() != 3 || !all_digits(b.portfolio)) return invalid("carteira inválida");
    const std::string cnpj = trim(b.cnpj), cpf = trim(b.cpf);
    if (cnpj.empty() && cpf.empty()) return invalid("falta o CNPJ ou o CPF do escritório");
    if (!cnpj.empty() && !valid_cnpj(upper(cnpj))) return invalid("CNPJ do escritório inválido");
    if (cnpj.empty() && !valid_cpf(cpf)) return invalid("CPF do escritório inválido");
    return Status::ok();
}

Status check_slip(const Slip& s) {
    const std::string which = "documento " + std::to_string(s.document) + ": ";
    if (s.amount <= Decimal()) return invalid(which + "valor zero ou negativo");
    if (cents(s.amount) > 9999999999999LL) return invalid(which + "valor grande demais");
    if (s.due.blank()) return invalid(which + "sem vencimento");
    if (s.document <= 0 || s.document > 99999) return invalid(which + "número do documento");
    if (s.reference <= 0 || s.reference > 99999999)
        return invalid(which + "número de referência do banco");
    if (!valid_cpf(s.payer_cpf)) return invalid(which + "CPF do sacado inválido");
    if (trim(s.payer_name).empty()) return invalid(which + "falta o nome do sacado");
    return Status::ok();
}

std::string remittance_text(
    const BankSetup& b, std::vector<Slip> slips, const Date& today,
    const std::function<std::optional<PayerAddress>(const std::string&)>& address_of,
    std::vector<std::string>* not_found) {
    std::sort(slips.begin(), slips.end(),
              [](const Slip& a, const Slip& z) { return a.reference < z.reference; });
    const std::string issued = ddmmyy(today);
    long long counter = 1;
    std::string out;
    const auto record = [&](std::string r) {
        r.resize(kRecord - 6, ' ');
        out += r + zeros(counter, 6) + "\r\n";
    };
    record("01REMESSA01COBRANCA       " + b.branch + "00" + b.account + std::string(8, ' ') +
           alpha(b.name, 30) + "341" + "BANCO ITAU SA  " + issued);
    const bool has_cnpj = !trim(b.cnpj).empty();
    for (const Slip& s : slips) {
        ++counter;
        const std::optional<PayerAddress> a = address_of(s.payer_cpf);
        if (!a && not_found) not_found->push_back(s.payer_cpf);
        const PayerAddress p = a.value_or(PayerAddress{});
        std::string r = "1";
        r += has_cnpj ? "02" + alpha(upper(trim(b.cnpj)), 14) : "01000" + alpha(trim(b.cpf), 11);
        r += b.branch + "00" + b.account + std::string(33, ' ');
        r += zeros(s.reference, 8) + std::string(13, '0') + b.portfolio + std::string(21, ' ');
        r += "I01" + zeros(s.document, 5) + std::string(5, ' ') + ddmmyy(s.due);
        r += zeros(cents(s.amount), 13) + "3410000017N" + issued + std::string(62, '0');
        r += "01000" + alpha(s.payer_cpf, 11) + alpha(s.payer_name, 30) + std::string(10, ' ');
        r += alpha(p.street_type, 5) + " " + alpha(p.street, 27) + " " + alpha(p.number, 6);
        r += alpha(p.district, 12) + alpha(p.cep, 8) + alpha(p.city, 15) + alpha(p.uf, 2);
        r += std::string(34, ' ') + "00000000 ";
        record(r);
    }
    ++counter;
    record("9");
    return out;
}

Status read_addresses(store::Env& env, const std::vector<std::string>& folders,
                      const std::vector<std::string>& cpfs,
                      std::map<std::string, PayerAddress>* out) {
    out->clear();
    for (const std::string& folder : folders) {
        if (out->size() == cpfs.size()) break;
        const std::string path = store::data_table_path(env, folder, 9);
        if (!env.exists(path)) continue;
        std::unique_ptr<store::Table> t;
        store::OpenOptions o;
        o.read_only = true;
        if (Status s = store::Table::open(env, path, o, &t); !s) return s;
        Status s = t->go_top();
        for (; s && !t->eof(); s = t->skip()) {
            if (t->deleted()) continue;
            const std::string cpf = trim(t->str("CPF"));
            if (out->count(cpf) || std::find(cpfs.begin(), cpfs.end(), cpf) == cpfs.end()) continue;
            (*out)[cpf] = PayerAddress{t->str("TIPOEND"), t->str("ENDERECO"),
                                       t->str("NUMERO"),  t->str("BAIRRO"),
                                       t->str("CEP"),     t->str("MUNICIPIO"),
                                       t->str("UF"),      trim(t->str("NOMECONTR"))};
        }
        Status c = t->close();
        if (!s) return s;
        if (!c) return c;
    }
    return Status::ok();
}

BankSetup bank_setup_of(store::Table& d) {
    BankSetup b;
    const std::string bank = trim(d.str("BOL_BANCO"));
    if (!bank.empty()) b.bank = bank;
    b.branch = trim(d.str("BOL_AGENCI"));
    b.account = trim(d.str("BOL_CONTA"));
    b.name = trim(d.str("BOL_NOME"));
    b.cnpj = trim(d.str("BOL_CNPJ"));
    b.cpf = trim(d.str("BOL_CPF"));
    b.portfolio = trim(d.str("BOL_CARTEI"));
    return b;
}

Status read_slips(store::Table& t, std::vector<Slip>* out) {
    out->clear();
    t.set_order(0);
    Status s = t.go_top();
    for (; s && !t.eof(); s = t.skip()) {
        if (t.deleted()) continue;
        Slip slip;
        slip.document = t.num("NRODOCUM").whole();
        slip.reference = t.num("NOSSONRO").whole();
        slip.due = t.date("DATADOC");
        slip.amount = t.num("VALORDOC");
        slip.payer_name = trim(t.str("NOMESAC"));
        slip.payer_cpf = trim(t.str("CPFSAC"));
        out->push_back(slip);
    }
    return s;
}

std::string remittance_name(const Date& today, char letter) {
    return "C" + zeros(today.year() % 100, 2) + zeros(today.month(), 2) + zeros(today.day(), 2) +
           letter + ".txt";
}

Status finish_remittance(store::WorkAreas& w, std::string* what) {
    what->clear();
    store::Env& env = w.env();
    const std::string journal = store::join_path(w.ARQDEF, kJournal);
    if (!env.exists(journal)) return Status::ok();
    Journal j;
    Status s = read_journal(env, journal, &j);
    if (!s && s.code() != Status::Code::kCorrupt) return s;
    if (s && env.exists(j.final_path)) {
        // The file took its name: its slips are the ones to go.
        w.close(kSlips);
        if (!store::ABERTURA(w, kSlips, true))
            return Status::locked("O arquivo BOLETO está sendo usado em outro terminal.");
        s = empty_slips(w);
        w.close(kSlips);
        if (!s) return s;
        *what = "Remessa " + j.final_path + " concluída";
    } else {
        // It never took its name (or the journal itself was cut short): the slips stay.
        *what = "Remessa interrompida desfeita";
    }
    if (s && !j.temp.empty() && env.exists(j.temp)) (void)env.remove(j.temp);
    s = env.remove(journal);
    if (s) s = env.sync_dir(w.ARQDEF);
    return s;
}

Status write_remittance(
    store::WorkAreas& w, const BankSetup& setup, const Date& today,
    const std::function<std::optional<PayerAddress>(const std::string&)>& address_of,
    RemittanceResult* result) {
    *result = {};
    store::Env& env = w.env();
    if (Status s = finish_remittance(w, &result->recovered); !s) return s;

    // The slips, held alone from reading them until they are emptied.
    w.close(kSlips);
    if (!store::ABERTURA(w, kSlips, true))
        return Status::locked("O arquivo BOLETO está sendo usado em outro terminal.");
    struct Closer {
        store::WorkAreas& w;
        ~Closer() { w.close(kSlips); }
    } closer{w};
    remove_stray_files(env, w.ARQDEF);
    std::vector<Slip> slips;
    if (Status s = read_slips(*w.table(kSlips), &slips); !s) return s;
    if (slips.empty())
        return Status::not_found("=Não existe boleto cadastrado para ser gerado o arquivo.");
    if (Status s = check_setup(setup); !s) return s;
    for (const Slip& s : slips)
        if (Status c = check_slip(s); !c) return c;
    for (size_t a = 1; a < slips.size(); ++a)
        for (size_t z = 0; z < a; ++z)
            if (slips[a].reference == slips[z].reference)
                return invalid("número de referência " + std::to_string(slips[a].reference) +
                               " repetido");

    const std::string text = remittance_text(setup, slips, today, address_of, &result->not_found);
    std::string path;
    for (char letter = 'A'; letter <= 'Z' && path.empty(); ++letter) {
        const std::string p = store::join_path(w.ARQDEF, remittance_name(today, letter));
        if (!env.exists(p)) path = p;
    }
    if (path.empty()) return invalid("já existem 26 arquivos de remessa de hoje");

    // The file beside its name, the journal, the name, the slips emptied, the journal gone.
    std::string temp, journal_temp;
    Status s = write_whole(env, path, text, &temp);
    if (!s) return s;
    const std::string journal = store::join_path(w.ARQDEF, kJournal);
    s = write_whole(env, journal, temp + "\n" + path + "\n", &journal_temp);
    if (s) s = env.rename(journal_temp, journal);
    if (s) s = env.sync_dir(w.ARQDEF);
    if (!s) {
        (void)env.remove(temp);
        (void)env.remove(journal_temp);
        (void)env.remove(journal);
        return s;
    }
    bool existed = false;
    s = env.rename_new(temp, path, &existed);
    if (s && existed) s = Status::io_error("O arquivo " + path + " apareceu durante a gravação");
    if (s) s = env.sync_dir(w.ARQDEF);
    if (!s) {
        // Not named: undone at once, or by the next run from the journal.
        (void)env.remove(temp);
        if (!env.exists(path) || existed) (void)env.remove(journal);
        return s;
    }
    if (s = empty_slips(w); !s) return s;  // the journal finishes it next time
    if (s = env.remove(journal); !s) return s;
    if (s = env.sync_dir(w.ARQDEF); !s) return s;
    result->path = path;
    result->slips = static_cast<int>(slips.size());
    return Status::ok();
}

}  // namespace vorn::office
