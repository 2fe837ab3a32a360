// DARF slips: the federal tax payment forms of a declaration. Which amount each kind of DARF
// pays (the quota of the annual adjustment, Carnê-Leão months, capital gains, variable income,
// the fine for late delivery, donations to children's and elderly funds, foreign cash, or typed
// values), its code, period, due date and text lines, its fine and interest (CALCJU), and the
// printout: the form drawn on a plain sheet, the values at the positions of a pre-printed form,
// or one text file per DARF. Nothing here talks to the operator: the refusals are returned as the
// message texts the window shows, and the window (or the batch verb) decides what to do.
#pragma once

#include <array>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/date.h"
#include "base/decimal.h"
#include "base/status.h"
#include "payments/interest.h"
#include "printing/print_file.h"
#include "store/record.h"
#include "tax/declaration.h"

namespace vorn::payments {

// QUEDARF: the kinds of DARF of the menu.
enum DarfType : int {
    kDarfQuota = 1,             // 0211, quotas of the annual adjustment
    kDarfCarneLeao = 2,         // 0190
    kDarfCapitalGain = 3,       // 4600 / 8523
    kDarfStocks = 4,            // 6015, variable income on the stock market
    kDarfFunds = 5,             // 6015, investment funds
    kDarfLateFine = 6,          // 5320, fine for late delivery of the declaration
    kDarfDonationECA = 7,       // 3351, children's funds (payment code 39)
    kDarfForeignCash = 8,       // 8960
    kDarfFree = 9,              // every field typed
    kDarfDueDates = 10,         // not a DARF: edits the quota due dates (the window's business)
    kDarfDonationElderly = 11,  // 9090, elderly funds (payment code 49)
};
// Whether a kind asks for one or several quotas / months (kinds 1 to 5).
bool darf_has_range(int kind);
// The highest number a kind's range takes: 8 quotas for kind 1, 12 months for 2 to 5, else 1.
int darf_range_limit(int kind);

// QUEMOD: how the DARFs are printed.
enum DarfModel : int {
    kModelPlain = 1,           // "folha Avulsa": the form drawn in text
    kModelSicalc = 2,          // "Sicalc Web da Receita"
    kModelPreprinted = 3,      // "Darf pré-impresso preto"
    kModelPreprintedColor = 4  // "Darf pré-impresso color"
};

// A donation row of the chosen fund kind (AECAID): fund name, fund CNPJ, value paid minus
// reimbursed.
struct Donation {
    std::string fund;
    std::string cnpj;
    Decimal value;
};

// The variables of one DARF being prepared.
struct Darf {
    int QUEDARF = 0;
    int QUANTDARF = 1;  // 1 one quota/month, 2 several; 0 counts as 1
    std::string DF_CODIG;
    Date DF_PERIODO;
    std::string CPF_CNPJ;  // field 03 as typed for a free DARF (CPF + 7 blanks by default)
    std::string DF_REFER;
    Date DF_VCTO;
    Date DF_PGTO;
    Date DDATAUTIL;
    Decimal IMPO_REAL;
    Decimal DF_MULTA, VAL_MULTA;
    Decimal DF_JURO, VAL_JURO;
    Decimal VAL_TOTAL;
    std::array<std::string, 5> DF_OUTR;  // DF_OUTR1..DF_OUTR5, 35 characters each
    std::string NOMQUAL;                 // name printed (declarant, dependant or typed)
    std::string TELEFONE;                // the declarant's telephone digits (blank: none)
    std::string DARFTD = "S";            // "S" titular, "N" dependant
    std::string CPFDEPEN, NOMEDEPEN;     // the dependant of a dependant's DARF
    int number = 1;                      // the quota or month (or donation row) of this DARF
    int quota_count = 1;                 // the declaration's quota count (kind 1)
    int gain_number = 0;                 // BEM_NRO of a capital-gain DARF
    // Several quotas printed as values only (CDARFUTU "N") for a quota after the first: no
    // interest nor total printed, and the two SELIC note lines.
    bool values_only = false;
    bool valid_until = true;  // validity "ate" (until) valid_date, else "dia" (on)
    Date valid_date;

    // The CPF printed in field 03: the dependant's for a dependant's DARF, else CPF_CNPJ.
    std::string printed_cpf() const;
};

// DEFINE VCTO1..VCTO8 as ADATVENC (index 0 = quota 1).
std::array<Date, 8> ADATVENC(const store::Record& define);
// The due dates a new office record holds, used when an installation has none.
std::array<Date, 8> default_due_dates();

// ULTIMO_DIA (m, y, k): the last working day of month m + k − 1 of year y (wrapping into the
// next years), moved back from a weekend; in December one day further back, again off a weekend.
// A month outside 1..12 is taken into that range first.
Date ULTIMO_DIA(int month, int year, int offset);
// MES_ANTER (m): the last working day of month m of the calendar year, same rules; the period of
// assessment of Carnê-Leão and variable-income DARFs.
Date MES_ANTER(int month);
// The month name of the forms, cut to `letters` (TRAZ_MES without its padding).
std::string month_name(int month, size_t letters = 9);

// The donation reference: the fund CNPJ's 14 digits and two modulus-11 check digits (the first
// over the 14, the second over the 15). Empty when the CNPJ has not 14 digits.
std::string donation_reference(std::string_view cnpj);

// The fine for late delivery of a declaration whose tax due is `tax_due` (I13_23), due on `due`
// (ADATVENC[1]) and paid on `payment`.
struct LateDeliveryFine {
    int months_late = 0;
    Decimal cap;       // 20 % of the tax due
    Decimal computed;  // tax due × months late / 100
    Decimal fine;      // the principal of the DARF: at least 165,74, at most the cap; 0 if not late
};
LateDeliveryFine late_delivery_fine(Decimal tax_due, Date due, Date payment);
inline constexpr Decimal kMinimumLateFine = Decimal::from_raw(16574 * (Decimal::unit() / 100));

// The donation refusal after the deadline: the four lines of the message for kind 7 or 11 when
// `today` is after DDIAENTRA, nullopt while donations may be paid (and for other kinds).
std::optional<std::vector<std::string>> donation_refusal(int kind, Date today);

// Titular or dependant: the Carnê-Leão rows of the declaration counted by blank and filled
// dependant CPF.
struct HolderRows {
    int titular = 0;
    int dependant = 0;
    // Only titular rows or none: titular; only dependant rows: dependant; both: ask ("Responda
    // com Sim para Darf do Titular" / " Não para Darf do Dependente.").
    enum class Choice { kTitular, kDependant, kAsk };
    Choice choice() const;
};
HolderRows count_holder_rows(const tax::Declaration& d);
// Whether a dependant CPF has Carnê-Leão rows; false gives "Esse dependente não tem rendimentos!".
bool dependant_has_rows(const tax::Declaration& d, std::string_view cpf);
// The dependant's name (table 3, NOMEDEPEN) by CPF; blank when not among the dependants.
std::string dependant_name(const tax::Declaration& d, std::string_view cpf);

// The payment date the dialogue proposes: today; for kinds 1 to 5 with the open declaration the
// last working day of the current month.
Date default_payment_date(int kind, bool open_declaration, Date today);

// The dialogue's check of a typed payment date: a Sunday moves one day and a Saturday two, with
// the message ("O dia lançado para pagamento é um Domingo" / "será alterado para próximo dia
// útil!"); a date after the due date but before the first working day after it is refused ("O dia
// p/ pagamento deve ser maior ou igual a " + that day).
struct PaymentDateCheck {
    Date date;  // the date to use (moved off a weekend)
    bool refused = false;
    std::vector<std::string> message;  // empty when the date stands as typed
};
PaymentDateCheck check_payment_date(Date payment, Date due, Date first_working_day);

// Kind 10: the eight quota due dates and the dollar rate (4 decimals) into the office record
// (DEFINE VCTO1..VCTO8, VAL_DOLAR); the caller stores the record under its lock.
void set_due_dates(store::Record& define, const std::array<Date, 8>& dates, Decimal dollar);

// What the amounts of a declaration are read from: the declaration as `calc` reads and computes
// it, its capital-gain and variable-income records (table 7), the quota due dates and the day of
// the run.
struct DarfSource {
    const tax::Declaration* declaration = nullptr;
    const std::vector<store::Record>* gains = nullptr;
    std::array<Date, 8> adatvenc{};
    Date today;
};

// BUS_IMPO modes: 1 interactive (the open declaration, with messages), 2 printing (batch:
// nothing to pay skips silently).
enum class BusMode { kInteractive = 1, kPrinting = 2 };

// The outcome of loading an amount: `pay` false when there is nothing to pay, with the message
// (lines) the window shows in interactive mode.
struct Loaded {
    bool pay = false;
    std::vector<std::string> message;
};

// BUS_IMPO: loads into `darf` the amount, period, due date, code and text lines (PREENCHE) of
// quota / month / donation row `number` of `darf.QUEDARF`. For kind 3 `darf.gain_number` names
// the gain; for a dependant's DARF (DARFTD "N") the Carnê-Leão rows of `darf.CPFDEPEN` are used.
// Kinds 6 to 8 and 11 ignore `number` except donations (row index from 1). Kind 9 loads nothing
// (the values are typed) and returns pay = principal > 0. A principal below zero is not paid.
Loaded BUS_IMPO(const DarfSource& src, int number, BusMode mode, Darf& darf);

// The first month from `from` (to 12) of kinds 2 to 5 with something to pay, or of kind 3 the
// gain's month; nullopt with the message when none.
struct FirstMonth {
    std::optional<int> month;
    std::vector<std::string> message;
};
FirstMonth first_month_to_pay(const DarfSource& src, const Darf& darf, int from);

// The donation rows (AECAID) of kind 7 or 11.
std::vector<Donation> donations(const tax::Declaration& d, int kind);

// PREENCHE: the code, reference and text lines of a DARF whose amount is loaded (called by
// BUS_IMPO; for the window after the operator changed values).
void PREENCHE(const DarfSource& src, Darf& darf);

// Fine, interest, total and validity of a loaded DARF for its DF_PGTO (CALCJU through the
// interest table); a late-delivery fine carries none; several quotas as values only carry no
// interest nor total. Returns the outdated-table report to tell.
Outdated compute_charges(const InterestTable& selic, Date today, Date first_quota_due, Darf& darf);

// One run of DARFs (FAZ_DARF's loop): the kind, the range chosen (quotas or months; bounded to the
// kind's limit), the payment date shared by all, CDARFUTU and the holder.
struct DarfRun {
    int kind = kDarfQuota;
    int quantity = 1;         // QUANTDARF
    int first = 1;            // QUE_QUOTA / MES_PGTO
    int last = 1;             // ULT_QUOTA / MES_FINAL
    Date payment;             // DF_PGTO
    bool same_month = false;  // CDARFUTU "S": all chosen quotas paid in the same month
    std::string DARFTD = "S";
    std::string CPFDEPEN;
    int gain_number = 0;
    Darf free_darf;  // kind 9: the typed values
};

// The DARFs of a run for one declaration: every quota / month / donation row of the range loaded,
// charged and filled, those with nothing to pay (or a principal not above zero) left out; the
// reasons of the first refusal go to `refusal` when nothing at all is to be paid. The outdated
// table report of the worst case goes to `outdated`.
std::vector<Darf> prepare_run(const DarfSource& src, const InterestTable& selic, const DarfRun& run,
                              std::vector<std::string>* refusal, Outdated* outdated = nullptr);

// IMPRDARF on a plain sheet: the form drawn in text, 79 columns, starting at `row`. Returns the
// row after the form's last line.
int print_plain_form(printing::PrintWriter& w, int row, const Darf& darf);

// The positions of a pre-printed model (3 black, 4 colour): for each field of the form its row
// and column (from 0) and width; data, not code.
enum class FormField {
    kPeriod,
    kCpf,
    kCode,
    kReference,
    kDue,
    kPrincipal,
    kFine,
    kInterest,
    kTotal,
    kName,
    kPhone,
    kLine1,
    kLine2,
    kLine3,
    kLine4,
    kLine5,
    kValidity,
    kNote1,
    kNote2
};
struct FormPosition {
    FormField field;
    int row;
    int col;
    int width;
};
// The model's table and its height in rows (one form).
struct FormModel {
    std::vector<FormPosition> positions;
    int rows = 0;
};
const FormModel& preprinted_model(int model);
// IMPRDARF on a pre-printed form: the values only, at the model's positions, from `row`.
int print_preprinted_form(printing::PrintWriter& w, int row, const Darf& darf, int model);

// FAZ_DARF's printout of a run's DARFs: each DARF in `copies` copies (NRO_VIAS; at least 2 on
// the plain sheet and the pre-printed forms); plain sheet: two copies a page with 3 blank lines
// between; pre-printed: one form a page. A principal not above zero is not printed.
void FAZ_DARF(printing::PrintWriter& w, const std::vector<Darf>& darfs, int model, int copies);

// The text of one DARF's text file: its copies on the plain sheet, one after the other.
std::string darf_text(const Darf& darf, int copies);

// FAZONOME: the text file name of a DARF (without folder): "Darf " + tag + " - " + period + " - "
// + first name (with its trailing blank) + last name + ".txt"; "/" and control characters become
// "_". A quota's period is " do IRPF2026" (without the " - "), several months " do mes MM ate MM"
// from the run's range, else " - MM-YYYY" of the period of assessment.
std::string FAZONOME(const Darf& darf, const DarfRun& run, std::string_view declarant_name);

// The text files of one run in a folder: a DARF whose name this run already wrote is appended to
// that file on a new page (after a form feed); a name another client (CPF) of the run already took
// gets " - " + CPF before ".txt". Files from earlier runs are replaced.
class DarfFiles {
  public:
    explicit DarfFiles(std::string folder) : folder_(std::move(folder)) {}
    // Writes (or appends) `latin1_text` as `name` for `cpf`; the file's path goes to *path.
    [[nodiscard]] Status write(const std::string& name, const std::string& cpf,
                               std::string_view latin1_text, std::string* path);

  private:
    std::string folder_;
    std::map<std::string, std::string> owner_;  // file name → CPF that wrote it in this run
};

// "Usando a impressora "NAME" os Darfs serão " / "impressos separadamente na pasta: " / folder.
std::vector<std::string> text_files_message(std::string_view printer, std::string_view folder);

}  // namespace vorn::payments
