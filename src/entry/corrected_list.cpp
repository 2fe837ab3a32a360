// The list of corrected taxes of a data folder (F5 of the chooser).
#include "entry/corrected_list.h"

#include <vector>

#include "entry/table_rows.h"
#include "payments/corrected.h"
#include "store/opening.h"
#include "ui/browse.h"
#include "ui/desktop.h"

namespace vorn::entry {
namespace {

constexpr int kArea = 44;
constexpr const char* kTitle = "Ver a correção do Imposto";
// The list's title does not fit one frame line: its second sentence stands under the list.
constexpr const char* kListTitle = "Imposto ou devolução atualizado.";
constexpr const char* kListHint = "Ctrl Enter acessa a Receita para ver a Restituição.";

// Empties the work table and fills it with the folder's corrected rows.
Status fill(store::WorkAreas& w, store::Table& t, Decimal interest) {
    if (Status s = t.zap(); !s) return s;
    store::Record rec(t.layout_ptr());
    Status s = payments::each_corrected_row(w.env(), w.LOCARQ, interest,
                                            [&](const payments::CorrectedRow& r) {
                                                rec.set("CPF", r.CPF);
                                                rec.set("NOMECONTR", r.NOMECONTR);
                                                rec.set("NASCIMENTO", r.NASCIMENTO);
                                                rec.set("IMPPGRE", r.IMPPGRE);
                                                rec.set("QTD_QUOTA", r.QTD_QUOTA);
                                                rec.set("IMPOSTO", r.IMPOSTO);
                                                rec.set("RESTITU", r.RESTITU);
                                                rec.set("CORRIGI", r.CORRIGI);
                                                return t.append(&rec);
                                            });
    if (!s) return s;
    return t.flush();
}

ui::BrowseColumn column(store::Table& t, const char* field, const char* header, const char* picture,
                        int width) {
    ui::BrowseColumn c;
    c.header = header;
    c.picture = picture;
    c.width = width;
    const store::Field f = t.field(field);
    const bool number = std::string_view(field) != "NOMECONTR" && std::string_view(field) != "CPF";
    c.get = [&t, f, number] {
        return number ? ui::Value(t.eof() ? Decimal() : t.num(f)) : ui::Value(t.str(f));
    };
    return c;
}

}  // namespace

void corrected_list(ui::Screen& screen, Operator& op, store::WorkAreas& w,
                    const payments::InterestTable& selic, const BrowserOpener& browser,
                    const std::string& refund_address) {
    const Date today = w.clock().today();
    if (today < Date(2026, 5, 1)) {
        op.notice(NoticeKind::kInformation, kTitle,
                  "Função só utilizavel após mês de Maio de 2026");
        return;
    }
    if (!payments::selic_up_to_date(selic, today))
        op.notice(NoticeKind::kAttention, "",
                  "Atenção! A tabela da Selic não está atualizada.\n"
                  "Atualize-a para o cálculo ficar correto!");
    if (!store::ABERTURA(w, kArea, true)) {
        op.notice(NoticeKind::kError, "", "Opção sendo usada em outro terminal");
        return;
    }
    store::Table& t = *w.table(kArea);
    if (Status s = fill(w, t, payments::corrected_interest(selic, today).percent); !s) {
        op.notice(NoticeKind::kError, "", s.message());
        w.close(kArea);
        return;
    }
    t.set_order(t.index_count() >= 2 ? 2 : 0);  // by name
    auto dlg = ui::LDLGSHOW(screen, 1, 0, 23, 79, kListTitle);
    dlg->say(20, 1, kListHint);
    TableSource rows(t);
    ui::BrowseOptions o(ui::Rect{2, 1, 20, 78});
    o.on_key = [&](const ui::Key& k) {
        if (!k.is(ui::KeyCode::kEnter, ui::kCtrl)) return false;
        Status s = screen.lend_terminal([&] { return browser.open(refund_address); });
        if (!s)
            op.notice(NoticeKind::kError, "", "O navegador não pôde ser aberto:\n" + s.message());
        return true;
    };
    ui::Browser b(
        screen, rows,
        {column(t, "NOMECONTR", "Nome", "", 24), column(t, "CPF", "CPF", "@R 999.999.999-99", 14),
         column(t, "IMPOSTO", "Imposto", "@EZ 9,999,999.99", 12),
         column(t, "RESTITU", "Restituição", "@EZ 9,999,999.99", 12),
         column(t, "CORRIGI", "Corrigido", "@EZ 9,999,999.99", 12)},
        o);
    b.run();
    ui::LDLGCLOSE(screen);
    w.close(kArea);
}

}  // namespace vorn::entry
