#include "base/validate.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "base/text.h"

namespace vorn {
namespace {

// The single message a validator showed, or "" when it said nothing.
std::string told(const ScriptedOperator& op) {
    if (op.said.empty()) return "";
    EXPECT_EQ(op.said.size(), 1u);
    EXPECT_EQ(op.said.back().title, "ERRO");
    return op.said.back().text;
}

// tests/data/id_check_digits.tsv holds check digits computed by two outside validator packages
// (tests/data/idcheck/generate.cjs): kind, base, digits.
TEST(CheckDigits, AgreeWithOutsideValidators) {
    std::ifstream in(VORN_SOURCE_DIR "/tests/data/id_check_digits.tsv");
    ASSERT_TRUE(in) << "missing tests/data/id_check_digits.tsv";
    std::map<std::string, int> rows;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream f(line);
        std::string kind, base, digits;
        std::getline(f, kind, '\t');
        std::getline(f, base, '\t');
        std::getline(f, digits, '\t');
        ++rows[kind];
        ScriptedOperator op;
        if (kind == "CPF") {
            ASSERT_EQ(cpf_check_digits(base), digits) << base;
            EXPECT_TRUE(VAL_CPF(op, base + digits, true));
            std::string wrong = base + digits[0] + char('0' + (digits[1] - '0' + 1) % 10);
            EXPECT_FALSE(VAL_CPF(op, wrong, true));
            EXPECT_TRUE(op.saw("notice", "O dígito para esse número é:" + digits)) << base;
        } else if (kind == "CNPJ") {
            ASSERT_EQ(cnpj_check_digits(base), digits) << base;
            EXPECT_TRUE(VAL_CGC(op, base + digits, true));
            EXPECT_TRUE(CPFCGC(op, lower(base + digits), true)) << "typed in lower case";
        } else if (kind == "CAEPF") {
            ASSERT_EQ(caepf_check_digits(base), digits) << base;
            EXPECT_TRUE(VAL_CPF(op, base + digits, true, 2));
        } else if (kind == "NIT") {
            ASSERT_EQ(std::string(1, nit_check_digit(base)), digits) << base;
            EXPECT_TRUE(VAL_NIT(op, base + digits, 0));
        } else if (kind == "RENAVAM") {
            ASSERT_EQ(std::string(1, renavam_check_digit(base)), digits) << base;
        } else {
            FAIL() << "unknown row " << line;
        }
        EXPECT_TRUE(op.said.size() <= 1u) << line;
    }
    EXPECT_EQ(rows["CPF"], 3000);
    EXPECT_EQ(rows["CNPJ"], 4000);
    EXPECT_EQ(rows["CAEPF"], 1000);
    EXPECT_EQ(rows["NIT"], 1000);
    EXPECT_EQ(rows["RENAVAM"], 1000);
}

TEST(Cpf, DigitsWorkedByHand) {
    // 258971330: sum A = 158, 158 mod 11 = 4; sum B = 222, 222 mod 11 = 2.
    EXPECT_EQ(cpf_check_digits("258971330"), "42");
    // 000000006: sum A = 54, mod 11 = 10 -> first digit 0 and B = 6 + 9 = 15 -> 4.
    EXPECT_EQ(cpf_check_digits("000000006"), "04");
    EXPECT_THROW(cpf_check_digits("12345678"), std::invalid_argument);
}

TEST(Cpf, RefusalsAndTheirTexts) {
    ScriptedOperator op;
    EXPECT_TRUE(VAL_CPF(op, "25897133042", true));
    EXPECT_FALSE(VAL_CPF(op, "25897133043", true));
    EXPECT_EQ(told(op),
              "ATENÇÃO! CPF 258.971.330-43 está incorreto. \nO dígito para esse número é:42");

    ScriptedOperator typed_nine;  // only the base typed: told which digits to add
    EXPECT_FALSE(VAL_CPF(typed_nine, "258971330", true));
    EXPECT_TRUE(typed_nine.saw("notice", "O dígito para esse número é:42"));

    ScriptedOperator short_cpf;
    EXPECT_FALSE(VAL_CPF(short_cpf, "2589713", true));
    EXPECT_EQ(told(short_cpf), "ATENÇÃO! CPF está incompleto.");

    ScriptedOperator taxpayer;  // kind 1: a short CPF is refused silently
    EXPECT_FALSE(VAL_CPF(taxpayer, "2589713", true, 1));
    EXPECT_EQ(told(taxpayer), "");

    ScriptedOperator letters;
    EXPECT_FALSE(VAL_CPF(letters, "25897A33042", true));
    EXPECT_EQ(told(letters), "ATENÇÃO! CPF 258.97A.330-42 está incorreto. ");
}

TEST(Cpf, EmptyValueFollowsTheMandatoryFlag) {
    ScriptedOperator op;
    EXPECT_TRUE(VAL_CPF(op, "", false));
    EXPECT_FALSE(VAL_CPF(op, "           ", true));
    EXPECT_TRUE(VAL_CPF(op, "", true, 1));  // the chooser then looks up a name
    EXPECT_FALSE(VAL_CPF(op, "", true, 2));
    EXPECT_TRUE(op.said.empty());
}

TEST(Caepf, CheckNumberAboveNinetyNineLosesTheHundred) {
    // 742879204192: r1 = 328 mod 11 = 9, r2 = 410 mod 11 = 3; 93 + 12 = 105 -> "05".
    EXPECT_EQ(caepf_check_digits("742879204192"), "05");
    ScriptedOperator op;
    EXPECT_TRUE(VAL_CPF(op, "74287920419205", true, 2));
    EXPECT_FALSE(VAL_CPF(op, "74287920419206", true, 2));
    EXPECT_EQ(told(op),
              "ATENÇÃO! CAEPF 742.879.204.192-06 está incorreto. \n"
              "O dígito para esse número é:05");
    ScriptedOperator short_caepf;
    EXPECT_FALSE(VAL_CPF(short_caepf, "74287920419", true, 2));
    EXPECT_EQ(told(short_caepf), "ATENÇÃO! CAEPF está incompleto.");
}

TEST(Cnpj, NumericAndAlphanumeric) {
    ScriptedOperator op;
    EXPECT_TRUE(VAL_CGC(op, "11222333000181", true));
    EXPECT_TRUE(VAL_CGC(op, "12ABC34501DE35", true));  // the federal revenue's own example
    EXPECT_TRUE(VAL_CGC(op, " 12ABC34501DE35 ", true));
    EXPECT_TRUE(op.said.empty());
    EXPECT_FALSE(VAL_CGC(op, "12ABC34501DE36", true));
    EXPECT_EQ(told(op),
              "ATENÇÃO! CNPJ 12.ABC.345/01DE-36 está incorreto. \n"
              "O dígito para esse número é:35");

    ScriptedOperator bad;  // characters outside digits and capitals are never valued
    EXPECT_FALSE(VAL_CGC(bad, "12abc34501de35", true));
    EXPECT_FALSE(VAL_CGC(bad, "12.AB34501DE35", true));
    EXPECT_EQ(bad.said.size(), 2u);
    EXPECT_EQ(bad.said[0].text, "ATENÇÃO! CNPJ 12.abc.345/01de-35 está incorreto. ");

    ScriptedOperator short_cnpj;
    EXPECT_FALSE(VAL_CGC(short_cnpj, "1122233300", true));
    EXPECT_EQ(told(short_cnpj), "ATENÇÃO! CNPJ está incompleto.");
    EXPECT_TRUE(VAL_CGC(short_cnpj, "", false));
    EXPECT_FALSE(VAL_CGC(short_cnpj, "", true));
}

TEST(CpfOrCnpj, DispatchByMaskAndRewriteInPlace) {
    ScriptedOperator op;
    EXPECT_TRUE(CPFCGC(op, "258.971.330-42", true));
    EXPECT_TRUE(CPFCGC(op, "25897133042", true));
    EXPECT_TRUE(CPFCGC(op, "11.222.333/0001-81", true));
    EXPECT_TRUE(CPFCGC(op, "12.abc.345/01de-35", true));
    EXPECT_TRUE(CPFCGC(op, "", false));
    EXPECT_TRUE(op.said.empty());
    EXPECT_FALSE(CPFCGC(op, "", true));

    ScriptedOperator twelve;
    EXPECT_FALSE(CPFCGC(twelve, "258971330421", true));
    EXPECT_EQ(told(twelve),
              " Digite o CPF/CNPJ com número correto \n"
              "de dígitos, 11 para CPF e 14 para CNPJ,\n"
              "ou coloque os separadores no lugar correto.\n"
              "CPF=nnn.nnn.nnn-nn CNPJ=nn.nnn.nnn/nnnn-nn ");

    ScriptedOperator wrong;
    EXPECT_FALSE(CPFCGC(wrong, "11222333000182", true));
    EXPECT_TRUE(wrong.saw("notice", "O dígito para esse número é:81"));

    std::string field = "25897133042";
    EXPECT_TRUE(CPFCGC1(op, field, true));
    EXPECT_EQ(field, "258.971.330-42    ");
    field = "11222333000182";
    EXPECT_FALSE(CPFCGC1(op, field, true));
    EXPECT_EQ(field, "11.222.333/0001-82");  // masked even when refused

    // A value whose 10th character is "." passes unchecked.
    EXPECT_TRUE(CPFCGC(op, "123456789.12", true));
}

TEST(CpfOrCnpj, PaymentCodeAllowsOnlyOneKind) {
    ScriptedOperator op;
    EXPECT_EQ(POEPONTO(op, "25897133042", 21), std::string(11, ' '));
    EXPECT_EQ(told(op), "Só é permitido CNPJ");
    ScriptedOperator op2;
    EXPECT_EQ(POEPONTO(op2, "11.222.333/0001-81", 10), std::string(14, ' '));
    EXPECT_EQ(told(op2), "Só é permitido CPF");
    ScriptedOperator op3;
    EXPECT_EQ(POEPONTO(op3, "258.971.330-42    ", 10), "258.971.330-42    ");
    EXPECT_EQ(POEPONTO(op3, "11222333000181", 21), "11.222.333/0001-81");
    EXPECT_EQ(POEPONTO(op3, "25897133042", 2), "258.971.330-42    ");
    EXPECT_TRUE(op3.said.empty());
}

TEST(Nit, DigitAndTexts) {
    ScriptedOperator op;
    EXPECT_TRUE(VAL_NIT(op, "080.77211.46-0", 1));  // a row of the outside table, punctuated
    EXPECT_TRUE(VAL_NIT(op, "", 1));
    EXPECT_TRUE(op.said.empty());
    EXPECT_FALSE(VAL_NIT(op, "08077211461", 1));
    EXPECT_EQ(told(op),
              "ATENÇÃO! NIT está\u00A0incorreto. \n"
              "Se estiver digitado CPF use seta direita\n"
              "até a última coluna e digite lá. ");
    ScriptedOperator other;
    EXPECT_FALSE(VAL_NIT(other, "08077211461", 0));
    EXPECT_EQ(told(other), "ATENÇÃO! NIT está\xC2\xA0incorreto. ");
    ScriptedOperator short_nit;
    EXPECT_FALSE(VAL_NIT(short_nit, "0807721146", 1));
    EXPECT_EQ(told(short_nit), "ATENÇÃO! O NIT do empregado está errado.");
    ScriptedOperator short_other;
    EXPECT_FALSE(VAL_NIT(short_other, "0807721146", 2));
    EXPECT_EQ(told(short_other), "ATENÇÃO! O NIT está incompleto... ");
}

TEST(Renavam, RewrittenZeroPaddedThenChecked) {
    ScriptedOperator op;
    // 0063945676: sum of digits 10..1 by weights 2..9,2,3 = 247; 2470 mod 11 = 6.
    std::string field = "639456766";
    EXPECT_TRUE(VERENAVAM(op, field));
    EXPECT_EQ(field, "00639456766");
    field = "";
    EXPECT_TRUE(VERENAVAM(op, field));
    EXPECT_TRUE(op.said.empty());
    field = "639456767";
    EXPECT_FALSE(VERENAVAM(op, field));
    EXPECT_EQ(field, "00639456767");
    EXPECT_EQ(told(op), "Renavam inválido");
    // Text that is no number is refused as typed, never read as zero.
    for (std::string typed : {"ABC", "6394-5676", "123456789012"}) {
        ScriptedOperator o;
        field = typed;
        EXPECT_FALSE(VERENAVAM(o, field)) << typed;
        EXPECT_EQ(field, typed);
        EXPECT_EQ(told(o), "Renavam inválido");
    }
}

TEST(NirfCib, NirfByModule11AndCibByItsTable) {
    ScriptedOperator op;
    // NIRF 1234567: 1*8+2*7+3*6+4*5+5*4+6*3+7*2 = 112; 11 - 112 mod 11 = 9.
    EXPECT_TRUE(VENIRF(op, "12345679"));
    EXPECT_TRUE(VENIRF(op, ""));
    // CIB A3N8Z4F: 10*4+3*3+21*9+8*5+31*7+4*1+15*8 = 619; 619 mod 31 = 30 -> Y.
    EXPECT_TRUE(VENIRF(op, "A3N8Z4FY"));
    EXPECT_TRUE(VENIRF(op, "I0000004"));  // I and L count as 1
    EXPECT_TRUE(VENIRF(op, "L0000004"));
    EXPECT_TRUE(VENIRF(op, "A00000Y0"));  // 40 + 30*8 = 280 = 9*31 + 1 -> "0"
    EXPECT_TRUE(VENIRF(op, "A00000T0"));  // 40 + 26*8 = 248 = 8*31 -> "0"
    EXPECT_TRUE(op.said.empty());

    for (std::string_view wrong : {"12345678", "A3N8Z4FX", "A00000Y1", "O0000000", "a3n8z4fy"}) {
        ScriptedOperator o;
        EXPECT_FALSE(VENIRF(o, wrong)) << wrong;
        EXPECT_EQ(told(o), "CIB inválido") << wrong;
    }
    ScriptedOperator u;
    EXPECT_FALSE(VENIRF(u, "A3N8Z4FU"));
    EXPECT_EQ(told(u), "A letra U não pode ser digitada");
}

TEST(Module11, DigitsAndReceipts) {
    EXPECT_EQ(MODULO_11("1234567", 0), "9");
    EXPECT_EQ(MODULO_11(" 1234567 ", 0), "9");
    EXPECT_EQ(MODULO_11("0", 7), "7");  // 11 - 0 exceeds 9: the substitute
    EXPECT_EQ(MODULO_11("", 0), "");
    EXPECT_EQ(MODULO_11("12a", 0), "");
    // 1234567890: weights 11..2 sum 255, 255 mod 11 = 2 -> 9; then weights 12..2 over
    // 12345678909 sum 318, 318 mod 11 = 10 -> 1.
    EXPECT_EQ(receipt_with_check_digits("1234567890"), "123456789091");

    ScriptedOperator op;
    std::string field = "1234567890";
    EXPECT_TRUE(check_receipt(op, field));
    EXPECT_EQ(field, "123456789091");
    field = "1234567890-91";
    EXPECT_TRUE(check_receipt(op, field));
    EXPECT_EQ(field, "123456789091");
    field = "";
    EXPECT_TRUE(check_receipt(op, field));
    EXPECT_TRUE(op.said.empty());
    for (std::string typed : {"123456789092", "12345678909", "12345678A0"}) {
        ScriptedOperator o;
        field = typed;
        EXPECT_FALSE(check_receipt(o, field)) << typed;
        EXPECT_EQ(field, typed);
        EXPECT_EQ(told(o), "Número do recibo inválido");
    }
}

TEST(Email, SyntaxCheck) {
    ScriptedOperator op;
    for (std::string_view good : {"", "joao@empresa.com.br", "abc@def.gh", "  maria.s@uol.com  "})
        EXPECT_TRUE(CHECKEMAIL(op, good)) << good;
    EXPECT_TRUE(op.said.empty());
    for (std::string_view bad :
         {"joao.empresa.com", "ab@empresa.com", "joao@em.com", "joao@empresa.c", "joao@empresa",
          "jo ao@empresa.com", "joao@emp@resa.com", "joao@empresa.com;x", "joao#@empresa.com"}) {
        ScriptedOperator o;
        EXPECT_FALSE(CHECKEMAIL(o, bad)) << bad;
        EXPECT_EQ(told(o), "Email invalido");
    }
}

TEST(Folder, AlwaysAcceptedWarnedWhenIncomplete) {
    ScriptedOperator op;
    EXPECT_TRUE(ESPCIF(op, "/srv/irpf/dados"));
    EXPECT_TRUE(op.said.empty());
    EXPECT_TRUE(ESPCIF(op, ""));
    EXPECT_TRUE(ESPCIF(op, "dados"));
    EXPECT_EQ(op.said.size(), 2u);
}

TEST(Address, CepHasEightDigits) {
    for (std::string_view fine : {"", "         ", "01310100 ", "01310-100"}) {
        ScriptedOperator op;
        EXPECT_TRUE(check_cep(op, fine)) << fine;
        EXPECT_EQ(told(op), "");
    }
    for (std::string_view wrong : {"01310    ", "013101001", "0131A100 "}) {
        ScriptedOperator op;
        EXPECT_FALSE(check_cep(op, wrong)) << wrong;
        EXPECT_EQ(told(op), "O CEP deve ter 8 dígitos.");
    }
}

TEST(Address, PhonesAlignedByTheirDigitCount) {
    ScriptedOperator op;
    std::string fixed = "32221111 ", mobile = "998887777", spaced = "3222 1111", empty = "  ";
    EXPECT_TRUE(check_phone(op, fixed));
    EXPECT_EQ(fixed, " 32221111");  // under "#9999-9999": " 3222-1111"
    EXPECT_TRUE(check_phone(op, mobile));
    EXPECT_EQ(mobile, "998887777");
    EXPECT_TRUE(check_phone(op, spaced));
    EXPECT_EQ(spaced, " 32221111");
    EXPECT_TRUE(check_phone(op, empty));
    EXPECT_EQ(told(op), "");
    for (std::string wrong : {"3222111  ", "32A21111 "}) {
        ScriptedOperator refused;
        const std::string typed = wrong;
        EXPECT_FALSE(check_phone(refused, wrong)) << typed;
        EXPECT_EQ(wrong, typed);
        EXPECT_EQ(told(refused), "O telefone deve ter 8 ou 9 dígitos.");
    }
}

TEST(Address, AccountTypedWithItsOwnPunctuation) {
    // Thirteen positions of number, right-aligned, and two of check digit.
    EXPECT_EQ(clean_account("12345-6        "),
              "        12345"
              "6 ");
    EXPECT_EQ(clean_account("1.234.567-X    "),
              "      1234567"
              "X ");
    EXPECT_EQ(clean_account("98.765-43"),
              "        98765"
              "43");
    EXPECT_EQ(clean_account("12.345"),
              "        12345"
              "  ");
    // Already in place, or too long to be cleaned: as typed.
    EXPECT_EQ(clean_account("123456         "), "123456         ");
    EXPECT_EQ(clean_account("        123456 "), "        123456 ");
    EXPECT_EQ(clean_account("12345678901234-56"), "12345678901234-56");
}

}  // namespace
}  // namespace vorn
