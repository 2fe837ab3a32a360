#include "office/fees.h"

#include <algorithm>
#include <memory>

#include "base/helpers.h"
#include "base/text.h"
#include "store/catalogue.h"
#include "store/dbf.h"
#include "store/declaration.h"

namespace vorn::office {

namespace {

const Picture kAmount("@EZ 9999,999.99");
const Picture kKilobytes("@EZ 9999.999");
const Picture kCount("@Z 999");

constexpr const char* kHeading =
    "    CPF                NOME                               TEMPO      Valor tempo  Tamanho   "
    "Valor Tam.    Valor Calc.   Valor Defin  ";

Decimal kilobytes(long bytes) {
    return Decimal(static_cast<long long>(bytes)) / Decimal(1000);
}

struct Totals {
    int done = 0, not_done = 0;
    long seconds = 0, bytes = 0;
    Decimal time_cost, size_cost, fee, charged;
    void add(const FeeClient& c, const Fee& f) {
        ++(c.seconds > 0 ? done : not_done);
        seconds += c.seconds;
        bytes += c.bytes;
        time_cost += f.time_cost;
        size_cost += f.size_cost;
        fee += f.fee;
        charged += c.charged;
    }
};

class Report {
  public:
    Report(const std::string& folder, const FeeRates& rates, int page_lines,
           printing::PrintWriter& out)
        : folder_(folder), rates_(rates), page_lines_(std::max(page_lines, 12)), out_(out) {}

    void client(const FeeClient& c) {
        if (row_ == 0) heading();
        const Fee f = suggested_fee(c.seconds, c.bytes, rates_);
        out_.say(row_, 1, printing::print_cpf(c.cpf));
        out_.say(row_, 16, left(c.name, 40));
        if (c.seconds > 0) out_.say(row_, 57, SEG_HOR_2(c.seconds));
        out_.say(row_, 69, f.time_cost, kAmount);
        out_.say(row_, 82, kilobytes(c.bytes), kKilobytes);
        out_.say(row_, 90, f.size_cost, kAmount);
        out_.say(row_, 103, f.fee, kAmount);
        out_.say(row_ + 1, 117, c.charged, kAmount);
        row_ += 2;
        page_.add(c, f);
        all_.add(c, f);
        if (row_ > page_lines_ - 3) {
            totals(page_);
            page_ = Totals{};
            out_.eject();
            row_ = 0;
        }
    }

    void end() {
        if (row_ == 0) heading();
        totals(all_);
        const int done = all_.done;
        out_.say(row_, 0, "MEDIAS.......");
        if (done > 0) {
            out_.say(row_, 57, SEG_HOR_2(all_.seconds / done));
            out_.say(row_, 82, kilobytes(all_.bytes) / Decimal(done), kKilobytes);
            out_.say(row_, 103, (all_.fee / Decimal(done)).round(2), kAmount);
        } else {
            out_.say(row_, 103, Decimal(), Picture("@E 9999,999.99"));
        }
        ++row_;
    }

  private:
    void heading() {
        out_.say(0, 0,
                 "Relacao dos contribuintes, das declaracoes feitas e valores a cobrar na pasta: " +
                     folder_);
        out_.say(1, 0, kHeading);
        row_ = 3;
    }

    void totals(const Totals& t) {
        ++row_;
        out_.say(row_, 0, "Declaracoes:Feitas     Nao     Total");
        out_.say(row_ + 1, 15, Decimal(t.done), kCount);
        out_.say(row_ + 1, 23, Decimal(t.not_done), kCount);
        out_.say(row_ + 1, 33, Decimal(t.done + t.not_done), kCount);
        out_.say(row_ + 2, 0, "TOTAIS...");
        out_.say(row_ + 2, 57, SEG_HOR_2(t.seconds));
        out_.say(row_ + 2, 69, t.time_cost, kAmount);
        out_.say(row_ + 2, 82, kilobytes(t.bytes), kKilobytes);
        out_.say(row_ + 2, 90, t.size_cost, kAmount);
        out_.say(row_ + 2, 103, t.fee, kAmount);
        out_.say(row_ + 3, 117, t.charged, kAmount);
        row_ += 4;
    }

    std::string folder_;
    FeeRates rates_;
    int page_lines_;
    printing::PrintWriter& out_;
    int row_ = 0;
    Totals page_, all_;
};

}  // namespace

std::optional<std::string> rates_problem(const FeeRates& r) {
    if (r.per_minute < Decimal() || r.per_minute >= Decimal(100))
        return "O valor por minuto vai até 99,99";
    if (r.per_kilobyte < Decimal() || r.per_kilobyte >= Decimal(100))
        return "O valor por KByte vai até 99,99";
    if (r.minimum < Decimal() || r.minimum >= Decimal(100000))
        return "O valor mínimo vai até 99.999,99";
    if (r.idle_minutes < 0 || r.idle_minutes > 99) return "O tempo sem teclar vai até 99 minutos";
    return std::nullopt;
}

Fee suggested_fee(long seconds, long bytes, const FeeRates& r) {
    Fee f;
    if (seconds <= 0) return f;
    f.time_cost = (Decimal(static_cast<long long>(seconds)) * r.per_minute / Decimal(60)).round(2);
    f.size_cost = (kilobytes(bytes) * r.per_kilobyte).round(2);
    f.fee = std::max(f.time_cost + f.size_cost, r.minimum);
    return f;
}

Status read_fee_rates(store::Env& env, const std::string& install, FeeRates* r) {
    const std::string path =
        store::find_file(env, install, store::table_def(43)->file_base("") + ".DBF");
    if (!env.exists(path)) return Status::ok();
    std::unique_ptr<store::Table> t;
    store::OpenOptions o;
    o.read_only = true;
    Status s = store::Table::open(env, path, o, &t);
    if (s) s = t->go_top();
    if (s && !t->eof()) {
        r->per_minute = t->num("VAL_SEG");
        r->per_kilobyte = t->num("VAL_BYTE");
        r->minimum = t->num("VAL_MIN");
    }
    Status c = t ? t->close() : Status::ok();
    return s ? c : s;
}

Status read_fee_clients(store::Env& env, const std::string& folder, std::vector<FeeClient>* out) {
    out->clear();
    const std::string path = store::data_table_path(env, folder, 9);
    if (!env.exists(path)) return Status::not_found("A pasta " + folder + " não tem cadastro");
    std::unique_ptr<store::Table> t;
    store::OpenOptions o;
    o.read_only = true;
    if (Status s = store::Table::open(env, path, o, &t); !s) return s;
    Status s = t->go_top();
    for (; s && !t->eof(); s = t->skip()) {
        if (t->deleted()) continue;
        FeeClient c;
        c.cpf = trim(t->str("CPF"));
        c.name = trim(t->str("NOMECONTR"));
        c.seconds = static_cast<long>(t->num("TEM_USO").whole());
        c.bytes = static_cast<long>(t->num("TAM_USO").whole());
        c.charged = t->num("VALOREC");
        c.marked = t->str("IMPRE") == "S";
        out->push_back(std::move(c));
    }
    Status c = t->close();
    if (!s) return s;
    std::stable_sort(out->begin(), out->end(), [](const FeeClient& a, const FeeClient& b) {
        return upper(a.name) < upper(b.name);
    });
    return c;
}

void fee_report(const std::string& folder, const std::vector<FeeClient>& clients,
                const FeeRates& rates, bool marked_only, int page_lines,
                printing::PrintWriter& out) {
    Report r(folder, rates, page_lines, out);
    for (const FeeClient& c : clients)
        if (!marked_only || c.marked) r.client(c);
    r.end();
    out.finish();
}

}  // namespace vorn::office
