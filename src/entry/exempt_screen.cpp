// The two pages of exempt and exclusive income as tables of lines: each line's number and label,
// its mark (entered on screen 1, or filled by the system) and the column whose amount it shows or
// edits. A line's number is its label's, not its column's.
#include "entry/exempt_screen.h"

#include <algorithm>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/text.h"
#include "entry/item_editor.h"
#include "tax/annual.h"
#include "tax/open_computation.h"
#include "ui/desktop.h"

namespace vorn::entry {
namespace {

// The lines live in the declaration's summary (1) and registry (9).
const std::vector<int> kTables = {1, 9};
constexpr const char* kAmount = "@E 999,999,999.99";
constexpr const char* kShown = "999,999,999.99";  // how a painted amount is written
constexpr const char* kNegative = "O valor não pode ser negativo.";
constexpr const char* kMarks = "Itens com * lançar na tela F1 ** o programa lança.";
constexpr int kMinRows = 20, kMinCols = 78;

// What a line's mark says: entered in the income items of screen 1, or filled by the system.
constexpr const char* kItems = "*";
constexpr const char* kSystem = "**";

// kWorksheet: the line is the sum of its components, typed in a window that Enter opens.
enum class Typed { kNo, kAmount, kLoss, kWorksheet };

struct Line {
    int row, col;
    std::string_view label, mark, field;
    Typed typed = Typed::kNo;
};

// The exempt page: two columns of lines, each label cut to kLabel characters before its mark and
// its amount.
constexpr int kLabel = 22, kRight = 39;
const Line kExempt[] = {
    {2, 0, "01.Bolsa de Estudo que não representa vantagem ou serviço", kItems, "I3_01"},
    {3, 0, "02.Bolsa de estudo recebida como doação por Medico residente", kItems, "I3_15"},
    {4, 0, "03.Capital ou prêmio de seguro pago por morte ou invalidez", "", "I3_02",
     Typed::kAmount},
    {5, 0, "04.Indenizações p/rescisão ou acidentes de trabalho,PDV, FGTS", kItems, "I3_03"},
    {6, 0, "   Ganhos de capitais isentos (tecle enter para editar)", "", "I3_04",
     Typed::kWorksheet},
    {7, 0, "09.Lucros e dividendos recebidos pelo titular e dependentes", kItems, "I3_05"},
    {8, 0, "10.Parcela isenta da reserva remunerada/aposent.Maior 65 anos", kItems, "I3_06"},
    {9, 0, "11.Pensão,aposentadoria ou reforma  moléstia grave/invalidez", kItems, "I3_07"},
    {10, 0, "12.Rend. Poupança e Letras hipotecárias, LCA e LCI, CRA e CRI", kItems, "I3_08"},
    {11, 0, "13.Rendimentos de Sócio ou Titular de ME/EPP exceto ProLabor", kItems, "I3_09"},
    {12, 0, "14.Transferência patrimonial  - doações e heranças", kItems, "I3_10"},
    {13, 0, "15.Parcela isenta correspondente a atividade rural", kSystem, "I3_11"},
    {14, 0, "16.IR de anos anteriores compensado judicialmente nesse ano", kItems, "I3_12"},
    {2, kRight, "17.75% rend. recebido por servidor no exterior convertido R$", kItems, "I3_13"},
    {3, kRight, "18.Incorporação de reservas ao capital/Bonificação em ações", kItems, "I3_14"},
    {4, kRight, "19.Transferência patrimonial- meações,dissolução soc.conjugal", kItems, "I3_17"},
    {5, kRight, "20.Ganhos liquido em mercado a vista na bolsa até 20mil ao mes", kItems, "I3_18"},
    {6, kRight, "21.Ganhos liquido em ouro, ativo financeiro até 20 mil ao mes", kItems, "I3_19"},
    {7, kRight, "22.Recuperação de prejuízos em Renda Variável", kSystem, "I3_20"},
    {8, kRight, "23.Rendimentos bruto até 90% transp. carga,trator,terraplan.", "", "I3_21",
     Typed::kAmount},
    {9, kRight, "24.Rendimentos bruto até 40% transporte de passageiros", "", "I3_22",
     Typed::kAmount},
    {10, kRight, "25.Restituição do imposto de renda de anos anteriores", "", "I3_23",
     Typed::kAmount},
    {11, kRight, "27.Juros RAA", kItems, "I3_25"},
    {12, kRight, "28.Pensão", kItems, "I3_26"},
    {13, kRight, "99.Outros", kItems, "I3_24"},
    {16, kRight, "Total...", "", "I13_44"},
};

// The worksheet of line 04: the exempt capital gains by kind, each as informed here and as
// carried from the gains' own computation, and their total.
struct Component {
    std::string_view label, informed, carried;
};
const Component kGains[] = {
    {"05.Ganho de capital Bens de pequeno valor ", "I3_04GCPV", "I3_04GCPVC"},
    {"06.Ganho de capital do unico Imovel       ", "I3_04UNIC", "I3_04UNICC"},
    {"07.Ganho de capital lei 1196 e/ou reducao ", "I3_04REDU", "I3_04REDUC"},
    {"08.Ganho de capital em moeda estrangeira  ", "I3_04EXTR", "I3_04EXTRC"},
};
constexpr const char* kGainsTotal = "Total do Ganho de capital ............";
constexpr const char* kTypeInWorksheet = "Tecle Enter para lançar os ganhos de capital isentos.";
// The worksheet's columns inside its window: informed and carried, after labels of 42 characters.
constexpr int kInformed = 43, kCarried = 58;

// The exclusive page: one column of whole labels.
constexpr int kWide = 62;
const Line kExclusive[] = {
    {2, 0, "01.Décimo terceiro salário", kItems, "I4_01"},
    {3, 0, "02.Ganhos de capital na alienação de bens e ou direitos", kSystem, "I4_02"},
    {4, 0, "03.Ganhos na alienação bens/aplicações em moeda estrangeira", kSystem, "I4_11"},
    {5, 0, "04.Ganhos na alienação em moeda estrangeira em especie", kSystem, "I4_12"},
    {6, 0, "05.Ganhos líquidos em Renda variável", kSystem, "I4_03"},
    {7, 0, "06.Rendimentos de aplicações financeiras", kItems, "I4_04"},
    {8, 0, "07.Rendimentos recebidos acumuladamente pelo titular", kItems, "I4_05"},
    {9, 0, "08.Décimo terceiro salário recebido pelos dependentes", kItems, "I4_06"},
    {10, 0, "09.Rendimentos recebidos acumuladamente pelos dependentes", kItems, "I4_07"},
    {11, 0, "10.Juros Sobre Capital Próprio", kItems, "I4_08"},
    {12, 0, "11.Participação nos Lucros e Resultados", kItems, "I4_09"},
    {13, 0, "12.Aplicação Financeira e Lucro e Dividendos Lei 14.754/2023", kSystem, "I4_13"},
    {14, 0, "12a.Prejuízo a compensar na Aplicação Financeira Lei 14.754/23", "", "I4_14",
     Typed::kLoss},
    {15, 0, "13.Premio liquido obtido em loteria quota Fixa   Lei 14.790/23", kItems, "I4_15"},
    {16, 0, "99.Outros", kItems, "I4_10"},
    {18, 0, "Total...", "", "I13_45"},
};

class Page {
  public:
    Page(ui::Screen& s, Operator& op, store::WorkAreas& w, store::Declaration& d, ui::Rect area,
         int item, const payments::InterestTable& selic)
        : s_(s),
          op_(op),
          w_(w),
          d_(d),
          area_(area),
          item_(item),
          selic_(selic),
          c_{td_, op, s.clock(), selic} {}

    ui::ReadResult run();

  private:
    bool exempt() const { return item_ == 31; }
    bool take(const Line& l, const ui::Value& typed);
    bool take_component(std::string_view field, const ui::Value& typed);
    void worksheet();
    void paint();
    void write(int row, int col, std::string_view text);

    ui::Screen& s_;
    Operator& op_;
    store::WorkAreas& w_;
    store::Declaration& d_;
    ui::Rect area_;
    int item_;
    const payments::InterestTable& selic_;
    tax::Declaration td_;
    tax::Context c_;
};

void Page::write(int row, int col, std::string_view text) {
    s_.write(area_.top + row, area_.left + col, std::string(text), s_.colours.standard);
}

void Page::paint() {
    if (exempt()) {
        write(0, 3, "RENDIMENTOS ISENTOS E NÃO TRIBUTÁVEIS - Titular");
        for (const Line& l : kExempt) {
            write(l.row, l.col, pad_right(left(l.label, kLabel), kLabel));
            write(l.row, l.col + kLabel, pad_right(l.mark, 2));
            write(l.row, l.col + kLabel + 2, tax::picture_e(td_.num(l.field), kShown));
        }
        write(17, 0, kMarks);
    } else {
        write(0, 3, "RENDIMENTOS SUJEITOS A TRIBUTAÇÃO EXCLUSIVA NA FONTE - Titular");
        for (const Line& l : kExclusive) {
            write(l.row, l.col, pad_right(l.label, kWide));
            write(l.row, l.col + kWide, pad_right(l.mark, 2));
            write(l.row, l.col + kWide + 2, tax::picture_e(td_.num(l.field), kShown));
        }
        write(19, 0, kMarks);
    }
}

// A typed amount: never negative (a minus sign would silently lower the income); kept and the
// totals computed again. The loss to carry of Lei 14.754 lowers the base of the foreign
// applications, which the assets' totals give.
bool Page::take(const Line& l, const ui::Value& typed) {
    const Decimal value = std::get<Decimal>(typed);
    if (value.is_negative()) {
        op_.notice(NoticeKind::kWarning, "", kNegative);
        return false;
    }
    td_.set(l.field, value);
    if (l.typed == Typed::kLoss) tax::FI7_T(td_);
    tax::CALC(c_, 3, 1);
    paint();
    return true;
}

// A component of line 04: never negative; line 04 is their sum again and the totals follow.
// The page under the worksheet is painted again when the worksheet closes.
bool Page::take_component(std::string_view field, const ui::Value& typed) {
    const Decimal value = std::get<Decimal>(typed);
    if (value.is_negative()) {
        op_.notice(NoticeKind::kWarning, "", kNegative);
        return false;
    }
    td_.set(field, value);
    tax::CALC(c_, 5, 0);
    tax::CALC(c_, 3, 1);
    return true;
}

// Line 04's window: the eight components in two columns, each recomputing the line (shown at
// the window's foot) and the page's totals as it is accepted, until Esc or Enter past the last
// one; the page shows its new lines when the window closes.
void Page::worksheet() {
    auto win = ui::LDLGSHOW(s_, area_.top + 7, area_.left + 1, area_.top + 15, area_.left + 76,
                            "Ganhos de capitais isentos");
    const ui::Rect in = win->client();
    auto say = [&](int row, int col, std::string_view text) {
        s_.write(in.top + row, in.left + col, std::string(text), win->colour);
    };
    auto total = [&] { say(6, kCarried, tax::picture_e(td_.num("I3_04"), kShown)); };
    say(0, kInformed + 5, "Informado");
    say(0, kCarried + 2, "Transportado");
    say(6, 0, kGainsTotal);
    total();
    std::vector<ui::Value> values;
    values.reserve(2 * std::size(kGains));
    std::vector<ui::Get> gets;
    for (size_t k = 0; k < std::size(kGains); ++k) {
        const int row = 1 + static_cast<int>(k);
        say(row, 0, kGains[k].label);
        for (const std::string_view field : {kGains[k].informed, kGains[k].carried}) {
            values.emplace_back(td_.num(field));
            ui::Get g = column_field(screen_column(kTables, field, "ganhos de capitais isentos"),
                                     values.back(), kAmount);
            g.row = in.top + row;
            g.col = in.left + (field == kGains[k].informed ? kInformed : kCarried);
            g.valid = [this, field, &v = values.back(), &total] {
                if (!take_component(field, v)) return false;
                total();
                return true;
            };
            gets.push_back(std::move(g));
        }
    }
    ui::READ(s_, gets);
    ui::LDLGCLOSE(s_);
    paint();
}

ui::ReadResult Page::run() {
    if (Status s = tax::take_open(d_, &td_); !s) {
        op_.notice(NoticeKind::kWarning, "", s.message());
        return {};
    }
    const tax::Declaration before = td_;
    // The lines as the page opens: every total, line 04's capital gains from their components
    // and the exempt and exclusive totals.
    tax::compute_declaration(c_);
    tax::CALC(c_, 5, 0);
    tax::CALC(c_, 3, 1);
    s_.fill(area_, {U' ', s_.colours.standard});
    paint();

    std::vector<ui::Value> values;
    std::vector<const Line*> lines;
    for (const Line& l :
         exempt() ? std::span<const Line>(kExempt) : std::span<const Line>(kExclusive))
        if (l.typed != Typed::kNo) lines.push_back(&l);
    values.reserve(lines.size());
    std::vector<ui::Get> gets;
    for (const Line* l : lines) {
        values.emplace_back(td_.num(l->field));
        ui::Get g = column_field(screen_column(kTables, l->field, "rendimentos isentos"),
                                 values.back(), kAmount);
        const int at = exempt() ? kLabel + 2 : kWide + 2;
        g.row = area_.top + l->row;
        g.col = area_.left + l->col + at;
        if (l->typed == Typed::kWorksheet) {
            // Nothing is typed on the line itself: Enter opens its components.
            g.valid = [this, l, &v = values.back()] {
                if (std::get<Decimal>(v) == td_.num(l->field)) return true;
                op_.notice(NoticeKind::kWarning, "", kTypeInWorksheet);
                return false;
            };
            g.on_enter = [this, l, &v = values.back()] {
                worksheet();
                v = td_.num(l->field);
            };
        } else {
            g.valid = [this, l, &v = values.back()] { return take(*l, v); };
        }
        gets.push_back(std::move(g));
    }
    // Ctrl+Enter on the loss to carry: the list of the losses carried forward, whose sum the line
    // then takes.
    auto carried = std::find_if(lines.begin(), lines.end(),
                                [](const Line* l) { return l->typed == Typed::kLoss; });

    // Tab and Shift+Tab end the page, for the next or the previous one.
    auto bindings = s_.bindings();
    for (const ui::Key k :
         {ui::Key::of(ui::KeyCode::kTab), ui::Key::of(ui::KeyCode::kTab, ui::kShift)})
        s_.bind(k, [this] { s_.end_input(); });
    if (carried != lines.end()) {
        ui::Value& v = values[static_cast<size_t>(carried - lines.begin())];
        s_.bind(ui::Key::of(ui::KeyCode::kEnter, ui::kCtrl), [this, l = *carried, &v] {
            ui::FieldEditor* field = s_.active_field();
            if (!field || field->get().name != l->field) return;
            EditorPlace place{s_, op_, w_, d_, selic_, area_};
            v = edit_list_total(place, 13, "PREJUIZO");  // the field shows it again
            (void)take(*l, v);
        });
    }
    const ui::ReadResult r = ui::READ(s_, gets);
    s_.set_bindings(bindings);

    tax::CALC(c_, 7, 0);
    if (Status s = tax::give_back(td_, before, d_); !s)
        op_.notice(NoticeKind::kWarning, "", s.message());
    return r;
}

}  // namespace

ScreenFields exempt_fields() {
    ScreenFields s{"rendimentos isentos e exclusivos", kTables, {}};
    for (const Line& l : kExempt)
        if (l.typed != Typed::kNo) s.fields.push_back({std::string(l.field), kAmount});
    for (const Component& c : kGains)
        for (const std::string_view field : {c.informed, c.carried})
            s.fields.push_back({std::string(field), kAmount});
    for (const Line& l : kExclusive)
        if (l.typed != Typed::kNo) s.fields.push_back({std::string(l.field), kAmount});
    return s;
}

std::vector<IncomeLine> income_page_lines(int item) {
    std::vector<IncomeLine> out;
    for (const Line& l :
         item == 31 ? std::span<const Line>(kExempt) : std::span<const Line>(kExclusive))
        if (l.field != "I13_44" && l.field != "I13_45") out.push_back({l.label, l.field});
    return out;
}

ui::ReadResult exempt_screen(ui::Screen& screen, Operator& op, store::WorkAreas& w,
                             store::Declaration& d, ui::Rect area, int item,
                             const payments::InterestTable& selic) {
    if (area.height() < kMinRows || area.width() < kMinCols)
        throw std::logic_error("exempt income screen: area too small");
    if (item != 31 && item != 32) throw std::logic_error("exempt income screen: no such page");
    return Page(screen, op, w, d, area, item, selic).run();
}

}  // namespace vorn::entry
