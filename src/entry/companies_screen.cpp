// Screen 1: its frame, titled after the item shown, and the list of each item below it.
#include "entry/companies_screen.h"

#include "base/text.h"
#include "entry/item_lists.h"
#include "tax/open_computation.h"

namespace vorn::entry {
namespace {

const char* title_of(int item) {
    switch (item) {
        case 12:
            return "(RRA) RENDIMENTOS TRIBUTÁVEIS DE PESSOA JURÍDICA RECEBIDOS ACUMULADAMENTE";
        case 13:
            return "TODOS OS RENDIMENTOS RECEBIDOS E IMPOSTOS PAGOS PELOS DEPENDENTES";
        case 14:
            return "(RRA) REND.TRIBUTÁVEIS DE P.JURÍDICA RECEBIDO ACUMULADAMENTE P/DEPENDENTES";
        default:
            return "RENDIMENTOS TRIBUTÁVEIS E ISENTOS RECEBIDOS DE PESSOAS JURÍDICAS";
    }
}

int list_of(int item) {
    switch (item) {
        case 12:
            return 20;
        case 13:
            return 2;
        case 14:
            return kDependantsRra;
        default:
            return 1;
    }
}

// JANPJUR: the frame's title, painted for every item so that it always names the one shown.
void JANPJUR(EditorPlace& place, int item) {
    const ui::Rect a = place.area;
    place.screen.write(a.top, a.left, pad_center(title_of(item), static_cast<size_t>(a.width())),
                       place.screen.colours.standard);
}

bool has_dependants(store::Declaration& d) {
    std::vector<store::Record> rows;
    if (!d.working_records(3, &rows)) return false;
    for (const store::Record& r : rows)
        if (!r.deleted && r.num("CODIDEPEN") < Decimal(98)) return true;
    return false;
}

// CALC(1, 1): the holder's monthly totals and Carnê-Leão after the items changed.
void leaving(EditorPlace& place) {
    tax::Declaration td;
    if (Status s = tax::take_open(place.d, &td); !s) {
        place.op.notice(NoticeKind::kError, "", s.message());
        return;
    }
    const tax::Declaration before = td;
    tax::Context c{td, place.op, place.screen.clock(), place.selic};
    tax::FI1_T(td);
    tax::CALC(c, 1, 1);
    if (Status s = tax::give_back(td, before, place.d); !s)
        place.op.notice(NoticeKind::kError, "", s.message());
}

}  // namespace

ui::Key RENDPJ(EditorPlace& place, int item) {
    if (item < 11 || item > 14) item = 11;
    const bool dependants = has_dependants(place.d);
    ui::Key k;
    while (true) {
        if (item >= 13 && !dependants) {
            place.op.notice(NoticeKind::kInformation, "", "Sem dependentes para usar essa opção");
            break;
        }
        JANPJUR(place, item);
        EditorPlace list = place;
        list.area.top = place.area.top + 1;
        k = EDITA(list, list_of(item));
        if (k.is(ui::KeyCode::kTab) && item < 14 && (item < 12 || dependants)) {
            ++item;
        } else if (k.is(ui::KeyCode::kTab, ui::kShift) && item > 11) {
            --item;
        } else {
            break;
        }
    }
    leaving(place);
    return k;
}

}  // namespace vorn::entry
