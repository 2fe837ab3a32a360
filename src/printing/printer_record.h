// The terminal's printer record (table 57, ListaIMP, keyed by the terminal number): the chosen
// channel NOMEIMP (a CUPS queue, "NAO DOS" or "Sem Impressora"), the control strings SEQ0 and
// SEQ1 and the default printer when the record was made.
#pragma once

#include <string>

#include "store/workareas.h"

namespace vorn::printing {

// The two channels besides the printers.
inline constexpr const char* kExternalProgram = "NAO DOS";
inline constexpr const char* kNoPrinter = "Sem Impressora";

struct PrinterRecord {
    std::string NOMEIMP = kExternalProgram;
    std::string IPADRAO;
    std::string SEQ0, SEQ1;  // blank: the standard characters 18 and 15
};

// CRIA_SEQ: makes the terminal's record when it is missing ("NAO DOS", characters 18 and 15,
// `default_printer` as IPADRAO). False when the table cannot be opened or appended to (told).
bool CRIA_SEQ(store::WorkAreas& w, const std::string& nusu, const std::string& default_printer);

// The terminal's record; a terminal without one gets the initial values ("NAO DOS").
PrinterRecord read_printer(store::WorkAreas& w, const std::string& nusu);

// Stores a new choice in NOMEIMP under the record's lock and clears SEQ0 and SEQ1; the record is
// made first when missing. False when it could not be written (told).
bool store_printer(store::WorkAreas& w, const std::string& nusu, const std::string& name);

}  // namespace vorn::printing
