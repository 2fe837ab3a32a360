// Reading last year's assets table.
#include "entry/last_year.h"

#include <memory>

#include "base/text.h"
#include "store/catalogue.h"
#include "store/dbf.h"

namespace vorn::entry {

std::string last_year_asset_text(store::Env& env, std::string_view folder, std::string_view cpf,
                                 long long item) {
    if (trim(folder).empty() || cpf.empty()) return {};
    const std::string path = store::find_file(
        env, trim(folder), store::table_def(4)->name + std::string(store::CANOANTER) + ".DBF");
    if (!env.exists(path)) return {};
    std::unique_ptr<store::Table> t;
    store::OpenOptions read;
    read.read_only = true;
    if (!store::Table::open(env, path, read, &t)) return {};
    const store::Field owner = t->field("CPF"), number = t->field("I7_0"), text = t->field("I7_2");
    for (Status s = t->go_top(); s && !t->eof(); s = t->skip())
        if (t->str(owner) == cpf && t->num(number).whole() == item) return trim(t->str(text));
    return {};
}

}  // namespace vorn::entry
