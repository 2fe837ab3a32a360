// Helpers of the index tests: the foreign fixtures and Debian's XBase::Index reader.
#pragma once

#include <string>
#include <vector>

#include "store_test_util.h"

namespace vorn::store::testing {

// Tables and indexes written by another xBase runtime (tests/data/store/README.md).
inline std::string fixture(const std::string& name) {
    return std::string(VORN_SOURCE_DIR) + "/tests/data/store/" + name;
}

// index_dump (libdbd-xbase-perl) listing one tag, with the stand-in for the Time::JulianDay module
// (not packaged in Debian) that it needs for date keys.
inline std::string index_dump(const std::string& type, const std::string& file,
                              const std::string& tag) {
    return run("PERL5LIB=" + std::string(VORN_SOURCE_DIR) +
               "/tests/store/tools/perlshim index_dump -type=" + type + " '" + file + "' " + tag +
               " 2>/dev/null");
}

// An index file, its table and key, for the cross-check below.
struct Listed {
    std::string dbf, cdx, key, type;  // type as index_dump takes it: char or num
};

// The order Debian's index_dump lists equals one computed from the table's bytes by a script
// that shares nothing with the engine.
inline void expect_indexes_match_tables(const std::vector<Listed>& all) {
    std::string args;
    for (const Listed& l : all) args += " '" + l.dbf + "' '" + l.key + "'";
    std::string want = run("/usr/bin/python3 " + std::string(VORN_SOURCE_DIR) +
                           "/tests/store/cdx_order.py" + args);
    size_t at = 0;
    for (const Listed& l : all) {
        size_t end = want.find("--\n", at);
        ASSERT_NE(end, std::string::npos) << "no listing for " << l.cdx;
        std::string tag = base_of(l.cdx).substr(0, base_of(l.cdx).size() - 4);
        EXPECT_EQ(index_dump(l.type, l.cdx, tag), want.substr(at, end - at)) << l.cdx;
        at = end + 3;
    }
}

// The registry's three index files.
inline std::vector<Listed> registry_indexes(const TempDir& dir) {
    std::string dbf = dir.file("IMP0926.DBF");
    return {{dbf, dir.file("IMP0926.CDX"), "CPF", "char"},
            {dbf, dir.file("IMP0926B.CDX"), "UPPER(NOMECONTR)", "char"},
            {dbf, dir.file("IMP0926C.CDX"), "ESTATUS", "num"}};
}

}  // namespace vorn::store::testing
