// An office of generated declarations in a scratch installation, driven through the real program:
// key scripts on a terminal, calc's figures and the tables as python3-dbfread reads them.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "base/text.h"
#include "base/validate.h"
#include "generator.h"
#include "shell_test_util.h"
#include "tax/folder.h"

namespace vorn::shell {

using testing::Installation;
using Fields = std::map<std::string, std::string>;

// Runs a shell command in the installation, as its terminals run; its standard output.
inline std::string run(const Installation& inst, const std::string& command, int* status) {
    const std::string line = "cd '" + inst.path() + "' && DIR2026='" + inst.path() + "' HOME='" +
                             inst.path() + "' " + command;
    std::string out;
    FILE* p = ::popen(line.c_str(), "r");
    char buf[4096];
    for (size_t n; p && (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    const int rc = p ? ::pclose(p) : -1;
    *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return out;
}

inline const std::string kBinary = std::string(VORN_BINARY_DIR) + "/vorn2026";
inline const char* kNow = "2026-04-15 10:00:00";

class Office {
  public:
    // `count` generated declarations, each given to `change` before the folder is written.
    explicit Office(int count, const std::function<void(int, tax::Declaration&)>& change = {}) {
        bench::Generator g(7);
        for (int i = 0; i < count; ++i) {
            declarations.push_back(g.declaration(i));
            if (change) change(i, declarations.back());
        }
        ManualClock clock(DateTime{Date(2026, 4, 1), 0});
        Status s = tax::write_folder(store::Env::posix(), inst.path(), declarations, &clock);
        EXPECT_TRUE(s.is_ok()) << s.to_string();
    }
    std::string cpf(size_t i) const { return declarations.at(i).cpf(); }

    // The program on terminal `nusu` running a key script (at `now`); its exit status.
    int program(const std::string& nusu, const std::string& script, const char* now = kNow) {
        const std::string keys = inst.path() + "/run" + std::to_string(++runs_) + ".keys";
        std::ofstream(keys) << script;
        int status = 0;
        run(inst,
            environment + kBinary + " " + nusu + " --keys " + keys + " --screens " + keys +
                ".screens --now '" + now + "'",
            &status);
        return status;
    }
    // The screens the last program run snapped (25 lines each, then "----").
    std::string screens() const {
        std::ifstream in(inst.path() + "/run" + std::to_string(runs_) + ".keys.screens");
        std::stringstream all;
        all << in.rdbuf();
        return all.str();
    }
    // `vorn2026 recalc` over the folder; its lines.
    std::string recalc(const std::string& which, int* status) {
        return run(inst,
                   kBinary + " recalc --folder . " + which + " --now '" + kNow + "' 2>/dev/null",
                   status);
    }
    // calc's NAME=value lines by CPF.
    std::map<std::string, Fields> calc() {
        int status = 0;
        std::istringstream lines(run(
            inst, kBinary + " calc --folder . --all --now '" + kNow + "' 2>/dev/null", &status));
        EXPECT_EQ(status, 0);
        std::map<std::string, Fields> out;
        std::string line, cpf;
        while (std::getline(lines, line)) {
            const size_t eq = line.find('=');
            if (eq == std::string::npos) continue;
            if (line.compare(0, eq, "CPF") == 0) cpf = line.substr(eq + 1);
            out[cpf][line.substr(0, eq)] = line.substr(eq + 1);
        }
        return out;
    }
    // The live records of data table n as python3-dbfread reads them, by CPF (the last record of
    // a CPF when it has several).
    std::map<std::string, Fields> dbfread(int n) {
        std::map<std::string, Fields> out;
        for (auto& f : records(n)) out[f["CPF"]] = f;
        return out;
    }
    // Every live record of data table n in record order.
    std::vector<Fields> records(int n) {
        int status = 0;
        std::istringstream lines(
            run(inst,
                "/usr/bin/python3 " + std::string(VORN_SOURCE_DIR) +
                    "/tests/store/tools/dbf_dump.py '" +
                    store::data_table_path(store::Env::posix(), inst.path(), n) + "'",
                &status));
        EXPECT_EQ(status, 0);
        std::vector<std::string> names;
        std::vector<Fields> out;
        std::string line;
        while (std::getline(lines, line)) {
            if (line.rfind("F ", 0) == 0) names.push_back(line.substr(2, line.find(' ', 2) - 2));
            if (line.rfind("R|", 0) != 0) continue;
            Fields f;
            std::istringstream values(line.substr(2));
            std::string v;
            for (size_t k = 0; k < names.size() && std::getline(values, v, '|'); ++k)
                f[names[k]] = v;
            out.push_back(std::move(f));
        }
        return out;
    }

    Installation inst;
    std::vector<tax::Declaration> declarations;
    std::string environment;  // "NAME=value " assignments the program runs with

  private:
    int runs_ = 0;
};

// An amount as calc prints it, whatever the text it was read from ("1234.5", "", "-0.10").
inline std::string num(const std::string& text) {
    auto d = Decimal::parse(text.empty() ? "0" : text);
    EXPECT_TRUE(d.has_value()) << text;
    return (d ? *d : Decimal()).to_string(2);
}
using Screen = std::vector<std::string>;

inline std::string sum(const std::string& a, const std::string& b, int sign = 1) {
    return (*Decimal::parse(num(a)) + *Decimal::parse(num(b)) * Decimal(sign)).to_string(2);
}

// Table 1 holds every summary line calc prints; the registry holds the option, the balance, the
// quotas with their counters, and the tax withheld and paid combined as the list reads them.
inline void expect_stored_as_calc(Office& o, const std::vector<std::string>& cpfs) {
    auto calc = o.calc();
    auto t1 = o.dbfread(1), t9 = o.dbfread(9);
    for (const auto& cpf : cpfs) {
        SCOPED_TRACE("CPF " + cpf);
        Fields& c = calc[cpf];
        ASSERT_FALSE(c.empty());
        for (const auto& [name, value] : c) {
            if (name.rfind("I13_", 0) == 0 && t1[cpf].count(name)) {
                EXPECT_EQ(num(t1[cpf][name]), num(value)) << name;
            }
        }
        Fields& r = t9[cpf];
        EXPECT_EQ(r["USAPADRAO"], c["USAPADRAO"]);
        EXPECT_EQ(num(r["IMPPGRE"]), num(c["IMPPGRE"]));
        EXPECT_EQ(num(r["QTD_QUOTA"]), num(c["QTD_QUOTA"]));
        EXPECT_EQ(num(r["NRQUOTA"]), num(c["QTD_QUOTA"]));
        EXPECT_EQ(num(r["DFQUOTA"]), num(c["I13_37"]));
        EXPECT_EQ(num(r["I13_20"]), num(c["I13_20"]));
        EXPECT_EQ(num(r["I13_27"]), sum(c["I13_27"], c["I13_28"]));
        EXPECT_EQ(num(r["I13_35"]), sum(c["I13_35"], c["I13_34"], -1));
    }
}

// Snapped screens ("----" after each) as their 25 lines each.
inline std::vector<Screen> split_screens(const std::string& text) {
    std::vector<Screen> out(1);
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line == "----")
            out.emplace_back();
        else
            out.back().push_back(line);
    }
    out.pop_back();
    return out;
}

// A screen without its title row, which names the installation's folder.
inline std::string body(const Screen& s) {
    std::string out;
    for (size_t k = 1; k < s.size(); ++k) out += s[k] + "\n";
    return out;
}

// All the screens, for a failure's message.
inline std::string all(const std::vector<Screen>& screens) {
    std::string out;
    for (const Screen& s : screens) out += body(s) + "----\n";
    return out;
}

inline bool shows(const Screen& s, const std::string& text) {
    return body(s).find(text) != std::string::npos;
}

// Opens declaration `cpf` from the main menu, runs `keys` in it and ends it with "Sim".
inline std::string in_declaration(const std::string& cpf, const std::string& keys) {
    return "ALT+I\ntext " + cpf + "\nENTER\n" + keys + "ALT+T\nENTER\nESC\n";
}
// A painted amount as calc prints it ("1.234,56" → "1234.56").
inline std::string calc_form(const std::string& shown) {
    std::string out;
    for (char ch : trim(shown))
        if (ch != '.') out += ch == ',' ? '.' : ch;
    return out;
}

// The screen row of the form's first row: the summary takes the declaration window's menu bar
// row, keeping its status line for the hint.
constexpr int kSummaryTop = 1;

inline bool summary_simplified(const Screen& s) {
    return s.at(kSummaryTop).find("Declaração Simplificada") != std::string::npos;
}

// The amounts of a summary screen by line number, as calc prints them ("1.234,56" → "1234.56"),
// and the number of quotas under "Q".
inline Fields summary_painted(const Screen& s) {
    Fields out;
    auto at = [&](int row, int col, int n) { return trim(substr_chars(s.at(row), col, n)); };
    auto take = [&](int row, int number_col, int amount_col) {
        const std::string number = at(row, number_col, 2);
        if (number.size() != 2 || !isdigit(number[0]) || !isdigit(number[1])) return;
        out[number] = calc_form(at(row, amount_col, 14));
    };
    if (summary_simplified(s)) {
        for (int row = kSummaryTop + 1; row <= kSummaryTop + 20; ++row) take(row, 1, 48);
        take(kSummaryTop + 21, 1, 4);
        take(kSummaryTop + 21, 20, 39);
        take(kSummaryTop + 21, 55, 58);
        out["Q"] = at(kSummaryTop + 21, 26, 1);
    } else {
        for (int row = kSummaryTop + 1; row <= kSummaryTop + 20; ++row) {
            take(row, 1, 25);
            take(row, 40, 64);
        }
        out["Q"] = at(kSummaryTop + 19, 46, 1);
    }
    return out;
}

// What each line of the form shows, from calc's figures.
inline Fields summary_expected(const Fields& calc, bool simplified) {
    auto sum = [&](std::initializer_list<const char*> names) {
        Decimal total;
        for (const char* n : names) total += *Decimal::parse(num(calc.at(n)));
        return total.to_string(2);
    };
    Fields out;
    for (int k = 1; k <= 8; ++k)
        out[tax::two_digits(k)] = num(calc.at("I13_" + tax::two_digits(k)));
    out["03"] = sum({"I13_03", "I13_49"});
    out["04"] = sum({"I13_04", "I13_50"});
    if (simplified) {
        const char* rest[] = {"DESPADRAO", "I13_20", "I13_25", "I13_26", "I13_27",
                              "I13_28",    "",       "I13_31", "I13_32", "I13_33",
                              "I13_34",    "I13_35", "I13_36", "I13_37", "I13_38"};
        for (int k = 9; k <= 23; ++k)
            if (*rest[k - 9]) out[tax::two_digits(k)] = num(calc.at(rest[k - 9]));
        out["15"] = sum({"I13_29", "I13_30"});
    } else {
        for (int k = 9; k <= 38; ++k)
            out[tax::two_digits(k)] = num(calc.at("I13_" + tax::two_digits(k)));
        out["24"] = num(calc.at("I13_25"));
        out["25"] = num(calc.at("NILEI14754"));
    }
    out["Q"] = calc.at("QTD_QUOTA");
    return out;
}

// A CPF of nine digits with its check digits.
inline std::string valid_cpf(const std::string& base9) {
    return base9 + cpf_check_digits(base9);
}

inline Decimal dec(const std::string& text) {
    return *Decimal::parse(num(text));
}

// Every live record of data table n that belongs to `cpf`, in record order.
inline std::vector<Fields> rows_of(Office& o, int n, const std::string& cpf) {
    int status = 0;
    std::istringstream lines(run(
        o.inst,
        "/usr/bin/python3 " + std::string(VORN_SOURCE_DIR) + "/tests/store/tools/dbf_dump.py '" +
            store::data_table_path(store::Env::posix(), o.inst.path(), n) + "'",
        &status));
    EXPECT_EQ(status, 0);
    std::vector<std::string> names;
    std::vector<Fields> out;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("F ", 0) == 0) names.push_back(line.substr(2, line.find(' ', 2) - 2));
        if (line.rfind("R|", 0) != 0) continue;
        Fields f;
        std::istringstream values(line.substr(2));
        std::string v;
        for (size_t k = 0; k < names.size() && std::getline(values, v, '|'); ++k) f[names[k]] = v;
        if (f["CPF"] == cpf) out.push_back(f);
    }
    return out;
}

// The painted grid row of month `month` (13: the total) of a screen-2 snapshot: the columns
// shown, as calc prints amounts.
inline std::vector<std::string> grid_row(const Screen& s, int month) {
    const std::string bar = "│";
    const std::string line = s.at(static_cast<size_t>(7 + month));  // the header on row 6
    std::vector<std::string> cells;
    size_t at = line.find(bar, bar.size());  // after the month's name
    while (at != std::string::npos) {
        const size_t next = line.find(bar, at + bar.size());
        if (next == std::string::npos) break;
        cells.push_back(num(calc_form(line.substr(at + bar.size(), next - at - bar.size()))));
        at = next;
    }
    return cells;
}

// The screens a run on terminal 01 snapped, each as its 25 lines; `script` ends normally.
inline std::vector<Screen> snapped(Office& o, const std::string& script) {
    EXPECT_EQ(o.program("01", script + "ALT+T\nENTER\n"), 0);
    return split_screens(o.screens());
}

}  // namespace vorn::shell
