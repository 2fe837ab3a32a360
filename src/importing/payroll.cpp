#include "importing/payroll.h"

#include <algorithm>
#include <map>
#include <set>

#include "base/helpers.h"
#include "base/text.h"
#include "base/validate.h"
#include "store/catalogue.h"
#include "store/declaration.h"
#include "store/opening.h"

namespace vorn::importing {
namespace {

// The columns in file order: the field, its caption on the layout screen, and its type there.
struct Column {
    const char* field;
    const char* caption;
};
constexpr Column kColumns[kPayrollColumns] = {{"CPF", "Cpf do contribuinte"},
                                              {"NOMECONTR", "Nome contribuinte"},
                                              {"NOMEFONTE", "Nome fonte pagadora"},
                                              {"CNPJFONTE", "Cnpj fonte pagadora"},
                                              {"RENDIMENT", "Rendimentos"},
                                              {"PREVOFICA", "Previdencia Oficial"},
                                              {"PREVPRIVA", "Previdencia Privada"},
                                              {"PENSAOPAG", "Pensao paga"},
                                              {"IRRETIDO", "Imposto Retido fonte"},
                                              {"ISENTOAPO", "Aposentad. 65 anos"},
                                              {"DIARIAS", "Diarias"},
                                              {"PENSAOREC", "Aposen. molestia"},
                                              {"LUCRODIV", "Lucro e Dividendo"},
                                              {"SOCIO", "Socio"},
                                              {"IDENIZA", "Indenizacao/PDV"},
                                              {"DECIMO3RO", "13ro salario"},
                                              {"COMPLENTA", "Complemento"},
                                              {"OUTROS", "Desc. outros isento"},
                                              {"OUTROSEXC", "Desc. outros t.fonte"},
                                              {"VALOUTRO", "Valor outros isentos"},
                                              {"VALOUTRE", "Valor outros t.fonte"},
                                              {"IRRF13", "IR sobre o 13ro"},
                                              {"VALRENRRA", "Rendimento no RRA"},
                                              {"VALACAO", "Acao p/ receber RRA"},
                                              {"VALPRERRA", "Previdencia no RRA"},
                                              {"VALPENRRA", "Pensao paga RRA"},
                                              {"VALIRFRRA", "IR retido RRA"},
                                              {"VALMOLRRA", "Molestia Grave RRA"},
                                              {"QTDMES", "Quant.de meses RRA"}};

const store::Layout& payroll_layout_def() {
    return *store::table_def(kPayrollTable)->layout;
}

bool is_text(const char* field) {
    const store::Layout& l = payroll_layout_def();
    return l[l.index(field)].type == store::FieldType::kChar;
}

// The fields of a delimited line: separated by commas, a field in double quotes may hold commas
// (two quotes inside stand for one). nullopt with the reason for a quote left open or text after
// a closing quote.
std::optional<std::vector<std::string>> delimited_fields(std::string_view line,
                                                         std::string* reason) {
    std::vector<std::string> out;
    size_t p = 0;
    for (;;) {
        std::string field;
        // Blanks before an opening quote carry nothing.
        size_t q = p;
        while (q < line.size() && line[q] == ' ') ++q;
        if (q < line.size() && line[q] == '"') {
            p = q + 1;
            for (;;) {
                if (p >= line.size()) {
                    *reason = "aspas sem fechamento no campo " + std::to_string(out.size() + 1);
                    return std::nullopt;
                }
                if (line[p] == '"') {
                    if (p + 1 < line.size() && line[p + 1] == '"') {
                        field += '"';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                field += line[p++];
            }
            while (p < line.size() && line[p] == ' ') ++p;
            if (p < line.size() && line[p] != ',') {
                *reason = "texto depois das aspas no campo " + std::to_string(out.size() + 1);
                return std::nullopt;
            }
        } else {
            const size_t e = line.find(',', p);
            field = std::string(line.substr(p, e == std::string_view::npos ? line.npos : e - p));
            p = e == std::string_view::npos ? line.size() : e;
        }
        out.push_back(std::move(field));
        if (p >= line.size()) return out;
        ++p;  // the comma
    }
}

// An amount of the file: Brazilian with a comma, else the point is the decimal point. nullopt
// for a negative or unreadable one.
std::optional<Decimal> payroll_amount(std::string_view text) {
    const std::string t = trim(text);
    if (t.find(',') != std::string::npos) return read_brazilian(t);
    if (t.empty()) return Decimal();
    size_t points = 0;
    for (char c : t) {
        if (c == '.') {
            ++points;
        } else if (c < '0' || c > '9') {
            return std::nullopt;
        }
    }
    if (points > 1 || t == "." || t.size() > 30) return std::nullopt;
    return Decimal::parse(t.front() == '.' ? "0" + t : t);
}

// A CPF or CNPJ without its punctuation, letters upper-cased: how two payer numbers compare.
std::string document_key(std::string_view text) {
    std::string out;
    for (char c : upper(trim(text)))
        if (c != '.' && c != '-' && c != '/' && c != ' ') out += c;
    return out;
}

bool valid_cpf(const std::string& d) {
    return d.size() == 11 && digits_of(d) == d && d.substr(9) == cpf_check_digits(d.substr(0, 9));
}

}  // namespace

std::vector<std::string> payroll_layout() {
    std::vector<std::string> out;
    const store::Layout& l = payroll_layout_def();
    for (const Column& c : kColumns) {
        const store::FieldDef& f = l[l.index(c.field)];
        std::string size;
        if (f.type == store::FieldType::kChar) {
            size = pad_left(std::to_string(f.width), 7) + "   ";
        } else if (std::string_view(c.field) == "QTDMES") {
            size = "      5,1 ";
        } else {
            size = "     12,2 ";
        }
        out.push_back(pad_right(c.caption, 21) + static_cast<char>(f.type) + size);
    }
    return out;
}

bool normalise_payroll_row(store::Record& row, size_t line, Notes& notes, std::string* reason) {
    const store::Layout& layout = row.layout();
    for (size_t k = 0; k < layout.size(); ++k)
        if (layout[k].type == store::FieldType::kNumeric && row.num(layout[k].name).is_negative()) {
            *reason = layout[k].name + " negativo";
            return false;
        }
    const std::string cpf_text = trim(row.str("CPF"));
    if (!cpf_text.empty()) {
        const auto cpf = read_cpf(cpf_text);
        if (!cpf) {
            *reason = "CPF inválido: " + cpf_text;
            return false;
        }
        row.set("CPF", *cpf);
    }
    // The payer's number: a CNPJ of fourteen characters (digits or, in the alphanumeric form,
    // upper-case letters before the two check digits) or a CPF, kept masked.
    const std::string payer = document_key(row.str("CNPJFONTE"));
    if (!payer.empty()) {
        const bool cnpj =
            payer.size() == 14 &&
            std::all_of(payer.begin(), payer.end(),
                        [](char c) { return std::isalnum(static_cast<unsigned char>(c)); }) &&
            digits_of(payer.substr(12)) == payer.substr(12);
        const bool cpf = payer.size() == 11 && digits_of(payer) == payer;
        if (!cnpj && !cpf) {
            *reason = "CNPJ/CPF da fonte pagadora inválido: " + trim(row.str("CNPJFONTE"));
            return false;
        }
        row.set("CNPJFONTE", trim_right(CONTAPONTO(payer)));
    }
    for (const char* f : {"NOMECONTR", "NOMEFONTE", "COMPLENTA", "OUTROS", "OUTROSEXC"}) {
        std::string t = row.str(f);
        if (std::string_view(f) == "OUTROS" || std::string_view(f) == "OUTROSEXC") t = trim(t);
        // An empty text stays empty (CONVCAR would make it one blank, which a table trims).
        t = trim(t).empty() ? std::string() : CONVCAR(t);
        put_text(row, f, t, line, notes);
    }
    return true;
}

PayrollFile read_payroll(std::string_view bytes) {
    PayrollFile out;
    std::string text = decode_file(bytes);
    // A file written by a DOS program may end with the end-of-file character.
    while (!text.empty() && text.back() == '\x1A') text.pop_back();
    const std::vector<std::string> lines = split_lines(text);
    const store::Layout& layout = payroll_layout_def();
    for (size_t k = 0; k < lines.size(); ++k) {
        const size_t n = k + 1;
        if (trim(lines[k]).empty()) continue;
        std::string reason;
        const auto fields = delimited_fields(lines[k], &reason);
        if (!fields) {
            out.notes.refuse(n, reason);
            continue;
        }
        if (fields->size() != kPayrollColumns) {
            out.notes.refuse(n, std::to_string(fields->size()) + " campos em vez de " +
                                    std::to_string(kPayrollColumns) +
                                    " (valor com vírgula fora de aspas?)");
            continue;
        }
        store::Record row(store::table_def(kPayrollTable)->layout);
        bool good = true;
        for (size_t c = 0; c < kPayrollColumns && good; ++c) {
            const char* field = kColumns[c].field;
            const std::string& v = (*fields)[c];
            if (is_text(field)) {
                // Cut to the field's width later, with a note; kept whole until then.
                row.set_value(layout.index(field), store::Value(v));
                continue;
            }
            const auto amount = payroll_amount(v);
            if (!amount) {
                out.notes.refuse(n, std::string(kColumns[c].caption) + " inválido: " + trim(v));
                good = false;
            } else if (!put_number(row, field, *amount)) {
                out.notes.refuse(
                    n, std::string(kColumns[c].caption) + " não cabe no campo: " + trim(v));
                good = false;
            }
        }
        if (!good) continue;
        if (!normalise_payroll_row(row, n, out.notes, &reason)) {
            out.notes.refuse(n, reason);
            continue;
        }
        out.rows.push_back(std::move(row));
    }
    return out;
}

Status open_payroll(store::WorkAreas& w) {
    if (store::ABERTURA(w, kPayrollTable, true)) return Status::ok();
    if (w.last_open_failure.code() == Status::Code::kLocked)
        return Status::locked("FOLHAPG em uso em outro terminal");
    return w.last_open_failure ? Status::io_error("FOLHAPG não aberto") : w.last_open_failure;
}

Status payroll_rows(store::WorkAreas& w, std::vector<store::Record>* rows,
                    std::vector<uint32_t>* recnos) {
    rows->clear();
    if (recnos) recnos->clear();
    store::Table& t = *w.table(kPayrollTable);
    uint32_t n = 0;
    Status s = t.record_count(&n);
    for (uint32_t k = 1; s && k <= n; ++k) {
        s = t.go_to(k);
        if (!s || t.deleted()) continue;
        store::Record r(t.layout_ptr());
        s = t.read(r);
        if (!s) break;
        rows->push_back(std::move(r));
        if (recnos) recnos->push_back(k);
    }
    return s;
}

std::string imported_text(size_t count) {
    const std::string plural = count == 1 ? "" : "s";
    return "Importado" + plural + " " + pad_left(std::to_string(count), 4) + " contribuinte" +
           plural;
}

PayrollImport import_payroll(store::WorkAreas& w, const std::string& folder, bool check,
                             const std::function<bool(size_t)>& replace) {
    PayrollImport out;
    store::Env& env = w.env();
    const std::string path = store::find_file(env, folder, kPayrollFile);
    if (!env.exists(path) || env.is_directory(path)) {
        out.outcome = PayrollImport::Outcome::kNoFile;
        out.text = "Arquivo para a importação FOLHA.TXT não localizado!";
        return out;
    }
    std::string bytes;
    if (Status s = read_bytes(env, path, &bytes); !s) {
        out.text = path + ": Erro de leitura: " + s.message();
        return out;
    }
    PayrollFile file = read_payroll(bytes);
    out.cuts = file.notes.cuts;
    if (!file.notes.bad.empty()) {
        const BadLine& b = file.notes.bad.front();
        out.text = path + " linha " + std::to_string(b.line) + ": " + b.reason;
        if (file.notes.bad.size() > 1)
            out.text += " (e mais " + std::to_string(file.notes.bad.size() - 1) + " linhas)";
        return out;
    }
    out.count = file.rows.size();
    // Checking never creates the staging table.
    const std::string table = store::find_file(
        env, w.ARQDEF, store::table_def(kPayrollTable)->file_base(w.NUSU) + ".DBF");
    if (check && !env.exists(table)) {
        out.outcome = PayrollImport::Outcome::kChecked;
        out.text = "pode ser importado";
        return out;
    }
    if (Status s = open_payroll(w); !s) {
        out.outcome = s.code() == Status::Code::kLocked ? PayrollImport::Outcome::kInUse
                                                        : PayrollImport::Outcome::kRefused;
        out.text = s.message();
        return out;
    }
    std::vector<store::Record> staged;
    Status s = payroll_rows(w, &staged);
    if (s && check) {
        w.close(kPayrollTable);
        out.outcome = PayrollImport::Outcome::kChecked;
        out.text = staged.empty() ? "pode ser importado"
                                  : "pode ser importado; substitui " +
                                        std::to_string(staged.size()) + " registros pendentes";
        return out;
    }
    if (s && !staged.empty() && !(replace && replace(staged.size()))) {
        w.close(kPayrollTable);
        out.outcome = PayrollImport::Outcome::kKept;
        out.text = std::to_string(staged.size()) + " registros pendentes mantidos";
        return out;
    }
    store::Table& t = *w.table(kPayrollTable);
    if (s) s = t.zap();
    for (size_t k = 0; s && k < file.rows.size(); ++k) s = t.append(&file.rows[k]);
    if (s) s = t.flush();
    w.close(kPayrollTable);
    if (!s) {
        out.text = "FOLHAPG: " + s.message();
        return out;
    }
    out.outcome = PayrollImport::Outcome::kImported;
    out.text = imported_text(out.count);
    return out;
}

Status store_payroll_row(store::WorkAreas& w, const store::Record& row, uint32_t recno) {
    store::Table& t = *w.table(kPayrollTable);
    Status s;
    if (recno == 0) {
        s = t.append(&row);
    } else {
        s = t.go_to(recno);
        if (s) s = t.put(row);
    }
    return s ? t.flush() : s;
}

namespace {

bool same_payer(const store::Record& r, const std::string& payer) {
    return document_key(r.str("I1_3")) == payer;
}

// Another income of the statement written to its own row: description and amount field.
struct Other {
    std::string description;
    const char* field;
    Decimal amount;
};

}  // namespace

void GRAVA_VALOR(const store::Record& st, const std::string& cpf,
                 std::vector<store::Record>& incomes, std::vector<store::Record>& payments,
                 std::vector<std::string>& notes) {
    const std::string name = trim(st.str("NOMEFONTE"));
    // Masked here too: the group edit writes the staging table as typed.
    const std::string payer = document_key(st.str("CNPJFONTE"));
    const std::string masked = trim_right(CONTAPONTO(payer));
    auto fresh = [&](const char* kind) {
        store::Record r(store::table_def(2)->layout);
        r.set("CPF", cpf);
        r.set("I1_1", kind);
        r.set("I1_2", name);
        r.set("I1_3", masked);
        incomes.push_back(std::move(r));
        return incomes.size() - 1;
    };
    // The payer's company-income row: the first "J" row with its number.
    size_t main = incomes.size();
    for (size_t k = 0; k < incomes.size(); ++k)
        if (incomes[k].str("I1_1") == "J" && same_payer(incomes[k], payer)) {
            main = k;
            break;
        }
    if (main == incomes.size()) main = fresh("J");
    {
        store::Record& r = incomes[main];
        r.set("I1_2", name);
        r.set("I1_3", masked);
        for (const auto& [to, from] : {std::pair{"I1_4", "RENDIMENT"},
                                       {"I1_5", "IRRETIDO"},
                                       {"I1_6", "PREVOFICA"},
                                       {"I1_7", "DECIMO3RO"},
                                       {"I1_15", "LUCRODIV"},
                                       {"I1_16", "SOCIO"},
                                       {"I1_17", "ISENTOAPO"},
                                       {"I1_18", "PENSAOREC"},
                                       {"I1_30", "IDENIZA"},
                                       {"I1_39", "IRRF13"}})
            r.set(to, st.num(from));
        // The statement's other income is written anew below.
        r.set("I1_9", Decimal());
        r.set("I1_34", Decimal());
        r.set("I1_35", "");
    }
    std::vector<Other> others;
    if (st.num("DIARIAS") > Decimal())
        others.push_back({"DIARIAS E AJUDA DE CUSTO", "I1_9", st.num("DIARIAS")});
    if (st.num("VALOUTRO") > Decimal())
        others.push_back({trim(st.str("OUTROS")), "I1_9", st.num("VALOUTRO")});
    if (st.num("VALOUTRE") > Decimal())
        others.push_back({trim(st.str("OUTROSEXC")), "I1_34", st.num("VALOUTRE")});
    size_t last = main;
    std::vector<size_t> written{main};
    for (size_t k = 0; k < others.size(); ++k) {
        const Other& o = others[k];
        size_t at = main;
        if (k > 0) {
            // A further row of the payer with this description (written by an earlier transfer
            // of the statement) not written yet by this one, else a new one.
            at = incomes.size();
            for (size_t j = 0; j < incomes.size(); ++j)
                if (std::find(written.begin(), written.end(), j) == written.end() &&
                    incomes[j].str("I1_1") == "J" && same_payer(incomes[j], payer) &&
                    trim(incomes[j].str("I1_35")) == o.description) {
                    at = j;
                    break;
                }
            if (at == incomes.size()) at = fresh("J");
            incomes[at].set("I1_9", Decimal());
            incomes[at].set("I1_34", Decimal());
            incomes[at].set("I1_18", Decimal());
        }
        incomes[at].set("I1_35", o.description);
        incomes[at].set(o.field, o.amount);
        written.push_back(at);
        last = at;
    }
    // Accumulated income: the serious-illness part joins the pension of the last row written.
    const Decimal rra = st.num("VALRENRRA"), illness = st.num("VALMOLRRA");
    if (rra > Decimal() || illness > Decimal()) {
        incomes[last].set("I1_18", incomes[last].num("I1_18") + illness);
        size_t a = incomes.size();
        for (size_t k = 0; k < incomes.size(); ++k)
            if (incomes[k].str("I1_1") == "A" && same_payer(incomes[k], payer)) {
                a = k;
                break;
            }
        if (a == incomes.size()) a = fresh("A");
        store::Record& r = incomes[a];
        r.set("I1_11", "S");
        r.set("I1_36", "12");
        r.set("TIPOCR", "N");
        r.set("I1_21", st.num("QTDMES"));
        Decimal net = rra - st.num("VALACAO");
        if (net < Decimal()) {
            notes.push_back("custas da ação do RRA maiores que o rendimento: rendimento 0");
            net = Decimal();
        }
        r.set("I1_4", net);
        r.set("I1_5", st.num("VALIRFRRA"));
        r.set("I1_6", st.num("VALPRERRA"));
        r.set("I1_12", st.num("VALPENRRA"));
    }
    // Alimony (30) and private pension (38): the first payment of the code, or a new one.
    for (const auto& [code, field] : {std::pair{30, "PENSAOPAG"}, {38, "PREVPRIVA"}}) {
        const Decimal v = st.num(field);
        if (v <= Decimal()) continue;
        auto it = std::find_if(payments.begin(), payments.end(), [code = code](const auto& p) {
            return p.num("I6_3") == Decimal(code);
        });
        if (it == payments.end()) {
            store::Record p(store::table_def(6)->layout);
            p.set("CPF", cpf);
            p.set("I6_3", Decimal(code));
            p.set("I6_1", trim(st.str("COMPLENTA")));
            payments.push_back(std::move(p));
            it = payments.end() - 1;
        }
        it->set("I6_4", v);
    }
}

std::vector<std::string> TransferResult::lines() const {
    auto n = [](size_t v) { return std::to_string(v); };
    return {"De ..........." + n(rows) + " registros", "Saltou........" + n(skipped),
            "CPF Invalido.." + n(invalid), "Lancou........" + n(written),
            "Novos........." + n(created)};
}

namespace {

std::string bare_folder(std::string f) {
    while (f.size() > 1 && (f.back() == '/' || f.back() == '\\')) f.pop_back();
    return f;
}

}  // namespace

Status transfer_payroll(store::WorkAreas& w, const ImportRequest& rq,
                        const std::vector<std::string>& others, const TransferAnswers& answers,
                        Operator& op, TransferResult* out) {
    *out = TransferResult{};
    std::vector<store::Record> rows;
    std::vector<uint32_t> recnos;
    Status s = payroll_rows(w, &rows, &recnos);
    if (!s) return s;
    out->rows = rows.size();
    std::set<std::string> registry;
    s = registered_cpfs(w.env(), rq.folder, &registry);
    if (!s) return s;
    // The taxpayers in CPF order, each with its rows in file order.
    std::map<std::string, std::vector<size_t>> by_cpf;
    std::vector<uint32_t> handled;
    for (size_t k = 0; k < rows.size(); ++k) {
        const std::string cpf = trim(rows[k].str("CPF"));
        if (!valid_cpf(cpf)) {
            ++out->invalid;
            out->report.push_back("CPF inválido: \"" + cpf + "\" " +
                                  trim(rows[k].str("NOMECONTR")));
            handled.push_back(recnos[k]);
            continue;
        }
        by_cpf[cpf].push_back(k);
    }
    std::optional<Unknown> remembered;
    for (const auto& entry : by_cpf) {
        const std::string& cpf = entry.first;
        const std::vector<size_t>& list = entry.second;
        if (answers.stop && answers.stop()) {
            out->abandoned = true;
            break;
        }
        const store::Record& first = rows[list.front()];
        const std::string name = trim(first.str("NOMECONTR"));
        auto handle = [&] {
            for (size_t k : list) handled.push_back(recnos[k]);
        };
        const bool registered = registry.count(cpf) > 0;
        std::optional<std::string> new_name;
        if (registered && answers.skip_registered) {
            out->skipped += list.size();
            handle();
            continue;
        }
        if (!registered) {
            std::string elsewhere;
            for (const std::string& other : others) {
                if (bare_folder(other) == bare_folder(rq.folder)) continue;
                std::set<std::string> there;
                if (registered_cpfs(w.env(), other, &there) && there.count(cpf)) {
                    elsewhere = other;
                    break;
                }
            }
            if (!elsewhere.empty()) {
                out->report.push_back(trim_right(CONTAPONTO(cpf)) + " " + name +
                                      ": está na pasta " + elsewhere +
                                      "; fica para a transferência nela");
                continue;
            }
            Unknown a = Unknown::kSkipAll;  // no answer counts as "Pula todos"
            if (remembered) {
                a = *remembered;
            } else if (answers.unknown) {
                a = answers.unknown(cpf, name);
            }
            if (a == Unknown::kIncludeAll || a == Unknown::kSkipAll) remembered = a;
            if (a == Unknown::kAbandon) {
                out->abandoned = true;
                break;
            }
            if (a == Unknown::kSkip || a == Unknown::kSkipAll) {
                out->skipped += list.size();
                handle();
                continue;
            }
            new_name = name.empty() ? std::string(" ") : name;
        }
        if (answers.status) answers.status("Transferindo o cpf " + cpf + " " + left(name, 20));
        const ImportResult r = change_declaration(
            w.env(), rq, cpf, new_name,
            [&](store::Declaration& d, bool* changed, std::vector<std::string>* told,
                std::string* done) {
                std::vector<store::Record> incomes, payments, before_i, before_p;
                Status st = d.working_records(2, &incomes);
                if (st) st = d.working_records(6, &payments);
                if (!st) return st;
                before_i = incomes;
                before_p = payments;
                for (size_t k : list) GRAVA_VALOR(rows[k], cpf, incomes, payments, *told);
                if (!registered) d.values().set("ESTATUS", Decimal(1));
                const bool inc = !same_rows(incomes, before_i),
                           pay = !same_rows(payments, before_p);
                *changed = *changed || inc || pay;
                *done = std::to_string(list.size()) + " informe(s)";
                if (inc) st = d.replace_working(2, incomes);
                if (st && pay) st = d.replace_working(6, payments);
                return st;
            },
            op);
        using Outcome = ImportResult::Outcome;
        const std::string who = trim_right(CONTAPONTO(cpf)) + " " + name + ": ";
        for (const auto& n : r.notes) out->report.push_back(who + n);
        switch (r.outcome) {
            case Outcome::kImported:
            case Outcome::kExisting:
            case Outcome::kChecked:
                out->written += list.size();
                if (!registered) ++out->created;
                handle();
                break;
            case Outcome::kInUse:
                out->report.push_back(who + "declaração aberta no terminal " + r.text +
                                      "; fica para depois");
                break;
            case Outcome::kRefused:
                out->report.push_back(who + "não transferido: " + r.text);
                break;
        }
    }
    if (rq.check) return Status::ok();
    // The handled rows leave the staging table.
    store::Table& t = *w.table(kPayrollTable);
    for (uint32_t recno : handled) {
        s = t.go_to(recno);
        if (s) s = t.delete_record();
        if (!s) return s;
    }
    if (!handled.empty()) s = t.pack();
    return s ? t.flush() : s;
}

}  // namespace vorn::importing
