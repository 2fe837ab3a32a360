// item_cell_bench [K]: one accepted cell of the item editor against calc's in-process computation,
// on a declaration of 2,000 assets, 500 income items and 300 payments open in a scratch
// installation. For the asset value, the income value and the payment value, each list is run on
// the headless screen once moving to the cell and leaving, and once typing K values into it (each
// accepted with Enter); the difference of their processor times over K is the cost of one
// accepted cell. A mid-list insertion in the assets is timed the same way: Ins on the middle row,
// "S", a description typed, against moving there and leaving.
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "base/operator.h"
#include "base/text.h"
#include "generator.h"
#include "open_declaration.h"
#include "tax/annual.h"

namespace {

using namespace vorn;
using ui::Key;
using ui::KeyCode;

constexpr int kAssets = 2000, kItems = 500, kPayments = 300;

double cpu_seconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The generated declaration with its assets, company income items and payments made up to the
// counts; the income and payments of the holder.
tax::Declaration large() {
    bench::Generator g(5);
    tax::Declaration d = g.declaration(1);
    const std::vector<store::Record> items = d.items, payments = d.payments;
    d.assets.clear();
    for (int k = 1; k <= kAssets; ++k) {
        store::Record r = d.new_record(4);
        r.set("I7_0", Decimal(k));
        r.set("I7_2", "BEM NUMERO " + std::to_string(k));
        r.set("I7_3", Decimal(1000 + k));
        r.set("I7_4", Decimal(1100 + k));
        r.set("GRPO", "01");
        r.set("CODB", "11");
        d.assets.push_back(r);
    }
    d.items.clear();
    for (int k = 0; k < kItems; ++k) {
        store::Record r = d.new_record(2);
        r.set("I1_1", "J");
        r.set("I1_11", "S");
        r.set("I1_2", "EMPRESA " + std::to_string(k));
        r.set("I1_3", "11.222.333/0001-81");
        r.set("I1_4", Decimal(1000 + k));
        r.set("I1_5", Decimal(50));
        d.items.push_back(r);
    }
    d.payments.clear();
    for (int k = 0; k < kPayments; ++k) {
        store::Record r = d.new_record(6);
        r.set("I6_1", "CLINICA " + std::to_string(k));
        r.set("I6_2", "11.222.333/0001-81");
        r.set("I6_3", Decimal(21));
        r.set("I6_4", Decimal(100 + k));
        d.payments.push_back(r);
    }
    return d;
}

// Processor seconds of list `list` run with `steps` and left with Esc.
double timed(bench::OpenDeclaration& open, int list, std::vector<ui::ScriptStep> steps) {
    bench::add_key(steps, Key::of(KeyCode::kEsc));
    const double t0 = cpu_seconds();
    (void)open.run_list(list, std::move(steps));
    return cpu_seconds() - t0;
}

// The median cost of one change: `with` holds `k` of them more than `base`.
double per_change(bench::OpenDeclaration& open, int list, const std::vector<ui::ScriptStep>& base,
                  const std::vector<ui::ScriptStep>& with, int k, int runs) {
    std::vector<double> costs;
    for (int r = 0; r < runs; ++r) {
        const double b = timed(open, list, base);
        const double w = timed(open, list, with);
        costs.push_back((w - b) / k);
    }
    return median(costs);
}

}  // namespace

int main(int argc, char** argv) {
    const int k = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const tax::Declaration d = large();
    bench::OpenDeclaration open(VORN_REF_DIR, d);

    // calc's computation of the same declaration, in this process.
    ScriptedOperator op;
    ManualClock clock(DateTime{Date(2026, 4, 15), 10 * 3600});
    std::vector<double> computations;
    for (int n = 0; n < 30; ++n) {
        tax::Declaration copy = d;
        tax::Context c{copy, op, clock, open.selic()};
        const double t0 = cpu_seconds();
        tax::compute_declaration(c);
        computations.push_back(cpu_seconds() - t0);
    }
    const double calc_ms = 1000 * median(computations);
    std::printf("declaração: %d bens, %d rendimentos, %d pagamentos\n", kAssets, kItems, kPayments);
    std::printf("cálculo do calc no processo: %.3f ms (mediana de %zu)\n", calc_ms,
                computations.size());

    // One accepted cell per list: the cell reached, then K values typed and accepted.
    struct Cell {
        const char* name;
        int list;
        size_t column;
    };
    for (const Cell& cell :
         {Cell{"valor do bem (lista 5)", 5, 2}, Cell{"rendimento (lista 1)", 1, 1},
          Cell{"pagamento (lista 4)", 4, 4}}) {
        std::vector<ui::ScriptStep> base;
        bench::add_key(base, Key::of(KeyCode::kRight), cell.column);
        std::vector<ui::ScriptStep> with = base;
        for (int v = 1; v <= k; ++v) {
            bench::add_text(with, to_u32(std::to_string(5000 + v)));
            bench::add_key(with, Key::of(KeyCode::kEnter));
        }
        const double ms = 1000 * per_change(open, cell.list, base, with, k, 3);
        std::printf("célula aceita, %s: %.3f ms; razão / calc: %.2f\n", cell.name, ms,
                    ms / calc_ms);
    }

    // A row inserted after the middle asset, its description typed (so that it stays).
    std::vector<ui::ScriptStep> base;
    bench::add_key(base, Key::of(KeyCode::kDown), kAssets / 2);
    std::vector<ui::ScriptStep> with = base;
    bench::add_key(with, Key::of(KeyCode::kIns));
    bench::add_text(with, U"S");
    bench::add_key(with, Key::of(KeyCode::kRight));
    bench::add_text(with, U"BEM INSERIDO");
    bench::add_key(with, Key::of(KeyCode::kEnter));
    const int runs = 3;
    const double ms = 1000 * per_change(open, 5, base, with, 1, runs);
    // Each insertion stayed: the assets are as many more.
    std::vector<store::Record> assets;
    bench::OpenDeclaration::check(open.declaration().working_records(4, &assets));
    std::printf(
        "inserção no meio dos bens (com a descrição): %.3f ms; razão / calc: %.2f (%zu bens "
        "depois de %d)\n",
        ms, ms / calc_ms, assets.size(), runs);
    return 0;
}
