#include "maintenance/history.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>

#include "base/text.h"
#include "store/catalogue.h"
#include "store/dbf.h"

namespace vorn::maintenance {

namespace {

namespace fs = std::filesystem;

constexpr int kHistory = 80;

// Positions count from 1.
std::string_view at(std::string_view line, size_t pos, size_t len) {
    if (pos == 0 || pos - 1 >= line.size()) return {};
    return line.substr(pos - 1, len);
}

// An unsigned digit string with `places` implied decimals; 0 for anything else.
Decimal number(std::string_view line, size_t pos, size_t len = 13, int places = 2) {
    long long units = 0;
    const std::string_view t = at(line, pos, len);
    if (t.size() != len) return Decimal(0);
    for (char c : t) {
        if (c == ' ') continue;
        if (c < '0' || c > '9') return Decimal(0);
        units = units * 10 + (c - '0');
    }
    return Decimal::from_scaled(units, places);
}

std::vector<std::string_view> lines_of(std::string_view bytes) {
    std::vector<std::string_view> out;
    size_t from = 0;
    while (from < bytes.size()) {
        size_t nl = bytes.find('\n', from);
        if (nl == std::string_view::npos) nl = bytes.size();
        std::string_view l = bytes.substr(from, nl - from);
        if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
        out.push_back(l);
        from = nl + 1;
    }
    return out;
}

std::string upper_ascii(std::string_view t) {
    std::string out(t);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

// The entry of `dir` whose name is `name` whatever its case; `name` itself when none is.
std::string entry_named(const std::string& dir, const std::string& name) {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir, ec))
        if (upper_ascii(e.path().filename().string()) == upper_ascii(name))
            return e.path().filename().string();
    return name;
}

}  // namespace

std::string transmitted_folder(store::Env& env, std::string_view rotajava, std::string_view year) {
    (void)env;
    std::string path(rotajava);
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    const std::string up = upper_ascii(path);
    const size_t app = up.find("APLICACAO");
    const size_t irpf = up.find("IRPF");
    if (app == std::string::npos || irpf == std::string::npos || irpf + 8 > path.size() ||
        !std::all_of(path.begin() + static_cast<long>(irpf) + 4,
                     path.begin() + static_cast<long>(irpf) + 8,
                     [](char c) { return c >= '0' && c <= '9'; }))
        return "";
    path = path.substr(0, app);
    path.replace(irpf + 4, 4, std::string(year).substr(0, 4));
    const std::string base = path.empty() ? "." : path;
    return base + entry_named(base, "transmitidas");
}

std::optional<PastDeclaration> read_transmitted(std::string_view bytes, std::string* why) {
    const std::vector<std::string_view> lines = lines_of(bytes);
    if (lines.empty() || lines[0].size() < 122) {
        *why = lines.empty() ? "arquivo vazio" : "cabeçalho incompleto";
        return std::nullopt;
    }
    const std::string_view h = lines[0];
    PastDeclaration d;
    d.year = std::string(at(h, 9, 4));
    d.cpf = std::string(at(h, 22, 11));
    d.name = trim(from_cp1252(at(h, 40, 53)));
    d.complete = std::string(at(h, 121, 1));
    d.result = std::string(at(h, 122, 1));
    if (d.cpf.size() != 11 ||
        !std::all_of(d.cpf.begin(), d.cpf.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
        d.year.size() != 4) {
        *why = "cabeçalho sem CPF ou ano";
        return std::nullopt;
    }
    const size_t shift = d.year == "2020" ? 13 : 0;
    d.TOTRTRIB = number(h, 683 + shift);
    d.TOTRISEN = number(h, 724 + shift);
    d.TOTRTRIE = number(h, 737 + shift);
    d.TOTPAGTO = number(h, 750 + shift);
    // The summary: the first line of type "18" or "20".
    for (size_t k = 1; k < lines.size(); ++k) {
        const std::string_view l = lines[k];
        const std::string_view type = at(l, 1, 2);
        if (type != "18" && type != "20") continue;
        const bool short_form = type == "18";
        auto n = [&](size_t p18, size_t p20) { return number(l, short_form ? p18 : p20); };
        d.ABATIMEN = n(27, 183);
        d.BASECALC = n(40, 196);
        d.TOTIMPOS = short_form ? n(66, 0) + n(79, 0) + n(92, 0) + n(105, 0)
                                : n(0, 287) + n(0, 300) + n(0, 313) + n(0, 326) + n(0, 339);
        if (d.result == "2")
            d.VALIRPF = Decimal(0) - n(118, 365);
        else if (!d.result.empty() && d.result != "0" && d.result[0] >= '1' && d.result[0] <= '9')
            d.VALIRPF = n(131, 378);
        d.BENSANA = n(275, 405);
        d.BENSBASE = n(288, 418);
        d.DIVANA = n(366, 431);
        d.DIVBASE = n(379, 444);
        const long year = std::atol(d.year.c_str());
        if (year > 2017) d.ALIQEFET = number(l, short_form ? 704 : 886, 5, 3);
        return d;
    }
    *why = "sem a linha de resumo (18 ou 20)";
    return std::nullopt;
}

Status read_year(store::Env& env, const std::string& install_dir, std::string_view rotajava,
                 std::string_view year, HistoryRun* run) {
    *run = {};
    const std::string folder = transmitted_folder(env, rotajava, year);
    std::vector<std::pair<fs::file_time_type, std::string>> files;
    std::error_code ec;
    if (!folder.empty())
        for (const auto& e : fs::directory_iterator(folder, ec)) {
            const std::string name = e.path().filename().string();
            if (e.is_regular_file() && name.size() > 4 &&
                upper_ascii(name.substr(name.size() - 4)) == ".DEC")
                files.emplace_back(e.last_write_time(ec), e.path().string());
        }
    if (files.empty())
        return Status::not_found("Na pasta " + std::string(rotajava) +
                                 " não existe nenhuma declaração transmitida!\n"
                                 "Confira a pasta local do programa da Receita!");
    std::sort(files.begin(), files.end());

    const store::TableDef& def = *store::table_def(kHistory);
    const std::string path = store::find_file(env, install_dir, "ULTANOS.DBF");
    if (!env.exists(path)) {
        if (Status s = store::Table::create(env, path, *def.layout, {}, nullptr, false); !s)
            return s;
    }
    std::unique_ptr<store::Table> t;
    if (Status s = store::Table::open(env, path, store::OpenOptions{true}, &t); !s) return s;
    // Where each client's record of each year is: CPF + year → record number.
    std::map<std::string, uint32_t> where;
    Status s = t->scan_rows([&](uint32_t recno, std::string_view row) {
        if (row.empty() || row[0] == '*') return;
        where[std::string(store::Table::field_bytes(row, t->field("CPF"))) +
              std::string(store::Table::field_bytes(row, t->field("ANOBASE")))] = recno;
    });
    for (const auto& [when, file] : files) {
        if (!s) break;
        std::string bytes;
        {
            std::unique_ptr<store::File> f;
            uint64_t size = 0;
            size_t got = 0;
            Status r = env.open(file, store::OpenFor::kRead, &f);
            if (r) r = f->size(&size);
            if (r) {
                bytes.resize(size);
                r = f->read(0, bytes.data(), bytes.size(), &got);
                bytes.resize(got);
            }
            if (!r) {
                run->skipped.push_back(fs::path(file).filename().string() + ": Erro de leitura");
                continue;
            }
        }
        std::string why;
        const std::optional<PastDeclaration> d = read_transmitted(bytes, &why);
        if (!d) {
            run->skipped.push_back(fs::path(file).filename().string() + ": " + why);
            continue;
        }
        store::Record r(def.layout);
        r.set("CPF", d->cpf);
        r.set("NOMECONTR", left(d->name, 53));
        r.set("ANOBASE", d->year);
        r.set("COMPLETA", d->complete);
        r.set("RESULTAD", Decimal(d->result.empty() || d->result[0] < '0' || d->result[0] > '9'
                                      ? 0
                                      : d->result[0] - '0'));
        for (auto [name, v] : {std::pair{"TOTIMPOS", d->TOTIMPOS},
                               {"TOTRTRIB", d->TOTRTRIB},
                               {"TOTRISEN", d->TOTRISEN},
                               {"TOTRTRIE", d->TOTRTRIE},
                               {"TOTPAGTO", d->TOTPAGTO},
                               {"BASECALC", d->BASECALC},
                               {"ABATIMEN", d->ABATIMEN},
                               {"ALIQEFET", d->ALIQEFET},
                               {"BENSANA", d->BENSANA},
                               {"BENSBASE", d->BENSBASE},
                               {"DIVANA", d->DIVANA},
                               {"DIVBASE", d->DIVBASE},
                               {"VALIRPF", d->VALIRPF}})
            r.set(name, v);
        const std::string key = d->cpf + pad_right(d->year, 4);
        if (auto it = where.find(key); it != where.end()) {
            s = t->go_to(it->second);
            if (s) s = t->put(r);
        } else {
            s = t->append(&r);
            if (s) where[key] = t->recno();
        }
        if (s) ++run->read;
    }
    Status c = t->close();
    if (s) s = c;
    // Written without its index: the index goes, and the next opening builds it from the table.
    const std::string cdx = store::find_file(env, install_dir, "ULTANOS.CDX");
    if (s && env.exists(cdx)) s = env.remove(cdx);
    return s;
}

}  // namespace vorn::maintenance
