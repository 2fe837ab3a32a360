#include "base/helpers.h"

#include <gtest/gtest.h>

namespace vorn {
namespace {

TEST(Masks, CpfAndCnpjBothEighteenWide) {
    EXPECT_EQ(CONTAPONTO("25897133042"), "258.971.330-42    ");
    EXPECT_EQ(CONTAPONTO(" 25897133042 "), "258.971.330-42    ");
    EXPECT_EQ(CONTAPONTO("11222333000181"), "11.222.333/0001-81");
    EXPECT_EQ(CONTAPONTO("12ABC34501DE35"), "12.ABC.345/01DE-35");
    // Empty, already masked and other lengths come back as they are.
    for (std::string_view same :
         {"", "258.971.330-42    ", "11.222.333/0001-81", "123", "123456789012", "ÇÇÇÇÇÇÇ"})
        EXPECT_EQ(CONTAPONTO(same), same);
    EXPECT_EQ(TIRA_PONTO(" 11.222.333/0001-81 "), "11222333000181");
    EXPECT_EQ(mask_picture("123456789", "999.999.999-99"), "123.456.789-  ");
}

TEST(Messages, EmptyValuesLeaveNoDoubleBlank) {
    EXPECT_EQ(join_words({"UF", "  ", "inválida."}), "UF inválida.");
    EXPECT_EQ(join_words({"UF", " XX", "inválida."}), "UF XX inválida.");
    EXPECT_EQ(join_words({"", "País", ""}), "País");
}

TEST(NumberText, BrazilianForm) {
    EXPECT_EQ(CAR_TO_VAL("1.234.567,89"), Decimal::from("1234567.89"));
    EXPECT_EQ(CAR_TO_VAL("-12,5"), Decimal::from("-12.5"));
    EXPECT_EQ(CAR_TO_VAL("1.234"), Decimal(1234));  // the point is a thousands separator
    EXPECT_EQ(CAR_TO_VAL("   "), Decimal(0));
    EXPECT_EQ(CAR_TO_VAL("12,3,4"), std::nullopt);
    EXPECT_EQ(CAR_TO_VAL("R$ 10,00"), std::nullopt);
}

TEST(Names, MonthsAndWeekdays) {
    EXPECT_EQ(TRAZ_MES(1), "Janeiro  ");
    EXPECT_EQ(TRAZ_MES(3), "Marco    ");
    EXPECT_EQ(TRAZ_MES(12), "Dezembro ");
    EXPECT_EQ(TRAZ_MES(13), "<- Totais ->");
    EXPECT_EQ(TRAZ_MES(0), "");
    for (int m = 1; m <= 12; ++m) EXPECT_EQ(TRAZ_MES(m).size(), 9u);
    EXPECT_EQ(DIA_SEMANA(Date(2026, 4, 26)), "Domingo");
    EXPECT_EQ(DIA_SEMANA(Date(2026, 4, 28)), "Terca feira");
    EXPECT_EQ(DIA_SEMANA(Date(2026, 5, 2)), "Sabado");
    EXPECT_EQ(DIA_SEMANA(Date()), "");
}

TEST(Times, ConversionsAndMidnight) {
    EXPECT_EQ(HORA_SEG("01:02:03"), 3723);
    EXPECT_EQ(HORA_SEG(""), 0);
    EXPECT_EQ(HORA_SEG("1:02:03"), std::nullopt);
    EXPECT_EQ(SEG_HORA(3723), "01:02:03");
    EXPECT_EQ(SEG_HORA(86400 + 60), "00:01:00");
    EXPECT_EQ(SEG_HOR_2(86400 + 2 * 3600 + 3 * 60 + 59), "01D02h03m");
    EXPECT_EQ(SEG_HOR_2(99 * 86400 + 60), "00D00h01m");
    EXPECT_EQ(TEMPO_PAS("23:00:00", "01:00:00"), 7200);
    EXPECT_EQ(TEMPO_PAS("08:00:00", "09:30:00"), 5400);
    EXPECT_EQ(SEG_HORA(TEMPO_PAS(82800, 3600)), "02:00:00");
    EXPECT_EQ(TEMPO_PAS("08:00", "09:00:00"), std::nullopt);
}

TEST(Accents, IsoToDos) {
    // Capitals the DOS page lacks lose the accent; the rest stay the same letters.
    EXPECT_EQ(AJUS_CAR("ÁÍÓÚÃÕÂÊÔÛ É", 1), "AIOUAOAEOU É");
    EXPECT_EQ(AJUS_CAR("São João, açúcar à vista, pêssego", 1),
              "São João, açúcar à vista, pêssego");
    EXPECT_EQ(AJUS_CAR("CONCEIÇÃO", 1), "CONCEIÇAO");
    EXPECT_EQ(AJUS_CAR("CONCEIÇÃO", 0), "CONCEIÇÃO");
}

}  // namespace
}  // namespace vorn
