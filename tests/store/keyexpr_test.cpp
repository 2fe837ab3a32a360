#include "store/keyexpr.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace vorn::store {
namespace {

std::string hex(std::string_view s) {
    static const char* d = "0123456789abcdef";
    std::string r;
    for (unsigned char c : s) r += {d[c >> 4], d[c & 15]};
    return r;
}

std::shared_ptr<const Layout> layout() {
    return std::make_shared<Layout>(std::vector<FieldDef>{
        {"CPF", FieldType::kChar, 11, 0},
        {"I7_0", FieldType::kNumeric, 4, 0},
        {"ATV_BRASIL", FieldType::kChar, 1, 0},
        {"DT_LC", FieldType::kDate, 8, 0},
        {"NOMECONTR", FieldType::kChar, 53, 0},
        {"VALOR", FieldType::kNumeric, 14, 2},
        {"ATIVO", FieldType::kLogical, 1, 0},
        {"HORAG", FieldType::kChar, 5, 0},
        {"LONGO", FieldType::kChar, 200, 0},
    });
}

KeyExpr parse(std::string_view text) {
    KeyExpr e;
    Status s = KeyExpr::parse(text, *layout(), &e);
    EXPECT_TRUE(s.is_ok()) << s.message();
    return e;
}

TEST(KeyExpr, CatalogueExpressionsGiveTheirWidthsAndKeys) {
    Record r(layout());
    r.set("CPF", "12345678901");
    r.set("I7_0", Decimal(7));
    r.set("ATV_BRASIL", "S");
    r.set("DT_LC", Date(2025, 3, 9));
    r.set("NOMECONTR", "joão da conceição");
    r.set("HORAG", "09:30");

    KeyExpr e = parse("CPF+str(I7_0,4)");
    EXPECT_EQ(e.type(), KeyType::kChar);
    EXPECT_EQ(e.key_length(), 15);
    EXPECT_EQ(e.key(r), "12345678901   7");

    e = parse("CPF+ATV_BRASIL+DTOS(DT_LC)");
    EXPECT_EQ(e.key_length(), 20);
    EXPECT_EQ(e.key(r), "12345678901S20250309");

    // Upper case reaches the accented letters; keys are Windows-1252 bytes padded to the width.
    e = parse("UPPER(NOMECONTR)");
    EXPECT_EQ(e.key_length(), 53);
    std::string k = e.key(r);
    EXPECT_EQ(k.size(), 53u);
    EXPECT_EQ(k.substr(0, 17), "JO\xC3O DA CONCEI\xC7\xC3O");
    EXPECT_EQ(k.find_first_not_of(' ', 17), std::string::npos);

    e = parse("  horag + DtoC( dt_lc ) ");  // any case, blanks between tokens
    EXPECT_EQ(e.key(r), "09:3009/03/2025");
    r.set("DT_LC", Date());
    EXPECT_EQ(e.key(r), "09:30  /  /    ");

    e = parse("LONGO+LONGO");  // wider than an index holds: cut to its first 240 characters
    EXPECT_EQ(e.key_length(), 240);
    r.set("LONGO", "x");
    EXPECT_EQ(e.key(r), "x" + std::string(199, ' ') + "x" + std::string(39, ' '));

    e = parse("CPF");
    r.set("CPF", "123");
    EXPECT_EQ(e.key(r), "123        ");
    EXPECT_EQ(std::get<std::string>(e.value(r)), "123        ");
}

TEST(KeyExpr, NumbersAsText) {
    Record r(layout());
    KeyExpr str2 = parse("STR(VALOR,8,2)");
    KeyExpr plain = parse("STR(VALOR)");  // the field's own width and decimals
    KeyExpr zero = parse("STRZERO(VALOR,6)");
    struct Case {
        const char* value;
        const char* str2;
        const char* plain;
        const char* zero;
    } cases[] = {
        {"12.345", "   12.35", "         12.35", "000012"},  // rounded half away from zero
        {"-3.5", "   -3.50", "         -3.50", "-00004"},
        {"-0.001", "    0.00", "          0.00", "000000"},  // no negative zero
        {"123456.78", "********", "     123456.78", "123457"},
        {"9999999", "********", "    9999999.00", "******"},
    };
    for (const Case& c : cases) {
        r.set("VALOR", Decimal::from(c.value));
        EXPECT_EQ(str2.key(r), c.str2) << c.value;
        EXPECT_EQ(plain.key(r), c.plain) << c.value;
        EXPECT_EQ(zero.key(r), c.zero) << c.value;
    }
    EXPECT_EQ(plain.key_length(), 14);
    EXPECT_EQ(parse("STR(I7_0+VALOR)").key_length(), 10);
}

TEST(KeyExpr, NumericDateAndLogicalKeysSortBytewise) {
    // The encodings the reference files show.
    EXPECT_EQ(hex(numeric_key(1.5)), "bff8000000000000");
    EXPECT_EQ(hex(numeric_key(-3.0)), "3ff7ffffffffffff");
    EXPECT_EQ(hex(numeric_key(0.0)), "8000000000000000");
    EXPECT_EQ(hex(numeric_key(-0.0)), "8000000000000000");
    EXPECT_EQ(hex(numeric_key(Decimal::from("-0.01"))), "407b851eb851eb84");
    EXPECT_EQ(hex(date_key(Date(2000, 1, 1))), hex(numeric_key(2451545.0)));
    EXPECT_EQ(hex(date_key(Date(1752, 9, 14))), "c14203c300000000");
    EXPECT_EQ(hex(date_key(Date())), "8000000000000000");
    EXPECT_DOUBLE_EQ(decode_numeric_key(numeric_key(-1234.5)), -1234.5);

    std::vector<Decimal> values;
    for (const char* v : {"-1000000", "-2.5", "-1", "-0.01", "0", "0.01", "3", "12.5", "1000000"})
        values.push_back(Decimal::from(v));
    for (size_t i = 1; i < values.size(); ++i)
        EXPECT_LT(numeric_key(values[i - 1]), numeric_key(values[i])) << values[i].to_plain();

    Record r(layout());
    KeyExpr v = parse("VALOR");
    r.set("VALOR", Decimal::from("-7.25"));
    EXPECT_EQ(v.type(), KeyType::kNumeric);
    EXPECT_EQ(v.key(r), numeric_key(-7.25));
    KeyExpr sum = parse("VALOR + I7_0 + 1");
    r.set("I7_0", Decimal(2));
    EXPECT_EQ(sum.key(r), numeric_key(-4.25));
    KeyExpr d = parse("dt_lc");
    EXPECT_EQ(d.key_length(), 8);
    EXPECT_EQ(d.key(r), date_key(Date()));
    KeyExpr l = parse("ATIVO");
    EXPECT_EQ(l.key_length(), 1);
    EXPECT_EQ(l.key(r), "F");  // unset counts as false
    EXPECT_FALSE(l.is_true(r));
    r.set("ATIVO", true);
    EXPECT_EQ(l.key(r), "T");
    EXPECT_TRUE(l.is_true(r));
}

TEST(KeyExpr, MalformedExpressionsAreRefusedWithTheReason) {
    struct Case {
        const char* text;
        const char* reason;
    } cases[] = {
        {"NOPE", "não há campo NOPE"},
        {"LOWER(CPF)", "função desconhecida LOWER()"},
        {"STR(CPF,4)", "STR() pede um número"},
        {"UPPER(VALOR)", "UPPER() pede texto"},
        {"DTOS(CPF)", "DTOS() pede uma data"},
        {"CPF+VALOR", "tipos diferentes"},
        {"STRZERO(VALOR)", "pede um tamanho"},
        {"STR(VALOR,W)", "não há campo W"},
        {"STR(VALOR,0)", "fora do intervalo"},
        {"CPF)", "texto inesperado"},
        {"UPPER(CPF", "esperado ')'"},
        {"CPF+", "termina cedo demais"},
        {"'abc", "sem aspas"},
        {"", "termina cedo demais"},
    };
    for (const Case& c : cases) {
        KeyExpr e;
        Status s = KeyExpr::parse(c.text, *layout(), &e);
        EXPECT_EQ(s.code(), Status::Code::kInvalid) << c.text;
        EXPECT_NE(s.message().find(c.reason), std::string::npos) << c.text << ": " << s.message();
        EXPECT_TRUE(e.empty());
    }
}

}  // namespace
}  // namespace vorn::store
