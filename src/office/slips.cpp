#include "office/slips.h"

#include <algorithm>

#include "base/text.h"
#include "store/dbf.h"

namespace vorn::office {

namespace {

constexpr int kDefine = 43, kSlips = 67;
constexpr long long kMaxDocument = 99999, kMaxReference = 99999999;

bool reference_used(store::Table& slips, long long reference) {
    bool used = false;
    (void)slips.scan_rows([&](uint32_t, std::string_view row) {
        if (row.empty() || row[0] == '*') return;
        const store::Field f = slips.field("NOSSONRO");
        used = used || trim(store::Table::field_bytes(row, f)) == std::to_string(reference);
    });
    return used;
}

// DEFINE's record held under its lock while a number is taken; released when it goes.
class DefineLock {
  public:
    explicit DefineLock(store::WorkAreas& w) : w_(w) {
        store::Table* t = w.table(kDefine);
        if (!t) return;
        w.select(kDefine);
        locked_ = t->go_top().is_ok() && !t->eof() && store::REC_LOCK(w, 5);
    }
    ~DefineLock() {
        if (locked_) (void)w_.table(kDefine)->unlock();
    }
    bool locked() const { return locked_; }
    store::Table& define() { return *w_.table(kDefine); }

  private:
    store::WorkAreas& w_;
    bool locked_ = false;
};

Status append_slip(store::WorkAreas& w, const Slip& s) {
    store::Record r(w.table(kSlips)->layout_ptr());
    r.set("NRODOCUM", Decimal(s.document));
    r.set("NOSSONRO", Decimal(s.reference));
    r.set("DATADOC", s.due);
    r.set("VALORDOC", s.amount);
    r.set("NOMESAC", left(s.payer_name, 30));
    r.set("CPFSAC", s.payer_cpf);
    w.select(kSlips);
    if (!store::ADD_REC(w, 5, &r)) return Status::locked("BOLETO: boleto não gravado");
    Status s1 = w.table(kSlips)->flush();
    Status s2 = w.table(kSlips)->unlock();
    return s1 ? s2 : s1;
}

// After `reference`, DEFINE keeps the next number unless it holds a higher one.
Status advance_next(store::Table& define, long long reference) {
    if (define.num("BOL_NOSNRO").whole() > reference) return Status::ok();
    return define.replace(define.field("BOL_NOSNRO"), Decimal(reference + 1));
}

}  // namespace

std::optional<std::string> slip_problem(const Slip& s, const Date& today, bool marked) {
    if (!marked) {
        if (trim(s.payer_cpf).empty()) return "Preencha o CPF do Sacado";
        if (s.amount <= Decimal()) return "Preencha o Valor do boleto";
        if (s.due.blank() || s.due < today) return "Data em branco ou inválida ";
    }
    if (s.document <= 0) return "Preencha o nro interno do documento";
    if (s.reference <= 0) return "Preencha o nro de referência do Banco";
    if (s.document > kMaxDocument) return "O nro interno do documento tem até 5 dígitos";
    if (s.reference > kMaxReference) return "O nro de referência do Banco tem até 8 dígitos";
    return std::nullopt;
}

Status store_bank_setup(store::WorkAreas& w, const BankSetup& b) {
    if (Status s = check_setup(b); !s) return s;
    DefineLock lock(w);
    if (!lock.locked()) return Status::locked("DEFINE: dados do boleto não gravados");
    store::Table& d = lock.define();
    const std::pair<const char*, const std::string*> fields[] = {
        {"BOL_BANCO", &b.bank},      {"BOL_AGENCI", &b.branch}, {"BOL_CONTA", &b.account},
        {"BOL_NOME", &b.name},       {"BOL_CNPJ", &b.cnpj},     {"BOL_CPF", &b.cpf},
        {"BOL_CARTEI", &b.portfolio}};
    for (const auto& [name, value] : fields)
        if (Status s = d.replace(d.field(name), store::Value(*value)); !s) return s;
    return d.flush();
}

Status register_slip(store::WorkAreas& w, const Slip& slip) {
    if (auto problem = slip_problem(slip, slip.due, false)) return Status::invalid(*problem);
    DefineLock lock(w);
    if (!lock.locked()) return Status::locked("DEFINE: nro de referência não reservado");
    if (reference_used(*w.table(kSlips), slip.reference))
        return Status::invalid("O nro de referência " + std::to_string(slip.reference) +
                               " já está em outro boleto");
    if (Status s = append_slip(w, slip); !s) return s;
    store::Table& d = lock.define();
    Status s = advance_next(d, slip.reference);
    return s ? d.flush() : s;
}

Status register_marked(store::WorkAreas& w, int registry_area, const Date& today,
                       long long* document, long long* reference, int* count) {
    *count = 0;
    store::Table& reg = *w.table(registry_area);
    const size_t order = reg.order();
    reg.set_order(0);
    Status s = reg.go_top();
    for (; s && !reg.eof(); s = reg.skip()) {
        if (reg.deleted() || reg.str("IMPRE") != "S" || reg.num("VALOREC") <= Decimal()) continue;
        DefineLock lock(w);
        if (!lock.locked()) {
            s = Status::locked("DEFINE: nro de referência não reservado");
            break;
        }
        while (*reference <= kMaxReference && reference_used(*w.table(kSlips), *reference))
            ++*reference;
        Slip slip{
            *document,           *reference, today, reg.num("VALOREC"), trim(reg.str("NOMECONTR")),
            trim(reg.str("CPF"))};
        if (auto problem = slip_problem(slip, today, true)) {
            s = Status::invalid(*problem);
            break;
        }
        if (s = append_slip(w, slip); !s) break;
        store::Table& d = lock.define();
        if (s = advance_next(d, slip.reference); s) s = d.flush();
        if (!s) break;
        ++*count;
        ++*document;
        ++*reference;
    }
    reg.set_order(order);
    return s;
}

}  // namespace vorn::office
