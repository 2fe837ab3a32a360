// Index figures: building a character index over N keys of width 11 (CPF-like) beside `sort` of
// the same keys as text, measured in the same run; random exact seeks (median and 99th
// percentile); a full walk in key order; appending records to the indexed table.
//
//   cdx_bench [records] [appends] [folder]   (defaults: 1000000, 100000, a fresh folder in /tmp)
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "store/cdx_index.h"
#include "store/dbf.h"

#include "bench_util.h"

namespace {

using vorn::Status;
using namespace vorn::store;
using bench::check;
using bench::seconds_since;
using bench::shell_seconds;
using bench::Wall;

std::string random_cpf(std::mt19937_64& rng) {
    char k[32];
    std::snprintf(k, sizeof k, "%011llu", static_cast<unsigned long long>(rng() % 100000000000ull));
    return k;
}

std::unique_ptr<Table> open_table(const std::string& path, bool exclusive) {
    std::unique_ptr<Table> t;
    check(Table::open(Env::posix(), path, {exclusive, false, nullptr}, &t), "open table");
    return t;
}

void attach(Table& t, const std::string& cdx) {
    std::unique_ptr<CdxIndex> ix;
    check(CdxIndex::open(t, cdx, &ix), "open index");
    t.add_index(std::move(ix));
    t.set_order(1);
}

// Median and 99th percentile of random exact seeks through the table (record read included).
void seeks(Table& t, const std::vector<std::string>& keys, const char* mode) {
    std::mt19937_64 rng(99);
    std::vector<double> us;
    const int n = 20000;
    us.reserve(n);
    for (int i = 0; i < n; ++i) {
        const std::string& k = keys[rng() % keys.size()];
        auto t0 = Wall::now();
        check(t.seek(k), "seek");
        us.push_back(seconds_since(t0) * 1e6);
        if (!t.found()) {
            std::fprintf(stderr, "seek did not find %s\n", k.c_str());
            std::exit(1);
        }
    }
    std::sort(us.begin(), us.end());
    std::printf("random exact seek (%s, %d seeks):  median %.1f us, p99 %.1f us\n", mode, n,
                us[us.size() / 2], us[us.size() * 99 / 100]);
}

void walk(Table& t, uint32_t records, const char* mode) {
    auto t0 = Wall::now();
    uint32_t seen = 0;
    std::string last;
    Field cpf = t.field("CPF");
    check(t.go_top(), "go_top");
    while (!t.eof()) {
        std::string_view k = t.raw(cpf);
        if (k < last) {
            std::fprintf(stderr, "walk out of order\n");
            std::exit(1);
        }
        last.assign(k);
        ++seen;
        check(t.skip(1), "skip");
    }
    double s = seconds_since(t0);
    if (seen != records) std::fprintf(stderr, "walk saw %u of %u records\n", seen, records);
    std::printf("full walk in key order (%s):        %.2f s (%.2f us per record)\n", mode, s,
                s * 1e6 / seen);
}

}  // namespace

int main(int argc, char** argv) {
    const uint32_t records = argc > 1 ? static_cast<uint32_t>(std::atol(argv[1])) : 1000000;
    const uint32_t appends = argc > 2 ? static_cast<uint32_t>(std::atol(argv[2])) : 100000;
    std::string dir = argc > 3 ? argv[3] : std::string();
    if (dir.empty()) {
        char tmpl[] = "/tmp/cdx_bench_XXXXXX";
        dir = mkdtemp(tmpl);
    }
    const std::string dbf = dir + "/CPFS.DBF", cdx = dir + "/CPFS.CDX", txt = dir + "/cpfs.txt";
    auto layout = std::make_shared<Layout>(
        std::vector<FieldDef>{{"CPF", FieldType::kChar, 11, 0}, {"NOME", FieldType::kChar, 30, 0}});

    // The table and the same keys as text.
    std::mt19937_64 rng(2026);
    std::vector<std::string> keys;
    keys.reserve(records);
    check(Table::create(Env::posix(), dbf, *layout, {}, nullptr, true), "create");
    {
        auto t = open_table(dbf, true);
        Record rec(layout);
        std::ofstream out(txt);
        for (uint32_t i = 0; i < records; ++i) {
            keys.push_back(random_cpf(rng));
            rec.set("CPF", keys.back());
            rec.set("NOME", "CONTRIBUINTE " + std::to_string(i));
            check(t->append(&rec), "append");
            out << keys.back() << '\n';
        }
        check(t->close(), "close");
    }
    std::printf("%u records of width-11 keys in %s\n\n", records, dir.c_str());

    // Building the index beside sort(1) of the same keys.
    double sort_c = shell_seconds("LC_ALL=C sort " + txt + " > /dev/null");
    double sort_loc = shell_seconds("sort " + txt + " > /dev/null");
    double build;
    {
        auto t = open_table(dbf, true);
        auto t0 = Wall::now();
        check(CdxIndex::build(*t, cdx, "CPF"), "build");
        build = seconds_since(t0);
        check(t->close(), "close");
    }
    std::printf("index build (table exclusive):     %.2f s, %.1f MB\n", build,
                static_cast<double>(std::filesystem::file_size(cdx)) / 1e6);
    std::printf("sort of the same keys:             %.2f s (LC_ALL=C), %.2f s (locale)\n", sort_c,
                sort_loc);
    std::printf("build / sort:                      %.2f (LC_ALL=C), %.2f (locale)\n\n",
                build / sort_c, build / sort_loc);
    {
        auto t = open_table(dbf, false);
        auto t0 = Wall::now();
        check(CdxIndex::build(*t, cdx, "CPF"), "rebuild");
        std::printf("index rebuild in place (shared):   %.2f s\n\n", seconds_since(t0));
    }

    for (bool exclusive : {true, false}) {
        const char* mode = exclusive ? "exclusive" : "shared";
        auto t = open_table(dbf, exclusive);
        attach(*t, cdx);
        seeks(*t, keys, mode);
        walk(*t, records, mode);
        check(t->close(), "close");
    }

    // Appends to the indexed table, shared, as terminals append: header lock, record lock, key.
    {
        auto t = open_table(dbf, false);
        attach(*t, cdx);
        Record rec(layout);
        auto t0 = Wall::now();
        for (uint32_t i = 0; i < appends; ++i) {
            rec.set("CPF", random_cpf(rng));
            rec.set("NOME", "NOVO " + std::to_string(i));
            check(t->append(&rec), "append");
            check(t->unlock(), "unlock");
        }
        double s = seconds_since(t0);
        std::printf("\n%u appends to the indexed table (shared): %.2f s (%.1f us each)\n", appends,
                    s, s * 1e6 / appends);
        check(t->close(), "close");
    }
    {
        auto t = open_table(dbf, true);
        std::unique_ptr<CdxIndex> ix;
        check(CdxIndex::open(*t, cdx, &ix), "open index");
        vorn::ScriptedOperator op;
        check(ix->check("CPF", op), "index check after the appends");
        std::printf("index checked: one key per record, in order\n");
    }
    if (argc <= 3) std::filesystem::remove_all(dir);
    return 0;
}
