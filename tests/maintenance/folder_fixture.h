// A data folder written through real declarations for the maintenance tests: clients with
// assets, a gain and rural data saved by a terminal, and snapshots of every table.
#pragma once

#include <gtest/gtest.h>

#include <tuple>

#include "store/catalogue.h"
#include "store/cdx_index.h"
#include "store/dbf.h"
#include "store/declaration.h"
#include "store_test_util.h"

namespace vorn::maintenance::testing {

using store::Env;
using store::Record;
using store::Table;

inline constexpr const char* kAna = "12345678909";
inline constexpr const char* kBia = "98765432100";
inline constexpr const char* kCid = "11144477735";

struct Office {
    store::testing::TempDir dir;
    ManualClock clock{DateTime{Date(2026, 4, 10), 9 * 3600}};
    ScriptedOperator op;
    std::string data(int n) const { return store::data_table_path(Env::posix(), dir.path(), n); }
};

struct Terminal {
    store::CdxIndexFiles cdx;
    store::WorkAreas w;
    explicit Terminal(Office& o, const std::string& nusu = "01")
        : cdx(o.op), w(Env::posix(), o.op, o.clock) {
        w.ARQDEF = w.LOCARQ = o.dir.path();
        w.NUSU = nusu;
        w.index_files = &cdx;
    }
};

// Every record of every declaration table of the folder: (table, record, deleted, bytes).
using Snapshot = std::vector<std::tuple<int, uint32_t, bool, std::string>>;
inline Snapshot snapshot(const Office& o) {
    Snapshot out;
    for (int n = 1; n <= 21; ++n) {
        const std::string path = o.data(n);
        if (!Env::posix().exists(path)) continue;
        std::unique_ptr<Table> t;
        EXPECT_TRUE(Table::open(Env::posix(), path, store::OpenOptions{}, &t).is_ok());
        EXPECT_TRUE(t->scan_rows([&](uint32_t r, std::string_view row) {
                         out.emplace_back(n, r, row[0] == '*', std::string(row.substr(1)));
                     }).is_ok());
        EXPECT_TRUE(t->close().is_ok());
    }
    return out;
}

// Live records of a CPF in table n.
inline std::vector<Record> live(const Office& o, int n, const std::string& cpf) {
    std::vector<Record> out;
    std::unique_ptr<Table> t;
    EXPECT_TRUE(Table::open(Env::posix(), o.data(n), store::OpenOptions{}, &t).is_ok());
    uint32_t count = 0;
    EXPECT_TRUE(t->record_count(&count).is_ok());
    for (uint32_t k = 1; k <= count; ++k) {
        EXPECT_TRUE(t->go_to(k).is_ok());
        if (t->deleted() || t->str("CPF") != cpf) continue;
        out.emplace_back(t->layout_ptr());
        EXPECT_TRUE(t->read(out.back()).is_ok());
    }
    EXPECT_TRUE(t->close().is_ok());
    return out;
}

inline void add(store::Declaration& d, int table,
                std::initializer_list<std::pair<const char*, int>> v) {
    Record r(store::table_def(table)->layout);
    r.set("CPF", d.cpf());
    for (auto& [f, n] : v) r.set(f, Decimal(n));
    ASSERT_TRUE(d.working(table)->append(&r).is_ok());
}

// A client saved with assets, a gain, a rural property and a bank of the rural book.
inline void create(Office& o, const char* cpf, const char* name, std::vector<int> assets,
                   bool rural = true) {
    Terminal t(o);
    store::Declaration d(t.w, store::DeclarationPlace{o.dir.path(), "OPERADORA"});
    ASSERT_TRUE(d.load(cpf, store::LoadMode::kExisting, true).is_ok() ||
                d.load(cpf, store::LoadMode::kNew, true).is_ok());
    d.values().set("NOMECONTR", name);
    for (int a : assets) add(d, 4, {{"I7_0", a}});
    add(d, 7, {{"BEM_NRO", 1}, {"TIPO_BEM", 1}});
    if (rural) {
        d.values().set("TEMRURAL", "S");
        add(d, 16, {{"I2R_00", 1}});
        add(d, 21, {{"COD_CONTA", 1}});
    }
    ASSERT_TRUE(d.save(true).is_ok());
}

}  // namespace vorn::maintenance::testing
