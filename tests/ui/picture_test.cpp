// Pictures: how numbers, texts and dates are shown, and reading a shown value back.
#include "base/picture.h"

#include <gtest/gtest.h>

namespace vorn {
namespace {

Decimal D(const char* s) {
    return Decimal::from(s);
}

TEST(Picture, ParsesFunctionsInEitherCaseAndTheTemplate) {
    Picture p("@Ez 999,999,999.99");
    EXPECT_TRUE(p.E);
    EXPECT_TRUE(p.Z);
    EXPECT_FALSE(p.R);
    EXPECT_EQ(p.tmpl, U"999,999,999.99");
    Picture s("@S40");
    EXPECT_EQ(s.scroll, 40);
    EXPECT_FALSE(s.has_template());
    EXPECT_TRUE(Picture("@d").D);
    EXPECT_TRUE(Picture("@!").upper);
    EXPECT_TRUE(Picture("@!S30").upper);
    EXPECT_EQ(Picture("@!S30").scroll, 30);
    EXPECT_EQ(Picture("99.99").tmpl, U"99.99");
    EXPECT_THROW(Picture("@Q 99"), std::invalid_argument);
}

TEST(Picture, NumbersUnderTemplates) {
    struct Case {
        const char* value;
        const char* picture;
        const char* shown;
    } cases[] = {
        {"1234.56", "@Ez 999,999,999.99", "      1.234,56"},
        {"1234.56", "999,999,999.99", "      1,234.56"},
        {"0", "@Ez 999,999,999.99", "              "},
        {"0", "@E 999,999,999.99", "          0,00"},
        {"-1234.56", "@E 999,999,999.99", "     -1.234,56"},
        {"123456789.01", "@E 999,999,999.99", "123.456.789,01"},
        {"1234567890", "@E 999,999,999.99", "**************"},
        {"-123456789", "@E 999,999,999.99", "**************"},
        {"0.005", "@E 99.99", " 0,01"},   // rounded half away from zero
        {"-0.004", "@E 99.99", " 0,00"},  // no sign on a zero
        {"12.345", "@E 99.99%", "12,35%"},
        {"5", "999", "  5"},
        {"0.5", "999.99", "  0.50"},
        {"0", "@Z 99", "  "},
        {"1234", "@E 9999,999.99", "   1.234,00"},
        {"45", "@R 99", "45"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(transform(D(c.value), Picture(c.picture)), c.shown)
            << c.value << " " << c.picture;
    // Without a template a number takes the width and decimals given.
    EXPECT_EQ(transform(D("12.5"), Picture(""), 10, 2), "     12.50");
    EXPECT_EQ(transform(D("12.5"), Picture("@E"), 10, 2), "     12,50");
}

TEST(Picture, TextsUnderTemplates) {
    EXPECT_EQ(transform("12345678901", Picture("@r 999.999.999-99")), "123.456.789-01");
    EXPECT_EQ(transform("", Picture("@r 999.999.999-99")), "   .   .   -  ");
    EXPECT_EQ(transform("01310100", Picture("@R 99999-999")), "01310-100");
    EXPECT_EQ(transform("ab1c", Picture("@r !!!!")), "AB1C");
    EXPECT_EQ(transform("ação e ç", Picture("@!")), "AÇÃO E Ç");
    // Without @R the literals take the place of the value's characters.
    EXPECT_EQ(transform("12345", Picture("99/99")), "12/45");
    EXPECT_EQ(transform("texto", Picture("@S40")), "texto");
    EXPECT_EQ(transform(Date(2026, 5, 29), Picture("@d")), "29/05/2026");
    EXPECT_EQ(transform(Date(), Picture("@d")), "  /  /    ");
}

TEST(Picture, ReadsBackWhatItShowed) {
    EXPECT_EQ(number_from_picture("      1.234,56", Picture("@E 999,999,999.99")), D("1234.56"));
    EXPECT_EQ(number_from_picture("      1,234.56", Picture("999,999,999.99")), D("1234.56"));
    EXPECT_EQ(number_from_picture("     -1.234,56", Picture("@E 999,999,999.99")), D("-1234.56"));
    EXPECT_EQ(number_from_picture("              ", Picture("@E 999,999,999.99")), D("0"));
    EXPECT_EQ(number_from_picture("12,35%", Picture("@E 99.99%")), D("12.35"));
    EXPECT_FALSE(number_from_picture("12a", Picture("999")).has_value());
    EXPECT_EQ(text_from_picture("123.456.789-01", Picture("@R 999.999.999-99")), "12345678901");
    EXPECT_EQ(text_from_picture("12/45", Picture("99/99")), "12/45");
    // Every shown amount reads back as itself.
    for (const char* v : {"0.01", "999999999.99", "-5", "1000", "100000.1"}) {
        Picture p("@E 999,999,999.99");
        EXPECT_EQ(number_from_picture(transform(D(v), p), p), D(v)) << v;
    }
}

}  // namespace
}  // namespace vorn
