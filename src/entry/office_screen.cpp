// The office-data screen laid out as data, its checks, and the web chat on Ctrl+Enter.
#include "entry/office_screen.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <vector>

#include "base/helpers.h"
#include "base/picture.h"
#include "base/text.h"
#include "base/validate.h"
#include "office/fees.h"
#include "store/opening.h"
#include "store/statuses.h"
#include "ui/notices.h"

namespace vorn::entry {
namespace {

// Every value of the screen is a field of the registry (table 9).
const std::vector<int> kTables = {9};
constexpr const char* kSimNao = "Digite S de sim ou N de não";
constexpr const char* kPhone = "@R #9999-9999";
constexpr const char* kChatHint = "Ctrl Enter no Celular acessa o WhatsApp";
constexpr const char* kChatPage = "https://web.whatsapp.com/send?phone=";

bool is_phone(std::string_view name) {
    return name == "TELCELU" || name == "TELESCR" || name == "TELSECR";
}

const char* const kModes[] = {"1-E-mail",     "2-Intranet", "3-WhatsApp",   "4-Correio",
                              "5-Presencial", "6-Nimbra",   "7-Outro Modo", "8-Misto"};

class Form {
  public:
    Form(ui::Screen& s, Operator& op, store::WorkAreas& w, store::Declaration& d, ui::Rect area,
         const BrowserOpener& chat)
        : s_(s), op_(op), w_(w), d_(d), area_(area), chat_(chat) {}

    ui::ReadResult run();

    // Valid-conditions.
    bool status();
    bool phone();
    bool power_of_attorney();
    bool benefit();
    bool mode();

    // When-conditions.
    bool has_power_of_attorney() { return trim(str("PROCOK")) == "S"; }

  private:
    ui::Value& v(std::string_view name) { return values_.find(name)->second; }
    std::string& str(std::string_view name) { return std::get<std::string>(v(name)); }
    long whole(std::string_view name) { return std::get<Decimal>(v(name)).whole(); }
    bool refuse(const std::vector<std::string>& lines);
    bool registry_is_current();
    void show(int row, int col, std::string_view text, int width);
    void show_status();
    void show_mode();
    void show_fee();
    void open_chat();

    ui::Screen& s_;
    Operator& op_;
    store::WorkAreas& w_;
    store::Declaration& d_;
    ui::Rect area_;
    const BrowserOpener& chat_;
    std::map<long, std::string> statuses_;
    std::map<std::string, ui::Value, std::less<>> values_;
    std::vector<ui::Get> gets_;
    std::string current_;  // the column of the field being checked
};

using F = Form;

// Screen 11, read in this order.
const LayoutRow<Form> kLayout[] = {
    {1, 1, "Status do cliente:", 20, "ESTATUS", "@Z 99", &F::status},
    {2, 1, "Empresa:", 10, "EMPRESA", ""},
    {4, 1, "Celular....: (", 15, "DDDFAX", "@R 99"},
    {4, 17, ")", 19, "TELCELU", kPhone, &F::phone},
    {5, 1, "Escritório.: (", 15, "DDDTEL", "@R 99"},
    {5, 17, ")", 19, "TELESCR", kPhone, &F::phone},
    {6, 1, "Secretária.:", 19, "TELSECR", kPhone, &F::phone},
    {8, 1, "Última venda de imóvel residencial (Lei 11.196):", 51, "ULTRESI", "@D"},
    {9, 1, "Última venda de qualquer imóvel................:", 51, "ULTIMOV", "@D"},
    {11, 1, "Procuração para o e-CAC (S/N):", 32, "PROCOK", "!", &F::power_of_attorney},
    {11, 36, "válida até:", 48, "VALIDSENA", "@D", nullptr, &F::has_power_of_attorney},
    {13, 1, "Nº do benefício do INSS do titular...:", 40, "NROBEN1", "99999999999", &F::benefit},
    {14, 1, "Nº do benefício do INSS do dependente:", 40, "NROBEN2", "99999999999", &F::benefit},
    {16, 1, "Senha gov.br:", 15, "SENGOV", "@S30"},
    {18, 1, "Documentos recebidos por:", 27, "DOCRECIB", "9", &F::mode},
};

bool Form::refuse(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& l : lines) text += (text.empty() ? "" : "\n") + l;
    op_.notice(NoticeKind::kWarning, "", text);
    return false;
}

void Form::show(int row, int col, std::string_view text, int width) {
    s_.write(area_.top + row, area_.left + col, pad_right(left(text, width), width),
             s_.colours.standard);
}

void Form::show_status() {
    const long code = whole("ESTATUS");
    show(1, 24, store::status_name(statuses_, code), 20);
}

// Beside the telephones: the time spent on this declaration so far (the running interval
// included), its size, the fee the office's rates suggest for them and the fee it charges.
void Form::show_fee() {
    const store::DeclarationValues& v = d_.values();
    const long seconds = static_cast<long>(v.num("TEM_USO").whole()) + d_.running_seconds();
    const long bytes = static_cast<long>(v.num("TAM_USO").whole());
    office::FeeRates rates;
    const bool priced = static_cast<bool>(office::read_fee_rates(w_.env(), w_.ARQDEF, &rates));
    constexpr int kAt = 45, kWidth = 31;
    const Picture kFee("@Ez 99,999,999.99");
    show(4, kAt, "Tempo gasto...: " + SEG_HOR_2(seconds), kWidth);
    show(5, kAt,
         "Tamanho.......: " +
             transform(Decimal(static_cast<long long>(bytes)), Picture("@Ez 999,999")),
         kWidth);
    show(6, kAt,
         "Valor sugerido: " +
             (priced ? transform(office::suggested_fee(seconds, bytes, rates).fee, kFee)
                     : std::string()),
         kWidth);
    show(7, kAt, "Valor cobrado.: " + transform(v.num("VALOREC"), kFee), kWidth);
}

void Form::show_mode() {
    const long m = whole("DOCRECIB");
    show(18, 30, m >= 1 && m <= 8 ? kModes[m - 1] : "", 14);
}

bool Form::status() {
    const long code = whole("ESTATUS");
    if (!store::known_status(statuses_, code))
        return refuse({"Status " + std::to_string(code) + " não cadastrado."});
    show_status();
    return true;
}

bool Form::phone() {
    return check_phone(op_, str(current_));
}

bool Form::power_of_attorney() {
    const std::string t = trim(str("PROCOK"));
    return t == "S" || t == "N" || refuse({kSimNao});
}

bool Form::benefit() {
    const std::string n = trim(str(current_));
    if (n.empty() || n.size() == 11) return true;
    return refuse({"O número do benefício tem 11 dígitos."});
}

bool Form::mode() {
    const long m = whole("DOCRECIB");
    if (m >= 1 && m <= 8) {
        show_mode();
        return true;
    }
    std::vector<std::string> lines = {"Informe o modo"};
    lines.insert(lines.end(), std::begin(kModes), std::end(kModes));
    return refuse(lines);
}

// Every column of the screen must exist in the data folder's registry, or the save would drop
// what was typed into it.
bool Form::registry_is_current() {
    store::Table* t = w_.table(9);
    if (!t && store::ABERTURA(w_, 9)) t = w_.table(9);
    if (!t) return false;
    for (const auto& row : kLayout)
        if (t->layout().find(row.field) < 0) return false;
    return true;
}

// Ctrl+Enter on the mobile or the office number: the number as it stands in the field, with its
// area code as accepted.
void Form::open_chat() {
    ui::FieldEditor* ed = s_.active_field();
    if (!ed) return;
    const std::string name = ed->get().name;
    if (name != "TELCELU" && name != "TELESCR") return;
    const std::optional<ui::Value> typed = ed->value();
    const std::string number =
        typed && std::holds_alternative<std::string>(*typed) ? std::get<std::string>(*typed) : "";
    const std::string area = str(name == "TELCELU" ? "DDDFAX" : "DDDTEL");
    const std::optional<std::string> address = chat_address(area, number);
    if (!address) return;
    if (std::none_of(area.begin(), area.end(),
                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)); })) {
        refuse({"Preencha o número do DDD"});
        return;
    }
    Status st = s_.lend_terminal([&] { return chat_.open(*address); });
    if (!st) refuse({"O navegador não pôde ser aberto:", st.message()});
}

ui::ReadResult Form::run() {
    if (!registry_is_current()) {
        refuse({"Atualize a base de dados!"});
        return {};
    }
    statuses_ = store::read_status_names(w_);
    s_.fill(area_, {U' ', s_.colours.standard});
    s_.write(area_.top, area_.left + 1,
             "DADOS DO ESCRITÓRIO - " + trim(d_.values().str("NOMECONTR")), s_.colours.standard);
    show_fee();
    for (const auto& row : kLayout) {
        if (!row.label.empty())
            s_.write(area_.top + row.row, area_.left + row.col, row.label, s_.colours.standard);
        const std::string name(row.field);
        const store::FieldDef& col = screen_column(kTables, name, "escritório");
        ui::Value& value =
            values_.emplace(name, field_value(col, d_.values().value(name))).first->second;
        if (is_phone(name)) {  // shown by their digit count, as check_phone leaves them
            std::string& t = std::get<std::string>(value);
            t = pad_left(trim(t), t.size());
        }
        ui::Get g = column_field(col, value, row.picture);
        g.row = area_.top + row.row;
        g.col = area_.left + row.at;
        g.name = name;
        // Each accepted field reaches the values and the working set at once.
        g.valid = [this, name, check = row.valid, column = &col] {
            current_ = name;
            if (check && !(this->*check)()) return false;
            store::Value typed = column_value(*column, v(name));
            if (auto* text = std::get_if<std::string>(&typed); text && is_phone(name))
                *text = trim(*text);
            d_.values().set(name, typed);
            if (Status st = d_.keep_records(); !st)
                op_.notice(NoticeKind::kError, "", st.message());
            return true;
        };
        if (row.when) g.when = [this, when = row.when] { return (this->*when)(); };
        gets_.push_back(std::move(g));
    }
    show_status();
    show_mode();
    op_.status(kChatHint);
    const ui::Screen::Bindings keys = s_.bindings();
    s_.bind(ui::Key::of(ui::KeyCode::kEnter, ui::kCtrl), [this] { open_chat(); });
    const ui::ReadResult r = ui::READ(s_, gets_);
    s_.set_bindings(keys);
    op_.status("");
    return r;
}

}  // namespace

ScreenFields office_fields() {
    return screen_fields("escritório", kTables, kLayout);
}

std::optional<std::string> chat_address(std::string_view area_code, std::string_view number) {
    auto digits = [](std::string_view text) {
        std::string out;
        for (char c : text)
            if (std::isdigit(static_cast<unsigned char>(c))) out += c;
        return out;
    };
    const std::string n = digits(number);
    if (n.empty()) return std::nullopt;
    return kChatPage + ("55" + digits(area_code) + n);
}

ui::ReadResult office_screen(ui::Screen& screen, Operator& op, store::WorkAreas& w,
                             store::Declaration& d, ui::Rect area, const BrowserOpener& chat) {
    return Form(screen, op, w, d, area, chat).run();
}

}  // namespace vorn::entry
