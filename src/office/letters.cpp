#include "office/letters.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "base/helpers.h"
#include "base/picture.h"
#include "base/text.h"
#include "store/dbf.h"
#include "store/declaration.h"

namespace vorn::office {

namespace {

constexpr char32_t kHeaderOpen[] = {U'\u2593', U'\u2502'};  // B2 B3 in code page 850
constexpr size_t kHeaderChars = 19;
constexpr std::string_view kOpenMark = "\u00ab";   // «
constexpr std::string_view kCloseMark = "\u00bb";  // »

// Whether the bytes are well-formed UTF-8 holding at least one character outside ASCII.
bool looks_utf8(std::string_view b) {
    bool wide = false;
    for (size_t i = 0; i < b.size();) {
        const auto c = static_cast<unsigned char>(b[i]);
        size_t n;
        if (c < 0x80)
            n = 0;
        else if (c >= 0xC2 && c < 0xE0)
            n = 1;
        else if (c >= 0xE0 && c < 0xF0)
            n = 2;
        else if (c >= 0xF0 && c < 0xF5)
            n = 3;
        else
            return false;
        if (b.size() - i <= n) return false;
        for (size_t k = 1; k <= n; ++k)
            if ((static_cast<unsigned char>(b[i + k]) & 0xC0) != 0x80) return false;
        wide = wide || n > 0;
        i += n + 1;
    }
    return wide;
}

std::optional<int> digits(std::u32string_view s) {
    int v = 0;
    for (char32_t c : s) {
        if (c < U'0' || c > U'9') return std::nullopt;
        v = v * 10 + static_cast<int>(c - U'0');
    }
    return v;
}

std::string field(int v, int width) {
    const int top = width == 3 ? 999 : 99;
    char buf[8];
    std::snprintf(buf, sizeof buf, "%0*d", width, std::clamp(v, 0, top));
    return buf;
}

// The digits of a value laid in an "@R" template: "99999-999" for a CEP and the like.
std::string masked(std::string_view value, std::string_view tmpl) {
    std::string d;
    for (char c : value)
        if (c >= '0' && c <= '9') d += c;
    return transform(d, Picture("@R " + std::string(tmpl)));
}

const Picture kMoney("@EZ 99,999,999.99");

}  // namespace

Letter parse_letter(std::string_view bytes) {
    const std::string utf8 = looks_utf8(bytes) ? std::string(bytes) : from_cp850(bytes);
    Letter l;
    const std::u32string head = to_u32(substr_chars(utf8, 0, kHeaderChars));
    if (head.size() < 2 || head[0] != kHeaderOpen[0] || head[1] != kHeaderOpen[1]) {
        l.text = utf8;
        return l;
    }
    if (head.size() < kHeaderChars || head[17] != kHeaderOpen[1] || head[18] != kHeaderOpen[0]) {
        l.text = utf8;
        l.notice = "Cabeçalho da carta incompleto: margens e tamanho da página padrão";
        return l;
    }
    l.text = substr_chars(utf8, kHeaderChars);
    const std::u32string_view h(head);
    const auto left = digits(h.substr(2, 3)), right = digits(h.substr(5, 3)),
               width = digits(h.substr(8, 3)), length = digits(h.substr(11, 2)),
               top = digits(h.substr(13, 2)), bottom = digits(h.substr(15, 2));
    if (!left || !right || !width || !length || !top || !bottom) {
        l.notice = "Cabeçalho da carta inválido: margens e tamanho da página padrão";
        return l;
    }
    PageSettings p{*left, *right, *width, *length, *top, *bottom};
    if (p.width < 1 || p.text_lines() < 1) {
        l.notice = "Página da carta sem linhas ou sem largura: margens e tamanho da página padrão";
        return l;
    }
    l.page = p;
    return l;
}

std::string letter_bytes(const Letter& letter) {
    std::string out;
    // Text that itself opens like a header is kept as text behind a header of the defaults.
    const bool opens_like_header = letter.text.starts_with("\u2593\u2502");
    if (!letter.page.is_default() || opens_like_header) {
        const PageSettings& p = letter.page;
        out = "\xB2\xB3" + field(p.left, 3) + field(p.right, 3) + field(p.width, 3) +
              field(p.length, 2) + field(p.top, 2) + field(p.bottom, 2) + "\xB3\xB2";
    }
    return out + to_cp850(letter.text);
}

std::optional<std::string> letter_file_name(std::string_view name) {
    std::string n = trim(name);
    if (n.empty()) return "SemNome.txt";
    if (n.find('/') != std::string::npos || n.find('\\') != std::string::npos ||
        n.find("..") != std::string::npos)
        return std::nullopt;
    for (char c : n)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return std::nullopt;
    if (n.find('.') == std::string::npos) n += ".txt";
    return n;
}

Status open_letter(const std::string& folder, std::string_view name, LetterFile* out) {
    const auto file = letter_file_name(name);
    if (!file) return Status::invalid("Nome de carta inválido: " + std::string(name));
    out->path = (std::filesystem::path(folder) / *file).string();
    out->original.clear();
    std::error_code ec;
    if (!std::filesystem::exists(out->path, ec)) {
        out->letter = Letter{};
        return Status::ok();
    }
    if (Status s = printing::read_whole(out->path, &out->original); !s)
        return Status::io_error("Erro de leitura: " + out->path);
    out->letter = parse_letter(out->original);
    return Status::ok();
}

Status save_letter(LetterFile& file, bool* written) {
    *written = false;
    std::string bytes = letter_bytes(file.letter);
    // A letter read as it stands (UTF-8 or with a header the reader set aside) is not rewritten
    // when its text and settings are those read.
    const Letter read = parse_letter(file.original);
    if (bytes == file.original ||
        (read.text == file.letter.text && read.page == file.letter.page && !file.original.empty()))
        return Status::ok();
    if (file.original.empty() && bytes.empty()) return Status::ok();
    if (Status s = printing::publish_bytes(bytes, file.path); !s)
        return Status::io_error("Erro na gravação: " + file.path);
    file.original = std::move(bytes);
    *written = true;
    return Status::ok();
}

std::string LetterClient::str(std::string_view f) const {
    auto it = text.find(f);
    return it == text.end() ? std::string() : it->second;
}
Decimal LetterClient::num(std::string_view f) const {
    auto it = number.find(f);
    return it == number.end() ? Decimal() : it->second;
}
Date LetterClient::day(std::string_view f) const {
    auto it = date.find(f);
    return it == date.end() ? Date() : it->second;
}

const std::vector<std::string>& placeholder_names() {
    static const std::vector<std::string> names = {
        "CPF",      "Nome",       "TipoEnd",    "Logradouro",  "Numero",     "Complemento",
        "Bairro",   "CEP",        "Municipio",  "Estado",      "MudouEnd",   "Email",
        "Telefone", "FAX",        "Celular",    "TelSecr",     "Titulo",     "Nascimento",
        "Tempo",    "Area",       "ValorTempo", "ValorArea",   "CustoDecl",  "ValorCobrar",
        "Imposto",  "NroQuotas",  "NroRecibo",  "ReciboAnt",   "CpfConjuge", "Estatus",
        "Banco",    "Agen/Conta", "Senha",      "Codigo",      "Operador",   "Empresa",
        "Reg.Prof", "NIT",        "VenceSenha", "DataEntrega", "Beneficio1", "Beneficio2",
        "DebAuto"};
    return names;
}

namespace {

// The number (1 to 43) of a placeholder's name, 0 for an unknown one.
int field_number(std::string_view name) {
    const auto& names = placeholder_names();
    const auto it = std::find(names.begin(), names.end(), name);
    return it == names.end() ? 0 : static_cast<int>(it - names.begin()) + 1;
}

// The value of field `number` (1 to 43) for client `c`.
std::string field_value(int number, const LetterClient& c, const FeeRates& rates) {
    const auto tr = [&](const char* f) { return trim(c.str(f)); };
    const auto fee = [&] {
        return suggested_fee(static_cast<long>(c.num("TEM_USO").whole()),
                             static_cast<long>(c.num("TAM_USO").whole()), rates);
    };
    switch (number) {
        case 1:
            return printing::print_cpf(c.str("CPF"));
        case 2:
            return tr("NOMECONTR");
        case 3:
            return tr("TIPOEND");
        case 4:
            return tr("ENDERECO");
        case 5:
            return tr("NUMERO");
        case 6:
            return tr("COMPLEM");
        case 7:
            return tr("BAIRRO");
        case 8:
            return masked(c.str("CEP"), "99999-999");
        case 9:
            return tr("MUNICIPIO");
        case 10:
            return c.str("UF");
        case 11:
            return c.str("NOVOEND");
        case 12:
            return tr("EMAIL");
        case 13:
            return tr("DDDTEL") + masked(c.str("TELEFO"), "99999-9999");
        case 14:
            return tr("DDDFAX") + masked(c.str("NROFAX"), "99999-9999");
        case 15:
            return masked(c.str("TELCELU"), "99999-9999");
        case 16:
            return masked(c.str("TELSECR"), "99999-9999");
        case 17:
            return masked(c.str("TITULO"), "99999999999-99");
        case 18:
            return c.day("NASCIMENTO").dmy();
        case 19:
            return SEG_HOR_2(static_cast<long>(c.num("TEM_USO").whole()));
        case 20:
            return transform(c.num("TAM_USO"), Picture("@EZ 999,999"));
        case 21:
            return transform(fee().time_cost, kMoney);
        case 22:
            return transform(fee().size_cost, kMoney);
        case 23:
            return transform(fee().fee, kMoney);
        case 24:
            return transform(c.num("VALOREC"), kMoney);
        case 25: {
            const Decimal v = c.num("IMPPGRE");
            const Picture p("@EZ 999,999,999.99");
            if (v > Decimal()) return "Imposto " + transform(v, p);
            if (v < Decimal()) return "Devolucao " + transform(v.abs(), p);
            return std::string("Isento ");
        }
        case 26:
            return transform(c.num("QTD_QUOTA"), Picture("@EZ 9"));
        case 27:
            return c.str("RECIBOATU");
        case 28:
            return c.str("RECIBOANT");
        case 29:
            return printing::print_cpf(c.str("CPFCONJU"));
        case 30:
            return transform(c.num("ESTATUS"), Picture("@Z 99"));
        case 31:
            return c.str("BANCO");
        case 32:
            return "Ag. " + transform(c.str("AGENCIA"), Picture("!!!!!-!")) + " CC " +
                   tr("CONTACO");
        case 33:
            return c.str("SENACESSO");
        case 34:
            return c.str("CODACESSO");
        case 35:
            return tr("NOMEAG");
        case 36:
            return tr("EMPRESA");
        case 37:
            return tr("REGPROF");
        case 38:
            return tr("NIT_TIT");
        case 39:
            return c.day("VALIDSENA").dmy();
        case 40:
            return c.day("DENTREGA").dmy();
        case 41:
            return c.str("NROBEN1");
        case 42:
            return c.str("NROBEN2");
        default:
            return c.str("DEBITAUT");
    }
}

}  // namespace

// A letter's text cut once into its literal pieces and its known placeholders, so that merging
// it for each client only looks up values (each field once per client).
struct MergePlan {
    struct Piece {
        std::string_view text;  // literal text, when field is 0
        int field = 0;
    };
    std::vector<Piece> pieces;

    explicit MergePlan(std::string_view text) {
        size_t literal = 0, i = 0;
        for (;;) {
            const size_t open = text.find(kOpenMark, i);
            if (open == std::string_view::npos) break;
            const size_t from = open + kOpenMark.size();
            const size_t close = text.find(kCloseMark, from);
            if (close == std::string_view::npos) break;  // an open « stays as text
            if (text.find(kOpenMark, from) < close) {    // "«x «Nome»": the first « is text
                i = from;
                continue;
            }
            i = close + kCloseMark.size();
            const int field = field_number(text.substr(from, close - from));
            if (field == 0) continue;  // an unknown placeholder stays as written
            pieces.push_back({text.substr(literal, open - literal), 0});
            pieces.push_back({{}, field});
            literal = i;
        }
        pieces.push_back({text.substr(literal), 0});
    }

    std::string merge(const LetterClient& client, const FeeRates& rates) const {
        std::array<std::optional<std::string>, 44> values;
        std::string out;
        for (const Piece& p : pieces) {
            if (p.field == 0) {
                out.append(p.text);
                continue;
            }
            auto& v = values[static_cast<size_t>(p.field)];
            if (!v) v = field_value(p.field, client, rates);
            out += *v;
        }
        return out;
    }
};

std::optional<std::string> placeholder_value(std::string_view name, const LetterClient& c,
                                             const FeeRates& rates) {
    const int number = field_number(name);
    if (number == 0) return std::nullopt;
    return field_value(number, c, rates);
}

std::string merge_letter(std::string_view text, const LetterClient& client, const FeeRates& rates) {
    return MergePlan(text).merge(client, rates);
}

Status for_each_letter_client(store::Env& env, const std::string& folder,
                              const LetterChoice& choice,
                              const std::function<bool(const LetterClient&)>& each) {
    static const char* const kText[] = {
        "CPF",      "NOMECONTR", "TIPOEND", "ENDERECO", "NUMERO",    "COMPLEM",   "BAIRRO",
        "CEP",      "MUNICIPIO", "UF",      "NOVOEND",  "EMAIL",     "DDDTEL",    "TELEFO",
        "DDDFAX",   "NROFAX",    "TELCELU", "TELSECR",  "TITULO",    "RECIBOATU", "RECIBOANT",
        "CPFCONJU", "BANCO",     "AGENCIA", "CONTACO",  "SENACESSO", "CODACESSO", "NOMEAG",
        "EMPRESA",  "REGPROF",   "NIT_TIT", "NROBEN1",  "NROBEN2",   "DEBITAUT"};
    static const char* const kNumber[] = {"TEM_USO", "TAM_USO",   "VALOREC",
                                          "IMPPGRE", "QTD_QUOTA", "ESTATUS"};
    static const char* const kDate[] = {"NASCIMENTO", "VALIDSENA", "DENTREGA"};
    const std::string path = store::data_table_path(env, folder, 9);
    if (!env.exists(path)) return Status::not_found("A pasta " + folder + " não tem cadastro");
    std::unique_ptr<store::Table> t;
    store::OpenOptions o;
    o.read_only = true;
    if (Status s = store::Table::open(env, path, o, &t); !s) return s;
    // The fields looked up once for the whole table.
    const auto fields = [&t](const auto& names) {
        std::vector<std::pair<std::string, store::Field>> out;
        for (const char* n : names) out.emplace_back(n, t->field(n));
        return out;
    };
    const auto text = fields(kText), number = fields(kNumber), date = fields(kDate);
    const store::Field cpf = t->field("CPF"), name = t->field("NOMECONTR"),
                       marked = t->field("IMPRE");
    // First the clients chosen, by their names in upper case; then each read whole in that order,
    // so that only one client's values are held at a time.
    std::vector<std::pair<std::string, uint32_t>> order;
    Status s = t->go_top();
    for (; s && !t->eof(); s = t->skip()) {
        if (t->deleted()) continue;
        if (!choice.cpf.empty() ? trim(t->str(cpf)) != choice.cpf
                                : choice.marked_only && t->str(marked) != "S")
            continue;
        order.emplace_back(upper(t->str(name)), t->recno());
    }
    std::stable_sort(order.begin(), order.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (size_t k = 0; s && k < order.size(); ++k) {
        s = t->go_to(order[k].second);
        if (!s) break;
        LetterClient c;
        for (const auto& [n, f] : text) c.text.emplace(n, t->str(f));
        for (const auto& [n, f] : number) c.number.emplace(n, t->num(f));
        for (const auto& [n, f] : date) c.date.emplace(n, t->date(f));
        c.marked = t->str(marked) == "S";
        if (!each(c)) break;
    }
    Status closed = t->close();
    return s ? closed : s;
}

Status read_letter_clients(store::Env& env, const std::string& folder,
                           std::vector<LetterClient>* out) {
    out->clear();
    return for_each_letter_client(env, folder, {}, [out](const LetterClient& c) {
        out->push_back(c);
        return true;
    });
}

LetterPrinter::LetterPrinter(const Letter& letter, const FeeRates& rates,
                             printing::PrintWriter& out, std::string* body)
    : letter_(letter),
      rates_(rates),
      out_(out),
      body_(body),
      plan_(std::make_unique<MergePlan>(letter.text)) {}

LetterPrinter::~LetterPrinter() = default;

void LetterPrinter::print(const LetterClient& c) {
    const PageSettings& p = letter_.page;
    const int lines = std::max(p.text_lines(), 1);
    const size_t width = static_cast<size_t>(std::max(p.width, 1));
    const std::string merged = plan_->merge(c, rates_);
    if (body_) *body_ += merged;
    if (printed_++ > 0) out_.eject();
    int n = 0;
    const auto put = [&](std::string_view part) {
        if (n == lines) {
            out_.eject();
            n = 0;
        }
        out_.say(p.top + n, p.left, part);
        ++n;
    };
    for (std::string_view raw : printing::lines_of(merged)) {
        line_.assign(raw);
        for (char& ch : line_)  // tabs, form feeds and other controls print as blanks
            if (static_cast<unsigned char>(ch) < 0x20) ch = ' ';
        // Most lines fit the width as they are: only the longer ones are cut between words.
        if (line_.size() <= width || char_count(line_) <= width) {
            put(std::string_view(line_).substr(0, line_.find_last_not_of(' ') + 1));
            continue;
        }
        for (const std::string& part : wrap_words(line_, width)) put(part);
    }
}

void LetterPrinter::finish() {
    out_.finish();
}

void print_letters(const Letter& letter, const std::vector<LetterClient>& clients,
                   const FeeRates& rates, printing::PrintWriter& out, std::string* body) {
    LetterPrinter printer(letter, rates, out, body);
    for (const LetterClient& c : clients) printer.print(c);
    printer.finish();
}

}  // namespace vorn::office
