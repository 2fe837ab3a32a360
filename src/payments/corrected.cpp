// The corrected-tax list of a data folder.
#include "payments/corrected.h"

#include <memory>

#include "store/dbf.h"
#include "store/declaration.h"

namespace vorn::payments {

void correct_balance(CorrectedRow& row, Decimal interest_percent) {
    row.IMPOSTO = row.RESTITU = row.CORRIGI = Decimal();
    if (row.IMPPGRE < Decimal()) {
        row.RESTITU = -row.IMPPGRE;
        row.CORRIGI = DESPREZA(row.RESTITU + row.RESTITU * interest_percent / Decimal(100), 15);
    } else if (row.IMPPGRE > Decimal()) {
        const Decimal quotas = row.QTD_QUOTA >= Decimal(1) ? row.QTD_QUOTA.floor() : Decimal(1);
        row.IMPOSTO = DESPREZA(row.IMPPGRE / quotas, 15);
        row.CORRIGI = DESPREZA(row.IMPOSTO + row.IMPOSTO * interest_percent / Decimal(100), 15);
    }
}

Interest corrected_interest(const InterestTable& selic, Date today) {
    return ACHAJURO(selic, InterestKind::kQuota, kDeadline, today, today);
}

bool selic_up_to_date(const InterestTable& selic, Date today) {
    return selic.last_month() >= previous_month(year_month(today));
}

Status each_corrected_row(store::Env& env, const std::string& folder, Decimal interest_percent,
                          const std::function<Status(const CorrectedRow&)>& take) {
    const std::string path = store::data_table_path(env, folder, 9);
    if (!env.exists(path)) return Status::not_found(path + " não localizado");
    std::unique_ptr<store::Table> t;
    store::OpenOptions opt;
    opt.read_only = true;
    if (Status s = store::Table::open(env, path, opt, &t); !s) return s;
    const store::Field cpf = t->field("CPF"), name = t->field("NOMECONTR"),
                       born = t->field("NASCIMENTO"), balance = t->field("IMPPGRE"),
                       quotas = t->field("QTD_QUOTA");
    Status s;
    for (s = t->go_top(); s && !t->eof(); s = t->skip()) {
        CorrectedRow row;
        row.IMPPGRE = t->num(balance);
        if (row.IMPPGRE.is_zero()) continue;
        row.CPF = t->str(cpf);
        row.NOMECONTR = t->str(name);
        row.NASCIMENTO = t->date(born);
        row.QTD_QUOTA = t->num(quotas);
        correct_balance(row, interest_percent);
        if (s = take(row); !s) break;
    }
    Status c = t->close();
    return s ? c : s;
}

}  // namespace vorn::payments
