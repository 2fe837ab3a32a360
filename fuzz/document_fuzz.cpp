// Hostile texts (markup characters, quotes, accents, control characters, long values) in the
// text fields of a declaration (names, e-mail, an asset, an exempt income's payer and its
// description): the document must always parse and give back each value as the declaration
// holds it, after its documented form (accents replaced, or trimmed as stored).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "base/operator.h"
#include "base/text.h"
#include "output/document.h"
#include "output/document_format.h"
#include "tax/annual.h"
#include "tax/declaration.h"

using namespace vorn;

namespace {

std::string blank_controls(std::string s) {
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
    return s;
}

void check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Up to four texts separated by 0xFF, read as a table's text reads (any byte is a character).
    std::vector<std::string> texts(4);
    size_t k = 0;
    for (size_t i = 0; i < size && k < 4; ++i) {
        if (data[i] == 0xFF) {
            ++k;
            continue;
        }
        texts[k] += static_cast<char>(data[i]);
    }
    // Tables give only characters of their code page: no surrogates, no U+FFFE or U+FFFF.
    for (auto& t : texts) {
        std::u32string cps = to_u32(t);
        for (char32_t& cp : cps)
            if ((cp >= 0xD800 && cp <= 0xDFFF) || cp == 0xFFFE || cp == 0xFFFF) cp = U'?';
        t = to_utf8(cps);
    }

    tax::Declaration d = tax::Declaration::blank("12345678909");
    d.set("USAPADRAO", "N");
    d.set("NOMECONTR", texts[0]);
    d.set("EMAIL", texts[1]);
    d.set("NOVREG", true);
    store::Record dep = d.new_record(3);
    dep.set("NOMEDEPEN", texts[2].empty() ? "X" : texts[2]);
    dep.set("CODIDEPEN", Decimal(21));
    d.dependants.push_back(dep);
    store::Record asset = d.new_record(4);
    asset.set("I7_2", texts[3].empty() ? "X" : texts[3]);
    asset.set("I7_4", Decimal(10));
    d.assets.push_back(asset);
    // Exempt income of the "other" kind: its payer and description go to an auxiliary table.
    store::Record other = d.new_record(2);
    other.set("I1_1", "J");
    other.set("I1_11", "S");
    other.set("I1_2", texts[1]);
    other.set("I1_9", Decimal(100));
    other.set("I1_35", texts[3]);
    d.items.push_back(other);

    ScriptedOperator op;
    ManualClock clock(DateTime{Date(2026, 4, 20), 3600});
    payments::InterestTable selic;
    tax::Context c{d, op, clock, selic};
    tax::compute_declaration(c);
    output::DocumentContext ctx;
    ctx.xmlns = "urn:fuzz";
    ctx.now = clock.now();
    output::Document doc;
    check(static_cast<bool>(output::build_document(d, {}, {}, ctx, &doc)));

    pugi::xml_document xml;
    check(static_cast<bool>(xml.load_buffer(doc.text.data(), doc.text.size())));
    const auto root = xml.document_element();
    auto same = [](const char* got, const std::string& want) { check(want == got); };
    same(root.child("copiaIdentificador").attribute("nome").as_string(),
         blank_controls(output::fmt::text(d.str("NOMECONTR"))));
    same(root.child("contribuinte").attribute("email").as_string(),
         blank_controls(output::fmt::plain(d.str("EMAIL"))));
    same(root.child("dependentes").child("item").attribute("nome").as_string(),
         blank_controls(output::fmt::text(d.dependants[0].str("NOMEDEPEN"))));
    const auto exempt = root.child("rendIsentos").child("outrosQuadroAuxiliar").child("item");
    same(exempt.attribute("nomeFonte").as_string(),
         blank_controls(output::fmt::text(d.items[0].str("I1_2"))));
    same(exempt.attribute("descricaoRendimento").as_string(),
         blank_controls(output::fmt::text(d.items[0].str("I1_35"))));
    const auto item = root.child("bens").child("item");
    if (!trim(d.assets[0].str("I7_2")).empty())
        same(item.attribute("discriminacao").as_string(),
             blank_controls(output::fmt::text(d.assets[0].str("I7_2"))));
    else
        check(item.empty());
    return 0;
}
