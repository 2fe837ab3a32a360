// Reading and writing the printer record under its lock.
#include "printing/printer_record.h"

#include "base/text.h"
#include "printing/lpstat.h"
#include "store/opening.h"

namespace vorn::printing {
namespace {

constexpr int kArea = 57;

// Opens table 57 and moves to the terminal's record (eof when it has none). Null when the table
// could not be opened.
store::Table* find_record(store::WorkAreas& w, const std::string& nusu) {
    if (!store::ABERTURA(w, kArea)) return nullptr;
    store::Table& t = *w.table(kArea);
    Status s = t.go_top();
    while (s && !t.eof() && t.str("NRO_TERM") != nusu) s = t.skip();
    if (!s) {
        w.op().notice(NoticeKind::kError, "", s.message());
        w.close(kArea);
        return nullptr;
    }
    return &t;
}

bool append_record(store::WorkAreas& w, store::Table& t, const std::string& nusu,
                   const std::string& default_printer) {
    w.select(kArea);
    if (!store::ADD_REC(w, 5)) return false;
    Status s = t.replace(t.field("NRO_TERM"), nusu);
    if (s) s = t.replace(t.field("NOMEIMP"), std::string(kExternalProgram));
    if (s) s = t.replace(t.field("IPADRAO"), left(default_printer, kPrinterNameWidth));
    if (s) s = t.replace(t.field("SEQ0"), std::string(1, '\x12'));
    if (s) s = t.replace(t.field("SEQ1"), std::string(1, '\x0f'));
    Status u = t.unlock();
    if (s) s = u;
    if (!s) w.op().notice(NoticeKind::kError, "", s.message());
    return s.is_ok();
}

}  // namespace

bool CRIA_SEQ(store::WorkAreas& w, const std::string& nusu, const std::string& default_printer) {
    store::Table* t = find_record(w, nusu);
    if (!t) return false;
    const bool ok = !t->eof() || append_record(w, *t, nusu, default_printer);
    w.close(kArea);
    return ok;
}

PrinterRecord read_printer(store::WorkAreas& w, const std::string& nusu) {
    PrinterRecord r;
    store::Table* t = find_record(w, nusu);
    if (!t) return r;
    if (!t->eof()) {
        const std::string name = trim(t->str("NOMEIMP"));
        if (!name.empty()) r.NOMEIMP = name;
        r.IPADRAO = trim(t->str("IPADRAO"));
        r.SEQ0 = t->str("SEQ0");
        r.SEQ1 = t->str("SEQ1");
    }
    w.close(kArea);
    return r;
}

bool store_printer(store::WorkAreas& w, const std::string& nusu, const std::string& name) {
    store::Table* t = find_record(w, nusu);
    if (!t) return false;
    bool ok = !t->eof() || append_record(w, *t, nusu, "");
    if (ok) {
        Status s = t->eof() ? Status::not_found("ListaIMP") : Status::ok();
        w.select(kArea);
        ok = s && store::REC_LOCK(w, 5);
        if (ok) {
            s = t->replace(t->field("NOMEIMP"), left(name, kPrinterNameWidth));
            if (s) s = t->replace(t->field("SEQ0"), std::string());
            if (s) s = t->replace(t->field("SEQ1"), std::string());
            Status u = t->unlock();
            if (s) s = u;
        }
        if (!s) w.op().notice(NoticeKind::kError, "", s.message());
        ok = ok && s.is_ok();
    }
    w.close(kArea);
    return ok;
}

}  // namespace vorn::printing
