#include "base/expression.h"

#include <gtest/gtest.h>

namespace vorn {
namespace {

Decimal eval(std::string_view text) {
    Decimal d(-999);
    Status st = evaluate_expression(text, &d);
    EXPECT_TRUE(st) << text << ": " << st.message();
    return d;
}

std::string error_of(std::string_view text) {
    Decimal d(7);
    Status st = evaluate_expression(text, &d);
    EXPECT_FALSE(st) << text;
    EXPECT_EQ(d, Decimal(7)) << text << ": a failure leaves the result alone";
    return st.message();
}

TEST(Expression, PrecedenceParenthesesAndSigns) {
    EXPECT_EQ(eval("2+3*4"), Decimal(14));
    EXPECT_EQ(eval("(2+3)*4"), Decimal(20));
    EXPECT_EQ(eval("10-4-3"), Decimal(3));
    EXPECT_EQ(eval("100/10/2"), Decimal(5));
    EXPECT_EQ(eval("2 x 3 × 4 ÷ 6 : 2"), Decimal(2));
    EXPECT_EQ(eval("-3*-2"), Decimal(6));
    EXPECT_EQ(eval("-(4-10)"), Decimal(6));
    EXPECT_EQ(eval("--5 + +1"), Decimal(6));
    EXPECT_EQ(eval(" ( ( 1 ) ) "), Decimal(1));
}

TEST(Expression, DecimalsAreExact) {
    EXPECT_EQ(eval("0.1+0.2"), Decimal::from("0.3"));
    EXPECT_EQ(eval("0,1+0,2"), Decimal::from("0.3"));
    EXPECT_EQ(eval("1.234,56 * 2"), Decimal::from("2469.12"));
    EXPECT_EQ(eval("1.234.567"), Decimal(1234567));
    EXPECT_EQ(eval("12.5 * 2"), Decimal(25));
    // 12 decimals are kept; the field's rounding comes later.
    EXPECT_EQ(eval("10/3"), Decimal::from("3.333333333333"));
    EXPECT_EQ(eval("10/3").round(2), Decimal::from("3.33"));
    EXPECT_EQ(eval("2/3").round(2), Decimal::from("0.67"));
    EXPECT_EQ(eval("0,000000000001"), Decimal::from("0.000000000001"));
}

TEST(Expression, PercentIsAShareOfTheLeftSideOfASum) {
    EXPECT_EQ(eval("10%"), Decimal::from("0.1"));
    EXPECT_EQ(eval("200+10%"), Decimal(220));
    EXPECT_EQ(eval("200-10%"), Decimal(180));
    EXPECT_EQ(eval("50*10%"), Decimal(5));
    EXPECT_EQ(eval("200+(10)%"), Decimal(220));
    EXPECT_EQ(eval("200+10%*2"), Decimal::from("200.2"));  // no longer a bare percent
    EXPECT_EQ(eval("1000 + 27,5% - 100"), Decimal(1175));
}

TEST(Expression, FailuresSayWhatAndWhere) {
    EXPECT_EQ(error_of("10/0"), "Divisão por zero (posição 3)");
    EXPECT_EQ(error_of("5/(2-2)"), "Divisão por zero (posição 2)");
    EXPECT_EQ(error_of(""), "Digite uma expressão, por exemplo 12,50 * 3");
    EXPECT_EQ(error_of("2+"), "Expressão incompleta: falta um número no fim (posição 3)");
    EXPECT_EQ(error_of("(2+3"), "Falta fechar o parêntese aberto aqui (posição 1)");
    EXPECT_EQ(error_of("2+3)"), "Parêntese fechado sem ter sido aberto (posição 4)");
    EXPECT_EQ(error_of("2 3"), "Falta um operador antes de '3' (posição 3)");
    EXPECT_EQ(error_of("2+abc"), "Caractere inválido 'a' (posição 3)");
    EXPECT_EQ(error_of("1,2,3"), "Número com mais de uma vírgula (posição 1)");
    EXPECT_EQ(error_of("1,5.2"), "Ponto depois da vírgula decimal (posição 4)");
    EXPECT_EQ(error_of("0,0000000000001"), "Número com mais de 12 casas decimais (posição 1)");
    EXPECT_EQ(error_of("()"), "Falta um número antes de ')' (posição 2)");
    EXPECT_EQ(error_of("%5"), "Caractere inválido '%' (posição 1)");
}

TEST(Expression, MagnitudeAndNestingAreBounded) {
    EXPECT_EQ(eval("999999999999999"), Decimal(999'999'999'999'999LL));
    EXPECT_NE(error_of("1000000000000000").find("grande demais"), std::string::npos);
    EXPECT_NE(error_of("999999999999999+1").find("grande demais"), std::string::npos);
    EXPECT_NE(error_of("99999999*99999999").find("grande demais"), std::string::npos);
    EXPECT_NE(error_of("1000/0,000000000001").find("grande demais"), std::string::npos);
    EXPECT_NE(error_of("999999999999999 + 999999999999999%").find("grande demais"),
              std::string::npos);
    EXPECT_EQ(eval("99999999*9999999"), Decimal(999'999'890'000'001LL));
    EXPECT_NE(error_of(std::string(5000, '(') + "1").find("aninhada"), std::string::npos);
    EXPECT_NE(error_of(std::string(5000, '-') + "1").find("aninhada"), std::string::npos);
}

TEST(Expression, ResultTextForATextField) {
    EXPECT_EQ(calculator_text(Decimal::from("1234567.891")), "1.234.567,8910");
    EXPECT_EQ(calculator_text(Decimal::from("-0.5")), "-0,5000");
    EXPECT_EQ(calculator_text(Decimal(0)), "0,0000");
    EXPECT_EQ(calculator_text(Decimal(-888'888'888'888'888LL)), "-888.888.888.888.888,0000");
    EXPECT_EQ(calculator_text(Decimal::from("0.00004")), "0,0000");
    EXPECT_EQ(calculator_text(Decimal::from("-0.00004")), "0,0000");
}

}  // namespace
}  // namespace vorn
