// Small stateless helpers shared by screens, imports and computations: the CPF/CNPJ masks, number
// text in the Brazilian form, month and weekday names, time-of-day conversions and the conversion
// of accented letters from the ISO-8859-1 form to the DOS form.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "base/date.h"
#include "base/decimal.h"

namespace vorn {

// The text with its characters laid into a picture: each '9' of the picture takes the next
// character of the text (a blank once the text runs out), every other picture character is copied.
// mask_picture("12345678901", "999.999.999-99") == "123.456.789-01".
std::string mask_picture(std::string_view text, std::string_view picture);

// Masked CPF or CNPJ. Empty and already masked values (3rd character ".", or 4th character "." or
// blank) come back unchanged; 14 characters (after trimming) become "nn.nnn.nnn/nnnn-nn" and 11
// become "nnn.nnn.nnn-nn" plus four blanks, so both forms are 18 characters wide; any other
// length comes back unchanged. Letters of an alphanumeric CNPJ are masked like digits.
std::string CONTAPONTO(std::string_view document);

// The text trimmed and without ".", "-" and "/".
std::string TIRA_PONTO(std::string_view text);

// The parts of a message joined by single blanks, each trimmed, empty ones left out, so that a
// message about an empty value has no double blank: join_words({"UF", "", "inválida."}) ==
// "UF inválida.".
std::string join_words(std::initializer_list<std::string_view> parts);

// A number written the Brazilian way ("1.234,56"): every "." is dropped and the first "," is the
// decimal point. Blank text gives 0; text that is not a number gives nullopt.
std::optional<Decimal> CAR_TO_VAL(std::string_view text);

// Month name padded to 9 characters ("Janeiro  " ... "Dezembro "); 13 gives "<- Totais ->".
// Any other month gives empty text.
std::string TRAZ_MES(int month);
// "Domingo", "Segunda feira" ... "Sabado"; the blank date gives empty text.
std::string DIA_SEMANA(Date date);

// "hh:mm:ss" to seconds since midnight; blank text gives 0, a malformed time nullopt.
std::optional<long> HORA_SEG(std::string_view hms);
// Seconds to "hh:mm:ss", hours modulo 24.
std::string SEG_HORA(long seconds);
// Seconds to "ddDhhhmmm" (two-digit days modulo 99, hours, minutes), e.g. "01D02h03m".
std::string SEG_HOR_2(long seconds);
// Seconds from start to end, adding a day when the end is earlier than the start (the interval
// crossed midnight). SEG_HORA of the result gives its "hh:mm:ss" form.
long TEMPO_PAS(long start_seconds, long end_seconds);
// The same for "hh:mm:ss" texts; nullopt when either is malformed.
std::optional<long> TEMPO_PAS(std::string_view start_hms, std::string_view end_hms);

// Accented letters of imported names and addresses brought to the letters of the DOS code page:
// with direction 1, Á Í Ó Ú Ã Õ Â Ê Ô Û lose their accent (the DOS page the files were made for
// has no such capitals) and the other accented letters stay as they are. Other directions leave
// the text unchanged: once decoded, a DOS letter is the same character as its ISO-8859-1 form.
std::string AJUS_CAR(std::string_view text, int direction);

}  // namespace vorn
