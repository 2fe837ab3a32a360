// Reference tables: layouts and rows from the CSV sources.
#include "store/reftables.h"

#include <algorithm>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <set>
#include <sstream>
#include <stdexcept>
#include <tuple>

#include "base/decimal.h"
#include "base/text.h"
#include "store/catalogue.h"
#include "store/cdx_index.h"
#include "store/dbf.h"

namespace vorn::store {

std::string_view reference_fields(int number) {
    switch (number) {
        case 45:
            return "NOME C10, TITULO C70, TEXTO M";
        case 46:
            return "GRUBEM C4, GRUPO C2, CODIGO C2, DESCRICAO C100";
        case 47:
            return "CODDEP N3.0, DESCRICAO C240";
        case 48:
            return "CODDIV N3.0, DESCRICAO C60";
        case 49:
            return "CODDES N2.0, DESCRICAO C100";
        case 51:
            return "ANOMES C6, TJM N6.2, MULTIPL N10.6, SIMB_MOED C5";
        case 55:
            return "NUMBAN C3, NOMEBAN C60, CNPJBAN C18, ISPB C8, NOMECOMP C150, DEBAUTO C1, "
                   "DEPOSITO C1";
        case 58:
            return "CDPRO C3, OCUPACAO C69";
        case 59:
            return "CODAT C2, DESCRAT C58";
        case 60:
            return "CODPAIS C3, NOMPAIS C50, SIGLA C3";
        case 61:
            return "CD_EX C3, NOME_EX C60";
        case 62:
            return "CDCONTA C4, NMDESCRICA C60, CDSTATUS C1, PAGINA N2.0, LINHA N2.0, TEMCPF C1, "
                   "TEMCGC C1, LIVROCX C1, TEMDESCR C1, TEMOBSV C1";
        case 64:
            return "CODCID C7, CODMUNI C4, NOMEMUNI C40, UNIFED C2";
        case 65:
            return "CODLOGRA C4, NOMELOGRA C30";
        case 69:
            return "CODBEM C4, GRUPO C2, CODIGO C2, DESCRICAO C100";
        case 75:
            return "TIPOFUNDO C1, UNIFED C2, CODMUNI C4, NOMEMUNI C40, NOMEFUNDO C50, CNPJ C18";
        case 76:
            return "NUMERO N2.0, DESCRICAO C50, SEQUENCIA C40";
        case 94:
            return "CODCID C4, CODIBGE C7, NOMEMUNI C40, UNIFED C2";
        default:
            return {};
    }
}

std::vector<int> delivered_tables() {
    std::vector<int> out;
    for (const TableDef& t : all_tables())
        if (t.reference || t.number == 54) out.push_back(t.number);
    return out;
}

bool office_maintained(int number) {
    return number == 51 || number == 62;
}

Status parse_csv(std::string_view text, std::vector<std::vector<std::string>>* rows) {
    rows->clear();
    std::vector<std::string> row;
    std::string field;
    bool quoted = false, any = false;
    size_t line = 1, quote_line = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (quoted) {
            if (c == '"') {
                if (i + 1 < text.size() && text[i + 1] == '"') {
                    field += '"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                if (c == '\n') ++line;
                field += c;
            }
            continue;
        }
        switch (c) {
            case '"':
                quoted = true;
                quote_line = line;
                any = true;
                break;
            case ',':
                row.push_back(std::move(field));
                field.clear();
                any = true;
                break;
            case '\r':
                if (i + 1 < text.size() && text[i + 1] == '\n') break;
                field += c;
                break;
            case '\n':
                if (any || !field.empty()) {
                    row.push_back(std::move(field));
                    rows->push_back(std::move(row));
                }
                field.clear();
                row.clear();
                any = false;
                ++line;
                break;
            default:
                field += c;
                any = true;
        }
    }
    if (quoted)
        return Status::invalid("aspas sem fechamento a partir da linha " +
                               std::to_string(quote_line));
    if (any || !field.empty()) {
        row.push_back(std::move(field));
        rows->push_back(std::move(row));
    }
    return Status::ok();
}

namespace {

// One CSV source: its rows addressed by column name.
class Source {
  public:
    [[nodiscard]] Status load(const std::string& path) {
        path_ = path;
        std::ifstream in(path, std::ios::binary);
        if (!in) return Status::not_found("Arquivo " + path + " não encontrado");
        std::ostringstream text;
        text << in.rdbuf();
        std::vector<std::vector<std::string>> all;
        Status s = parse_csv(text.str(), &all);
        if (!s) return Status::invalid(path + ": " + s.message());
        if (all.empty()) return Status::invalid(path + ": arquivo sem cabeçalho");
        header_ = all.front();
        rows_.assign(all.begin() + 1, all.end());
        for (size_t i = 0; i < rows_.size(); ++i)
            if (rows_[i].size() != header_.size())
                return Status::invalid(path + ": linha " + std::to_string(i + 2) + " com " +
                                       std::to_string(rows_[i].size()) + " colunas, esperadas " +
                                       std::to_string(header_.size()));
        return Status::ok();
    }
    size_t size() const { return rows_.size(); }
    // The value of a column in row i; an unknown column is a fault of the source.
    const std::string& at(size_t i, std::string_view column) const {
        for (size_t c = 0; c < header_.size(); ++c)
            if (header_[c] == column) return rows_[i][c];
        throw std::out_of_range(path_ + ": sem a coluna " + std::string(column));
    }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
    std::vector<std::string> header_;
    std::vector<std::vector<std::string>> rows_;
};

// Pairs of (CSV column, table field).
using Columns = std::vector<std::pair<const char*, const char*>>;

// Collects the delivered files and checks each value against its field.
class Builder {
  public:
    explicit Builder(std::string data_dir) : dir_(std::move(data_dir)) {}

    [[nodiscard]] Status source(const std::string& rel, Source* src) {
        return src->load(dir_ + "/" + rel);
    }

    // A new file of table `number`; the reference stays valid while more files are added.
    ReferenceFile& file(int number, std::string name) {
        const TableDef* t = table_def(number);
        if (!t || !t->layout)
            throw std::logic_error("no layout for table " + std::to_string(number));
        out_.push_back({number, std::move(name), {}, {}});
        return out_.back();
    }
    // A blank row of that file's table.
    static Record row(const ReferenceFile& f) { return Record(table_def(f.number)->layout); }

    // A number of a column; malformed text is refused with its place.
    [[nodiscard]] Status number(const Source& src, size_t i, std::string_view column,
                                Decimal* out) {
        const std::string& text = src.at(i, column);
        auto d = Decimal::parse(text);
        if (!d || trim(text).empty())
            return Status::invalid(src.path() + ": linha " + std::to_string(i + 2) + ", coluna " +
                                   std::string(column) + ": número inválido \"" + text + "\"");
        *out = *d;
        return Status::ok();
    }
    // Copies columns of row i into fields, each read as its field's type requires.
    [[nodiscard]] Status fill(const Source& src, size_t i, Record& rec, const Columns& columns) {
        for (const auto& [column, field] : columns) {
            const FieldDef& f = rec.layout()[rec.layout().index(field)];
            Status s;
            if (f.type == FieldType::kNumeric) {
                Decimal v;
                s = number(src, i, column, &v);
                if (s && v.to_string(f.decimals).size() > static_cast<size_t>(f.width))
                    s = Status::invalid(src.path() + ": linha " + std::to_string(i + 2) + ": " +
                                        src.at(i, column) + " não cabe em " + f.name);
                if (s) rec.set(field, v);
            } else {
                s = text(src, i, column, rec, field);
            }
            if (!s) return s;
        }
        return Status::ok();
    }
    // A file whose rows are the rows of `src` (those `keep` accepts), column by column.
    [[nodiscard]] Status copy(int number, std::string name, const Source& src,
                              const Columns& columns,
                              const std::function<bool(size_t)>& keep = nullptr) {
        ReferenceFile& f = file(number, std::move(name));
        for (size_t i = 0; i < src.size(); ++i) {
            if (keep && !keep(i)) continue;
            Record r = row(f);
            Status s = fill(src, i, r, columns);
            if (!s) return s;
            f.rows.push_back(std::move(r));
        }
        return Status::ok();
    }

    // Text that must fit its field: a cut description would reach the operator unnoticed.
    [[nodiscard]] Status text(const Source& src, size_t i, std::string_view column, Record& rec,
                              std::string_view field) {
        return put(src.path(), i + 2, rec, field, src.at(i, column));
    }
    // The same for a value made here; `line` is the source line it comes from.
    [[nodiscard]] Status put(const std::string& where, size_t line, Record& rec,
                             std::string_view field, std::string_view value) {
        const FieldDef& f = rec.layout()[rec.layout().index(field)];
        if (char_count(value) > static_cast<size_t>(f.width))
            return Status::invalid(where + ": linha " + std::to_string(line) + ": \"" +
                                   std::string(value) + "\" não cabe em " + f.name + " (" +
                                   std::to_string(f.width) + ")");
        rec.set(field, value);
        return Status::ok();
    }

    ReferenceFile& last() { return out_.back(); }
    std::vector<ReferenceFile> take() {
        return {std::make_move_iterator(out_.begin()), std::make_move_iterator(out_.end())};
    }

  private:
    std::string dir_;
    std::deque<ReferenceFile> out_;
};

#define TRY(expr)           \
    do {                    \
        Status s_ = (expr); \
        if (!s_) return s_; \
    } while (0)

// A table of codes and descriptions (CODEPEN, CODDIVI, DESPESA, OCUPACAO, CODNATUR).
Status code_table(Builder& b, int number, const char* name, const char* csv, const char* code,
                  const char* desc) {
    Source src;
    TRY(b.source(csv, &src));
    return b.copy(number, name, src, {{"codigo", code}, {"descricao", desc}});
}

// Groups and codes of assets: CODBENS has both (a group's row keyed by the group alone),
// CODABENS the codes.
Status assets(Builder& b) {
    Source src;
    TRY(b.source("irpf/bens.csv", &src));
    const Columns columns = {{"grupo", "GRUPO"}, {"codigo", "CODIGO"}, {"descricao", "DESCRICAO"}};
    for (auto [number, name, key] :
         {std::tuple{46, "CODBENS", "GRUBEM"}, std::tuple{69, "CODABENS", "CODBEM"}}) {
        ReferenceFile& f = b.file(number, name);
        for (size_t i = 0; i < src.size(); ++i) {
            const std::string& code = src.at(i, "codigo");
            if (number == 69 && code.empty()) continue;
            Record r = Builder::row(f);
            TRY(b.fill(src, i, r, columns));
            r.set(key, src.at(i, "grupo") + code);
            f.rows.push_back(std::move(r));
        }
    }
    return Status::ok();
}

Status selic(Builder& b) {
    Source src;
    TRY(b.source("ref/selic_mensal_2020_2026.csv", &src));
    ReferenceFile& f = b.file(51, "UFIRM");
    for (size_t i = 0; i < src.size(); ++i) {
        const std::string& month = src.at(i, "competencia");  // YYYY-MM
        if (month.size() != 7 || month[4] != '-')
            return Status::invalid(src.path() + ": linha " + std::to_string(i + 2) +
                                   ": mês inválido \"" + month + "\"");
        Record r = Builder::row(f);
        TRY(b.fill(src, i, r, {{"selic_mes_percent", "TJM"}}));
        r.set("ANOMES", month.substr(0, 4) + month.substr(5, 2));
        r.set("MULTIPL", Decimal(1) + r.num("TJM") / Decimal(100));
        r.set("SIMB_MOED", "R$");
        f.rows.push_back(std::move(r));
    }
    return Status::ok();
}

Status errors(Builder& b) {
    Source src;
    TRY(b.source("irpf/liserro.csv", &src));
    TRY(b.copy(54, "LisErro", src,
               {{"codigo", "CODERR"},
                {"descricao", "DESCRI"},
                {"grau", "GRAU"},
                {"pagina", "PAGINA"},
                {"posicao", "POSICAO"}}));
    for (const Record& r : b.last().rows)
        if (r.num("GRAU") < Decimal(1) || r.num("GRAU") > Decimal(3))
            return Status::invalid(src.path() + ": código " + r.num("CODERR").to_string(0) +
                                   ": grau fora de 1 a 3");
    return Status::ok();
}

Status banks(Builder& b) {
    Source debit, src;
    TRY(b.source("irpf/bancos_debito.csv", &debit));
    std::set<std::string> takes_debit;
    for (size_t i = 0; i < debit.size(); ++i) takes_debit.insert(debit.at(i, "compe"));
    TRY(b.source("ref/bancos_compe.csv", &src));
    TRY(b.copy(55, "BANCOS", src,
               {{"compe", "NUMBAN"},
                {"nome_curto", "NOMEBAN"},
                {"cnpj", "CNPJBAN"},
                {"ispb", "ISPB"},
                {"nome", "NOMECOMP"}}));
    for (Record& r : b.last().rows) {
        r.set("DEBAUTO", takes_debit.count(r.str("NUMBAN")) ? "S" : "N");
        r.set("DEPOSITO", "S");
    }
    return Status::ok();
}

// Countries, and the codes abroad (every country but Brasil).
Status countries(Builder& b) {
    Source src;
    TRY(b.source("ref/paises_siscomex_bacen.csv", &src));
    TRY(b.copy(60, "TABPAIS", src,
               {{"codigo_pais", "CODPAIS"}, {"nome", "NOMPAIS"}, {"iso_alfa3", "SIGLA"}}));
    return b.copy(61, "TABEMBA", src, {{"codigo_pais", "CD_EX"}, {"nome", "NOME_EX"}},
                  [&](size_t i) { return src.at(i, "codigo_pais") != "105"; });
}

Status accounts(Builder& b) {
    Source src;
    TRY(b.source("irpf/contas.csv", &src));
    TRY(b.copy(62, "CONTAS", src,
               {{"codigo", "CDCONTA"},
                {"descricao", "NMDESCRICA"},
                {"detalhada", "CDSTATUS"},
                {"pagina", "PAGINA"},
                {"linha", "LINHA"},
                {"temcpf", "TEMCPF"},
                {"temcgc", "TEMCGC"},
                {"livrocx", "LIVROCX"},
                {"temdescr", "TEMDESCR"},
                {"temobsv", "TEMOBSV"}}));
    for (const Record& r : b.last().rows)
        for (const char* flag : {"CDSTATUS", "TEMCPF", "TEMCGC", "LIVROCX", "TEMDESCR", "TEMOBSV"})
            if (r.str(flag) != "S" && r.str(flag) != "N")
                return Status::invalid(src.path() + ": conta " + r.str("CDCONTA") + ": " + flag +
                                       " deve ser S ou N");
    return Status::ok();
}

// Municipalities in both codings, and the donation funds by state and city.
Status places(Builder& b) {
    Source src, states;
    TRY(b.source("ref/municipios_tom_ibge.csv", &src));
    TRY(b.source("ref/ufs.csv", &states));
    TRY(b.copy(64, "TABMUNI", src,
               {{"codigo_ibge", "CODCID"},
                {"codigo_tom", "CODMUNI"},
                {"nome", "NOMEMUNI"},
                {"uf", "UNIFED"}}));
    TRY(b.copy(94, "TAB_MUNI", src,
               {{"codigo_tom", "CODCID"},
                {"codigo_ibge", "CODIBGE"},
                {"nome", "NOMEMUNI"},
                {"uf", "UNIFED"}}));
    // The funds: the national one, one per state (in state order) and one per municipality.
    std::vector<std::string> ufs;
    for (size_t i = 0; i < states.size(); ++i) ufs.push_back(states.at(i, "uf"));
    std::sort(ufs.begin(), ufs.end());
    for (const char* name : {"ECACIDAD", "IDOCIDAD"}) {
        ReferenceFile& f = b.file(75, name);
        Record national = Builder::row(f);
        national.set("TIPOFUNDO", "N");
        national.set("UNIFED", "DF");
        national.set("NOMEFUNDO", "Fundo Nacional - DF");
        f.rows.push_back(std::move(national));
        for (const std::string& uf : ufs) {
            Record r = Builder::row(f);
            r.set("TIPOFUNDO", "E");
            r.set("UNIFED", uf);
            r.set("NOMEFUNDO", "Fundo Estadual - " + uf);
            f.rows.push_back(std::move(r));
        }
        for (size_t i = 0; i < src.size(); ++i) {
            Record r = Builder::row(f);
            r.set("TIPOFUNDO", "M");
            TRY(b.fill(src, i, r,
                       {{"uf", "UNIFED"}, {"codigo_tom", "CODMUNI"}, {"nome", "NOMEMUNI"}}));
            TRY(b.put(src.path(), i + 2, r, "NOMEFUNDO",
                      src.at(i, "uf") + " - " + src.at(i, "nome")));
            f.rows.push_back(std::move(r));
        }
    }
    return Status::ok();
}

Status street_types(Builder& b) {
    Source src;
    TRY(b.source("ref/tipos_logradouro_esocial.csv", &src));
    return b.copy(65, "TABLOGR", src, {{"codigo", "CODLOGRA"}, {"descricao", "NOMELOGRA"}});
}

Status printer_strings(Builder& b) {
    Source src;
    TRY(b.source("irpf/impressao.csv", &src));
    return b.copy(76, "PRINTS", src,
                  {{"numero", "NUMERO"}, {"descricao", "DESCRICAO"}, {"sequencia", "SEQUENCIA"}});
}

// Help texts: one file "NOME.txt" per entry in irpf/ajuda, in name order; first line the title.
Status help(Builder& b, const std::string& data_dir) {
    const std::filesystem::path folder = std::filesystem::path(data_dir) / "irpf" / "ajuda";
    std::error_code ec;
    std::vector<std::filesystem::path> paths;
    for (const auto& e : std::filesystem::directory_iterator(folder, ec))
        if (e.path().extension() == ".txt") paths.push_back(e.path());
    if (ec || paths.empty())
        return Status::not_found("Textos de ajuda não encontrados em " + folder.string());
    std::sort(paths.begin(), paths.end());
    ReferenceFile& f = b.file(45, "HELPTXT");
    for (const auto& p : paths) {
        const std::string path = p.string();
        std::ifstream in(path, std::ios::binary);
        if (!in) return Status::not_found("Arquivo " + path + " não encontrado");
        std::string title, line, body;
        std::getline(in, title);
        while (std::getline(in, line)) body += line + "\r\n";
        if (title.empty() || body.empty()) return Status::invalid(path + ": texto vazio");
        Record r = Builder::row(f);
        TRY(b.put(path, 1, r, "NOME", upper(p.stem().string())));
        TRY(b.put(path, 1, r, "TITULO", title));
        f.rows.push_back(std::move(r));
        f.memos.push_back(std::move(body));
    }
    return Status::ok();
}

#undef TRY

}  // namespace

Status load_reference_files(const std::string& data_dir, std::vector<ReferenceFile>* out) {
    Builder b(data_dir);
    Status s = help(b, data_dir);
    if (s) s = assets(b);
    if (s) s = code_table(b, 47, "CODEPEN", "irpf/dependentes.csv", "CODDEP", "DESCRICAO");
    if (s) s = code_table(b, 48, "CODDIVI", "irpf/dividas.csv", "CODDIV", "DESCRICAO");
    if (s) s = code_table(b, 49, "DESPESA", "irpf/pagamentos.csv", "CODDES", "DESCRICAO");
    if (s) s = selic(b);
    if (s) s = errors(b);
    if (s) s = banks(b);
    if (s) s = code_table(b, 58, "OCUPACAO", "irpf/ocupacoes.csv", "CDPRO", "OCUPACAO");
    if (s) s = code_table(b, 59, "CODNATUR", "irpf/naturezas.csv", "CODAT", "DESCRAT");
    if (s) s = countries(b);
    if (s) s = accounts(b);
    if (s) s = places(b);
    if (s) s = street_types(b);
    if (s) s = printer_strings(b);
    if (!s) return s;
    *out = b.take();
    std::stable_sort(out->begin(), out->end(), [](const ReferenceFile& a, const ReferenceFile& c) {
        return a.number < c.number;
    });
    return Status::ok();
}

std::string reference_dbf_name(const ReferenceFile& f) {
    return upper(f.file) + ".DBF";
}

namespace {

// Writes `data` to `path` through a temporary file beside it renamed into place.
Status write_whole(Env& env, const std::string& path, std::string_view data) {
    std::unique_ptr<File> tmp;
    std::string tmp_path;
    Status s = env.create_temp(path, &tmp, &tmp_path);
    if (!s) return s;
    s = tmp->write(0, data);
    if (s) s = tmp->sync();
    tmp.reset();
    if (s) s = env.rename(tmp_path, path);
    if (!s) (void)env.remove(tmp_path);  // the error that matters is s
    return s;
}

// A table with one memo field: the memo texts go into a dBASE III ".DBT" beside it, and the DBF
// carries their block numbers. The DBF is written by the engine with the memo field taken as
// ten characters of text (the block number, right-aligned, as dBASE stores it) and then marked
// as a memo table (version 0x83, field type 'M').
Status write_memo_table(Env& env, const std::string& path, const ReferenceFile& f,
                        const Clock* clock) {
    const Layout& layout = *table_def(f.number)->layout;
    std::vector<FieldDef> fields = layout.fields();
    int memo = -1;
    for (size_t i = 0; i < fields.size(); ++i)
        if (fields[i].type == FieldType::kMemo) {
            if (memo >= 0) throw std::logic_error("one memo field per reference table");
            memo = static_cast<int>(i);
            fields[i].type = FieldType::kChar;
        }
    if (memo < 0 || f.memos.size() != f.rows.size())
        throw std::logic_error(f.file + ": memo texts do not match the rows");

    constexpr size_t kBlock = 512;
    std::string dbt(kBlock, '\0');
    auto text_layout = std::make_shared<const Layout>(fields);
    std::vector<Record> rows;
    for (size_t i = 0; i < f.rows.size(); ++i) {
        uint32_t block = static_cast<uint32_t>(dbt.size() / kBlock);
        dbt += to_cp1252(f.memos[i]);
        dbt += "\x1A\x1A";
        dbt.resize((dbt.size() + kBlock - 1) / kBlock * kBlock, '\0');
        Record r(text_layout);
        r.assign_by_name(f.rows[i]);
        r.set_value(static_cast<size_t>(memo), pad_left(std::to_string(block), 10));
        rows.push_back(std::move(r));
    }
    uint32_t next_free = static_cast<uint32_t>(dbt.size() / kBlock);
    for (int b = 0; b < 4; ++b) dbt[b] = static_cast<char>((next_free >> (8 * b)) & 0xFF);

    std::string dbt_path = path.substr(0, path.size() - 4) + ".DBT";
    Status s = write_whole(env, dbt_path, dbt);
    if (s) s = Table::create(env, path, *text_layout, rows, clock, true);
    if (!s) return s;
    std::unique_ptr<File> file;
    s = env.open(path, OpenFor::kReadWrite, &file);
    if (s) s = file->write(0, "\x83");
    if (s) s = file->write(32 + 32 * static_cast<uint64_t>(memo) + 11, "M");
    if (s) s = file->sync();
    return s;
}

}  // namespace

Status build_reference_indexes(Env& env, const std::string& dbf, int number) {
    std::vector<IndexDef> ixs = table_def(number)->index_files("");
    if (ixs.empty()) return Status::ok();
    std::unique_ptr<Table> table;
    OpenOptions opt;
    opt.exclusive = true;
    Status s = Table::open(env, dbf, opt, &table);
    for (const IndexDef& ix : ixs)
        if (s)
            s = CdxIndex::build(*table, join_path(dir_of(dbf), upper(ix.file) + ".CDX"),
                                ix.key);
    if (!table) return s;
    Status c = table->close();
    return s ? c : s;
}

Status write_reference_files(Env& env, const std::vector<ReferenceFile>& files,
                             const std::string& dir, const Clock* clock) {
    for (const ReferenceFile& f : files) {
        std::string path = join_path(dir, reference_dbf_name(f));
        const TableDef* t = table_def(f.number);
        Status s = t->has_memo ? write_memo_table(env, path, f, clock)
                               : Table::create(env, path, *t->layout, f.rows, clock, true);
        if (s && upper(f.file) == upper(t->name)) s = build_reference_indexes(env, path, f.number);
        if (!s) return s;
    }
    return env.sync_dir(dir);
}

}  // namespace vorn::store
