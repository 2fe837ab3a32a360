// Storage engine figures on table 2's layout: appending N records (exclusive and shared), scanning
// them reading every field, and packing after deleting every other one; each beside the time of
// `cat > /dev/null` on the same file and python3-dbfread's scan of it, measured in the same run.
//
//   store_bench [records] [folder]     (defaults: 100000, a fresh folder under /tmp)
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "store/catalogue.h"
#include "store/dbf.h"

#include "bench_util.h"

namespace {

using namespace vorn;
using namespace vorn::store;
using bench::check;
using bench::seconds_since;
using bench::shell_seconds;
using bench::Wall;

double mb(const std::string& path) {
    return static_cast<double>(std::filesystem::file_size(path)) / 1e6;
}

// python3-dbfread's own scan time (after its imports), reading every record as dicts.
double dbfread_seconds(const std::string& path) {
    std::string cmd =
        "/usr/bin/python3 -c \"import sys, time, dbfread\n"
        "t = time.perf_counter()\n"
        "n = sum(1 for r in dbfread.DBF(sys.argv[1]))\n"
        "print(time.perf_counter() - t)\" " +
        path;
    FILE* p = ::popen(cmd.c_str(), "r");
    double s = -1;
    if (!p || std::fscanf(p, "%lf", &s) != 1) s = -1;
    if (p) ::pclose(p);
    return s;
}

void report(const char* what, double secs, long records, const std::string& path) {
    std::printf("%-44s %8.3f s  %10.0f rec/s\n", what, secs, records / secs);
    if (!path.empty())
        std::printf("  %-42s %8.3f s  (file %.1f MB)\n", "same file: cat > /dev/null",
                    shell_seconds("cat '" + path + "' > /dev/null"), mb(path));
    if (!path.empty())
        std::printf("  %-42s %8.3f s\n", "same file: python3-dbfread scan", dbfread_seconds(path));
}

Record sample(const std::shared_ptr<const Layout>& layout, long i) {
    Record r(layout);
    r.set("CPF", std::to_string(10000000000L + i % 5000));
    r.set("I1_1", "1");
    r.set("I1_2", "FONTE PAGADORA NÚMERO " + std::to_string(i));
    r.set("I1_3", "12.345.678/0001-90");
    r.set("DT_LC", Date(2025, 1, 1).add_days(i % 365));
    r.set("NEW1", i % 2 == 0);
    for (size_t f = 0; f < layout->size(); ++f)
        if ((*layout)[f].type == FieldType::kNumeric && (*layout)[f].decimals == 2)
            r.set_value(f, Decimal::from_scaled(i * 37 + static_cast<long>(f), 2));
    return r;
}

long scan(Table& t, const std::vector<Field>& fields) {
    long n = 0, checksum = 0;
    for (Status s = t.go_top(); !t.eof(); s = t.skip()) {
        check(s, "scan");
        for (const Field& f : fields) {
            switch (f.type) {
                case FieldType::kNumeric:
                    checksum += t.num(f).is_zero() ? 0 : 1;
                    break;
                case FieldType::kDate:
                    checksum += t.date(f).blank() ? 0 : 1;
                    break;
                case FieldType::kLogical:
                    checksum += t.logical(f);
                    break;
                default:
                    checksum += static_cast<long>(t.str(f).size());
            }
        }
        ++n;
    }
    if (checksum == 0) std::printf("(empty scan)\n");
    return n;
}

}  // namespace

int main(int argc, char** argv) {
    long count = argc > 1 ? std::atol(argv[1]) : 100000;
    std::string dir = argc > 2 ? argv[2]
                               : (std::filesystem::temp_directory_path() /
                                  ("vorn-store-bench-" + std::to_string(::getpid())))
                                     .string();
    std::filesystem::create_directories(dir);
    Env& env = Env::posix();
    const auto& layout = table_def(2)->layout;
    std::string path = dir + "/IMP0226.DBF", shared_path = dir + "/SHARED.DBF";
    std::printf("table 2: %zu fields, %zu bytes per record, %ld records\n", layout->size(),
                layout->record_length(), count);

    // Appending.
    for (const std::string& p : {path, shared_path})
        check(Table::create(env, p, *layout, {}, nullptr, true), "create");
    std::vector<Record> rows;
    rows.reserve(1000);
    for (long i = 0; i < 1000; ++i) rows.push_back(sample(layout, i));
    std::unique_ptr<Table> t;
    check(Table::open(env, path, {true}, &t), "open");
    auto t0 = Wall::now();
    for (long i = 0; i < count; ++i)
        check(t->append(&rows[static_cast<size_t>(i % 1000)]), "append");
    check(t->close(), "close");
    report("append, exclusive", seconds_since(t0), count, path);
    check(Table::open(env, shared_path, {false}, &t), "open");
    t0 = Wall::now();
    for (long i = 0; i < count; ++i) {
        check(t->append(&rows[static_cast<size_t>(i % 1000)]), "append");
        check(t->unlock(), "unlock");
    }
    check(t->close(), "close");
    report("append, shared (header and record locks)", seconds_since(t0), count, "");

    // Scanning, every field of every record.
    for (bool exclusive : {true, false}) {
        check(Table::open(env, path, {exclusive}, &t), "open");
        t0 = Wall::now();
        long n = scan(*t, t->fields());
        report(exclusive ? "scan every field, exclusive" : "scan every field, shared",
               seconds_since(t0), n, exclusive ? path : "");
        check(t->close(), "close");
    }
    check(Table::open(env, path, {true}, &t), "open");
    Record rec(t->layout_ptr());
    t0 = Wall::now();
    long n = 0;
    for (Status s = t->go_top(); !t->eof(); s = t->skip(), ++n) check(t->read(rec), "read");
    report("scan into whole records (read), exclusive", seconds_since(t0), n, "");

    // Packing after deleting every other record.
    t0 = Wall::now();
    for (uint32_t r = 1; r <= static_cast<uint32_t>(count); r += 2) {
        check(t->go_to(r), "go_to");
        check(t->delete_record(), "delete");
    }
    report("delete every other record", seconds_since(t0), (count + 1) / 2, "");
    t0 = Wall::now();
    check(t->pack(), "pack");
    double pack = seconds_since(t0);
    check(t->close(), "close");
    report("pack", pack, count, path);

    std::filesystem::remove_all(dir);
    return 0;
}
