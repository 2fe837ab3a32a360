// Reference tables: layouts and rows from the CSV sources.
#include "store/reftables.h"

#include <algorithm>
#include <deque>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <stdexcept>

#include "base/decimal.h"
#include "base/text.h"
#include "store/catalogue.h"
#include "store/cdx.h"
#include "store/dbf.h"
#include "store/keyexpr.h"

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
    size_t line = 1;
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
        return Status::invalid("aspas sem fechamento a partir da linha " + std::to_string(line));
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
    bool has(std::string_view column) const {
        return std::find(header_.begin(), header_.end(), column) != header_.end();
    }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
    std::vector<std::string> header_;
    std::vector<std::vector<std::string>> rows_;
};

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

    // A number of a code column, checked against the field's width.
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

// A table of numeric codes and descriptions (CODEPEN, CODDIVI, DESPESA).
Status code_table(Builder& b, int number, const char* name, const char* csv, const char* key) {
    Source src;
    TRY(b.source(csv, &src));
    ReferenceFile& f = b.file(number, name);
    for (size_t i = 0; i < src.size(); ++i) {
        Record r = Builder::row(f);
        Decimal code;
        TRY(b.number(src, i, "codigo", &code));
        r.set(key, code);
        TRY(b.text(src, i, "descricao", r, "DESCRICAO"));
        f.rows.push_back(std::move(r));
    }
    return Status::ok();
}

Status assets(Builder& b) {
    Source src;
    TRY(b.source("irpf/bens.csv", &src));
    ReferenceFile& groups = b.file(46, "CODBENS");
    for (size_t i = 0; i < src.size(); ++i) {
        Record r = Builder::row(groups);
        const std::string &g = src.at(i, "grupo"), &c = src.at(i, "codigo");
        TRY(b.put(src.path(), i + 2, r, "GRUBEM", g + (c.empty() ? "  " : c)));
        TRY(b.text(src, i, "grupo", r, "GRUPO"));
        TRY(b.text(src, i, "codigo", r, "CODIGO"));
        TRY(b.text(src, i, "descricao", r, "DESCRICAO"));
        groups.rows.push_back(std::move(r));
    }
    ReferenceFile& codes = b.file(69, "CODABENS");
    for (size_t i = 0; i < src.size(); ++i) {
        if (src.at(i, "codigo").empty()) continue;
        Record r = Builder::row(codes);
        TRY(b.put(src.path(), i + 2, r, "CODBEM", src.at(i, "grupo") + src.at(i, "codigo")));
        TRY(b.text(src, i, "grupo", r, "GRUPO"));
        TRY(b.text(src, i, "codigo", r, "CODIGO"));
        TRY(b.text(src, i, "descricao", r, "DESCRICAO"));
        codes.rows.push_back(std::move(r));
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
        r.set("ANOMES", month.substr(0, 4) + month.substr(5, 2));
        Decimal rate;
        TRY(b.number(src, i, "selic_mes_percent", &rate));
        r.set("TJM", rate);
        r.set("MULTIPL", Decimal(1) + rate / Decimal(100));
        r.set("SIMB_MOED", "R$");
        f.rows.push_back(std::move(r));
    }
    return Status::ok();
}

Status errors(Builder& b) {
    Source src;
    TRY(b.source("irpf/liserro.csv", &src));
    ReferenceFile& f = b.file(54, "LisErro");
    for (size_t i = 0; i < src.size(); ++i) {
        Record r = Builder::row(f);
        Decimal v;
        TRY(b.number(src, i, "codigo", &v));
        r.set("CODERR", v);
        TRY(b.text(src, i, "descricao", r, "DESCRI"));
        TRY(b.number(src, i, "grau", &v));
        if (v < Decimal(1) || v > Decimal(3))
            return Status::invalid(src.path() + ": linha " + std::to_string(i + 2) +
                                   ": grau fora de 1 a 3");
        r.set("GRAU", v);
        TRY(b.number(src, i, "pagina", &v));
        r.set("PAGINA", v);
        TRY(b.number(src, i, "posicao", &v));
        r.set("POSICAO", v);
        f.rows.push_back(std::move(r));
    }
    return Status::ok();
}

Status banks(Builder& b) {
    Source debit, src;
    TRY(b.source("irpf/bancos_debito.csv", &debit));
    std::set<std::string> takes_debit;
    for (size_t i = 0; i < debit.size(); ++i) takes_debit.insert(debit.at(i, "compe"));
    TRY(b.source("ref/bancos_compe.csv", &src));
    ReferenceFile& f = b.file(55, "BANCOS");
    for (size_t i = 0; i < src.size(); ++i) {
        Record r = Builder::row(f);
        TRY(b.text(src, i, "compe", r, "NUMBAN"));
        TRY(b.text(src, i, "nome_curto", r, "NOMEBAN"));
        TRY(b.text(src, i, "cnpj", r, "CNPJBAN"));
        TRY(b.text(src, i, "ispb", r, "ISPB"));
        TRY(b.text(src, i, "nome", r, "NOMECOMP"));
        r.set("DEBAUTO", takes_debit.count(src.at(i, "compe")) ? "S" : "N");
        r.set("DEPOSITO", "S");
        f.rows.push_back(std::move(r));
    }
    return Status::ok();
}

Status two_columns(Builder& b, int number, const char* name, const char* csv, const char* code,
                   const char* desc) {
    Source src;
    TRY(b.source(csv, &src));
    ReferenceFile& f = b.file(number, name);
    for (size_t i = 0; i < src.size(); ++i) {
        Record r = Builder::row(f);
        TRY(b.text(src, i, "codigo", r, code));
        TRY(b.text(src, i, "descricao", r, desc));
        f.rows.push_back(std::move(r));
    }
    return Status::ok();
}

Status countries(Builder& b) {
    Source src;
    TRY(b.source("ref/paises_siscomex_bacen.csv", &src));
    ReferenceFile& f = b.file(60, "TABPAIS");
    for (size_t i = 0; i < src.size(); ++i) {
        Record r = Builder::row(f);
        TRY(b.text(src, i, "codigo_pais", r, "CODPAIS"));
        TRY(b.text(src, i, "nome", r, "NOMPAIS"));
        TRY(b.text(src, i, "iso_alfa3", r, "SIGLA"));
        f.rows.push_back(std::move(r));
    }
    ReferenceFile& abroad = b.file(61, "TABEMBA");
    for (size_t i = 0; i < src.size(); ++i) {
        if (src.at(i, "codigo_pais") == "105") continue;  // Brasil
        Record r = Builder::row(abroad);
        TRY(b.text(src, i, "codigo_pais", r, "CD_EX"));
        TRY(b.text(src, i, "nome", r, "NOME_EX"));
        abroad.rows.push_back(std::move(r));
    }
    return Status::ok();
}

Status accounts(Builder& b) {
    Source src;
    TRY(b.source("irpf/contas.csv", &src));
    ReferenceFile& f = b.file(62, "CONTAS");
    for (size_t i = 0; i < src.size(); ++i) {
        Record r = Builder::row(f);
        TRY(b.text(src, i, "codigo", r, "CDCONTA"));
        TRY(b.text(src, i, "descricao", r, "NMDESCRICA"));
        TRY(b.text(src, i, "detalhada", r, "CDSTATUS"));
        Decimal v;
        TRY(b.number(src, i, "pagina", &v));
        r.set("PAGINA", v);
        TRY(b.number(src, i, "linha", &v));
        r.set("LINHA", v);
        for (const char* flag : {"TEMCPF", "TEMCGC", "LIVROCX", "TEMDESCR", "TEMOBSV"})
            TRY(b.text(src, i, lower(flag), r, flag));
        for (const char* flag : {"CDSTATUS", "TEMCPF", "TEMCGC", "LIVROCX", "TEMDESCR", "TEMOBSV"})
            if (r.str(flag) != "S" && r.str(flag) != "N")
                return Status::invalid(src.path() + ": linha " + std::to_string(i + 2) + ": " +
                                       flag + " deve ser S ou N");
        f.rows.push_back(std::move(r));
    }
    return Status::ok();
}

// Municipalities in both codings, and the donation funds by state and city.
Status places(Builder& b) {
    Source src, states;
    TRY(b.source("ref/municipios_tom_ibge.csv", &src));
    TRY(b.source("ref/ufs.csv", &states));
    ReferenceFile& ibge = b.file(64, "TABMUNI");
    for (size_t i = 0; i < src.size(); ++i) {
        Record r = Builder::row(ibge);
        TRY(b.text(src, i, "codigo_ibge", r, "CODCID"));
        TRY(b.text(src, i, "codigo_tom", r, "CODMUNI"));
        TRY(b.text(src, i, "nome", r, "NOMEMUNI"));
        TRY(b.text(src, i, "uf", r, "UNIFED"));
        ibge.rows.push_back(std::move(r));
    }
    ReferenceFile& tom = b.file(94, "TAB_MUNI");
    for (size_t i = 0; i < src.size(); ++i) {
        Record r = Builder::row(tom);
        TRY(b.text(src, i, "codigo_tom", r, "CODCID"));
        TRY(b.text(src, i, "codigo_ibge", r, "CODIBGE"));
        TRY(b.text(src, i, "nome", r, "NOMEMUNI"));
        TRY(b.text(src, i, "uf", r, "UNIFED"));
        tom.rows.push_back(std::move(r));
    }
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
            TRY(b.text(src, i, "uf", r, "UNIFED"));
            TRY(b.text(src, i, "codigo_tom", r, "CODMUNI"));
            TRY(b.text(src, i, "nome", r, "NOMEMUNI"));
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
    ReferenceFile& f = b.file(65, "TABLOGR");
    for (size_t i = 0; i < src.size(); ++i) {
        Record r = Builder::row(f);
        TRY(b.text(src, i, "codigo", r, "CODLOGRA"));
        TRY(b.text(src, i, "descricao", r, "NOMELOGRA"));
        f.rows.push_back(std::move(r));
    }
    return Status::ok();
}

Status printer_strings(Builder& b) {
    Source src;
    TRY(b.source("irpf/impressao.csv", &src));
    ReferenceFile& f = b.file(76, "PRINTS");
    for (size_t i = 0; i < src.size(); ++i) {
        Record r = Builder::row(f);
        Decimal n;
        TRY(b.number(src, i, "numero", &n));
        r.set("NUMERO", n);
        TRY(b.text(src, i, "descricao", r, "DESCRICAO"));
        TRY(b.text(src, i, "sequencia", r, "SEQUENCIA"));
        f.rows.push_back(std::move(r));
    }
    return Status::ok();
}

// Help texts: one file per entry in irpf/ajuda, named after the entry; first line the title.
Status help(Builder& b, const std::string& data_dir) {
    const std::string index_path = data_dir + "/irpf/ajuda";
    static const char* kNames[] = {"GERAL",    "TECLAS",    "ESCOLHA", "TELA01", "TELA02",
                                   "TELA03",   "TELA04",    "TELA05",  "TELA06", "TELA07",
                                   "TELA08",   "TELA09",    "TELA10",  "TELA11", "TELA12",
                                   "LANCAMEN", "IMPRESSAO", "ENVIO",   "COPIA"};
    ReferenceFile& f = b.file(45, "HELPTXT");
    for (const char* name : kNames) {
        std::string path = index_path + "/" + name + ".txt";
        std::ifstream in(path, std::ios::binary);
        if (!in) return Status::not_found("Arquivo " + path + " não encontrado");
        std::string title, line, body;
        std::getline(in, title);
        while (std::getline(in, line)) body += line + "\r\n";
        if (title.empty() || body.empty()) return Status::invalid(path + ": texto vazio");
        Record r = Builder::row(f);
        r.set("NOME", name);
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
    if (s) s = code_table(b, 47, "CODEPEN", "irpf/dependentes.csv", "CODDEP");
    if (s) s = code_table(b, 48, "CODDIVI", "irpf/dividas.csv", "CODDIV");
    if (s) s = code_table(b, 49, "DESPESA", "irpf/pagamentos.csv", "CODDES");
    if (s) s = selic(b);
    if (s) s = errors(b);
    if (s) s = banks(b);
    if (s) s = two_columns(b, 58, "OCUPACAO", "irpf/ocupacoes.csv", "CDPRO", "OCUPACAO");
    if (s) s = two_columns(b, 59, "CODNATUR", "irpf/naturezas.csv", "CODAT", "DESCRAT");
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
    opt.read_only = true;
    Status s = Table::open(env, dbf, opt, &table);
    if (!s) return s;
    uint32_t count = 0;
    s = table->record_count(&count);
    for (const IndexDef& ix : ixs) {
        KeyExpr expr;
        if (s) s = KeyExpr::parse(ix.key, table->layout(), &expr);
        if (!s) break;
        KeyBuffer keys(expr.key_length());
        Record rec(table->layout_ptr());
        std::string key;
        for (uint32_t n = 1; s && n <= count; ++n) {
            s = table->go_to(n);
            if (s) s = table->read(rec);
            if (!s) break;
            expr.key(rec, &key);
            keys.add(key, n);
        }
        if (!s) break;
        TagSpec spec;
        spec.name = upper(ix.file);
        spec.key_expr = ix.key;
        spec.type = expr.type();
        spec.key_length = expr.key_length();
        s = CdxFile::create(env, join_path(dir_of(dbf), upper(ix.file) + ".CDX"), spec, keys);
    }
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
