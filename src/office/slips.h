// Registering the office's collection slips (BOLETO, work area 67) and its bank data (DEFINE, work
// area 43). Every reference number is taken under DEFINE's record lock, where the next one is
// kept (BOL_NOSNRO): two terminals registering at once never give two slips one number, and one
// already registered is refused.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/date.h"
#include "base/status.h"
#include "office/remittance.h"
#include "store/workareas.h"

namespace vorn::office {

// The first of the registration checks, in the order the slip form makes them, that `slip`
// fails: its text ("Preencha o CPF do Sacado", "Preencha o Valor do boleto", "Data em branco ou
// inválida ", "Preencha o nro interno do documento", "Preencha o nro de referência do Banco"),
// or of the numbers' widths; nullopt when it passes. `marked` (registering the marked clients)
// checks only the two numbers.
std::optional<std::string> slip_problem(const Slip& slip, const Date& today, bool marked = false);

// Stores the office's bank data into DEFINE (open in area 43) under its record lock, checked as
// the bank checks it (the account's digit by the bank's modulo 10, the office's CNPJ or CPF).
[[nodiscard]] Status store_bank_setup(store::WorkAreas& w, const BankSetup& setup);

// Appends `slip` to BOLETO (open in area 67) under DEFINE's record lock (area 43 open): refused
// (kInvalid) when BOLETO already holds its reference number; BOL_NOSNRO becomes the number after
// it when that is higher. kLocked when a lock could not be had.
[[nodiscard]] Status register_slip(store::WorkAreas& w, const Slip& slip);

// One slip for each client of `registry` (open in its area) marked for printing (IMPRE "S") with
// a fee (VALOREC above zero), in table order, due today: payer, CPF and amount from the client,
// document numbers from *document on and reference numbers from *reference on, each taken under
// DEFINE's lock (numbers already in BOLETO skipped). *document and *reference end at the next
// ones; *count tells how many were registered.
[[nodiscard]] Status register_marked(store::WorkAreas& w, int registry_area, const Date& today,
                                     long long* document, long long* reference, int* count);

}  // namespace vorn::office
