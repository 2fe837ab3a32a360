// Helpers of the index tests: the foreign fixtures and Debian's XBase::Index reader.
#pragma once

#include <string>

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

}  // namespace vorn::store::testing
