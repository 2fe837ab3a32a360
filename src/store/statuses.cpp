// Statuses of declarations.
#include "store/statuses.h"

#include "base/text.h"
#include "store/opening.h"

namespace vorn::store {

std::map<long, std::string> read_status_names(WorkAreas& w) {
    std::map<long, std::string> out;
    if (!ABERTURA(w, 66)) return out;
    Table& t = *w.table(66);
    for (Status s = t.go_top(); s && !t.eof(); s = t.skip())
        out[t.num("COD").whole()] = t.str("DESCRICAO");
    w.close(66);
    return out;
}

std::string status_name(const std::map<long, std::string>& names, long code) {
    auto it = names.find(code);
    if (it != names.end() && !trim(it->second).empty()) return trim(it->second);
    switch (code) {
        case 0:
            return "";
        case 1:
            return "Importada";
        case 2:
            return "Nova";
        default:
            return "Sem nome";
    }
}

bool known_status(const std::map<long, std::string>& names, long code) {
    return names.count(code) || code == 1 || code == 2;
}

}  // namespace vorn::store
