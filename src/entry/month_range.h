// The window "Selecione" of the monthly reports (ESCOLHE_MES, ESCOLHE_COMO): all months, only the
// start month, or a range of months, and the questions that follow.
#pragma once

#include <optional>

#include "ui/screen.h"

namespace vorn::entry {

struct MonthChoice {
    int from = 1, to = 12;          // months 1 to 12, from <= to
    bool page_per_month = false;    // "Avança página em cada mês ?"
    bool previous_balance = false;  // "Calcula e Imprime saldo anterior ?"
    bool summary = false;           // kind 2: "Deseja imprimir o Resumo de Todos os meses?"
};

// Whether a start and an end month make a range: the start in 1 to 12, the end from the start to
// 12.
bool valid_month_range(int from, int to);

// ESCOLHE_MES: the window with its three lines under "Imprimir"; the months are edited in place.
// nullopt when the operator leaves with Esc.
std::optional<MonthChoice> ESCOLHE_MES(ui::Screen& s);

// ESCOLHE_COMO: the month range, then (unless one month was chosen) "Avança página em cada mês
// ?", when the range starts after January "Calcula e Imprime saldo anterior ?", and for kind 2
// "Deseja imprimir o Resumo de Todos os meses?". nullopt when Esc cancels any of them.
std::optional<MonthChoice> ESCOLHE_COMO(ui::Screen& s, int kind);

}  // namespace vorn::entry
