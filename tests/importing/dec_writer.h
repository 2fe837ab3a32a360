// A writer of the government program's declaration files for tests, transcribed on its own from
// the published record positions (not from the reader's): fixed-width lines with texts placed at
// character positions, the header, the identification record and the end record.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"

namespace vorn::importing::dec_writer {

constexpr const char* kCpf = "12345678909";

// A fixed-width line: blanks, with texts placed at 1-based character positions.
class DecLine {
  public:
    DecLine(std::string_view type, std::string_view cpf, size_t width) : chars_(width, U' ') {
        at(1, type);
        at(3, cpf);
    }
    DecLine& at(size_t pos, std::string_view utf8) {
        const std::u32string t = to_u32(utf8);
        if (pos - 1 + t.size() > chars_.size()) chars_.resize(pos - 1 + t.size(), U' ');
        std::copy(t.begin(), t.end(), chars_.begin() + static_cast<long>(pos - 1));
        return *this;
    }
    // Digits right-aligned and zero-filled over from..to.
    DecLine& digits(size_t from, size_t to, long long value) {
        std::string d = std::to_string(value);
        d = std::string(to - from + 1 - d.size(), '0') + d;
        return at(from, d);
    }
    std::string str() const { return to_utf8(chars_); }

  private:
    std::u32string chars_;
};

// The receipt's two check digits, each over the digits before it, weights rising from 2 at the
// last digit, 11 minus the remainder, above 9 giving 0.
inline std::string with_checks(std::string r) {
    for (int k = 0; k < 2; ++k) {
        int sum = 0;
        for (size_t i = 0; i < r.size(); ++i) sum += (r[r.size() - 1 - i] - '0') * (2 + int(i));
        const int d = 11 - sum % 11;
        r += static_cast<char>('0' + (d > 9 ? 0 : d));
    }
    return r;
}

inline std::string header(int exercise, bool rectifying = false, const char* receipt = "1234567890",
                          const char* rectified = "", const char* form = "2400") {
    DecLine h("IRPF", "", 220);
    h.at(9, std::to_string(exercise)).at(17, form).at(21, rectifying ? "S" : "N");
    h.at(102, receipt).at(124, rectified).at(204, "5555555555");
    return h.str();
}

inline std::string identification(const char* cpf = kCpf, const char* name = "ANA  MARIA   SOUZA") {
    DecLine l("16", cpf, 520);
    l.at(14, name).at(74, "RUA").at(89, "DAS FLORES").at(129, "120").at(135, "APTO 3");
    l.at(156, "CENTRO").at(175, "01310100").at(184, "7107").at(188, "SÃO PAULO").at(228, "SP");
    l.at(233, "105").at(236, "ana@exemplo.com.br").at(326, "12345678901").at(337, "98765432100");
    l.at(348, "11").at(361, "05031980").at(369, "1234567890123").at(382, "225").at(385, "11");
    l.at(387, "8").at(388, "S").at(389, "N").at(391, "S").at(404, "001").at(407, "1234");
    l.at(426, "7").at(428, "S").at(454, "A").at(466, "CRM 12345").at(486, "11");
    l.at(488, "987654321").at(498, "33334444").at(509, "1").at(510, "00000054321");
    return l.str();
}

inline std::string t9() {
    return DecLine("T9", kCpf, 20).str();
}

inline std::string join(const std::vector<std::string>& lines, const char* end = "\r\n") {
    std::string out;
    for (const auto& l : lines) out += l + end;
    return out;
}

}  // namespace vorn::importing::dec_writer
