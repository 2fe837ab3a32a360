#include "importing/rural_book_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "base/text.h"

namespace vorn::importing {
namespace {

std::string data_file(const std::string& name) {
    std::ifstream in(std::string(VORN_SOURCE_DIR) + "/tests/data/rural_book/" + name,
                     std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string entry_line(const std::string& date, char kind, const std::string& description,
                       const std::string& amount) {
    std::string l = "03 " + date + kind + std::string(7, ' ') + description;
    l.resize(60, ' ');
    l.resize(274, ' ');
    return l + amount;
}

std::string month_line(char letter, const std::string& amounts) {
    return std::string("04") + letter + amounts;
}

std::string property_line(const std::string& name) {
    std::string l = "07" + std::string("110042490114  ") + std::string(6, ' ') + "12345678" + name;
    l.resize(90, ' ');
    return l + "SP";
}

std::string amounts(int n) {
    std::string s;
    for (int k = 0; k < n; ++k) s += "0000000010000";
    return s;
}

Decimal D(const char* s) {
    return Decimal::from(s);
}

TEST(RuralBookFile, ReadsTheDetailedBookWithItsAccentsInvoicesMonthsAndProperties) {
    const RuralBookFile f = read_rural_book(data_file("detailed.txt"));
    ASSERT_TRUE(f.bad.empty()) << f.bad[0].line << " " << f.bad[0].reason;
    EXPECT_FALSE(f.totals_only);
    EXPECT_EQ(f.lines, 13);  // the last CR LF and the end-of-file byte make no line
    ASSERT_EQ(f.entries.size(), 4u);
    EXPECT_EQ(f.skipped_entries, 1);  // the transfer between accounts, kind 3
    EXPECT_EQ(f.entries[0].date, Date(2025, 1, 15));
    EXPECT_TRUE(f.entries[0].receipt);
    EXPECT_EQ(f.entries[0].amount, D("15000.00"));
    EXPECT_EQ(f.entries[0].description, "VENDA DE GADO NF-1234 FRIGORÍFICO");
    // "NF-" at 15, the first "-" from the fifth character at 17: 16 characters.
    EXPECT_EQ(f.entries[0].document_type, 1);
    EXPECT_EQ(f.entries[0].document, "NF-1234 FRIGORÍF");
    EXPECT_EQ(f.entries[1].description, "RAÇÃO NF - 77 COOPERATIVA");
    EXPECT_FALSE(f.entries[1].receipt);
    EXPECT_EQ(f.entries[1].amount, D("2300.55"));
    EXPECT_EQ(f.entries[1].document, "NF - 77 C");
    // No "-" at all: the rest of the description.
    EXPECT_EQ(f.entries[2].document_type, 1);
    EXPECT_EQ(f.entries[2].document, "NF 5");
    EXPECT_EQ(f.entries[3].document_type, 0);
    EXPECT_EQ(f.entries[3].document, "");

    ASSERT_EQ(f.months.size(), 3u);
    EXPECT_EQ(f.months[0].month, 1);
    EXPECT_EQ(f.months[0].receipts, D("23000.00"));
    EXPECT_EQ(f.months[1].expenses, D("2300.55"));
    // A detailed book carries its adjustments at 43-55 (I5_09) and 30-42 (I5_10).
    EXPECT_EQ(f.months[0].adjustment_09, D("200.00"));
    EXPECT_EQ(f.months[0].adjustment_10, D("100.00"));

    ASSERT_EQ(f.properties.size(), 2u);
    EXPECT_EQ(f.properties[0].state_registration, "123456789");
    EXPECT_EQ(f.properties[0].register_number, "1234567X");
    EXPECT_EQ(f.properties[0].name, "FAZENDA SÃO JOÃO");
    EXPECT_EQ(f.properties[1].uf, "GO");
}

TEST(RuralBookFile, ATotalsOnlyFileTakesItsAdjustmentsFromTheLastTwoAmounts) {
    const RuralBookFile f = read_rural_book(data_file("totals.txt"));
    ASSERT_TRUE(f.bad.empty()) << f.bad[0].reason;
    EXPECT_TRUE(f.totals_only);
    ASSERT_EQ(f.months.size(), 2u);
    EXPECT_EQ(f.months[0].month, 6);
    EXPECT_EQ(f.months[1].month, 12);
    EXPECT_EQ(f.months[0].adjustment_09, D("333.00"));  // 56-68
    EXPECT_EQ(f.months[0].adjustment_10, D("222.00"));  // 43-55
    EXPECT_EQ(f.properties[0].name, "CHÁCARA");
}

TEST(RuralBookFile, InvoiceNumbers) {
    auto nf = [](const char* d) { return invoice_number(to_u32(d)); };
    EXPECT_EQ(nf("ADUBO DIVERSO"), std::nullopt);
    EXPECT_EQ(nf("NF-9"), std::optional<std::string>("NF-9"));  // no "-" from the fifth on
    EXPECT_EQ(nf("XX NF-12-3"), std::optional<std::string>("NF-12"));
    // "NF -" is sought before "NF-" and "NF ".
    EXPECT_EQ(nf("NF 1 NF -2 NF-3"), std::optional<std::string>("NF -2 NF"));
    EXPECT_EQ(nf("COMPRA NF 123456789012345678901234567890"),
              std::optional<std::string>("NF 12345678901234567"));  // cut to 20
}

TEST(RuralBookFile, EveryBadLineIsToldWithItsNumberAndReason) {
    const std::string ok_entry = entry_line("15012025", '1', "VENDA", "0000000150000");
    struct Case {
        std::vector<std::string> lines;
        int line;
        std::string reason;
    };
    const Case cases[] = {
        {{ok_entry, month_line('M', amounts(5))}, 2, "Mês inválido: \"M\""},
        {{month_line('a', amounts(5))}, 1, "Mês inválido: \"a\""},
        {{month_line('A', amounts(3))}, 1, "Linha curta: 42 caracteres, o registro precisa de 55"},
        {{"IRARURAL", month_line('A', amounts(4))}, 2, "o registro precisa de 68"},
        {{ok_entry.substr(0, 200)}, 1, "Linha curta: 200"},
        {{property_line("SITIO").substr(0, 91)}, 1, "Linha curta: 91"},
        {{entry_line("15012025", '2', "X", "00000001500,0")},
         1,
         "Valor não numérico nas posições 275 a 287: \"00000001500,0\""},
        {{month_line('A', "0000000010000000000001X000" + amounts(3))},
         1,
         "Valor não numérico nas posições 17 a 29"},
        {{entry_line("30022025", '1', "X", "0000000000100")}, 1, "Data impossível: \"30/02/2025\""},
        {{entry_line("1501 025", '1', "X", "0000000000100")}, 1, "Data impossível"},
        {{"09XYZ"}, 1, "Registro desconhecido: \"09\""},
        {{ok_entry, ""}, 2, "Linha vazia"},
        {{"01A", "01B"}, 2, "Registro 01 repetido"},
        {{month_line('A', amounts(5)), ok_entry}, 2, "Registro 03 fora de ordem"},
        {{property_line("SITIO"), "05X"}, 2, "Registro 05 fora de ordem"},
        {{month_line('C', amounts(5)), month_line('C', amounts(5))}, 2, "Mês repetido: \"C\""},
        {{ok_entry, "IRARURAL"}, 2, "IRARURAL fora da primeira linha"},
    };
    for (const Case& c : cases) {
        std::string file;
        for (const auto& l : c.lines) file += l + "\r\n";
        const RuralBookFile f = read_rural_book(file);
        SCOPED_TRACE(c.reason);
        ASSERT_EQ(f.bad.size(), 1u);
        EXPECT_EQ(f.bad[0].line, c.line);
        EXPECT_NE(f.bad[0].reason.find(c.reason), std::string::npos) << f.bad[0].reason;
    }
    // A file with several faults tells every one of them, not the first alone.
    const RuralBookFile f = read_rural_book(month_line('Z', amounts(5)) + "\n" + "99\n" +
                                            month_line('B', "X" + amounts(5)) + "\n");
    ASSERT_EQ(f.bad.size(), 3u);
    EXPECT_EQ(f.bad[2].line, 3);
    // An entry of another kind is skipped without being checked further.
    EXPECT_TRUE(read_rural_book(entry_line("99999999", '3', "X", "ABC")).bad.empty());
}

TEST(RuralBookFile, LineEndsAndTheEndOfFileByteDoNotChangeWhatIsRead) {
    // The description's Ó in Windows-1252: one byte, one character, so the amount stays at 275.
    const std::string entry = entry_line("01022025", '2', "\xD3LEO DIESEL", "0000000012345");
    const std::string month = month_line('B', amounts(5));
    for (const std::string& file :
         {entry + "\r\n" + month + "\r\n\x1A", entry + "\n" + month, entry + "\n" + month + "\n"}) {
        const RuralBookFile f = read_rural_book(file);
        ASSERT_TRUE(f.bad.empty()) << f.bad[0].reason;
        ASSERT_EQ(f.entries.size(), 1u);
        EXPECT_EQ(f.entries[0].description, "ÓLEO DIESEL");
        EXPECT_EQ(f.entries[0].amount, D("123.45"));
        EXPECT_EQ(f.lines, 2);
    }
    // An end-of-file byte anywhere but last is a character of its line.
    EXPECT_EQ(read_rural_book(month + "\x1A\n").bad.size(), 0u);
    EXPECT_EQ(read_rural_book("\x1A\n" + month).bad.size(), 1u);
}

}  // namespace
}  // namespace vorn::importing
