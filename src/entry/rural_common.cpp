// What the rural screens share: the country's result record in the working table 15, the
// computation after every change, and the entry mode of the revenue and expenses.
#include <string>

#include "base/text.h"
#include "entry/rural_form.h"
#include "entry/rural_screens.h"
#include "rural/open_rural.h"
#include "rural/result.h"
#include "tax/annual.h"
#include "tax/open_computation.h"

namespace vorn::entry {
namespace {

bool of_country(const store::Record& r, bool abroad) {
    return (r.str("ATV_BRASIL") == "N") == abroad;
}

void tell(EditorPlace& place, const std::string& text) {
    place.op.notice(NoticeKind::kWarning, "", text);
}

}  // namespace

Status rural_result(store::Declaration& d, bool abroad, store::Record* out) {
    std::vector<store::Record> rows;
    if (Status s = d.working_records(15, &rows); !s) return s;
    for (const auto& r : rows)
        if (of_country(r, abroad)) {
            *out = r;
            return Status::ok();
        }
    store::Record r(d.working(15)->layout_ptr());
    r.set("CPF", d.cpf());
    r.set("ATV_BRASIL", abroad ? "N" : "S");
    rows.push_back(r);
    if (Status s = d.replace_working(15, rows); !s) return s;
    *out = r;
    return Status::ok();
}

Status keep_rural_result(store::Declaration& d, const store::Record& result) {
    const bool abroad = result.str("ATV_BRASIL") == "N";
    std::vector<store::Record> rows;
    if (Status s = d.working_records(15, &rows); !s) return s;
    bool kept = false;
    for (auto& r : rows)
        if (!kept && of_country(r, abroad)) {
            r = result;
            kept = true;
        }
    if (!kept) rows.push_back(result);
    return d.replace_working(15, rows);
}

void recompute_rural(EditorPlace& place) {
    std::vector<int> unknown;
    if (Status s = rural::recompute_open(place.d, place.dollar, &unknown); !s)
        return tell(place, s.message());
    tax::Declaration td;
    if (Status s = tax::take_open(place.d, &td); !s) return tell(place, s.message());
    const tax::Declaration before = td;
    tax::Context c{td, place.op, place.screen.clock(), place.selic};
    tax::compute_silently(c);
    if (Status s = tax::give_back(td, before, place.d); !s) return tell(place, s.message());
    if (Status s = place.d.keep_records(); !s) return tell(place, s.message());
    if (!unknown.empty()) {
        std::string numbers;
        for (int n : unknown) numbers += (numbers.empty() ? "" : ", ") + std::to_string(n);
        place.op.status("Imóvel " + numbers +
                        " dos lançamentos não cadastrado: lançamentos contados por inteiro");
    }
}

std::string entry_mode_caption(int mode) {
    switch (mode) {
        case rural::kTotalsOnly:
            return "Só Totais ";
        case rural::kLcdpr:
            return "  LCDPR   ";
        default:
            return " L.Caixa  ";
    }
}

int MUDARURAL(EditorPlace& place) {
    store::Record r;
    if (Status s = rural_result(place.d, false, &r); !s) {
        tell(place, s.message());
        return rural::kCashBook;
    }
    const int mode = static_cast<int>(r.num("TIPO_LANCA").whole());
    const int next = (mode + 1) % 3;
    // The totals typed would be replaced by the entries': only when the operator says so.
    if (mode == rural::kTotalsOnly && next == rural::kLcdpr &&
        !place.op.yes_no("",
                         std::string("ATENÇÃO! Mudando para LCDPR ou L.CAIXA os valores \n") +
                             "digitados em SÓ TOTAIS serão substituidos pelos   \n" +
                             "lançados na outra opção, alterando o resultado!   \n" +
                             "Confirma a mudança?",
                         false))
        return mode;
    r.set("TIPO_LANCA", Decimal(next));
    if (Status s = keep_rural_result(place.d, r); !s) {
        tell(place, s.message());
        return mode;
    }
    recompute_rural(place);
    return next;
}

std::vector<ScreenFields> rural_fields() {
    return {rural_months_fields(), rural_result_fields(), rural_herd_fields(),
            rural_accountant_fields()};
}

}  // namespace vorn::entry
