// Letters to clients: plain text files of the data folder with «placeholders» that are replaced
// by each client's registry values and printed page by page (IMPR_MAIL, IMPR_EDT).
//
// On disk a letter is code page 850 text (« and » are the bytes AE and AF), optionally opened by
// a 19-character page header: B2 B3, left margin (3 digits), right margin (3), width (3), page
// length (2), top margin (2), bottom margin (2), B3 B2. In memory it is UTF-8.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/date.h"
#include "base/decimal.h"
#include "base/status.h"
#include "office/fees.h"
#include "printing/print_file.h"
#include "store/env.h"

namespace vorn::office {

struct PageSettings {
    int left = 0, right = 0, width = 136, length = 66, top = 0, bottom = 0;
    bool is_default() const { return *this == PageSettings{}; }
    // The lines of text a page holds: the length less both margins.
    int text_lines() const { return length - top - bottom; }
    bool operator==(const PageSettings&) const = default;
};

struct Letter {
    PageSettings page;
    std::string text;    // UTF-8, after the header
    std::string notice;  // why the page settings are the defaults though the file has a header
};

// A letter from the bytes of its file: UTF-8 when the bytes are valid UTF-8 with at least one
// character outside ASCII, else code page 850. A header whose fields are not digits, or that
// leaves no text lines or no width, gives the default settings and a notice; a header without
// its closing bytes is taken as text.
Letter parse_letter(std::string_view bytes);
// The bytes of a letter's file: code page 850, with the header only when the settings are not
// the defaults (each field cut to its digits) or the text itself opens with the header's bytes.
std::string letter_bytes(const Letter& letter);

// The file name of a letter named by the operator: ".txt" added to a name without extension, an
// empty name gives "SemNome.txt". A name with a folder part ("/", "\\") or "..", or a control
// character, is refused (nullopt): letters stay in the data folder.
std::optional<std::string> letter_file_name(std::string_view name);

// An open letter: the file's bytes as read, so that an unchanged letter is never rewritten.
struct LetterFile {
    std::string path;
    std::string original;  // the bytes read (empty for a new letter)
    Letter letter;
};
// Reads `name` (through letter_file_name) in `folder`; a missing file gives an empty letter.
[[nodiscard]] Status open_letter(const std::string& folder, std::string_view name, LetterFile* out);
// Writes the letter beside its file and renames it over it; nothing is written when the bytes
// would be the same as those read (*written false). On success the new bytes become the
// original.
[[nodiscard]] Status save_letter(LetterFile& file, bool* written);

// The registry values a letter can show, as read from a client's record (character fields with
// their trailing blanks).
struct LetterClient {
    std::map<std::string, std::string, std::less<>> text;
    std::map<std::string, Decimal, std::less<>> number;
    std::map<std::string, Date, std::less<>> date;
    bool marked = false;  // IMPRE
    std::string str(std::string_view field) const;
    Decimal num(std::string_view field) const;
    Date day(std::string_view field) const;
};

// The placeholders in the order of the editor's field menu (1 to 43), without « ».
const std::vector<std::string>& placeholder_names();
// The value of placeholder `name` (without « ») for `client`; nullopt for an unknown name.
std::optional<std::string> placeholder_value(std::string_view name, const LetterClient& client,
                                             const FeeRates& rates);
// IMPR_MAIL: the text with every known placeholder replaced; unknown ones stay as written.
std::string merge_letter(std::string_view text, const LetterClient& client, const FeeRates& rates);

// Whom a letter goes to: the client with that CPF, else the marked clients or every client.
struct LetterChoice {
    std::string cpf;
    bool marked_only = false;
};
// The chosen clients of the registry of `folder` (read-only, deleted records left out) in name
// order, each given to `each` in turn, one held at a time; `each` returns false to stop.
[[nodiscard]] Status for_each_letter_client(store::Env& env, const std::string& folder,
                                            const LetterChoice& choice,
                                            const std::function<bool(const LetterClient&)>& each);
// Every client of the registry of `folder` in name order.
[[nodiscard]] Status read_letter_clients(store::Env& env, const std::string& folder,
                                         std::vector<LetterClient>* out);

struct MergePlan;

// IMPR_EDT, client after client: the merged letter cut into lines of the width (a word wider
// than a line is cut), printed at the left column after the top margin, a new page whenever a
// page's text lines are full and for every client after the first. With `body`, each merged
// text is also appended to it (an e-mail body). The letter, the rates and the writer must
// outlive the printer.
class LetterPrinter {
  public:
    LetterPrinter(const Letter& letter, const FeeRates& rates, printing::PrintWriter& out,
                  std::string* body = nullptr);
    ~LetterPrinter();
    LetterPrinter(const LetterPrinter&) = delete;
    LetterPrinter& operator=(const LetterPrinter&) = delete;
    void print(const LetterClient& client);
    // Ends the text.
    void finish();
    size_t printed() const { return printed_; }

  private:
    const Letter& letter_;
    const FeeRates& rates_;
    printing::PrintWriter& out_;
    std::string* body_;
    std::unique_ptr<MergePlan> plan_;
    size_t printed_ = 0;
    std::string line_;
};

// The printer over a list of clients.
void print_letters(const Letter& letter, const std::vector<LetterClient>& clients,
                   const FeeRates& rates, printing::PrintWriter& out, std::string* body = nullptr);

}  // namespace vorn::office
