// Helpers of the index tests: the shared fixtures and Debian's XBase::Index reader.
#pragma once

#include <string>

#include "store_test_util.h"

namespace vorn::store::testing {

inline std::string fixture(const std::string& name) {
    return std::string(VORN_SHARED_DIR) + "/formats/fixtures/" + name;
}

// index_dump (libdbd-xbase-perl) listing one tag, with the shim it needs for date keys.
inline std::string index_dump(const std::string& type, const std::string& file,
                              const std::string& tag) {
    return run("PERL5LIB=" + std::string(VORN_SHARED_DIR) +
               "/formats/tools/perlshim index_dump -type=" + type + " '" + file + "' " + tag +
               " 2>/dev/null");
}

}  // namespace vorn::store::testing
