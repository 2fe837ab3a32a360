// The registry records of other declarations that a spouse's screen reads and writes: a
// declaration looked up in the data folders without creating or changing anything there, and
// its mark to fetch the couple's figures from the other declaration cleared under the record's
// lock, never while that declaration is open on a terminal (its next save would undo it).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/date.h"
#include "base/status.h"
#include "store/env.h"
#include "store/record.h"

namespace vorn::store {

// A registry record and the data folder whose registry holds it.
struct FoundRegistry {
    std::string folder;
    Record registry;
};

// The registry record of `cpf` in the first of `folders` (in their order) whose registry holds
// it. Each registry is opened read-only and shared; a folder without one is skipped, and nothing
// is created. nullopt when none holds the CPF; kCorrupt or kIoError, naming the file, when a
// registry cannot be read.
[[nodiscard]] Status find_registry(Env& env, const std::vector<std::string>& folders,
                                   std::string_view cpf, std::optional<FoundRegistry>* out);

// The spouse's fields a fetch fills, which clearing the mark clears with it.
inline constexpr const char* kSpouseFetchFlags[] = {"I9_4", "I9_6"};
inline constexpr const char* kSpouseFetchValues[] = {"I9_2",   "I9_3",   "I13_1C", "I13_2C",
                                                     "I13_3C", "I13_4C", "I13_5C"};

// In the declaration `cpf` of `folder`: its mark to fetch the spouse's figures ("N") and the
// figures it fetched (zero), written into its registry record under the record's lock. Nothing
// is written when that declaration is open on a terminal: *in_use then names the terminal (its
// NUSUAT), else it is left empty. kNotFound when the registry or the record is gone; kLocked when
// the record stayed locked by another terminal beyond `wait_seconds`.
[[nodiscard]] Status clear_spouse_fetch(Env& env, const Clock* clock, std::string_view folder,
                                        std::string_view cpf, std::string* in_use,
                                        double wait_seconds = 5);

}  // namespace vorn::store
