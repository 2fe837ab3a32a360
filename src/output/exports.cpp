#include "output/exports.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>

#include "base/text.h"
#include "output/document_format.h"
#include "store/catalogue.h"
#include "store/dbf.h"
#include "store/declaration.h"

namespace vorn::output {

namespace {

constexpr int kAssets = 4;
constexpr int kAssetText = 78;

std::string trim_right(std::string_view t) {
    size_t n = t.size();
    while (n > 0 && t[n - 1] == ' ') --n;
    return std::string(t.substr(0, n));
}

// Text kept on one line of a file whose lines and columns are delimited: line ends and tabs
// become blanks.
std::string one_line(std::string_view t) {
    std::string out(t);
    for (char& c : out)
        if (c == '\r' || c == '\n' || c == '\t') c = ' ';
    return out;
}

// Text for the XML list: the accent table, then anything but printable ASCII as a blank; "..."
// for an empty value.
std::string ascii(std::string_view t) {
    std::string out = MATCAR(trim(t));
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7e) c = ' ';
    out = trim(out);
    return out.empty() ? "..." : out;
}

std::string digits_only(std::string_view t) {
    std::string out;
    for (char c : t)
        if (c >= '0' && c <= '9') out += c;
    return out;
}

std::string item_number(const store::Record& a) {
    std::string n = std::to_string(a.num("I7_0").whole());
    while (n.size() < 3) n.insert(n.begin(), '0');
    return n;
}

Status write_beside(store::Env& env, const std::string& path, std::string_view bytes) {
    std::unique_ptr<store::File> f;
    std::string temp;
    Status s = env.create_temp(path, &f, &temp);
    if (!s) return s;
    s = f->write(0, bytes);
    if (s) s = f->sync();
    f.reset();
    if (s) s = env.rename(temp, path);
    if (!s) (void)env.remove(temp);
    return s;
}

// The staging fields in the columns of the text file, before the seven of other assets.
constexpr const char* kTextFields[] = {
    "CPF",      "I7_1",     "I7_2",    "I7_3",     "I7_4",     "GRPO",    "CODB",    "ENDEIMO",
    "NUMIMO",   "COMPIMO",  "BAIRIMO", "CEPIMO",   "MUNICIMO", "UFIMO",   "I7_8",    "REG_IPTU",
    "REG_NIRF", "DATA_IMO", "AREAIMO", "UNIDADE",  "REGISTRO", "MATRICU", "LIVRORG", "CARTORIO",
    "REG_AVI",  "RENAVAM",  "REG_BAR", "AGENCBAN", "CONTABAN", "DVBAN",   "CPF_CNPJ"};
constexpr const char* kTextTitles[] = {"CPF",
                                       "Ite",
                                       "Descricao",
                                       "Ano ANTERIOR",
                                       "Ano BASE",
                                       "Grupo",
                                       "Cod",
                                       "Endereco",
                                       "Numero",
                                       "Complemento",
                                       "Bairro",
                                       "Cep",
                                       "Municipio",
                                       "UF",
                                       "Cex",
                                       "IPTU",
                                       "NIRF",
                                       "Data aquis",
                                       "Area imov.",
                                       "M",
                                       "R",
                                       "Matricula",
                                       "Registro",
                                       "Cartorio",
                                       "Reg. Aviao ou Nome Banco",
                                       "Renavam",
                                       "Registro Barcos",
                                       "Agen",
                                       "Conta",
                                       "DG",
                                       "CNPJ ou CPF"};
constexpr size_t kRealEstateColumns = 24;

}  // namespace

std::string delimited_line(const store::Record& r) {
    const store::Layout& layout = r.layout();
    std::string out;
    for (size_t i = 0; i < layout.size(); ++i) {
        const store::FieldDef& f = layout[i];
        if (f.type == store::FieldType::kMemo) continue;
        if (!out.empty()) out += ',';
        const store::Value& v = r.at(i);
        switch (f.type) {
            case store::FieldType::kChar: {
                out += '"';
                for (char c : to_cp1252(one_line(trim_right(std::get<std::string>(v))))) {
                    if (c == '"') out += '"';
                    out += c;
                }
                out += '"';
                break;
            }
            case store::FieldType::kNumeric:
                out += std::get<Decimal>(v).to_string(f.decimals);
                break;
            case store::FieldType::kDate: {
                const Date d = std::get<Date>(v);
                if (!d.blank()) out += d.dtos();
                break;
            }
            case store::FieldType::kLogical:
                out += std::get<store::Logical>(v) == store::Logical::kTrue ? 'T' : 'F';
                break;
            default:
                break;
        }
    }
    return out;
}

int export_table_number(int kind) {
    static constexpr int kTables[] = {0, kAssets, 5, 6, 9, 17, 18, 16};
    return kind >= 1 && kind <= 7 ? kTables[kind] : 0;
}

std::string export_file_name(int kind) {
    static const char* const kNames[] = {
        "",           "Bens.txt",     "Divida.txt", "Pagos.txt", "Cadastro.txt",
        "Bensru.txt", "Dividaru.txt", "Imoveis.txt"};
    return kind >= 1 && kind <= 7 ? kNames[kind] : "";
}

store::Record asset_text(const store::Record& a) {
    store::Record r(store::table_def(kAssetText)->layout);
    for (const char* f :
         {"CPF",     "I7_2",     "GRPO",     "CODB",    "ENDEIMO",  "NUMIMO",   "COMPIMO",
          "BAIRIMO", "CEPIMO",   "MUNICIMO", "UFIMO",   "I7_8",     "REG_IPTU", "REG_NIRF",
          "UNIDADE", "REGISTRO", "MATRICU",  "LIVRORG", "CARTORIO", "REG_AVI",  "RENAVAM",
          "REG_BAR", "AGENCBAN", "CONTABAN", "DVBAN",   "CPF_CNPJ"})
        r.set(f, a.str(f));
    r.set("I7_1", item_number(a));
    r.set("I7_3", fmt::amount(a.num("I7_3")));
    r.set("I7_4", fmt::amount(a.num("I7_4")));
    r.set("I7_5", std::to_string(a.num("I7_5").whole()));
    r.set("DATA_IMO", a.date("DATA_IMO").blank() ? "" : fmt::date(a.date("DATA_IMO")));
    r.set("AREAIMO", fmt::one_decimal(a.num("AREAIMO")));
    return r;
}

std::string assets_text_file(const std::vector<store::Record>& assets, bool real_estate_only) {
    const size_t columns = real_estate_only ? kRealEstateColumns : std::size(kTextFields);
    auto line = [&](auto&& cell) {
        std::string out;
        for (size_t c = 0; c < columns; ++c) {
            if (c) out += '\t';
            out += to_cp1252(one_line(cell(c)));
        }
        return out + "\r\n";
    };
    std::string out = line([](size_t c) { return std::string(kTextTitles[c]); });
    for (const auto& a : assets) {
        const long old_code = a.num("I7_5").whole();
        if (real_estate_only && (old_code < 1 || old_code > 20)) continue;
        const store::Record t = asset_text(a);
        out += line([&](size_t c) { return trim(t.str(kTextFields[c])); });
    }
    return out;
}

std::string assets_xml_file(const std::vector<store::Record>& assets) {
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<bens>\r\n";
    for (const auto& a : assets) {
        const bool abroad = trim(a.str("I7_7")) == "S";
        const bool aircraft = a.num("I7_5").whole() == 22;
        const std::string code = trim(a.str("CODB"));
        fmt::Element e("item");
        e.set("CPF", ascii(a.str("CPF")))
            .set("nItem", std::to_string(a.num("I7_0").whole()))
            .set("Discriminacao", ascii(a.str("I7_2")))
            .set("ExercicioAnter", fmt::amount(a.num("I7_3")))
            .set("ExercicioAtual", fmt::amount(a.num("I7_4")))
            .set("Grupo", ascii(a.str("GRPO")))
            .set("Codigo", code.empty() ? "99" : ascii(code))
            .set("logradouro", ascii(a.str("ENDEIMO")))
            .set("numero", ascii(a.str("NUMIMO")))
            .set("complemento", ascii(a.str("COMPIMO")))
            .set("bairro", ascii(a.str("BAIRIMO")))
            .set("cep", ascii(a.str("CEPIMO")))
            .set("nomeMunicipio", ascii(a.str("MUNICIMO")))
            .set("uf", ascii(abroad ? "" : a.str("UFIMO")))
            .set("Codpais", abroad ? ascii(a.str("I7_8")) : "105")
            .set("NroIptu", ascii(a.str("REG_IPTU")))
            .set("NIRF", ascii(a.str("REG_NIRF")))
            .set("dataAquisicao",
                 a.date("DATA_IMO").blank() ? "..." : fmt::date(a.date("DATA_IMO")))
            .set("areaTotal", fmt::one_decimal(a.num("AREAIMO")))
            .set("Metros2", ascii(a.str("UNIDADE")))
            .set("Registrado", ascii(a.str("REGISTRO")))
            .set("Matricula", ascii(a.str("MATRICU")))
            .set("Registro", ascii(a.str("LIVRORG")))
            .set("nomeCartorio", ascii(a.str("CARTORIO")))
            .set("Renavam", ascii(abroad ? a.str("REG_AVI") : a.str("RENAVAM")))
            .set("RegBarco", ascii(a.str("REG_BAR")))
            .set("RegAviao", ascii(aircraft ? a.str("REG_AVI") : ""))
            .set("Banco", ascii(aircraft ? "" : a.str("REG_AVI")))
            .set("agencia", ascii(a.str("AGENCBAN")))
            .set("conta", ascii(a.str("CONTABAN")))
            .set("dvConta", ascii(a.str("DVBAN")))
            .set("CnpjCPF", ascii(digits_only(a.str("CPF_CNPJ"))));
        e.write(out, false);
        out += "\r\n";
    }
    return out + "</bens>\r\n";
}

std::string assets_file_name(std::string_view cpf, std::string_view name, bool xml) {
    std::vector<std::string> words;
    std::string word;
    for (char c : MATCAR(name)) {
        const bool keep =
            (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        if (keep) {
            word += c;
        } else if (!word.empty()) {
            words.push_back(word);
            word.clear();
        }
    }
    if (!word.empty()) words.push_back(word);
    std::string out = "Bens" + digits_only(cpf);
    if (!words.empty()) out += words.front();
    if (words.size() > 1) out += " " + words.back();
    return out + (xml ? ".xml" : ".txt");
}

Status export_table(store::Env& env, const std::string& folder, int kind, const std::string& to,
                    std::string* path) {
    const int n = export_table_number(kind);
    if (n == 0) return Status::invalid("exportação desconhecida: " + std::to_string(kind));
    std::unique_ptr<store::Table> t;
    Status s = store::Table::open(env, store::data_table_path(env, folder, n),
                                  store::OpenOptions{false, true}, &t);
    if (!s) return s;
    std::string out;
    s = t->go_top();
    for (; s && !t->eof(); s = t->skip()) {
        store::Record r(t->layout_ptr());
        s = t->read(r);
        if (!s) break;
        out += delimited_line(n == kAssets ? asset_text(r) : r) + "\r\n";
    }
    Status c = t->close();
    if (!s) return s;
    if (!c) return c;
    *path = store::join_path(to, export_file_name(kind));
    return write_beside(env, *path, out);
}

namespace {

// The live records of a data folder's table n whose CPF is wanted, per CPF, in record order.
Status records_by_cpf(store::Env& env, const std::string& folder, int n,
                      const std::set<std::string>& wanted,
                      std::map<std::string, std::vector<store::Record>>* out) {
    std::unique_ptr<store::Table> t;
    Status s = store::Table::open(env, store::data_table_path(env, folder, n),
                                  store::OpenOptions{false, true}, &t);
    if (!s) return s;
    t->set_order(0);
    s = t->go_top();
    for (; s && !t->eof(); s = t->skip()) {
        const std::string cpf = trim(t->str("CPF"));
        if (!wanted.count(cpf)) continue;
        store::Record r(t->layout_ptr());
        s = t->read(r);
        if (s) (*out)[cpf].push_back(std::move(r));
    }
    Status c = t->close();
    return s ? c : s;
}

}  // namespace

Status export_assets(store::Env& env, const std::string& folder,
                     const std::vector<std::string>& cpfs, const std::string& to, bool xml,
                     bool real_estate_only, std::vector<std::string>* files) {
    files->clear();
    const std::set<std::string> wanted(cpfs.begin(), cpfs.end());
    std::map<std::string, std::vector<store::Record>> registry, assets;
    Status s = records_by_cpf(env, folder, 9, wanted, &registry);
    if (s) s = records_by_cpf(env, folder, kAssets, wanted, &assets);
    if (!s) return s;
    for (const std::string& cpf : cpfs) {
        auto reg = registry.find(cpf);
        if (reg == registry.end()) continue;
        std::vector<store::Record>& list = assets[cpf];
        std::stable_sort(list.begin(), list.end(), [](const auto& a, const auto& b) {
            return a.num("I7_0") < b.num("I7_0");
        });
        const std::string path =
            store::join_path(to, assets_file_name(cpf, reg->second.front().str("NOMECONTR"), xml));
        s = write_beside(env, path,
                         xml ? assets_xml_file(list) : assets_text_file(list, real_estate_only));
        if (!s) return s;
        files->push_back(path);
    }
    return Status::ok();
}

}  // namespace vorn::output
