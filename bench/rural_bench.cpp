// rural_bench FOLDER [RUNS]: the rural cash book of a large client in a generated data folder
// (gen_folder FOLDER 5000). The folder's first declarant is given rural activity and 100,000
// cash-book entries; then, RUNS times (default 5):
//  (a) the digital book (LCDPR) built from the folder and written, beside an ordered walk over the
//      same entries reading every field;
//  (b) a 100,000-line export file imported into the second declarant, beside appending the same
//      records directly to an empty cash-book table.
// Each pair's times are printed with their ratio, then the median and range of each.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/date.h"
#include "base/operator.h"
#include "base/text.h"
#include "bench_util.h"
#include "importing/rural_book.h"
#include "rural/book_folder.h"
#include "rural/lcdpr.h"
#include "rural/result.h"
#include "store/catalogue.h"
#include "store/cdx_index.h"
#include "store/dbf.h"
#include "store/declaration.h"

namespace {

using namespace vorn;
using bench::check;
constexpr int kEntries = 100000;

store::Record row(int table, const std::string& cpf) {
    store::Record r(store::table_def(table)->layout);
    r.set("CPF", cpf);
    if (r.layout().find("ATV_BRASIL") >= 0) r.set("ATV_BRASIL", "S");
    return r;
}

std::unique_ptr<store::Table> open(const std::string& folder, int n, bool exclusive) {
    std::unique_ptr<store::Table> t;
    store::OpenOptions o;
    o.exclusive = exclusive;
    o.read_only = !exclusive;
    check(store::Table::open(store::Env::posix(),
                             store::data_table_path(store::Env::posix(), folder, n), o, &t),
          "abrir tabela");
    return t;
}

void append_rows(const std::string& folder, int n, const std::vector<store::Record>& rows) {
    auto t = open(folder, n, true);
    for (const auto& r : rows) check(t->append(&r), "acrescentar");
    check(t->close(), "fechar");
}

Date day_of(int k) {
    return Date::from_serial(Date(2025, 1, 1).serial() + (k * 7919L) % 365);
}

std::vector<store::Record> entries_of(const std::string& cpf) {
    std::vector<store::Record> out;
    out.reserve(kEntries);
    for (int k = 0; k < kEntries; ++k) {
        store::Record e = row(19, cpf);
        e.set("DT_LC", day_of(k));
        e.set("NROIMO", Decimal(1));
        e.set("TIPOCR", k % 3 == 0 ? "D" : "C");
        e.set("VALOR", Decimal::from_scaled(1000 + (k * 37L) % 900000, 2));
        e.set("DESCR", "VENDA DE PRODUCAO NF-" + std::to_string(k));
        e.set("ID_PARTIC", "12.345.678/0001-95");
        e.set("TIPODOC", Decimal(1));
        e.set("COD_CONTA", Decimal(1));
        e.set("NUM_DOC", "NF-" + std::to_string(k));
        out.push_back(std::move(e));
    }
    return out;
}

// Gives `cpf` rural activity in Brazil kept as LCDPR, with one property, a bank account and the
// entries.
void make_farmer(const std::string& folder, const std::string& cpf) {
    auto reg = open(folder, 9, true);
    std::vector<uint32_t> slots;
    check(store::records_of(*reg, cpf, nullptr, &slots), "registro");
    store::Record r(reg->layout_ptr());
    check(reg->go_to(slots.at(0)), "registro");
    check(reg->read(r), "registro");
    for (auto [field, value] : {std::pair{"TEMRURAL", "S"},
                                {"ATV_BRASIL", "S"},
                                {"TIPOEND", "RUA"},
                                {"ENDERECO", "DAS FLORES"},
                                {"NUMERO", "10"},
                                {"BAIRRO", "CENTRO"},
                                {"MUNICIPIO", "UBERABA"},
                                {"UF", "MG"},
                                {"CEP", "38000-000"},
                                {"EMAIL", "a@b.com"}})
        r.set(field, value);
    check(reg->put(r), "registro");
    check(reg->close(), "registro");

    store::Record p = row(16, cpf);
    p.set("I2R_00", Decimal(1));
    p.set("I2R_01", "FAZENDA GRANDE");
    p.set("I2R_03", "1234567X");
    p.set("CAEPF", "123.456.789/001-00");
    p.set("I2R_06", "ESTRADA KM 1");
    p.set("DISTR_IMR", "UBERABA");
    p.set("UF_IMR", "MG");
    p.set("CEP_IMR", Decimal(38000000));
    p.set("I2R_04", Decimal(100));
    p.set("I2R_05", Decimal(1));
    append_rows(folder, 16, {p});
    const std::vector<store::Record> entries = entries_of(cpf);
    // The monthly totals as the last save computed them from the entries.
    store::Record result = row(15, cpf);
    result.set("TIPO_LANCA", Decimal(rural::kLcdpr));
    result.set("NOME_CONT", "CONTABIL LTDA");
    result.set("CPFCNPJ_CO", "12.345.678/0001-95");
    rural::store_grid(rural::SOMA_RUR(entries, {p}, rural::kLcdpr)->grid, result);
    append_rows(folder, 15, {result});
    store::Record cash = row(21, cpf), bank = row(21, cpf);
    bank.set("COD_CONTA", Decimal(1));
    bank.set("NRO_BANCO", "001");
    bank.set("NOM_BANCO", "BANCO");
    bank.set("NRO_AGENC", Decimal(1234));
    bank.set("NRO_CONTA", Decimal(5678));
    append_rows(folder, 21, {cash, bank});
    append_rows(folder, 19, entries);
}

// The book as the lcdpr command builds it: the declarant's rural tables read from the folder,
// the file built and written.
double lcdpr_seconds(const std::string& folder, const std::string& cpf, const std::string& out) {
    const auto t0 = bench::Wall::now();
    std::map<std::string, rural::RuralTables> tables;
    check(rural::read_rural_tables(store::Env::posix(), folder, {cpf}, &tables), "tabelas");
    const rural::RuralTables& t = tables.at(cpf);
    rural::LcdprSources src;
    src.registry = t.registry;
    src.summary = t.summary;
    src.result = *rural::result_of(t, true);
    src.properties = rural::of_country(t.properties, true);
    src.accounts = t.accounts;
    src.entries = rural::of_country(t.entries, true);
    std::string content, stop, message;
    rural::build_lcdpr(
        src, [](const std::string&, const std::string&) { return std::optional<std::string>("1"); },
        &content, &stop);
    if (!stop.empty()) {
        std::fprintf(stderr, "lcdpr: %s\n", stop.c_str());
        std::exit(1);
    }
    check(rural::write_lcdpr(out, content, &message), "gravar");
    return bench::seconds_since(t0);
}

// The entries of `cpf` found in the cash-book table, read whole and put in date order.
double walk_seconds(const std::string& folder, const std::string& cpf, size_t* count) {
    const auto t0 = bench::Wall::now();
    auto t = open(folder, 19, false);
    const store::Field f = t->field("CPF");
    std::vector<uint32_t> slots;
    check(t->scan_rows([&](uint32_t n, std::string_view bytes) {
        if (!bytes.empty() && bytes[0] != '*' && trim(store::Table::field_bytes(bytes, f)) == cpf)
            slots.push_back(n);
    }),
          "percorrer");
    std::vector<store::Record> rows;
    rows.reserve(slots.size());
    for (uint32_t n : slots) {
        store::Record r(t->layout_ptr());
        check(t->go_to(n), "ler");
        check(t->read(r), "ler");
        rows.push_back(std::move(r));
    }
    const size_t date = static_cast<size_t>(t->layout().find("DT_LC"));
    std::stable_sort(
        rows.begin(), rows.end(), [date](const store::Record& a, const store::Record& b) {
            return std::get<Date>(a.at(date)).serial() < std::get<Date>(b.at(date)).serial();
        });
    check(t->close(), "fechar");
    *count = rows.size();
    return bench::seconds_since(t0);
}

std::string digits(long long v, int width) {
    std::string s = std::to_string(v);
    return std::string(static_cast<size_t>(std::max(0, width - static_cast<int>(s.size()))), '0') +
           s;
}

// The export file of the entries: 100,000 "03" lines and their twelve months.
void write_export(const std::string& path, const std::vector<store::Record>& entries) {
    std::string text;
    text.reserve(entries.size() * 290);
    for (const auto& e : entries) {
        const Date d = e.date("DT_LC");
        std::string l = "03 " + digits(d.day(), 2) + digits(d.month(), 2) + digits(d.year(), 4) +
                        (e.str("TIPOCR") == "C" ? "1" : "2") + std::string(7, ' ') +
                        pad_right(e.str("DESCR"), 41);
        l.resize(274, ' ');
        l += digits((e.num("VALOR") * Decimal(100)).whole(), 13);
        text += l + "\r\n";
    }
    for (char m = 'A'; m <= 'L'; ++m) text += std::string("04") + m + std::string(65, '0') + "\r\n";
    std::ofstream(path, std::ios::binary) << text;
}

double import_seconds(const std::string& folder, const std::string& cpf, const std::string& file,
                      const std::string& work) {
    SilentOperator op;
    SystemClock clock;
    store::CdxIndexFiles cdx(op);
    store::WorkAreas w(store::Env::posix(), op, clock);
    w.ARQDEF = w.LOCARQ = folder;
    w.NUSU = "01";
    w.index_files = &cdx;
    importing::RuralBookImport rq;
    rq.folder = folder;
    rq.cpf = cpf;
    rq.file_path = file;
    rq.place = {work, "BENCH"};
    importing::ImportReport report;
    const auto t0 = bench::Wall::now();
    check(importing::import_rural_book(w, rq, &report), "importar");
    const double s = bench::seconds_since(t0);
    if (report.entries != kEntries) {
        std::fprintf(stderr, "importados %d\n", report.entries);
        std::exit(1);
    }
    return s;
}

double append_seconds(const std::string& dir, const std::vector<store::Record>& entries) {
    const std::string path = dir + "/APPEND19.DBF";
    const auto t0 = bench::Wall::now();
    check(store::Table::create(store::Env::posix(), path, *store::table_def(19)->layout, {},
                               nullptr, true),
          "criar");
    std::unique_ptr<store::Table> t;
    store::OpenOptions o;
    o.exclusive = true;
    check(store::Table::open(store::Env::posix(), path, o, &t), "abrir");
    for (const auto& e : entries) check(t->append(&e), "acrescentar");
    check(t->flush(), "gravar");
    check(t->close(), "fechar");
    return bench::seconds_since(t0);
}

void summary(const char* what, std::vector<double> v, const char* unit = " s") {
    std::sort(v.begin(), v.end());
    std::printf("%s: mediana %.3f%s, de %.3f a %.3f%s\n", what, v[v.size() / 2], unit, v.front(),
                v.back(), unit);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "uso: rural_bench PASTA [VEZES]\n");
        return 1;
    }
    const std::string folder = argv[1];
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    std::vector<std::string> cpfs;
    check(rural::registry_cpfs(store::Env::posix(), folder, &cpfs), "registro");
    if (cpfs.size() < 2) {
        std::fprintf(stderr, "a pasta precisa de duas declarações\n");
        return 1;
    }
    const std::string scratch = folder + "/rural_bench";
    std::filesystem::create_directories(scratch);
    const auto t0 = bench::Wall::now();
    make_farmer(folder, cpfs[0]);
    std::printf("%d lançamentos de %s acrescentados em %.3f s\n", kEntries, cpfs[0].c_str(),
                bench::seconds_since(t0));
    const std::vector<store::Record> entries = entries_of(cpfs[1]);
    const std::string file = scratch + "/livro.txt";
    write_export(file, entries);

    std::vector<double> book, walk, import, append, ratio_a, ratio_b;
    for (int k = 0; k < runs; ++k) {
        size_t n = 0;
        book.push_back(lcdpr_seconds(folder, cpfs[0], scratch + "/LCDPR.txt"));
        walk.push_back(walk_seconds(folder, cpfs[0], &n));
        import.push_back(import_seconds(folder, cpfs[1], file, scratch));
        append.push_back(append_seconds(scratch, entries));
        ratio_a.push_back(book.back() / walk.back());
        ratio_b.push_back(import.back() / append.back());
        std::printf(
            "LCDPR %.3f s, percurso de %zu %.3f s (%.2fx); importação %.3f s, "
            "acréscimo direto %.3f s (%.2fx)\n",
            book.back(), n, walk.back(), ratio_a.back(), import.back(), append.back(),
            ratio_b.back());
    }
    summary("LCDPR", book);
    summary("percurso ordenado", walk);
    summary("razão LCDPR/percurso", ratio_a, "x");
    summary("importação", import);
    summary("acréscimo direto", append);
    summary("razão importação/acréscimo", ratio_b, "x");
    return 0;
}
