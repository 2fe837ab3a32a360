// The direct-donation window: the fund table read once, the fund found from the state and the
// city typed, and the donation kept as a payment when it is confirmed within the limit.
#include "entry/donation_window.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/helpers.h"
#include "base/text.h"
#include "base/validate.h"
#include "entry/identification.h"
#include "store/opening.h"
#include "tax/annual.h"
#include "tax/limits.h"
#include "tax/open_computation.h"
#include "tax/year.h"
#include "ui/desktop.h"

namespace vorn::entry {
namespace {

constexpr const char* kTitle = "Doação Direta";
constexpr const char* kAmount = "@E 999,999,999.99";
constexpr const char* kCnpj = "@R !!.!!!.!!!/!!!!-99";
constexpr int kFundTable = 75;

enum class Kind { kNational, kState, kMunicipal };

struct Fund {
    std::string state, name, cnpj;
};

// The funds of table 75 (ECACIDAD for item 44, IDOCIDAD for 46): the national one, one per state,
// and the municipal ones by state and plain name.
struct Funds {
    std::optional<Fund> national;
    std::map<std::string, Fund> states;
    Municipalities cities;                                       // for finding a city by its name
    std::map<std::string, std::map<std::string, Fund>> by_city;  // UF → CODMUNI → fund
};

// Reads the fund table of the item; false (the operator told by the opening) when it is missing.
bool read_funds(store::WorkAreas& w, int item, Funds* out) {
    const int option = w.OPCIR_1;
    w.OPCIR_1 = item;  // table 75 is ECACIDAD under option 44
    const bool opened = store::ABERTURA(w, kFundTable);
    w.OPCIR_1 = option;
    if (!opened) return false;
    store::Table& t = *w.table(kFundTable);
    t.set_order(0);
    for (Status s = t.go_top(); s && !t.eof(); s = t.skip()) {
        const std::string kind = t.str("TIPOFUNDO"), uf = t.str("UNIFED");
        Fund f{uf, t.str("NOMEFUNDO"), t.str("CNPJ")};
        if (kind == "N") {
            out->national = f;
        } else if (kind == "E") {
            out->states[uf] = f;
        } else if (kind == "M") {
            const std::string code = t.str("CODMUNI");
            out->cities[uf][plain_name(t.str("NOMEMUNI"))] = {t.str("NOMEMUNI"), code};
            out->by_city[uf][code] = f;
        }
    }
    w.close(kFundTable);
    return true;
}

class Window {
  public:
    Window(ui::Screen& s, Operator& op, store::WorkAreas& w, store::Declaration& d, int item,
           const payments::InterestTable& selic)
        : s_(s), op_(op), w_(w), d_(d), item_(item), c_{td_, op, s.clock(), selic} {}

    ui::ReadResult run();

  private:
    const char* fund_word() const { return item_ == 44 ? "ECA" : "Idoso"; }
    bool tell(const std::vector<std::string>& lines);
    bool may_donate();
    bool state();
    bool city();
    bool cnpj();
    bool value();
    void keep();
    void choose(const Fund* f);
    void show_fund();

    ui::Screen& s_;
    Operator& op_;
    store::WorkAreas& w_;
    store::Declaration& d_;
    int item_;
    tax::Declaration td_;
    tax::Context c_;
    Funds funds_;
    Kind kind_ = Kind::kNational;
    Decimal limit_;
    const Fund* fund_ = nullptr;
    std::shared_ptr<ui::LDialog> win_;
    std::string uf_ = "  ", city_ = std::string(40, ' '), cnpj_ = std::string(14, ' ');
    Decimal value_;
    bool accepted_ = false;  // the value was confirmed after the fund and its CNPJ
};

bool Window::tell(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& l : lines) text += (text.empty() ? "" : "\n") + l;
    op_.notice(NoticeKind::kWarning, kTitle, text);
    return false;
}

// The checks before the window: the complete option chosen on the summary, the deadline of the
// declaration, and a limit left (computed on the declaration as it stands).
bool Window::may_donate() {
    const std::string option = trim(td_.str("USAPADRAO"));
    if (option == "S") return tell({"Para fazer doação direta só na Declaração Completa."});
    if (option.empty()) return tell({"Defina o tipo de declaração na tela F7"});
    if (s_.clock().today() > tax::DDIAENTRA)
        return tell({"A doação direta só é permitida até " + tax::DDIAENTRA.dmy(),
                     "Caso já tenha entregue a declaração com doações diretas",
                     "e não foi pago o Darf no prazo deve-se retificar a declaração",
                     "retirando a doação nos pagamentos efetuados. Código " +
                         std::to_string(donation_code(item_))});
    limit_ = tax::LIMDOA(c_, item_ == 44 ? 1 : 2);
    if (limit_ <= Decimal())
        return tell({"Não há valor disponível para a doação direta na declaração"});
    return true;
}

void Window::show_fund() {
    win_->say(4, 1, pad_right("Fundo: " + (fund_ ? fund_->name : std::string()), 58));
}

// The fund chosen; its CNPJ, when the table has one, fills the CNPJ field.
void Window::choose(const Fund* f) {
    fund_ = f;
    accepted_ = false;
    if (f && !trim(f->cnpj).empty()) cnpj_ = pad_right(TIRA_PONTO(f->cnpj), 14);
    show_fund();
}

bool Window::state() {
    const std::string uf = trim(uf_);
    if (!is_state(uf)) return tell({join_words({"UF", uf, "inválida."})});
    if (kind_ == Kind::kState) {
        auto it = funds_.states.find(uf);
        if (it == funds_.states.end()) return tell({"Não há fundo estadual para " + uf + "."});
        choose(&it->second);
    } else if (fund_ && fund_->state != uf) {
        choose(nullptr);  // the city typed belonged to another state
    }
    return true;
}

bool Window::city() {
    const std::string uf = trim(uf_);
    const std::vector<const Municipality*> found = find_municipalities(funds_.cities, uf, city_);
    if (found.empty())
        return tell({join_words({"Município", trim(city_), "não encontrado em", uf}) + "."});
    const Municipality* m =
        found.size() == 1 ? found.front() : choose_municipality(s_, op_, found, uf);
    if (!m) return false;
    city_ = pad_right(upper(m->name), 40);
    choose(&funds_.by_city.at(uf).at(m->code));
    return true;
}

bool Window::cnpj() {
    accepted_ = false;
    return VAL_CGC(op_, trim(cnpj_), true);
}

// The value within the limit, confirmed. A change of fund or CNPJ afterwards asks for the value
// again before anything is kept.
bool Window::value() {
    accepted_ = false;
    if (value_.is_negative()) return tell({"O valor não pode ser negativo."});
    if (!fund_) return tell({"Informe o fundo antes do valor."});
    if (!VAL_CGC(op_, trim(cnpj_), true)) return false;
    if (!tax::VELIMD(c_, value_, limit_)) return false;
    accepted_ = value_ > Decimal();
    return true;
}

// The donation appended to the payments and the declaration computed again.
void Window::keep() {
    const tax::Declaration before = td_;
    store::Record p = td_.new_record(6);
    p.set("I6_1", fund_->name);
    p.set("I6_2", CONTAPONTO(trim(cnpj_)));
    p.set("I6_3", Decimal(donation_code(item_)));
    p.set("I6_4", value_.round(2));
    td_.payments.push_back(std::move(p));
    tax::compute_silently(c_);
    if (Status st = tax::give_back(td_, before, d_); !st)
        op_.notice(NoticeKind::kError, kTitle, st.message());
}

ui::ReadResult Window::run() {
    if (Status st = tax::take_open(d_, &td_); !st) {
        op_.notice(NoticeKind::kError, kTitle, st.message());
        return {};
    }
    if (!may_donate() || !read_funds(w_, item_, &funds_)) return {};
    const std::string title = std::string("Doação direta para o ") + fund_word();
    const int k =
        op_.choose(title, "Limite disponível R$ " + tax::brl(limit_),
                   {"Para Fundo Nacional ", "Para Fundo Estadual ", "Para Fundo Municipal"});
    if (k < 0) return {};
    kind_ = static_cast<Kind>(k);
    win_ = ui::LDLGSHOW(s_, 7, 9, 17, 70, title);
    win_->say(0, 1, "Limite disponível para a doação: R$ " + tax::brl(limit_));
    win_->say(1, 1, k == 0 ? "Fundo Nacional" : k == 1 ? "Fundo Estadual" : "Fundo Municipal");
    if (kind_ == Kind::kNational && funds_.national) {
        uf_ = funds_.national->state;
        choose(&*funds_.national);
    }
    show_fund();
    win_->say(2, 1, "UF:");
    if (kind_ == Kind::kMunicipal) win_->say(3, 1, "Município:");
    win_->say(5, 1, "CNPJ do fundo:");
    win_->say(6, 1, "Valor da doação:");
    win_->say(8, 1, "Esc sai sem doar");
    std::vector<ui::Get> fields(4);
    auto place = [&](size_t i, int row, int col, ui::Var var, std::string picture) {
        fields[i].row = row;
        fields[i].col = col;
        fields[i].var = var;
        fields[i].picture = std::move(picture);
    };
    place(0, 2, 5, uf_, "@!");
    fields[0].valid = [this] { return state(); };
    fields[0].when = [this] { return kind_ != Kind::kNational; };
    place(1, 3, 12, city_, "@!");
    fields[1].valid = [this] { return city(); };
    fields[1].when = [this] { return kind_ == Kind::kMunicipal; };
    place(2, 5, 16, cnpj_, kCnpj);
    fields[2].valid = [this] { return cnpj(); };
    place(3, 6, 18, value_, kAmount);
    fields[3].name = "VALDOA";
    fields[3].valid = [this] { return value(); };
    const ui::ReadResult r = win_->ReadModal(fields);
    ui::LDLGCLOSE(s_);
    if (accepted_ && !r.escaped) keep();
    return r;
}

}  // namespace

int donation_code(int item) {
    return item == 44 ? 39 : 49;
}

ui::ReadResult donation_window(ui::Screen& s, Operator& op, store::WorkAreas& w,
                               store::Declaration& d, int item,
                               const payments::InterestTable& selic) {
    return Window(s, op, w, d, item, selic).run();
}

}  // namespace vorn::entry
