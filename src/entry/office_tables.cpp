// Picking from and sending to the office's lists of payers, payees and banks.
#include "entry/office_tables.h"

#include <stdexcept>

#include "base/text.h"
#include "entry/table_rows.h"
#include "store/opening.h"

namespace vorn::entry {
namespace {

std::string text_of(const store::Record& r, std::string_view field) {
    return trim(r.str(field));
}

// The payers of the income lists.
std::vector<RowValue> payer_to_row(const store::Record& office, const store::Record&) {
    return {{"I1_2", text_of(office, "NOME")}, {"I1_3", text_of(office, "CGCCPF")}};
}
void payer_from_row(const store::Record& row, store::Record& office) {
    office.set("NOME", left(text_of(row, "I1_2"), 50));
    office.set("CGCCPF", text_of(row, "I1_3"));
}

// The payees of the payments: the office's payment code goes to a row that has none yet.
std::vector<RowValue> payee_to_row(const store::Record& office, const store::Record& row) {
    std::vector<RowValue> out;
    const Decimal code = office.num("CODIGO");
    if (row.num("I6_3").is_zero() && !code.is_zero()) out.push_back({"I6_3", code});
    out.push_back({"I6_1", text_of(office, "NOME")});
    out.push_back({"I6_2", text_of(office, "CGCCPF")});
    return out;
}
void payee_from_row(const store::Record& row, store::Record& office) {
    office.set("NOME", left(text_of(row, "I6_1"), 50));
    office.set("CGCCPF", text_of(row, "I6_2"));
    office.set("CODIGO", row.num("I6_3"));
}

// The banks of the assets. The office's bank list keeps a stock's trading code in the account
// with "S" as its check digit (as the search of the banks among the assets writes it); the
// asset then is traded on the exchange under that code.
std::vector<RowValue> bank_to_row(const store::Record& office, const store::Record&) {
    std::vector<RowValue> out = {{"REG_AVI", text_of(office, "NOME")},
                                 {"CPF_CNPJ", text_of(office, "CNPJ")}};
    const std::string account = text_of(office, "CONTABAN");
    if (text_of(office, "DVBAN") == "S" && !account.empty()) {
        out.push_back({"BOLSA", std::string("S")});
        out.push_back({"CODNEGO", account});
        return out;
    }
    for (const char* f : {"AGENCBAN", "CONTABAN", "DVBAN"})
        if (!text_of(office, f).empty()) out.push_back({f, text_of(office, f)});
    return out;
}
void bank_from_row(const store::Record& row, store::Record& office) {
    office.set("NOME", left(text_of(row, "REG_AVI"), 30));
    office.set("CNPJ", document_digits(row.str("CPF_CNPJ")));
    const std::string code = text_of(row, "CODNEGO");
    if (text_of(row, "BOLSA") == "S" && !code.empty()) {
        office.set("CONTABAN", code);
        office.set("DVBAN", "S");
        return;
    }
    for (const char* f : {"AGENCBAN", "CONTABAN", "DVBAN"}) office.set(f, text_of(row, f));
}

const OfficeList kLists[] = {
    {kPayers, ui::Key::f(1, ui::kAlt), "Fontes pagadoras - Enter escolhe", "NOME", "CGCCPF", "I1_3",
     payer_to_row, payer_from_row},
    {kPayees, ui::Key::f(4, ui::kAlt), "Beneficiários de pagamentos - Enter escolhe", "NOME",
     "CGCCPF", "I6_2", payee_to_row, payee_from_row},
    {kBanks, ui::Key::f(5, ui::kAlt), "Bancos e instituições - Enter escolhe", "NOME", "CNPJ",
     "CPF_CNPJ", bank_to_row, bank_from_row},
};

// The first record of the open office table whose CNPJ/CPF has these digits (0: none), read in
// record order.
uint32_t find_document(store::Table& t, const OfficeList& l, const std::string& digits,
                       store::Record* found) {
    t.set_order(0);
    for (Status s = t.go_top(); s && !t.eof(); s = t.skip())
        if (document_digits(t.str(l.document)) == digits) {
            if (found && !t.read(*found)) return 0;
            return t.recno();
        }
    return 0;
}

// Whether the office record already holds what `sent` would write (the CNPJ/CPF's punctuation
// aside).
bool same_data(const store::Record& had, const store::Record& sent, const OfficeList& l) {
    for (size_t i = 0; i < sent.layout().size(); ++i) {
        const std::string& name = sent.layout()[i].name;
        if (name == l.document) continue;
        if (std::holds_alternative<std::string>(sent.at(i))) {
            if (trim(std::get<std::string>(sent.at(i))) != text_of(had, name)) return false;
        } else if (sent.at(i) != had.value(name)) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string document_digits(std::string_view document) {
    std::string out;
    for (char c : document)
        if (c >= '0' && c <= '9') out += c;
    return out;
}

const OfficeList& office_list(int table) {
    for (const OfficeList& l : kLists)
        if (l.table == table) return l;
    throw std::out_of_range("no office list " + std::to_string(table));
}

std::optional<store::Record> pick_office_row(ui::Screen& screen, Operator& op, store::WorkAreas& w,
                                             const OfficeList& l) {
    if (!store::ABERTURA(w, l.table)) return std::nullopt;
    store::Table& t = *w.table(l.table);
    // In the table's first order: by name.
    std::vector<store::Record> records;
    std::vector<std::vector<ui::Value>> rows;
    for (Status s = t.go_top(); s && !t.eof(); s = t.skip()) {
        store::Record r(t.layout_ptr());
        if (!t.read(r)) continue;
        rows.push_back({ui::Value(text_of(r, l.name)), ui::Value(text_of(r, l.document))});
        records.push_back(std::move(r));
    }
    w.close(l.table);
    if (records.empty()) {
        op.notice(NoticeKind::kInformation, "",
                  "A tela auxiliar está vazia: envie uma linha com Ctrl Enter.");
        return std::nullopt;
    }
    const int left = 4, right = 75;
    const std::optional<size_t> chosen =
        pick_row(screen, ui::Rect{3, left, 21, right}, std::string(l.title), rows,
                 {{"Nome", right - left - 22}, {"CNPJ/CPF", 18}});
    if (!chosen) return std::nullopt;
    return records.at(*chosen);
}

Sent send_to_office(Operator& op, store::WorkAreas& w, const OfficeList& l,
                    const store::Record& row) {
    if (!store::ABERTURA(w, l.table)) return Sent::kRefused;
    store::Table& t = *w.table(l.table);
    store::Record sent(t.layout_ptr());
    l.from_row(row, sent);
    const std::string name = text_of(sent, l.name);
    const std::string digits = document_digits(sent.str(l.document));
    if (name.empty() || digits.empty()) {
        w.close(l.table);
        op.notice(NoticeKind::kError, "",
                  std::string(name.empty() ? "Sem nome" : "Sem CNPJ/CPF") +
                      " nessa linha: nada foi enviado para a tela auxiliar.");
        return Sent::kRefused;
    }
    // The question is asked before the lock is taken, so that no terminal waits on an answer.
    bool replace = false;
    store::Record had(t.layout_ptr());
    if (find_document(t, l, digits, &had) != 0 && !same_data(had, sent, l))
        replace = op.yes_no("Tela auxiliar",
                            "Esse CNPJ/CPF já está na tela auxiliar como\n" + text_of(had, l.name) +
                                "\nSubstitui pelos dados dessa linha?",
                            false);
    w.select(l.table);
    if (!store::FIL_LOCK(w, 5)) {
        w.close(l.table);
        return Sent::kRefused;
    }
    // Found again under the lock: another terminal may have sent it meanwhile.
    Sent result = Sent::kAdded;
    Status s;
    const uint32_t at = find_document(t, l, digits, &had);
    if (at == 0) {
        s = t.append(&sent);
    } else if (same_data(had, sent, l)) {
        result = Sent::kSame;
    } else if (replace) {
        result = Sent::kUpdated;
        for (const auto& f : sent.layout().fields())
            if (f.name != l.document && s) s = t.replace(t.field(f.name), sent.value(f.name));
    } else {
        result = Sent::kKept;
    }
    Status u = t.unlock();
    if (s) s = u;
    w.close(l.table);
    if (!s) {
        op.notice(NoticeKind::kError, "", "Não enviado para a tela auxiliar: " + s.message());
        return Sent::kRefused;
    }
    switch (result) {
        case Sent::kAdded:
            op.status("Enviado para a tela auxiliar: " + name);
            break;
        case Sent::kSame:
            op.status("Já estava na tela auxiliar: " + name);
            break;
        case Sent::kUpdated:
            op.status("Atualizado na tela auxiliar: " + name);
            break;
        default:
            op.status("Mantido na tela auxiliar como: " + text_of(had, l.name));
            break;
    }
    return result;
}

}  // namespace vorn::entry
