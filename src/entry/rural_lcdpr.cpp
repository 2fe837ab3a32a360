// The digital rural cash book written from the open declaration: its identification, the
// Brazilian properties, accounts and entries and the monthly totals, into the installation
// directory. Entries dated outside 2025 are moved into the year only when the operator agrees.
#include <string>
#include <vector>

#include "entry/rural_screens.h"
#include "rural/book_folder.h"
#include "rural/lcdpr.h"
#include "store/env.h"

namespace vorn::entry {
namespace {

constexpr const char* kPending = "Arquivo não foi criado devido a pendências.";

std::vector<store::Record> of_brazil(const std::vector<store::Record>& rows) {
    std::vector<store::Record> out;
    for (const auto& r : rows)
        if (r.str("ATV_BRASIL") != "N") out.push_back(r);
    return out;
}

// Moves the Brazilian entries dated outside 2025 into the year, after the operator's yes; false
// when they stay where they are.
bool entries_into_year(EditorPlace& place, int outside) {
    if (!place.op.yes_no("",
                         "Existem " + std::to_string(outside) +
                             " lançamentos com data fora de 2025.\n"
                             "Muda essas datas para o mesmo dia e mês de 2025?",
                         false))
        return false;
    std::vector<store::Record> all;
    if (Status s = place.d.working_records(19, &all); !s) {
        place.op.notice(NoticeKind::kError, "", s.message());
        return false;
    }
    for (auto& e : all) {
        if (e.str("ATV_BRASIL") == "N") continue;
        std::vector<store::Record> one{e};
        rural::move_into_year(one);
        e = one.front();
    }
    if (Status s = place.d.replace_working(19, all); !s) {
        place.op.notice(NoticeKind::kError, "", s.message());
        return false;
    }
    return true;
}

}  // namespace

void rural_lcdpr_file(RuralPlace& r) {
    EditorPlace& place = r.place;
    store::Declaration& d = place.d;
    auto stop = [&](const std::string& why) {
        place.op.notice(NoticeKind::kWarning, "", why + "\n" + kPending);
    };
    std::vector<store::Record> entries;
    if (Status s = d.working_records(19, &entries); !s) return stop(s.message());
    if (const int outside = rural::entries_outside_year(of_brazil(entries)); outside > 0)
        (void)entries_into_year(place, outside);
    // The monthly totals the book carries are the entries' as they now stand.
    recompute_rural(place);

    rural::LcdprSources src;
    src.registry = d.values().registry();
    src.summary = d.values().summary();
    store::Record result;
    if (Status s = rural_result(d, false, &result); !s) return stop(s.message());
    src.result = result;
    std::vector<store::Record> rows;
    if (Status s = d.working_records(16, &rows); !s) return stop(s.message());
    src.properties = of_brazil(rows);
    if (Status s = d.working_records(21, &src.accounts); !s) return stop(s.message());
    rows.clear();
    if (Status s = d.working_records(19, &rows); !s) return stop(s.message());
    src.entries = of_brazil(rows);

    rural::MunicipalityCodes codes;
    if (Status s = rural::read_municipality_codes(place.w.env(), r.install, &codes); !s)
        return stop(s.message());
    std::string content, why;
    rural::build_lcdpr(
        src,
        [&](const std::string& city, const std::string& uf) {
            return rural::municipality_code(codes, city, uf);
        },
        &content, &why);
    if (!why.empty()) return stop(why);
    const std::string path = store::join_path(r.install, rural::lcdpr_file_name(d.cpf()));
    std::string message;
    if (Status s = rural::write_lcdpr(path, content, &message); !s) return stop(message);
    place.op.notice(NoticeKind::kInformation, "", message);
}

}  // namespace vorn::entry
